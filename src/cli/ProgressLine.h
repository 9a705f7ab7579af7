#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "work/WorkProgress.h"

namespace brevane::cli {

// The one-line progress display on standard error: units done, rate, and the time left when
// the total is known, e.g. "shuffle: 3,200,000 of 10,000,000 rows  2.91 M rows/s  ETA 0:02".
// A thread of its own redraws it at most ten times a second from `progress`, so the work only
// advances a counter. It shows nothing unless standard error is a terminal and the user did not
// ask for --quiet, and the line is erased when the display stops. Standard output is untouched.
class ProgressLine {
  public:
    ProgressLine(const WorkProgress& progress, std::string_view command, std::string_view unit,
                 bool quiet);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Erases the line and ends the display; the destructor does it too.
    void Stop();
    bool Shown() const { return shown_; }

  private:
    void Run();

    const WorkProgress& progress_;
    std::string command_;
    std::string unit_;
    bool shown_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool drawn_ = false;
    std::thread thread_;
};

// The text of the progress line after `seconds` with `done` of `total` units (total 0: not
// known). When the total is not known but the input's size is, `inputDone` of `inputTotal`
// bytes give the time left. Pure, for the display and its tests.
std::string ProgressText(std::string_view command, std::string_view unit, std::uint64_t done,
                         std::uint64_t total, double seconds, std::uint64_t inputDone = 0,
                         std::uint64_t inputTotal = 0);

// Whether a progress line would be shown: standard error is a terminal.
bool ProgressWanted(bool quiet);

}  // namespace brevane::cli
