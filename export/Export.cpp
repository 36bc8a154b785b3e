// SPDX-License-Identifier: BSD-3-Clause
#include "export/Export.h"

std::string CheckExport(const ExportRequest&) {
    return "export is not available in this build";
}

ExportSummary RunExport(const ExportRequest& request, const ExportHooks&) {
    ExportSummary summary;
    summary.usageError = CheckExport(request);
    summary.refused = true;
    return summary;
}

std::string ExportSummaryLine(const ExportRequest&, const ExportSummary&) {
    return {};
}
