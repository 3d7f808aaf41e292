#include "SimulatedLightSensor.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// A level is a short number; a file far longer is not one.
constexpr qint64 longestText = 64;

} // namespace

SimulatedLightSensor::SimulatedLightSensor(QString path, QObject* parent)
    : LightSensor(parent), m_path(std::move(path)), m_watcher(new QFileSystemWatcher(this)) {
    // The folder tells of the file being created, removed or replaced; the file of being written.
    m_watcher->addPath(QFileInfo(m_path).absolutePath());
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SimulatedLightSensor::readFile);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SimulatedLightSensor::readFile);
    readFile();
}

std::optional<LightReading> SimulatedLightSensor::reading() const {
    if (!m_present || !m_level)
        return std::nullopt;
    return LightReading{*m_level, LightLevelUnit::lux};
}

void SimulatedLightSensor::readFile() {
    // A replaced file is a new one, and the watch on the old one went with it.
    if (QFileInfo::exists(m_path) && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);

    const auto before = reading();
    QFile file(m_path);
    // Only a plain file: opening anything else (a pipe) could wait for a writer.
    const bool present = QFileInfo(m_path).isFile() && file.open(QIODevice::ReadOnly);
    if (!present) {
        // A sensor that comes back is a new one, with nothing measured yet.
        m_level.reset();
    } else {
        bool isNumber = false;
        const QByteArray text = file.read(longestText + 1);
        const double level = text.trimmed().toDouble(&isNumber);
        if (text.size() <= longestText && isNumber && isValidLightLevel(level))
            m_level = level;
    }
    const bool presenceChanges = present != m_present;
    m_present = present;
    if (presenceChanges)
        emit presenceChanged(m_present);
    const auto after = reading();
    if (after && after != before)
        emit readingChanged(*after);
}
