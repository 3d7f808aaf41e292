// The wall clock's time zone, read from a folder laid out like /etc, and its change
// announcements: from watching that folder, and from timedated on a private bus standing in for
// the system bus. The kernel's announcement of a clock set is not tested: only setting the
// machine's clock would make one.
#include "system/linux/SystemWallClock.h"

#include "helper/TestFiles.h"
#include "support/BusPeer.h"
#include "support/PrivateBus.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

const QString timedateService = QStringLiteral("org.freedesktop.timedate1");
const QString timedatePath = QStringLiteral("/org/freedesktop/timedate1");

// The zones' files, as a link to one names them.
QString zoneFile(const QString& id) {
    return "/usr/share/zoneinfo/" + id;
}

// Replaces `path` by a link to `target` in one step, as timedatectl does.
bool replaceByLink(const QString& target, const QString& path) {
    const QString temporary = path + ".new";
    return QFile::link(target, temporary) &&
           std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace

class TestWallClock : public QObject {
    Q_OBJECT

public:
    explicit TestWallClock(QString address) : m_address(std::move(address)) {}

private:
    const QString m_address;
    std::unique_ptr<QTemporaryDir> m_folder;

    QString path(const char* name) const { return m_folder->filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }
    void cleanup() { qunsetenv("TZ"); }

    // Empty `expected`: the zone Qt says the system has.
    void zoneIsReadInTheSystemsOrder_data() {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QByteArray>("nameFile");
        QTest::addColumn<QByteArray>("expected");
        const QString berlin = zoneFile("Europe/Berlin");
        const QByteArray none;
        // clang-format off
        QTest::newRow("relative link into the posix copy") << none << "../usr/share/zoneinfo/posix/Asia/Tokyo" << none << QByteArray("Asia/Tokyo");
        QTest::newRow("link before name file") << none << berlin << QByteArray("America/New_York\n") << QByteArray("Europe/Berlin");
        QTest::newRow("name file") << none << QString() << QByteArray("America/New_York\n") << QByteArray("America/New_York");
        QTest::newRow("TZ before both") << QByteArray("Asia/Tokyo") << berlin << QByteArray("America/New_York") << QByteArray("Asia/Tokyo");
        QTest::newRow("TZ as a path") << QByteArray(":/usr/share/zoneinfo/America/New_York") << berlin << none << QByteArray("America/New_York");
        QTest::newRow("TZ as a rule names no zone") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << berlin << none << QByteArray("Europe/Berlin");
        QTest::newRow("link to no zone") << none << "/usr/share/doc" << QByteArray("Asia/Tokyo") << QByteArray("Asia/Tokyo");
        QTest::newRow("a name leading out of the zones") << none << QString() << QByteArray("../../etc/passwd") << none;
        QTest::newRow("a zone nobody knows") << none << zoneFile("Mars/Olympus_Mons") << QByteArray("Mars/Olympus_Mons") << none;
        // clang-format on
    }
    void zoneIsReadInTheSystemsOrder() {
        QFETCH(QString, link);
        if (!link.isEmpty())
            QVERIFY(QFile::link(link, path("localtime")));
        QFETCH(QByteArray, nameFile);
        if (!nameFile.isEmpty())
            makeFile(path("timezone"), nameFile);
        QFETCH(QByteArray, expected);
        if (expected.isEmpty())
            expected = QTimeZone::systemTimeZone().id();
        QFETCH(QByteArray, tz);
        if (!tz.isEmpty())
            qputenv("TZ", tz);

        SystemWallClock clock(m_folder->path(), QDBusConnection(QString()));
        QCOMPARE(clock.timeZoneId(), expected);
        QVERIFY(clock.timeZone().isValid());
    }

    // Only a change of the zone is announced, once, whatever else happens in the folder.
    void zoneChangeInTheFolderIsAnnounced() {
        QVERIFY(QFile::link(zoneFile("Europe/Berlin"), path("localtime")));
        makeFile(path("timezone"), "Europe/Berlin\n");
        SystemWallClock clock(m_folder->path(), QDBusConnection(QString()));
        QList<QByteArray> announced;
        connect(&clock, &WallClock::changed, this, [&] { announced << clock.timeZoneId(); });

        QVERIFY(replaceByLink(zoneFile("Asia/Tokyo"), path("localtime")));
        QTRY_COMPARE(announced, QList<QByteArray>{"Asia/Tokyo"});

        makeFile(path("hostname"), "velmar\n");
        makeFile(path("timezone"), "Europe/Paris\n"); // the link still says otherwise
        QVERIFY(QFile::remove(path("localtime")));
        QTRY_COMPARE(announced.size(), 2);
        QCOMPARE(announced, (QList<QByteArray>{"Asia/Tokyo", "Europe/Paris"}));
    }

    // timedated announces a zone it sets; anyone else on the system bus may send the same.
    void timedatedIsBelievedOnlyFromItself() {
        if (m_address.isEmpty())
            QSKIP(PrivateBus::missing);
        const QString connection = QStringLiteral("clock-client");
        auto client = QDBusConnection::connectToBus(m_address, connection);
        BusBarrier barrier(client);
        qputenv("TZ", "Europe/Berlin");
        SystemWallClock clock(m_folder->path(), client);
        QVERIFY(barrier.sync());
        QSignalSpy changed(&clock, &WallClock::changed);
        BusPeer timedated(m_address, QStringLiteral("timedated"));
        QVERIFY(timedated.bus().registerService(timedateService));

        // A variable no watch can see stands for the zone that was set.
        qputenv("TZ", "Asia/Tokyo");
        BusPeer impostor(m_address, QStringLiteral("impostor"));
        QVERIFY(impostor.announce(timedatePath, timedateService, {{"Timezone", "Asia/Tokyo"}}));
        QVERIFY(barrier.pass(impostor));
        QVERIFY(timedated.announce(timedatePath, timedateService, {{"NTP", true}}));
        QVERIFY(barrier.pass(timedated));
        QCOMPARE(changed.count(), 0);

        QVERIFY(timedated.announce(timedatePath, timedateService, {}, {"Timezone"}));
        QVERIFY(changed.wait(10000));
        QCOMPARE(clock.timeZoneId(), QByteArray("Asia/Tokyo"));
        QDBusConnection::disconnectFromBus(connection);
    }
};

// timedated lives on the system bus; a private one stands in for it.
int main(int argc, char** argv) {
    return execOnPrivateBus<TestWallClock>(StandsFor::systemBus, argc, argv);
}

#include "tst_wallclock.moc"
