#pragma once

#include <QString>

// How a screen is named for the user on Linux, from what Qt knows about it.
namespace ScreenNaming {

/// True when the connector (QScreen::name(): "eDP-1", "LVDS1", "DSI-1", ...) is one that
/// only a laptop's or tablet's own panel is wired to.
bool isBuiltInConnector(const QString& connector);

/// "Built-in Display" for the laptop's own panel; otherwise what the monitor calls itself,
/// from the manufacturer and model Qt read from its EDID. Empty when the monitor tells nothing
/// about itself.
QString screenName(const QString& connector, const QString& manufacturer, const QString& model);

} // namespace ScreenNaming
