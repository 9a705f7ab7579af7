#pragma once

#include <cstdint>
#include <string>

namespace brevane {

// When a report is written, in seconds since 1970-01-01 UTC: the value of SOURCE_DATE_EPOCH
// when it holds a whole number of seconds from 0 to 253402300799 (the end of year 9999), so that
// a report can be made again byte for byte; otherwise the system clock.
std::int64_t ReportWrittenAt();

// "2026-12-10 14:05:09 UTC" for `seconds` since 1970 (0 to 253402300799).
std::string UtcTimeText(std::int64_t seconds);

}  // namespace brevane
