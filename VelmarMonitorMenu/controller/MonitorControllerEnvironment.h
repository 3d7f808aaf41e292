#pragma once

#include "monitor/DDCClient.h"
#include "system/ScreenNameSource.h"

#include <chrono>
#include <memory>

class SettingsFile;

// Every wait the controllers make. The defaults are the production values; tests shorten the
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
    // Following the light sensor: how fast the smoothed light follows a new reading, how often it
    // is looked at while it settles, and how long a reading of 0 after a wake is the sensor's own.
    std::chrono::milliseconds lightSmoothing = std::chrono::seconds(8);
    std::chrono::milliseconds lightSettleLook = std::chrono::seconds(1);
    std::chrono::milliseconds lightWakeBlindness = std::chrono::seconds(5);
    // Following the schedule: a monitor keeps its settings in memory that wears, so during a
    // transition it is written at most this often.
    std::chrono::milliseconds scheduleWriteGap = std::chrono::minutes(1);
    // A write a source asked for while the monitor was busy is tried again this long after.
    std::chrono::milliseconds adaptiveBusyRetry{500};
    std::chrono::milliseconds readRetryPause = DDCClient::defaultReadRetryPause;
    std::chrono::milliseconds helperTimeLimit = DDCClient::defaultTimeLimit;
    // Settings are checked for a failed write once changes have stood still this long, so a
    // dragged range slider costs one check, not one per step.
    std::chrono::milliseconds settingsCheckDelay = std::chrono::seconds(1);
};

// What a controller needs from its surroundings beyond the scene store. Every member has a
// production default; ConnectedMonitors and tests set what they need.
struct MonitorControllerEnvironment {
    SettingsFile* settings = nullptr; // the user's settings when null
    HelperLocator helperLocator = HelperLocation::bundled();
    std::shared_ptr<ScreenNameSource> screens; // the platform's screens when null
    MonitorControllerTimings timings;

    /// The monitor's id as the helper lists it; empty for the helper's default monitor, whose id
    /// a listing tells later.
    QString monitor;
    /// Commands carry the monitor's id: several monitors are connected.
    bool addressed = false;
    /// The key prefix of the monitor's own settings; empty for the top level.
    QString settingsGroup;
};
