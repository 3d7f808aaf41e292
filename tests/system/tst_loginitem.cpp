// Launch at login through the user's XDG autostart folder, in a temporary config folder.
#include "system/linux/XdgAutostartLoginItem.h"

#include "helper/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The Exec value read back as a desktop reads it, independently of how it was written: string
// escapes and %% (a literal %; no field code is expected) first, then the quoting of arguments.
// Anything the format does not allow gives no arguments at all.
QStringList execArguments(const QString& entry) {
    QString value;
    for (const QString& line : entry.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Exec=")))
            value = line.mid(5);
    }
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c.unicode() < 0x20 || (c == u'%' && (++i == value.size() || value.at(i) != u'%')))
            return {};
        if (c != u'\\') {
            text += c;
            continue;
        }
        const QChar escaped = ++i < value.size() ? value.at(i) : QChar();
        const QString known = QStringLiteral("s n\nt\tr\r\\\\"); // each escape, then what it stands for
        const auto at = known.indexOf(escaped);
        if (at < 0 || at % 2 != 0)
            return {};
        text += known.at(at + 1);
    }
    const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    QStringList arguments;
    QString current;
    bool quoted = false, started = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == u'"') {
            quoted = false;
        } else if (quoted && c == u'\\') {
            if (++i == text.size() || !QStringLiteral("\"`$\\").contains(text.at(i)))
                return {};
            current += text.at(i);
        } else if (quoted) {
            current += c;
        } else if (c == u'"') {
            quoted = started = true;
        } else if (c == u' ') {
            if (started)
                arguments << current;
            current.clear();
            started = false;
        } else if (reserved.contains(c)) {
            return {};
        } else {
            current += c;
            started = true;
        }
    }
    if (quoted)
        return {};
    if (started)
        arguments << current;
    return arguments;
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
        const QString entry = QString::fromUtf8(fileBytes(item.entryPath()));
        QVERIFY(entry.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(entry.contains(QLatin1String("Type=Application\n")));

        QCOMPARE(item.disable(), std::nullopt);
        QVERIFY(!item.isEnabled());
        QVERIFY(!QFile::exists(item.entryPath()));
        QCOMPARE(item.disable(), std::nullopt); // nothing there: nothing to do
    }

    // Whatever the program's path holds, the entry is valid and starts exactly that program.
    void theEntryStartsTheProgramWhateverItsPath_data() {
        QTest::addColumn<QString>("program");
        // clang-format off
        QTest::newRow("plain") << QStringLiteral("/usr/bin/velmar-monitor");
        QTest::newRow("reserved characters") << QStringLiteral("/opt/a\"b'c\\d$e`f;g&h|i<j>k~l*m?n#o(p)q/velmar-monitor");
        QTest::newRow("percent signs") << QStringLiteral("/opt/100%/50 %u/velmar-monitor");
        QTest::newRow("newline, tab, carriage return") << QStringLiteral("/opt/a\nb\tc\rd/velmar-monitor");
        QTest::newRow("beyond ASCII") << QStringLiteral("/home/jürgen/Programme/velmar-monitor");
        // clang-format on
    }
    void theEntryStartsTheProgramWhateverItsPath() {
        QFETCH(QString, program);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), program);
        QCOMPARE(item.enable(), std::nullopt);
        QCOMPARE(execArguments(QString::fromUtf8(fileBytes(item.entryPath()))), QStringList{program});
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            return;
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {item.entryPath()});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }

    // A control character that has no escape is refused rather than written raw.
    void aPathWithAnUnwritableCharacterIsRefused() {
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/opt/a\x01b/velmar-monitor"));
        QVERIFY(item.enable().has_value());
        QVERIFY(!QFile::exists(item.entryPath()));
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
        QFETCH(bool, enabled);
        QTemporaryDir config;
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        makeFile(item.entryPath(), entry);
        QCOMPARE(item.isEnabled(), enabled);
        // Turning it on again writes a fresh entry that is on.
        QCOMPARE(item.enable(), std::nullopt);
        QVERIFY(item.isEnabled());
    }

    void anUnwritableFolderIsReported() {
        QTemporaryDir config;
        // A file where the autostart folder should be: unwritable even for root.
        makeFile(config.filePath(QStringLiteral("autostart")), "not a folder");
        XdgAutostartLoginItem item(config.path(), QStringLiteral("/usr/bin/velmar-monitor"));
        const auto failure = item.enable();
        QVERIFY(failure.has_value());
        QVERIFY2(failure->contains(QLatin1String("autostart")), qPrintable(*failure));
        QVERIFY(!item.isEnabled());
    }

    // An unset, empty or relative XDG_CONFIG_HOME means ~/.config, as the XDG rules say.
    void theDefaultFolderFollowsXdgConfigHome() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        XdgAutostartLoginItem item(QString(), QStringLiteral("/usr/bin/velmar-monitor"));
        QCOMPARE(item.entryPath(), config.filePath(QStringLiteral("autostart/com.velmar.Monitor.desktop")));
        const QString fallback =
            QDir::homePath() + QStringLiteral("/.config/autostart/com.velmar.Monitor.desktop");
        for (const QByteArray& ignored :
             {QByteArray("relative/config"), QByteArray("~/.config"), QByteArray()}) {
            qputenv("XDG_CONFIG_HOME", ignored);
            QCOMPARE(XdgAutostartLoginItem(QString(), QStringLiteral("/usr/bin/velmar-monitor")).entryPath(),
                     fallback);
        }
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(XdgAutostartLoginItem(QString(), QStringLiteral("/usr/bin/velmar-monitor")).entryPath(),
                 fallback);
    }
};

QTEST_GUILESS_MAIN(TestLoginItem)
#include "tst_loginitem.moc"
