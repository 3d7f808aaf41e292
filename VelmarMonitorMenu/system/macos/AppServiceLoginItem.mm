#include "system/LoginItemService.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include <QCoreApplication>

namespace {

std::optional<QString> failure(NSError* error) {
    if (error)
        return QString::fromUtf8(error.localizedDescription.UTF8String);
    return QCoreApplication::translate("LoginItemService", "The login item service gave no reason.");
}

// The app itself as a login item, through the login item service: it appears under General →
// Login Items in System Settings, where the user may turn it off too, which status reports.
class AppServiceLoginItem : public LoginItemService {
public:
    bool isEnabled() const override {
        return SMAppService.mainAppService.status == SMAppServiceStatusEnabled;
    }

    std::optional<QString> enable() override {
        NSError* error = nil;
        if ([SMAppService.mainAppService registerAndReturnError:&error])
            return std::nullopt;
        return failure(error);
    }

    std::optional<QString> disable() override {
        NSError* error = nil;
        if ([SMAppService.mainAppService unregisterAndReturnError:&error])
            return std::nullopt;
        return failure(error);
    }
};

} // namespace

std::unique_ptr<LoginItemService> makeSystemLoginItemService() {
    return std::make_unique<AppServiceLoginItem>();
}
