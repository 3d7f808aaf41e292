// IOKit (IOKitLib.h): what the macOS bindings use of it, declared as Apple documents it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

// From the Mach headers IOKitLib.h includes.
typedef int kern_return_t;
typedef unsigned int mach_port_t;
#define KERN_SUCCESS 0

typedef mach_port_t io_object_t;
typedef io_object_t io_iterator_t;
typedef io_object_t io_registry_entry_t;
typedef io_object_t io_service_t;
typedef UInt32 IOOptionBits;
typedef kern_return_t IOReturn;

extern const mach_port_t kIOMainPortDefault; // macOS 12 and later

CFMutableDictionaryRef IOServiceMatching(const char* name);
// Both consume one reference of `matching`.
io_service_t IOServiceGetMatchingService(mach_port_t mainPort, CFDictionaryRef matching);
kern_return_t IOServiceGetMatchingServices(mach_port_t mainPort, CFDictionaryRef matching,
                                           io_iterator_t* existing);
io_object_t IOIteratorNext(io_iterator_t iterator);
kern_return_t IOObjectRelease(io_object_t object);

CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, CFStringRef key,
                                          CFAllocatorRef allocator, IOOptionBits options);
