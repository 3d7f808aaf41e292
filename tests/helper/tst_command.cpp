#include "Command.h"

#include <QTest>

#include <string>
#include <vector>

using namespace m1ddc;

namespace {

std::variant<Command, UsageError> parse(const QStringList& words) {
    std::vector<std::string> storage;
    for (const auto& word : words) {
        storage.push_back(word.toStdString());
    }
    const std::vector<std::string_view> arguments(storage.begin(), storage.end());
    return parseCommand(arguments);
}

} // namespace

class TestCommand : public QObject {
    Q_OBJECT

private slots:
    void acceptsEveryCommandTheAppRuns_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("isSet");
        QTest::addColumn<int>("attribute");
        QTest::addColumn<int>("value");

        const std::pair<const char*, Attribute> percentages[] = {
            {"luminance", Attribute::luminance}, {"contrast", Attribute::contrast},
            {"volume", Attribute::volume},       {"red", Attribute::red},
            {"green", Attribute::green},         {"blue", Attribute::blue},
        };
        for (const auto& [word, attribute] : percentages) {
            QTest::addRow("get %s", word) << QStringList{"get", word} << false << int(attribute) << 0;
            QTest::addRow("set %s 0", word) << QStringList{"set", word, "0"} << true << int(attribute) << 0;
            QTest::addRow("set %s 100", word)
                << QStringList{"set", word, "100"} << true << int(attribute) << 100;
        }
        QTest::newRow("get input") << QStringList{"get", "input"} << false << int(Attribute::input) << 0;
        QTest::newRow("get input-alt")
            << QStringList{"get", "input-alt"} << false << int(Attribute::inputAlt) << 0;
        for (const int code : {210, 208, 144, 145}) {
            QTest::addRow("set input-alt %d", code) << QStringList{"set", "input-alt", QString::number(code)}
                                                    << true << int(Attribute::inputAlt) << code;
        }
    }
    void acceptsEveryCommandTheAppRuns() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, isSet);
        QFETCH(int, attribute);
        QFETCH(int, value);

        const auto parsed = parse(arguments);
        QVERIFY(std::holds_alternative<Command>(parsed));
        const auto& command = std::get<Command>(parsed);
        QCOMPARE(command.action == Command::Action::set, isSet);
        QCOMPARE(int(command.attribute), attribute);
        if (isSet) {
            QCOMPARE(command.value, value);
        }
    }

    void refusesEverythingElse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reasonMentions");

        QTest::newRow("nothing") << QStringList{} << "Usage";
        QTest::newRow("unknown command") << QStringList{"read", "luminance"} << "\"read\"";
        QTest::newRow("command in capitals") << QStringList{"GET", "luminance"} << "\"GET\"";
        QTest::newRow("get without attribute") << QStringList{"get"} << "attribute";
        QTest::newRow("app word, not attribute word") << QStringList{"get", "brightness"} << "\"brightness\"";
        QTest::newRow("attribute in capitals") << QStringList{"get", "Luminance"} << "\"Luminance\"";
        QTest::newRow("get with a value") << QStringList{"get", "luminance", "50"} << "\"50\"";
        QTest::newRow("set without value") << QStringList{"set", "contrast"} << "set contrast";
        QTest::newRow("set with two values") << QStringList{"set", "contrast", "5", "6"} << "\"6\"";
        QTest::newRow("set input") << QStringList{"set", "input", "17"} << "input-alt";
        QTest::newRow("word for value") << QStringList{"set", "volume", "loud"} << "\"loud\"";
        QTest::newRow("empty value") << QStringList{"set", "volume", ""} << "\"\"";
        QTest::newRow("fraction") << QStringList{"set", "volume", "50.5"} << "\"50.5\"";
        QTest::newRow("trailing space") << QStringList{"set", "volume", "50 "} << "\"50 \"";
        QTest::newRow("plus sign") << QStringList{"set", "volume", "+50"} << "\"+50\"";
        QTest::newRow("hex") << QStringList{"set", "input-alt", "0xD0"} << "\"0xD0\"";
        QTest::newRow("above 100") << QStringList{"set", "luminance", "101"} << "0 to 100";
        QTest::newRow("negative") << QStringList{"set", "blue", "-1"} << "0 to 100";
        QTest::newRow("beyond int") << QStringList{"set", "red", "99999999999"} << "0 to 100";
        QTest::newRow("input code above a byte") << QStringList{"set", "input-alt", "256"} << "0 to 255";
    }
    void refusesEverythingElse() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reasonMentions);

        const auto parsed = parse(arguments);
        QVERIFY(std::holds_alternative<UsageError>(parsed));
        const auto reason = QString::fromStdString(std::get<UsageError>(parsed).reason);
        QVERIFY2(reason.contains(reasonMentions), qPrintable(reason));
        QVERIFY(!reason.contains('\n'));
    }
};

QTEST_GUILESS_MAIN(TestCommand)
#include "tst_command.moc"
