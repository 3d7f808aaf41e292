#pragma once

#include "Failure.h"

#include <ddcutil_c_api.h>

#include <variant>

namespace m1ddc {

/// The libddcutil entry points detection uses, loaded at run time.
///
/// libddcutil initialises itself as it loads (reads its configuration, scans sysfs, and on some
/// systems reports on stdout). Loading it only when a detection is needed keeps simulated runs and
/// runs on a remembered display fast, and keeps our standard output to the value alone.
struct LibDdcutil {
    decltype(&ddca_get_display_info_list2) getDisplayInfoList2;
    decltype(&ddca_free_display_info_list) freeDisplayInfoList;
    decltype(&ddca_set_fout) setFout;
    decltype(&ddca_set_ferr) setFerr;
    decltype(&ddca_enable_report_ddc_errors) enableReportDdcErrors;

    /// Loads the library once per process; later calls give the same result.
    static std::variant<const LibDdcutil*, Failure> load();
};

} // namespace m1ddc
