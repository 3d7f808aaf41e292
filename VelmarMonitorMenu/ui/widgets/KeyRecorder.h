#pragma once

#include <QKeySequence>
#include <QPushButton>

// A button that shows a shortcut's keys and, once pressed, records the next key combination
// typed: Escape (alone) or leaving the button gives up, Backspace or Delete (alone) asks for no
// key. The keyboard is held while recording so that a key the program already holds for itself
// (or the desktop does) reaches it. Its accessible value is the keys, or "None".
class KeyRecorder : public QPushButton {
    Q_OBJECT
public:
    explicit KeyRecorder(QWidget* parent = nullptr);

    QKeySequence keys() const { return m_keys; }
    /// Shows `keys` (empty: none); does not emit recorded().
    void setKeys(const QKeySequence& keys);
    bool isRecording() const { return m_recording; }

    /// Whether a key combination is one a shortcut may take: a key with Ctrl, Alt or the Super
    /// key, or a function or media key alone; not a modifier alone, and not a key that types.
    static bool isShortcut(const QKeyCombination& keys);

signals:
    /// The user typed a shortcut (or cleared it: an empty sequence).
    void recorded(const QKeySequence& keys);
    void recordingChanged(bool recording);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void startRecording();
    void stopRecording();
    void showKeys();

    QKeySequence m_keys;
    bool m_recording = false;
};
