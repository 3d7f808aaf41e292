#pragma once

#include "controller/BrightnessSchedule.h"

#include <QList>
#include <QString>
#include <QTimeZone>
#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class SchedulePointRow;

/// The editor of adaptive brightness's time-of-day schedule: one row per point (when it happens,
/// a clock time or a sun event with an offset, and its brightness), a button that adds a point,
/// the transition, the place the sun is followed at, and a line with today's sun times.
///
/// It sits in a form card as a full row without margins of its own: its rows have the card's
/// insets and hairlines. It holds no schedule of its own beyond what it shows: the owner hands it
/// the schedule, the place and the sun times, and hears back edits that leave a valid schedule or
/// a valid place. An edit that would not (two points at one time, a latitude beyond 90°) is shown
/// in words at its row and goes nowhere; the last valid schedule stands.
class ScheduleEditor : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleEditor(QWidget* parent = nullptr);
    ~ScheduleEditor() override;

    /// Shows `schedule`: its points in their order, and its transition. Says nothing back. The
    /// schedule the editor shows already (the echo of its own edit) leaves the rows as they are,
    /// with whatever is being typed in them.
    void setSchedule(const BrightnessSchedule& schedule);
    /// What the sun times line says: `title` ("Sun times for Europe/Berlin"), then today's time
    /// in `zone` of each event the schedule uses, or that the event does not happen today. An
    /// empty `today` (no sun points) hides the line.
    void setSunTimes(const QString& title, const QList<ScheduleSunTime>& today, const QTimeZone& zone);
    /// The place the user typed, or nullopt for the time zone's own. Says nothing back.
    void setPlace(std::optional<GeoPlace> place);

signals:
    /// Every edit that leaves a valid schedule, once per edit: a field's value committed (Return,
    /// an arrow key, the focus leaving it), a point added or removed.
    void scheduleEdited(const BrightnessSchedule& schedule);
    /// The user chose the time zone's own place (nullopt) or finished typing a valid place.
    void placeEdited(std::optional<GeoPlace> place);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildPointRows(QVBoxLayout* layout);
    void buildTransitionRow(QVBoxLayout* layout);
    void buildPlaceRows(QVBoxLayout* layout);
    void buildSunTimesRow(QVBoxLayout* layout);
    SchedulePointRow* addRow();
    void removeRow(SchedulePointRow* row);
    void addPoint();
    void switchedWhen(SchedulePointRow* row);
    /// Checks the schedule the rows show after an edit, and announces it or shows why not.
    /// `moved` is the row whose WHEN the edit changed, if it changed one.
    void edited(SchedulePointRow* moved = nullptr);
    void renumber();
    void placeFieldEdited();
    void placeSourcePicked(int index);
    /// The place the fields show, checking each field; nullopt while either is not valid.
    std::optional<GeoPlace> typedPlace(bool showProblems);
    void showSunTimes();
    void restyle();

    std::vector<SchedulePointRow*> m_rows;
    QVBoxLayout* m_layout = nullptr;
    QPushButton* m_add = nullptr;
    QSpinBox* m_transition = nullptr;
    // What the rows and the transition showed when they last made a valid schedule.
    std::optional<BrightnessSchedule> m_shown;
    SchedulePointRow* m_problemRow = nullptr; // the row saying why the rows are not a schedule

    QComboBox* m_placeSource = nullptr;
    QWidget* m_coordinatesRow = nullptr;
    QLineEdit* m_latitude = nullptr;
    QLineEdit* m_longitude = nullptr;
    QLabel* m_placeProblem = nullptr;
    std::optional<GeoPlace> m_place; // as last set or announced

    QLabel* m_sunTimes = nullptr;
    QString m_sunTitle;
    QList<ScheduleSunTime> m_today;
    QTimeZone m_zone;
};
