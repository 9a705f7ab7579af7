#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace brevane::cli {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);

// 1234567 -> "1,234,567".
std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, 1, ',');
    return digits;
}

// A rate with three significant digits and a k/M/G prefix: "2.91 M".
std::string Rate(double perSecond) {
    static constexpr const char* prefixes[] = {"", " k", " M", " G", " T"};
    int k = 0;
    while (perSecond >= 1000 && k < 4) {
        perSecond /= 1000;
        ++k;
    }
    char text[32];
    const int decimals = perSecond >= 100 ? 0 : perSecond >= 10 ? 1 : 2;
    std::snprintf(text, sizeof text, "%.*f%s", decimals, perSecond, prefixes[k]);
    return text;
}

// Seconds as "m:ss", or "h:mm:ss" from an hour on.
std::string Clock(double seconds) {
    const auto total = static_cast<std::uint64_t>(std::llround(std::max(0.0, seconds)));
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(total / 3600),
                      static_cast<unsigned long long>(total / 60 % 60),
                      static_cast<unsigned long long>(total % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(total / 60),
                      static_cast<unsigned long long>(total % 60));
    }
    return text;
}

}  // namespace

std::string ProgressText(std::string_view command, std::string_view unit, std::uint64_t done,
                         std::uint64_t total, double seconds, std::uint64_t inputDone,
                         std::uint64_t inputTotal) {
    std::string text(command);
    text += ": ";
    text += Grouped(done);
    if (total != 0) {
        text += " of ";
        text += Grouped(total);
    }
    text += ' ';
    text += unit;
    if (seconds > 0 && done > 0) {
        const double rate = static_cast<double>(done) / seconds;
        text += "  ";
        text += Rate(rate);
        text += ' ';
        text += unit;
        text += "/s";
        if (total != 0 && done <= total) {
            text += "  ETA ";
            text += Clock(static_cast<double>(total - done) / rate);
        } else if (total == 0 && inputDone > 0 && inputDone <= inputTotal) {
            const double byteRate = static_cast<double>(inputDone) / seconds;
            text += "  ETA ";
            text += Clock(static_cast<double>(inputTotal - inputDone) / byteRate);
        }
    }
    return text;
}

bool ProgressWanted(bool quiet) {
    return !quiet && isatty(STDERR_FILENO) == 1;
}

ProgressLine::ProgressLine(const WorkProgress& progress, std::string_view command,
                           std::string_view unit, bool quiet)
    : progress_(progress),
      command_(command),
      unit_(unit),
      shown_(ProgressWanted(quiet)),
      start_(std::chrono::steady_clock::now()) {
    if (shown_) thread_ = std::thread([this] { Run(); });
}

ProgressLine::~ProgressLine() {
    Stop();
}

void ProgressLine::Stop() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ProgressLine::Run() {
    std::unique_lock lock(mutex_);
    // The first drawing waits one interval, so that short work shows nothing at all.
    while (!wake_.wait_for(lock, RedrawInterval, [this] { return stopping_; })) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
        const std::string text =
            ProgressText(command_, unit_, progress_.Done(), progress_.Total(), elapsed.count(),
                         progress_.InputBytesDone(), progress_.InputBytes());
        // Carriage return, the text, then clear what a longer earlier text left.
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
        drawn_ = true;
    }
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

}  // namespace brevane::cli
