#pragma once

#include <QString>

#include <memory>
#include <optional>

// Starting the program when the user logs in: the platform's own mechanism (an XDG autostart
// entry on Linux desktops, the login item service on macOS).
class LoginItemService {
public:
    virtual ~LoginItemService() = default;
    /// Whether the program starts at login, as the platform sees it now.
    virtual bool isEnabled() const = 0;
    /// Makes it start at login; the platform's reason when that failed.
    virtual std::optional<QString> enable() = 0;
    /// Stops it starting at login; the platform's reason when that failed.
    virtual std::optional<QString> disable() = 0;
};

/// The running platform's service, for this program.
std::unique_ptr<LoginItemService> makeSystemLoginItemService();
