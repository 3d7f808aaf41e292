#pragma once

#include <QString>

#include <cstdint>
#include <variant>

// The laptop panel's brightness as a fraction, or why it could not be read.
struct BuiltInDisplayBrightnessReading {
    enum class UnavailableReason {
        noBuiltInDisplay, // no built-in panel (or no backlight device for it)
        noDisplayService, // a panel exists but nothing reports its brightness
        ioError,          // the brightness query failed; `code` says how
    };
    struct Available {
        double fraction; // 0 = darkest, 1 = brightest
        bool operator==(const Available&) const = default;
    };
    struct Unavailable {
        UnavailableReason reason;
        std::int32_t code = 0;
        bool operator==(const Unavailable&) const = default;
    };

    static BuiltInDisplayBrightnessReading available(double fraction) { return {Available{fraction}}; }
    static BuiltInDisplayBrightnessReading unavailable(UnavailableReason reason, std::int32_t code = 0) {
        return {Unavailable{reason, code}};
    }

    bool isAvailable() const { return std::holds_alternative<Available>(state); }
    double fraction() const { return std::get<Available>(state).fraction; }
    const Unavailable& unavailableReason() const { return std::get<Unavailable>(state); }
    bool operator==(const BuiltInDisplayBrightnessReading&) const = default;

    std::variant<Available, Unavailable> state;
};

/// Where the controller gets the built-in panel's brightness from, once per adaptive sample.
class BuiltInDisplayBrightnessReadingSource {
public:
    virtual ~BuiltInDisplayBrightnessReadingSource() = default;
    /// Synchronous and cheap: called on the main thread about once a second.
    virtual BuiltInDisplayBrightnessReading readBrightness() = 0;
};

#include <memory>

/// The platform's reader of the built-in panel.
std::unique_ptr<BuiltInDisplayBrightnessReadingSource> makeSystemBuiltInDisplayBrightnessReader();
