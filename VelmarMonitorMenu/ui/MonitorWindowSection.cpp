#include "MonitorWindowSection.h"

#include <QCoreApplication>

namespace MonitorWindowSections {

QString title(MonitorWindowSection section) {
    switch (section) {
    case MonitorWindowSection::controls:
        return QCoreApplication::translate("MonitorWindowSection", "Controls");
    case MonitorWindowSection::settings:
        return QCoreApplication::translate("MonitorWindowSection", "Settings");
    }
    return {};
}

QString symbol(MonitorWindowSection section) {
    switch (section) {
    case MonitorWindowSection::controls:
        return QStringLiteral("slider.horizontal.3");
    case MonitorWindowSection::settings:
        return QStringLiteral("gearshape.fill");
    }
    return {};
}

} // namespace MonitorWindowSections

QString rawValue(MonitorWindowSection section) {
    switch (section) {
    case MonitorWindowSection::controls:
        return QStringLiteral("controls");
    case MonitorWindowSection::settings:
        return QStringLiteral("settings");
    }
    return {};
}

void WindowSectionState::setSection(MonitorWindowSection section) {
    if (section == m_section)
        return;
    m_section = section;
    emit sectionChanged(section);
}
