#include "ScheduleEditor.h"

#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/ControlLook.h"
#include "ui/widgets/KeyAsSpace.h"
#include "ui/widgets/WheelGuard.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The card's own row metrics (FormSection), so the editor's rows line up with the rows around it.
constexpr int rowInset = 12;
constexpr int rowPadding = 6;
constexpr int rowHeight = 36;
constexpr int fieldSpacing = 8;
constexpr int numberWidth = 14;
constexpr int whenWidth = 104;
constexpr int brightnessWidth = 76;
constexpr int coordinateWidth = 96;
constexpr int pickerWidth = 220; // as Settings' own pickers
constexpr int symbolSize = 16;
constexpr int removeSide = 28;

constexpr int middleBrightness = 50; // a new point's, halfway through the range
constexpr int noonHour = 12;         // a new point's hour when no point keeps the clock
constexpr auto newPointGap = 60min;  // how long after the last clock point a new point comes
constexpr int offsetStep = 5;        // minutes: sun offsets are rounded figures
constexpr int transitionStep = 5;
constexpr int timeWhen = -1; // the "Time" entry's data in the WHEN picker

QString eventTitle(SunEvent event) {
    switch (event) {
    case SunEvent::dawn:
        return ScheduleEditor::tr("Dawn");
    case SunEvent::sunrise:
        return ScheduleEditor::tr("Sunrise");
    case SunEvent::sunset:
        return ScheduleEditor::tr("Sunset");
    case SunEvent::dusk:
        break;
    }
    return ScheduleEditor::tr("Dusk");
}

// The event as the sun times line names it, inside a sentence.
QString eventWord(SunEvent event) {
    switch (event) {
    case SunEvent::dawn:
        return ScheduleEditor::tr("dawn");
    case SunEvent::sunrise:
        return ScheduleEditor::tr("sunrise");
    case SunEvent::sunset:
        return ScheduleEditor::tr("sunset");
    case SunEvent::dusk:
        break;
    }
    return ScheduleEditor::tr("dusk");
}

QString noEventToday(SunEvent event) {
    switch (event) {
    case SunEvent::dawn:
        return ScheduleEditor::tr("no dawn today");
    case SunEvent::sunrise:
        return ScheduleEditor::tr("no sunrise today");
    case SunEvent::sunset:
        return ScheduleEditor::tr("no sunset today");
    case SunEvent::dusk:
        break;
    }
    return ScheduleEditor::tr("no dusk today");
}

// A button that Return presses as Space does, as every button of ours.
template <class Button> class ReturnPresses final : public Button {
public:
    using Button::Button;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        KeyAsSpace::forward(event, KeyAsSpace::isReturn(event),
                            [this](QKeyEvent* e) { Button::keyPressEvent(e); });
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        KeyAsSpace::forward(event, KeyAsSpace::isReturn(event),
                            [this](QKeyEvent* e) { Button::keyReleaseEvent(e); });
    }
};

// A sun point's offset in words, "30 min before" or "15 min after", so that which way it moves
// reads at once instead of from a sign. Typing takes the words, or a signed number alone.
class OffsetSpinBox final : public QSpinBox {
public:
    explicit OffsetSpinBox(QWidget* parent) : QSpinBox(parent) {
        setRange(-BrightnessSchedule::largestOffsetMinutes, BrightnessSchedule::largestOffsetMinutes);
        setSingleStep(offsetStep);
    }

protected:
    QString textFromValue(int value) const override {
        // Plain digits, which read() takes back whatever the locale's own are.
        const QString minutes = QString::number(std::abs(value));
        if (value < 0)
            return ScheduleEditor::tr("%1 min before").arg(minutes);
        if (value > 0)
            return ScheduleEditor::tr("%1 min after").arg(minutes);
        return ScheduleEditor::tr("%1 min").arg(minutes);
    }

    int valueFromText(const QString& text) const override { return read(text).value.value_or(value()); }

    QValidator::State validate(QString& text, int&) const override { return read(text).state; }

private:
    struct Reading {
        QValidator::State state = QValidator::Invalid;
        std::optional<int> value;
    };

    // "30 min before", "-30", "30 before", "+15 min": a sign or a word says which way, not both.
    Reading read(const QString& text) const {
        static const QRegularExpression form(u"^\\s*([+\\-\u2212]?)\\s*([0-9]*)\\s*(.*?)\\s*$"_s);
        const QRegularExpressionMatch match = form.match(text);
        if (!match.hasMatch())
            return {};
        const QString sign = match.captured(1);
        const QString digits = match.captured(2);
        const QString words = match.captured(3).simplified().toLower();
        const QStringList before{ScheduleEditor::tr("min before"), ScheduleEditor::tr("before")};
        const QStringList after{ScheduleEditor::tr("min after"), ScheduleEditor::tr("after")};
        const QStringList neither{QString(), ScheduleEditor::tr("min")};
        int direction = 0;
        if (before.contains(words))
            direction = -1;
        else if (after.contains(words))
            direction = 1;
        else if (!neither.contains(words)) {
            // Words on their way to one of these keep the text for now; others are refused.
            const auto begun = [&](const QString& whole) { return whole.startsWith(words); };
            const bool partly = std::any_of(before.begin(), before.end(), begun) ||
                                std::any_of(after.begin(), after.end(), begun);
            return {partly ? QValidator::Intermediate : QValidator::Invalid, {}};
        }
        if (digits.isEmpty())
            return {QValidator::Intermediate, {}};
        if (!sign.isEmpty() && direction != 0)
            return {};
        const int minutes = digits.size() > 4 ? maximum() + 1 : digits.toInt();
        if (minutes > maximum())
            return {};
        const bool negative = direction < 0 || sign == u"-"_s || sign == u"\u2212"_s;
        return {QValidator::Acceptable, negative ? -minutes : minutes};
    }
};

// A row laid out as FormSection lays out its own.
QHBoxLayout* rowLine(QWidget* row) {
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(rowInset, rowPadding, rowInset, rowPadding);
    line->setSpacing(rowInset);
    row->setMinimumHeight(rowHeight);
    return line;
}

QLabel* captionLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setFont(Style::captionFont());
    return label;
}

// A number of degrees as typed, in the user's notation or with a point; nullopt when it is not
// one or lies beyond `limit` either way.
std::optional<double> degrees(QString text, double limit) {
    text = text.trimmed().replace(u'\u2212', u'-');
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > limit)
        return std::nullopt;
    return value;
}

QString degreesText(double value) {
    return QLocale().toString(value, 'f', QLocale::FloatingPointShortest);
}

constexpr auto invalidProperty = "velmarInvalid";

// The remove button's symbol a step back from the fields, as the scene rows' actions are.
QIcon removeIcon(const QPalette& palette, qreal devicePixelRatio) {
    const QColor colour = Style::secondaryText(palette);
    QIcon icon;
    icon.addPixmap(SymbolIcons::pixmap(u"trash"_s, symbolSize, colour, devicePixelRatio), QIcon::Normal);
    icon.addPixmap(
        SymbolIcons::pixmap(u"trash"_s, symbolSize, ControlLook::faded(colour, 0.4), devicePixelRatio),
        QIcon::Disabled);
    return icon;
}

} // namespace

// One point: WHEN as a picker, then a time or an offset, the brightness and the remove button,
// with a line under them for the problem the point makes.
class SchedulePointRow final : public QWidget {
public:
    explicit SchedulePointRow(QWidget* parent)
        : QWidget(parent), number(new QLabel(this)), when(new QComboBox(this)), time(new QTimeEdit(this)),
          offset(new OffsetSpinBox(this)), brightness(new QSpinBox(this)),
          remove(new ReturnPresses<QToolButton>(this)), problem(captionLabel(this)) {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(rowInset, rowPadding, rowInset, rowPadding);
        column->setSpacing(4);
        setMinimumHeight(rowHeight);
        auto* line = new QHBoxLayout;
        line->setSpacing(fieldSpacing);
        column->addLayout(line);
        column->addWidget(problem);
        problem->setContentsMargins(numberWidth + fieldSpacing, 0, 0, 0);
        problem->hide();

        // The point's number, as a list numbers its items: it names the picker for a screen
        // reader too, which on Linux hears a picker's label rather than its name.
        number->setFixedWidth(numberWidth);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setBuddy(when);
        line->addWidget(number);

        when->addItem(ScheduleEditor::tr("Time"), timeWhen);
        for (const SunEvent event : {SunEvent::sunrise, SunEvent::sunset, SunEvent::dawn, SunEvent::dusk})
            when->addItem(eventTitle(event), static_cast<int>(event));
        when->setFixedWidth(whenWidth);
        line->addWidget(when);

        // Committed values only: a time typed digit by digit is one edit, not four.
        time->setDisplayFormat(u"HH:mm"_s);
        time->setWrapping(true);
        time->setKeyboardTracking(false);
        offset->setKeyboardTracking(false);
        // The two share a place; the offset's longest text sets the width of both.
        offset->setFixedWidth(offset->sizeHint().width());
        time->setFixedWidth(offset->sizeHint().width());
        line->addWidget(time);
        line->addWidget(offset);
        line->addStretch(1);

        brightness->setRange(0, 100);
        brightness->setSuffix(ScheduleEditor::tr("%"));
        brightness->setKeyboardTracking(false);
        brightness->setFixedWidth(brightnessWidth);
        brightness->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        line->addWidget(brightness);

        remove->setAutoRaise(true);
        remove->setFixedSize(removeSide, removeSide);
        remove->setToolTip(ScheduleEditor::tr("Remove this point"));
        line->addWidget(remove);
    }

    std::optional<SunEvent> event() const {
        const int data = when->currentData().toInt();
        return data == timeWhen ? std::nullopt : std::optional(static_cast<SunEvent>(data));
    }

    SchedulePoint point() const {
        SchedulePoint point;
        point.sunEvent = event();
        if (point.sunEvent)
            point.offsetMinutes = offset->value();
        else
            point.clockTime = QTime(time->time().hour(), time->time().minute());
        point.brightness = brightness->value();
        return point;
    }

    void showPoint(const SchedulePoint& point) {
        const QSignalBlocker blockWhen(when), blockTime(time), blockOffset(offset),
            blockBrightness(brightness);
        when->setCurrentIndex(when->findData(point.sunEvent ? static_cast<int>(*point.sunEvent) : timeWhen));
        if (point.sunEvent)
            offset->setValue(point.offsetMinutes);
        else
            time->setTime(point.clockTime);
        brightness->setValue(point.brightness);
        showFieldOfWhen();
    }

    // The time for a clock point, the offset for a sun point. Returns what the row showed before.
    std::optional<SunEvent> showFieldOfWhen() {
        const std::optional<SunEvent> before = m_shownEvent;
        m_shownEvent = event();
        time->setVisible(!m_shownEvent);
        offset->setVisible(m_shownEvent.has_value());
        return before;
    }

    void setNumber(int position) {
        const QString n = QString::number(position);
        number->setText(n);
        number->setAccessibleName(ScheduleEditor::tr("Point %1").arg(n));
        when->setAccessibleName(ScheduleEditor::tr("Point %1 when").arg(n));
        time->setAccessibleName(ScheduleEditor::tr("Point %1 time").arg(n));
        offset->setAccessibleName(ScheduleEditor::tr("Point %1 offset").arg(n));
        brightness->setAccessibleName(ScheduleEditor::tr("Point %1 brightness").arg(n));
        remove->setAccessibleName(ScheduleEditor::tr("Remove point %1").arg(n));
    }

    void setProblem(const QString& message) {
        problem->setText(message);
        problem->setVisible(!message.isEmpty());
        // Heard again on the fields that make it, as the focus reaches them.
        for (QWidget* field : std::initializer_list<QWidget*>{when, time, offset})
            field->setAccessibleDescription(message);
    }

    QList<QWidget*> fields() const { return {when, time, offset, brightness, remove}; }

    QLabel* number;
    QComboBox* when;
    QTimeEdit* time;
    OffsetSpinBox* offset;
    QSpinBox* brightness;
    QToolButton* remove;
    QLabel* problem;

private:
    std::optional<SunEvent> m_shownEvent;
};

namespace {

// The schedule's text form of `rows`, in their order.
QString textOf(const std::vector<SchedulePointRow*>& rows) {
    QStringList points;
    for (const SchedulePointRow* row : rows) {
        const SchedulePoint point = row->point();
        points.append(point.whenText() + u'=' + QString::number(point.brightness));
    }
    return points.join(u' ');
}

} // namespace

ScheduleEditor::ScheduleEditor(QWidget* parent) : QWidget(parent) {
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1); // room for the hairline between rows, as the card leaves
    buildPointRows(m_layout);
    buildTransitionRow(m_layout);
    buildPlaceRows(m_layout);
    buildSunTimesRow(m_layout);
    WheelGuard::guardControls(*this);
    renumber();
    restyle();
}

ScheduleEditor::~ScheduleEditor() = default;

void ScheduleEditor::buildPointRows(QVBoxLayout* layout) {
    // The point rows go in above this one as they are made.
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(rowInset, 2, rowInset, 2);
    m_add = new ReturnPresses<QPushButton>(tr("Add Point"), row);
    m_add->setFlat(true);
    m_add->setCursor(Qt::PointingHandCursor);
    m_add->setStyleSheet(u"text-align: left; padding: 4px 0px;"_s);
    line->addWidget(m_add);
    line->addStretch(1);
    row->setMinimumHeight(rowHeight);
    layout->addWidget(row);
    connect(m_add, &QPushButton::clicked, this, &ScheduleEditor::addPoint);
}

void ScheduleEditor::buildTransitionRow(QVBoxLayout* layout) {
    auto* row = new QWidget(this);
    QHBoxLayout* line = rowLine(row);
    auto* label = new QLabel(tr("Transition"), row);
    line->addWidget(label);
    line->addStretch(1);
    m_transition = new QSpinBox(row);
    m_transition->setRange(0, int(BrightnessSchedule::longestTransition.count()));
    m_transition->setSingleStep(transitionStep);
    m_transition->setValue(int(BrightnessSchedule::defaultTransition.count()));
    m_transition->setSuffix(tr(" min"));
    m_transition->setKeyboardTracking(false);
    m_transition->setAccessibleName(tr("Transition"));
    m_transition->setToolTip(tr("How long the move to each point's brightness takes"));
    label->setBuddy(m_transition);
    line->addWidget(m_transition);
    layout->addWidget(row);
    connect(m_transition, &QSpinBox::valueChanged, this, [this] { edited(); });
}

void ScheduleEditor::buildPlaceRows(QVBoxLayout* layout) {
    auto* row = new QWidget(this);
    QHBoxLayout* line = rowLine(row);
    auto* label = new QLabel(tr("Place"), row);
    line->addWidget(label);
    line->addStretch(1);
    m_placeSource = new QComboBox(row);
    m_placeSource->addItem(tr("Time zone's own"));
    m_placeSource->addItem(tr("Latitude and longitude"));
    m_placeSource->setAccessibleName(tr("Place"));
    m_placeSource->setFixedWidth(pickerWidth);
    label->setBuddy(m_placeSource);
    line->addWidget(m_placeSource);
    layout->addWidget(row);
    connect(m_placeSource, &QComboBox::activated, this, &ScheduleEditor::placeSourcePicked);

    m_coordinatesRow = new QWidget(this);
    auto* column = new QVBoxLayout(m_coordinatesRow);
    column->setContentsMargins(rowInset, rowPadding, rowInset, rowPadding);
    column->setSpacing(4);
    auto* fields = new QHBoxLayout;
    fields->setSpacing(fieldSpacing);
    column->addLayout(fields);
    const auto addField = [&](const QString& name, const QString& range) {
        auto* fieldLabel = new QLabel(name, m_coordinatesRow);
        auto* field = new QLineEdit(m_coordinatesRow);
        field->setAccessibleName(name);
        field->setPlaceholderText(range);
        field->setFixedWidth(coordinateWidth);
        fieldLabel->setBuddy(field);
        fields->addWidget(fieldLabel);
        fields->addWidget(field);
        connect(field, &QLineEdit::editingFinished, this, &ScheduleEditor::placeFieldEdited);
        // A field shown as wrong is shown as right again as soon as it is.
        connect(field, &QLineEdit::textEdited, this, [this, field] {
            if (field->property(invalidProperty).toBool())
                typedPlace(true);
        });
        return field;
    };
    m_latitude = addField(tr("Latitude"), tr("−90 to 90"));
    fields->addStretch(1);
    m_longitude = addField(tr("Longitude"), tr("−180 to 180"));
    m_placeProblem = captionLabel(m_coordinatesRow);
    column->addWidget(m_placeProblem);
    m_coordinatesRow->setMinimumHeight(rowHeight);
    m_coordinatesRow->hide();
    layout->addWidget(m_coordinatesRow);
}

void ScheduleEditor::buildSunTimesRow(QVBoxLayout* layout) {
    m_sunTimes = captionLabel(this);
    m_sunTimes->setContentsMargins(rowInset, rowPadding + 2, rowInset, rowPadding + 2);
    m_sunTimes->hide();
    layout->addWidget(m_sunTimes);
}

SchedulePointRow* ScheduleEditor::addRow() {
    auto* row = new SchedulePointRow(this);
    m_layout->insertWidget(int(m_rows.size()), row);
    // Now, not once the layout gets round to it: the keyboard moves to the new point at once.
    row->show();
    m_rows.push_back(row);
    WheelGuard::guardControls(*row);
    row->remove->setIcon(removeIcon(palette(), devicePixelRatioF()));
    Style::setTextColor(row->problem, Style::errorText(palette()));
    Style::setTextColor(row->number, Style::secondaryText(palette()));
    connect(row->when, &QComboBox::activated, this, [this, row] { switchedWhen(row); });
    connect(row->time, &QTimeEdit::timeChanged, this, [this, row] { edited(row); });
    connect(row->offset, &QSpinBox::valueChanged, this, [this, row] { edited(row); });
    connect(row->brightness, &QSpinBox::valueChanged, this, [this] { edited(); });
    connect(row->remove, &QToolButton::clicked, this, [this, row] { removeRow(row); });
    return row;
}

void ScheduleEditor::setSchedule(const BrightnessSchedule& schedule) {
    if (m_shown == schedule)
        return;
    m_shown = schedule;
    m_problemRow = nullptr;
    const QList<SchedulePoint>& points = schedule.points();
    while (m_rows.size() > std::size_t(points.size())) {
        // Later, not now: the call may come from one of the row's own signals.
        m_rows.back()->hide();
        m_rows.back()->deleteLater();
        m_rows.pop_back();
    }
    while (m_rows.size() < std::size_t(points.size()))
        addRow();
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->showPoint(points.at(qsizetype(i)));
        m_rows[i]->setProblem({});
    }
    const QSignalBlocker blocker(m_transition);
    m_transition->setValue(int(schedule.transition().count()));
    renumber();
}

void ScheduleEditor::addPoint() {
    // An hour after the last clock point, or the next free hour after it.
    QTime start(noonHour, 0);
    for (auto row = m_rows.rbegin(); row != m_rows.rend(); ++row) {
        if (!(*row)->event()) {
            start = (*row)->point().clockTime.addSecs(std::chrono::seconds(newPointGap).count());
            break;
        }
    }
    QSet<QTime> taken;
    for (const SchedulePointRow* row : m_rows) {
        if (!row->event())
            taken.insert(row->point().clockTime);
    }
    SchedulePoint point;
    point.clockTime = start;
    point.brightness = middleBrightness;
    for (int hour = 0; hour < 24 && taken.contains(point.clockTime); ++hour)
        point.clockTime = point.clockTime.addSecs(std::chrono::seconds(newPointGap).count());
    for (int minute = 0; minute < 24 * 60 && taken.contains(point.clockTime); ++minute)
        point.clockTime = point.clockTime.addSecs(60);

    SchedulePointRow* row = addRow();
    row->showPoint(point);
    renumber();
    edited(row);
    // The new point's time is what the user set out to choose.
    row->time->setFocus(Qt::TabFocusReason);
}

void ScheduleEditor::removeRow(SchedulePointRow* row) {
    const auto found = std::find(m_rows.begin(), m_rows.end(), row);
    if (found == m_rows.end() || m_rows.size() <= 1)
        return;
    const bool hadFocus = row->isAncestorOf(QApplication::focusWidget());
    const auto index = std::size_t(found - m_rows.begin());
    m_rows.erase(found);
    if (row == m_problemRow)
        m_problemRow = nullptr;
    // Later, not now: this runs inside the row's own button.
    row->hide();
    row->deleteLater();
    renumber();
    // The keyboard stays where it was: on the point that takes the removed one's place.
    if (hadFocus)
        m_rows[std::min(index, m_rows.size() - 1)]->when->setFocus(Qt::TabFocusReason);
    edited();
}

void ScheduleEditor::switchedWhen(SchedulePointRow* row) {
    const std::optional<SunEvent> before = row->showFieldOfWhen();
    // A sun point made a clock point starts where the sun put it today.
    if (before && !row->event()) {
        for (const ScheduleSunTime& sun : std::as_const(m_today)) {
            if (sun.event != *before || !sun.time)
                continue;
            const QDateTime at = sun.time->addSecs(qint64(row->offset->value()) * 60);
            const QTime local = (m_zone.isValid() ? at.toTimeZone(m_zone) : at.toLocalTime()).time();
            const QSignalBlocker blocker(row->time);
            row->time->setTime(QTime(local.hour(), local.minute()));
        }
    }
    edited(row);
}

void ScheduleEditor::edited(SchedulePointRow* moved) {
    // Checked with the point just moved last, or else the one already showing the problem, so
    // that the repeat quoted is that point's own and the problem stays where the user saw it.
    SchedulePointRow* last = moved ? moved : m_problemRow;
    std::vector<SchedulePointRow*> order;
    std::copy_if(m_rows.begin(), m_rows.end(), std::back_inserter(order),
                 [last](SchedulePointRow* row) { return row != last; });
    if (last)
        order.push_back(last);
    if (m_rows.empty())
        return; // nothing shown yet
    const std::chrono::minutes transition{m_transition->value()};
    const auto checked = BrightnessSchedule::parse(textOf(order), transition);
    for (SchedulePointRow* row : m_rows)
        row->setProblem({});
    m_problemRow = nullptr;
    if (const auto* error = std::get_if<ScheduleError>(&checked)) {
        // At the row the parser stopped at: the first whose time an earlier row has.
        SchedulePointRow* at = last ? last : m_rows.back();
        QSet<QString> seen;
        for (SchedulePointRow* row : order) {
            const QString when = row->point().whenText();
            if (error->kind == ScheduleError::Kind::repeatedTime && seen.contains(when)) {
                at = row;
                break;
            }
            seen.insert(when);
        }
        at->setProblem(error->message());
        m_problemRow = at;
        return;
    }
    // Valid in any order, so valid in the rows' own.
    const auto schedule = std::get<BrightnessSchedule>(BrightnessSchedule::parse(textOf(m_rows), transition));
    if (m_shown == schedule)
        return;
    m_shown = schedule;
    emit scheduleEdited(schedule);
}

void ScheduleEditor::renumber() {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->setNumber(int(i) + 1);
        // At least one point stays: turning the schedule off is another switch's business.
        m_rows[i]->remove->setEnabled(m_rows.size() > 1);
    }
    m_add->setEnabled(m_rows.size() < std::size_t(BrightnessSchedule::maximumPoints));
    // Tab goes in reading order, also through rows made after the controls below them.
    QList<QWidget*> chain;
    for (const SchedulePointRow* row : m_rows)
        chain += row->fields();
    chain += QList<QWidget*>{m_add, m_transition, m_placeSource, m_latitude, m_longitude};
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void ScheduleEditor::setSunTimes(const QString& title, const QList<ScheduleSunTime>& today,
                                 const QTimeZone& zone) {
    m_sunTitle = title;
    m_today = today;
    m_zone = zone;
    showSunTimes();
}

void ScheduleEditor::showSunTimes() {
    QStringList times, missing;
    for (const ScheduleSunTime& sun : std::as_const(m_today)) {
        if (!sun.time) {
            times.append(noEventToday(sun.event));
            missing.append(eventWord(sun.event));
            continue;
        }
        const QDateTime local = m_zone.isValid() ? sun.time->toTimeZone(m_zone) : sun.time->toLocalTime();
        times.append(tr("%1 %2").arg(eventWord(sun.event), local.toString(u"HH:mm"_s)));
    }
    QString text = tr("%1: %2").arg(m_sunTitle, times.join(tr(", ")));
    if (missing.size() == 1)
        text = tr("%1. Points at %2 are skipped today.").arg(text, missing.first());
    else if (!missing.isEmpty())
        text = tr("%1. Points at those events are skipped today.").arg(text);
    m_sunTimes->setText(text);
    m_sunTimes->setVisible(!m_today.isEmpty());
}

void ScheduleEditor::setPlace(std::optional<GeoPlace> place) {
    m_place = place;
    m_placeSource->setCurrentIndex(place ? 1 : 0);
    if (place) {
        m_latitude->setText(degreesText(place->latitude));
        m_longitude->setText(degreesText(place->longitude));
    }
    m_coordinatesRow->setVisible(place.has_value());
    typedPlace(place.has_value());
}

void ScheduleEditor::placeSourcePicked(int index) {
    const bool typed = index == 1;
    m_coordinatesRow->setVisible(typed);
    const std::optional<GeoPlace> place = typed ? typedPlace(true) : std::nullopt;
    // Coordinates not given yet leave the place as it was until they are.
    if ((typed && !place) || place == m_place)
        return;
    m_place = place;
    emit placeEdited(place);
}

void ScheduleEditor::placeFieldEdited() {
    const std::optional<GeoPlace> place = typedPlace(true);
    if (!place || place == m_place)
        return;
    m_place = place;
    emit placeEdited(place);
}

std::optional<GeoPlace> ScheduleEditor::typedPlace(bool showProblems) {
    QStringList problems;
    const auto check = [&](QLineEdit* field, double limit, const QString& problem) {
        const std::optional<double> value = degrees(field->text(), limit);
        // An empty field is not given yet, not wrong.
        const bool invalid = showProblems && !value && !field->text().trimmed().isEmpty();
        field->setProperty(invalidProperty, invalid);
        field->setAccessibleDescription(invalid ? problem : QString());
        if (invalid) {
            Style::setTextColor(field, Style::errorText(palette()));
            problems.append(problem);
        } else {
            field->setPalette(QPalette());
        }
        return value;
    };
    const auto latitude = check(m_latitude, 90, tr("A latitude is a number of degrees from −90 to 90."));
    const auto longitude =
        check(m_longitude, 180, tr("A longitude is a number of degrees from −180 to 180."));
    const QLocale locale;
    m_placeProblem->setText(problems.isEmpty()
                                ? tr("In degrees, north and east positive: Berlin is at %1, %2.")
                                      .arg(locale.toString(52.52, 'f', 2), locale.toString(13.40, 'f', 2))
                                : problems.join(u' '));
    Style::setTextColor(m_placeProblem,
                        problems.isEmpty() ? Style::secondaryText(palette()) : Style::errorText(palette()));
    if (!latitude || !longitude)
        return std::nullopt;
    return GeoPlace{*latitude, *longitude};
}

void ScheduleEditor::restyle() {
    m_add->setIcon(SymbolIcons::icon(u"plus"_s, palette()));
    for (SchedulePointRow* row : m_rows) {
        row->remove->setIcon(removeIcon(palette(), devicePixelRatioF()));
        Style::setTextColor(row->problem, Style::errorText(palette()));
        Style::setTextColor(row->number, Style::secondaryText(palette()));
    }
    Style::setTextColor(m_sunTimes, Style::secondaryText(palette()));
    const bool shownInvalid =
        m_latitude->property(invalidProperty).toBool() || m_longitude->property(invalidProperty).toBool();
    typedPlace(shownInvalid);
}

void ScheduleEditor::paintEvent(QPaintEvent*) {
    // The card's hairline between each two rows shown, from the rows' inset to the edge.
    QPainter painter(this);
    QColor line = palette().color(QPalette::WindowText);
    line.setAlphaF(0.09);
    bool first = true;
    for (int i = 0; i < m_layout->count(); ++i) {
        const QWidget* row = m_layout->itemAt(i)->widget();
        if (!row || !row->isVisibleTo(this))
            continue;
        if (!std::exchange(first, false))
            painter.fillRect(QRect(rowInset, row->geometry().top(), width() - rowInset, 1), line);
    }
}

void ScheduleEditor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between light and dark: colours and symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange)
        restyle();
}
