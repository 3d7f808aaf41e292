#pragma once

#include "Monitor.h"

#include <ddcutil_c_api.h>

#include <variant>

namespace m1ddc {

/// The libddcutil entry points the hardware backend uses, loaded at run time.
///
/// libddcutil initialises itself as it loads (reads its configuration, scans sysfs, and on some
/// systems reports on stdout). Loading it only when a real display is wanted keeps simulated runs
/// fast and keeps our standard output to the value alone.
struct LibDdcutil {
    decltype(&ddca_get_display_info_list2) getDisplayInfoList2;
    decltype(&ddca_free_display_info_list) freeDisplayInfoList;
    decltype(&ddca_open_display2) openDisplay2;
    decltype(&ddca_close_display) closeDisplay;
    decltype(&ddca_get_non_table_vcp_value) getNonTableVcpValue;
    decltype(&ddca_set_non_table_vcp_value) setNonTableVcpValue;
    decltype(&ddca_rc_desc) rcDesc;
    decltype(&ddca_get_error_detail) getErrorDetail;
    decltype(&ddca_free_error_detail) freeErrorDetail;
    decltype(&ddca_set_fout) setFout;
    decltype(&ddca_set_ferr) setFerr;
    decltype(&ddca_enable_report_ddc_errors) enableReportDdcErrors;

    /// Loads the library once per process; later calls give the same result.
    static std::variant<const LibDdcutil*, Failure> load();
};

} // namespace m1ddc
