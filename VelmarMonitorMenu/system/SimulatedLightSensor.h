#pragma once

#include "LightSensor.h"

#include <QString>

class QFileSystemWatcher;

/// A light sensor that is a file holding the level in lux, for trying adaptive brightness on
/// a machine without a sensor, and for the program's own end-to-end tests.
///
/// The sensor is present while the file exists and can be read. Its text is read again
/// whenever the file or its folder changes (editors replace a file rather than write it);
/// text that is not a valid level (a file caught half-written, say) is ignored, so the
/// reading before it stays. Claims change nothing.
class SimulatedLightSensor final : public LightSensor {
    Q_OBJECT
public:
    explicit SimulatedLightSensor(QString path, QObject* parent = nullptr);

    bool isPresent() const override { return m_present; }
    std::optional<LightReading> reading() const override;
    void claim() override {}
    void release() override {}

private:
    void readFile();

    QString m_path;
    QFileSystemWatcher* m_watcher;
    bool m_present = false;
    std::optional<double> m_level;
};
