// The Linux hardware backend: libddcutil finds the display and handles the standard features;
// the vendor input register goes over the display's I2C bus directly (see RawDdcChannel).
#include "HardwareMonitor.h"
#include "I2cDevTransport.h"
#include "LibDdcutil.h"
#include "MonitorCodes.h"
#include "RawDdcChannel.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

namespace m1ddc {

namespace {

constexpr const char* noDisplayText = "No external display found";

std::optional<int> busNumberOf(std::string_view adapterName) {
    constexpr std::string_view prefix = "i2c-";
    if (!adapterName.starts_with(prefix)) {
        return std::nullopt;
    }
    adapterName.remove_prefix(prefix.size());
    int bus = 0;
    const auto* end = adapterName.data() + adapterName.size();
    const auto [stop, error] = std::from_chars(adapterName.data(), end, bus);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return bus;
}

// The I2C buses of built-in panels, from the DRM connectors in sysfs (card0-eDP-1/ddc links to
// the adapter; DisplayPort-style connectors hold theirs as an i2c-N child). Built-in panels are
// left alone even if they happen to answer: the user means the external monitor.
std::set<int> builtInPanelBuses() {
    namespace fs = std::filesystem;
    std::set<int> buses;
    std::error_code error;
    for (const auto& connector : fs::directory_iterator("/sys/class/drm", error)) {
        if (!MonitorCodes::isBuiltInPanelConnector(connector.path().filename().string())) {
            continue;
        }
        std::error_code linkError;
        const auto adapter = fs::read_symlink(connector.path() / "ddc", linkError);
        if (!linkError) {
            if (auto bus = busNumberOf(adapter.filename().string())) {
                buses.insert(*bus);
            }
        }
        std::error_code childError;
        for (const auto& child : fs::directory_iterator(connector.path(), childError)) {
            if (auto bus = busNumberOf(child.path().filename().string())) {
                buses.insert(*bus);
            }
        }
    }
    return buses;
}

// The display chosen for this run, with libddcutil's list that holds its description.
class Display {
public:
    static std::variant<Display, Failure> findExternal() {
        auto loaded = LibDdcutil::load();
        if (auto* failure = std::get_if<Failure>(&loaded)) {
            return std::move(*failure);
        }
        const LibDdcutil& api = *std::get<const LibDdcutil*>(loaded);
        // We print one line of our own on failure; libddcutil's reports would only add noise to
        // what the app shows the user.
        api.setFout(nullptr);
        api.setFerr(nullptr);
        api.enableReportDdcErrors(false);

        DDCA_Display_Info_List* raw = nullptr;
        // Only displays that answered DDC/CI during detection.
        api.getDisplayInfoList2(false, &raw);
        Display display(api, raw);
        if (raw == nullptr) {
            return Failure{noDisplayText};
        }
        const auto builtIn = builtInPanelBuses();
        for (int i = 0; i < raw->ct; ++i) {
            const auto& info = raw->info[i];
            if (info.path.io_mode == DDCA_IO_I2C && builtIn.contains(info.path.path.i2c_busno)) {
                continue;
            }
            display.info_ = &info;
            return display;
        }
        return Failure{noDisplayText};
    }

    Display(Display&& other) noexcept
        : api_(other.api_), list_(std::exchange(other.list_, nullptr)), info_(other.info_) {}
    Display& operator=(Display&&) = delete;
    ~Display() {
        if (list_ != nullptr) {
            api_.freeDisplayInfoList(list_);
        }
    }

    ReadOutcome readStandard(Attribute attribute) const {
        DDCA_Display_Handle handle = nullptr;
        if (const auto status = api_.openDisplay2(info_->dref, true, &handle); status != 0) {
            return Failure{"Cannot open the display: " + errorText(status)};
        }
        DDCA_Non_Table_Vcp_Value value{};
        const auto status = api_.getNonTableVcpValue(handle, vcpCode(attribute), &value);
        const auto text = status != 0 ? errorText(status) : std::string();
        api_.closeDisplay(handle);
        if (status != 0) {
            return Failure{"Cannot read " + std::string(wordOf(attribute)) + ": " + text};
        }
        // Input-source codes are one byte; some displays put flags in the high byte.
        return isPercentage(attribute) ? (value.sh << 8 | value.sl) : value.sl;
    }

    WriteOutcome writeStandard(Attribute attribute, int value) const {
        DDCA_Display_Handle handle = nullptr;
        if (const auto status = api_.openDisplay2(info_->dref, true, &handle); status != 0) {
            return Failure{"Cannot open the display: " + errorText(status)};
        }
        const auto status =
            api_.setNonTableVcpValue(handle, vcpCode(attribute), static_cast<std::uint8_t>(value >> 8),
                                     static_cast<std::uint8_t>(value & 0xFF));
        const auto text = status != 0 ? errorText(status) : std::string();
        api_.closeDisplay(handle);
        if (status != 0) {
            return Failure{"Cannot set " + std::string(wordOf(attribute)) + ": " + text};
        }
        return std::nullopt;
    }

    std::variant<I2cDevTransport, Failure> openI2c() const {
        if (info_->path.io_mode != DDCA_IO_I2C) {
            return Failure{"input-alt needs a display connected over I2C"};
        }
        return I2cDevTransport::open(info_->path.path.i2c_busno);
    }

private:
    Display(const LibDdcutil& api, DDCA_Display_Info_List* list) : api_(api), list_(list) {}

    // libddcutil's own description of a failed call, with the detail it keeps for the last call.
    std::string errorText(DDCA_Status status) const {
        std::string text = api_.rcDesc(status);
        if (DDCA_Error_Detail* detail = api_.getErrorDetail()) {
            if (detail->detail != nullptr && *detail->detail != '\0' && text != detail->detail) {
                text += " (" + std::string(detail->detail) + ")";
            }
            api_.freeErrorDetail(detail);
        }
        return text;
    }

    const LibDdcutil& api_;
    DDCA_Display_Info_List* list_;
    const DDCA_Display_Info* info_ = nullptr;
};

class DdcutilMonitor final : public Monitor {
public:
    ReadOutcome read(Attribute attribute) override {
        auto found = Display::findExternal();
        if (auto* failure = std::get_if<Failure>(&found)) {
            return std::move(*failure);
        }
        const auto& display = std::get<Display>(found);
        if (attribute != Attribute::inputAlt) {
            return display.readStandard(attribute);
        }

        auto transport = display.openI2c();
        if (auto* failure = std::get_if<Failure>(&transport)) {
            return std::move(*failure);
        }
        SteadyClock clock;
        RawDdcChannel channel(std::get<I2cDevTransport>(transport), clock, ddc::vendorHostAddress);
        auto value = channel.getVcp(vcpCode(Attribute::inputAlt));
        if (auto* failure = std::get_if<ChannelFailure>(&value)) {
            return Failure{"Cannot read input-alt: " + failure->reason};
        }
        return std::get<ddc::VcpValue>(value).current & 0xFF;
    }

    WriteOutcome write(Attribute attribute, int value) override {
        if (attribute == Attribute::input) {
            return Failure{"The input attribute is read only"};
        }
        auto found = Display::findExternal();
        if (auto* failure = std::get_if<Failure>(&found)) {
            return std::move(*failure);
        }
        const auto& display = std::get<Display>(found);
        if (attribute != Attribute::inputAlt) {
            return display.writeStandard(attribute, value);
        }

        auto transport = display.openI2c();
        if (auto* failure = std::get_if<Failure>(&transport)) {
            return std::move(*failure);
        }
        SteadyClock clock;
        RawDdcChannel channel(std::get<I2cDevTransport>(transport), clock, ddc::vendorHostAddress);
        if (auto failure = channel.setVcp(vcpCode(Attribute::inputAlt), static_cast<std::uint16_t>(value))) {
            return Failure{"Cannot set input-alt: " + failure->reason};
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Monitor> makeHardwareMonitor() {
    return std::make_unique<DdcutilMonitor>();
}

} // namespace m1ddc
