#include "ApplicationAccessible.h"

#include "MonitorMenuView.h"

#include <QApplication>

namespace {

// The panels open as popups, in the order of the application's top-level widgets. On Wayland the
// panel is a tool window, which Qt lists itself.
QList<QWidget*> openPanels() {
    QList<QWidget*> panels;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<MonitorMenuView*>(widget) && widget->windowType() == Qt::Popup &&
            widget->isVisible())
            panels.append(widget);
    }
    return panels;
}

} // namespace

int ApplicationAccessible::childCount() const {
    return QAccessibleApplication::childCount() + int(openPanels().size());
}

QAccessibleInterface* ApplicationAccessible::child(int index) const {
    const int windows = QAccessibleApplication::childCount();
    if (index < windows)
        return QAccessibleApplication::child(index);
    const auto panels = openPanels();
    return index - windows < panels.size() ? QAccessible::queryAccessibleInterface(panels.at(index - windows))
                                           : nullptr;
}

int ApplicationAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const int index = QAccessibleApplication::indexOfChild(child);
    if (index >= 0 || !child)
        return index;
    const auto panels = openPanels();
    const auto panel = std::find(panels.begin(), panels.end(), child->object());
    return panel == panels.end() ? -1 : QAccessibleApplication::childCount() + int(panel - panels.begin());
}
