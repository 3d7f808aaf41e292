#pragma once

#include <QList>
#include <QString>

#include <memory>

// One screen as the platform reports it. On Linux an external screen is called what the
// monitor calls itself (manufacturer and model from its EDID); the laptop's own panel is
// called "Built-in Display" in the user's language, so whether a screen is the built-in one
// is said here rather than read from its name.
struct ScreenDescription {
    QString name;
    bool isBuiltIn = false;

    bool operator==(const ScreenDescription&) const = default;
};

// The screens the platform reports, in its order.
class ScreenNameSource {
public:
    virtual ~ScreenNameSource() = default;
    virtual QList<ScreenDescription> screens() const = 0;
};

std::unique_ptr<ScreenNameSource> makeSystemScreenNameSource();
