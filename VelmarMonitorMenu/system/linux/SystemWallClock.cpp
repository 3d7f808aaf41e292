#include "SystemWallClock.h"

#include "BusNameOwner.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>

#include <sys/timerfd.h>
#include <unistd.h>

namespace {

const QString timedateService = QStringLiteral("org.freedesktop.timedate1");
const QString timedatePath = QStringLiteral("/org/freedesktop/timedate1");

// The tz database's own names stay far below this; one of any length is not trusted.
constexpr qsizetype longestZoneId = 128;

// Words of letters, digits, '_', '-' and '+' joined by '/': every IANA zone name, and nothing
// that could lead a zone file's path out of the tz folder.
bool isWellFormedZoneId(const QByteArray& id) {
    static const QRegularExpression wellFormed(QStringLiteral("^[A-Za-z0-9_+-]+(/[A-Za-z0-9_+-]+)*$"));
    return !id.isEmpty() && id.size() <= longestZoneId &&
           wellFormed.match(QString::fromLatin1(id)).hasMatch();
}

std::optional<QTimeZone> zoneNamed(const QByteArray& id) {
    if (!isWellFormedZoneId(id))
        return std::nullopt;
    QTimeZone zone(id);
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

// A zone file's path names its zone after the tz folder: .../zoneinfo/Europe/Berlin. The
// folder's "posix/" and "right/" copies hold the same zones.
QByteArray zoneIdInPath(const QString& path) {
    static const QString folder = QStringLiteral("/zoneinfo/");
    const qsizetype at = path.lastIndexOf(folder);
    if (at < 0)
        return {};
    QString id = path.mid(at + folder.size());
    for (const auto copy : {QLatin1String("posix/"), QLatin1String("right/")}) {
        if (id.startsWith(copy))
            id.remove(0, copy.size());
    }
    return id.toLatin1();
}

// $TZ as the C library reads it: a zone name or a zone file's path, either after an optional
// ':'. A rule written out ("CET-1CEST,M3.5.0,M10.5.0/3") names no zone and is passed over.
std::optional<QTimeZone> zoneFromEnvironment() {
    QByteArray value = qgetenv("TZ");
    if (value.startsWith(':'))
        value.remove(0, 1);
    if (value.startsWith('/'))
        value = zoneIdInPath(QFile::decodeName(value));
    return zoneNamed(value);
}

std::optional<QTimeZone> zoneFromLink(const QString& folder) {
    const QString target = QFile::symLinkTarget(folder + QLatin1String("/localtime"));
    if (target.isEmpty())
        return std::nullopt;
    return zoneNamed(zoneIdInPath(target));
}

// Debian's /etc/timezone: the zone's name on a line of its own.
std::optional<QTimeZone> zoneFromNameFile(const QString& folder) {
    QFile file(folder + QLatin1String("/timezone"));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.read(longestZoneId + 2);
    return zoneNamed(text.trimmed());
}

} // namespace

SystemWallClock::SystemWallClock(QString configurationFolder, QDBusConnection bus, QObject* parent)
    : WallClock(parent), m_folder(std::move(configurationFolder)), m_bus(std::move(bus)),
      m_timedate(new BusNameOwner(m_bus, timedateService, this)), m_watcher(new QFileSystemWatcher(this)) {
    m_zoneId = timeZoneId();
    watchClock();
    watchZoneFiles();
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SystemWallClock::checkZone);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SystemWallClock::checkZone);
    // timedated runs only while it is used, so it is not asked for anything: it announces a zone
    // it sets. Heard from any sender and checked against the owner of its name.
    if (m_bus.isConnected())
        m_bus.connect(QString(), timedatePath, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(onTimedatePropertiesChanged(QDBusMessage)));
}

SystemWallClock::~SystemWallClock() {
    // The notifier lets go of the descriptor before it is closed.
    delete m_clockNotifier;
    if (m_clockTimer >= 0)
        ::close(m_clockTimer);
}

QDateTime SystemWallClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

QTimeZone SystemWallClock::timeZone() const {
    if (auto zone = zoneFromEnvironment())
        return *zone;
    if (auto zone = zoneFromLink(m_folder))
        return *zone;
    if (auto zone = zoneFromNameFile(m_folder))
        return *zone;
    return QTimeZone::systemTimeZone();
}

// A timer on the realtime clock set to expire at the end of time, cancelled by the kernel
// whenever the clock is set, and by current kernels after a resume from suspend too (the clock
// moves on by the time slept, which timers on the steady clock do not count). A machine without
// it still hears of zone changes.
void SystemWallClock::watchClock() {
    m_clockTimer = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_clockTimer < 0)
        return;
    m_clockNotifier = new QSocketNotifier(m_clockTimer, QSocketNotifier::Read, this);
    connect(m_clockNotifier, &QSocketNotifier::activated, this, &SystemWallClock::onClockSet);
    onClockSet();
}

void SystemWallClock::onClockSet() {
    std::uint64_t expirations = 0;
    ssize_t result;
    do {
        result = ::read(m_clockTimer, &expirations, sizeof expirations);
    } while (result < 0 && errno == EINTR);
    const bool clockWasSet = result < 0 && errno == ECANCELED;

    // Armed again after every cancellation, so the next setting of the clock is heard too.
    itimerspec never{};
    never.it_value.tv_sec = std::numeric_limits<time_t>::max();
    if (::timerfd_settime(m_clockTimer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) < 0) {
        m_clockNotifier->setEnabled(false);
        return;
    }
    if (clockWasSet)
        emit changed();
}

// The folder tells of the link or the name file being replaced (as timedatectl and editors
// do); the files of being written in place.
void SystemWallClock::watchZoneFiles() {
    QStringList paths;
    if (!m_watcher->directories().contains(m_folder))
        paths << m_folder;
    for (const auto name : {QLatin1String("/localtime"), QLatin1String("/timezone")}) {
        const QString path = m_folder + name;
        if (QFileInfo::exists(path) && !m_watcher->files().contains(path))
            paths << path;
    }
    if (!paths.isEmpty())
        m_watcher->addPaths(paths);
}

// Anything in the folder may have changed; only a change of the zone is announced.
void SystemWallClock::checkZone() {
    watchZoneFiles();
    const QByteArray zoneId = timeZoneId();
    if (zoneId == m_zoneId)
        return;
    m_zoneId = zoneId;
    emit changed();
}

void SystemWallClock::onTimedatePropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (!m_timedate->isFrom(message) || arguments.size() != 3 ||
        arguments.at(0).toString() != timedateService)
        return;
    const QString zoneProperty = QStringLiteral("Timezone");
    if (qdbus_cast<QVariantMap>(arguments.at(1)).contains(zoneProperty) ||
        qdbus_cast<QStringList>(arguments.at(2)).contains(zoneProperty))
        checkZone();
}

std::unique_ptr<WallClock> makeSystemWallClock() {
    return std::make_unique<SystemWallClock>(QString::fromLatin1(SystemWallClock::defaultConfigurationFolder),
                                             QDBusConnection::systemBus());
}
