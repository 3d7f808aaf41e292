// The sysfs backlight reader, on fake backlight trees built in a temporary directory.
#include "system/linux/SystemBuiltInDisplayBrightnessReader.h"

#include "helper/TestFiles.h"
#include "support/BrightnessReadingTesting.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>

using Reading = BuiltInDisplayBrightnessReading;
using Reason = BuiltInDisplayBrightnessReading::UnavailableReason;

namespace {

// One backlight device as the kernel shows it; each attribute file holds its text and a newline.
// An attribute left nullopt has no file.
struct FakeBacklight {
    QString name = QStringLiteral("intel_backlight");
    QByteArray type = "raw";
    std::optional<QByteArray> maximum = "100";
    std::optional<QByteArray> actual = "50";
    std::optional<QByteArray> requested = "50";
    std::optional<QByteArray> connector = {}; // device/enabled of a raw backlight's DRM connector
    bool ddcci = false;                       // device/subsystem links to the ddcci bus
};

} // namespace

Q_DECLARE_METATYPE(FakeBacklight)

class TestBacklightReader : public QObject {
    Q_OBJECT

    QTemporaryDir m_tree;
    QString classDir() const { return m_tree.path() + "/class/backlight"; }
    Reading read() const { return SystemBuiltInDisplayBrightnessReader(classDir()).readBrightness(); }

    // Builds the tree as sysfs does: the class directory holds links to device directories
    // that live elsewhere.
    void install(const FakeBacklight& d) {
        const QString deviceDir = m_tree.path() + "/devices/" + d.name;
        QVERIFY(QDir().mkpath(deviceDir + "/device"));
        QVERIFY(QDir().mkpath(classDir()));
        QVERIFY(QFile::link(deviceDir, classDir() + '/' + d.name));
        for (const auto& [file, contents] : {std::pair{"type", std::optional(d.type)},
                                             {"max_brightness", d.maximum},
                                             {"actual_brightness", d.actual},
                                             {"brightness", d.requested},
                                             {"device/enabled", d.connector}}) {
            if (contents)
                makeFile(deviceDir + '/' + file, *contents + '\n');
        }
        if (d.ddcci) {
            QVERIFY(QDir().mkpath(m_tree.path() + "/bus/ddcci"));
            QVERIFY(QFile::link(m_tree.path() + "/bus/ddcci", deviceDir + "/device/subsystem"));
        }
    }

private slots:
    void init() { QVERIFY(m_tree.isValid()); }
    void cleanup() { QVERIFY(QDir(m_tree.path()).removeRecursively() && QDir().mkpath(m_tree.path())); }

    void reading_data() {
        QTest::addColumn<QList<FakeBacklight>>("devices");
        QTest::addColumn<Reading>("expected");
        using B = FakeBacklight;
        const auto at = [](double fraction) { return Reading::available(fraction); };
        const auto noService = Reading::unavailable(Reason::noDisplayService);
        const auto missing = Reading::unavailable(Reason::ioError, ENOENT);

        // clang-format off
        QTest::newRow("fraction of the maximum") << QList<B>{{.maximum = "1000", .actual = "250"}} << at(0.25);
        QTest::newRow("whitespace around the numbers") << QList<B>{{.maximum = "\n  400 \n", .actual = " 100\t"}} << at(0.25);
        QTest::newRow("hardware level over the requested one") << QList<B>{{.actual = "30", .requested = "80"}} << at(0.3);
        QTest::newRow("requested level when the hardware's is not offered") << QList<B>{{.actual = {}, .requested = "80"}} << at(0.8);
        QTest::newRow("above the maximum") << QList<B>{{.actual = "130"}} << at(1.0);
        QTest::newRow("below zero") << QList<B>{{.actual = "-5"}} << at(0.0);

        QTest::newRow("maximum 0") << QList<B>{{.maximum = "0"}} << noService;
        QTest::newRow("garbled hardware level is not papered over") << QList<B>{{.actual = "12abc", .requested = "50"}} << noService;
        QTest::newRow("no maximum file") << QList<B>{{.maximum = {}}} << missing;
        QTest::newRow("no level files") << QList<B>{{.actual = {}, .requested = {}}} << missing;

        QTest::newRow("firmware over platform") << QList<B>{{.name = "a", .type = "platform", .actual = "30"}, {.name = "b", .type = "firmware", .actual = "20"}} << at(0.2);
        QTest::newRow("platform over raw") << QList<B>{{.name = "a", .actual = "10"}, {.name = "b", .type = "platform", .actual = "30"}} << at(0.3);
        QTest::newRow("same type: first by name") << QList<B>{{.name = "b", .actual = "40"}, {.name = "a", .actual = "20"}} << at(0.2);
        QTest::newRow("unknown type last") << QList<B>{{.name = "a", .type = "mystery", .actual = "70"}, {.name = "b", .actual = "10"}} << at(0.1);
        QTest::newRow("raw on the enabled connector first") << QList<B>{{.name = "a", .actual = "60", .connector = "disabled"}, {.name = "b", .actual = "40", .connector = "enabled"}} << at(0.4);
        QTest::newRow("DDC/CI monitor never taken for the panel") << QList<B>{{.name = "a", .type = "firmware", .actual = "90", .ddcci = true}, {.name = "b", .actual = "40"}} << at(0.4);
        QTest::newRow("next device when the preferred one cannot answer") << QList<B>{{.name = "a", .type = "firmware", .maximum = "0"}, {.name = "b", .actual = "40"}} << at(0.4);
        QTest::newRow("none answers: the preferred one's reason") << QList<B>{{.name = "a", .type = "firmware", .maximum = "0"}, {.name = "b", .maximum = {}}} << noService;
        // clang-format on
    }
    void reading() {
        QFETCH(QList<FakeBacklight>, devices);
        for (const auto& d : devices)
            install(d);
        QTEST(read(), "expected");
    }

    void unreadableLevelGivesItsErrno() {
        // Tests may run as root, where permissions stop nothing; a directory in place of the
        // attribute fails in read() for everyone. Only a missing file falls back to brightness.
        install({.actual = {}});
        QVERIFY(QDir().mkpath(classDir() + "/intel_backlight/actual_brightness"));
        QCOMPARE(read(), Reading::unavailable(Reason::ioError, EISDIR));
    }

    // No panel, then a panel, then a better interface for it, then none again: every read scans afresh.
    void everyReadScansAgain() {
        SystemBuiltInDisplayBrightnessReader reader(classDir());
        const auto none = Reading::unavailable(Reason::noBuiltInDisplay);
        QCOMPARE(reader.readBrightness(), none); // no backlight class at all
        makeFile(classDir() + "/uevent");        // a plain file is not a device
        install({.name = "ddcci5", .ddcci = true});
        QCOMPARE(reader.readBrightness(), none);
        install({.actual = "25"});
        QCOMPARE(reader.readBrightness(), Reading::available(0.25));
        // A firmware interface appearing (a driver loaded late) takes over on the next read.
        install({.name = "acpi_video0", .type = "firmware", .actual = "60"});
        QCOMPARE(reader.readBrightness(), Reading::available(0.6));
        QVERIFY(QDir(m_tree.path() + "/class").removeRecursively());
        QCOMPARE(reader.readBrightness(), none);
    }
};

QTEST_GUILESS_MAIN(TestBacklightReader)
#include "tst_backlightreader.moc"
