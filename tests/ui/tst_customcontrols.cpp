// The panels' custom controls driven as the user drives them: pointer, keys and screen reader.
// Every edit is checked as the sequence of live and commit signals it produces, because that
// sequence decides what the monitor is sent.
#include "ui/sceneeditor/SceneValueEditorRow.h"
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/widgets/FadingVisibility.h"
#include "ui/widgets/PercentSlider.h"
#include "ui/widgets/PercentValue.h"
#include "ui/widgets/Readout.h"
#include "ui/widgets/Spinner.h"
#include "UiTesting.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;
using namespace UiTesting;

namespace {

// What an edit told the controller, in order: "live 40", "commit 40".
class EditLog : public QObject {
public:
    template <class Control> explicit EditLog(Control* control) {
        connect(control, &Control::liveChanged, this,
                [this](double v) { entries << QStringLiteral("live %1").arg(v); });
        connect(control, &Control::committed, this,
                [this](double v) { entries << QStringLiteral("commit %1").arg(v); });
    }
    QStringList entries;
};

QStringList edit(double value) {
    return {QStringLiteral("live %1").arg(value), QStringLiteral("commit %1").arg(value)};
}

// A window with room around the control, so that the pointer can really be beside it.
class Host : public QWidget {
public:
    explicit Host(QWidget* control, int controlWidth = -1) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(60, 20, 60, 20);
        layout->addWidget(control);
        if (controlWidth > 0)
            control->setFixedWidth(controlWidth);
    }
    bool showAndWait() {
        show();
        return QTest::qWaitForWindowExposed(this);
    }
};

QRect handleRect(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// The bounding box of what is painted inside `area` of a widget over its plain background (the
// area's top-left pixel), in the area's coordinates.
QRect inkIn(QWidget* widget, const QRect& area) {
    const QImage image = widget->grab(area).toImage();
    const QRgb background = image.pixel(0, 0);
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int distance = qAbs(qRed(p) - qRed(background)) + qAbs(qGreen(p) - qGreen(background)) +
                                 qAbs(qBlue(p) - qBlue(background));
            if (distance > 120)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// One of the three controls over a PercentValue, with the widget a screen reader meets as its
// slider: the panel's capsule, a Controls row, or a scene editor row (with its value included).
struct PercentControl {
    QWidget* control = nullptr;
    QWidget* slider = nullptr;
    PercentValue* value = nullptr;
};

PercentControl makePercentControl(const QString& kind) {
    if (kind == QLatin1String("capsule")) {
        auto* capsule = new CapsuleSlider;
        return {capsule, capsule, &capsule->percent()};
    }
    if (kind == QLatin1String("compact")) {
        auto* row = new CompactMonitorSlider(QStringLiteral("Volume"), QStringLiteral("speaker.wave.2.fill"));
        row->setLoaded(true);
        return {row, row->findChild<PercentSlider*>(), &row->percent()};
    }
    auto* row = new SceneValueEditorRow(QStringLiteral("Contrast"), QStringLiteral("circle.lefthalf.filled"));
    row->setIncluded(true);
    auto* slider = row->findChild<PercentSlider*>();
    return {row, slider, &slider->percent()};
}

// A style that reports animations off, as styles do when the desktop asks for no motion.
class StillStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        return hint == SH_Widget_Animation_Duration ? 0 : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// A Controls row over a loaded `value`, on screen, and the readout it paints.
struct ReadoutRow {
    explicit ReadoutRow(double value) : row(new CompactMonitorSlider(u"Brightness"_s, u"sun.max.fill"_s)) {
        row->setValue(value);
        row->setLoaded(true);
    }
    bool show() { return host.showAndWait(); }
    QImage readout() const { return row->grab(QRect(row->width() - 28, 0, 28, row->height())).toImage(); }
    QVariantAnimation* count() const { return row->findChild<Readout*>()->findChild<QVariantAnimation*>(); }

    CompactMonitorSlider* row;
    Host host{row, 400};
};

// A window of three lines whose middle one comes and goes, as the panel's error line does.
struct FadingLine {
    FadingLine() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(u"Above"_s));
        layout->addWidget(line);
        layout->addWidget(below);
    }
    double opacity() const {
        const auto* effect = static_cast<QGraphicsOpacityEffect*>(line->graphicsEffect());
        return effect && effect->isEnabled() ? effect->opacity() : 1.0;
    }
    QPropertyAnimation* fade() const { return line->findChild<QPropertyAnimation*>(); }
    // Takes the fade under way to `fraction` of its time.
    void fadeTo(double fraction) const {
        fade()->pause();
        fade()->setCurrentTime(int(fade()->duration() * fraction));
    }
    bool visibleToScreenReader() const {
        return !QAccessible::queryAccessibleInterface(line)->state().invisible;
    }

    QWidget window;
    QLabel* line = new QLabel(u"Brightness could not be set"_s);
    QLabel* below = new QLabel(u"Below"_s);
};

bool isWhite(QRgb pixel) {
    return qRed(pixel) > 245 && qGreen(pixel) > 245 && qBlue(pixel) > 245;
}

} // namespace

class TestCustomControls : public UiTesting::Test {
    Q_OBJECT

private slots:
    // A hidden spinner must not keep waking the program up.
    void spinnerAnimatesOnlyWhileShown() {
        QWidget window;
        auto* spinner = new Spinner(Spinner::Size::mini, &window);
        auto* timer = spinner->findChild<QTimer*>();
        QVERIFY(!timer->isActive());
        window.show();
        QSignalSpy ticks(timer, &QTimer::timeout);
        QTRY_VERIFY(ticks.size() >= 3);
        window.hide();
        QVERIFY(!timer->isActive());
        window.show();
        spinner->hide();
        QVERIFY(!timer->isActive());
    }

    // A pointer path (press, moves..., release; x on a 400 px track) or a key, on an enabled or
    // disabled slider, and the edits it makes.
    void capsuleEdits_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<QList<int>>("path");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("expected");
        const auto drag = [](const char* name, double start, QList<int> path, QStringList expected) {
            QTest::newRow(name) << start << path << 0 << true << expected;
        };
        const auto key = [](const char* name, double start, Qt::Key key, QStringList expected) {
            QTest::newRow(name) << start << QList<int>() << int(key) << true << expected;
        };
        drag("click at 40 percent", 0, {160, 160}, edit(40));
        drag("dragged left of the track", 50, {200, 100, -30, -30}, {"live 25", "live 0", "commit 0"});
        drag("dragged past the end", 50, {200, 300, 430, 430}, {"live 75", "live 100", "commit 100"});
        drag("halves round away from zero", 0, {41, 42, 43, 43}, {"live 10", "live 11", "commit 11"});
        // 159..161 px all round to 40, the value the drag started on.
        drag("back where it started", 40, {160, 161, 159, 160}, {"commit 40"});
        key("Down", 50, Qt::Key_Down, edit(49));
        key("Right", 50, Qt::Key_Right, edit(51));
        key("Page Down", 50, Qt::Key_PageDown, edit(40));
        key("Page Up stops at 100", 95, Qt::Key_PageUp, edit(100));
        key("Home", 50, Qt::Key_Home, edit(0));
        key("Left at 0 changes nothing", 0, Qt::Key_Left, {});
        QTest::newRow("disabled, clicked") << 20.0 << QList<int>{300, 300} << 0 << false << QStringList();
    }

    void capsuleEdits() {
        QFETCH(double, start);
        QFETCH(QList<int>, path);
        QFETCH(int, key);
        QFETCH(bool, enabled);
        QFETCH(QStringList, expected);

        auto* slider = new CapsuleSlider;
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        slider->setValue(start);
        slider->setEnabled(enabled);
        EditLog log(slider);

        if (key) {
            QTest::keyClick(slider, Qt::Key(key));
        } else {
            const int y = slider->height() / 2;
            QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(path.first(), y));
            for (qsizetype i = 1; i + 1 < path.size(); ++i)
                QTest::mouseMove(slider, QPoint(path[i], y));
            QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(path.last(), y));
        }
        QCOMPARE(log.entries, expected);
        QCOMPARE(slider->value(), expected.isEmpty() ? start : expected.last().section(' ', 1).toDouble());
    }

    // Values pushed in are not edits (they must not echo back to the monitor); the fill follows.
    // A screen reader hears the value, and what it sets is an edit.
    void capsuleValueFillAndAccessibility() {
        auto* slider = new CapsuleSlider;
        slider->setPalette(QPalette(QColor(0x3a, 0x3a, 0x3e))); // white fill on a grey track
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        EditLog log(slider);
        const int h = slider->height();
        QVERIFY(!isWhite(slider->grab().toImage().pixel(220, h / 2)));
        slider->setValue(140);
        QCOMPARE(slider->value(), 100.0);
        QTRY_VERIFY(isWhite(slider->grab().toImage().pixel(220, h / 2)));
        QCOMPARE(log.entries, QStringList());

        slider->setAccessibleName(QStringLiteral("Brightness"));
        slider->setLoaded(false);
        slider->setValue(42);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
        QCOMPARE(accessible->role(), QAccessible::Slider);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Brightness"));
        QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("Reading monitor"));
        slider->setLoaded(true);
        QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("42 percent"));
        QVERIFY(accessible->state().focusable);

        QAccessibleValueInterface* value = accessible->valueInterface();
        QCOMPARE(value->maximumValue().toDouble(), 100.0);
        QCOMPARE(value->currentValue().toDouble(), 42.0);
        value->setCurrentValue(55.0);
        QCOMPARE(log.entries, edit(55));
    }

    // The three controls share one value and one set of rules: a key or a screen reader's action
    // is one complete edit to a whole number, counted from the value as shown (42.5 shows as 43),
    // and a disabled control takes none.
    void everyPercentSliderEditsAlike_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("expected");
        const QString increase = QAccessibleActionInterface::increaseAction();
        const QString decrease = QAccessibleActionInterface::decreaseAction();
        for (const char* kind : {"capsule", "compact", "scene row"}) {
            const auto row = [kind](const QString& how, bool enabled, const QStringList& expected) {
                QTest::addRow("%s: %s%s", kind, qPrintable(how), enabled ? "" : ", disabled")
                    << QString::fromUtf8(kind) << how << enabled << expected;
            };
            // Every key goes through one table (PercentValue::applyKey), whose keys the capsule's
            // own cases go through; one is enough to show each control sends its keys there.
            row(QStringLiteral("Right"), true, edit(44));
            row(increase, true, edit(44));
            row(decrease, true, edit(42));
            row(QStringLiteral("set 20.4"), true, edit(20));
            row(increase, false, {});
            row(QStringLiteral("set 20.4"), false, {});
        }
        // The platform slider is mirrored in a right-to-left layout, so Left steps up there; the
        // capsule's fill grows from the left in either direction.
        QTest::addRow("compact: Left, right to left")
            << u"compact"_s << u"Left, right to left"_s << true << edit(44);
        QTest::addRow("capsule: Left, right to left")
            << u"capsule"_s << u"Left, right to left"_s << true << edit(42);
    }

    void everyPercentSliderEditsAlike() {
        QFETCH(QString, kind);
        QFETCH(QString, how);
        QFETCH(bool, enabled);
        QFETCH(QStringList, expected);

        const PercentControl c = makePercentControl(kind);
        Host host(c.control, 400);
        if (how.endsWith(QLatin1String("right to left")))
            host.setLayoutDirection(Qt::RightToLeft);
        QVERIFY(host.showAndWait());
        c.value->setValue(42.5);
        c.slider->setEnabled(enabled);
        EditLog log(c.value);

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(c.slider);
        QCOMPARE(accessible->role(), QAccessible::Slider);
        if (how.startsWith(QLatin1String("set "))) {
            accessible->valueInterface()->setCurrentValue(how.mid(4).toDouble());
        } else if (how == QAccessibleActionInterface::increaseAction() ||
                   how == QAccessibleActionInterface::decreaseAction()) {
            // Offered while enabled; done anyway when not, as a screen reader holding an old list may.
            QCOMPARE(accessible->actionInterface()->actionNames().contains(how), enabled);
            accessible->actionInterface()->doAction(how);
        } else {
            pressOn(c.slider, how.startsWith(QLatin1String("Left")) ? Qt::Key_Left : Qt::Key_Right);
        }
        QCOMPARE(log.entries, expected);
        QCOMPARE(c.value->value(), expected.isEmpty() ? 42.5 : expected.last().section(' ', 1).toDouble());
        QCOMPARE(accessible->text(QAccessible::Value), u"%1 percent"_s.arg(c.value->percent()));
    }

    // Each way the user moves a row's slider: a drag gives live values and one commit where it
    // ends; a key or a click on the groove is one complete edit.
    void compactEdits_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"drag the handle", "drag from the groove", "Right", "click on the groove"})
            QTest::newRow(how) << QString::fromUtf8(how);
    }

    void compactEdits() {
        QFETCH(QString, how);

        auto* row = new CompactMonitorSlider(QStringLiteral("Volume"), QStringLiteral("speaker.wave.2.fill"));
        Host host(row, 400);
        QVERIFY(host.showAndWait());
        EditLog log(row); // values pushed in are not edits: they must not echo back
        row->setValue(30);
        row->setLoaded(true);
        row->setValue(20);

        auto* slider = row->findChild<QSlider*>();
        const QRect handle = handleRect(slider);
        const bool drag = how.startsWith(QLatin1String("drag"));
        if (how == QLatin1String("Right")) {
            QTest::keyClick(slider, Qt::Key_Right);
        } else if (!drag) {
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 4, handle.center().y()));
        } else {
            QPoint start = handle.center();
            Qt::MouseButton button = Qt::LeftButton;
            if (how == QLatin1String("drag from the groove")) { // where it jumps to the pointer
                button = Qt::MouseButton(slider->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons));
                if (button == Qt::NoButton)
                    QSKIP("this style has no button that moves the handle to the pointer");
                start = QPoint(handle.right() + 40, handle.center().y());
            }
            QTest::mousePress(slider, button, {}, start);
            for (int dx : {20, 40, 60})
                QTest::mouseMove(slider, start + QPoint(dx, 0));
            QTest::mouseRelease(slider, button, {}, start + QPoint(60, 0));
        }

        if (how == QLatin1String("Right"))
            QCOMPARE(row->value(), 21.0);
        QVERIFY(row->value() > (drag ? 25 : 20));
        if (drag) {
            QVERIFY2(log.entries.size() >= 3, qPrintable(log.entries.join(", ")));
            QCOMPARE(log.entries.filter(QStringLiteral("commit")).size(), 1);
            QCOMPARE(log.entries.mid(log.entries.size() - 2), edit(row->value()));
        } else {
            QCOMPARE(log.entries, edit(row->value()));
        }
    }

    void compactReadoutAndEnabledState_data() {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<QString>("readout"); // "number", "spinner" or "dash"
        QTest::addColumn<bool>("enabled");

        QTest::newRow("loaded") << true << false << "number" << true;
        QTest::newRow("loaded, reading again") << true << true << "number" << true;
        QTest::newRow("first read") << false << true << "spinner" << false;
        QTest::newRow("not available") << false << false << "dash" << true;
    }

    void compactReadoutAndEnabledState() {
        QFETCH(bool, loaded);
        QFETCH(bool, loading);
        QFETCH(QString, readout);
        QFETCH(bool, enabled);

        auto* row =
            new CompactMonitorSlider(QStringLiteral("Contrast"), QStringLiteral("circle.lefthalf.filled"));
        Host host(row, 400);
        row->setValue(75);
        row->setLoading(loading);
        row->setLoaded(loaded);
        QVERIFY(host.showAndWait());

        QCOMPARE(row->findChild<QSlider*>()->isEnabled(), enabled);
        QCOMPARE(row->findChild<Spinner*>()->isVisible(), readout == QLatin1String("spinner"));
        if (readout == QLatin1String("spinner"))
            return;
        // The readout is painted by the row: a number stands taller than a dash.
        const QRect ink = inkIn(row, QRect(row->width() - 28, 0, 28, row->height()));
        QVERIFY2(ink.width() >= 6, qPrintable(QDebug::toString(ink)));
        QCOMPARE(ink.height() > 2, readout == QLatin1String("number"));
    }

    // The readout counts to a new value, pushed in or made by the user, over a short ease-out;
    // what the row says in words is the new value at once. Driven through the count's own clock.
    void compactReadoutCountsToANewValue() {
        ReadoutRow counting(20);
        QVERIFY(counting.show());
        const QImage at20 = counting.readout();

        counting.row->setValue(80);
        QVariantAnimation* count = counting.count();
        QCOMPARE(count->state(), QAbstractAnimation::Running);
        count->pause();
        QCOMPARE(accessibleText(counting.row->findChild<QSlider*>()), u"80 percent"_s);
        QCOMPARE(counting.row->toolTip(), u"Brightness: 80 percent"_s);

        count->setCurrentTime(0);
        QCOMPARE(counting.readout(), at20);
        count->setCurrentTime(count->duration() / 2);
        const auto halfway = std::llround(count->currentValue().toDouble());
        QVERIFY2(halfway > 50 && halfway < 80, qPrintable(QString::number(halfway))); // eases out
        ReadoutRow still{double(halfway)}; // what that number looks like, standing still
        QVERIFY(still.show());
        QCOMPARE(counting.readout(), still.readout());

        count->setCurrentTime(count->duration());
        QCOMPARE(count->state(), QAbstractAnimation::Stopped);
        ReadoutRow at80{80};
        QVERIFY(at80.show());
        QCOMPARE(counting.readout(), at80.readout());

        // The user's own edit counts too.
        pressOn(counting.row->findChild<QSlider*>(), Qt::Key_PageDown);
        QCOMPARE(count->startValue().toDouble(), 80.0);
        QCOMPARE(count->endValue().toDouble(), 70.0);

        // Asked for no motion, or showing no number before, the readout jumps.
        StillStyle style;
        ReadoutRow unmoving(20);
        unmoving.row->setStyle(&style);
        QVERIFY(unmoving.show());
        unmoving.row->setValue(80);
        QCOMPARE(unmoving.count()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(unmoving.readout(), at80.readout());
        ReadoutRow reading(0), at64{64};
        QVERIFY(at64.show());
        reading.row->setLoaded(false);
        QVERIFY(reading.show());
        reading.row->setValue(64);
        reading.row->setLoaded(true); // the first number read appears as it is
        QCOMPARE(reading.count()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(reading.readout(), at64.readout());
    }

    void compactAccessibility() {
        auto* row =
            new CompactMonitorSlider(QStringLiteral("Red"), QStringLiteral("r.circle.fill"), QColor(Qt::red));
        Host host(row, 400);
        row->setLoading(true);
        QVERIFY(host.showAndWait());
        EditLog log(row);

        // The row's one slider carries the title; the symbol and readout are not separate items.
        QAccessibleInterface* rowAccessible = QAccessible::queryAccessibleInterface(row);
        QAccessibleInterface* slider = nullptr;
        for (int i = 0; i < rowAccessible->childCount(); ++i) {
            QAccessibleInterface* child = rowAccessible->child(i);
            if (child->role() == QAccessible::Slider) {
                QVERIFY(!slider);
                slider = child;
            } else {
                QCOMPARE(child->role(), QAccessible::ProgressBar); // the spinner while reading
            }
        }
        QVERIFY(slider);
        QCOMPARE(slider->text(QAccessible::Name), QStringLiteral("Red"));
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("Reading monitor"));
        QVERIFY(slider->state().disabled);

        row->setValue(42.5); // halves round up
        row->setLoaded(true);
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("43 percent"));
        QVERIFY(!slider->state().disabled);
        slider->valueInterface()->setCurrentValue(60.0);
        QCOMPARE(log.entries, edit(60));
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("60 percent"));
    }

    // A line fades out in place and is then really hidden, closing the gap; it comes back taking
    // its room at once and fading in over it; a change of mind turns the fade round where it is.
    // Asked for no motion, or with its window closed, it comes and goes at once.
    void fadingLineComesAndGoes() {
        FadingLine f;
        FadingVisibility::setVisible(*f.line, false); // window not shown yet
        QVERIFY(f.line->isHidden());
        FadingVisibility::setVisible(*f.line, true);
        QVERIFY(!f.line->isHidden());
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        const int belowWithLine = f.below->y();

        FadingVisibility::setVisible(*f.line, false);
        f.fadeTo(0.5);
        QVERIFY(f.line->isVisible());
        QVERIFY2(f.opacity() > 0 && f.opacity() < 1, qPrintable(QString::number(f.opacity())));
        QCOMPARE(f.below->y(), belowWithLine);
        f.fadeTo(1);
        QVERIFY(f.line->isHidden());
        QVERIFY(!f.visibleToScreenReader());
        QTRY_VERIFY(f.below->y() < belowWithLine);

        FadingVisibility::setVisible(*f.line, true);
        f.fadeTo(0);
        QCOMPARE(f.opacity(), 0.0);
        QVERIFY(f.line->isVisible());
        QVERIFY(f.visibleToScreenReader());
        QTRY_COMPARE(f.below->y(), belowWithLine);
        f.fadeTo(0.5);
        const double partly = f.opacity();
        FadingVisibility::setVisible(*f.line, false); // turned round from where it had got to
        QCOMPARE(f.fade()->startValue().toDouble(), partly);
        FadingVisibility::setVisible(*f.line, true);
        f.fadeTo(1);
        QCOMPARE(f.fade()->state(), QAbstractAnimation::Stopped);
        QVERIFY(f.line->isVisible());
        QVERIFY(!f.line->graphicsEffect()->isEnabled()); // at rest it draws as any other widget

        StillStyle style;
        f.line->setStyle(&style);
        FadingVisibility::setVisible(*f.line, false);
        QVERIFY(f.line->isHidden());
        QCOMPARE(f.fade()->state(), QAbstractAnimation::Stopped);
    }

    // Return and Enter act as Space does on a tool button: they click, or open the chip's menu.
    void chipReturnClicksOrOpensTheMenu() {
        QMenu menu;
        menu.addAction(QStringLiteral("Settings…"));
        auto* chip = new CircleChip;
        chip->setSymbol(QStringLiteral("ellipsis"));
        Host host(chip);
        QVERIFY(host.showAndWait());
        QSignalSpy clicked(chip, &QAbstractButton::clicked);
        chip->setFocus();
        QTest::keyClick(chip, Qt::Key_Return);
        QTest::keyClick(chip, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(chip, Qt::Key_A);
        QCOMPARE(clicked.size(), 2);

        chip->setMenu(&menu);
        chip->setPopupMode(QToolButton::InstantPopup);
        MenuWatch watch(&menu);
        QTest::keyClick(chip, Qt::Key_Return);
        QCOMPARE(watch.shown, 1);
    }
};

QTEST_MAIN(TestCustomControls)
#include "tst_customcontrols.moc"
