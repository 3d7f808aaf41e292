#include "FadingVisibility.h"

#include "ControlLook.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QWidget>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Long enough to be seen as a fade, short enough that a message is never waited for.
constexpr auto fadeDuration = 200ms;

// The fade of one widget: an opacity effect that is on only while it fades (at rest the widget
// draws straight to the window, as any other), and the animation of it.
class Fade final : public QObject {
    Q_OBJECT

public:
    explicit Fade(QWidget& widget)
        : QObject(&widget), m_widget(widget), m_effect(new QGraphicsOpacityEffect(&widget)),
          m_animation(new QPropertyAnimation(m_effect, "opacity", this)), m_visible(!widget.isHidden()) {
        m_effect->setEnabled(false);
        widget.setGraphicsEffect(m_effect); // the widget owns it from here on
        m_animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(m_animation, &QPropertyAnimation::finished, this, &Fade::settle);
    }

    void setVisible(bool visible) {
        if (visible == m_visible)
            return;
        m_visible = visible;
        const double from = m_widget.isHidden() ? 0.0 : currentOpacity();
        m_animation->stop();
        const auto duration = ControlLook::animationDuration(&m_widget, fadeDuration);
        if (duration == 0ms || !m_widget.window()->isVisible()) {
            settle();
            return;
        }
        if (visible)
            m_widget.show(); // takes its room now, and fades in over it
        m_effect->setOpacity(from);
        m_effect->setEnabled(true);
        m_animation->setDuration(int(duration.count()));
        m_animation->setStartValue(from);
        m_animation->setEndValue(visible ? 1.0 : 0.0);
        m_animation->start();
    }

private:
    double currentOpacity() const { return m_effect->isEnabled() ? m_effect->opacity() : 1.0; }

    void settle() {
        m_effect->setEnabled(false);
        m_effect->setOpacity(1.0);
        m_widget.setVisible(m_visible);
    }

    QWidget& m_widget;
    QGraphicsOpacityEffect* m_effect;
    QPropertyAnimation* m_animation;
    bool m_visible; // where the widget is going
};

} // namespace

namespace FadingVisibility {

void setVisible(QWidget& widget, bool visible) {
    auto* fade = widget.findChild<Fade*>(QString(), Qt::FindDirectChildrenOnly);
    if (!fade)
        fade = new Fade(widget);
    fade->setVisible(visible);
}

} // namespace FadingVisibility

#include "FadingVisibility.moc"
