#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class SceneSymbolView;
class PercentSlider;
class SceneValueSliderLine;
class ToggleSwitch;

/// One optional value of a scene, 0...100 in whole steps: a switch saying whether the scene sets
/// it, labelled with the value's title and symbol, and below it a slider with a readout. While the
/// value is left out the slider is disabled but keeps its position, so including the value again
/// brings it back. The slider and readout are one accessible element named by the title, whose
/// value is "N percent", or "Not changed by this scene" while the value is left out. The value and
/// its rules are the slider's PercentValue's; valueChanged() reports every change, pushed or made.
class SceneValueEditorRow : public QWidget {
    Q_OBJECT
public:
    SceneValueEditorRow(const QString& title, const QString& symbol,
                        std::optional<QColor> tint = std::nullopt, QWidget* parent = nullptr);
    ~SceneValueEditorRow() override;

    QString title() const { return m_title; }

    /// Whether the scene sets this value.
    bool isIncluded() const { return m_included; }
    void setIncluded(bool included);
    /// Included for good, with no switch: for values that are included or left out together
    /// by a switch elsewhere (the three colour gains).
    void setInclusionFixed(bool fixed);
    bool isInclusionFixed() const { return m_inclusionFixed; }

    /// The value, kept as given until the user moves the slider (a stored 80.4 stays 80.4).
    double value() const;
    void setValue(double value);

signals:
    void includedChanged(bool included);
    void valueChanged(double value);

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyIncluded(bool included);
    void refreshValueText();
    void fadeSliderLine();
    void matchDisabledColours();

    QString m_title;
    std::optional<QColor> m_tint;
    bool m_included = false;
    bool m_inclusionFixed = false;
    SceneSymbolView* m_symbol;
    ToggleSwitch* m_switch;
    SceneValueSliderLine* m_sliderLine;
    PercentSlider* m_slider;
    QGraphicsOpacityEffect* m_fade;
    QPropertyAnimation* m_fadeAnimation;
};
