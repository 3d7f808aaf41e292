#include "system/DisplayLifecycleObservers.h"

#include "system/DisplayLifecycleEventSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <chrono>
#include <set>
#include <utility>
#include <vector>

namespace {

// Receives the platform's signals: a QObject so D-Bus can deliver to its slots, and the
// context of every Qt connection, so destroying it ends them all.
class LifecycleSignalReceiver : public QObject {
    Q_OBJECT
public:
    explicit LifecycleSignalReceiver(DisplayLifecycleEventSource* source) : m_source(source) {}

    void watchScreen(QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this,
                [this] { post(DisplayLifecycleEvent::displayConfigurationDidChange); });
    }

    void post(DisplayLifecycleEvent event) {
        // Handed over from the event loop, not from inside D-Bus dispatch or Qt's screen
        // handling, so the consumer it resumes never runs within them. Dropped if we are
        // destroyed before it runs.
        QMetaObject::invokeMethod(
            this,
            [source = m_source, event] {
                if (source)
                    source->post(event);
            },
            Qt::QueuedConnection);
    }

public Q_SLOTS:
    void prepareForSleep(bool goingToSleep) {
        if (!goingToSleep)
            post(DisplayLifecycleEvent::systemDidWake);
    }

    void screenSaverActiveChanged(bool active, const QDBusMessage& message) {
        // One wake can be announced more than once: KDE sends the change on two object paths,
        // and a desktop may offer both interfaces. An announcement from another path or
        // interface shortly after the first is the same wake; the same one again is a new wake.
        if (active) {
            m_wakeAnnouncedBy.clear();
            return;
        }
        const QString announcer = message.path() + QLatin1Char(' ') + message.interface();
        const bool sameWake = !m_wakeAnnouncedBy.empty() && !m_wakeAnnouncedBy.contains(announcer) &&
                              m_wakeAnnouncedAt.elapsed() < std::chrono::milliseconds(sameWakeWindow).count();
        if (!sameWake) {
            m_wakeAnnouncedBy.clear();
            m_wakeAnnouncedAt.start();
            post(DisplayLifecycleEvent::screensDidWake);
        }
        m_wakeAnnouncedBy.insert(announcer);
    }

private:
    static constexpr std::chrono::seconds sameWakeWindow{2};

    QPointer<DisplayLifecycleEventSource> m_source;
    std::set<QString> m_wakeAnnouncedBy;
    QElapsedTimer m_wakeAnnouncedAt;
};

struct BusSignal {
    QDBusConnection::BusType bus;
    QString service; // only its owner is heard; empty for any sender
    QString path;
    QString interface;
    QString name;
    const char* slot;
};

// The wake comes from logind alone: any account on the machine may send a signal on the system
// bus, and only the owner of logind's name speaks for it (Qt follows the name to its owner).
// The screen savers' signals are matched from any sender on the user's own session bus: lockers
// differ in which process sends them, and every one of them is the user's.
std::vector<BusSignal> observedBusSignals() {
    const auto activeChanged = SLOT(screenSaverActiveChanged(bool, QDBusMessage));
    return {
        {QDBusConnection::SystemBus, QStringLiteral("org.freedesktop.login1"),
         QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
         QStringLiteral("PrepareForSleep"), SLOT(prepareForSleep(bool))},
        {QDBusConnection::SessionBus, QString(), QStringLiteral("/org/freedesktop/ScreenSaver"),
         QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), activeChanged},
        {QDBusConnection::SessionBus, QString(), QStringLiteral("/ScreenSaver"),
         QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), activeChanged},
        {QDBusConnection::SessionBus, QString(), QStringLiteral("/org/gnome/ScreenSaver"),
         QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("ActiveChanged"), activeChanged},
    };
}

QDBusConnection busConnection(QDBusConnection::BusType bus) {
    return bus == QDBusConnection::SystemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
}

} // namespace

struct DisplayLifecycleObservers::Private {
    explicit Private(DisplayLifecycleEventSource* source) : receiver(source) {}

    struct Subscription {
        QDBusConnection connection;
        BusSignal signal;
    };

    LifecycleSignalReceiver receiver;
    std::vector<Subscription> subscriptions;
    bool watchesScreens = false;
};

DisplayLifecycleObservers::DisplayLifecycleObservers(DisplayLifecycleEventSource* source)
    : d(new Private(source)) {
    for (BusSignal& signal : observedBusSignals()) {
        // A desktop without this bus (a container, a minimal session) leaves its events silent.
        QDBusConnection connection = busConnection(signal.bus);
        if (!connection.isConnected())
            continue;
        if (connection.connect(signal.service, signal.path, signal.interface, signal.name, &d->receiver,
                               signal.slot))
            d->subscriptions.push_back({connection, std::move(signal)});
    }

    // Screens exist only for a GUI application; a plain core application has none to watch.
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    auto* receiver = &d->receiver;
    QObject::connect(app, &QGuiApplication::screenAdded, receiver, [receiver](QScreen* screen) {
        receiver->watchScreen(screen);
        receiver->post(DisplayLifecycleEvent::displayConfigurationDidChange);
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, receiver,
                     [receiver] { receiver->post(DisplayLifecycleEvent::displayConfigurationDidChange); });
    for (QScreen* screen : QGuiApplication::screens())
        receiver->watchScreen(screen);
    d->watchesScreens = true;
}

DisplayLifecycleObservers::~DisplayLifecycleObservers() {
    for (auto& [connection, signal] : d->subscriptions)
        connection.disconnect(signal.service, signal.path, signal.interface, signal.name, &d->receiver,
                              signal.slot);
    // The receiver goes with d, and with it every Qt connection and any event not yet handed over.
    delete d;
}

// One per D-Bus signal subscription the bus took, and one for Qt's screens.
int DisplayLifecycleObservers::registrationCount() const {
    return static_cast<int>(d->subscriptions.size()) + (d->watchesScreens ? 1 : 0);
}

#include "DisplayLifecycleObservers.moc"
