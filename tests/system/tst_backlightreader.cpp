// The sysfs backlight reader, on fake backlight trees built in a temporary directory.
#include "system/linux/SystemBuiltInDisplayBrightnessReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>

using Reading = BuiltInDisplayBrightnessReading;
using Reason = BuiltInDisplayBrightnessReading::UnavailableReason;

namespace {

// One backlight device as the kernel shows it. An attribute left nullopt has no file.
struct FakeBacklight {
    QString name;
    std::optional<QByteArray> type = QByteArray("raw\n");
    std::optional<QByteArray> maximum = QByteArray("100\n");
    std::optional<QByteArray> actual = QByteArray("50\n");
    std::optional<QByteArray> requested = QByteArray("50\n");
    std::optional<QByteArray> connectorEnabled; // device/enabled of a raw backlight's DRM connector
    bool ddcciMonitor = false;                  // device/subsystem links to the ddcci bus
};

// A reading that says which fake device answered: each device in a test gets a distinct level.
FakeBacklight device(const QString& name, const QByteArray& type, int percent) {
    FakeBacklight d;
    d.name = name;
    d.type = type + '\n';
    d.actual = QByteArray::number(percent) + '\n';
    d.requested = d.actual;
    return d;
}

} // namespace

Q_DECLARE_METATYPE(FakeBacklight)
Q_DECLARE_METATYPE(Reading)

namespace QTest {
template <> char* toString(const Reading& reading) {
    if (reading.isAvailable())
        return qstrdup(QByteArray("available(" + QByteArray::number(reading.fraction()) + ")").constData());
    const auto& why = reading.unavailableReason();
    const char* names[] = {"noBuiltInDisplay", "noDisplayService", "ioError"};
    return qstrdup(QByteArray("unavailable(") + names[int(why.reason)] + ", " + QByteArray::number(why.code) +
                   ")");
}
} // namespace QTest

class TestBacklightReader : public QObject {
    Q_OBJECT

    // Builds the tree as sysfs does: the class directory holds links to device directories
    // that live elsewhere.
    static void install(const QString& base, const FakeBacklight& d) {
        const QString deviceDir = base + "/devices/" + d.name + "/backlight/" + d.name;
        QVERIFY(QDir().mkpath(deviceDir));
        QVERIFY(QDir().mkpath(base + "/class/backlight"));
        QVERIFY(QFile::link(deviceDir, base + "/class/backlight/" + d.name));
        auto write = [&](const QString& file, const std::optional<QByteArray>& contents) {
            if (!contents)
                return;
            QFile f(deviceDir + '/' + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(*contents), contents->size());
        };
        write("type", d.type);
        write("max_brightness", d.maximum);
        write("actual_brightness", d.actual);
        write("brightness", d.requested);
        if (d.connectorEnabled || d.ddcciMonitor)
            QVERIFY(QDir().mkpath(deviceDir + "/device"));
        write("device/enabled", d.connectorEnabled);
        if (d.ddcciMonitor) {
            QVERIFY(QDir().mkpath(base + "/bus/ddcci"));
            QVERIFY(QFile::link(base + "/bus/ddcci", deviceDir + "/device/subsystem"));
        }
    }

    static QString classDir(const QTemporaryDir& tree) { return tree.path() + "/class/backlight"; }

    static Reading readFrom(const QString& root) {
        return SystemBuiltInDisplayBrightnessReader(root).readBrightness();
    }

private slots:
    void noPanel_data() {
        QTest::addColumn<QList<FakeBacklight>>("devices");
        QTest::addColumn<bool>("createClassDir");

        QTest::newRow("no backlight class directory") << QList<FakeBacklight>{} << false;
        QTest::newRow("no backlight devices") << QList<FakeBacklight>{} << true;
        FakeBacklight monitor = device("ddcci5", "raw", 40);
        monitor.ddcciMonitor = true;
        QTest::newRow("only a DDC/CI monitor's backlight") << QList<FakeBacklight>{monitor} << true;
    }
    void noPanel() {
        QFETCH(QList<FakeBacklight>, devices);
        QFETCH(bool, createClassDir);
        QTemporaryDir tree;
        QVERIFY(tree.isValid());
        if (createClassDir)
            QVERIFY(QDir().mkpath(classDir(tree)));
        for (const auto& d : devices)
            install(tree.path(), d);
        // A stray plain file in the class directory is not a device.
        if (createClassDir) {
            QFile stray(classDir(tree) + "/uevent");
            QVERIFY(stray.open(QIODevice::WriteOnly));
        }
        QCOMPARE(readFrom(classDir(tree)), Reading::unavailable(Reason::noBuiltInDisplay));
    }

    void fraction_data() {
        QTest::addColumn<FakeBacklight>("backlight");
        QTest::addColumn<double>("expected");

        auto with = [](QByteArray maximum, std::optional<QByteArray> actual,
                       std::optional<QByteArray> requested) {
            FakeBacklight d;
            d.name = "intel_backlight";
            d.maximum = maximum;
            d.actual = actual;
            d.requested = requested;
            return d;
        };
        QTest::newRow("middle") << with("1000\n", "250\n", "250\n") << 0.25;
        QTest::newRow("darkest") << with("96000\n", "0\n", "0\n") << 0.0;
        QTest::newRow("brightest") << with("255\n", "255\n", "255\n") << 1.0;
        QTest::newRow("no trailing newline") << with("200", "50", "50") << 0.25;
        QTest::newRow("spaces and blank lines around the numbers")
            << with("\n  400 \n\n", " 100\t\n", "100") << 0.25;
        QTest::newRow("hardware level preferred over the requested one")
            << with("100\n", "30\n", "80\n") << 0.3;
        QTest::newRow("requested level when the hardware's is not offered")
            << with("100\n", std::nullopt, "80\n") << 0.8;
        QTest::newRow("above the maximum") << with("100\n", "130\n", "130\n") << 1.0;
        QTest::newRow("below zero") << with("100\n", "-5\n", "0\n") << 0.0;
        QTest::newRow("one step") << with("1\n", "1\n", "1\n") << 1.0;
    }
    void fraction() {
        QFETCH(FakeBacklight, backlight);
        QFETCH(double, expected);
        QTemporaryDir tree;
        install(tree.path(), backlight);
        QCOMPARE(readFrom(classDir(tree)), Reading::available(expected));
    }

    void unreadableDevice_data() {
        QTest::addColumn<FakeBacklight>("backlight");
        QTest::addColumn<Reading>("expected");

        const auto noService = Reading::unavailable(Reason::noDisplayService);
        FakeBacklight d;
        d.name = "acpi_video0";
        d.type = "firmware\n";

        auto b = d;
        b.maximum = "0\n";
        QTest::newRow("maximum 0") << b << noService;
        b = d;
        b.maximum = "-100\n";
        QTest::newRow("negative maximum") << b << noService;
        b = d;
        b.maximum = "full\n";
        QTest::newRow("maximum not a number") << b << noService;
        b = d;
        b.maximum = "";
        QTest::newRow("maximum empty") << b << noService;
        b = d;
        b.actual = "12abc\n";
        QTest::newRow("level with trailing garbage") << b << noService;
        b = d;
        b.actual = "0x20\n";
        QTest::newRow("level in hex") << b << noService;
        b = d;
        b.actual = "12 34\n";
        QTest::newRow("two numbers") << b << noService;
        b = d;
        b.actual = QByteArray(100, '7');
        QTest::newRow("level longer than any attribute") << b << noService;
        b = d;
        b.actual = QByteArray("\xff\xfe\x00\x01", 4);
        QTest::newRow("binary junk") << b << noService;
        b = d;
        b.maximum = std::nullopt;
        QTest::newRow("no maximum file") << b << Reading::unavailable(Reason::ioError, ENOENT);
        b = d;
        b.actual = std::nullopt;
        b.requested = std::nullopt;
        QTest::newRow("no level files") << b << Reading::unavailable(Reason::ioError, ENOENT);
        b = d;
        b.actual = "garbage\n";
        b.requested = "50\n";
        QTest::newRow("garbled hardware level is not papered over") << b << noService;
    }
    void unreadableDevice() {
        QFETCH(FakeBacklight, backlight);
        QFETCH(Reading, expected);
        QTemporaryDir tree;
        install(tree.path(), backlight);
        QCOMPARE(readFrom(classDir(tree)), expected);
    }

    void fileThatCannotBeReadGivesItsErrno() {
        // Tests may run as root, where permissions stop nothing; a directory in place of the
        // attribute fails in read() for everyone.
        QTemporaryDir tree;
        FakeBacklight d = device("intel_backlight", "raw", 50);
        d.actual = std::nullopt;
        install(tree.path(), d);
        QVERIFY(QDir().mkpath(classDir(tree) + "/intel_backlight/actual_brightness"));
        QCOMPARE(readFrom(classDir(tree)), Reading::unavailable(Reason::ioError, EISDIR));
    }

    void devicePreference_data() {
        QTest::addColumn<QList<FakeBacklight>>("devices");
        QTest::addColumn<double>("expected");

        QTest::newRow("firmware over raw")
            << QList{device("intel_backlight", "raw", 10), device("acpi_video0", "firmware", 20)} << 0.2;
        QTest::newRow("platform over raw")
            << QList{device("amdgpu_bl0", "raw", 10), device("thinkpad_screen", "platform", 30)} << 0.3;
        QTest::newRow("firmware over platform over raw")
            << QList{device("a_raw", "raw", 10), device("b_platform", "platform", 30),
                     device("c_firmware", "firmware", 20)}
            << 0.2;
        QTest::newRow("same type: first by name")
            << QList{device("acpi_video1", "firmware", 40), device("acpi_video0", "firmware", 20)} << 0.2;
        QTest::newRow("unknown type last")
            << QList{device("aaa", "mystery", 70), device("zzz", "raw", 10)} << 0.1;
        FakeBacklight untyped = device("aaa", "raw", 70);
        untyped.type = std::nullopt;
        QTest::newRow("no type file last") << QList{untyped, device("zzz", "raw", 10)} << 0.1;

        FakeBacklight offPanel = device("amdgpu_bl0", "raw", 60);
        offPanel.connectorEnabled = "disabled\n";
        FakeBacklight litPanel = device("intel_backlight", "raw", 40);
        litPanel.connectorEnabled = "enabled\n";
        QTest::newRow("raw on the enabled connector first") << QList{offPanel, litPanel} << 0.4;

        FakeBacklight monitor = device("ddcci5", "raw", 90);
        monitor.ddcciMonitor = true;
        QTest::newRow("DDC/CI monitor never taken for the panel")
            << QList{monitor, device("intel_backlight", "raw", 40)} << 0.4;

        FakeBacklight brokenFirmware = device("acpi_video0", "firmware", 20);
        brokenFirmware.maximum = "0\n";
        QTest::newRow("next device when the preferred one cannot answer")
            << QList{brokenFirmware, device("intel_backlight", "raw", 40)} << 0.4;
    }
    void devicePreference() {
        QFETCH(QList<FakeBacklight>, devices);
        QFETCH(double, expected);
        QTemporaryDir tree;
        for (const auto& d : devices)
            install(tree.path(), d);
        QCOMPARE(readFrom(classDir(tree)), Reading::available(expected));
    }

    void noDeviceAnswersGivesThePreferredDevicesReason() {
        QTemporaryDir tree;
        FakeBacklight firmware = device("acpi_video0", "firmware", 20);
        firmware.maximum = "0\n";
        FakeBacklight raw = device("intel_backlight", "raw", 40);
        raw.maximum = std::nullopt;
        install(tree.path(), firmware);
        install(tree.path(), raw);
        QCOMPARE(readFrom(classDir(tree)), Reading::unavailable(Reason::noDisplayService));
    }

    void everyReadSeesTheCurrentState() {
        QTemporaryDir tree;
        install(tree.path(), device("intel_backlight", "raw", 25));
        SystemBuiltInDisplayBrightnessReader reader(classDir(tree));
        QCOMPARE(reader.readBrightness(), Reading::available(0.25));

        auto overwrite = [&](const QString& file, const QByteArray& contents) {
            QFile f(classDir(tree) + "/intel_backlight/" + file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(contents), contents.size());
        };
        overwrite("actual_brightness", "75\n");
        QCOMPARE(reader.readBrightness(), Reading::available(0.75));

        // A firmware interface appearing (a driver loaded late) takes over on the next read.
        install(tree.path(), device("acpi_video0", "firmware", 60));
        QCOMPARE(reader.readBrightness(), Reading::available(0.6));

        QVERIFY(QDir(tree.path() + "/class").removeRecursively());
        QCOMPARE(reader.readBrightness(), Reading::unavailable(Reason::noBuiltInDisplay));
    }
};

QTEST_GUILESS_MAIN(TestBacklightReader)
#include "tst_backlightreader.moc"
