#pragma once

#include <QKeyEvent>

// Qt's buttons answer Space alone. Our buttons take Return too (and the header picker its
// drop-down keys), handing such a key on as Space so that it presses, clicks or opens the menu
// exactly as Space would.
namespace KeyAsSpace {

inline bool isReturn(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

/// Hands `event` to `handle`, as a Space key when `asSpace`; the event is accepted as that was.
template <class Handle> void forward(QKeyEvent* event, bool asSpace, Handle handle) {
    if (!asSpace) {
        handle(event);
        return;
    }
    QKeyEvent space(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                    event->isAutoRepeat(), ushort(event->count()));
    handle(&space);
    event->setAccepted(space.isAccepted());
}

} // namespace KeyAsSpace
