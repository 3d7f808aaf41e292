#pragma once

// What the desktop session allows the program's windows: asked here, once, rather than by each
// view that depends on it.
namespace DesktopSession {

/// A Wayland session: popups and tooltips are given only to windows with a parent surface, and the
/// compositor places every window itself.
bool isWayland();

/// Whether the desktop blends a window's transparent pixels with what lies beneath it. Without a
/// compositing manager (a bare X window manager) they show black, so a window with rounded corners
/// must cut its shape out instead.
bool blendsTranslucentWindows();

/// Whether the tray draws an icon from its shape alone, in its own colours (the macOS menu bar's
/// template images), so the icon is a mask rather than a picture.
bool trayTintsIcons();

/// Whether the tray opens an icon's menu on any click (the macOS menu bar), so an icon with a
/// menu could never open the panel.
bool trayMenuTakesEveryClick();

} // namespace DesktopSession
