#pragma once

#include <signal.h>

#include <string>

namespace brevane {

// Makes SIGINT, SIGTERM, SIGHUP and SIGXFSZ remove every watched temporary file before the
// process ends by the same signal. A signal that is not at its default action (ignored, or handled
// by someone else) is left alone. Each program's main() calls this once, before any output.
void RemoveTemporaryFilesOnSignals();

// Watches the file at `path` until Unwatch is called with the number returned; -1 when every
// slot is taken or the path is too long, and the file is then not watched.
int WatchTemporaryFile(const std::string& path);
void UnwatchTemporaryFile(int slot);

// Holds back those signals in the calling thread for its lifetime, so that a step made of
// several calls (create a name, then watch it) is not cut in the middle.
class SignalsHeld {
  public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace brevane
