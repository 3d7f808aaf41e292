#pragma once

#include <QColor>
#include <QString>
#include <QToolButton>

#include <optional>

class Spinner;

/// A round 34 × 34 icon button: a white disc when active, a translucent raised disc otherwise.
/// It is a tool button, so it takes a menu (setMenu() with InstantPopup) and is operated from
/// the keyboard with Space or Return. A checkable chip shows the state its owner sets: a click
/// asks for the change and leaves the check mark alone until the owner answers.
class CircleChip : public QToolButton {
    Q_OBJECT

public:
    explicit CircleChip(QWidget* parent = nullptr);

    bool isActive() const { return m_active; }
    void setActive(bool active);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol, int pixelSize = 14);
    /// The symbol's colour; none draws it in the palette's text colour.
    void setSymbolColor(std::optional<QColor> color);

    bool isBusy() const { return m_busy; }
    /// Shows a spinner in place of the symbol while the chip's work runs.
    void setBusy(bool busy);

    /// What a screen reader announces as the chip's value ("On", "HDMI 1").
    void setAccessibleValueText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    QColor symbolColor() const;
    void updateSpinnerColor();

    bool m_active = false;
    bool m_busy = false;
    QString m_symbol;
    int m_symbolPixelSize = 14;
    std::optional<QColor> m_symbolColor;
    Spinner* m_spinner = nullptr;
};
