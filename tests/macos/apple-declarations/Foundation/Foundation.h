// Foundation, with the Objective-C root class it exports: what the macOS bindings use of it,
// declared as Apple documents it.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

// <objc/objc.h>
typedef bool BOOL; // on Apple silicon
#define nil nullptr
typedef long NSInteger;
typedef unsigned long NSUInteger;

@class NSString, NSError;

@protocol NSObject
@end

@interface NSObject <NSObject>
+ (instancetype)alloc;
- (instancetype)init;
@end

typedef struct {
    unsigned long state;
    id __unsafe_unretained* itemsPtr;
    unsigned long* mutationsPtr;
    unsigned long extra[5];
} NSFastEnumerationState;

@protocol NSFastEnumeration
- (NSUInteger)countByEnumeratingWithState:(NSFastEnumerationState*)state
                                  objects:(id __unsafe_unretained[])buffer
                                    count:(NSUInteger)len;
@end

@interface NSString : NSObject
@property(readonly) const char* UTF8String;
@end

@interface NSNumber : NSObject
@property(readonly) unsigned int unsignedIntValue;
@end

@interface NSArray<__covariant ObjectType> : NSObject <NSFastEnumeration>
@property(readonly) NSUInteger count;
@end

@interface NSDictionary<KeyType, __covariant ObjectType> : NSObject <NSFastEnumeration>
- (ObjectType)objectForKey:(KeyType)aKey;
@end

@interface NSError : NSObject
@property(readonly, copy) NSString* localizedDescription;
@end

typedef NSString* NSNotificationName;

@interface NSNotification : NSObject
@property(readonly, copy) NSNotificationName name;
@end

@interface NSOperationQueue : NSObject
@property(class, readonly, strong) NSOperationQueue* mainQueue;
@end

@interface NSNotificationCenter : NSObject
@property(class, readonly, strong) NSNotificationCenter* defaultCenter;
- (id<NSObject>)addObserverForName:(NSNotificationName)name
                            object:(id)obj
                             queue:(NSOperationQueue*)queue
                        usingBlock:(void (^)(NSNotification* notification))block;
- (void)removeObserver:(id)observer;
@end
