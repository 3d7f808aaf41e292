#pragma once

#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <QString>

/// Reads the laptop panel's backlight from the kernel's backlight class in sysfs.
///
/// Devices are preferred by type as desktop backlight tools do: firmware, then platform, then
/// raw (a raw one whose display connector is enabled first), ties broken by name. Backlights
/// of external monitors driven over DDC/CI are never taken for the panel. If the preferred
/// device cannot be read, the next one is tried; the reading reports the preferred device's
/// failure when none can be read. Nothing is cached: every call scans the directory again.
class SystemBuiltInDisplayBrightnessReader : public BuiltInDisplayBrightnessReadingSource {
public:
    static constexpr auto defaultRoot = "/sys/class/backlight";

    /// `root` is the backlight class directory; tests point it at a fake tree.
    explicit SystemBuiltInDisplayBrightnessReader(QString root = QString::fromLatin1(defaultRoot));

    BuiltInDisplayBrightnessReading readBrightness() override;

private:
    QString m_root;
};
