#pragma once

#include <atomic>
#include <cstdint>
#include <exception>

namespace brevane {

// Thrown by work that stopped because its caller asked it to.
class WorkCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "Cancelled"; }
};

// How far a long piece of work has come, and whether it should stop: written by the threads
// doing the work, read and cancelled from another thread (the window's, or a progress line's).
// Units are the work's own (rows, bytes); the total is 0 while unknown.
class WorkProgress {
  public:
    explicit WorkProgress(std::uint64_t total = 0) : total_(total) {}
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    void SetTotal(std::uint64_t total) { total_.store(total, std::memory_order_relaxed); }
    std::uint64_t Total() const { return total_.load(std::memory_order_relaxed); }
    std::uint64_t Done() const { return done_.load(std::memory_order_relaxed); }
    void Advance(std::uint64_t units) { done_.fetch_add(units, std::memory_order_relaxed); }

    // Bytes of input behind the units, for an estimate of the time left when the units' total
    // is not known (rows read from a file of known size); 0 while unknown.
    void SetInputBytes(std::uint64_t total) { inputTotal_.store(total, std::memory_order_relaxed); }
    std::uint64_t InputBytes() const { return inputTotal_.load(std::memory_order_relaxed); }
    std::uint64_t InputBytesDone() const { return inputDone_.load(std::memory_order_relaxed); }
    void SetInputBytesDone(std::uint64_t bytes) {
        inputDone_.store(bytes, std::memory_order_relaxed);
    }

    // Back to nothing done, for work that was given up and begins again.
    void Restart() {
        done_.store(0, std::memory_order_relaxed);
        inputDone_.store(0, std::memory_order_relaxed);
    }

    void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const { return cancelled_.load(std::memory_order_relaxed); }
    // Throws WorkCancelled once Cancel() was called.
    void ThrowIfCancelled() const {
        if (CancelRequested()) throw WorkCancelled();
    }

  private:
    std::atomic<std::uint64_t> total_;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> inputTotal_{0};
    std::atomic<std::uint64_t> inputDone_{0};
    std::atomic<bool> cancelled_{false};
};

// Whether `error` holds a WorkCancelled.
inline bool IsCancellation(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const WorkCancelled&) {
        return true;
    } catch (...) {
        return false;
    }
}

// Advances `progress` by `units` and throws WorkCancelled when it was cancelled; no-op for null.
inline void ReportProgress(WorkProgress* progress, std::uint64_t units) {
    if (progress == nullptr) return;
    progress->Advance(units);
    progress->ThrowIfCancelled();
}

}  // namespace brevane
