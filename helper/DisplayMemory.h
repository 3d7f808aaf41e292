#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace m1ddc {

/// A display a detection found: its I2C bus, what its EDID says, and which adapter the bus was.
struct DisplayRecord {
    int bus = -1;
    /// The whole EDID base block (see edidHash): the bus must still hold exactly this display.
    std::uint64_t edidHash = 0;
    /// What names the monitor (see monitorHash), which its id is made from. None in a file an
    /// earlier helper wrote: such a record only says which display was the default.
    std::optional<std::uint64_t> monitorHash{};
    /// The bus's I2C adapter as sysfs showed it (see i2cAdapterIdentity), when it showed one: a
    /// re-plug or a driver reload may give the bus number to another adapter.
    std::optional<std::uint64_t> adapter{};
    /// What `display list` calls the monitor (see edidName), for a listing while another program
    /// holds the bus and its EDID cannot be read there. None in a file from a helper before names
    /// were kept, until a listing puts it in.
    std::optional<std::string> name{};

    bool operator==(const DisplayRecord&) const = default;
};

/// What the last detection saw: every display that answered, the default one first, and the EDID
/// hashes of the connected displays that did not answer, so that they do not look new next time.
struct RememberedDisplays {
    std::vector<DisplayRecord> displays{}; ///< never empty
    std::vector<std::uint64_t> silent{};

    bool operator==(const RememberedDisplays&) const = default;
};

/// The displays as their file holds them; in the format of earlier helpers when a record has no
/// monitor hash, which only a file of theirs gives.
std::string formatRememberedDisplays(const RememberedDisplays& remembered);
/// The displays in a file's text; nothing when the text is not exactly what
/// formatRememberedDisplays gives.
std::optional<RememberedDisplays> parseRememberedDisplays(std::string_view text);

/// Where the helper remembers the displays between runs: one small file private to the user, in
/// $XDG_RUNTIME_DIR when that is a private folder of the user's, otherwise in a folder of our own
/// under /tmp. Remembering is only a shortcut, so every failure here reads as "nothing
/// remembered" and is never reported. Safe to use from many processes at once.
class DisplayMemory {
public:
    static constexpr std::string_view fileName = "velmar-monitor-display";

    /// Remembers nothing: every run detects.
    DisplayMemory() = default;
    /// `runtimeDir` is $XDG_RUNTIME_DIR (may be null); `tmpRoot` holds the fallback folder
    /// "velmar-monitor-<owner>"; `owner` is the user whose folders and file these must be.
    DisplayMemory(const char* runtimeDir, std::filesystem::path tmpRoot, uid_t owner);

    std::optional<RememberedDisplays> recall() const;
    /// Replaces the file in one step, so a reader sees the old displays or the new ones. Of two
    /// runs that write at once one wins; the other's displays, confirmed again before use like
    /// any memory, cost at most a detection.
    void remember(const RememberedDisplays& remembered) const;
    void forget() const;

private:
    bool folderIsOurs(bool create) const;

    std::filesystem::path folder_; ///< empty when there is nowhere safe to remember
    bool fallbackFolder_ = false;  ///< ours under /tmp: created on demand, checked on every use
    uid_t owner_ = 0;
};

} // namespace m1ddc
