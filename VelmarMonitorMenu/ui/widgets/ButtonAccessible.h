#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

/// One of our own buttons as assistive technology meets it. Every action it offers does what a
/// click does (Qt's own toggle action only flips the check mark, and its menu action does nothing
/// for a button whose menu opens at once). A button with a menu is a menu button, a checkable one
/// says whether it is checked, and its value is the text its owner gives with setValueText().
class ButtonAccessible : public QAccessibleWidget {
public:
    /// `role` is the button's role when it has no menu; a checkable plain button is a check box.
    ButtonAccessible(QAbstractButton* button, QAccessible::Role role);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

    /// What a screen reader announces as `button`'s value ("On", "HDMI 1"); empty for none.
    static void setValueText(QAbstractButton& button, const QString& text);
    static QString valueText(const QAbstractButton& button);

private:
    QAbstractButton* button() const;
    bool hasMenu() const;

    QAccessible::Role m_role;
};
