#include "system/BuiltInBrightnessReader.h"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#include <IOKit/graphics/IOGraphicsLib.h>
#include <IOKit/IOKitLib.h>

#include <dlfcn.h>

#include <cstdint>
#include <limits>

namespace {

// A key as the CFString the registry wants, for the length of one call.
class CFKey {
public:
    explicit CFKey(const char* key)
        : m_string(CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8)) {}
    ~CFKey() {
        if (m_string)
            CFRelease(m_string);
    }
    CFKey(const CFKey&) = delete;
    CFKey& operator=(const CFKey&) = delete;
    operator CFStringRef() const { return m_string; }

private:
    CFStringRef m_string;
};

bool isNumber(BuiltInBrightnessPlatform::Value value) {
    return value && CFGetTypeID(value) == CFNumberGetTypeID();
}

// Each call is the platform's own, one for one; what to make of the answers is the reader's.
class MacBrightnessPlatform final : public BuiltInBrightnessPlatform {
public:
    Status activeDisplayList(std::uint32_t capacity, DisplayId* displays, std::uint32_t* count) override {
        return CGGetActiveDisplayList(capacity, displays, count);
    }
    bool isBuiltIn(DisplayId display) override { return CGDisplayIsBuiltin(display) != 0; }
    std::uint32_t vendorNumber(DisplayId display) override { return CGDisplayVendorNumber(display); }
    std::uint32_t modelNumber(DisplayId display) override { return CGDisplayModelNumber(display); }
    std::uint32_t serialNumber(DisplayId display) override { return CGDisplaySerialNumber(display); }

    Library openLibrary(const char* path) override { return dlopen(path, RTLD_LAZY); }
    Symbol findSymbol(Library library, const char* name) override { return dlsym(library, name); }
    void closeLibrary(Library library) override { dlclose(library); }
    Status callGetBrightness(Symbol function, DisplayId display, float* brightness) override {
        using GetBrightness = std::int32_t (*)(std::uint32_t, float*);
        return reinterpret_cast<GetBrightness>(function)(display, brightness);
    }

    // IOServiceMatching's dictionary is consumed by the lookup that takes it.
    RegistryObject firstMatchingService(const char* className) override {
        return IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching(className));
    }
    RegistryObject matchingServices(const char* className) override {
        io_iterator_t services = 0;
        if (IOServiceGetMatchingServices(kIOMainPortDefault, IOServiceMatching(className), &services) !=
            KERN_SUCCESS)
            return 0;
        return services;
    }
    RegistryObject nextService(RegistryObject iterator) override { return IOIteratorNext(iterator); }
    void releaseObject(RegistryObject object) override { IOObjectRelease(object); }

    Value copyProperty(RegistryObject service, const char* key) override {
        return IORegistryEntryCreateCFProperty(service, CFKey(key), kCFAllocatorDefault, 0);
    }
    Value createDisplayInfo(RegistryObject service, std::uint32_t options) override {
        return IODisplayCreateInfoDictionary(service, options);
    }
    void releaseValue(Value value) override { CFRelease(value); }
    bool isDictionary(Value value) override { return value && CFGetTypeID(value) == CFDictionaryGetTypeID(); }
    Value dictionaryEntry(Value dictionary, const char* key) override {
        return CFDictionaryGetValue(static_cast<CFDictionaryRef>(dictionary), CFKey(key));
    }
    std::optional<double> doubleValue(Value value) override {
        if (!isNumber(value))
            return std::nullopt;
        double number = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &number);
        return number;
    }
    std::optional<std::uint32_t> unsignedValue(Value value) override {
        if (!isNumber(value))
            return std::nullopt;
        // Wider than asked for, so a number outside 32 bits is refused rather than cut.
        std::int64_t number = 0;
        if (!CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt64Type, &number) || number < 0 ||
            number > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        return static_cast<std::uint32_t>(number);
    }
    Status floatParameter(RegistryObject service, std::uint32_t options, const char* key,
                          float* value) override {
        return IODisplayGetFloatParameter(service, options, CFKey(key), value);
    }
};

class SystemBuiltInDisplayBrightnessReader : public BuiltInDisplayBrightnessReadingSource {
public:
    BuiltInDisplayBrightnessReading readBrightness() override { return m_reader.readBrightness(); }

private:
    MacBrightnessPlatform m_platform;
    BuiltInBrightnessReader m_reader{m_platform};
};

} // namespace

std::unique_ptr<BuiltInDisplayBrightnessReadingSource> makeSystemBuiltInDisplayBrightnessReader() {
    return std::make_unique<SystemBuiltInDisplayBrightnessReader>();
}
