#pragma once

#include "async/Cancellation.h"
#include "monitor/MonitorFeature.h"
#include "monitor/MonitorInput.h"

#include <QtGlobal>

#include <map>
#include <optional>

// What a controller keeps of the values on their way to its monitor, so that the monitor is
// written no more than it must be (it keeps its settings in memory that wears) and never with a
// stale value: one pending live write per feature, one write under way per feature with only the
// newest value waiting behind it, and likewise one input switch at a time.
struct MonitorWrites {
    struct FeatureWrites {
        bool writing = false;
        std::optional<double> next;
    };
    struct InputSwitch {
        MonitorInput input;
        std::optional<MonitorInput> previous; // shown again if the switch fails
    };

    std::map<MonitorFeature, CancelToken> pending; // live values waiting for the drag to settle
    std::map<MonitorFeature, FeatureWrites> features;
    bool switchingInput = false;
    std::optional<InputSwitch> nextInputSwitch;
    // Counts the choices made of each value and of the input; a reading issued before the count
    // moved is older than the choice and is not stored over it.
    std::map<MonitorFeature, quint64> valueChoices;
    quint64 inputChoices = 0;
    int runningTasks = 0; // operations of the controller under way

    /// A value of this feature waits to be written, or is being written.
    bool isUnderWay(MonitorFeature feature) const {
        const auto writes = features.find(feature);
        return pending.contains(feature) || (writes != features.end() && writes->second.writing);
    }
    /// Drops the slider and script values not yet written, so that nothing lands after what
    /// follows (a scene's values); the write under way finishes.
    void cancelPending() {
        for (auto& [feature, token] : pending)
            token->cancel();
        pending.clear();
        for (auto& [feature, writes] : features)
            writes.next.reset();
    }
};
