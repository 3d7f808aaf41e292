// The panels' custom controls driven as the user drives them: pointer, keys and screen reader.
// Every edit is checked as the sequence of live and commit signals it produces, because that
// sequence decides what the monitor is sent.
#include "ui/widgets/Spinner.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

namespace {

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

class TestCustomControls : public QObject {
    Q_OBJECT

private slots:
    void spinnerAnimatesOnlyWhileShown() {
        QWidget window;
        auto* spinner = new Spinner(Spinner::Size::mini, &window);
        auto* timer = spinner->findChild<QTimer*>();
        QVERIFY(timer);
        QVERIFY(!timer->isActive());

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(timer->isActive());
        PaintCounter paints(spinner);
        QTRY_VERIFY(paints.count >= 3);

        window.hide();
        QVERIFY(!timer->isActive());
        window.show();
        QVERIFY(timer->isActive());
        spinner->hide();
        QVERIFY(!timer->isActive());
    }

    void spinnerSizesAndAccessibility() {
        Spinner mini(Spinner::Size::mini);
        QCOMPARE(mini.size(), QSize(12, 12));
        Spinner small;
        QCOMPARE(small.size(), QSize(16, 16));
        small.setControlSize(Spinner::Size::mini);
        QCOMPARE(small.size(), QSize(12, 12));

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&mini);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::ProgressBar);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Loading"));
    }
};

QTEST_MAIN(TestCustomControls)
#include "tst_customcontrols.moc"
