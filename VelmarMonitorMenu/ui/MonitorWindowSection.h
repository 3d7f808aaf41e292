#pragma once

#include <QObject>
#include <QString>

#include <array>

// The window's two sections.
enum class MonitorWindowSection { controls, settings };

namespace MonitorWindowSections {
inline constexpr std::array<MonitorWindowSection, 2> allCases = {MonitorWindowSection::controls,
                                                                 MonitorWindowSection::settings};
QString title(MonitorWindowSection section);
QString symbol(MonitorWindowSection section);
} // namespace MonitorWindowSections

QString rawValue(MonitorWindowSection section);

// Which section the window shows: one value shared by the window's picker, the panel's window
// buttons and the Settings command, so they can never disagree.
class WindowSectionState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    MonitorWindowSection section() const { return m_section; }
    void setSection(MonitorWindowSection section);

signals:
    void sectionChanged(MonitorWindowSection section);

private:
    MonitorWindowSection m_section = MonitorWindowSection::controls;
};
