#pragma once

#include "scenes/SceneTesting.h"
#include "system/LoginItemService.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QObject>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

// What the interface tests share: a base that fails every test on a symbol without an image,
// finding widgets the way a screen reader names them, a login item the test controls, and
// scenes to show.
namespace UiTesting {

// The symbol images warn, in a category off unless enabled, when a name has no image of its
// own: a name the interface uses must have one. Derive every interface test from this (and
// leave init() to it).
class Test : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QLoggingCategory::setFilterRules(QStringLiteral("velmar.symbols.warning=true"));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^no image for symbol")));
    }
};

// A login item whose state the test sets, and that fails when told to.
class FakeLoginItem : public LoginItemService {
public:
    bool enabled = false;
    std::optional<QString> failure;
    bool isEnabled() const override { return enabled; }
    std::optional<QString> enable() override { return change(true); }
    std::optional<QString> disable() override { return change(false); }

private:
    std::optional<QString> change(bool on) {
        if (!failure)
            enabled = on;
        return failure;
    }
};

/// A scene of the user's own, under a symbol the program has an image for (makeScene's has none,
/// as a scene saved by a newer version might).
inline MonitorScene userScene(const QString& name) {
    MonitorScene scene = makeScene(name);
    scene.symbol = QStringLiteral("moon.stars.fill");
    return scene;
}

/// The user's "Evening" scene, setting every value a scene can set (none when `full` is false), so
/// each can be seen surviving or being dropped.
inline MonitorScene eveningScene(bool full = true) {
    MonitorScene scene = userScene(QStringLiteral("Evening"));
    scene.id = QUuid(QStringLiteral("{0E4C3B2A-7D61-4F0E-9C5B-2B7A1E6D4F33}"));
    if (full) {
        scene.brightness = 35;
        scene.contrast = 75;
        scene.volume = 12;
        scene.rgb = MonitorScene::RGB{50, 47, 43};
        scene.input = MonitorInput::hdmi2;
    }
    return scene;
}

/// Shows `window` and makes it the active window, so that keys reach it.
inline bool showActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

/// Gives `widget` the focus and presses `key` on it, as the user does on a control moved to.
inline void pressOn(QWidget* widget, Qt::Key key) {
    widget->setFocus();
    QTest::keyClick(widget, key);
}

inline QString accessibleText(QWidget* widget, QAccessible::Text text = QAccessible::Value) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QStringLiteral("(no accessible interface)");
}

/// The first `T` under `root` named `name`, or else called so by a screen reader (a button or
/// a label without a name is called by its text).
template <class T> T* byAccessibleName(const QWidget* root, const QString& name) {
    for (T* child : root->findChildren<T*>()) {
        if (child->accessibleName() == name ||
            (child->accessibleName().isEmpty() && accessibleText(child, QAccessible::Name) == name))
            return child;
    }
    return nullptr;
}

/// The label under `root` showing `text`, when it is (or would be, once shown) visible.
inline QLabel* shownLabel(const QWidget* root, const QString& text) {
    for (auto* label : root->findChildren<QLabel*>()) {
        if (label->text() == text && label->isVisibleTo(root->window()))
            return label;
    }
    return nullptr;
}

inline QStringList entries(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// Counts how often `menu` opened; each time it is closed again from inside its own event loop,
// once it is on screen.
class MenuWatch {
public:
    explicit MenuWatch(QMenu* menu) {
        QObject::connect(menu, &QMenu::aboutToShow, &m_receiver, [this, menu] {
            QMetaObject::invokeMethod(
                menu,
                [this, menu] {
                    shown += menu->isVisible() ? 1 : 0;
                    menu->close();
                },
                Qt::QueuedConnection);
        });
    }
    int shown = 0;

private:
    QObject m_receiver; // the watch stops with it, and cannot be copied
};

} // namespace UiTesting
