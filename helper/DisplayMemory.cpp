// The file holds a header line, then for each display (the default one first) its bus, the hash
// of its whole EDID, the hash of what names the monitor, when sysfs showed one the identity of its
// bus's adapter, and the monitor's name; then the hash of each connected display that did not
// answer:
//
//   velmar-monitor display 3
//   bus 7
//   edid 1d2c3b4a59687786
//   id 5f0e1d2c3b4a6978
//   adapter 0a1b2c3d4e5f6071
//   name Velmar S27
//   bus 9
//   edid 0a1b2c3d4e5f6071
//   id 1122334455667788
//   name DEL 41159
//   silent 8899aabbccddeeff
//
// bus numbers in decimal, hashes in 16 lower-case hex digits, a name as edidName gives it (one
// short line of printable text). Files of the helper before names were kept have no name lines
// and are read as they always were. Helpers before those wrote neither id nor adapter, under
// "velmar-monitor display 1" (one display, nothing silent) or "... display 2"; such a file is read
// for which display was the default and is never trusted to name a bus. Anything else in the
// file, or a file that is not a regular file of the user's, is ignored and replaced after the next
// detection.
#include "DisplayMemory.h"

#include "Edid.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace m1ddc {

namespace {

constexpr std::string_view header = "velmar-monitor display 3";
// What earlier helpers wrote, without ids: for one display and nothing silent, and for the rest.
constexpr std::string_view earlierOneDisplayHeader = "velmar-monitor display 1";
constexpr std::string_view earlierHeader = "velmar-monitor display 2";
// Room for dozens of displays; a larger file is none of ours.
constexpr std::size_t maxFileSize = 4096;

bool isPrivateFolder(const struct stat& status, uid_t owner) {
    return S_ISDIR(status.st_mode) && status.st_uid == owner && (status.st_mode & 077) == 0;
}

std::optional<std::string_view> valueAfter(std::string_view line, std::string_view key) {
    if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != ' ') {
        return std::nullopt;
    }
    return line.substr(key.size() + 1);
}

template <typename Number> std::optional<Number> parseNumber(std::string_view text, int base) {
    Number number{};
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number, base);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

// One line without its line break, or nothing when the text has no further line.
std::optional<std::string_view> nextLine(std::string_view& text) {
    const auto end = text.find('\n');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    const auto line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const auto written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string formatRememberedDisplays(const RememberedDisplays& remembered) {
    const auto hex = [](std::uint64_t hash) {
        char text[17] = {};
        std::snprintf(text, sizeof text, "%016" PRIx64, hash);
        return std::string(text);
    };
    const bool earlier = std::ranges::any_of(
        remembered.displays, [](const DisplayRecord& display) { return !display.monitorHash.has_value(); });
    const bool oneDisplay = remembered.displays.size() == 1 && remembered.silent.empty();
    std::string text(!earlier ? header : oneDisplay ? earlierOneDisplayHeader : earlierHeader);
    for (const auto& display : remembered.displays) {
        text += "\nbus " + std::to_string(display.bus) + "\nedid " + hex(display.edidHash);
        if (!earlier) {
            text += "\nid " + hex(*display.monitorHash);
            if (display.adapter) {
                text += "\nadapter " + hex(*display.adapter);
            }
            if (display.name) {
                text += "\nname " + *display.name;
            }
        }
    }
    for (const auto hash : remembered.silent) {
        text += "\nsilent " + hex(hash);
    }
    return text + "\n";
}

std::optional<RememberedDisplays> parseRememberedDisplays(std::string_view text) {
    auto rest = text;
    const auto first = nextLine(rest);
    if (!first || (*first != header && *first != earlierHeader && *first != earlierOneDisplayHeader)) {
        return std::nullopt;
    }
    const bool earlier = *first != header;
    // The hash on the line after, which must have the key.
    const auto hashOn = [&rest](std::string_view key) -> std::optional<std::uint64_t> {
        const auto line = nextLine(rest);
        const auto hashText = line ? valueAfter(*line, key) : std::nullopt;
        return hashText ? parseNumber<std::uint64_t>(*hashText, 16) : std::nullopt;
    };
    RememberedDisplays remembered;
    while (const auto line = nextLine(rest)) {
        if (const auto busText = valueAfter(*line, "bus")) {
            DisplayRecord display;
            const auto bus = parseNumber<int>(*busText, 10);
            const auto edid = hashOn("edid");
            if (!bus || *bus < 0 || !edid) {
                return std::nullopt;
            }
            display.bus = *bus;
            display.edidHash = *edid;
            if (!earlier) {
                display.monitorHash = hashOn("id");
                if (!display.monitorHash) {
                    return std::nullopt;
                }
                if (auto after = rest; nextLine(after).value_or("").starts_with("adapter ")) {
                    display.adapter = hashOn("adapter");
                    if (!display.adapter) {
                        return std::nullopt;
                    }
                }
                // The name goes into our output as it stands: only what edidName could have given.
                if (auto after = rest; nextLine(after).value_or("").starts_with("name ")) {
                    const auto name = valueAfter(*nextLine(rest), "name");
                    if (!name || !isEdidName(*name)) {
                        return std::nullopt;
                    }
                    display.name = std::string(*name);
                }
            }
            remembered.displays.push_back(display);
        } else if (const auto silentText = valueAfter(*line, "silent")) {
            const auto hash = parseNumber<std::uint64_t>(*silentText, 16);
            if (!hash) {
                return std::nullopt;
            }
            remembered.silent.push_back(*hash);
        } else {
            return std::nullopt;
        }
    }
    // Only what we write is ours: this also refuses signs, leading zeros, capitals, the wrong
    // header for the records, and whatever follows the last line break.
    if (remembered.displays.empty() || formatRememberedDisplays(remembered) != text) {
        return std::nullopt;
    }
    return remembered;
}

DisplayMemory::DisplayMemory(const char* runtimeDir, std::filesystem::path tmpRoot, uid_t owner)
    : owner_(owner) {
    struct stat status {};
    if (runtimeDir != nullptr && runtimeDir[0] == '/' && ::stat(runtimeDir, &status) == 0 &&
        isPrivateFolder(status, owner)) {
        folder_ = runtimeDir;
        return;
    }
    folder_ = std::move(tmpRoot) / ("velmar-monitor-" + std::to_string(owner));
    fallbackFolder_ = true;
}

// The fallback folder lives where anyone may create files, so it must be a real folder (not a
// link someone planted) that only we can enter.
bool DisplayMemory::folderIsOurs(bool create) const {
    if (folder_.empty()) {
        return false;
    }
    if (!fallbackFolder_) {
        return true;
    }
    if (create && ::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat status {};
    return ::lstat(folder_.c_str(), &status) == 0 && isPrivateFolder(status, owner_);
}

std::optional<RememberedDisplays> DisplayMemory::recall() const {
    if (!folderIsOurs(false)) {
        return std::nullopt;
    }
    const auto file = folder_ / fileName;
    // Not following links, and not waiting on a FIFO someone left in our place.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status {};
    std::string text(maxFileSize + 1, '\0');
    ssize_t count = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == owner_) {
        count = ::read(fd, text.data(), text.size());
    }
    ::close(fd);
    if (count < 0 || static_cast<std::size_t>(count) > maxFileSize) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(count));
    return parseRememberedDisplays(text);
}

void DisplayMemory::remember(const RememberedDisplays& remembered) const {
    if (!folderIsOurs(true)) {
        return;
    }
    const auto file = folder_ / fileName;
    // A name of its own for every writer, so two runs at once never write into one temporary file.
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // created 0600
    if (fd < 0) {
        return;
    }
    const bool written = writeAll(fd, formatRememberedDisplays(remembered));
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
    }
}

void DisplayMemory::forget() const {
    if (folderIsOurs(false)) {
        ::unlink((folder_ / fileName).c_str());
    }
}

} // namespace m1ddc
