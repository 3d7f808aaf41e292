#pragma once

#include "Attribute.h"
#include "Failure.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace m1ddc {

/// Which monitor a command is for: empty for the default one, else what followed `display` on the
/// command line, an id from `display list` or a position in it.
using DisplayTarget = std::string;

/// One monitor of `display list`.
struct ListedDisplay {
    std::uint64_t id = 0;
    std::string name;
    /// The id helpers printed before ids named the monitor alone (made from its whole EDID, or for
    /// a simulated monitor its name and serial as one text), which the app stored settings under;
    /// the id itself when the two agree.
    std::uint64_t formerId = 0;
};

/// Every monitor there is, the default one first, or why they could not be found.
using Listing = std::variant<std::vector<ListedDisplay>, Failure>;

/// The external monitors the helper reaches through one backend. Which monitor a target names is
/// worked out on each use, so a monitor that is not there is reported by the use.
class Displays {
public:
    virtual ~Displays() = default;

    /// Every monitor that answers; none is an empty list, not a failure.
    virtual Listing list() = 0;

    /// The attribute's current value: the percentage for the six adjustable values, the input code
    /// for `input` and `inputAlt`.
    virtual ReadOutcome read(const DisplayTarget& target, Attribute attribute) = 0;

    /// Sets a percentage attribute, or switches input through `input` (a standard input code) or
    /// `inputAlt` (a vendor input code).
    virtual WriteOutcome write(const DisplayTarget& target, Attribute attribute, int value) = 0;

    /// The monitor's DDC/CI capabilities string, as it sent it.
    virtual std::variant<std::string, Failure> capabilities(const DisplayTarget& target) = 0;
};

/// What tells a display from the others: the hash of what names it (see monitorHash), and where it
/// is, which alone tells identical monitors apart.
struct DisplayIdentity {
    std::uint64_t hash = 0;
    int place = 0; ///< its bus, or its position among the simulated monitors
};

/// The ids of displays, in their order. An id is the display's hash; among displays of one hash,
/// all but the one in the lowest place have their ordinal among them (by place) mixed in.
std::vector<std::uint64_t> displayIds(std::span<const DisplayIdentity> displays);

/// An id as `display list` prints it and `display <id>` takes it: 16 lower-case hex digits.
std::string formatDisplayId(std::uint64_t id);

/// Whether `text` could name a display: an id, or a position in the list from 1.
bool isDisplayTarget(std::string_view text);

/// Which of the displays with these ids (in list order) `target` names: the first one for the
/// default; nothing when none is there.
std::optional<std::size_t> findDisplay(const DisplayTarget& target, std::span<const std::uint64_t> ids);

/// Why a command for a display that is not there failed.
Failure noDisplayWithId(std::string_view target);

} // namespace m1ddc
