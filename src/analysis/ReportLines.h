#pragma once

#include <string_view>

#include "analysis/ReportCounters.h"
#include "analysis/ReportTable.h"
#include "analysis/Reports.h"

namespace brevane {

// The lines of a report from its counter. Each needs at least one counted row and throws
// std::invalid_argument("No hands dealt") otherwise.

// `selectionText` is the selection's display text ("Club", "T", "Qh").
Report BuildReport(const PositionCounter& counter, std::string_view selectionText,
                   std::string_view separator);
// `positionText` is the position's display text ("7").
Report BuildReport(const DeckPosCounter& counter, std::string_view positionText,
                   std::string_view separator);
// The seat and stage lines name the counter's view as the seat and stage lists show it.
Report BuildReport(const HandCategoryCounter& counter, std::string_view separator);

// The lines of any report from its table.
Report BuildReport(const ReportTable& table, std::string_view separator);

}  // namespace brevane
