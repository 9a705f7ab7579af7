#pragma once

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/CliRunner.h"

namespace brevane::test {

// Makes the locale "de_DE.UTF-8" available to setlocale, in this process and its children:
// compiled into `folder` (and LOCPATH pointed there) when the system has none installed. False
// when that cannot be done.
inline bool MakeGermanLocaleAvailable(const TempDir& folder) {
    const char* german = "de_DE.UTF-8";
    if (std::setlocale(LC_ALL, german)) {
        std::setlocale(LC_ALL, "C");
        return true;
    }
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + folder.File(german) + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", folder.Path().c_str(), 1);
    return true;
}

}  // namespace brevane::test
