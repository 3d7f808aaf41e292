// Launch at login through the user's XDG autostart folder, in a temporary config folder.
#include "system/linux/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

class TestLoginItem : public QObject {
    Q_OBJECT

private slots:
    void enableWritesAnEntryThatStartsTheProgram() {
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/opt/Velmar Monitor/bin/velmar-monitor"));
        QVERIFY(!item.isEnabled());
        QCOMPARE(item.enable(), std::nullopt);
        QVERIFY(item.isEnabled());
        QCOMPARE(item.entryPath(), config.filePath(QStringLiteral("autostart/com.velmar.Monitor.desktop")));
        const QString entry = read(item.entryPath());
        QVERIFY(entry.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(entry.contains(QLatin1String("Type=Application\n")));
        // A path with a blank is quoted, as the desktop entry format asks.
        QVERIFY2(entry.contains(QLatin1String("Exec=\"/opt/Velmar Monitor/bin/velmar-monitor\"\n")),
                 qPrintable(entry));

        QCOMPARE(item.disable(), std::nullopt);
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(item.entryPath()));
        QCOMPARE(item.disable(), std::nullopt); // nothing there: nothing to do
    }

    void anEntryTheDesktopTurnedOffCountsAsDisabled_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=velmar-monitor\n")
                               << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=velmar-monitor\nHidden=true\n") << false;
        QTest::newRow("GNOME switch off")
            << QByteArray("[Desktop Entry]\nExec=velmar-monitor\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("hidden in another group only")
            << QByteArray("[Desktop Entry]\nExec=velmar-monitor\n[Desktop Action x]\nHidden=true\n") << true;
    }
    void anEntryTheDesktopTurnedOffCountsAsDisabled() {
        QFETCH(QByteArray, entry);
        QFETCH(bool, enabled);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        write(item.entryPath(), entry);
        QCOMPARE(item.isEnabled(), enabled);
        // Turning it on again writes a fresh entry that is on.
        QCOMPARE(item.enable(), std::nullopt);
        QVERIFY(item.isEnabled());
    }

    void anUnwritableFolderIsReported() {
        QTemporaryDir config;
        // A file where the autostart folder should be: unwritable even for root.
        write(config.filePath(QStringLiteral("autostart")), "not a folder");
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        const auto failure = item.enable();
        QVERIFY(failure.has_value());
        QVERIFY2(failure->contains(QLatin1String("autostart")), qPrintable(*failure));
        QVERIFY(!item.isEnabled());
    }

    void theDefaultFolderFollowsXdgConfigHome() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        XdgAutostartLoginItem item(QString(), QStringLiteral("/usr/bin/velmar-monitor"));
        QCOMPARE(item.entryPath(), config.filePath(QStringLiteral("autostart/com.velmar.Monitor.desktop")));
        qunsetenv("XDG_CONFIG_HOME");
        XdgAutostartLoginItem fallback(QString(), QStringLiteral("/usr/bin/velmar-monitor"));
        QCOMPARE(fallback.entryPath(),
                 QDir::homePath() + QStringLiteral("/.config/autostart/com.velmar.Monitor.desktop"));
    }
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
