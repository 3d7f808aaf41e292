// The panels' custom controls driven as the user drives them: pointer, keys and screen reader.
// Every edit is checked as the sequence of live and commit signals it produces, because that
// sequence decides what the monitor is sent.
#include "ui/widgets/CapsuleSlider.h"
#include "ui/widgets/CircleChip.h"
#include "ui/widgets/CompactMonitorSlider.h"
#include "ui/widgets/Spinner.h"
#include "UiTesting.h"

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
    auto differs = [background](QRgb pixel) {
        return qAbs(qRed(pixel) - qRed(background)) + qAbs(qGreen(pixel) - qGreen(background)) +
                   qAbs(qBlue(pixel) - qBlue(background)) >
               120;
    };
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (differs(image.pixel(x, y)))
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

bool isWhite(QRgb pixel) {
    return qRed(pixel) > 245 && qGreen(pixel) > 245 && qBlue(pixel) > 245;
}

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

    void spinnerAccessibility() {
        Spinner mini(Spinner::Size::mini);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&mini);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::ProgressBar);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Loading"));
    }

    void capsulePointerSetsValue_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<QList<int>>("path"); // press, moves..., release; x on a 400 px track
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("click at 40 percent") << 0.0 << QList<int>{160, 160} << edit(40);
        QTest::newRow("dragged left of the track")
            << 50.0 << QList<int>{200, 100, -30, -30} << QStringList{"live 25", "live 0", "commit 0"};
        QTest::newRow("dragged past the end")
            << 50.0 << QList<int>{200, 300, 430, 430} << QStringList{"live 75", "live 100", "commit 100"};
        QTest::newRow("halves round away from zero")
            << 0.0 << QList<int>{41, 42, 43, 43} << QStringList{"live 10", "live 11", "commit 11"};
        // 159..161 px all round to 40, the value the drag started on.
        QTest::newRow("back where it started")
            << 40.0 << QList<int>{160, 161, 159, 160} << QStringList{"commit 40"};
    }

    void capsulePointerSetsValue() {
        QFETCH(double, start);
        QFETCH(QList<int>, path);
        QFETCH(QStringList, expected);

        auto* slider = new CapsuleSlider;
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        slider->setValue(start);
        EditLog log(slider);

        const int y = slider->height() / 2;
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(path.first(), y));
        for (qsizetype i = 1; i + 1 < path.size(); ++i)
            QTest::mouseMove(slider, QPoint(path[i], y));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(path.last(), y));

        QCOMPARE(log.entries, expected);
        QCOMPARE(slider->value(), expected.last().section(' ', 1).toDouble());
    }

    void capsuleSetValueEmitsNothingAndMovesTheFill() {
        auto* slider = new CapsuleSlider;
        slider->setPalette(darkPalette()); // white fill on a grey track
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        EditLog log(slider);

        const int h = slider->height();
        QVERIFY(isWhite(slider->grab().toImage().pixel(h / 2, h / 2))); // at 0 the fill is a circle
        QVERIFY(!isWhite(slider->grab().toImage().pixel(h + 4, h / 2)));

        slider->setValue(100);
        QCOMPARE(slider->value(), 100.0);
        QTRY_VERIFY(isWhite(slider->grab().toImage().pixel(400 - h / 2, h / 2)));
        slider->setValue(50);
        QTRY_VERIFY(!isWhite(slider->grab().toImage().pixel(220, h / 2)));
        QVERIFY(isWhite(slider->grab().toImage().pixel(180, h / 2)));
        slider->setValue(140);
        QCOMPARE(slider->value(), 100.0);
        QCOMPARE(log.entries, QStringList());
    }

    void capsuleDisabledIgnoresPointerAndKeys() {
        auto* slider = new CapsuleSlider;
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        slider->setValue(20);
        slider->setEnabled(false);
        EditLog log(slider);

        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(300, slider->height() / 2));
        QTest::keyClick(slider, Qt::Key_End);
        QCOMPARE(log.entries, QStringList());
        QCOMPARE(slider->value(), 20.0);
    }

    void capsuleKeys_data() {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("Left") << 50.0 << int(Qt::Key_Left) << edit(49);
        QTest::newRow("Down") << 50.0 << int(Qt::Key_Down) << edit(49);
        QTest::newRow("Right") << 50.0 << int(Qt::Key_Right) << edit(51);
        QTest::newRow("Up") << 50.0 << int(Qt::Key_Up) << edit(51);
        QTest::newRow("Page Down") << 50.0 << int(Qt::Key_PageDown) << edit(40);
        QTest::newRow("Page Up") << 50.0 << int(Qt::Key_PageUp) << edit(60);
        QTest::newRow("Page Up stops at 100") << 95.0 << int(Qt::Key_PageUp) << edit(100);
        QTest::newRow("Home") << 50.0 << int(Qt::Key_Home) << edit(0);
        QTest::newRow("End") << 50.0 << int(Qt::Key_End) << edit(100);
        QTest::newRow("Left at 0 changes nothing") << 0.0 << int(Qt::Key_Left) << QStringList();
        QTest::newRow("End at 100 changes nothing") << 100.0 << int(Qt::Key_End) << QStringList();
    }

    void capsuleKeys() {
        QFETCH(double, start);
        QFETCH(int, key);
        QFETCH(QStringList, expected);

        auto* slider = new CapsuleSlider;
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        slider->setValue(start);
        EditLog log(slider);

        QTest::keyClick(slider, Qt::Key(key));
        QCOMPARE(log.entries, expected);
        QCOMPARE(slider->value(), expected.isEmpty() ? start : expected.last().section(' ', 1).toDouble());
    }

    void capsuleAccessibility() {
        auto* slider = new CapsuleSlider;
        Host host(slider, 400);
        QVERIFY(host.showAndWait());
        slider->setAccessibleName(QStringLiteral("Brightness"));
        slider->setLoaded(false);
        slider->setValue(42);
        EditLog log(slider);

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Slider);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Brightness"));
        QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("Reading monitor"));
        slider->setLoaded(true);
        QCOMPARE(accessible->text(QAccessible::Value), QStringLiteral("42 percent"));
        QVERIFY(accessible->state().focusable);

        QAccessibleValueInterface* value = accessible->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->minimumValue().toDouble(), 0.0);
        QCOMPARE(value->maximumValue().toDouble(), 100.0);
        QCOMPARE(value->minimumStepSize().toDouble(), 1.0);
        QCOMPARE(value->currentValue().toDouble(), 42.0);

        value->setCurrentValue(55.0);
        QCOMPARE(log.entries, edit(55));
        QCOMPARE(value->currentValue().toDouble(), 55.0);
    }

    void compactSetValueDoesNotEcho() {
        auto* row = new CompactMonitorSlider(QStringLiteral("Brightness"), QStringLiteral("sun.max.fill"));
        Host host(row, 400);
        QVERIFY(host.showAndWait());
        EditLog log(row);

        row->setValue(30);
        row->setLoaded(true);
        row->setValue(64.6);
        QCOMPARE(row->value(), 64.6);
        QCOMPARE(row->findChild<QSlider*>()->value(), 65);
        QCOMPARE(log.entries, QStringList());
    }

    void compactDragCommitsOnRelease_data() {
        QTest::addColumn<bool>("fromHandle"); // or pressed on the groove, where it jumps to the pointer
        QTest::newRow("handle") << true;
        QTest::newRow("groove, with the style's jump-to button") << false;
    }

    void compactDragCommitsOnRelease() {
        QFETCH(bool, fromHandle);

        auto* row = new CompactMonitorSlider(QStringLiteral("Brightness"), QStringLiteral("sun.max.fill"));
        Host host(row, 400);
        QVERIFY(host.showAndWait());
        row->setLoaded(true);
        row->setValue(20);
        EditLog log(row);

        auto* slider = row->findChild<QSlider*>();
        const QRect handle = handleRect(slider);
        QPoint start = handle.center();
        Qt::MouseButton button = Qt::LeftButton;
        if (!fromHandle) {
            button = Qt::MouseButton(slider->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons));
            if (button == Qt::NoButton)
                QSKIP("this style has no button that moves the handle to the pointer");
            start = QPoint(handle.right() + 40, handle.center().y());
        }
        QTest::mousePress(slider, button, {}, start);
        for (int dx : {20, 40, 60})
            QTest::mouseMove(slider, start + QPoint(dx, 0));
        QTest::mouseRelease(slider, button, {}, start + QPoint(60, 0));

        QVERIFY2(log.entries.size() >= 3, qPrintable(log.entries.join(", ")));
        QCOMPARE(log.entries.filter(QStringLiteral("commit")), QStringList{log.entries.last()});
        QCOMPARE(log.entries.last(), QStringLiteral("commit %1").arg(row->value()));
        QCOMPARE(log.entries[log.entries.size() - 2], QStringLiteral("live %1").arg(row->value()));
        QVERIFY(row->value() > 25);
    }

    void compactDiscreteEdits_data() {
        QTest::addColumn<int>("key"); // 0: a click on the groove right of the handle
        QTest::addColumn<double>("expected");

        QTest::newRow("Right") << int(Qt::Key_Right) << 51.0;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 40.0;
        QTest::newRow("Home") << int(Qt::Key_Home) << 0.0;
        QTest::newRow("click on the groove") << 0 << -1.0; // how far depends on the style
    }

    void compactDiscreteEdits() {
        QFETCH(int, key);
        QFETCH(double, expected);

        auto* row = new CompactMonitorSlider(QStringLiteral("Volume"), QStringLiteral("speaker.wave.2.fill"));
        Host host(row, 400);
        QVERIFY(host.showAndWait());
        row->setLoaded(true);
        row->setValue(50);
        EditLog log(row);

        auto* slider = row->findChild<QSlider*>();
        if (key != 0) {
            QTest::keyClick(slider, Qt::Key(key));
        } else {
            const QRect handle = handleRect(slider);
            QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 4, handle.center().y()));
        }

        QVERIFY(row->value() != 50);
        if (expected >= 0)
            QCOMPARE(row->value(), expected);
        QCOMPARE(log.entries, edit(row->value()));
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

        auto* slider = row->findChild<QSlider*>();
        auto* spinner = row->findChild<Spinner*>();
        QCOMPARE(slider->isEnabled(), enabled);
        QCOMPARE(spinner->isVisible(), readout == QLatin1String("spinner"));

        // The readout is painted by the row: what it shows is read from its pixels.
        const QRect area(row->width() - 28, 0, 28, row->height());
        const QRect ink = inkIn(row, area);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.right() >= area.width() - 2, "the readout hugs the trailing edge");
        if (readout == QLatin1String("number")) {
            QVERIFY2(ink.height() >= 6 && ink.width() >= 8, qPrintable(QDebug::toString(ink)));
            row->setValue(100); // a digit more
            QTRY_VERIFY(inkIn(row, area).left() < ink.left());
        } else if (readout == QLatin1String("dash"))
            QVERIFY2(ink.height() <= 2 && ink.width() >= 6, qPrintable(QDebug::toString(ink)));
        else
            QVERIFY(spinner->geometry().contains(ink.translated(area.topLeft())));
    }

    void compactToolTip_data() {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("valueText");

        QTest::newRow("loaded") << true << false << 42.0 << "Brightness: 42 percent"
                                << "42 percent";
        QTest::newRow("half rounds up") << true << false << 42.5 << "Brightness: 43 percent"
                                        << "43 percent";
        QTest::newRow("below half rounds down") << true << false << 42.4 << "Brightness: 42 percent"
                                                << "42 percent";
        QTest::newRow("first read") << false << true << 42.0 << "Brightness is not available"
                                    << "Reading monitor";
        QTest::newRow("not available") << false << false << 42.0 << "Brightness is not available"
                                       << "Reading monitor";
    }

    void compactToolTip() {
        QFETCH(bool, loaded);
        QFETCH(bool, loading);
        QFETCH(double, value);
        QFETCH(QString, toolTip);
        QFETCH(QString, valueText);

        CompactMonitorSlider row(QStringLiteral("Brightness"), QStringLiteral("sun.max.fill"));
        row.setValue(value);
        row.setLoading(loading);
        row.setLoaded(loaded);

        QCOMPARE(row.toolTip(), toolTip);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(row.findChild<QSlider*>());
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Value), valueText);
    }

    void compactAccessibility() {
        auto* row =
            new CompactMonitorSlider(QStringLiteral("Red"), QStringLiteral("circle.fill"), QColor(Qt::red));
        Host host(row, 400);
        row->setLoading(true);
        QVERIFY(host.showAndWait());
        EditLog log(row);

        // The row's one slider carries the title; the symbol and readout are not separate items.
        QAccessibleInterface* rowAccessible = QAccessible::queryAccessibleInterface(row);
        QVERIFY(rowAccessible);
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

        row->setValue(30);
        row->setLoaded(true);
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("30 percent"));
        QVERIFY(!slider->state().disabled);
        QAccessibleValueInterface* value = slider->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->currentValue().toDouble(), 30.0);
        QCOMPARE(value->maximumValue().toDouble(), 100.0);

        value->setCurrentValue(60.0);
        QCOMPARE(log.entries, edit(60));
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("60 percent"));
    }

    void chipSizeAndMenu() {
        auto* chip = new CircleChip;
        chip->setSymbol(QStringLiteral("ellipsis"));
        QMenu menu;
        menu.addAction(QStringLiteral("Settings…"));
        chip->setMenu(&menu);
        chip->setPopupMode(QToolButton::InstantPopup);
        Host host(chip);
        QVERIFY(host.showAndWait());

        // The menu runs its own event loop; close it from there once it is on screen.
        int shown = 0;
        connect(&menu, &QMenu::aboutToShow, &menu, [&] {
            QMetaObject::invokeMethod(
                &menu,
                [&] {
                    shown += menu.isVisible() ? 1 : 0;
                    menu.close();
                },
                Qt::QueuedConnection);
        });
        QTest::mouseClick(chip, Qt::LeftButton);
        QCOMPARE(shown, 1);
        QTRY_VERIFY(!menu.isVisible());

        chip->setFocus();
        QTest::keyClick(chip, Qt::Key_Return);
        QCOMPARE(shown, 2);
    }

    void chipActivationKeys() {
        auto* chip = new CircleChip;
        chip->setSymbol(QStringLiteral("arrow.clockwise"));
        Host host(chip);
        QVERIFY(host.showAndWait());
        QCOMPARE(chip->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(chip);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Button);

        QSignalSpy clicked(chip, &QAbstractButton::clicked);
        chip->setFocus();
        QTest::keyClick(chip, Qt::Key_Space);
        QCOMPARE(clicked.size(), 1);
        QTest::keyClick(chip, Qt::Key_Return);
        QCOMPARE(clicked.size(), 2);
        QTest::keyClick(chip, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(clicked.size(), 3);
        QTest::keyClick(chip, Qt::Key_A);
        QCOMPARE(clicked.size(), 3);
    }

    void chipBusyShowsSpinner() {
        auto* chip = new CircleChip;
        chip->setSymbol(QStringLiteral("arrow.clockwise"));
        Host host(chip);
        QVERIFY(host.showAndWait());
        auto* spinner = chip->findChild<Spinner*>();
        QVERIFY(spinner);
        QVERIFY(!spinner->isVisible());

        chip->setBusy(true);
        QVERIFY(spinner->isVisible());
        QCOMPARE(spinner->geometry().center(), chip->rect().center());
        QVERIFY(spinner->findChild<QTimer*>()->isActive());

        chip->setBusy(false);
        QVERIFY(!spinner->isVisible());
        QVERIFY(!spinner->findChild<QTimer*>()->isActive());
    }

    void screenshots() {
        const QDir directory(QStringLiteral(VELMAR_SCREENSHOTS_DIR));
        QVERIFY(directory.mkpath(QStringLiteral(".")));
        QVERIFY(saveSheet(lightPalette(), directory.filePath(QStringLiteral("controls-light.png"))));
        QVERIFY(saveSheet(darkPalette(), directory.filePath(QStringLiteral("controls-dark.png"))));
    }

private:
    // Every control in every state, captioned, in one window; the two focus rings are taken
    // from two grabs, since only one control has the focus at a time.
    static bool saveSheet(const QPalette& palette, const QString& path) {
        QWidget sheet;
        sheet.setPalette(palette);
        sheet.setAutoFillBackground(true);
        auto* grid = new QGridLayout(&sheet);
        grid->setContentsMargins(20, 20, 20, 20);
        grid->setHorizontalSpacing(16);
        grid->setVerticalSpacing(12);
        int row = 0;
        auto add = [&](const QString& caption, QWidget* control) {
            grid->addWidget(new QLabel(caption), row, 0);
            grid->addWidget(control, row++, 1);
        };

        for (double value : {0.0, 40.0, 100.0}) {
            auto* slider = new CapsuleSlider;
            slider->setValue(value);
            add(QStringLiteral("Capsule %1").arg(value), slider);
        }
        auto* disabled = new CapsuleSlider;
        disabled->setValue(60);
        disabled->setEnabled(false);
        add(QStringLiteral("Capsule disabled"), disabled);
        auto* focusedSlider = new CapsuleSlider;
        focusedSlider->setValue(40);
        add(QStringLiteral("Capsule focused"), focusedSlider);

        for (std::optional<QColor> tint :
             {std::optional<QColor>(), std::optional<QColor>(QColor(0xe0, 0x4a, 0x3f))}) {
            const QString suffix = tint ? QStringLiteral(" (tint)") : QString();
            auto* loaded =
                new CompactMonitorSlider(QStringLiteral("Brightness"), QStringLiteral("sun.max.fill"), tint);
            loaded->setValue(42);
            loaded->setLoaded(true);
            add(QStringLiteral("Loaded") + suffix, loaded);
            auto* loading = new CompactMonitorSlider(QStringLiteral("Contrast"),
                                                     QStringLiteral("circle.lefthalf.filled"), tint);
            loading->setValue(50);
            loading->setLoading(true);
            add(QStringLiteral("Loading") + suffix, loading);
            auto* missing = new CompactMonitorSlider(QStringLiteral("Volume"),
                                                     QStringLiteral("speaker.wave.2.fill"), tint);
            missing->setValue(100);
            add(QStringLiteral("Not available") + suffix, missing);
        }

        auto* chips = new QWidget;
        auto* chipRow = new QHBoxLayout(chips);
        chipRow->setContentsMargins(0, 0, 0, 0);
        chipRow->setSpacing(10);
        auto addChip = [&](bool active, const QString& symbol) {
            auto* chip = new CircleChip;
            chip->setActive(active);
            chip->setSymbol(symbol);
            if (active)
                chip->setSymbolColor(QColor(Qt::black));
            chipRow->addWidget(chip);
            return chip;
        };
        addChip(true, QStringLiteral("moon.stars.fill"));
        addChip(false, QStringLiteral("moon.stars.fill"));
        addChip(false, QStringLiteral("arrow.clockwise"))->setBusy(true);
        addChip(true, QStringLiteral("arrow.clockwise"))->setBusy(true);
        addChip(false, QStringLiteral("gearshape"))->setDown(true);
        addChip(false, QStringLiteral("gearshape"))->setEnabled(false);
        CircleChip* focusedChip = addChip(false, QStringLiteral("ellipsis"));
        chipRow->addStretch();
        add(QStringLiteral("Chips"), chips);
        grid->addWidget(
            new QLabel(QStringLiteral("active, inactive, busy, busy active, pressed, disabled, focused")),
            row++, 1);

        sheet.resize(560, sheet.sizeHint().height());
        sheet.show();
        if (!QTest::qWaitForWindowExposed(&sheet))
            return false;
        sheet.activateWindow();
        if (!QTest::qWaitForWindowActive(&sheet))
            return false;
        // As if reached with Tab: standard controls only ring keyboard focus.
        sheet.setAttribute(Qt::WA_KeyboardFocusChange);

        focusedSlider->setFocus(Qt::TabFocusReason);
        QPixmap shot = sheet.grab();
        focusedChip->setFocus(Qt::TabFocusReason);
        const QPixmap chipFocused = sheet.grab();
        const QRect chipArea(focusedChip->mapTo(&sheet, QPoint()), focusedChip->size());
        const qreal ratio = shot.devicePixelRatio();
        const QRectF chipPixels(QPointF(chipArea.topLeft()) * ratio, QSizeF(chipArea.size()) * ratio);
        QPainter(&shot).drawPixmap(QRectF(chipArea), chipFocused, chipPixels);
        return shot.save(path);
    }
};

QTEST_MAIN(TestCustomControls)
#include "tst_customcontrols.moc"
