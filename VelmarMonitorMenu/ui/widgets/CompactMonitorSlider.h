#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

class PercentSlider;
class PercentValue;
class Readout;
class Spinner;

/// One line of the Controls panel: a symbol, the platform's slider over 0...100 and a numeric
/// readout that counts to each new value. While the user drags the handle each value is
/// `liveChanged` and letting go is `committed`; a key press or a click on the groove is a
/// complete edit (live, then commit). Values pushed in with setValue() never echo back. The value
/// and its rules are the slider's PercentValue's.
class CompactMonitorSlider : public QWidget {
    Q_OBJECT

public:
    /// `title` names the row for tooltips and screen readers; it is not drawn.
    CompactMonitorSlider(const QString& title, const QString& symbol,
                         std::optional<QColor> tint = std::nullopt, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    std::optional<QColor> tint() const { return m_tint; }

    PercentValue& percent() const;
    double value() const;
    /// The model's value, 0...100. Emits nothing.
    void setValue(double value);
    /// The monitor's value has been read.
    bool isLoaded() const { return m_loaded; }
    void setLoaded(bool loaded);
    /// A read is in progress.
    bool isLoading() const { return m_loading; }
    void setLoading(bool loading);

    QSize sizeHint() const override;

signals:
    void liveChanged(double value);
    void committed(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refreshState(bool countReadout);
    QRect symbolRect() const;
    QRect readoutRect() const;

    QString m_title;
    QString m_symbol;
    std::optional<QColor> m_tint;
    bool m_loaded = false;
    bool m_loading = false;
    PercentSlider* m_slider = nullptr;
    Spinner* m_spinner = nullptr;
    Readout* m_readout = nullptr;
};
