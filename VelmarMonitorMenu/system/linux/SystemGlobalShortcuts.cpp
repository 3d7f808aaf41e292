#include "system/GlobalShortcuts.h"

// Which of the desktop's ways to keys this session offers is decided here; the grabber and the
// portal client come in their own files.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts() {
    return std::make_unique<NoGlobalShortcuts>();
}
