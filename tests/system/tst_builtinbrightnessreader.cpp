// The macOS built-in brightness reader, driven through a fake of the platform calls that models
// the displays, the DisplayServices framework and the I/O registry, and counts every handle it
// hands out and gets back.
#include "system/BuiltInBrightnessReader.h"

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
    std::variant<double, std::map<std::string, FakeValue>> content;
};

FakeValue number(double value) {
    return {value};
}

FakeValue dictionary(std::map<std::string, FakeValue> entries) {
    return {std::move(entries)};
}

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

FakeValue identity(std::uint32_t vendor, std::uint32_t product, std::optional<std::uint32_t> serial) {
    std::map<std::string, FakeValue> info{{"DisplayVendorID", number(vendor)},
                                          {"DisplayProductID", number(product)}};
    if (serial)
        info.emplace("DisplaySerialNumber", number(*serial));
    return dictionary(std::move(info));
}

class FakePlatform : public BuiltInBrightnessPlatform {
public:
    // The machine.
    std::vector<FakeDisplay> displays;
    bool listFails = false;
    bool hasDisplayServices = false;
    bool hasGetBrightness = true;
    std::int32_t getBrightnessStatus = 0;
    float liveBrightness = 0;
    std::optional<FakeValue> backlightParameters; // the backlight service exists when set
    bool connectIteratorFails = false;
    std::vector<FakeConnect> connects;

    // What the reader did.
    bool registryAsked = false;
    bool libraryOpened = false;
    std::vector<std::string> misuse; // handles released twice or never obtained

    // Handles obtained and not given back yet.
    int openLibraries = 0;
    std::set<RegistryObject> liveObjects;
    std::multiset<Value> ownedValues;

    Status activeDisplayList(std::uint32_t capacity, DisplayId* list, std::uint32_t* count) override {
        if (listFails)
            return 1001; // kCGErrorFailure
        if (capacity == 0 && !list) {
            *count = std::uint32_t(displays.size());
            return 0;
        }
        *count = std::min<std::uint32_t>(capacity, std::uint32_t(displays.size()));
        for (std::uint32_t i = 0; i < *count; ++i)
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
            std::string(path) !=
                "/System/Library/PrivateFrameworks/DisplayServices.framework/DisplayServices")
            return nullptr;
        ++openLibraries;
        return &m_library;
    }
    Symbol findSymbol(Library library, const char* name) override {
        if (library != &m_library)
            misuse.push_back("dlsym on a library not open");
        return hasGetBrightness && std::string(name) == "DisplayServicesGetBrightness" ? &m_symbol : nullptr;
    }
    void closeLibrary(Library library) override {
        if (library != &m_library || openLibraries == 0)
            misuse.push_back("dlclose of a library not open");
        --openLibraries;
    }
    Status callGetBrightness(Symbol function, DisplayId id, float* brightness) override {
        if (function != &m_symbol || openLibraries == 0)
            misuse.push_back("DisplayServicesGetBrightness called outside its open library");
        if (!display(id).builtIn)
            misuse.push_back("DisplayServicesGetBrightness asked about another display");
        if (getBrightnessStatus != 0)
            return getBrightnessStatus;
        *brightness = liveBrightness;
        return 0;
    }

    RegistryObject firstMatchingService(const char* className) override {
        registryAsked = true;
        if (std::string(className) != "AppleARMBacklight" || !backlightParameters)
            return 0;
        return obtain(backlightService);
    }
    RegistryObject matchingServices(const char* className) override {
        registryAsked = true;
        if (connectIteratorFails || std::string(className) != "IODisplayConnect")
            return 0;
        m_nextConnect = 0;
        return obtain(connectIterator);
    }
    RegistryObject nextService(RegistryObject iterator) override {
        expectLive(iterator, "IOIteratorNext");
        if (m_nextConnect >= connects.size())
            return 0;
        return obtain(firstConnectService + RegistryObject(m_nextConnect++));
    }
    void releaseObject(RegistryObject object) override {
        if (!liveObjects.erase(object))
            misuse.push_back("IOObjectRelease of object " + std::to_string(object) + " not held");
    }

    Value copyProperty(RegistryObject service, const char* key) override {
        expectLive(service, "IORegistryEntryCreateCFProperty");
        if (service != backlightService || std::string(key) != "IODisplayParameters")
            return nullptr;
        return own(&*backlightParameters);
    }
    Value createDisplayInfo(RegistryObject service, std::uint32_t options) override {
        expectLive(service, "IODisplayCreateInfoDictionary");
        if (options != 0x200)
            misuse.push_back("IODisplayCreateInfoDictionary without kIODisplayOnlyPreferredName");
        auto& info = connect(service).info;
        return info ? own(&*info) : nullptr;
    }
    void releaseValue(Value value) override {
        const auto owned = ownedValues.find(value);
        if (owned == ownedValues.end())
            misuse.push_back("CFRelease of a value not owned");
        else
            ownedValues.erase(owned);
    }
    bool isDictionary(Value value) override { return holds<std::map<std::string, FakeValue>>(value); }
    Value dictionaryEntry(Value value, const char* key) override {
        if (!isDictionary(value)) {
            misuse.push_back(std::string("CFDictionaryGetValue on a value that is no dictionary, for ") +
                             key);
            return nullptr;
        }
        const auto& entries = std::get<std::map<std::string, FakeValue>>(fake(value).content);
        const auto entry = entries.find(key);
        return entry == entries.end() ? nullptr : &entry->second;
    }
    std::optional<double> doubleValue(Value value) override {
        if (!holds<double>(value))
            return std::nullopt;
        return std::get<double>(fake(value).content);
    }
    std::optional<std::uint32_t> unsignedValue(Value value) override {
        if (!holds<double>(value))
            return std::nullopt;
        return std::uint32_t(std::get<double>(fake(value).content));
    }
    Status floatParameter(RegistryObject service, std::uint32_t, const char* key, float* value) override {
        expectLive(service, "IODisplayGetFloatParameter");
        if (std::string(key) != "brightness")
            return -536870206; // kIOReturnBadArgument
        const auto& answer = connect(service);
        if (answer.status != 0)
            return answer.status;
        *value = answer.brightness;
        return 0;
    }

private:
    static constexpr RegistryObject backlightService = 100;
    static constexpr RegistryObject connectIterator = 200;
    static constexpr RegistryObject firstConnectService = 300;

    FakeDisplay& display(DisplayId id) {
        for (auto& d : displays)
            if (d.id == id)
                return d;
        misuse.push_back("asked about display " + std::to_string(id) + ", which is not listed");
        static FakeDisplay unknown{0, false};
        return unknown;
    }
    FakeConnect& connect(RegistryObject service) { return connects.at(service - firstConnectService); }
    RegistryObject obtain(RegistryObject object) {
        if (!liveObjects.insert(object).second)
            misuse.push_back("registry object " + std::to_string(object) + " handed out twice");
        return object;
    }
    void expectLive(RegistryObject object, const std::string& call) {
        if (!liveObjects.contains(object))
            misuse.push_back(call + " on an object not held");
    }
    Value own(const FakeValue* value) {
        ownedValues.insert(value);
        return value;
    }
    const FakeValue& fake(Value value) { return *static_cast<const FakeValue*>(value); }
    template <typename T> bool holds(Value value) {
        return value && std::holds_alternative<T>(fake(value).content);
    }

    int m_library = 0;
    int m_symbol = 0;
    std::size_t m_nextConnect = 0;
};

using Setup = std::function<void(FakePlatform&)>;

constexpr std::uint32_t builtInId = 1;
constexpr std::uint32_t externalId = 2;

// A MacBook lid open beside an external monitor; no source answers yet.
void laptopWithMonitor(FakePlatform& p) {
    p.displays = {{externalId, false, 0x10ac, 0x4321, 77}, {builtInId, true, 0x610, 0xa050, 0}};
}

void backlight(FakePlatform& p, double minimum, double maximum, double value) {
    p.backlightParameters = dictionary(
        {{"brightness",
          dictionary({{"min", number(minimum)}, {"max", number(maximum)}, {"value", number(value)}})}});
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Reading)

namespace QTest {
template <> char* toString(const Reading& reading) {
    if (reading.isAvailable())
        return qstrdup(
            QByteArray("available(" + QByteArray::number(reading.fraction(), 'g', 9) + ")").constData());
    const char* names[] = {"noBuiltInDisplay", "noDisplayService", "ioError"};
    const auto& why = reading.unavailableReason();
    return qstrdup(QByteArray("unavailable(") + names[int(why.reason)] + ", " + QByteArray::number(why.code) +
                   ")");
}
} // namespace QTest

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
        QTest::newRow("no active display") << Setup([](FakePlatform&) {}) << noDisplay << false;
        QTest::newRow("display list fails") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.listFails = true;
        }) << noDisplay << false;

        // The first source: DisplayServices.
        const auto live = [](float brightness) {
            return Setup([brightness](FakePlatform& p) {
                laptopWithMonitor(p);
                p.hasDisplayServices = true;
                p.liveBrightness = brightness;
                backlight(p, 0, 100, 90); // never reached
            });
        };
        QTest::newRow("DisplayServices answers") << live(0.37f) << Reading::available(double(0.37f)) << false;
        QTest::newRow("DisplayServices above 1") << live(1.2f) << Reading::available(1) << false;
        QTest::newRow("DisplayServices below 0") << live(-0.1f) << Reading::available(0) << false;

        // The second source: the backlight's display parameters.
        QTest::newRow("no DisplayServices, backlight 512 of 0…1024") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            backlight(p, 0, 1024, 512);
        }) << Reading::available(0.5) << true;
        QTest::newRow("DisplayServices without its function") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.hasDisplayServices = true;
            p.hasGetBrightness = false;
            backlight(p, 0, 1024, 256);
        }) << Reading::available(0.25) << true;
        QTest::newRow("DisplayServices fails") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.hasDisplayServices = true;
            p.getBrightnessStatus = 7;
            backlight(p, 0, 1024, 768);
        }) << Reading::available(0.75) << true;
        QTest::newRow("DisplayServices answers NaN") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.hasDisplayServices = true;
            p.liveBrightness = std::nanf("");
            backlight(p, 100, 200, 250);
        }) << Reading::available(1) << true;

        // The third source: the display-connect service of the built-in display.
        const auto connectOnly = [](std::vector<FakeConnect> connects, std::uint32_t displaySerial = 0) {
            return Setup([connects, displaySerial](FakePlatform& p) {
                laptopWithMonitor(p);
                p.displays[1].serial = displaySerial;
                p.connects = connects;
            });
        };
        QTest::newRow("backlight with min equal to max falls through") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            backlight(p, 512, 512, 512);
            p.connects = {{identity(0x610, 0xa050, 42), 0, 0.6f}};
        }) << Reading::available(double(0.6f)) << true;
        QTest::newRow("backlight parameters without numbers fall through") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.backlightParameters = dictionary({{"brightness", dictionary({{"min", number(0)}})}});
            p.connects = {{identity(0x610, 0xa050, std::nullopt), 0, 0.6f}};
        }) << Reading::available(double(0.6f)) << true;
        QTest::newRow("serial mismatch skipped, next service matches")
            << connectOnly({{identity(0x610, 0xa050, 41), 0, 0.1f},
                            {std::nullopt},
                            {identity(0x610, 0xa051, 42), 0, 0.2f},
                            {identity(0x610, 0xa050, 42), 0, 0.3f}},
                           42)
            << Reading::available(double(0.3f)) << true;
        QTest::newRow("a differing serial matches when the display reports none")
            << connectOnly({{identity(0x610, 0xa050, 41), 0, 1.5f}}, 0) << Reading::available(1) << true;
        QTest::newRow("only a mismatching serial")
            << connectOnly({{identity(0x610, 0xa050, 41), 0, 0.1f}}, 42)
            << Reading::unavailable(Reason::noDisplayService) << true;
        QTest::newRow("no display-connect service") << Setup([](FakePlatform& p) {
            laptopWithMonitor(p);
            p.connectIteratorFails = true;
        }) << Reading::unavailable(Reason::noDisplayService)
                                                    << true;
        const std::int32_t unsupported = std::int32_t(0xe00002c7u); // kIOReturnUnsupported
        QTest::newRow("float parameter fails")
            << connectOnly({{identity(0x610, 0xa050, std::nullopt), unsupported, 0.5f}})
            << Reading::unavailable(Reason::ioError, unsupported) << true;
        QTest::newRow("float parameter is NaN")
            << connectOnly({{identity(0x610, 0xa050, std::nullopt), 0, std::nanf("")}})
            << Reading::unavailable(Reason::noDisplayService) << true;
    }

    void readsTheFirstSourceThatAnswers() {
        QFETCH(Setup, setup);
        QFETCH(Reading, expected);
        QFETCH(bool, registryAsked);

        FakePlatform platform;
        setup(platform);
        BuiltInBrightnessReader reader(platform);
        // Twice: nothing is kept from one reading to the next.
        for (int reading = 0; reading < 2; ++reading) {
            QCOMPARE(reader.readBrightness(), expected);
            // Without a built-in display no source is asked at all.
            QCOMPARE(platform.libraryOpened, expected != Reading::unavailable(Reason::noBuiltInDisplay));
            QCOMPARE(platform.registryAsked, registryAsked);
            QVERIFY2(platform.misuse.empty(), platform.misuse.empty() ? "" : platform.misuse.front().c_str());
            QCOMPARE(platform.openLibraries, 0);
            QCOMPARE(platform.liveObjects.size(), std::size_t(0));
            QCOMPARE(platform.ownedValues.size(), std::size_t(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestBuiltInBrightnessReader)
#include "tst_builtinbrightnessreader.moc"
