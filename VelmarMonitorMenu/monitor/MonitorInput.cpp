#include "MonitorInput.h"

#include "RawValue.h"

#include <QCoreApplication>

namespace MonitorInputs {

int vendorCode(MonitorInput input) {
    switch (input) {
    case MonitorInput::usbC:
        return 0xD2;
    case MonitorInput::displayPort:
        return 0xD0;
    case MonitorInput::hdmi1:
        return 0x90;
    case MonitorInput::hdmi2:
        return 0x91;
    }
    return 0;
}

std::optional<MonitorInput> fromVendorCode(int code) {
    for (auto input : allCases) {
        if (vendorCode(input) == code)
            return input;
    }
    return std::nullopt;
}

std::optional<MonitorInput> fromStandardCode(int code) {
    switch (code) {
    case 0x1B:
        return MonitorInput::usbC;
    case 0x0F: // DisplayPort 1
    case 0x10: // DisplayPort 2
        return MonitorInput::displayPort;
    case 0x11:
        return MonitorInput::hdmi1;
    case 0x12:
        return MonitorInput::hdmi2;
    default:
        return std::nullopt;
    }
}

QString title(MonitorInput input) {
    switch (input) {
    case MonitorInput::usbC:
        return QCoreApplication::translate("MonitorInput", "USB-C");
    case MonitorInput::displayPort:
        return QCoreApplication::translate("MonitorInput", "DisplayPort");
    case MonitorInput::hdmi1:
        return QCoreApplication::translate("MonitorInput", "HDMI 1");
    case MonitorInput::hdmi2:
        return QCoreApplication::translate("MonitorInput", "HDMI 2");
    }
    return {};
}

QString symbol(MonitorInput input) {
    switch (input) {
    case MonitorInput::usbC:
        return QStringLiteral("cable.connector");
    case MonitorInput::displayPort:
        return QStringLiteral("display");
    case MonitorInput::hdmi1:
    case MonitorInput::hdmi2:
        return QStringLiteral("tv");
    }
    return {};
}

} // namespace MonitorInputs

QString rawValue(MonitorInput input) {
    switch (input) {
    case MonitorInput::usbC:
        return QStringLiteral("usbC");
    case MonitorInput::displayPort:
        return QStringLiteral("displayPort");
    case MonitorInput::hdmi1:
        return QStringLiteral("hdmi1");
    case MonitorInput::hdmi2:
        return QStringLiteral("hdmi2");
    }
    return {};
}

std::optional<MonitorInput> monitorInputFromRawValue(const QString& raw) {
    return caseFromRawValue(MonitorInputs::allCases, raw);
}
