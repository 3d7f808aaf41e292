#pragma once

#include "system/LoginItemService.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QStyle>
#include <QTest>
#include <QWidget>

// Finding widgets the way a screen reader names them, and saving what the user sees.
namespace UiTesting {

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
        if (failure)
            return failure;
        enabled = on;
        return std::nullopt;
    }
};

template <class T> T* byAccessibleName(const QWidget* root, const QString& name) {
    for (T* child : root->findChildren<T*>()) {
        if (child->accessibleName() == name)
            return child;
    }
    return nullptr;
}

inline QPalette lightPalette() {
    return QApplication::style()->standardPalette();
}

inline QPalette darkPalette() {
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x20), text(0xee, 0xee, 0xf0);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3e));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x8b, 0xfd));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x77, 0x77, 0x7a));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x77, 0x77, 0x7a));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x77, 0x77, 0x7a));
    return p;
}

// The light and dark rows of a screenshot test.
inline void addPaletteRows() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

// The row's palette for as long as it lives, put back even when a check fails midway.
class RowPalette {
public:
    explicit RowPalette(bool dark) : m_dark(dark), m_original(QApplication::palette()) {
        QApplication::setPalette(dark ? darkPalette() : lightPalette());
    }
    ~RowPalette() { QApplication::setPalette(m_original); }
    RowPalette(const RowPalette&) = delete;
    RowPalette& operator=(const RowPalette&) = delete;
    /// "-light" or "-dark", for the screenshots' file names.
    QString suffix() const { return m_dark ? QStringLiteral("-dark") : QStringLiteral("-light"); }

private:
    bool m_dark;
    QPalette m_original;
};

/// Saves the widget as `name`.png in the build tree's screenshots folder.
inline bool saveScreenshot(QWidget* widget, const QString& name) {
    const QDir folder(QStringLiteral(VELMAR_SCREENSHOTS_DIR));
    if (!folder.mkpath(QStringLiteral(".")))
        return false;
    return widget->grab().save(folder.filePath(name + QStringLiteral(".png")));
}

} // namespace UiTesting
