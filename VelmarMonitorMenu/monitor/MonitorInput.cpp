#include "MonitorInput.h"

#include "RawValue.h"

#include "MonitorCodes.h"

#include <QCoreApplication>

namespace {

// The app's enumeration and the shared one name the same inputs in the same order.
static_assert(int(MonitorInput::usbC) == int(MonitorCodes::Input::usbC) &&
              int(MonitorInput::displayPort) == int(MonitorCodes::Input::displayPort) &&
              int(MonitorInput::hdmi1) == int(MonitorCodes::Input::hdmi1) &&
              int(MonitorInput::hdmi2) == int(MonitorCodes::Input::hdmi2));

std::optional<MonitorInput> fromShared(std::optional<MonitorCodes::Input> input) {
    if (!input)
        return std::nullopt;
    return static_cast<MonitorInput>(*input);
}

} // namespace

namespace MonitorInputs {

int vendorCode(MonitorInput input) {
    return MonitorCodes::codesOf(static_cast<MonitorCodes::Input>(input)).vendorCode;
}

std::optional<MonitorInput> fromVendorCode(int code) {
    return fromShared(MonitorCodes::inputFromVendorCode(code));
}

std::optional<MonitorInput> fromStandardCode(int code) {
    return fromShared(MonitorCodes::inputFromStandardCode(code));
}

int standardCode(MonitorInput input) {
    return MonitorCodes::codesOf(static_cast<MonitorCodes::Input>(input)).standardCodes[0];
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
