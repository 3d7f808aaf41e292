#pragma once

#include <QString>

// The words for where the helper should be: it lives in the installation on Linux and in the app
// bundle on a Mac, one file per platform.
namespace HelperWording {
/// The helper is not where the program looks for it.
QString helperMissing();
} // namespace HelperWording
