#include "FeatureSlider.h"

#include "controller/MonitorController.h"
#include "widgets/CapsuleSlider.h"
#include "widgets/CompactMonitorSlider.h"

template <class Slider>
void bindToFeature(Slider& slider, MonitorController& monitor, MonitorFeature feature) {
    QObject::connect(&slider, &Slider::liveChanged, &slider,
                     [&monitor, feature](double value) { monitor.setLive(feature, value); });
    QObject::connect(&slider, &Slider::committed, &slider,
                     [&monitor, feature](double value) { monitor.set(feature, value); });

    const auto show = [&slider, &monitor, feature] {
        slider.setValue(monitor.value(feature));
        slider.setLoaded(monitor.loadedFeatures().contains(feature));
    };
    QObject::connect(&monitor, &MonitorController::valueChanged, &slider,
                     [show, feature](MonitorFeature changed) {
                         if (changed == feature)
                             show();
                     });
    QObject::connect(&monitor, &MonitorController::loadedFeaturesChanged, &slider, show);
    show();
}

template void bindToFeature(CapsuleSlider&, MonitorController&, MonitorFeature);
template void bindToFeature(CompactMonitorSlider&, MonitorController&, MonitorFeature);

QString volumeSymbol(double volume, int waves) {
    if (volume == 0)
        return QStringLiteral("speaker.slash.fill");
    return waves == 0 ? QStringLiteral("speaker.fill") : QStringLiteral("speaker.wave.%1.fill").arg(waves);
}
