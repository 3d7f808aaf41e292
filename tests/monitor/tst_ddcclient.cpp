// The DDC client against the scriptable fake helper: what reaches the "monitor", how the
// helper's answers become values or errors, pacing, ordering and the time limit.
#include "monitor/DDCClient.h"

#include "helper/TestFiles.h"
#include "support/FakeMonitor.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

class TestDDCClient : public QObject {
    Q_OBJECT

private:
    // A command's result as one text to compare: the value read, "done", or the error's text.
    template <typename T> static QString outcome(const std::optional<Result<T>>& result) {
        if (!result || !result->ok())
            return result ? result->error().errorDescription() : QString("no result in time");
        if constexpr (std::is_void_v<T>)
            return "done";
        else
            return QString::number(result->value());
    }

private slots:
    void lastIntegerParsing_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<qint64>("expected"); // -999: no integer
        QTest::newRow("value and line break") << "50\n" << qint64(50);
        QTest::newRow("last of several wins") << "16 then some words 35" << qint64(35);
        QTest::newRow("signed") << "-3\t+7" << qint64(7);
        QTest::newRow("unicode whitespace") << QStringLiteral("\u2003 42\u00a0") << qint64(42);
        QTest::newRow("empty") << "" << qint64(-999);
        QTest::newRow("percent sign") << "50%" << qint64(-999);
        QTest::newRow("bare signs") << "+ -" << qint64(-999);
        QTest::newRow("too large for 64 bits is skipped") << "7 99999999999999999999999" << qint64(7);
        QTest::newRow("arabic-indic digits are not digits") << QStringLiteral("8 \u0663") << qint64(8);
    }
    void lastIntegerParsing() {
        QFETCH(QString, output);
        QTEST(DDCClient::lastInteger(output).value_or(-999), "expected");
    }

    void readsTurnHelperOutputIntoValuesOrErrors_data() {
        QTest::addColumn<QString>("response");
        QTest::addColumn<QString>("outcome");
        // How the output is searched for the value is lastIntegerParsing's; these rows are about
        // exit status, the two pipes and their bytes.
        // clang-format off
        QTest::newRow("stderr ignored after exit 0") << R"(out="61" err="warning: slow bus\n")" << "61";
        QTest::newRow("empty output") << R"(out="")" << "The monitor returned an unreadable value.";
        QTest::newRow("silent failure") << "exit=1" << "The monitor did not respond. Check that DDC/CI is enabled.";
        QTest::newRow("stderr text kept exactly") << R"(exit=1 err="DDC read failed\n" out="ignored")" << "DDC read failed\n";
        QTest::newRow("stdout when stderr is empty") << R"(exit=2 out="no monitor\n")" << "no monitor\n";
        QTest::newRow("crash") << "crash" << "The monitor did not respond. Check that DDC/CI is enabled.";
        QTest::newRow("non-UTF-8 before the value") << R"(out="\xff\xfe 42\n")" << "42";
        QTest::newRow("non-UTF-8 error text") << R"(exit=1 err="bad \xff byte")" << QStringLiteral("bad \uFFFD byte");
        // clang-format on
    }
    void readsTurnHelperOutputIntoValuesOrErrors() {
        QFETCH(QString, response);
        FakeMonitor monitor;
        // The same answer for every attempt, so failures are retried into the same error.
        monitor.setScript(QStringLiteral("get contrast = %1\n").arg(response));
        const auto result = runTask(DDCClient(monitor.locator()).read(MonitorFeature::contrast));
        QTEST(outcome(result), "outcome");
        QCOMPARE(monitor.commandLines(),
                 QStringList(result && result->ok() ? 1 : DDCClient::readAttempts, "get contrast"));
    }

    void writesSendClampedValuesAndInputCodes() {
        FakeMonitor monitor;
        DDCClient client(monitor.locator());
        QVERIFY(runTask(client.write(MonitorFeature::volume, 130))->ok());
        QVERIFY(runTask(client.write(MonitorFeature::red, -4))->ok());
        QVERIFY(runTask(client.write(MonitorFeature::brightness, 37))->ok());
        QVERIFY(runTask(client.setVelmarInput(MonitorInput::hdmi2))->ok());
        QVERIFY(runTask(client.setStandardInput(MonitorInput::displayPort))->ok());
        QCOMPARE(monitor.commandLines(), (QStringList{"set volume 100", "set red 0", "set luminance 37",
                                                      "set input-alt 145", "set input 15"}));
    }

    // With a display, every command line starts with "display <id>" and reaches that monitor
    // alone; without one it is the plain command, which the helper gives its default monitor.
    void commandsGoToTheDisplayTheyAreAddressedTo() {
        const QString first = "00000000000000aa", second = "00000000000000bb";
        FakeMonitor monitor;
        monitor.setDisplays({first + " First", second + " Second"});
        monitor.setState({{"luminance", "20"}}, first);
        monitor.setState({{"luminance", "80"}}, second);
        DDCClient plain(monitor.locator()), addressed(monitor.locator());
        addressed.setDisplay(second);
        QCOMPARE(outcome(runTask(plain.read(MonitorFeature::brightness))), "20");
        QCOMPARE(outcome(runTask(addressed.read(MonitorFeature::brightness))), "80");
        QCOMPARE(outcome(runTask(addressed.write(MonitorFeature::contrast, 5))), "done");
        QCOMPARE(outcome(runTask(addressed.setVelmarInput(MonitorInput::hdmi2))), "done");
        QCOMPARE(outcome(runTask(addressed.readValue({"get", "input"}))), "18");
        QCOMPARE(monitor.stateValue("contrast", second), "5");
        QVERIFY(monitor.stateValue("contrast", first).isEmpty()); // never written
        addressed.setDisplay("00000000000000cc");
        QCOMPARE(outcome(runTask(addressed.write(MonitorFeature::red, 1))),
                 "No display with id 00000000000000cc\n");
        QCOMPARE(
            monitor.commandLines(),
            (QStringList{"get luminance", "display " + second + " get luminance",
                         "display " + second + " set contrast 5", "display " + second + " set input-alt 145",
                         "display " + second + " get input", "display 00000000000000cc set red 1"}));
    }

    void displayListingTakesOnlyWellFormedLines_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("listed"); // "id name" of each monitor taken, joined by "|"
        const QString a = "0123456789abcdef", b = "fedcba9876543210";
        // clang-format off
        QTest::newRow("two, default first") << "1 " + a + " Velmar 27\n2 " + b + " Office\n" << a + " Velmar 27|" + b + " Office";
        QTest::newRow("no name, CRLF") << "1 " + a + "\r\n" << a + " ";
        QTest::newRow("malformed lines skipped")
            << "garbage\n0 " + a + " zero\nx " + a + " word\n1 0123456789ABCDEF caps\n1 0123456789abcde short\n"
               "1 0123456789abcdef0 long\n1 0123456789abcdeg hex\n-1 " + a + " sign\n2 " + b + " ok"
            << b + " ok";
        QTest::newRow("second line for an id skipped") << "1 " + a + " one\n2 " + a + " again" << a + " one";
        QTest::newRow("control characters dropped") << "1 " + a + " Bad\x1b[2Jname\u200e\tx" << a + " Bad [2Jname x";
        QTest::newRow("long name cut") << "1 " + a + " " + QString(200, 'n') << a + " " + QString(63, 'n') + "…";
        // clang-format on
    }
    void displayListingTakesOnlyWellFormedLines() {
        QFETCH(QString, output);
        QStringList listed;
        for (const auto& display : DisplayListing::parse(output))
            listed.append(display.id + ' ' + display.name);
        QTEST(listed.join('|'), "listed");
    }

    void displayListingIsBounded() {
        QString output;
        for (int i = 1; i <= 40; ++i)
            output += QStringLiteral("%1 %2 Monitor\n").arg(i).arg(i, 16, 16, QLatin1Char('0'));
        QCOMPARE(DisplayListing::parse(output).size(), DisplayListing::maxDisplays);
    }

    // The listing is one plain "display list", whatever display the client addresses; text
    // without a usable line is no answer, while no text means no monitor answered.
    void listingDisplays() {
        FakeMonitor monitor;
        DDCClient client(monitor.locator());
        client.setDisplay("0123456789abcdef");
        // A helper without "display".
        QCOMPARE(runTask(client.listDisplays())->error().kind(), ClientError::Kind::failed);
        monitor.setDisplays({"0123456789abcdef Left", "fedcba9876543210 Right"});
        QCOMPARE(runTask(client.listDisplays())->value(),
                 (QList<ListedDisplay>{{"0123456789abcdef", "Left", {}}, {"fedcba9876543210", "Right", {}}}));
        QCOMPARE(monitor.commandLines(), QStringList(2, "display list"));
        monitor.clearLog();
        monitor.setScript("display list = out=\"no monitors here\"; out=\"\"\n");
        QCOMPARE(runTask(client.listDisplays())->error().kind(), ClientError::Kind::invalidResponse);
        QVERIFY(runTask(client.listDisplays())->value().isEmpty());
    }

    // A failed write is one attempt. A failed read is asked twice more, a pause apart; when all
    // three fail, the last says why.
    void writesTryOnceReadsRetryTwiceWithPauses() {
        FakeMonitor monitor;
        monitor.setScript("set * * = exit=1 err=\"busy\\n\"\n"
                          "get luminance = exit=1 err=\"first\"; exit=1 err=\"second\"; out=\"44\"\n"
                          "get green = exit=1 err=\"one\"; exit=1 err=\"two\"; exit=1 err=\"three\"\n");
        DDCClient client(monitor.locator());
        QCOMPARE(outcome(runTask(client.write(MonitorFeature::blue, 20))), "busy\n");
        QCOMPARE(monitor.commandLines().size(), 1);
        monitor.clearLog();
        QCOMPARE(outcome(runTask(client.read(MonitorFeature::brightness))), "44");
        QCOMPARE(monitor.invocations().size(), 3);
        QCOMPARE_GE(std::ranges::min(FakeMonitor::gapsMs(monitor.invocations())), 119);
        QCOMPARE(outcome(runTask(client.read(MonitorFeature::green))), "three");
    }

    // A missing helper starts nothing and is looked for again by each attempt of a read; one that
    // cannot start gives the platform's text.
    void aHelperThatCannotRunIsReported() {
        int lookups = 0;
        DDCClient counting([&lookups] {
            ++lookups;
            return std::optional<QString>();
        });
        const auto read = runTask(counting.read(MonitorFeature::volume));
        QCOMPARE(read->error().kind(), ClientError::Kind::helperMissing);
        QCOMPARE(lookups, 3); // located afresh for every attempt

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("m1ddc"));
        makeFile(path, "#!/bin/sh\necho 50\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner); // not executable

        DDCClient client(HelperLocation::fixed(path)); // the production time limit
        QElapsedTimer elapsed;
        elapsed.start();
        const auto result = runTask(client.write(MonitorFeature::contrast, 50));
        QVERIFY(!result->ok() && !result->error().errorDescription().isEmpty());
        QCOMPARE(result->error().kind(), ClientError::Kind::launchFailed);
        // At once, not after the time limit a running helper would get.
        QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY(client.isIdle());
    }

    void hungHelperIsKilledAndTheNextCommandStillRuns() {
        FakeMonitor monitor;
        monitor.setScript("get luminance = hang\n");
        DDCClient client(monitor.locator(), 2s);

        std::optional<Result<void>> write;
        auto writer = [&]() -> QCoro::Task<> { write = co_await client.write(MonitorFeature::volume, 12); };
        const auto began = std::chrono::steady_clock::now();
        auto hung = client.run({QStringLiteral("get"), QStringLiteral("luminance")});
        auto pendingWrite = writer(); // queued behind the hung helper

        const auto result = runTask(std::move(hung));
        QVERIFY(!result->ok() && result->error().errorDescription().contains("did not finish"));
        QCOMPARE(result->error().kind(), ClientError::Kind::timedOut);
        QTRY_VERIFY(write);
        QCOMPARE(outcome(write), "done");
        const auto calls = monitor.invocations();
        QCOMPARE(calls.size(), 2);
        QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(calls[0].pid))); // killed and reaped
        QCOMPARE(calls[1].commandLine(), QStringLiteral("set volume 12"));
        // The queued write waited for the limit, a coarse timer that may fire up to 5% early. Measured
        // from before the hung helper was started: on a loaded machine it may log its own start late.
        QVERIFY(msBetween(began, calls[1].startedAt) >= 1900);
        QTRY_VERIFY(client.isIdle());
    }

    void destroyingTheClientStopsItsHelperAndDropsWhatWaits() {
        FakeMonitor monitor;
        monitor.setScript("get luminance = hang\n");
        auto client = std::make_unique<DDCClient>(monitor.locator());
        std::optional<Result<qint64>> hung, queuedRead;
        std::optional<Result<void>> queuedWrite;
        // Named, so the coroutines' captures outlive them.
        auto readHung = [&]() -> QCoro::Task<> { hung = co_await client->read(MonitorFeature::brightness); };
        auto writeRed = [&]() -> QCoro::Task<> {
            queuedWrite = co_await client->write(MonitorFeature::red, 9);
        };
        auto readBlue = [&]() -> QCoro::Task<> { queuedRead = co_await client->read(MonitorFeature::blue); };
        auto first = readHung();
        auto second = writeRed();
        auto third = readBlue();
        QTRY_COMPARE(monitor.commandLines().size(), 1);
        const qint64 pid = monitor.invocations().first().pid;

        client.reset(); // kills it; the event loop reaps it, nobody waits for it
        QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
        QTRY_VERIFY(hung && queuedWrite && queuedRead);
        QCOMPARE((QList{hung->error().kind(), queuedWrite->error().kind(), queuedRead->error().kind()}),
                 QList<ClientError::Kind>(3, ClientError::Kind::cancelled));
        QCOMPARE(monitor.commandLines(), QStringList{"get luminance"}); // nothing queued was run
    }

    void oneHelperAtATimeInArrivalOrder() {
        FakeMonitor monitor;
        monitor.setScript("get * = delay=80 out=\"5\"\nset * * = delay=80\n");
        DDCClient client(monitor.locator());
        QList<int> finished;
        auto op = [&](int tag, auto task) -> QCoro::Task<> {
            co_await std::move(task);
            finished.append(tag);
        };
        auto a = op(1, client.write(MonitorFeature::brightness, 10));
        auto b = op(2, client.read(MonitorFeature::contrast));
        auto c = op(3, client.setVelmarInput(MonitorInput::displayPort));
        auto d = op(4, client.write(MonitorFeature::blue, 90));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 10000);
        QCOMPARE(finished, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(monitor.commandLines(),
                 (QStringList{"set luminance 10", "get contrast", "set input-alt 208", "set blue 90"}));
        // No two helpers overlapped: each started after the previous one's 80 ms.
        QCOMPARE_GE(std::ranges::min(FakeMonitor::gapsMs(monitor.invocations())), 79);
    }

    void eventLoopKeepsRunningWhileAHelperWorks() {
        FakeMonitor monitor;
        monitor.setScript("get volume = wait=gate out=\"33\"\n");
        DDCClient client(monitor.locator());
        // The helper only finishes once a timer of ours has run: a client that blocked the
        // event loop while waiting would never get there.
        QTimer::singleShot(50ms, [&] { monitor.openGate("gate"); });
        QCOMPARE(outcome(runTask(client.read(MonitorFeature::volume))), "33");
    }

    void chattyHelperCannotDeadlockNorFloodTheScreen() {
        FakeMonitor monitor;
        monitor.setScript("get red = spam=1000000 out=\"47\\n\"\nset red * = spam=3000000 exit=1\n");
        DDCClient client(monitor.locator(), 5s);
        QCOMPARE(outcome(runTask(client.read(MonitorFeature::red))), "47");

        // Megabytes of complaint: the user sees the start of it, not a wall of text.
        const auto failed = runTask(client.write(MonitorFeature::red, 5));
        QVERIFY(failed && !failed->ok());
        const QString text = failed->error().errorDescription();
        QVERIFY2(text.size() <= 1001 && text.endsWith(QStringLiteral("…")),
                 qPrintable(QString::number(text.size())));
    }

    void cancellingDuringTheRetryPauseEndsTheRead() {
        FakeMonitor monitor;
        monitor.setScript(R"(get blue = exit=1 err="nope")");
        DDCClient client(monitor.locator());
        auto token = makeCancelToken();
        QTimer::singleShot(40ms, [token] { token->cancel(); });
        const auto result = runTask(client.read(MonitorFeature::blue, token));
        QCOMPARE(result->error().kind(), ClientError::Kind::cancelled);
        QCOMPARE(monitor.commandLines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDDCClient)
#include "tst_ddcclient.moc"
