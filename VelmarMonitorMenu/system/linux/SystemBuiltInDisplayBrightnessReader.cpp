#include "SystemBuiltInDisplayBrightnessReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Reading = BuiltInDisplayBrightnessReading;
using Reason = BuiltInDisplayBrightnessReading::UnavailableReason;

// A backlight attribute is a short number and a newline; anything longer is not one.
constexpr qsizetype attributeLimit = 64;

struct Attribute {
    QByteArray text;
    int error = 0; // errno of the failed open or read, 0 when read
};

// POSIX rather than QFile so a failure keeps its errno for the diagnosis.
Attribute readAttribute(const QString& path) {
    const QByteArray nativePath = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {{}, errno};

    // One byte more than the limit, so an oversized file is recognised as garbage.
    QByteArray text(attributeLimit + 1, Qt::Uninitialized);
    qsizetype length = 0;
    int error = 0;
    while (length < text.size()) {
        const ssize_t n = ::read(fd, text.data() + length, static_cast<size_t>(text.size() - length));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        length += n;
    }
    ::close(fd);
    if (error != 0)
        return {{}, error};
    text.truncate(length);
    return {text, 0};
}

std::optional<qint64> parseLevel(const QByteArray& text) {
    const QByteArray trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > attributeLimit)
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

// A level, or the reading that says why there is none.
struct Level {
    qint64 value = 0;
    std::optional<Reading> failure;
};

Level readLevel(const QString& path) {
    const Attribute attribute = readAttribute(path);
    if (attribute.error != 0)
        return {0, Reading::unavailable(Reason::ioError, attribute.error)};
    const auto value = parseLevel(attribute.text);
    if (!value)
        return {0, Reading::unavailable(Reason::noDisplayService)};
    return {*value, std::nullopt};
}

Reading readDevice(const QString& device) {
    const Level maximum = readLevel(device + QLatin1String("/max_brightness"));
    if (maximum.failure)
        return *maximum.failure;
    // A backlight without steps cannot say where in its range it is.
    if (maximum.value <= 0)
        return Reading::unavailable(Reason::noDisplayService);

    // actual_brightness is what the hardware reports; drivers that lack it only know the
    // level last requested, which is still the level the system chose.
    Level current = readLevel(device + QLatin1String("/actual_brightness"));
    if (current.failure == Reading::unavailable(Reason::ioError, ENOENT))
        current = readLevel(device + QLatin1String("/brightness"));
    if (current.failure)
        return *current.failure;

    const double fraction = static_cast<double>(current.value) / static_cast<double>(maximum.value);
    return Reading::available(std::clamp(fraction, 0.0, 1.0));
}

// Lower is preferred. Firmware (ACPI) interfaces know the panel best; a raw interface is
// the bare GPU control, and on hybrid-graphics laptops only the one whose display connector
// is enabled drives the panel that is lit.
enum class Preference { firmware, platform, rawEnabledConnector, raw, unknown };

Preference preferenceOf(const QString& device) {
    const QByteArray type = readAttribute(device + QLatin1String("/type")).text.trimmed();
    if (type == "firmware")
        return Preference::firmware;
    if (type == "platform")
        return Preference::platform;
    if (type == "raw") {
        const QByteArray connector = readAttribute(device + QLatin1String("/device/enabled")).text.trimmed();
        return connector == "enabled" ? Preference::rawEnabledConnector : Preference::raw;
    }
    return Preference::unknown;
}

// The ddcci kernel driver lists each DDC/CI monitor as a backlight. That is the monitor we
// steer, not the panel we follow: taking it would feed the monitor's own brightness back.
bool belongsToExternalMonitor(const QString& device) {
    const QString subsystem = QFile::symLinkTarget(device + QLatin1String("/device/subsystem"));
    return !subsystem.isEmpty() && QFileInfo(subsystem).fileName() == QLatin1String("ddcci");
}

struct Candidate {
    Preference preference;
    QString name;
    QString path;
};

} // namespace

SystemBuiltInDisplayBrightnessReader::SystemBuiltInDisplayBrightnessReader(QString root)
    : m_root(std::move(root)) {}

BuiltInDisplayBrightnessReading SystemBuiltInDisplayBrightnessReader::readBrightness() {
    const QDir root(m_root);
    std::vector<Candidate> candidates;
    // Entries of the sysfs class directory are symbolic links to the device directories.
    for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort)) {
        const QString path = root.filePath(name);
        if (belongsToExternalMonitor(path))
            continue;
        candidates.push_back({preferenceOf(path), name, path});
    }
    if (candidates.empty())
        return Reading::unavailable(Reason::noBuiltInDisplay);

    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.preference != b.preference)
            return a.preference < b.preference;
        return a.name < b.name;
    });

    std::optional<Reading> preferredFailure;
    for (const Candidate& candidate : candidates) {
        Reading reading = readDevice(candidate.path);
        if (reading.isAvailable())
            return reading;
        if (!preferredFailure)
            preferredFailure = std::move(reading);
    }
    return *preferredFailure;
}

std::unique_ptr<BuiltInDisplayBrightnessReadingSource> makeSystemBuiltInDisplayBrightnessReader() {
    // Like the simulated monitor, a simulated panel lets adaptive brightness be demonstrated and
    // tested on machines without a backlight: a directory laid out like /sys/class/backlight.
    const QString simulated = qEnvironmentVariable("VELMAR_SIMULATED_BACKLIGHT");
    if (!simulated.isEmpty())
        return std::make_unique<SystemBuiltInDisplayBrightnessReader>(simulated);
    return std::make_unique<SystemBuiltInDisplayBrightnessReader>();
}
