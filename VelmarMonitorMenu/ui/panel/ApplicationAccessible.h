#pragma once

#include <QAccessibleObject>

/// The application as assistive technology walks it: Qt's own top-level windows, then the tray
/// panel while it is open. Qt leaves popup windows out of the application's children, so a
/// screen reader would meet the panel's controls only by following the focus, and its review
/// mode could not find them at all.
class ApplicationAccessible : public QAccessibleApplication {
public:
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
};
