#include "Capabilities.h"

#include <QTest>

using namespace m1ddc;

class TestCapabilities : public QObject {
    Q_OBJECT

private slots:
    void findsTheInputSources_data() {
        QTest::addColumn<QString>("capabilities");
        QTest::addColumn<QString>("codes"); // as the helper prints them, or "none"
        // clang-format off
        QTest::newRow("a typical monitor") << "(prot(monitor)type(LCD)model(P2419H)cmds(01 02 03 07 0C E3 F3)vcp(02 04 05 08 10 12 14(05 08 0B 0C) 16 18 1A 52 60(0F 11 1B) AA(01 02) AC AE B2 B6 C6 C8 C9 D6(01 04 05) DC(00 02 03 05) DF E0 E1 E2(00 1D 01 02 04 0E 12 14) F0(0C) F1 F2 FD)mswhql(1)asset_eep(40)mccs_ver(2.1))" << "15 17 27";
        // Spellings seen in the wild: no outer parentheses, capitals, spaces inside, a repeat, a NUL at the end.
        QTest::newRow("loosely written") << QString::fromLatin1("prot(monitor) VCP( 10 12 60 ( 11 12 11 0f ) 62 )\0", 49) << "17 18 15";
        QTest::newRow("no input source feature") << "(prot(monitor)vcp(10 12 62))" << "none";
        QTest::newRow("input source without its list") << "(vcp(10 60 62))" << "none";
        QTest::newRow("empty list") << "(vcp(10 60() 62))" << "none";
        QTest::newRow("no vcp section") << "(prot(monitor)type(LCD)cmds(60(0F 11)))" << "none";
        // The names of the features are not the features.
        QTest::newRow("only in vcpname") << "(vcp(10 12)vcpname(60(Input)))" << "none";
        QTest::newRow("unclosed") << "(vcp(10 60(0F 11 62)" << "none";
        QTest::newRow("not a code") << "(vcp(60(0F HDMI)))" << "none";
        QTest::newRow("a signed code") << "(vcp(60(0F -5)))" << "none";
        // clang-format on
    }
    void findsTheInputSources() {
        QFETCH(QString, capabilities);
        const auto codes = inputSourceCodes(capabilities.toStdString());
        QStringList printed;
        for (const int code : codes.value_or(std::vector<int>{}))
            printed << QString::number(code);
        QTEST(codes ? printed.join(' ') : QString("none"), "codes");
    }
};

QTEST_GUILESS_MAIN(TestCapabilities)
#include "tst_capabilities.moc"
