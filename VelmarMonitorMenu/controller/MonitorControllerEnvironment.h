#pragma once

#include "monitor/DDCClient.h"
#include "monitor/DisplayListing.h"
#include "system/DisplayLifecycleEventSource.h"
#include "system/ScreenNameSource.h"

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>

class QSettings;

// Every wait the controller makes. The defaults are the production values; tests shorten the
// ones they are not measuring.
struct MonitorControllerTimings {
    // Pacing between monitor commands: cheap monitors drop a command that follows another too closely.
    std::chrono::milliseconds readPause{50};             // between the reads of a refresh or a snapshot
    std::chrono::milliseconds presetWritePause{50};      // between the three gains of a colour preset
    std::chrono::milliseconds valueSetWritePause{60};    // after each write of a scene or the night values
    std::chrono::milliseconds liveWriteDelay{90};        // let a drag settle before the monitor is written
    std::chrono::milliseconds lifecycleSettleDelay{900}; // let a woken or re-plugged monitor answer again
    // Monitors may ignore DDC/CI for seconds after waking: a refresh that could not read the
    // brightness is tried again this long after, twice as long each time, until this much has passed.
    std::chrono::milliseconds wakeRetryFirstDelay = std::chrono::seconds(2);
    std::chrono::milliseconds wakeRetryGiveUpAfter = std::chrono::seconds(30);
    // How often the built-in panel is looked at.
    std::chrono::milliseconds adaptiveSamplingInterval = std::chrono::seconds(1);
    std::chrono::milliseconds readRetryPause = DDCClient::defaultReadRetryPause;
    std::chrono::milliseconds helperTimeLimit = DDCClient::defaultTimeLimit;
    // Settings are checked for a failed write once changes have stood still this long, so a
    // dragged range slider costs one check, not one per step.
    std::chrono::milliseconds settingsCheckDelay = std::chrono::seconds(1);
};

// What the owner of several controllers does around this one's readings at start-up and after
// each wake or display change: it lists the connected monitors, before the reading when it knows
// several (so that the reading goes to the right monitor) and after it otherwise.
struct MonitorReadingHooks {
    std::function<QCoro::Task<>()> before;
    std::function<QCoro::Task<>()> after;
};

// What the controller needs from its surroundings beyond the three collaborators the app
// shell hands it. Every member has a production default; tests replace what they need.
struct MonitorControllerEnvironment {
    QSettings* settings = nullptr; // the user's settings when null
    HelperLocator helperLocator = HelperLocation::bundled();
    std::shared_ptr<ScreenNameSource> screens; // the platform's screens when null
    /// The platform's wake and display signals when null.
    std::unique_ptr<DisplayLifecycleEventSource> displayLifecycle;
    std::function<QDateTime()> now; // wall clock for the adaptive pause; system clock when empty
    MonitorControllerTimings timings;

    // With several monitors, one controller stands for each; the defaults are those of a
    // controller on its own.
    /// The monitor as the helper lists it; an empty id until a listing has named it.
    ListedDisplay monitor;
    /// Commands carry the monitor's id: several monitors are connected.
    bool addressed = false;
    /// Key prefixes (ControllerSettings::Groups): the program's keys and the monitor's own.
    QString programSettingsGroup;
    QString monitorSettingsGroup;
    MonitorReadingHooks readingHooks;
};
