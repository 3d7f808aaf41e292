#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The platform symbols the design names ("sun.max.fill", "moon.stars.fill", ...) and scenes
// store, drawn from monochrome images built into the program, so that no control is ever
// blank on a desktop without an icon theme.
namespace SymbolIcons {
/// The symbol, `logicalSize` device-independent pixels square, in `color`, sharp at
/// `devicePixelRatio`. An unknown name (a scene saved by a newer version) gives a neutral
/// fallback, never an empty pixmap.
QPixmap pixmap(const QString& symbol, int logicalSize, const QColor& color, qreal devicePixelRatio = 1.0);
/// For menus, pickers and buttons: tinted with the palette's text colours, so it reads in
/// light and dark palettes and greys out with a disabled control.
QIcon icon(const QString& symbol, const QPalette& palette = QPalette());
/// Whether the program has an image of its own for this symbol.
bool isKnown(const QString& symbol);
/// Every symbol the program has an image for.
QStringList knownSymbols();
/// The symbol's name as pickers show it: every ".fill" removed, dots become spaces, each word
/// capitalised ("moon.stars.fill" reads "Moon Stars", "slider.horizontal.3" "Slider Horizontal 3").
QString displayName(const QString& symbol);
} // namespace SymbolIcons
