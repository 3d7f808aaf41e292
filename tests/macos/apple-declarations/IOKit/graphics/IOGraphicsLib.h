// IOKit (graphics/IOGraphicsLib.h): what the macOS bindings use of it, declared as Apple
// documents it.
#pragma once

#include <IOKit/IOKitLib.h>

CFDictionaryRef IODisplayCreateInfoDictionary(io_service_t framebuffer, IOOptionBits options);
IOReturn IODisplayGetFloatParameter(io_service_t service, IOOptionBits options, CFStringRef parameterName,
                                    float* value);
