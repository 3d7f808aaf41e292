// The Night Mode snapshot as read back from the settings file, where anything may have been
// written.
#include "FuzzCheck.h"

#include "controller/NightModeSnapshot.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto snapshot =
        NightModeSnapshot::fromJson(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!snapshot)
        return 0;
    // A snapshot that was read must survive being saved and read again, or the monitor would
    // not get its values back when Night Mode ends.
    const auto again = NightModeSnapshot::fromJson(snapshot->toJson());
    require(again.has_value(), "a snapshot that was read reads again after toJson");
    require(*again == *snapshot, "a snapshot keeps its four values through toJson and fromJson");
    return 0;
}
