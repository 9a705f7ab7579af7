#include "report/ReportTime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace brevane {

namespace {

constexpr std::int64_t LastSecond = 253402300799;  // 9999-12-31 23:59:59 UTC

}  // namespace

std::int64_t ReportWrittenAt() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        const std::string_view text(fixed);
        std::int64_t value = 0;
        bool valid = !text.empty() && text.size() <= 12;
        for (const char c : text) {
            if (c < '0' || c > '9') valid = false;
            value = valid ? value * 10 + (c - '0') : 0;
        }
        if (valid && value <= LastSecond) return value;
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string UtcTimeText(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds at{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss time(at - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d UTC", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

}  // namespace brevane
