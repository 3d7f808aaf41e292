#include "BuiltInBrightnessReader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Platform = BuiltInBrightnessPlatform;
using Reading = BuiltInDisplayBrightnessReading;
using Reason = BuiltInDisplayBrightnessReading::UnavailableReason;

constexpr auto displayServicesPath =
    "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices";
constexpr auto getBrightnessSymbol = "DisplayServicesGetBrightness";
constexpr auto backlightClass = "AppleARMBacklight";
constexpr auto displayParametersKey = "IODisplayParameters";
constexpr auto displayConnectClass = "IODisplayConnect";
constexpr std::uint32_t onlyPreferredName = 0x200; // kIODisplayOnlyPreferredName: no localized names needed
constexpr auto brightnessKey = "brightness";

double clampedFraction(double value) {
    if (value <= 0)
        return 0;
    if (value > 1)
        return 1;
    return value;
}

// What identifies a display among the display-connect services.
struct Identity {
    std::uint32_t vendor;
    std::uint32_t model;
    std::uint32_t serial; // 0: the display reports none
};

bool identifies(Platform& platform, Platform::Value info, const Identity& display) {
    const auto vendor = platform.unsignedValue(platform.dictionaryEntry(info, "DisplayVendorID"));
    const auto product = platform.unsignedValue(platform.dictionaryEntry(info, "DisplayProductID"));
    const auto serial = platform.unsignedValue(platform.dictionaryEntry(info, "DisplaySerialNumber"));
    // A missing serial on either side says nothing; only two serials that differ tell two
    // displays of the same model apart.
    const bool serialsDisagree = serial && display.serial != 0 && *serial != display.serial;
    return vendor == display.vendor && product == display.model && !serialsDisagree;
}

} // namespace

BuiltInDisplayBrightnessReading BuiltInBrightnessReader::readBrightness() {
    const auto display = builtInDisplay();
    if (!display)
        return Reading::unavailable(Reason::noBuiltInDisplay);
    if (const auto brightness = liveBrightness(*display))
        return Reading::available(*brightness);
    if (const auto brightness = appleSiliconBrightness())
        return Reading::available(*brightness);

    const Platform::RegistryObject service = displayService(*display);
    if (service == 0)
        return Reading::unavailable(Reason::noDisplayService);
    float brightness = 0;
    const Platform::Status status = m_platform.floatParameter(service, 0, brightnessKey, &brightness);
    m_platform.releaseObject(service);
    if (status != 0)
        return Reading::unavailable(Reason::ioError, status);
    // A parameter that is no number at all says nothing about the panel; a fraction of NaN
    // must never reach the monitor.
    if (!std::isfinite(brightness))
        return Reading::unavailable(Reason::noDisplayService);
    return Reading::available(clampedFraction(brightness));
}

std::optional<double> BuiltInBrightnessReader::normalizedBrightness(double value, double minimum,
                                                                    double maximum) {
    if (!std::isfinite(value) || !std::isfinite(minimum) || !std::isfinite(maximum))
        return std::nullopt;
    if (!(minimum < maximum))
        return std::nullopt;
    return clampedFraction((value - minimum) / (maximum - minimum));
}

std::optional<Platform::DisplayId> BuiltInBrightnessReader::builtInDisplay() {
    std::uint32_t count = 0;
    if (m_platform.activeDisplayList(0, nullptr, &count) != 0 || count == 0)
        return std::nullopt;
    std::vector<Platform::DisplayId> displays(count, 0);
    std::uint32_t listed = 0;
    if (m_platform.activeDisplayList(count, displays.data(), &listed) != 0)
        return std::nullopt;
    // A display may have gone between the two calls.
    displays.resize(std::min<std::size_t>(displays.size(), listed));
    const auto builtIn = std::find_if(displays.begin(), displays.end(),
                                      [this](Platform::DisplayId id) { return m_platform.isBuiltIn(id); });
    if (builtIn == displays.end())
        return std::nullopt;
    return *builtIn;
}

std::optional<double> BuiltInBrightnessReader::liveBrightness(Platform::DisplayId display) {
    // A private framework: opened afresh each time, and absent on some systems, which only
    // means this source has nothing to say.
    const Platform::Library library = m_platform.openLibrary(displayServicesPath);
    if (!library)
        return std::nullopt;
    std::optional<double> result;
    if (const Platform::Symbol getBrightness = m_platform.findSymbol(library, getBrightnessSymbol)) {
        float brightness = 0;
        if (m_platform.callGetBrightness(getBrightness, display, &brightness) == 0 &&
            std::isfinite(brightness))
            result = clampedFraction(brightness);
    }
    m_platform.closeLibrary(library);
    return result;
}

std::optional<double> BuiltInBrightnessReader::appleSiliconBrightness() {
    const Platform::RegistryObject backlight = m_platform.firstMatchingService(backlightClass);
    if (backlight == 0)
        return std::nullopt;
    const Platform::Value parameters = m_platform.copyProperty(backlight, displayParametersKey);
    m_platform.releaseObject(backlight);
    if (!parameters)
        return std::nullopt;
    const auto result = backlightParameters(parameters);
    m_platform.releaseValue(parameters);
    return result;
}

// "IODisplayParameters" = {"brightness" = {"min" = …, "max" = …, "value" = …}, …}
std::optional<double> BuiltInBrightnessReader::backlightParameters(Platform::Value parameters) {
    if (!m_platform.isDictionary(parameters))
        return std::nullopt;
    const Platform::Value brightness = m_platform.dictionaryEntry(parameters, brightnessKey);
    if (!brightness || !m_platform.isDictionary(brightness))
        return std::nullopt;
    const auto minimum = m_platform.doubleValue(m_platform.dictionaryEntry(brightness, "min"));
    const auto maximum = m_platform.doubleValue(m_platform.dictionaryEntry(brightness, "max"));
    const auto value = m_platform.doubleValue(m_platform.dictionaryEntry(brightness, "value"));
    if (!minimum || !maximum || !value)
        return std::nullopt;
    return normalizedBrightness(*value, *minimum, *maximum);
}

Platform::RegistryObject BuiltInBrightnessReader::displayService(Platform::DisplayId display) {
    const Platform::RegistryObject services = m_platform.matchingServices(displayConnectClass);
    if (services == 0)
        return 0;
    const Identity identity{m_platform.vendorNumber(display), m_platform.modelNumber(display),
                            m_platform.serialNumber(display)};
    while (const Platform::RegistryObject service = m_platform.nextService(services)) {
        // A service without an information dictionary cannot be told apart: skipped.
        const Platform::Value info = m_platform.createDisplayInfo(service, onlyPreferredName);
        const bool matches = info && m_platform.isDictionary(info) && identifies(m_platform, info, identity);
        if (info)
            m_platform.releaseValue(info);
        if (matches) {
            m_platform.releaseObject(services);
            return service; // the caller releases it
        }
        m_platform.releaseObject(service);
    }
    m_platform.releaseObject(services);
    return 0;
}
