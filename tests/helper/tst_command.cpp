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
        // And only the standard codes of those inputs: not a vendor code, not another standard input.
        QTest::newRow("vendor code as standard") << Arguments{"set", "input", "208"} << "none of the standard input codes";
        QTest::newRow("standard input we lack") << Arguments{"set", "input", "1"} << "none of the standard input codes";
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
