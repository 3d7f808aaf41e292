#include "system/DisplayLifecycleObservers.h"

#include "system/DisplayLifecycleEventSource.h"

#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <vector>

namespace {

// Handed over from the event loop rather than from inside AppKit's or CoreGraphics' callback,
// so the consumer it resumes never runs within them; dropped if the source is gone by then.
void handOver(const QPointer<DisplayLifecycleEventSource>& source, DisplayLifecycleEvent event) {
    if (!source)
        return;
    QMetaObject::invokeMethod(
        source.data(),
        [source, event] {
            if (source)
                source->post(event);
        },
        Qt::QueuedConnection);
}

} // namespace

struct DisplayLifecycleObservers::Private {
    QPointer<DisplayLifecycleEventSource> source;
    std::vector<id> workspaceObservers;
    bool watchesReconfiguration = false;
    // CoreGraphics calls once per display that changed: one rearrangement is one event.
    std::atomic<bool> reconfigurationPending = false;

    static void reconfigured(CGDirectDisplayID, CGDisplayChangeSummaryFlags flags, void* userInfo) {
        auto* self = static_cast<Private*>(userInfo);
        // Told before the change as well as after it; only the state after it is worth reading.
        if ((flags & kCGDisplayBeginConfigurationFlag) || !self->source ||
            self->reconfigurationPending.exchange(true))
            return;
        // The source owns the observers, so while the call queued on it can run, `self` exists.
        QMetaObject::invokeMethod(
            self->source.data(),
            [self] {
                self->reconfigurationPending = false;
                self->source->post(DisplayLifecycleEvent::displayConfigurationDidChange);
            },
            Qt::QueuedConnection);
    }
};

DisplayLifecycleObservers::DisplayLifecycleObservers(DisplayLifecycleEventSource* source) : d(new Private) {
    d->source = source;
    NSNotificationCenter* workspace = NSWorkspace.sharedWorkspace.notificationCenter;
    const std::pair<NSNotificationName, DisplayLifecycleEvent> wakes[] = {
        {NSWorkspaceDidWakeNotification, DisplayLifecycleEvent::systemDidWake},
        {NSWorkspaceScreensDidWakeNotification, DisplayLifecycleEvent::screensDidWake},
    };
    for (const auto& [name, event] : wakes) {
        QPointer<DisplayLifecycleEventSource> weakSource = source;
        const DisplayLifecycleEvent wake = event;
        d->workspaceObservers.push_back([workspace addObserverForName:name
                                                               object:nil
                                                                queue:NSOperationQueue.mainQueue
                                                           usingBlock:^(NSNotification*) {
                                                             handOver(weakSource, wake);
                                                           }]);
    }
    d->watchesReconfiguration =
        CGDisplayRegisterReconfigurationCallback(&Private::reconfigured, d) == kCGErrorSuccess;
}

DisplayLifecycleObservers::~DisplayLifecycleObservers() {
    NSNotificationCenter* workspace = NSWorkspace.sharedWorkspace.notificationCenter;
    for (id observer : d->workspaceObservers)
        [workspace removeObserver:observer];
    if (d->watchesReconfiguration)
        CGDisplayRemoveReconfigurationCallback(&Private::reconfigured, d);
    delete d;
}

// One per workspace notification, and one for the display reconfiguration callback.
int DisplayLifecycleObservers::registrationCount() const {
    return static_cast<int>(d->workspaceObservers.size()) + (d->watchesReconfiguration ? 1 : 0);
}
