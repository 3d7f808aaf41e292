#pragma once

#include "monitor/MonitorFeature.h"

#include <QString>

class MonitorController;

// What the panel and the Controls window share about a slider over one monitor value.

/// Binds `slider`, a CapsuleSlider or a CompactMonitorSlider, to `feature` of `monitor`: the
/// slider shows the feature's value and whether it has been read, as they change, and its edits
/// go to the monitor (live while the user drags, set where the user lets go).
template <class Slider>
void bindToFeature(Slider& slider, MonitorController& monitor, MonitorFeature feature);

/// The speaker of a volume control: slashed when the volume is exactly 0, otherwise sending
/// `waves` sound waves (0, 2 or 3).
QString volumeSymbol(double volume, int waves);
