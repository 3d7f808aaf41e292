// The macOS built-in brightness reader, driven through a fake of the platform calls that models
// the displays, the DisplayServices framework and the I/O registry, and counts every handle it
// hands out and gets back.
#include "system/BuiltInBrightnessReader.h"

#include "support/BrightnessReadingTesting.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <variant>
#include <vector>

using Reading = BuiltInDisplayBrightnessReading;
using Reason = BuiltInDisplayBrightnessReading::UnavailableReason;

namespace {

// A CoreFoundation value: a number or a dictionary of them.
struct FakeValue {
    FakeValue(double number) : content(number) {}
    FakeValue(std::map<std::string, FakeValue> entries) : content(std::move(entries)) {}
    std::variant<double, std::map<std::string, FakeValue>> content;
};
using Dictionary = std::map<std::string, FakeValue>;

struct FakeDisplay {
    std::uint32_t id;
    bool builtIn;
    std::uint32_t vendor = 0x610;
    std::uint32_t model = 0xa050;
    std::uint32_t serial = 0;
};

// A display-connect service: its information dictionary (none when it cannot be made) and what
// its "brightness" float parameter answers.
struct FakeConnect {
    std::optional<FakeValue> info;
    std::int32_t status = 0;
    float brightness = 0;
};

// The information dictionary of one of the built-in panel's vendor's displays.
FakeValue identity(std::uint32_t product, std::optional<std::uint32_t> serial) {
    Dictionary info{{"DisplayVendorID", 0x610}, {"DisplayProductID", product}};
    if (serial)
        info.emplace("DisplaySerialNumber", *serial);
    return info;
}

constexpr std::uint32_t builtInId = 1;
constexpr std::uint32_t externalId = 2;

// Models the machine, and keeps count of every handle it hands out and gets back.
class FakePlatform : public BuiltInBrightnessPlatform {
public:
    // A MacBook lid open beside an external monitor; no source answers yet.
    std::vector<FakeDisplay> displays{{externalId, false, 0x10ac, 0x4321, 77},
                                      {builtInId, true, 0x610, 0xa050, 0}};
    bool listFails = false;
    bool hasDisplayServices = false;
    bool hasGetBrightness = true;
    Status getBrightnessStatus = 0;
    float liveBrightness = 0;
    std::optional<FakeValue> backlightParameters; // the backlight service exists when set
    bool connectIteratorFails = false;
    std::vector<FakeConnect> connects;

    bool registryAsked = false;
    bool libraryOpened = false;
    QStringList misuse; // handles released twice or never obtained, calls on the wrong thing
    int openLibraries = 0;
    std::set<RegistryObject> liveObjects;
    std::multiset<Value> ownedValues;

    Status activeDisplayList(std::uint32_t capacity, DisplayId* list, std::uint32_t* count) override {
        if (listFails)
            return 1001; // kCGErrorFailure
        *count = list ? std::min<std::uint32_t>(capacity, displays.size()) : displays.size();
        for (std::uint32_t i = 0; list && i < *count; ++i)
            list[i] = displays[i].id;
        return 0;
    }
    bool isBuiltIn(DisplayId id) override { return display(id).builtIn; }
    std::uint32_t vendorNumber(DisplayId id) override { return display(id).vendor; }
    std::uint32_t modelNumber(DisplayId id) override { return display(id).model; }
    std::uint32_t serialNumber(DisplayId id) override { return display(id).serial; }

    Library openLibrary(const char* path) override {
        libraryOpened = true;
        if (!hasDisplayServices ||
            qstrcmp(path, "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices"))
            return nullptr;
        ++openLibraries;
        return &m_library;
    }
    Symbol findSymbol(Library library, const char* name) override {
        check(library == &m_library && openLibraries > 0, "dlsym on a library not open");
        return hasGetBrightness && !qstrcmp(name, "DisplayServicesGetBrightness") ? &m_symbol : nullptr;
    }
    void closeLibrary(Library library) override {
        check(library == &m_library && openLibraries-- > 0, "dlclose of a library not open");
    }
    Status callGetBrightness(Symbol function, DisplayId id, float* brightness) override {
        check(function == &m_symbol && openLibraries > 0, "GetBrightness outside its open library");
        check(display(id).builtIn, "GetBrightness asked about another display");
        *brightness = liveBrightness;
        return getBrightnessStatus;
    }

    RegistryObject firstMatchingService(const char* className) override {
        registryAsked = true;
        return !qstrcmp(className, "AppleARMBacklight") && backlightParameters ? obtain(backlightService) : 0;
    }
    RegistryObject matchingServices(const char* className) override {
        registryAsked = true;
        m_nextConnect = 0;
        return !connectIteratorFails && !qstrcmp(className, "IODisplayConnect") ? obtain(connectIterator) : 0;
    }
    RegistryObject nextService(RegistryObject iterator) override {
        expectLive(iterator, "IOIteratorNext");
        return m_nextConnect < connects.size() ? obtain(firstConnectService + m_nextConnect++) : 0;
    }
    void releaseObject(RegistryObject object) override {
        check(liveObjects.erase(object), "IOObjectRelease of an object not held");
    }

    Value copyProperty(RegistryObject service, const char* key) override {
        expectLive(service, "IORegistryEntryCreateCFProperty");
        return service == backlightService && !qstrcmp(key, "IODisplayParameters") ? own(*backlightParameters)
                                                                                   : nullptr;
    }
    Value createDisplayInfo(RegistryObject service, std::uint32_t options) override {
        expectLive(service, "IODisplayCreateInfoDictionary");
        check(options == 0x200, "IODisplayCreateInfoDictionary without kIODisplayOnlyPreferredName");
        const auto& info = connect(service).info;
        return info ? own(*info) : nullptr;
    }
    void releaseValue(Value value) override {
        const auto owned = ownedValues.find(value);
        if (check(owned != ownedValues.end(), "CFRelease of a value not owned"))
            ownedValues.erase(owned);
    }
    bool isDictionary(Value value) override {
        return value && std::holds_alternative<Dictionary>(fake(value));
    }
    Value dictionaryEntry(Value value, const char* key) override {
        if (!check(isDictionary(value), "CFDictionaryGetValue on a value that is no dictionary"))
            return nullptr;
        const auto& entries = std::get<Dictionary>(fake(value));
        const auto entry = entries.find(key);
        return entry == entries.end() ? nullptr : &entry->second;
    }
    std::optional<double> doubleValue(Value value) override {
        const auto* number = value ? std::get_if<double>(&fake(value)) : nullptr;
        return number ? std::optional(*number) : std::nullopt;
    }
    std::optional<std::uint32_t> unsignedValue(Value value) override { return doubleValue(value); }
    Status floatParameter(RegistryObject service, std::uint32_t, const char* key, float* value) override {
        expectLive(service, "IODisplayGetFloatParameter");
        if (qstrcmp(key, "brightness"))
            return -536870206; // kIOReturnBadArgument
        *value = connect(service).brightness;
        return connect(service).status;
    }

private:
    static constexpr RegistryObject backlightService = 100;
    static constexpr RegistryObject connectIterator = 200;
    static constexpr RegistryObject firstConnectService = 300;

    bool check(bool condition, const char* misused) {
        if (!condition)
            misuse << QString::fromLatin1(misused);
        return condition;
    }
    FakeDisplay& display(DisplayId id) {
        const auto found = std::ranges::find(displays, id, &FakeDisplay::id);
        if (check(found != displays.end(), "asked about a display that is not listed"))
            return *found;
        static FakeDisplay unknown{0, false};
        return unknown;
    }
    FakeConnect& connect(RegistryObject service) { return connects.at(service - firstConnectService); }
    RegistryObject obtain(RegistryObject object) {
        check(liveObjects.insert(object).second, "a registry object handed out twice");
        return object;
    }
    void expectLive(RegistryObject object, const char* call) {
        if (!liveObjects.contains(object))
            misuse << QString::fromLatin1(call) + QStringLiteral(" on an object not held");
    }
    Value own(const FakeValue& value) { return *ownedValues.insert(&value); }
    const decltype(FakeValue::content)& fake(Value value) {
        return static_cast<const FakeValue*>(value)->content;
    }

    int m_library = 0;
    int m_symbol = 0;
    std::size_t m_nextConnect = 0;
};

using Setup = std::function<void(FakePlatform&)>;

void backlight(FakePlatform& p, double minimum, double maximum, double value) {
    p.backlightParameters =
        Dictionary{{"brightness", Dictionary{{"min", minimum}, {"max", maximum}, {"value", value}}}};
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestBuiltInBrightnessReader : public QObject {
    Q_OBJECT

private slots:
    void readsTheFirstSourceThatAnswers_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Reading>("expected");
        QTest::addColumn<bool>("registryAsked");

        const auto noDisplay = Reading::unavailable(Reason::noBuiltInDisplay);
        QTest::newRow("only external displays") << Setup([](FakePlatform& p) {
            p.displays = {{externalId, false}};
            p.hasDisplayServices = true;
        }) << noDisplay << false;
        // clang-format off
        QTest::newRow("display list fails") << Setup([](FakePlatform& p) { p.listFails = true; }) << noDisplay << false;
        // clang-format on

        // The first source: DisplayServices.
        const auto live = [](float brightness) {
            return Setup([brightness](FakePlatform& p) {
                p.hasDisplayServices = true;
                p.liveBrightness = brightness;
                backlight(p, 0, 100, 90); // never reached
            });
        };
        QTest::newRow("DisplayServices answers") << live(0.37f) << Reading::available(double(0.37f)) << false;
        QTest::newRow("DisplayServices above 1") << live(1.2f) << Reading::available(1) << false;
        QTest::newRow("DisplayServices below 0") << live(-0.1f) << Reading::available(0) << false;

        // The second source: the backlight's display parameters.
        // clang-format off
        QTest::newRow("no DisplayServices, backlight 512 of 0…1024") << Setup([](FakePlatform& p) { backlight(p, 0, 1024, 512); }) << Reading::available(0.5) << true;
        // clang-format on
        QTest::newRow("DisplayServices without its function") << Setup([](FakePlatform& p) {
            p.hasDisplayServices = true;
            p.hasGetBrightness = false;
            backlight(p, 0, 1024, 256);
        }) << Reading::available(0.25) << true;
        QTest::newRow("DisplayServices fails") << Setup([](FakePlatform& p) {
            p.hasDisplayServices = true;
            p.getBrightnessStatus = 7;
            backlight(p, 0, 1024, 768);
        }) << Reading::available(0.75) << true;
        QTest::newRow("DisplayServices answers NaN") << Setup([](FakePlatform& p) {
            p.hasDisplayServices = true;
            p.liveBrightness = std::nanf("");
            backlight(p, 100, 200, 250);
        }) << Reading::available(1) << true;

        // The third source: the display-connect service of the built-in display.
        const auto connectOnly = [](std::vector<FakeConnect> connects, std::uint32_t displaySerial = 0) {
            return Setup([connects, displaySerial](FakePlatform& p) {
                p.displays[1].serial = displaySerial;
                p.connects = connects;
            });
        };
        QTest::newRow("backlight with min equal to max falls through") << Setup([](FakePlatform& p) {
            backlight(p, 512, 512, 512);
            p.connects = {{identity(0xa050, 42), 0, 0.6f}};
        }) << Reading::available(double(0.6f)) << true;
        QTest::newRow("backlight parameters without numbers fall through") << Setup([](FakePlatform& p) {
            p.backlightParameters = Dictionary{{"brightness", Dictionary{{"min", 0.0}}}};
            p.connects = {{identity(0xa050, std::nullopt), 0, 0.6f}};
        }) << Reading::available(double(0.6f)) << true;
        QTest::newRow("serial mismatch skipped, next service matches")
            << connectOnly({{identity(0xa050, 41), 0, 0.1f},
                            {std::nullopt},
                            {identity(0xa051, 42), 0, 0.2f},
                            {identity(0xa050, 42), 0, 0.3f}},
                           42)
            << Reading::available(double(0.3f)) << true;
        const std::int32_t unsupported = std::int32_t(0xe00002c7u); // kIOReturnUnsupported
        // clang-format off
        QTest::newRow("a differing serial matches when the display reports none") << connectOnly({{identity(0xa050, 41), 0, 1.5f}}, 0) << Reading::available(1) << true;
        QTest::newRow("only a mismatching serial") << connectOnly({{identity(0xa050, 41), 0, 0.1f}}, 42) << Reading::unavailable(Reason::noDisplayService) << true;
        QTest::newRow("no display-connect service") << Setup([](FakePlatform& p) { p.connectIteratorFails = true; }) << Reading::unavailable(Reason::noDisplayService) << true;
        QTest::newRow("float parameter fails") << connectOnly({{identity(0xa050, std::nullopt), unsupported, 0.5f}}) << Reading::unavailable(Reason::ioError, unsupported) << true;
        QTest::newRow("float parameter is NaN") << connectOnly({{identity(0xa050, std::nullopt), 0, std::nanf("")}}) << Reading::unavailable(Reason::noDisplayService) << true;
        // clang-format on
    }

    void readsTheFirstSourceThatAnswers() {
        QFETCH(Setup, setup);
        QFETCH(Reading, expected);

        FakePlatform platform;
        setup(platform);
        BuiltInBrightnessReader reader(platform);
        // Twice: nothing is kept from one reading to the next.
        for (int reading = 0; reading < 2; ++reading) {
            QCOMPARE(reader.readBrightness(), expected);
            // Without a built-in display no source is asked at all.
            QCOMPARE(platform.libraryOpened, expected != Reading::unavailable(Reason::noBuiltInDisplay));
            QTEST(platform.registryAsked, "registryAsked");
            QCOMPARE(platform.misuse, QStringList());
            QCOMPARE(platform.openLibraries, 0);
            QCOMPARE(platform.liveObjects.size(), std::size_t(0));
            QCOMPARE(platform.ownedValues.size(), std::size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestBuiltInBrightnessReader)
#include "tst_builtinbrightnessreader.moc"
