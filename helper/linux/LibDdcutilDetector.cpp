#include "LibDdcutilDetector.h"

#include "DrmConnectors.h"
#include "LibDdcutil.h"

#include <algorithm>
#include <set>

namespace m1ddc {

LibDdcutilDetector::LibDdcutilDetector(std::filesystem::path sysRoot) : sysRoot_(std::move(sysRoot)) {}

Detection LibDdcutilDetector::detect() {
    auto loaded = LibDdcutil::load();
    if (auto* failure = std::get_if<Failure>(&loaded)) {
        return std::move(*failure);
    }
    const LibDdcutil& api = *std::get<const LibDdcutil*>(loaded);
    // We print one line of our own on failure; libddcutil's reports would only add noise to what
    // the app shows the user.
    api.setFout(nullptr);
    api.setFerr(nullptr);
    api.enableReportDdcErrors(false);

    DDCA_Display_Info_List* list = nullptr;
    // Only displays that answered DDC/CI during detection.
    api.getDisplayInfoList2(false, &list);
    std::vector<FoundDisplay> found;
    if (list == nullptr) {
        return found;
    }
    // Built-in panels are left alone even if they happen to answer: the user means the external
    // monitors.
    std::set<int> builtInBuses;
    for (const auto& connector : drmConnectors(sysRoot_)) {
        if (connector.builtIn) {
            builtInBuses.insert(connector.buses.begin(), connector.buses.end());
        }
    }
    for (int i = 0; i < list->ct; ++i) {
        const auto& info = list->info[i];
        // We talk to the display on its bus ourselves, so only a display on an I2C bus will do.
        if (info.path.io_mode != DDCA_IO_I2C || builtInBuses.contains(info.path.path.i2c_busno)) {
            continue;
        }
        FoundDisplay display{.bus = info.path.path.i2c_busno};
        std::copy(std::begin(info.edid_bytes), std::end(info.edid_bytes), display.edid.begin());
        found.push_back(display);
    }
    api.freeDisplayInfoList(list);
    return found;
}

} // namespace m1ddc
