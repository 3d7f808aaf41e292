#include "system/ScreenNameSource.h"

#include "ScreenNaming.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace {

class SystemScreenNameSource : public ScreenNameSource {
public:
    QList<ScreenDescription> screens() const override {
        QList<ScreenDescription> screens;
        // Without a GUI application there are no screens to ask about.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return screens;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QString name =
                ScreenNaming::screenName(screen->name(), screen->manufacturer(), screen->model());
            // A screen that tells nothing about itself has no name worth showing.
            if (!name.isEmpty())
                screens.append({name, ScreenNaming::isBuiltInConnector(screen->name())});
        }
        return screens;
    }
};

} // namespace

std::unique_ptr<ScreenNameSource> makeSystemScreenNameSource() {
    return std::make_unique<SystemScreenNameSource>();
}
