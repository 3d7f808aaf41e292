// Launch at login through the user's XDG autostart folder, in a temporary config folder.
#include "system/linux/XdgAutostartLoginItem.h"

#include "helper/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestLoginItem : public QObject {
    Q_OBJECT

private slots:
    void enableWritesAnEntryThatStartsTheProgram() {
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/opt/Velmar Monitor/bin/velmar-monitor"));
        QVERIFY(!item.isEnabled());
        QCOMPARE(item.enable(), std::nullopt);
        QVERIFY(item.isEnabled());

        QCOMPARE(item.disable(), std::nullopt);
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(item.entryPath()));
        QCOMPARE(item.disable(), std::nullopt); // nothing there: nothing to do
    }

    // Whatever the program's path holds, the entry is valid and the desktop's own launcher (GLib's,
    // through gio) starts exactly that program, with nothing added.
    void theEntryStartsTheProgramWhateverItsPath_data() {
        QTest::addColumn<QString>("folder");
        // clang-format off
        QTest::newRow("plain") << QStringLiteral("bin");
        QTest::newRow("reserved characters") << QStringLiteral("a\"b'c\\d$e`f;g&h|i<j>k~l*m?n#o(p)q");
        QTest::newRow("percent signs and a blank") << QStringLiteral("100%/50 %u");
        QTest::newRow("newline, tab, carriage return") << QStringLiteral("a\nb\tc\rd");
        QTest::newRow("beyond ASCII") << QStringLiteral("jürgen/Programme");
        // clang-format on
    }
    void theEntryStartsTheProgramWhateverItsPath() {
        QFETCH(QString, folder);
        for (const char* tool : {"desktop-file-validate", "gio"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is missing (desktop-file-utils, libglib2.0-bin)").arg(tool)));
        }
        QTemporaryDir root;
        // A program that writes down how it was started.
        const QString program = root.filePath(folder + QStringLiteral("/velmar-monitor"));
        makeFile(program, "#!/bin/sh\nprintf '%s|%s' \"$0\" \"$#\" > \"$STARTED\"\n");
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        XdgAutostartLoginItem item(root.filePath(QStringLiteral("config")), program);
        QCOMPARE(item.enable(), std::nullopt);

        const auto run = [&](const QStringList& command) {
            QProcess tool;
            auto environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("STARTED"), root.filePath(QStringLiteral("started")));
            tool.setProcessEnvironment(environment);
            tool.setProcessChannelMode(QProcess::MergedChannels);
            tool.start(command.first(), command.mid(1));
            QVERIFY(tool.waitForFinished(30000));
            QVERIFY2(tool.exitCode() == 0, tool.readAll().constData());
        };
        run({"desktop-file-validate", item.entryPath()});
        // GLib looks for the program before it turns %% back into %, so it refuses any path with a
        // percent sign: the validator has checked those.
        if (folder.contains(u'%'))
            return;
        run({"gio", "launch", item.entryPath()});
        QTRY_COMPARE(QString::fromUtf8(fileBytes(root.filePath(QStringLiteral("started")))), program + "|0");
    }

    void anEntryTheDesktopTurnedOffCountsAsDisabled_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("enabled");
        // clang-format off
        QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=velmar-monitor\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=velmar-monitor\nHidden=true\n") << false;
        QTest::newRow("GNOME switch off") << QByteArray("[Desktop Entry]\nExec=velmar-monitor\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("hidden in another group only") << QByteArray("[Desktop Entry]\nExec=velmar-monitor\n[Desktop Action x]\nHidden=true\n") << true;
        // clang-format on
    }
    void anEntryTheDesktopTurnedOffCountsAsDisabled() {
        QFETCH(QByteArray, entry);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        makeFile(item.entryPath(), entry);
        QTEST(item.isEnabled(), "enabled");
        // Turning it on again writes a fresh entry that is on.
        QCOMPARE(item.enable(), std::nullopt);
        QVERIFY(item.isEnabled());
    }

    // A control character that has no escape is refused rather than written raw; an unwritable
    // folder is reported.
    void whatCannotBeWrittenIsRefused() {
        QTemporaryDir config;
        XdgAutostartLoginItem unwritable(config.path(), QStringLiteral("/opt/a\x01b/velmar-monitor"));
        QVERIFY(unwritable.enable().has_value());
        QVERIFY(!QFile::exists(unwritable.entryPath()));
        // A file where the autostart folder should be: unwritable even for root.
        makeFile(config.filePath(QStringLiteral("autostart")), "not a folder");
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        const auto failure = item.enable();
        QVERIFY(failure.has_value());
        QVERIFY2(failure->contains(QLatin1String("autostart")), qPrintable(*failure));
        QVERIFY(!item.isEnabled());
    }

    // An unset, empty or relative XDG_CONFIG_HOME means ~/.config, as the XDG rules say: all three
    // are a path that is not absolute.
    void theDefaultFolderFollowsXdgConfigHome() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        XdgAutostartLoginItem item(QString(), QStringLiteral("/usr/bin/velmar-monitor"));
        QCOMPARE(item.entryPath(), config.filePath(QStringLiteral("autostart/com.velmar.Monitor.desktop")));
        qputenv("XDG_CONFIG_HOME", "relative/config");
        QCOMPARE(XdgAutostartLoginItem(QString(), QStringLiteral("/usr/bin/velmar-monitor")).entryPath(),
                 QDir::homePath() + QStringLiteral("/.config/autostart/com.velmar.Monitor.desktop"));
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
