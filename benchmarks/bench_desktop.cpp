// Figures of the real program as a user runs it: start-up time, resident memory and idle
// wake-ups, watched from outside so nothing in the program is changed to be measured. It needs
// an X server and a session bus (scripts/bench.sh runs it under xvfb-run and dbus-run-session)
// and starts its own tray host (trayer).
//
// Every launch gets fresh surroundings: a simulated monitor (or several, with --monitors) in
// temporary state files and a settings folder of its own. What is observed, and why that way:
// - The tray icon is shown when the tray host embeds it: the icon's window, which carries the
//   program's _NET_WM_PID, is reparented away from the root window. Watching the root's
//   substructure delivers that as an event, so there is no polling to miss or slow anything.
// - Every helper run takes the simulated monitor's lock file and closes it as it ends; inotify
//   reports each close as it happens. The first refresh has finished at the last close before a
//   second of quiet (with adaptive brightness off nothing else runs the helper at start).
// - Resident memory is VmRSS from /proc.
// - Wake-ups are context switches, voluntary and not, summed over every thread in
//   /proc/<pid>/task: each time a sleeping thread wakes it runs and later blocks again, which
//   the kernel counts. Reading the counters does not wake the program (strace or perf would
//   attach to it). CPU time is the threads' schedstat run time, in nanoseconds.
// - The panel opens with a click on the tray icon (xdotool) and closes with Escape; a second
//   launch raises the running program's window, which closes with Ctrl+W after a click into it.
//   A program without a panel, a window or a single instance simply skips those figures.
//
// Run: bench_desktop --program <velmar-monitor> [--bare <bench_bare_tray>] [--rounds N]
//                    [--seconds S] [--monitors N]
// Prints one line per round and "BENCH<tab>name<tab>median<tab>unit" lines for scripts/bench.sh.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Long enough for a refresh to be over when no helper has run for it.
constexpr auto refreshQuiet = 1s;
// After a launch or a closed panel or window: freed memory is handed back on the next turn of
// the event loop, and late paints and timers are done well within this.
constexpr auto settleTime = 3s;
// How long a panel or window gets to appear before the program is taken not to have one.
constexpr auto appearLimit = 5s;
constexpr auto startLimit = 30s;
constexpr const char* stateName = "monitor.json";

double msSince(Clock::time_point from, Clock::time_point to = Clock::now()) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// --- processes -----------------------------------------------------------------------------

pid_t spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& extraEnv = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!extraEnv.contains(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    for (const auto& [name, value] : extraEnv)
        env.push_back(name + "=" + value);
    std::vector<char*> argv;
    for (const auto& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        std::fprintf(stderr, "bench_desktop: cannot start %s\n", argv[0]);
        std::exit(2);
    }
    return pid;
}

bool runTool(const std::vector<std::string>& command) {
    int status = 0;
    waitpid(spawn(command), &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool hasExited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline) {
        if (hasExited(pid))
            return;
        std::this_thread::sleep_for(20ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// --- /proc ---------------------------------------------------------------------------------

QByteArray readProc(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long long statusField(const QByteArray& status, const char* name) {
    for (const auto& line : status.split('\n')) {
        if (line.startsWith(name))
            return line.mid(qstrlen(name)).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double residentMiB(pid_t pid) {
    return statusField(readProc(QStringLiteral("/proc/%1/status").arg(pid)), "VmRSS:") / 1024.0;
}

struct ThreadSample {
    QString name;
    long long switches = 0;
    long long runNs = 0;
};

std::map<int, ThreadSample> sampleThreads(pid_t pid) {
    std::map<int, ThreadSample> threads;
    const QString taskDir = QStringLiteral("/proc/%1/task").arg(pid);
    for (const auto& tid : QDir(taskDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString base = taskDir + QLatin1Char('/') + tid;
        const auto status = readProc(base + QStringLiteral("/status"));
        ThreadSample sample;
        sample.name = QString::fromUtf8(readProc(base + QStringLiteral("/comm")).trimmed());
        sample.switches = statusField(status, "voluntary_ctxt_switches:") +
                          statusField(status, "nonvoluntary_ctxt_switches:");
        sample.runNs = readProc(base + QStringLiteral("/schedstat")).split(' ').value(0).toLongLong();
        threads[tid.toInt()] = sample;
    }
    return threads;
}

struct IdleFigures {
    double wakeupsPerMinute = 0;
    double cpuPercent = 0;
    QString byThread;
};

// --- the X server and the simulated monitor's lock -----------------------------------------

class Desktop {
public:
    Desktop() {
        int screenNumber = 0;
        m_x = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_x)) {
            std::fprintf(stderr, "bench_desktop: no X server (run it under xvfb-run)\n");
            std::exit(2);
        }
        auto it = xcb_setup_roots_iterator(xcb_get_setup(m_x));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        m_screenHeight = it.data->height_in_pixels;
        m_pidAtom = atom("_NET_WM_PID");
        m_trayAtom = atom("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_x);
        m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }

    ~Desktop() {
        close(m_inotify);
        xcb_disconnect(m_x);
    }

    bool hasTrayHost() {
        auto* reply = xcb_get_selection_owner_reply(m_x, xcb_get_selection_owner(m_x, m_trayAtom), nullptr);
        const bool owned = reply && reply->owner != XCB_NONE;
        free(reply);
        return owned;
    }

    /// Counts every close of `<dir>/<name>` from now on, with its time.
    void watchCloses(const QString& dir, const QString& name) {
        if (m_watch >= 0)
            inotify_rm_watch(m_inotify, m_watch);
        m_watch = inotify_add_watch(m_inotify, QFile::encodeName(dir).constData(), IN_CLOSE);
        m_watchedName = name.toStdString();
        closes.clear();
    }

    /// Handles events until `done` holds or `limit` has passed; returns whether `done` held.
    bool waitUntil(const std::function<bool()>& done, Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            const auto left = deadline - Clock::now();
            if (left <= 0s)
                return false;
            pollOnce(
                std::min<int>(50, std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1));
        }
        return true;
    }

    void pass(Clock::duration time) {
        waitUntil([] { return false; }, time);
    }

    std::optional<pid_t> pidOf(xcb_window_t window) {
        auto* reply = xcb_get_property_reply(
            m_x, xcb_get_property(m_x, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        std::optional<pid_t> pid;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = *static_cast<uint32_t*>(xcb_get_property_value(reply));
        free(reply);
        return pid;
    }

    /// A point of the window on the screen: its centre, or `inset` pixels in from its top-left corner.
    std::optional<std::pair<int, int>> screenPoint(xcb_window_t window, bool centre, int inset = 20) {
        auto* geometry = xcb_get_geometry_reply(m_x, xcb_get_geometry(m_x, window), nullptr);
        auto* origin = xcb_translate_coordinates_reply(
            m_x, xcb_translate_coordinates(m_x, window, m_root, 0, 0), nullptr);
        std::optional<std::pair<int, int>> point;
        if (geometry && origin) {
            point = centre ? std::pair<int, int>(origin->dst_x + geometry->width / 2,
                                                 origin->dst_y + geometry->height / 2)
                           : std::pair<int, int>(origin->dst_x + inset, origin->dst_y + inset);
        }
        free(geometry);
        free(origin);
        return point;
    }

    /// Moves the pointer to an empty corner, where it raises no tooltip.
    void parkPointer() {
        runTool({"xdotool", "mousemove", "--sync", "5", std::to_string(m_screenHeight - 5)});
    }

    struct Embedded {
        xcb_window_t window;
        Clock::time_point at;
    };
    struct Mapped {
        pid_t pid;
        bool popup; // override-redirect: a panel, menu or tooltip rather than a window
    };
    std::map<pid_t, Embedded> embedded;    // tray icons, by owner
    std::map<xcb_window_t, Mapped> mapped; // top-level windows on screen now
    std::vector<Clock::time_point> closes; // of the watched file

private:
    xcb_atom_t atom(const std::string& name) {
        auto* reply = xcb_intern_atom_reply(m_x, xcb_intern_atom(m_x, 0, name.size(), name.c_str()), nullptr);
        const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
        free(reply);
        return result;
    }

    void pollOnce(int timeoutMs) {
        pollfd fds[] = {{xcb_get_file_descriptor(m_x), POLLIN, 0}, {m_inotify, POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        readCloses(); // first: their times matter most
        while (auto* event = xcb_poll_for_event(m_x)) {
            handle(event);
            free(event);
        }
    }

    void readCloses() {
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = read(m_inotify, buffer, sizeof buffer)) > 0) {
            const auto now = Clock::now();
            for (char* p = buffer; p < buffer + length;) {
                const auto* event = reinterpret_cast<inotify_event*>(p);
                if (event->len > 0 && m_watchedName == event->name)
                    closes.push_back(now);
                p += sizeof(inotify_event) + event->len;
            }
        }
    }

    void handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_REPARENT_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            if (e->parent == m_root)
                break;
            mapped.erase(e->window);
            if (const auto pid = pidOf(e->window); pid && !embedded.contains(*pid))
                embedded[*pid] = {e->window, Clock::now()};
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (e->event == m_root) {
                if (const auto pid = pidOf(e->window))
                    mapped[e->window] = {*pid, e->override_redirect != 0};
            }
            break;
        }
        case XCB_UNMAP_NOTIFY:
            mapped.erase(reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
            break;
        case XCB_DESTROY_NOTIFY:
            mapped.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
            break;
        default:
            break;
        }
    }

    xcb_connection_t* m_x = nullptr;
    xcb_window_t m_root = XCB_NONE;
    int m_screenHeight = 0;
    xcb_atom_t m_pidAtom = XCB_NONE;
    xcb_atom_t m_trayAtom = XCB_NONE;
    int m_inotify = -1;
    int m_watch = -1;
    std::string m_watchedName;
};

IdleFigures measureIdle(Desktop& desktop, pid_t pid, std::chrono::seconds length) {
    const auto before = sampleThreads(pid);
    const auto start = Clock::now();
    desktop.pass(length);
    const auto after = sampleThreads(pid);
    const double seconds = msSince(start) / 1000;
    IdleFigures figures;
    long long switches = 0;
    long long runNs = 0;
    for (const auto& [tid, sample] : after) {
        const auto old = before.find(tid);
        const long long woke = sample.switches - (old != before.end() ? old->second.switches : 0);
        switches += woke;
        runNs += sample.runNs - (old != before.end() ? old->second.runNs : 0);
        if (woke > 0)
            figures.byThread += QStringLiteral(" %1:%2").arg(sample.name).arg(woke);
    }
    figures.wakeupsPerMinute = switches * 60 / seconds;
    figures.cpuPercent = 100.0 * runNs / 1e9 / seconds;
    if (figures.byThread.isEmpty())
        figures.byThread = QStringLiteral(" none");
    return figures;
}

// --- one launch ----------------------------------------------------------------------------

// A launch's surroundings: the simulated monitors, settings and, if wanted, a steady laptop panel.
// The first monitor's helper runs are the ones watched: the main monitor's reading is the start-up.
class Surroundings {
public:
    enum class Following { nothing, panel, schedule };
    Surroundings(bool adaptive, int monitors) : Surroundings(adaptive ? Following::panel : Following::nothing, monitors) {}
    Surroundings(Following following, int monitors) {
        QStringList states{statePath()};
        for (int n = 2; n <= monitors; ++n)
            states << m_dir.filePath(QStringLiteral("monitor-%1.json").arg(n));
        for (const QString& state : states)
            QFile(state).open(QIODevice::WriteOnly); // blank: the simulated monitor's defaults
        env["VELMAR_SIMULATED_MONITOR"] = states.join(QLatin1Char(':')).toStdString();
        env["XDG_CONFIG_HOME"] = m_dir.filePath(QStringLiteral("config")).toStdString();
        if (following == Following::schedule) {
            // Two points far from now: the program is between them all through the measurement.
            const QTime now = QTime::currentTime();
            const QString settings = m_dir.filePath(QStringLiteral("config/Velmar"));
            QDir().mkpath(settings);
            write(settings + QStringLiteral("/VelmarMonitor.conf"),
                  QStringLiteral("[General]\nadaptiveBrightnessEnabled=true\nadaptiveBrightnessSource=schedule\n"
                                 "adaptiveSchedule=%1=60 %2=40\n")
                      .arg(now.addSecs(-2 * 3600).toString(QStringLiteral("HH:mm")),
                           now.addSecs(3 * 3600).toString(QStringLiteral("HH:mm")))
                      .toUtf8());
        }
        if (following == Following::panel) {
            const QString panel = m_dir.filePath(QStringLiteral("backlight/panel"));
            QDir().mkpath(panel);
            write(panel + QStringLiteral("/max_brightness"), "100\n");
            write(panel + QStringLiteral("/actual_brightness"), "50\n");
            write(panel + QStringLiteral("/brightness"), "50\n");
            env["VELMAR_SIMULATED_BACKLIGHT"] = m_dir.filePath(QStringLiteral("backlight")).toStdString();
            const QString settings = m_dir.filePath(QStringLiteral("config/Velmar"));
            QDir().mkpath(settings);
            write(settings + QStringLiteral("/VelmarMonitor.conf"),
                  "[General]\nadaptiveBrightnessEnabled=true\n");
        }
    }

    QString dir() const { return m_dir.path(); }
    QString statePath() const { return m_dir.filePath(QString::fromLatin1(stateName)); }
    std::map<std::string, std::string> env;

private:
    static void write(const QString& path, const QByteArray& text) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
    QTemporaryDir m_dir;
};

using Figures = std::map<std::string, double>;

struct Started {
    pid_t pid = 0;
    double trayMs = 0;
    double refreshMs = 0;
    int helperRuns = 0;
};

std::optional<Started> launch(Desktop& desktop, const std::string& program, Surroundings& surroundings) {
    desktop.watchCloses(surroundings.dir(), QString::fromLatin1(stateName) + QStringLiteral(".lock"));
    const auto start = Clock::now();
    Started started;
    started.pid = spawn({program}, surroundings.env);
    const pid_t pid = started.pid;
    const bool ok = desktop.waitUntil(
        [&] {
            return desktop.embedded.contains(pid) && !desktop.closes.empty() &&
                   Clock::now() - desktop.closes.back() > refreshQuiet;
        },
        startLimit);
    if (!ok) {
        std::fprintf(stderr, "bench_desktop: %s showed no tray icon or never ran its helper\n",
                     program.c_str());
        stop(pid);
        return std::nullopt;
    }
    started.trayMs = msSince(start, desktop.embedded[pid].at);
    started.refreshMs = msSince(start, desktop.closes.back());
    started.helperRuns = desktop.closes.size();
    return started;
}

std::optional<xcb_window_t> newWindowOf(Desktop& desktop, pid_t pid, bool popup,
                                        const std::set<xcb_window_t>& known) {
    for (const auto& [window, seen] : desktop.mapped) {
        if (seen.pid == pid && seen.popup == popup && !known.contains(window))
            return window;
    }
    return std::nullopt;
}

std::set<xcb_window_t> windowsOf(Desktop& desktop, pid_t pid) {
    std::set<xcb_window_t> windows;
    for (const auto& [window, seen] : desktop.mapped) {
        if (seen.pid == pid)
            windows.insert(window);
    }
    return windows;
}

// Opens and closes the panel; false when none appears.
bool openAndClosePanel(Desktop& desktop, pid_t pid) {
    const auto icon = desktop.screenPoint(desktop.embedded[pid].window, true);
    if (!icon)
        return false;
    const auto known = windowsOf(desktop, pid);
    runTool({"xdotool", "mousemove", "--sync", std::to_string(icon->first), std::to_string(icon->second),
             "click", "1"});
    std::optional<xcb_window_t> panel;
    const bool appeared = desktop.waitUntil(
        [&] { return (panel = newWindowOf(desktop, pid, true, known)).has_value(); }, appearLimit);
    if (!appeared) {
        desktop.parkPointer();
        return false;
    }
    desktop.pass(500ms); // let it paint before it is dismissed, as a person would
    runTool({"xdotool", "key", "Escape"});
    desktop.parkPointer();
    if (!desktop.waitUntil([&] { return !desktop.mapped.contains(*panel); }, appearLimit)) {
        std::fprintf(stderr, "bench_desktop: the panel did not close on Escape\n");
        return false;
    }
    return true;
}

// A second launch should raise the first one's window; it is then closed with Ctrl+W. False
// when no window appears (a program without one, or without a single instance).
// `appearMs`, when given, receives the time from the second launch to the window on screen.
bool openAndCloseWindow(Desktop& desktop, pid_t pid, const std::string& program, Surroundings& surroundings,
                        double* appearMs = nullptr) {
    const auto known = windowsOf(desktop, pid);
    const auto launched = Clock::now();
    const pid_t second = spawn({program}, surroundings.env);
    std::optional<xcb_window_t> window;
    const bool appeared = desktop.waitUntil(
        [&] { return (window = newWindowOf(desktop, pid, false, known)).has_value(); }, appearLimit);
    if (!desktop.waitUntil([&] { return hasExited(second); }, appearLimit)) {
        std::fprintf(stderr, "bench_desktop: a second launch kept running (no single instance)\n");
        stop(second);
    }
    if (!appeared)
        return false;
    if (appearMs)
        *appearMs = std::chrono::duration<double, std::milli>(Clock::now() - launched).count();
    desktop.pass(500ms);
    const auto inside = desktop.screenPoint(*window, false); // the header's blank corner
    if (!inside)
        return false;
    runTool({"xdotool", "mousemove", "--sync", std::to_string(inside->first), std::to_string(inside->second),
             "click", "1"});
    desktop.pass(200ms);
    runTool({"xdotool", "key", "ctrl+w"});
    desktop.parkPointer();
    if (!desktop.waitUntil([&] { return !desktop.mapped.contains(*window); }, appearLimit)) {
        std::fprintf(stderr, "bench_desktop: the window did not close on Ctrl+W\n");
        return false;
    }
    return true;
}

Figures sessionRound(Desktop& desktop, const std::string& program, std::chrono::seconds idle, int round,
                     int monitors) {
    Surroundings surroundings(false, monitors);
    const auto started = launch(desktop, program, surroundings);
    if (!started)
        return {};
    const pid_t pid = started->pid;
    Figures figures;
    figures["startup_tray"] = started->trayMs;
    figures["startup_refresh"] = started->refreshMs;
    figures["startup_helper_runs"] = started->helperRuns;
    desktop.pass(settleTime);
    figures["rss_idle"] = residentMiB(pid);
    const auto fresh = measureIdle(desktop, pid, idle);
    figures["wakeups_idle"] = fresh.wakeupsPerMinute;
    figures["cpu_idle"] = fresh.cpuPercent;
    std::printf("round %d: tray icon %.0f ms, first refresh %.0f ms (%d helper runs), idle %.1f MiB, "
                "%.1f wake-ups/min (%s ), %.4f %% CPU\n",
                round, started->trayMs, started->refreshMs, started->helperRuns, figures["rss_idle"],
                fresh.wakeupsPerMinute, qPrintable(fresh.byThread.trimmed()), fresh.cpuPercent);

    const bool panel = openAndClosePanel(desktop, pid);
    double firstOpen = 0;
    const bool window = openAndCloseWindow(desktop, pid, program, surroundings, &firstOpen);
    if (window)
        figures["window_open_first"] = firstOpen;
    if (panel && window) {
        desktop.pass(settleTime);
        figures["rss_after"] = residentMiB(pid);
        const auto after = measureIdle(desktop, pid, idle);
        figures["wakeups_after"] = after.wakeupsPerMinute;
        figures["cpu_after"] = after.cpuPercent;
        std::printf(
            "round %d: after the panel and the window: %.1f MiB, %.1f wake-ups/min (%s ), %.4f %% CPU\n",
            round, figures["rss_after"], after.wakeupsPerMinute, qPrintable(after.byThread.trimmed()),
            after.cpuPercent);
        // Opened again once what the views brought in has been given back.
        double again = 0;
        if (openAndCloseWindow(desktop, pid, program, surroundings, &again)) {
            figures["window_open_again"] = again;
            std::printf("round %d: the window opened in %.0f ms, again after the release in %.0f ms\n", round,
                        firstOpen, again);
        }
    } else {
        std::printf("round %d: no %s: figures after opening skipped\n", round,
                    panel ? "window (or no single instance)" : "tray panel");
    }
    stop(pid);
    return figures;
}

Figures adaptiveRound(Desktop& desktop, const std::string& program, std::chrono::seconds idle, int round,
                      int monitors) {
    Surroundings surroundings(true, monitors);
    const auto started = launch(desktop, program, surroundings);
    if (!started)
        return {};
    // The first sample writes the monitor once; after that the panel holds still.
    desktop.pass(settleTime);
    const auto runsBefore = desktop.closes.size();
    const auto figures = measureIdle(desktop, started->pid, idle);
    const auto runs = desktop.closes.size() - runsBefore;
    std::printf("round %d: adaptive on, steady panel: %.4f %% CPU, %.1f wake-ups/min (%s ), %zu helper runs "
                "while measured, %zu in all\n",
                round, figures.cpuPercent, figures.wakeupsPerMinute, qPrintable(figures.byThread.trimmed()),
                runs, desktop.closes.size());
    stop(started->pid);
    return {{"adaptive_cpu", figures.cpuPercent}, {"adaptive_wakeups", figures.wakeupsPerMinute}};
}

Figures scheduleRound(Desktop& desktop, const std::string& program, std::chrono::seconds idle, int round,
                      int monitors) {
    Surroundings surroundings(Surroundings::Following::schedule, monitors);
    const auto started = launch(desktop, program, surroundings);
    if (!started)
        return {};
    // The schedule's value is written once; between its points nothing should wake the program.
    desktop.pass(settleTime);
    const auto runsBefore = desktop.closes.size();
    const auto figures = measureIdle(desktop, started->pid, idle);
    const auto runs = desktop.closes.size() - runsBefore;
    std::printf("round %d: following the schedule between points: %.4f %% CPU, %.1f wake-ups/min (%s ), %zu "
                "helper runs while measured\n",
                round, figures.cpuPercent, figures.wakeupsPerMinute, qPrintable(figures.byThread.trimmed()), runs);
    stop(started->pid);
    return {{"schedule_cpu", figures.cpuPercent}, {"schedule_wakeups", figures.wakeupsPerMinute}};
}

Figures bareRound(Desktop& desktop, const std::string& program, int round) {
    const pid_t pid = spawn({program});
    if (!desktop.waitUntil([&] { return desktop.embedded.contains(pid); }, startLimit)) {
        stop(pid);
        return {};
    }
    desktop.pass(settleTime);
    const double rss = residentMiB(pid);
    std::printf("round %d: bare Qt tray program: %.1f MiB\n", round, rss);
    stop(pid);
    return {{"rss_bare", rss}};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string program;
    std::string bare;
    int rounds = 3;
    int seconds = 60;
    int monitors = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--program")
            program = argv[i + 1];
        else if (option == "--bare")
            bare = argv[i + 1];
        else if (option == "--rounds")
            rounds = std::max(1, atoi(argv[i + 1]));
        else if (option == "--seconds")
            seconds = std::max(5, atoi(argv[i + 1]));
        else if (option == "--monitors")
            monitors = std::clamp(atoi(argv[i + 1]), 1, 16);
    }
    if (program.empty()) {
        std::fprintf(stderr,
                     "usage: bench_desktop --program <path> [--bare <path>] [--rounds N] [--seconds S] "
                     "[--monitors N]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);

    Desktop desktop;
    const pid_t trayHost = spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                                  "--height", "28", "--SetDockType", "true", "--transparent", "false"});
    if (!desktop.waitUntil([&] { return desktop.hasTrayHost(); }, 20s)) {
        std::fprintf(stderr, "bench_desktop: the tray host did not start\n");
        stop(trayHost);
        return 2;
    }
    desktop.parkPointer();

    std::map<std::string, std::vector<double>> all;
    const auto collect = [&all](const Figures& figures) {
        for (const auto& [name, value] : figures)
            all[name].push_back(value);
    };
    const auto idle = std::chrono::seconds(seconds);
    for (int round = 1; round <= rounds; ++round)
        collect(sessionRound(desktop, program, idle, round, monitors));
    for (int round = 1; round <= rounds; ++round)
        collect(adaptiveRound(desktop, program, idle, round, monitors));
    for (int round = 1; round <= rounds; ++round)
        collect(scheduleRound(desktop, program, idle, round, monitors));
    if (!bare.empty()) {
        for (int round = 1; round <= rounds; ++round)
            collect(bareRound(desktop, bare, round));
    }
    stop(trayHost);

    const std::map<std::string, const char*> units{
        {"startup_tray", "ms"},      {"startup_refresh", "ms"},    {"startup_helper_runs", "runs"},
        {"rss_idle", "MiB"},         {"rss_after", "MiB"},         {"rss_bare", "MiB"},
        {"wakeups_idle", "per min"}, {"wakeups_after", "per min"}, {"cpu_idle", "%"},
        {"cpu_after", "%"},          {"adaptive_cpu", "%"},        {"adaptive_wakeups", "per min"},
        {"schedule_cpu", "%"},       {"schedule_wakeups", "per min"},
        {"window_open_first", "ms"}, {"window_open_again", "ms"}};
    for (const auto& [name, values] : all)
        std::printf("BENCH\t%s\t%.4g\t%s\n", name.c_str(), median(values), units.at(name));
    return 0;
}
