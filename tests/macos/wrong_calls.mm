// Calls like the macOS bindings make, each of which can be made wrong by one -D: as it is the file
// compiles, and each mistake must not. Proves the check of the macOS sources tells a wrong call
// from a right one.
#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>
#include <IOKit/graphics/IOGraphicsLib.h>
#import <ServiceManagement/ServiceManagement.h>

#include <cstdint>

bool builtIn(CGDirectDisplayID display) {
#ifdef MISSPELT_FUNCTION
    return CGDisplayIsBuiltIn(display) != 0;
#else
    return CGDisplayIsBuiltin(display) != 0;
#endif
}

std::uint32_t displayCount() {
#ifdef WRONG_ARGUMENT_TYPE
    std::int32_t count = 0;
#else
    std::uint32_t count = 0;
#endif
    return CGGetActiveDisplayList(0, nullptr, &count) == kCGErrorSuccess ? std::uint32_t(count) : 0;
}

float brightness(io_service_t service, CFStringRef key) {
    float value = 0;
#ifdef MISSING_ARGUMENT
    return IODisplayGetFloatParameter(service, 0, key) == KERN_SUCCESS ? value : 0;
#else
    return IODisplayGetFloatParameter(service, 0, key, &value) == KERN_SUCCESS ? value : 0;
#endif
}

bool registerAtLogin() {
    NSError* error = nil;
#ifdef UNKNOWN_SELECTOR
    return [SMAppService.mainAppService registerWithError:&error];
#else
    return [SMAppService.mainAppService registerAndReturnError:&error];
#endif
}

id observeWake(void (^wake)(void)) {
#ifdef WRONG_BLOCK_TYPE
    void (^handler)(NSString*) = ^(NSString*) {
      wake();
    };
#else
    void (^handler)(NSNotification*) = ^(NSNotification*) {
      wake();
    };
#endif
    NSNotificationCenter* center = NSWorkspace.sharedWorkspace.notificationCenter;
    return [center addObserverForName:NSWorkspaceDidWakeNotification
                               object:nil
                                queue:NSOperationQueue.mainQueue
                           usingBlock:handler];
}

NSUInteger screenCount() {
#ifdef WRONG_RESULT_TYPE
    NSString* screens = NSScreen.screens;
    return screens ? 1 : 0;
#else
    NSArray<NSScreen*>* screens = NSScreen.screens;
    return screens.count;
#endif
}
