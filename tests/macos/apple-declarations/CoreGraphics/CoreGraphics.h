// CoreGraphics (Quartz Display Services): what the macOS bindings use of it, declared as Apple
// documents it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

typedef uint32_t CGDirectDisplayID;
typedef int boolean_t; // <mach/arm/boolean.h> on Apple silicon

enum CGError : int32_t { kCGErrorSuccess = 0, kCGErrorFailure = 1000 };
typedef enum CGError CGError;

// Finding displays
CGError CGGetActiveDisplayList(uint32_t maxDisplays, CGDirectDisplayID* activeDisplays,
                               uint32_t* displayCount);

// Getting the display configuration
boolean_t CGDisplayIsBuiltin(CGDirectDisplayID display);
uint32_t CGDisplayVendorNumber(CGDirectDisplayID display);
uint32_t CGDisplayModelNumber(CGDirectDisplayID display);
uint32_t CGDisplaySerialNumber(CGDirectDisplayID display);

// Display reconfiguration
typedef uint32_t CGDisplayChangeSummaryFlags;
enum : CGDisplayChangeSummaryFlags { kCGDisplayBeginConfigurationFlag = (1 << 0) };
typedef void (*CGDisplayReconfigurationCallBack)(CGDirectDisplayID display, CGDisplayChangeSummaryFlags flags,
                                                 void* userInfo);
CGError CGDisplayRegisterReconfigurationCallback(CGDisplayReconfigurationCallBack callback, void* userInfo);
CGError CGDisplayRemoveReconfigurationCallback(CGDisplayReconfigurationCallBack callback, void* userInfo);
