#include "system/ScreenNameSource.h"

#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

namespace {

QString fromNSString(NSString* text) {
    return QString::fromUtf8(text.UTF8String);
}

// macOS names every screen itself, in the user's language: the monitor's own name for an
// external one, "Built-in Retina Display" or the like for the laptop's panel.
class SystemScreenNameSource : public ScreenNameSource {
public:
    QList<ScreenDescription> screens() const override {
        QList<ScreenDescription> screens;
        for (NSScreen* screen in NSScreen.screens) {
            NSNumber* displayId = [screen.deviceDescription objectForKey:@"NSScreenNumber"];
            const bool builtIn = displayId && CGDisplayIsBuiltin(displayId.unsignedIntValue) != 0;
            screens.append({fromNSString(screen.localizedName), builtIn});
        }
        return screens;
    }
};

} // namespace

std::unique_ptr<ScreenNameSource> makeSystemScreenNameSource() {
    return std::make_unique<SystemScreenNameSource>();
}
