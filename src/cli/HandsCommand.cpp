#include <cstdio>

#include "cli/Commands.h"

namespace brevane::cli {

// Placeholder until the command lands.
int RunHandsCommand(Args) {
    std::fputs("brevane-cli: not available yet\n", stderr);
    return ExitFailure;
}

}  // namespace brevane::cli
