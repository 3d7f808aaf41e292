#include "MonitorPicker.h"

#include "controller/ConnectedMonitors.h"
#include "controller/MonitorController.h"
#include "ui/icons/SymbolIcons.h"
#include "WheelGuard.h"

#include <QEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

QStringList monitorNames(const QList<MonitorController*>& controllers) {
    QStringList names;
    for (const auto* controller : controllers) {
        QString name = controller->displayName().trimmed();
        if (name.isEmpty())
            name = MonitorPicker::tr("Monitor %1").arg(names.size() + 1);
        // Two monitors of one model are told apart by where they stand in the list.
        const QString base = name;
        for (int n = 2; names.contains(name); ++n)
            name = MonitorPicker::tr("%1 (%2)").arg(base).arg(n);
        names.append(name);
    }
    return names;
}

MonitorPicker::MonitorPicker(ConnectedMonitors& monitors, QWidget* parent)
    : QComboBox(parent), m_monitors(monitors) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    WheelGuard::guard(*this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        MonitorController* picked =
            index >= 0 && index < m_listed.size() ? m_listed.at(index).data() : nullptr;
        if (!picked)
            return;
        m_current = picked;
        setToolTip(currentText());
        emit monitorPicked(picked);
    });
    connect(&m_monitors, &ConnectedMonitors::controllersChanged, this, &MonitorPicker::refill);
    refill();
}

void MonitorPicker::setCurrentMonitor(const MonitorController* monitor) {
    m_current = monitor;
    refill();
}

MonitorController* MonitorPicker::currentMonitor() const {
    const int index = currentIndex();
    return index >= 0 && index < m_listed.size() ? m_listed.at(index).data() : nullptr;
}

void MonitorPicker::refill() {
    const auto controllers = m_monitors.controllers();
    const QStringList names = monitorNames(controllers);
    const QSignalBlocker blocker(this);
    clear();
    m_listed.clear();
    int current = 0;
    for (int i = 0; i < controllers.size(); ++i) {
        addItem(SymbolIcons::icon(QStringLiteral("display"), palette()), names.at(i));
        m_listed.append(controllers.at(i));
        if (controllers.at(i) == m_current)
            current = i;
    }
    setCurrentIndex(current);
    setToolTip(currentText());
    watchNames();
}

void MonitorPicker::watchNames() {
    for (const auto& controller : std::as_const(m_listed)) {
        connect(controller, &MonitorController::displayNameChanged, this, &MonitorPicker::refill,
                Qt::UniqueConnection);
    }
}

void MonitorPicker::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    // The desktop switched between light and dark: the symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange)
        refill();
}

void MonitorPicker::paintEvent(QPaintEvent*) {
    // As QComboBox draws itself, with the name cut short to the room it has instead of clipped.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int room = field.width() - (option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4) - 2;
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, room);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
