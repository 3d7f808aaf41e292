#include "Command.h"

#include <QTest>

#include <vector>

using namespace m1ddc;
using Arguments = std::vector<std::string_view>;

Q_DECLARE_METATYPE(Arguments)

class TestCommand : public QObject {
    Q_OBJECT

private slots:
    void acceptsEveryCommandTheAppRuns_data() {
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<Command>("expected");
        using enum Command::Action;
        // clang-format off
        // The attribute words themselves are one table (Attribute.cpp); one get stands for all.
        QTest::newRow("get input-alt") << Arguments{"get", "input-alt"} << Command{get, Attribute::inputAlt};
        QTest::newRow("lowest percentage") << Arguments{"set", "volume", "0"} << Command{set, Attribute::volume, 0};
        QTest::newRow("highest percentage") << Arguments{"set", "blue", "100"} << Command{set, Attribute::blue, 100};
        // Input codes are not percentages: above 100 is fine.
        QTest::newRow("input code") << Arguments{"set", "input-alt", "210"} << Command{set, Attribute::inputAlt, 210};
        // Other brands switch through the standard feature, DisplayPort's second port among its codes.
        QTest::newRow("standard input code") << Arguments{"set", "input", "16"} << Command{set, Attribute::input, 16};
        // Which of them a monitor has, it says itself: one the app has no name for (DVI) goes too.
        QTest::newRow("standard input code of no name") << Arguments{"set", "input", "3"} << Command{set, Attribute::input, 3};
        QTest::newRow("display list") << Arguments{"display", "list"} << Command{list};
        QTest::newRow("display by position") << Arguments{"display", "2", "get", "volume"} << Command{get, Attribute::volume, 0, "2"};
        QTest::newRow("display by id") << Arguments{"display", "0123456789abcdef", "set", "input-alt", "208"} << Command{set, Attribute::inputAlt, 208, "0123456789abcdef"};
        // clang-format on
    }
    void acceptsEveryCommandTheAppRuns() {
        QFETCH(Arguments, arguments);
        QFETCH(Command, expected);
        const auto parsed = parseCommand(arguments);
        QVERIFY(std::holds_alternative<Command>(parsed));
        const auto& command = std::get<Command>(parsed);
        QCOMPARE(command.action, expected.action);
        QCOMPARE(command.attribute, expected.attribute);
        QCOMPARE(command.value, expected.value);
        QCOMPARE(command.display, expected.display);
    }

    void refusesEverythingElse_data() {
        QTest::addColumn<Arguments>("arguments");
        QTest::addColumn<QString>("reasonMentions");
        // clang-format off
        QTest::newRow("nothing") << Arguments{} << "Usage";
        QTest::newRow("command in capitals") << Arguments{"GET", "luminance"} << "\"GET\"";
        QTest::newRow("get without attribute") << Arguments{"get"} << "attribute";
        QTest::newRow("app word, not attribute word") << Arguments{"get", "brightness"} << "\"brightness\"";
        QTest::newRow("get with a value") << Arguments{"get", "luminance", "50"} << "\"50\"";
        QTest::newRow("set without value") << Arguments{"set", "contrast"} << "set contrast";
        QTest::newRow("hex") << Arguments{"set", "input-alt", "0xD0"} << "\"0xD0\"";
        QTest::newRow("above 100") << Arguments{"set", "luminance", "101"} << "0 to 100";
        QTest::newRow("negative") << Arguments{"set", "blue", "-1"} << "0 to 100";
        QTest::newRow("beyond int") << Arguments{"set", "red", "99999999999"} << "0 to 100";
        // Only the monitor's own vendor codes: a standard input code is not one.
        QTest::newRow("standard input code") << Arguments{"set", "input-alt", "17"} << "none of the monitor's inputs";
        QTest::newRow("input code beyond int") << Arguments{"set", "input-alt", "99999999999"} << "none of the monitor's inputs";
        // And only standard codes, 1 to 27: a vendor code is not one.
        QTest::newRow("vendor code as standard") << Arguments{"set", "input", "208"} << "not a standard input code";
        QTest::newRow("standard input code 0") << Arguments{"set", "input", "0"} << "not a standard input code";
        QTest::newRow("beyond the standard input codes") << Arguments{"set", "input", "28"} << "not a standard input code";
        QTest::newRow("display alone") << Arguments{"display"} << "Missing list";
        QTest::newRow("display list with more") << Arguments{"display", "list", "all"} << "\"all\"";
        QTest::newRow("display without command") << Arguments{"display", "2"} << "Missing command after \"display 2\"";
        // What no display could be called is refused as no display with that id, without looking.
        QTest::newRow("display by name") << Arguments{"display", "Studio", "get", "volume"} << "No display with id Studio";
        QTest::newRow("display 0") << Arguments{"display", "0", "get", "volume"} << "No display with id 0";
        QTest::newRow("id in capitals") << Arguments{"display", "0123456789ABCDEF", "get", "volume"} << "No display with id 0123456789ABCDEF";
        QTest::newRow("display twice") << Arguments{"display", "1", "display", "2", "get", "volume"} << "\"display\"";
        QTest::newRow("display then a bad command") << Arguments{"display", "1", "set", "volume", "101"} << "0 to 100";
        // clang-format on
    }
    void refusesEverythingElse() {
        QFETCH(Arguments, arguments);
        QFETCH(QString, reasonMentions);
        const auto parsed = parseCommand(arguments);
        QVERIFY(std::holds_alternative<UsageError>(parsed));
        const auto reason = QString::fromStdString(std::get<UsageError>(parsed).reason);
        QVERIFY2(reason.contains(reasonMentions), qPrintable(reason));
        QVERIFY(!reason.contains('\n'));
    }
};

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
