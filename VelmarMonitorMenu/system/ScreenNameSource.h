#pragma once

#include <QStringList>

#include <memory>

// The names of the screens the platform reports, in its order. On Linux an external
// screen is called what the monitor calls itself (manufacturer and model from its EDID);
// the laptop's own panel is called "Built-in Display".
class ScreenNameSource {
public:
    virtual ~ScreenNameSource() = default;
    virtual QStringList screenNames() const = 0;
};

std::unique_ptr<ScreenNameSource> makeSystemScreenNameSource();
