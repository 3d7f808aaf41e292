// CoreFoundation: what the macOS bindings use of it, declared as Apple documents it.
#pragma once

#include <stdint.h>

typedef unsigned char Boolean;
typedef uint32_t UInt32;
typedef long CFIndex;
typedef unsigned long CFTypeID;

typedef const void* CFTypeRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;
typedef const struct __CFNumber* CFNumberRef;

extern const CFAllocatorRef kCFAllocatorDefault;

// Base Utilities / CFType
CFTypeID CFGetTypeID(CFTypeRef cf);
void CFRelease(CFTypeRef cf);

// CFString
typedef UInt32 CFStringEncoding;
enum CFStringBuiltInEncodings : CFStringEncoding { kCFStringEncodingUTF8 = 0x08000100 };
typedef enum CFStringBuiltInEncodings CFStringBuiltInEncodings;
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);

// CFDictionary
CFTypeID CFDictionaryGetTypeID(void);
const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);

// CFNumber
enum CFNumberType : CFIndex { kCFNumberSInt32Type = 3, kCFNumberSInt64Type = 4, kCFNumberDoubleType = 13 };
typedef enum CFNumberType CFNumberType;
CFTypeID CFNumberGetTypeID(void);
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
