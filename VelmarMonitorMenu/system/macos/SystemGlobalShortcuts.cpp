#include "system/GlobalShortcuts.h"

// Not on a Mac yet: the keys are the desktop's to bind to the command line there too.
std::unique_ptr<GlobalShortcuts> makeSystemGlobalShortcuts() {
    return std::make_unique<NoGlobalShortcuts>();
}
