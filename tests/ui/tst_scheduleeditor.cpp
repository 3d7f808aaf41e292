// The schedule editor, driven as the user drives it: each kind of edit sends the schedule it makes,
// once; an edit that repeats a time is shown in words and sent nowhere; the last point stays; the
// place's fields check what is typed; the keyboard reaches and works every field, each found by the
// name a screen reader gives it; the wheel leaves the fields alone; and the sun times line says
// which events miss today.
#include "controller/BrightnessSchedule.h"
#include "ui/window/ScheduleEditor.h"
#include "UiTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimeEdit>
#include <QWheelEvent>

#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace UiTesting;

namespace {

BrightnessSchedule schedule(const QString& text, std::chrono::minutes transition = 30min) {
    const auto parsed = BrightnessSchedule::parse(text, transition);
    if (const auto* valid = std::get_if<BrightnessSchedule>(&parsed))
        return *valid;
    qFatal("not a schedule: %s", qPrintable(text));
}

// A schedule as a failing comparison should print it: its text form and its transition.
QString described(const BrightnessSchedule& schedule) {
    return schedule.text() + u" / "_s + QString::number(schedule.transition().count()) + u" min"_s;
}
QString described(const QString& text, std::chrono::minutes transition = 30min) {
    return described(schedule(text, transition));
}

QString repeated(const QString& point) {
    return ScheduleError{ScheduleError::Kind::repeatedTime, point}.message();
}

// An editor showing `text`, recording what it sends.
struct Editor {
    explicit Editor(const QString& text) {
        editor.setSchedule(schedule(text));
        QObject::connect(&editor, &ScheduleEditor::scheduleEdited,
                         [this](const BrightnessSchedule& s) { sent.append(described(s)); });
        QObject::connect(&editor, &ScheduleEditor::placeEdited,
                         [this](std::optional<GeoPlace> place) { placed.push_back(place); });
    }

    template <class T = QWidget> T* field(const QString& name) const {
        // A removed row lingers until the event loop deletes it; a screen reader no longer meets it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return byAccessibleName<T>(&editor, name);
    }
    QSpinBox* spin(const QString& name) const { return field<QSpinBox>(name); }
    QTimeEdit* time(int point) const { return field<QTimeEdit>(u"Point %1 time"_s.arg(point)); }
    QAbstractButton* button(const QString& name) const { return field<QAbstractButton>(name); }
    // Picks `entry` in the picker named `name`, as a click on the entry does.
    void pick(const QString& name, const QString& entry) const {
        auto* picker = field<QComboBox>(name);
        picker->setCurrentIndex(picker->findText(entry));
        emit picker->activated(picker->currentIndex());
    }
    void type(const QString& name, const QString& text) const {
        auto* line = field<QLineEdit>(name);
        line->setFocus();
        line->selectAll();
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(line, c.toLatin1());
            else // a character no key of QTest's makes
                QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QTest::keyClick(line, Qt::Key_Return);
    }
    QStringList tabOrder() const {
        QStringList names;
        QWidget* start = QApplication::focusWidget();
        do {
            QWidget* field = QApplication::focusWidget();
            const QString name = field->accessibleName().isEmpty() ? accessibleText(field, QAccessible::Name)
                                                                   : field->accessibleName();
            if (names.isEmpty() || names.last() != name) // a time's hours, then its minutes
                names.append(name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != start && names.size() < 40);
        return names;
    }

    ScheduleEditor editor;
    QStringList sent;
    std::vector<std::optional<GeoPlace>> placed;
};

using Edit = std::function<void(Editor&)>;

const QString threePoints = u"07:00=80 sunset-30=50 22:00=20"_s;

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestScheduleEditor : public UiTesting::Test {
    Q_OBJECT

private slots:
    void eachEditSendsTheScheduleItMakes_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("expected");
        const Edit add = [](Editor& e) { e.button(u"Add Point"_s)->click(); };
        // clang-format off
        QTest::newRow("time") << threePoints << Edit([](Editor& e) { e.time(3)->setTime(QTime(23, 15)); }) << described(u"07:00=80 sunset-30=50 23:15=20"_s);
        QTest::newRow("event") << threePoints << Edit([](Editor& e) { e.pick(u"Point 2 when"_s, u"Dusk"_s); }) << described(u"07:00=80 dusk-30=50 22:00=20"_s);
        QTest::newRow("clock point made a sun point") << threePoints << Edit([](Editor& e) { e.pick(u"Point 1 when"_s, u"Sunrise"_s); }) << described(u"sunrise=80 sunset-30=50 22:00=20"_s);
        QTest::newRow("sun point made a clock point, where the sun was today") << threePoints << Edit([](Editor& e) {
            e.editor.setSunTimes(u"Sun times for Europe/Berlin"_s, {{SunEvent::sunset, QDateTime(QDate(2025, 1, 15), QTime(15, 15), Qt::UTC)}}, QTimeZone("Europe/Berlin"));
            e.pick(u"Point 2 when"_s, u"Time"_s);
        }) << described(u"07:00=80 15:45=50 22:00=20"_s);
        QTest::newRow("offset") << threePoints << Edit([](Editor& e) { e.spin(u"Point 2 offset"_s)->setValue(15); }) << described(u"07:00=80 sunset+15=50 22:00=20"_s);
        QTest::newRow("brightness") << threePoints << Edit([](Editor& e) { e.spin(u"Point 1 brightness"_s)->setValue(65); }) << described(u"07:00=65 sunset-30=50 22:00=20"_s);
        QTest::newRow("transition") << threePoints << Edit([](Editor& e) { e.spin(u"Transition"_s)->setValue(45); }) << described(threePoints, 45min);
        QTest::newRow("add: an hour after the last clock point") << threePoints << add << described(threePoints + u" 23:00=50"_s);
        QTest::newRow("add: the next free hour") << u"08:00=50 07:00=80"_s << add << described(u"08:00=50 07:00=80 09:00=50"_s);
        QTest::newRow("add: noon without clock points") << u"sunrise=80 sunset=20"_s << add << described(u"sunrise=80 sunset=20 12:00=50"_s);
        QTest::newRow("remove") << threePoints << Edit([](Editor& e) { e.button(u"Remove point 2"_s)->click(); }) << described(u"07:00=80 22:00=20"_s);
        // clang-format on
    }
    void eachEditSendsTheScheduleItMakes() {
        QFETCH(QString, start);
        QFETCH(Edit, edit);
        QFETCH(QString, expected);
        Editor e(start);
        e.editor.show();
        edit(e);
        QCOMPARE(e.sent, QStringList{expected});
    }

    // Two points at one time: the row says why in the command line's words, quoting the point
    // just edited, and nothing is sent, whatever else changes, until the rows are valid again.
    void aRepeatedTimeIsShownAndNotSent() {
        Editor e(threePoints);
        e.editor.show();
        e.time(3)->setTime(QTime(7, 0));
        QVERIFY(shownLabel(&e.editor, repeated(u"07:00=20"_s)));
        e.spin(u"Point 1 brightness"_s)->setValue(60);
        QVERIFY(shownLabel(&e.editor, repeated(u"07:00=20"_s)));
        QCOMPARE(e.sent, QStringList());

        e.time(3)->setTime(QTime(21, 0));
        QCOMPARE(e.sent, QStringList{described(u"07:00=60 sunset-30=50 21:00=20"_s)});
        QVERIFY(!shownLabel(&e.editor, repeated(u"07:00=20"_s)));

        e.pick(u"Point 1 when"_s, u"Sunset"_s);
        e.spin(u"Point 1 offset"_s)->setValue(-30);
        QVERIFY(shownLabel(&e.editor, repeated(u"sunset-30=60"_s)));
        QCOMPARE(e.sent.size(), 2);
        // The owner hearing nothing new tells the editor nothing new: the rows stay as typed.
        e.editor.setSchedule(schedule(u"sunset=60 sunset-30=50 21:00=20"_s));
        QVERIFY(shownLabel(&e.editor, repeated(u"sunset-30=60"_s)));
        // A schedule from elsewhere replaces them, and says nothing back.
        e.editor.setSchedule(schedule(u"dawn+15=40 08:00=90"_s, 45min));
        QVERIFY(!shownLabel(&e.editor, repeated(u"sunset-30=60"_s)));
        QCOMPARE(e.field<QComboBox>(u"Point 1 when"_s)->currentText(), u"Dawn"_s);
        QCOMPARE(e.spin(u"Point 1 offset"_s)->text(), u"15 min after"_s);
        QVERIFY(!e.field(u"Point 3 when"_s));
        QCOMPARE(e.spin(u"Transition"_s)->value(), 45);
        QCOMPARE(e.sent.size(), 2);
    }

    // Turning the schedule off is another switch's business. (A press offered to a screen reader,
    // and a click, on a disabled button are Qt's to refuse.)
    void theLastPointStays() {
        Editor e(u"07:00=80 22:00=20"_s);
        e.editor.show();
        e.button(u"Remove point 1"_s)->click();
        QCOMPARE(e.sent, QStringList{described(u"22:00=20"_s)});
        QVERIFY(!e.button(u"Remove point 1"_s)->isEnabled());
    }

    // Each coordinate is checked as it is finished; a place is sent once both are valid.
    void thePlaceFieldsCheckWhatIsTyped() {
        Editor e(threePoints);
        QVERIFY(showActive(&e.editor));
        // Hidden until picked, as the keyboard test's order of fields shows.
        e.pick(u"Place"_s, u"Latitude and longitude"_s);
        QVERIFY(e.field<QLineEdit>(u"Latitude"_s)->isVisibleTo(&e.editor));
        QVERIFY(e.placed.empty()); // nothing typed yet

        e.type(u"Latitude"_s, u"95"_s);
        e.type(u"Longitude"_s, u"13.4"_s);
        const QString latitudeProblem = e.field<QLineEdit>(u"Latitude"_s)->accessibleDescription();
        QVERIFY(!latitudeProblem.isEmpty());
        QVERIFY(shownLabel(&e.editor, latitudeProblem));
        QVERIFY(e.placed.empty());

        e.type(u"Latitude"_s, u"52.52"_s);
        QVERIFY(!shownLabel(&e.editor, latitudeProblem));
        e.type(u"Longitude"_s, u"east"_s);
        QVERIFY(!e.field<QLineEdit>(u"Longitude"_s)->accessibleDescription().isEmpty());
        e.type(u"Longitude"_s, u"\u221213.4"_s); // a minus sign as typography writes it
        QCOMPARE(e.placed,
                 (std::vector<std::optional<GeoPlace>>{GeoPlace{52.52, 13.4}, GeoPlace{52.52, -13.4}}));

        e.pick(u"Place"_s, u"Time zone's own"_s);
        QVERIFY(!e.placed.back());
        e.editor.setPlace(GeoPlace{69.65, 18.96});
        QCOMPARE(e.field<QComboBox>(u"Place"_s)->currentText(), u"Latitude and longitude"_s);
        QCOMPARE(e.field<QLineEdit>(u"Latitude"_s)->text(), QLocale().toString(69.65));
        QCOMPARE(e.placed.size(), std::size_t(3));
    }

    // Tab goes through every field in reading order, also after a point is added from the
    // keyboard, and keys alone edit each kind of field, add and remove.
    void theKeyboardAloneEditsTheSchedule() {
        Editor e(u"07:00=80 sunset-30=50"_s);
        QVERIFY(showActive(&e.editor));
        e.field(u"Point 1 when"_s)->setFocus(Qt::TabFocusReason);
        const QStringList point1{u"Point 1 when"_s, u"Point 1 time"_s, u"Point 1 brightness"_s,
                                 u"Remove point 1"_s};
        const QStringList point2{u"Point 2 when"_s, u"Point 2 offset"_s, u"Point 2 brightness"_s,
                                 u"Remove point 2"_s};
        const QStringList rest{u"Add Point"_s, u"Transition"_s, u"Place"_s};
        QCOMPARE(e.tabOrder(), point1 + point2 + rest);

        pressOn(e.button(u"Add Point"_s), Qt::Key_Return);
        QCOMPARE(e.sent.last(), described(u"07:00=80 sunset-30=50 08:00=50"_s));
        QCOMPARE(QApplication::focusWidget(), e.time(3));
        QTest::keyClicks(e.time(3), u"2130"_s);
        QTest::keyClick(e.time(3), Qt::Key_Return);
        QCOMPARE(e.sent.size(), 2); // the time typed is one edit
        QCOMPARE(e.sent.last(), described(u"07:00=80 sunset-30=50 21:30=50"_s));
        e.editor.setPlace(GeoPlace{52.52, 13.4}); // its fields come last
        e.field(u"Point 1 when"_s)->setFocus(Qt::TabFocusReason);
        const QStringList point3{u"Point 3 when"_s, u"Point 3 time"_s, u"Point 3 brightness"_s,
                                 u"Remove point 3"_s};
        const QStringList coordinates{u"Latitude"_s, u"Longitude"_s};
        QCOMPARE(e.tabOrder(), point1 + point2 + point3 + rest + coordinates);

        pressOn(e.field(u"Point 1 when"_s), Qt::Key_Down);
        pressOn(e.spin(u"Point 1 brightness"_s), Qt::Key_Up);
        e.spin(u"Point 2 offset"_s)->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(e.spin(u"Point 2 offset"_s), u"45 before"_s);
        QTest::keyClick(e.spin(u"Point 2 offset"_s), Qt::Key_Return);
        pressOn(e.button(u"Remove point 3"_s), Qt::Key_Space);
        QCOMPARE(e.sent.mid(2), (QStringList{described(u"sunrise=80 sunset-30=50 21:30=50"_s),
                                             described(u"sunrise=81 sunset-30=50 21:30=50"_s),
                                             described(u"sunrise=81 sunset-45=50 21:30=50"_s),
                                             described(u"sunrise=81 sunset-45=50"_s)}));
        // The focus stays with the points: on the one that took the removed one's place, or the last.
        QCOMPARE(QApplication::focusWidget(), e.field(u"Point 2 when"_s));
    }

    // A wheel turned over a field scrolls the page instead. (With the focus too: the guard does not
    // ask, as the scroll wheel's own test shows across the program.)
    void theWheelLeavesTheFieldsAlone() {
        Editor e(threePoints);
        e.editor.setPlace(GeoPlace{52.52, 13.4});
        QVERIFY(showActive(&e.editor));
        QList<QWidget*> fields;
        for (auto* box : e.editor.findChildren<QAbstractSpinBox*>())
            fields << box;
        for (auto* picker : e.editor.findChildren<QComboBox*>())
            fields << picker;
        QVERIFY(fields.size() >= 9);
        const auto shown = [&] {
            QStringList values;
            for (const QWidget* field : std::as_const(fields)) {
                const auto* picker = qobject_cast<const QComboBox*>(field);
                values << (picker ? picker->currentText()
                                  : static_cast<const QAbstractSpinBox*>(field)->text());
            }
            return values;
        };
        const QStringList before = shown();
        for (QWidget* field : std::as_const(fields)) {
            const QPointF middle = QRectF(field->rect()).center();
            QWheelEvent wheel(middle, field->mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(field, &wheel);
        }
        QCOMPARE(shown(), before);
        QCOMPARE(e.sent, QStringList());
    }

    // The line names today's sun times in the zone's own time, and which events miss today; without
    // sun points it goes.
    void theSunTimesLineSaysWhatMissesToday() {
        Editor e(threePoints);
        e.editor.show();
        const QTimeZone oslo("Europe/Oslo");
        const auto utc = [](int day, int hour, int minute) {
            return std::optional(QDateTime(QDate(2025, 6, day), QTime(hour, minute), Qt::UTC));
        };
        e.editor.setSunTimes(u"Sun times for Oslo"_s,
                             {{SunEvent::dawn, utc(21, 2, 41)}, {SunEvent::sunset, utc(21, 19, 33)}}, oslo);
        QVERIFY(shownLabel(&e.editor, u"Sun times for Oslo: dawn 04:41, sunset 21:33"_s));
        e.editor.setSunTimes(u"Sun times for Oslo"_s,
                             {{SunEvent::sunrise, utc(20, 23, 17)}, {SunEvent::sunset, std::nullopt}}, oslo);
        QLabel* line = shownLabel(&e.editor, u"Sun times for Oslo: sunrise 01:17, no sunset today. "
                                             "Points at sunset are skipped today."_s);
        QVERIFY(line);
        e.editor.setSunTimes(u"Sun times for Oslo"_s, {}, oslo);
        QVERIFY(!line->isVisibleTo(&e.editor));
    }
};

QTEST_MAIN(TestScheduleEditor)
#include "tst_scheduleeditor.moc"
