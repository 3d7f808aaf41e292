#include "CommandLine.h"

#include "controller/AdaptiveBrightnessState.h"
#include "controller/BrightnessSchedule.h"
#include "MonitorBus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <variant>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Every read of a monitor that stopped answering runs into the helper's time limit, so a
// refresh may take this long before the instance answers.
constexpr auto refreshAnswerLimit = 120s;
// Any other command is only handed to the controller: a live instance answers at once.
constexpr auto answerLimit = 10s;

const QString refreshOption = QStringLiteral("refresh");
const QString sceneOption = QStringLiteral("scene");
const QString inputOption = QStringLiteral("input");
const QString nightOption = QStringLiteral("night");
const QString statusOption = QStringLiteral("status");
const QString displayOption = QStringLiteral("display");
const QString listDisplaysOption = QStringLiteral("list-displays");
const QString everyDisplay = QStringLiteral("all");
const QString adaptiveOption = QStringLiteral("adaptive");
const QString scheduleOption = QStringLiteral("schedule");
// --schedule without points prints the schedule; the parser knows it under a name of its own.
const QString showScheduleOption = QStringLiteral("show-schedule");
const QString transitionOption = QStringLiteral("transition");

QStringList commandNames() {
    QStringList names{refreshOption,    sceneOption,      inputOption,        nightOption,
                      adaptiveOption,   scheduleOption,   transitionOption,   listDisplaysOption,
                      statusOption,     displayOption};
    for (const auto feature : MonitorFeatures::allCases)
        names.append(MonitorBus::featureName(feature));
    return names;
}

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine",
        "Velmar Monitor controls a Velmar monitor over DDC/CI from the system tray. Started without "
        "options it runs; given commands, it tells the running Velmar Monitor what to do and ends. "
        "Several commands run in the order listed below.\n\n"
        "Exit status: 0 done, 1 refused by Velmar Monitor, 2 bad arguments (nothing changed), "
        "3 Velmar Monitor is not running."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {displayOption,
         QCoreApplication::translate(
             "CommandLine",
             "Act on this monitor, given before the commands: its id or its name (any case) as "
             "--list-displays prints them, or its place in that list, 1 being the main monitor; "
             "without it, the main monitor. A monitor that is not connected is a bad argument. "
             "\"all\" acts on every monitor: the values (+N and -N step each from its own value; "
             "with linked brightness the main monitor takes the value given and the others keep "
             "their difference to it), the input, --refresh and --status (a block each, with an "
             "empty line between); --scene needs one monitor. Night Mode is every monitor's at "
             "once, whichever is named."),
         QCoreApplication::translate("CommandLine", "display")});
    parser.addOption({refreshOption, QCoreApplication::translate("CommandLine", "Read every value again.")});
    parser.addOption({sceneOption,
                      QCoreApplication::translate("CommandLine", "Apply a scene by its name or id."),
                      QCoreApplication::translate("CommandLine", "scene")});
    parser.addOption(
        {inputOption,
         QCoreApplication::translate("CommandLine", "Switch to an input: usbC, displayPort, hdmi1 or hdmi2."),
         QCoreApplication::translate("CommandLine", "input")});
    parser.addOption({nightOption, QCoreApplication::translate("CommandLine", "Turn Night Mode on or off."),
                      QStringLiteral("on|off|toggle")});
    parser.addOption(
        {scheduleOption,
         QCoreApplication::translate(
             "CommandLine",
             "Set the points of the schedule adaptive brightness follows for the time of day, separated by "
             "spaces, each WHEN=BRIGHTNESS: WHEN is HH:MM, sunrise, sunset, dawn or dusk, an event "
             "optionally followed by +N or -N minutes (\"07:00=80 sunset-30=50 22:00=20\"). Alone, "
             "print the points, each with when it happens today."),
         QCoreApplication::translate("CommandLine", "points")});
    QCommandLineOption showSchedule(showScheduleOption);
    showSchedule.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(showSchedule);
    parser.addOption({transitionOption,
                      QCoreApplication::translate("CommandLine",
                                                  "Minutes (0 to 120) the schedule takes to move to each point."),
                      QCoreApplication::translate("CommandLine", "minutes")});
    parser.addOption(
        {adaptiveOption,
         QCoreApplication::translate("CommandLine",
                                     "Turn adaptive brightness on or off, or follow a source: laptop, "
                                     "light-sensor or schedule (which also turns it on)."),
         QStringLiteral("on|off|toggle|laptop|light-sensor|schedule")});
    for (const auto feature : MonitorFeatures::allCases)
        parser.addOption(
            {MonitorBus::featureName(feature),
             QCoreApplication::translate("CommandLine", "Set %1 to a value from 0 to 100, or change it by "
                                                        "+N or -N.")
                 .arg(MonitorBus::featureName(feature)),
             QStringLiteral("value")});
    parser.addOption({listDisplaysOption,
                      QCoreApplication::translate(
                          "CommandLine", "Print one line per monitor, the main monitor first: its id, a tab "
                                         "and its name. A monitor Velmar Monitor could not list has an "
                                         "empty id.")});
    parser.addOption({statusOption, QCoreApplication::translate(
                                        "CommandLine", "Print the state as key=value lines, after any other "
                                                       "command; with several monitors connected, display-id "
                                                       "tells which one.")});
}

// "40" is a value to set, "+10" and "-10" a change; nothing else is a number here.
struct Level {
    int amount;
    bool relative;
};
std::optional<Level> parseLevel(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([+-]?)([0-9]{1,3})$"));
    const auto match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int amount = match.captured(2).toInt();
    if (amount > 100)
        return std::nullopt;
    const bool relative = !match.captured(1).isEmpty();
    return Level{match.captured(1) == QLatin1String("-") ? -amount : amount, relative};
}

QString programName() {
    return QStringLiteral("velmar-monitor");
}

// A --status value on one line that a terminal shows as text: the display's name comes from the
// monitor's EDID and the status from the helper, and neither may end a line or send the terminal
// an escape sequence. Control characters are written as C escapes, and so is the backslash.
QString printable(const QString& text) {
    QString result;
    for (const QChar c : text.trimmed()) {
        const char16_t code = c.unicode();
        if (code == u'\\')
            result += QStringLiteral("\\\\");
        else if (code == u'\n')
            result += QStringLiteral("\\n");
        else if (code == u'\r')
            result += QStringLiteral("\\r");
        else if (code == u'\t')
            result += QStringLiteral("\\t");
        else if (code < 0x20 || (code >= 0x7f && code < 0xa0))
            result += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        else if (code == 0x2028 || code == 0x2029 || c.category() == QChar::Other_Format)
            result += QStringLiteral("\\u%1").arg(int(code), 4, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

// A monitor a command is for: its object on the bus, and its id and name as listed.
struct Target {
    QString path = QLatin1String(MonitorBus::objectPath);
    QString id;
    QString name;
};

// Which of the monitors a command acts on, the main one first, from what --display gave; or
// why none is meant.
std::variant<QList<Target>, QString> choose(const MonitorBus::DisplayList& displays,
                                            const QString& selector) {
    const QString wanted = selector.trimmed();
    QList<Target> all;
    for (const auto& display : displays)
        all.append({display.path.path(), display.id, display.name});
    if (wanted.compare(everyDisplay, Qt::CaseInsensitive) == 0)
        return all;
    // An id first: one made of digits alone is no place in the list.
    for (const auto& target : all) {
        if (!target.id.isEmpty() && target.id.compare(wanted, Qt::CaseInsensitive) == 0)
            return QList{target};
    }
    bool isNumber = false;
    const int place = wanted.toInt(&isNumber);
    if (isNumber && place >= 1 && place <= all.size())
        return QList{all.at(place - 1)};
    QList<Target> named;
    for (const auto& target : all) {
        if (target.name.compare(wanted, Qt::CaseInsensitive) == 0)
            named.append(target);
    }
    if (named.size() == 1)
        return named;
    if (named.size() > 1)
        return QCoreApplication::translate(
                   "CommandLine", "Several monitors are named \"%1\"; name the one you mean by its id.")
            .arg(selector);
    QStringList names;
    for (const auto& target : all)
        names.append(target.name);
    return QCoreApplication::translate("CommandLine", "There is no monitor \"%1\"; the monitors are %2.")
        .arg(selector, names.join(QStringLiteral(", ")));
}

// One conversation with the running instance; every failure is written once and becomes the
// exit status.
class Client {
public:
    Client(QDBusConnection bus, QTextStream& out, QTextStream& err)
        : m_bus(std::move(bus)), m_out(out), m_err(err) {}

    std::optional<QDBusMessage> call(const QString& interface, const QString& method,
                                     const QVariantList& arguments,
                                     std::chrono::milliseconds limit = answerLimit) {
        auto message = QDBusMessage::createMethodCall(QLatin1String(MonitorBus::serviceName), m_current.path,
                                                      interface, method);
        message.setArguments(arguments);
        message.setAutoStartService(false); // a command must never start a second program
        const auto reply = m_bus.call(message, QDBus::Block, int(limit.count()));
        if (reply.type() == QDBusMessage::ReplyMessage)
            return reply;
        const QString name = reply.errorName();
        if (name == QLatin1String("org.freedesktop.DBus.Error.Disconnected"))
            fail(CommandLine::notRunning,
                 QCoreApplication::translate(
                     "CommandLine", "There is no session bus, so no Velmar Monitor can be reached."));
        else if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                 name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            fail(CommandLine::notRunning,
                 QCoreApplication::translate("CommandLine", "Velmar Monitor is not running."));
        else if (name == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs"))
            fail(CommandLine::badArguments, reply.errorMessage());
        else if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                 name == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
            fail(CommandLine::refused,
                 QCoreApplication::translate("CommandLine", "Velmar Monitor did not answer."));
        else if (name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject"))
            fail(CommandLine::refused,
                 QCoreApplication::translate("CommandLine", "The monitor is no longer connected."));
        else
            fail(CommandLine::refused, reply.errorMessage());
        return std::nullopt;
    }

    std::optional<QDBusMessage> command(const QString& method, const QVariantList& arguments,
                                        std::chrono::milliseconds limit = answerLimit) {
        return call(QLatin1String(MonitorBus::controlInterface), method, arguments, limit);
    }

    std::optional<QVariantMap> properties() {
        const auto reply = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
                                {QLatin1String(MonitorBus::controlInterface)});
        if (!reply)
            return std::nullopt;
        return qdbus_cast<QVariantMap>(reply->arguments().value(0));
    }

    /// Every monitor, as the main object lists them.
    std::optional<MonitorBus::DisplayList> displays() {
        const Target current = std::exchange(m_current, Target{});
        const auto reply = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                                {QLatin1String(MonitorBus::controlInterface), QStringLiteral("Displays")});
        m_current = current;
        if (!reply)
            return std::nullopt;
        const auto value = qdbus_cast<QDBusVariant>(reply->arguments().value(0)).variant();
        return qdbus_cast<MonitorBus::DisplayList>(value);
    }

    /// Makes the commands act on the monitors --display names; false when it names none.
    bool select(const QString& selector) {
        const auto listed = displays();
        if (!listed)
            return false;
        auto chosen = choose(*listed, selector);
        if (const auto* mistake = std::get_if<QString>(&chosen)) {
            badArgument(*mistake);
            return false;
        }
        m_targets = std::get<QList<Target>>(std::move(chosen));
        return !m_targets.isEmpty();
    }

    enum class Order { mainFirst, mainLast };
    /// Runs `act` for every monitor the commands act on, until one fails. The main monitor
    /// comes last where a value is set: were brightness linked, it is the one that keeps the
    /// value given, and the others their difference to it.
    bool forEach(Order order, const std::function<bool(Client&, const Target&)>& act) {
        QList<Target> targets = m_targets;
        if (order == Order::mainLast)
            std::reverse(targets.begin(), targets.end());
        for (const auto& target : targets) {
            m_current = target;
            const bool done = act(*this, target);
            m_current = Target{};
            if (!done)
                return false;
        }
        return true;
    }
    /// Runs `act` once, for the first monitor the commands act on: for Night Mode, which every
    /// monitor shares.
    bool forFirst(const std::function<bool(Client&, const Target&)>& act) {
        m_current = m_targets.first();
        const bool done = act(*this, m_current);
        m_current = Target{};
        return done;
    }
    bool isForSeveral() const { return m_targets.size() > 1; }

    void fail(int status, const QString& text) {
        m_status = status;
        m_err << programName() << ": ";
        // With every monitor asked, the one that failed is named.
        if (isForSeveral() && !m_current.name.isEmpty())
            m_err << printable(m_current.name) << ": ";
        m_err << text << Qt::endl;
    }

    /// A mistake in the arguments: nothing is sent.
    int badArgument(const QString& text) {
        fail(CommandLine::badArguments,
             text + QLatin1Char(' ') + QCoreApplication::translate("CommandLine", "(See --help.)"));
        return CommandLine::badArguments;
    }

    int status() const { return m_status; }
    QTextStream& out() { return m_out; }

private:
    QDBusConnection m_bus;
    QTextStream& m_out;
    QTextStream& m_err;
    int m_status = CommandLine::succeeded;
    QList<Target> m_targets{Target{}}; // without --display: the main object, as ever
    Target m_current;
};

int levelOf(const QVariantMap& state, MonitorFeature feature) {
    QString key = MonitorBus::featureName(feature);
    key[0] = key[0].toUpper();
    return state.value(key, -1).toInt();
}

// `id`: the monitor's, when the command named it; else the main monitor's, the one the main
// object stands for.
void printStatus(const QVariantMap& state, const QString& id, QTextStream& out) {
    const auto level = [&](const char* key) {
        const int value = state.value(QLatin1String(key)).toInt();
        return value < 0 ? QString() : QString::number(value); // not read yet
    };
    const auto onOff = [&](const char* key) {
        return state.value(QLatin1String(key)).toBool() ? QStringLiteral("on") : QStringLiteral("off");
    };
    const QString activeScene = state.value(QStringLiteral("ActiveScene")).toString();
    QString sceneName;
    const auto scenes = qdbus_cast<MonitorBus::SceneList>(state.value(QStringLiteral("Scenes")));
    for (const auto& scene : scenes) {
        if (!activeScene.isEmpty() && scene.id == activeScene)
            sceneName = scene.name;
    }
    std::vector<std::pair<QString, QString>> lines{
        {QStringLiteral("brightness"), level("Brightness")},
        {QStringLiteral("contrast"), level("Contrast")},
        {QStringLiteral("volume"), level("Volume")},
        {QStringLiteral("red"), level("Red")},
        {QStringLiteral("green"), level("Green")},
        {QStringLiteral("blue"), level("Blue")},
        {QStringLiteral("input"), state.value(QStringLiteral("Input")).toString()},
        {QStringLiteral("night-mode"), onOff("NightMode")},
        {QStringLiteral("adaptive-brightness"),
         state.value(QStringLiteral("AdaptiveBrightnessState")).toString()},
        {QStringLiteral("adaptive-source"), state.value(QStringLiteral("AdaptiveBrightnessSource")).toString()},
        {QStringLiteral("scene"), sceneName},
        {QStringLiteral("scene-id"), activeScene},
        {QStringLiteral("display"), state.value(QStringLiteral("DisplayName")).toString()},
        {QStringLiteral("status"), state.value(QStringLiteral("Status")).toString()},
        {QStringLiteral("error"),
         state.value(QStringLiteral("HasError")).toBool() ? QStringLiteral("yes") : QStringLiteral("no")},
        {QStringLiteral("busy"),
         state.value(QStringLiteral("Busy")).toBool() ? QStringLiteral("yes") : QStringLiteral("no")},
    };
    // One monitor needs no telling apart: its lines stay as they have always been.
    const auto displays = qdbus_cast<MonitorBus::DisplayList>(state.value(QStringLiteral("Displays")));
    if (displays.size() > 1) {
        const auto display = std::find_if(lines.begin(), lines.end(), [](const auto& line) {
            return line.first == QLatin1String("display");
        });
        lines.insert(display + 1, {QStringLiteral("display-id"), id.isEmpty() ? displays.first().id : id});
    }
    for (const auto& [key, value] : lines)
        out << key << '=' << printable(value) << '\n';
    out.flush();
}

// --help and --version need nothing from the running instance.
std::optional<int> answerWithoutInstance(const QCommandLineParser& parser, QTextStream& out) {
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        out.flush();
        return CommandLine::succeeded;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << programName() << ' ' << QCoreApplication::applicationVersion() << '\n';
        out.flush();
        return CommandLine::succeeded;
    }
    return std::nullopt;
}

// One command for the running instance; false once it has failed (the client has said why).
using Step = std::function<bool(Client&)>;
using Steps = std::vector<Step>;
// Adds an option's step, or says what is wrong with its argument.
using Planner = std::optional<QString> (*)(const QCommandLineParser&, Steps&);
using Order = Client::Order;

bool isForEveryDisplay(const QCommandLineParser& parser) {
    return parser.isSet(displayOption) &&
           parser.value(displayOption).trimmed().compare(everyDisplay, Qt::CaseInsensitive) == 0;
}

std::optional<QString> planDisplay(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(displayOption))
        return std::nullopt;
    if (parser.values(displayOption).size() > 1)
        return QCoreApplication::translate(
            "CommandLine", "--display is given once; \"--display all\" acts on every monitor.");
    const QString selector = parser.value(displayOption);
    if (selector.trimmed().isEmpty())
        return QCoreApplication::translate("CommandLine",
                                           "--display needs a monitor's id, name or place, or all.");
    if (isForEveryDisplay(parser) && parser.isSet(sceneOption))
        return QCoreApplication::translate("CommandLine",
                                           "A scene is applied to one monitor: choose it with --display.");
    steps.emplace_back([selector](Client& client) { return client.select(selector); });
    return std::nullopt;
}

std::optional<QString> planRefresh(const QCommandLineParser& parser, Steps& steps) {
    if (parser.isSet(refreshOption))
        steps.emplace_back([](Client& client) {
            return client.forEach(Order::mainFirst, [](Client& each, const Target&) {
                return each.command(QStringLiteral("Refresh"), {}, refreshAnswerLimit).has_value();
            });
        });
    return std::nullopt;
}

std::optional<QString> planScene(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(sceneOption))
        return std::nullopt;
    const QString scene = parser.value(sceneOption);
    if (scene.trimmed().isEmpty())
        return QCoreApplication::translate("CommandLine", "--scene needs a scene's name or id.");
    steps.emplace_back([scene](Client& client) {
        return client.forFirst([&scene](Client& each, const Target&) {
            return each.command(QStringLiteral("ApplyScene"), {scene}).has_value();
        });
    });
    return std::nullopt;
}

std::optional<QString> planInput(const QCommandLineParser& parser, Steps& steps) {
    if (parser.isSet(inputOption))
        steps.emplace_back([input = parser.value(inputOption)](Client& client) {
            return client.forEach(Order::mainLast, [&input](Client& each, const Target&) {
                return each.command(QStringLiteral("SetInput"), {input}).has_value();
            });
        });
    return std::nullopt;
}

// Night Mode is on or off for every monitor together: one monitor is asked, the others follow.
std::optional<QString> planNight(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(nightOption))
        return std::nullopt;
    const QString night = parser.value(nightOption).trimmed().toLower();
    if (night == QLatin1String("on") || night == QLatin1String("off")) {
        const bool on = night == QLatin1String("on");
        steps.emplace_back([on](Client& client) {
            return client.forFirst([on](Client& each, const Target&) {
                return each.command(QStringLiteral("SetNightMode"), {on}).has_value();
            });
        });
    } else if (night == QLatin1String("toggle")) {
        steps.emplace_back([](Client& client) {
            return client.forFirst([](Client& each, const Target&) {
                const auto state = each.properties();
                if (!state)
                    return false;
                const bool on = !state->value(QStringLiteral("NightMode")).toBool();
                return each.command(QStringLiteral("SetNightMode"), {on}).has_value();
            });
        });
    } else {
        return QCoreApplication::translate("CommandLine", "--night takes on, off or toggle, not \"%1\".")
            .arg(parser.value(nightOption));
    }
    return std::nullopt;
}

// The schedule's points, checked here by the rules the instance checks them by, so that a mistake
// changes nothing and says which part is wrong.
std::optional<QString> planSchedule(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(scheduleOption))
        return std::nullopt;
    const QString points = parser.value(scheduleOption);
    auto parsed = BrightnessSchedule::parse(points);
    if (const auto* error = std::get_if<ScheduleError>(&parsed))
        return error->message();
    steps.emplace_back([points](Client& client) {
        return client.forFirst([&points](Client& each, const Target&) {
            return each.command(QStringLiteral("SetSchedule"), {points}).has_value();
        });
    });
    return std::nullopt;
}

std::optional<QString> planTransition(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(transitionOption))
        return std::nullopt;
    bool isNumber = false;
    const int minutes = parser.value(transitionOption).trimmed().toInt(&isNumber);
    if (!isNumber || minutes < 0 || minutes > int(BrightnessSchedule::longestTransition.count()))
        return QCoreApplication::translate("CommandLine", "--transition takes minutes from 0 to 120, not \"%1\".")
            .arg(parser.value(transitionOption));
    steps.emplace_back([minutes](Client& client) {
        return client.forFirst([minutes](Client& each, const Target&) {
            return each.command(QStringLiteral("SetScheduleTransition"), {minutes}).has_value();
        });
    });
    return std::nullopt;
}

// Adaptive brightness is every monitor's, as Night Mode is: one monitor is asked.
std::optional<QString> planAdaptive(const QCommandLineParser& parser, Steps& steps) {
    if (!parser.isSet(adaptiveOption))
        return std::nullopt;
    const QString word = parser.value(adaptiveOption).trimmed().toLower();
    const auto source = Adaptive::sourceFromName(word);
    if (!source && word != QLatin1String("on") && word != QLatin1String("off") && word != QLatin1String("toggle"))
        return QCoreApplication::translate(
                   "CommandLine", "--adaptive takes on, off, toggle, laptop, light-sensor or schedule, not \"%1\".")
            .arg(parser.value(adaptiveOption));
    steps.emplace_back([word, source](Client& client) {
        return client.forFirst([&](Client& each, const Target&) {
            bool on = word != QLatin1String("off");
            if (word == QLatin1String("toggle")) {
                const auto state = each.properties();
                if (!state)
                    return false;
                on = !state->value(QStringLiteral("AdaptiveBrightness")).toBool();
            }
            if (source && !each.command(QStringLiteral("SetAdaptiveBrightnessSource"), {word}))
                return false;
            return each.command(QStringLiteral("SetAdaptiveBrightness"), {on}).has_value();
        });
    });
    return std::nullopt;
}

std::optional<QString> planShowSchedule(const QCommandLineParser& parser, Steps& steps) {
    if (parser.isSet(showScheduleOption))
        steps.emplace_back([](Client& client) {
            return client.forFirst([](Client& each, const Target&) {
                const auto reply = each.command(QStringLiteral("ScheduleToday"), {});
                if (!reply)
                    return false;
                for (const auto& line : reply->arguments().value(0).toStringList())
                    each.out() << printable(line.section(QLatin1Char('\t'), 0, 0)) << '\t'
                               << printable(line.section(QLatin1Char('\t'), 1)) << '\n';
                each.out().flush();
                return true;
            });
        });
    return std::nullopt;
}

// A step for every monitor at once: each one's value is read before any is written, since with
// brightness linked a write moves the others too, and a step taken after that would count twice.
bool stepEvery(Client& client, MonitorFeature feature, int delta) {
    std::map<QString, int> targets;
    const bool read = client.forEach(Order::mainFirst, [&](Client& each, const Target& target) {
        const auto state = each.properties();
        if (!state)
            return false;
        const int current = levelOf(*state, feature);
        if (current < 0) {
            each.fail(CommandLine::refused,
                      QCoreApplication::translate("CommandLine", "The monitor's %1 has not been read yet.")
                          .arg(MonitorBus::featureName(feature)));
            return false;
        }
        targets[target.path] = std::clamp(current + delta, 0, 100);
        return true;
    });
    return read && client.forEach(Order::mainLast, [&](Client& each, const Target& target) {
        return each
            .command(QStringLiteral("SetValue"), {MonitorBus::featureName(feature), targets[target.path]})
            .has_value();
    });
}

std::optional<QString> planValues(const QCommandLineParser& parser, Steps& steps) {
    for (const auto feature : MonitorFeatures::allCases) {
        const QString name = MonitorBus::featureName(feature);
        if (!parser.isSet(name))
            continue;
        const auto level = parseLevel(parser.value(name));
        if (!level)
            return QCoreApplication::translate("CommandLine",
                                               "--%1 takes a value from 0 to 100, or +N or -N to change it, "
                                               "not \"%2\".")
                .arg(name, parser.value(name));
        steps.emplace_back([feature, name, level = *level](Client& client) {
            if (level.relative && client.isForSeveral())
                return stepEvery(client, feature, level.amount);
            const QString method =
                level.relative ? QStringLiteral("AdjustValue") : QStringLiteral("SetValue");
            return client.forEach(Order::mainLast, [&](Client& each, const Target&) {
                return each.command(method, {name, level.amount}).has_value();
            });
        });
    }
    return std::nullopt;
}

std::optional<QString> planListDisplays(const QCommandLineParser& parser, Steps& steps) {
    if (parser.isSet(listDisplaysOption))
        steps.emplace_back([](Client& client) {
            const auto displays = client.displays();
            if (!displays)
                return false;
            for (const auto& display : *displays)
                client.out() << display.id << '\t' << printable(display.name) << '\n';
            client.out().flush();
            return true;
        });
    return std::nullopt;
}

std::optional<QString> planStatus(const QCommandLineParser& parser, Steps& steps) {
    if (parser.isSet(statusOption))
        steps.emplace_back([](Client& client) {
            bool first = true;
            return client.forEach(Order::mainFirst, [&first](Client& each, const Target& target) {
                const auto state = each.properties();
                if (!state)
                    return false;
                if (!std::exchange(first, false))
                    each.out() << '\n'; // one block per monitor
                printStatus(*state, target.id, each.out());
                return true;
            });
        });
    return std::nullopt;
}

// The steps the options ask for, in a fixed order whatever their order on the command line, or
// the first mistake in the arguments.
std::variant<Steps, QString> plan(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        return QCoreApplication::translate("CommandLine", "Unexpected argument \"%1\".")
            .arg(parser.positionalArguments().first());
    Steps steps;
    for (const Planner planner : {planDisplay, planRefresh, planScene, planInput, planNight, planSchedule,
                                  planTransition, planAdaptive, planValues, planListDisplays, planShowSchedule,
                                  planStatus}) {
        if (auto mistake = planner(parser, steps))
            return *mistake;
    }
    // --display alone chooses a monitor but asks nothing of it.
    if (steps.size() == (parser.isSet(displayOption) ? 1u : 0u))
        return QCoreApplication::translate("CommandLine", "No command was given.");
    return steps;
}

} // namespace

namespace CommandLine {

bool isCommand(const QStringList& arguments) {
    const QStringList longNames =
        commandNames() +
        QStringList{QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("version")};
    const QStringList shortNames{QStringLiteral("h"), QStringLiteral("?"), QStringLiteral("v")};
    for (const auto& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1String("--"))) {
            if (longNames.contains(argument.mid(2).section(QLatin1Char('='), 0, 0)))
                return true;
        } else if (argument.startsWith(QLatin1Char('-')) && shortNames.contains(argument.mid(1))) {
            return true;
        }
    }
    return false;
}

int run(const QStringList& given, QDBusConnection bus, QTextStream& out, QTextStream& err) {
    MonitorBus::registerTypes();
    QCommandLineParser parser;
    describe(parser);
    Client client(std::move(bus), out, err);
    // --schedule with nothing after it, or with another option next, asks for the schedule.
    QStringList arguments = given;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const bool bare = i + 1 == arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--"));
        if (arguments.at(i) == QLatin1String("--") + scheduleOption && bare)
            arguments[i] = QLatin1String("--") + showScheduleOption;
    }
    if (!parser.parse(arguments))
        return client.badArgument(parser.errorText());
    if (const auto answered = answerWithoutInstance(parser, out))
        return *answered;
    // Every argument is checked before the first command is sent, so a typo changes nothing.
    const auto planned = plan(parser);
    if (const auto* mistake = std::get_if<QString>(&planned))
        return client.badArgument(*mistake);
    for (const auto& step : std::get<Steps>(planned)) {
        if (!step(client))
            return client.status();
    }
    return succeeded;
}

} // namespace CommandLine
