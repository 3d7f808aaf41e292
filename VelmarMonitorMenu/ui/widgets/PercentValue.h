#pragma once

#include <QObject>
#include <QString>

class QKeyEvent;
class QWidget;

/// The value behind every 0...100 slider of ours (the panel's capsule, the Controls rows, the scene
/// editor's rows) and the rules by which the user edits it, written once:
/// - setValue() is the model's value: kept as given (a stored 80.4 stays 80.4), shown and
///   announced, and never reported back as an edit;
/// - the user's values are whole numbers within 0...100. A drag reports each value it passes
///   through as liveChanged() and ends with one committed() carrying the value as it then stands,
///   changed or not; any other edit (a key, a click that pages, a screen reader) is liveChanged()
///   then committed(), when it changes the value;
/// - a screen reader hears "N percent", or the stand-in text the owner gives while the value is
///   not the point ("Reading monitor", "Not changed by this scene").
/// It lives on the widget a screen reader meets as the slider, and is announced for it.
class PercentValue : public QObject {
    Q_OBJECT

public:
    /// `control` is the slider as assistive technology sees it; it owns this value, and a mouse
    /// wheel turned over it scrolls the page instead (WheelGuard).
    explicit PercentValue(QWidget* control);

    double value() const { return m_value; }
    /// The model's value, clamped to 0...100. Reported through valueChanged() only.
    void setValue(double value);
    /// The value as a readout or a tooltip shows it: rounded half away from zero.
    qint64 percent() const;

    /// What a screen reader hears as the value: the stand-in text if there is one, otherwise
    /// "N percent".
    QString valueText() const;
    QString standInText() const { return m_standInText; }
    /// Heard instead of the percentage while the value is not the point; empty for none.
    void setStandInText(const QString& text);
    /// The stand-in of a monitor's value that has not been read yet.
    static QString readingMonitorText();

    /// A pointer drag starts: values go out live until endDrag().
    void beginDrag();
    void dragTo(double value);
    /// The drag ends where it is: one commit.
    void endDrag();
    /// The drag stops without a release (the control was hidden or disabled): nothing is committed.
    void abandonDrag();
    bool isDragging() const { return m_dragging; }

    /// A complete edit: live, then commit, if it changes the value.
    void edit(double value);
    /// `steps` whole steps up (or down, when negative) from the value, as an arrow key moves it.
    void step(int steps);
    /// Applies a slider key (arrows step 1, Page Up/Down 10, Home and End go to the ends) and
    /// says whether it was one. A `mirrored` slider grows to the left, as the platform slider does
    /// in a right-to-left layout, so Left steps up there.
    bool applyKey(const QKeyEvent* event, bool mirrored);

signals:
    /// The value changed, pushed in or edited: redraw.
    void valueChanged(double value);
    void liveChanged(double value);
    void committed(double value);

private:
    bool store(double value);
    void announce();

    QWidget* m_control;
    double m_value = 0;
    bool m_dragging = false;
    QString m_standInText;
};
