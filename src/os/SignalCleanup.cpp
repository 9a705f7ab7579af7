#include "os/SignalCleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstring>

namespace brevane {

namespace {

// SIGXFSZ ends a process that writes past its file size limit (ulimit -f) in the middle of an
// output, as an interrupt would.
constexpr int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// A fixed table, because the signal handler may neither allocate nor take a lock. A slot is
// claimed by its owner, filled, then armed; the handler reads armed slots only.
struct Slot {
    std::atomic<bool> claimed{false};
    std::atomic<bool> armed{false};
    char path[PATH_MAX];
};

// Constant-initialised, so it exists before any handler can run.
std::array<Slot, 16> slots;

void RemoveAndRaise(int signal) {
    for (Slot& slot : slots) {
        if (slot.armed.load()) unlink(slot.path);
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
}

sigset_t CleanupSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : CleanupSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    for (const int signal : CleanupSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = &RemoveAndRaise;
        action.sa_flags = SA_RESTART;
        action.sa_mask = CleanupSignalSet();
        sigaction(signal, &action, nullptr);
    }
}

int WatchTemporaryFile(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        bool expected = false;
        if (!slots[k].claimed.compare_exchange_strong(expected, true)) continue;
        std::memcpy(slots[k].path, path.c_str(), path.size() + 1);
        slots[k].armed.store(true);
        return static_cast<int>(k);
    }
    return -1;
}

void UnwatchTemporaryFile(int slot) {
    if (slot < 0) return;
    Slot& s = slots[static_cast<std::size_t>(slot)];
    s.armed.store(false);
    s.claimed.store(false);
}

SignalsHeld::SignalsHeld() {
    const sigset_t set = CleanupSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalsHeld::~SignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace brevane
