#include "DisplayMemory.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace m1ddc;

namespace {

const RememberedDisplays displayOnBus7{.displays = {{.bus = 7,
                                                     .edidHash = 0x1d2c3b4a59687786,
                                                     .monitorHash = 0x5f0e1d2c3b4a6978,
                                                     .adapter = 0x0a1b2c3d4e5f6071}}};
const QString recordName = QString::fromUtf8(DisplayMemory::fileName.data(), DisplayMemory::fileName.size());
const QByteArray bus7Text =
    "velmar-monitor display 3\nbus 7\nedid 1d2c3b4a59687786\nid 5f0e1d2c3b4a6978\nadapter 0a1b2c3d4e5f6071\n";
const QByteArray twoDisplaysText =
    "velmar-monitor display 3\nbus 7\nedid 1d2c3b4a59687786\nid 5f0e1d2c3b4a6978\n"
    "adapter 0a1b2c3d4e5f6071\nbus 12\nedid fedcba9876543210\nid 0123456789abcdef\n"
    "silent 0000000000000001\n";
// Today's, with the monitors' names: one after an adapter, one without.
const QByteArray namedTwoDisplaysText =
    QByteArray(twoDisplaysText)
        .replace("6071\n", "6071\nname Velmar S27\n")
        .replace("id 0123456789abcdef\n", "id 0123456789abcdef\nname DEL 41159\n");
// As helpers wrote it before ids named the monitor alone: for one display, and for the rest.
const QByteArray earlierBus7Text = "velmar-monitor display 1\nbus 7\nedid 1d2c3b4a59687786\n";
const QByteArray earlierTwoDisplaysText = "velmar-monitor display 2\nbus 7\nedid 1d2c3b4a59687786\n"
                                          "bus 12\nedid fedcba9876543210\nsilent 0000000000000001\n";
constexpr uid_t someoneElse = 4242;

// Permission bits and owner of a file or folder, without following a link.
struct stat statusOf(const QString& path) {
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

} // namespace

class TestDisplayMemory : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString runtime_; ///< stands for $XDG_RUNTIME_DIR
    QString tmp_;     ///< stands for /tmp
    QString fallback_;

    QString recordIn(const QString& folder) const { return folder + "/" + recordName; }
    // The memory copies the folder's name, so a temporary's bytes will do.
    DisplayMemory memory(const QByteArray& runtimeDir) const {
        return DisplayMemory(runtimeDir.isNull() ? nullptr : runtimeDir.constData(), tmp_.toStdString(),
                             ::geteuid());
    }
    DisplayMemory memory() const { return memory(QFile::encodeName(runtime_)); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        const QString base =
            dir_.filePath(QTest::currentTestFunction() + QString("-") + QTest::currentDataTag());
        runtime_ = base + "/run";
        tmp_ = base + "/tmp";
        fallback_ = tmp_ + "/velmar-monitor-" + QString::number(::geteuid());
        QVERIFY(QDir().mkpath(runtime_) && QDir().mkpath(tmp_));
        QVERIFY(QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void readsOnlyItsOwnRecord_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");
        // clang-format off
        QTest::newRow("one display") << bus7Text << true;
        QTest::newRow("bus 0, hashes 0") << QByteArray("velmar-monitor display 3\nbus 0\nedid 0000000000000000\nid 0000000000000000\n") << true;
        QTest::newRow("two displays, one without an adapter, and a silent one") << twoDisplaysText << true;
        QTest::newRow("one display and a silent one") << QByteArray(twoDisplaysText).replace("bus 12\nedid fedcba9876543210\nid 0123456789abcdef\n", "") << true;
        QTest::newRow("names") << namedTwoDisplaysText << true;
        QTest::newRow("name of the longest") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "Velmar Studio") << true;
        // A name goes into the listing as it stands: only what an EDID could have given.
        QTest::newRow("name too long") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "Velmar Studio2") << false;
        QTest::newRow("empty name") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "") << false;
        QTest::newRow("name with a tab") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "Velmar\tS27") << false;
        QTest::newRow("name not ASCII") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "Velmar S\xc3\xa9") << false;
        QTest::newRow("name padded") << QByteArray(namedTwoDisplaysText).replace("Velmar S27", "Velmar S27 ") << false;
        QTest::newRow("name before the adapter") << QByteArray(namedTwoDisplaysText).replace("adapter 0a1b2c3d4e5f6071\nname Velmar S27", "name Velmar S27\nadapter 0a1b2c3d4e5f6071") << false;
        QTest::newRow("a name under an earlier header") << QByteArray(earlierBus7Text + "name Velmar S27\n") << false;
        QTest::newRow("an earlier helper's, one display") << earlierBus7Text << true;
        QTest::newRow("an earlier helper's, two displays") << earlierTwoDisplaysText << true;
        QTest::newRow("earlier two displays under the one-display header") << QByteArray(earlierTwoDisplaysText).replace("display 2", "display 1") << false;
        QTest::newRow("an id under an earlier header") << QByteArray(bus7Text).replace("display 3", "display 2") << false;
        QTest::newRow("silent alone") << QByteArray("velmar-monitor display 3\nsilent 0000000000000001\n") << false;
        QTest::newRow("bus without its EDID") << QByteArray(twoDisplaysText).replace("edid fedcba9876543210\n", "") << false;
        QTest::newRow("display without its id") << QByteArray(twoDisplaysText).replace("id 0123456789abcdef\n", "") << false;
        QTest::newRow("adapter without a hash") << QByteArray(bus7Text).replace("adapter 0a1b2c3d4e5f6071", "adapter NVIDIA i2c adapter 1") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("cut short") << bus7Text.left(bus7Text.size() - 1) << false;
        QTest::newRow("another format version") << QByteArray(bus7Text).replace("display 3", "display 4") << false;
        QTest::newRow("bus with a sign") << QByteArray(bus7Text).replace("bus 7", "bus +7") << false;
        QTest::newRow("bus beyond int") << QByteArray(bus7Text).replace("bus 7", "bus 99999999999") << false;
        QTest::newRow("hash in capitals") << QByteArray(bus7Text).replace("1d2c", "1D2C") << false;
        QTest::newRow("Windows line breaks") << QByteArray(bus7Text).replace("\n", "\r\n") << false;
        QTest::newRow("a line more") << bus7Text + "bus 8\n" << false;
        QTest::newRow("garbage before it") << QByteArray::fromHex("00ff6e80be") + bus7Text << false;
        // clang-format on
    }
    void readsOnlyItsOwnRecord() {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        const auto parsed = parseRememberedDisplays(std::string_view(text.constData(), text.size()));
        QCOMPARE(parsed ? QByteArray::fromStdString(formatRememberedDisplays(*parsed)) : "rejected",
                 accepted ? text : "rejected");
    }

    // The record goes to a folder only the user can enter, or nowhere.
    void remembersOnlyInAPrivatePlace_data() {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("place"); // "runtime", "fallback" or "nowhere"
        // clang-format off
        QTest::newRow("runtime folder") << "" << "runtime";
        QTest::newRow("no runtime folder") << "unset" << "fallback";
        QTest::newRow("relative runtime folder") << "relative" << "fallback";
        QTest::newRow("runtime folder open to its group") << "runtime 0750" << "fallback";
        QTest::newRow("fallback already there") << "unset, fallback 0700" << "fallback";
        QTest::newRow("fallback open to others") << "unset, fallback 0755" << "nowhere";
        QTest::newRow("fallback is a planted link") << "unset, fallback link" << "nowhere";
        QTest::newRow("fallback of another user") << "unset, fallback someone else's" << "nowhere";
        // clang-format on
    }
    void remembersOnlyInAPrivatePlace() {
        QFETCH(QString, setUp);
        QFETCH(QString, place);
        const QString elsewhere = tmp_ + "/elsewhere";
        const QByteArray fallback = QFile::encodeName(fallback_);
        QVERIFY(QDir().mkpath(elsewhere));
        if (setUp.contains("0750"))
            QVERIFY(::chmod(QFile::encodeName(runtime_).constData(), 0750) == 0);
        if (const mode_t mode = setUp.endsWith("0755") ? 0755 : 0700; setUp.contains("fallback 0")) {
            // chmod too: mkdir's mode passes through the umask.
            QVERIFY(::mkdir(fallback.constData(), mode) == 0 && ::chmod(fallback.constData(), mode) == 0);
        }
        if (setUp.contains("link"))
            QVERIFY(QFile::link(elsewhere, fallback_));
        if (setUp.contains("someone else's")) {
            if (::geteuid() != 0)
                QSKIP("only root can give a folder to someone else");
            QVERIFY(::mkdir(fallback.constData(), 0700) == 0 &&
                    ::chown(fallback.constData(), someoneElse, someoneElse) == 0);
        }
        const auto memory = setUp.startsWith("unset")    ? this->memory(QByteArray())
                            : setUp.contains("relative") ? this->memory("run")
                                                         : this->memory();
        QCOMPARE(memory.recall(), std::nullopt);
        memory.remember(displayOnBus7);
        const QString expected = recordIn(place == "runtime" ? runtime_ : fallback_);
        QCOMPARE(QFile::exists(recordIn(runtime_)), place == "runtime");
        QCOMPARE(QFile::exists(recordIn(fallback_)), place == "fallback");
        QCOMPARE(QDir(elsewhere).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList());
        if (place == "nowhere") {
            QCOMPARE(memory.recall(), std::nullopt);
            return;
        }
        QCOMPARE(memory.recall(), displayOnBus7);
        QCOMPARE(fileBytes(expected), bus7Text);
        QCOMPARE(statusOf(expected).st_mode & 0777, 0600u);
        if (place == "fallback")
            QCOMPARE(statusOf(fallback_).st_mode & 0777, 0700u);
        memory.forget();
        QVERIFY(!QFile::exists(expected));
        QCOMPARE(memory.recall(), std::nullopt);
    }

    // Whatever is in the record's place and is not our record is ignored, then replaced by the
    // next detection's.
    void ignoresAndReplacesAnythingElse_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("another program's file") << "foreign";
        QTest::newRow("too long") << "long";
        QTest::newRow("a link to a good record") << "link";
        QTest::newRow("another user's file") << "owner";
    }
    void ignoresAndReplacesAnythingElse() {
        QFETCH(QString, kind);
        const QString file = recordIn(runtime_);
        const QString target = tmp_ + "/good-record";
        if (kind == "foreign") {
            makeFile(file, "[Display]\nbus=7\n");
        } else if (kind == "long") {
            makeFile(file, bus7Text + QByteArray(300, ' '));
        } else if (kind == "link") {
            makeFile(target, bus7Text);
            QVERIFY(QFile::link(target, file));
        } else {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to someone else");
            makeFile(file, bus7Text);
            QVERIFY(::chown(QFile::encodeName(file).constData(), someoneElse, someoneElse) == 0);
        }
        const auto memory = this->memory();
        QCOMPARE(memory.recall(), std::nullopt);
        const RememberedDisplays detected{.displays = {{.bus = 9, .edidHash = 42, .monitorHash = 43}}};
        memory.remember(detected);
        QCOMPARE(memory.recall(), detected);
        const auto status = statusOf(file);
        QVERIFY(S_ISREG(status.st_mode));
        QCOMPARE(status.st_uid, ::geteuid());
        if (kind == "link") {
            QCOMPARE(fileBytes(target), bus7Text); // the link was replaced, not written through
        }
    }

    // Two helpers that detect at the same moment both write the file: each write replaces it by
    // renaming a temporary file of its own, so a reader sees one whole set of displays or the other.
    void twoProcessesAtOnceNeverCorruptTheRecord() {
        const auto memory = this->memory();
        const RememberedDisplays records[] = {
            displayOnBus7,
            {.displays = {{7, 0x1d2c3b4a59687786, 2}, {12, 0xfedcba9876543210, 3}}, .silent = {1}}};
        memory.remember(records[0]);

        pid_t children[2] = {};
        for (int i = 0; i < 2; ++i) {
            children[i] = ::fork();
            QVERIFY(children[i] >= 0);
            if (children[i] == 0) {
                int status = 0;
                for (int round = 0; round < 500 && status == 0; ++round) {
                    memory.remember(records[i]);
                    const auto seen = memory.recall();
                    status = seen == records[0] || seen == records[1] ? 0 : 1;
                }
                ::_exit(status);
            }
        }
        for (const pid_t child : children) {
            int status = -1;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const auto last = memory.recall();
        QVERIFY(last == records[0] || last == records[1]);
        QCOMPARE(QDir(runtime_).entryList(QDir::Files | QDir::Hidden), QStringList{recordName});
    }
};

QTEST_GUILESS_MAIN(TestDisplayMemory)
#include "tst_displaymemory.moc"
