#include "KeyRecorder.h"

#include "ButtonAccessible.h"
#include "ui/Accessibility.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QKeyEvent>

namespace {

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

KeyRecorder::KeyRecorder(QWidget* parent) : QPushButton(parent) {
    Accessibility::install();
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] {
        if (m_recording)
            stopRecording();
        else
            startRecording();
    });
    showKeys();
}

void KeyRecorder::setKeys(const QKeySequence& keys) {
    m_keys = keys.isEmpty() ? QKeySequence() : QKeySequence(keys[0]);
    showKeys();
}

bool KeyRecorder::isShortcut(const QKeyCombination& keys) {
    const int key = keys.key();
    if (key == 0 || key == Qt::Key_unknown || isModifierKey(key))
        return false;
    const auto modifiers = keys.keyboardModifiers() & ~Qt::KeypadModifier;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    // Alone (or with Shift): only keys that type nothing, so that a shortcut never eats a letter.
    const bool function = key >= Qt::Key_F1 && key <= Qt::Key_F35;
    const bool special = key >= Qt::Key_Back && key < Qt::Key_unknown;
    return function || special;
}

void KeyRecorder::startRecording() {
    m_recording = true;
    setFocus(Qt::OtherFocusReason);
    // On X11 every key comes here while recording, those grabbed on the root window for the
    // program's shortcuts too; other platforms give the focused window its keys anyway.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        grabKeyboard();
    showKeys();
    emit recordingChanged(true);
}

void KeyRecorder::stopRecording() {
    if (!m_recording)
        return;
    m_recording = false;
    if (QWidget::keyboardGrabber() == this)
        releaseKeyboard();
    showKeys();
    emit recordingChanged(false);
}

void KeyRecorder::showKeys() {
    QString text;
    if (m_recording)
        text = tr("Type a shortcut…");
    else
        text = m_keys.isEmpty() ? tr("None") : m_keys.toString(QKeySequence::NativeText);
    setText(text);
    ButtonAccessible::setValueText(*this, m_recording ? QString() : text);
}

bool KeyRecorder::event(QEvent* event) {
    // Tab and Backtab would move the focus away rather than reach keyPressEvent.
    if (m_recording && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (m_recording && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void KeyRecorder::keyPressEvent(QKeyEvent* event) {
    if (!m_recording) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && event->key() == Qt::Key_Escape) {
        stopRecording();
        return;
    }
    if (modifiers == Qt::NoModifier && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        stopRecording();
        m_keys = QKeySequence();
        showKeys();
        emit recorded(m_keys);
        return;
    }
    const QKeyCombination typed(modifiers, Qt::Key(event->key()));
    if (!isShortcut(typed))
        return; // a modifier on its way to a combination, or a key that types: keep listening
    stopRecording();
    m_keys = QKeySequence(typed);
    showKeys();
    emit recorded(m_keys);
}

void KeyRecorder::focusOutEvent(QFocusEvent* event) {
    stopRecording();
    QPushButton::focusOutEvent(event);
}
