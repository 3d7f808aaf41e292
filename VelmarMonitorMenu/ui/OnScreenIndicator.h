#pragma once

#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"
#include "scenes/MonitorScene.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <optional>

class MonitorController;

// A change made from outside the program's views (a script, a keyboard shortcut), shown for a
// moment near the bottom centre of the screen as the desktop's own brightness keys do: the
// feature's symbol and its level, or a symbol and a word for an input, a scene or Night Mode.
// It never takes focus and lets every click through; a new change replaces the one shown.
class OnScreenIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr auto showTime = std::chrono::milliseconds(1500); // long enough to read the level

    explicit OnScreenIndicator(QWidget* parent = nullptr);

    /// Names the monitor the changes shown from now on concern, above them; empty names none
    /// (one monitor is connected).
    void setMonitorName(const QString& name);

    /// The feature's value as `monitor` holds it now.
    void showValue(MonitorFeature feature, const MonitorController& monitor);
    void showInput(MonitorInput input);
    void showScene(const MonitorScene& scene);
    void showNightMode(bool on);
    void showAdaptive(bool on);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void present(const QString& symbol, const QString& text, std::optional<double> level,
                 std::optional<QColor> tint = std::nullopt);
    void placeOnScreen();

    QString m_monitorName;
    QString m_symbol;
    QString m_text;
    std::optional<double> m_level;
    std::optional<QColor> m_tint;
    QTimer m_hide;
};
