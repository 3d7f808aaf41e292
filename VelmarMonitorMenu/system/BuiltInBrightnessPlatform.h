#pragma once

#include <cstdint>
#include <optional>

/// The macOS calls the built-in panel's brightness is read through, each one a thin wrapper of
/// the platform's own: CoreGraphics' active display list, the private DisplayServices framework
/// opened at run time, and the I/O registry. BuiltInBrightnessReader decides everything above
/// them, so that logic is plain C++ that a fake of this interface can drive.
///
/// Ownership follows the platform's: every library, registry object and value handed out by a
/// "open", "copy", "create", "first" or "next" call belongs to the caller and goes back through
/// the matching close or release call; entries found inside a value are borrowed from it.
class BuiltInBrightnessPlatform {
public:
    using DisplayId = std::uint32_t;      // CGDirectDisplayID
    using Status = std::int32_t;          // CGError, IOReturn or DisplayServices' status; 0 = success
    using RegistryObject = std::uint32_t; // io_object_t: a service or an iterator; 0 = none
    using Value = const void*;            // CFTypeRef; null = none
    using Library = void*;                // a dlopen handle; null = none
    using Symbol = void*;                 // an address found by dlsym; null = none

    virtual ~BuiltInBrightnessPlatform() = default;

    /// CGGetActiveDisplayList: with capacity 0 and no list it reports only the count.
    virtual Status activeDisplayList(std::uint32_t capacity, DisplayId* displays, std::uint32_t* count) = 0;
    /// CGDisplayIsBuiltin.
    virtual bool isBuiltIn(DisplayId display) = 0;
    /// CGDisplayVendorNumber, CGDisplayModelNumber, CGDisplaySerialNumber (0: the display has none).
    virtual std::uint32_t vendorNumber(DisplayId display) = 0;
    virtual std::uint32_t modelNumber(DisplayId display) = 0;
    virtual std::uint32_t serialNumber(DisplayId display) = 0;

    /// dlopen with lazy binding; null when the library is missing.
    virtual Library openLibrary(const char* path) = 0;
    /// dlsym; null when the library has no such symbol.
    virtual Symbol findSymbol(Library library, const char* name) = 0;
    /// dlclose.
    virtual void closeLibrary(Library library) = 0;
    /// Calls the DisplayServicesGetBrightness found at `function`.
    virtual Status callGetBrightness(Symbol function, DisplayId display, float* brightness) = 0;

    /// IOServiceGetMatchingService on the main port for a class name; 0 when none matches.
    virtual RegistryObject firstMatchingService(const char* className) = 0;
    /// IOServiceGetMatchingServices for a class name: an iterator, 0 when that failed.
    virtual RegistryObject matchingServices(const char* className) = 0;
    /// IOIteratorNext: the next service, 0 once the iterator is exhausted.
    virtual RegistryObject nextService(RegistryObject iterator) = 0;
    /// IOObjectRelease, for services and iterators alike.
    virtual void releaseObject(RegistryObject object) = 0;

    /// IORegistryEntryCreateCFProperty: the property's value, null when the service has none.
    virtual Value copyProperty(RegistryObject service, const char* key) = 0;
    /// IODisplayCreateInfoDictionary with these options; null when none can be made.
    virtual Value createDisplayInfo(RegistryObject service, std::uint32_t options) = 0;
    /// CFRelease.
    virtual void releaseValue(Value value) = 0;
    /// Whether the value is a CFDictionary.
    virtual bool isDictionary(Value value) = 0;
    /// The entry of a dictionary (borrowed); null when it has none under `key`.
    virtual Value dictionaryEntry(Value dictionary, const char* key) = 0;
    /// A CFNumber read as a double, or as a 32-bit unsigned number; nullopt for null or another type.
    virtual std::optional<double> doubleValue(Value value) = 0;
    virtual std::optional<std::uint32_t> unsignedValue(Value value) = 0;
    /// IODisplayGetFloatParameter.
    virtual Status floatParameter(RegistryObject service, std::uint32_t options, const char* key,
                                  float* value) = 0;
};
