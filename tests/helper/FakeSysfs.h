#pragma once

// A fake /sys in a test's folder: the graphics card's connectors as the helper reads them.
#include "TestFiles.h"

inline void makeLink(const QString& target, const QString& link) {
    QVERIFY(QDir().mkpath(QFileInfo(link).path()));
    QVERIFY(QFile::link(target, link));
}

/// An I2C adapter `bus` below the PCI device `device` (0000:01:00.0) of class `pciClass` (0x030000
/// for a graphics card), as /sys/bus/i2c/devices lists it, with the adapter's `name` file when given
/// (its text as sysfs gives it, line break included).
inline void makeAdapter(const QString& sys, int bus, const QString& device, const QByteArray& pciClass,
                        const QByteArray& name = {}) {
    const QString adapter = "i2c-" + QString::number(bus);
    const QString folder = sys + "/devices/pci0000:00/" + device;
    makeFile(folder + "/class", pciClass + "\n");
    QVERIFY(QDir().mkpath(folder + "/" + adapter));
    if (!name.isNull())
        makeFile(folder + "/" + adapter + "/name", name);
    QFile::remove(sys + "/bus/i2c/devices/" + adapter);
    makeLink("../../../devices/pci0000:00/" + device + "/" + adapter, sys + "/bus/i2c/devices/" + adapter);
}

/// How sysfs names a connector's bus: HDMI and DVI by a "ddc" link to the adapter, DisplayPort by
/// an i2c-N folder of the connector's own.
enum class DdcBusEntry { ownFolder, ddcLink };

/// Lays out the connector `name` (card0-DP-1) under `sys`, replacing any earlier one: its status
/// ("connected", "disconnected"), its display's bus, and the EDID the kernel keeps for the display
/// (empty when the driver keeps none).
inline void makeConnector(const QString& sys, const QString& name, int bus, const QByteArray& status,
                          const QByteArray& edid = {}, DdcBusEntry entry = DdcBusEntry::ownFolder) {
    const QString folder = sys + "/class/drm/" + name;
    QVERIFY(QDir(folder).removeRecursively());
    const QString adapter = "i2c-" + QString::number(bus);
    makeFile(folder + "/status", status + "\n");
    makeFile(folder + "/edid", edid);
    if (entry == DdcBusEntry::ddcLink)
        makeLink("../../../devices/pci0000:00/" + adapter, folder + "/ddc");
    else
        QVERIFY(QDir().mkpath(folder + "/" + adapter));
}
