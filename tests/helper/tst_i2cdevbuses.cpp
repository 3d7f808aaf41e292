// The Linux buses over a fake /sys and /dev in a temporary folder: which connector is which, and
// what opening a bus says when it cannot be done.
#include "FakeSysfs.h"
#include "linux/DrmConnectors.h"
#include "linux/I2cDevBus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace m1ddc;

namespace {

constexpr uid_t nobody = 65534;

QString describe(const DrmConnector& connector) {
    QStringList buses;
    for (const int bus : connector.buses)
        buses << QString::number(bus);
    return QString::fromStdString(connector.name) + " buses [" + buses.join(' ') + "]" +
           (connector.builtIn ? " built-in" : "") + (connector.connected ? " connected" : "");
}

// Whether `probe` holds for a user without our rights, since root may open anything: in a child
// process as nobody when we are root, directly otherwise.
bool holdsUnprivileged(const std::function<bool()>& probe) {
    if (::geteuid() != 0)
        return probe();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(nobody) == 0 && ::setuid(nobody) == 0 && probe() ? 0 : 1);
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

class TestI2cDevBuses : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString sys_;
    QString dev_;

    // A laptop with its panel on bus 3, a DisplayPort monitor on bus 6 (an i2c-N folder of the
    // connector) and an HDMI port on bus 7 with nothing plugged in.
    void buildMachine() {
        makeConnector(sys_, "card0-eDP-1", 3, "connected", {}, DdcBusEntry::ddcLink);
        makeConnector(sys_, "card0-DP-1", 6, "connected");
        makeConnector(sys_, "card0-HDMI-A-1", 7, "disconnected", {}, DdcBusEntry::ddcLink);
        // Not connectors.
        const QString drm = sys_ + "/class/drm";
        QVERIFY(QDir().mkpath(drm + "/card0") && QDir().mkpath(drm + "/renderD128"));
        makeFile(drm + "/version", "drm 1.1.0 20060810\n");
        for (const int bus : {3, 6, 7})
            makeFile(dev_ + "/i2c-" + QString::number(bus));
    }

    std::string device(int bus) const { return QString(dev_ + "/i2c-" + QString::number(bus)).toStdString(); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        const QString base =
            dir_.filePath(QTest::currentTestFunction() + QString("-") + QTest::currentDataTag());
        sys_ = base + "/sys";
        dev_ = base + "/dev";
        QVERIFY(QDir().mkpath(sys_) && QDir().mkpath(dev_));
        // Someone without our rights must be able to look around, as on a real machine.
        for (const QString& folder : {dir_.path(), base})
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        buildMachine();
    }

    void readsTheConnectorsFromSysfs() {
        QStringList described;
        for (const auto& connector : drmConnectors(sys_.toStdString()))
            described << describe(connector);
        described.sort();
        QCOMPARE(described, (QStringList{"card0-DP-1 buses [6] connected", "card0-HDMI-A-1 buses [7]",
                                         "card0-eDP-1 buses [3] built-in connected"}));
        QVERIFY(drmConnectors((sys_ + "/nothing").toStdString()).empty());

        // Of these buses only the monitor's is one the helper may use: not the panel's, not an
        // empty port's, not one no connector names.
        for (const int bus : {3, 6, 7, 9}) {
            const auto connector = externalDisplayConnectorOn(sys_.toStdString(), bus);
            QCOMPARE(connector ? QString::fromStdString(connector->name) : QString(),
                     bus == 6 ? "card0-DP-1" : "");
        }

        // A graphics card whose driver names no bus on its connectors (NVIDIA's own) reaches its
        // displays on adapters of its own; a connector's bus is judged by the connector alone, and
        // the chipset's SMBus, where the memory modules sit, never passes.
        makeAdapter(sys_, 8, "0000:01:00.0", "0x030000");
        makeAdapter(sys_, 3, "0000:00:02.0", "0x030000");
        makeAdapter(sys_, 0, "0000:00:1f.4", "0x0c0500");
        for (const int bus : {0, 3, 6, 8, 9})
            QCOMPARE(isUnnamedGraphicsCardBus(sys_.toStdString(), bus), bus == 8);
    }

    // An adapter is named by its name and the device it sits below, never by its number, which a
    // re-plug may give to another; sysfs text that is not one short line names nothing.
    void namesAnAdapterByItsNameAndPlace_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("identity"); // as bus 8's, different, or none
        const QByteArray name = "NVIDIA i2c adapter 1 at 1:00.0\n";
        // clang-format off
        QTest::newRow("the same adapter under another number") << "0000:01:00.0" << name << "same";
        QTest::newRow("another adapter of the card") << "0000:01:00.0" << QByteArray("NVIDIA i2c adapter 2 at 1:00.0\n") << "different";
        QTest::newRow("the same name on another card") << "0000:02:00.0" << name << "different";
        QTest::newRow("a name without its line break") << "0000:01:00.0" << name.chopped(1) << "none";
        QTest::newRow("a name with a control character") << "0000:01:00.0" << QByteArray(name).replace(' ', '\x1b') << "none";
        QTest::newRow("a name longer than the kernel keeps") << "0000:01:00.0" << QByteArray(80, 'x') + "\n" << "none";
        QTest::newRow("no name") << "0000:01:00.0" << QByteArray() << "none";
        QTest::newRow("outside the devices") << "../../../elsewhere" << name << "none";
        // clang-format on
    }
    void namesAnAdapterByItsNameAndPlace() {
        QFETCH(QString, device);
        QFETCH(QByteArray, name);
        makeAdapter(sys_, 8, "0000:01:00.0", "0x030000", "NVIDIA i2c adapter 1 at 1:00.0\n");
        makeAdapter(sys_, 9, device, "0x030000", name);
        const auto reference = i2cAdapterIdentity(sys_.toStdString(), 8);
        QVERIFY(reference.has_value());
        const auto identity = i2cAdapterIdentity(sys_.toStdString(), 9);
        QTEST(QString(!identity ? "none" : identity == reference ? "same" : "different"), "identity");
        QCOMPARE(i2cAdapterIdentity(sys_.toStdString(), 10), std::nullopt);
    }

    void refusesWhatIsNotAnI2cBus_data() {
        QTest::addColumn<int>("bus");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << 9 << "Cannot open %1: No such file or directory";
        // A plain file in our fake /dev is no adapter.
        QTest::newRow("not an adapter") << 6 << "Not an I2C bus: %1: Inappropriate ioctl for device";
    }
    void refusesWhatIsNotAnI2cBus() {
        QFETCH(int, bus);
        QFETCH(QString, reason);
        auto opened = I2cDevBuses(dev_.toStdString(), sys_.toStdString()).open(bus);
        const auto* refusal = std::get_if<BusRefusal>(&opened);
        QVERIFY(refusal && refusal->device == device(bus) && !refusal->permissionDenied);
        QCOMPARE(QString::fromStdString(refusal->reason), reason.arg(QString::fromStdString(device(bus))));
    }

    // The lock is an flock on the device, which other DDC programs take too: while one open of it
    // holds the lock, another cannot take it.
    void locksTheDeviceAgainstOtherPrograms() {
        const auto open = [this] {
            return std::make_unique<I2cDevBus>(::open(device(6).c_str(), O_RDWR | O_CLOEXEC), device(6));
        };
        const auto locked = [](I2cDevBus& bus) {
            const auto taken = bus.tryLock();
            return std::holds_alternative<bool>(taken) ? QVariant(std::get<bool>(taken)) : QVariant();
        };
        auto ours = open(), theirs = open();
        QCOMPARE(locked(*theirs), QVariant(true));
        QCOMPARE(locked(*ours), QVariant(false));
        theirs.reset();
        QCOMPARE(locked(*ours), QVariant(true));
    }

    // Only a connected external display's bus explains an empty detection: the panel's bus and an
    // empty port's are often closed to users on purpose.
    void findsTheDisplayBusWeMayNotOpen() {
        // No one but root may open these, their owner included, so the test means the same whoever
        // runs it.
        for (const int bus : {3, 6, 7})
            QVERIFY(::chmod(device(bus).c_str(), 0000) == 0);
        // Whether opening the monitor's bus is refused for want of permission, and what a look finds.
        const auto finds = [this](bool denied, const std::string& forbidden) {
            return holdsUnprivileged([&] {
                I2cDevBuses buses(dev_.toStdString(), sys_.toStdString());
                auto opened = buses.open(6);
                const auto* refusal = std::get_if<BusRefusal>(&opened);
                return (refusal && refusal->permissionDenied) == denied &&
                       buses.forbiddenDisplayDevice().value_or("nothing") == forbidden;
            });
        };
        QVERIFY(finds(true, device(6)));
        QVERIFY(::chmod(device(6).c_str(), 0666) == 0);
        QVERIFY(finds(false, "nothing"));
    }
};

QTEST_GUILESS_MAIN(TestI2cDevBuses)
#include "tst_i2cdevbuses.moc"
