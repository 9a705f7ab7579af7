#pragma once

#include <string>

#include "support/CliRunner.h"

namespace brevane::test {

// Runs `script` with /bin/sh -c as RunShell does, but with standard error on a pseudo-terminal
// (in raw mode, so the bytes arrive as written) and standard input empty. `err` holds every
// byte the script wrote to the terminal, `out` its standard output.
CliResult RunShellOnTerminal(const std::string& script);

}  // namespace brevane::test
