#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "os/OutputFile.h"

namespace brevane::cli {

// Holds output until the input has been read to its end, so that nothing reaches standard
// output when a later input line turns out bad. Up to MemoryBytes stay in memory; beyond that
// the text goes to an unnamed file in the scratch folder (TMPDIR, else /tmp), which the system
// removes when it is closed.
class OutputSpool {
  public:
    static constexpr std::size_t MemoryBytes = std::size_t{8} << 20;

    OutputSpool() = default;
    OutputSpool(const OutputSpool&) = delete;
    OutputSpool& operator=(const OutputSpool&) = delete;
    ~OutputSpool();

    // False when the temporary file cannot be made or written.
    bool Write(std::string_view text);
    // Copies everything held to `out`, whose failures throw; false when the spool cannot be
    // read back.
    bool CopyTo(FdWriter& out);
    // After a false from Write or CopyTo: "temporary file in FOLDER: the system's reason".
    std::string Error() const;

  private:
    std::string memory_;
    std::FILE* spill_ = nullptr;
    std::string folder_;
    int error_ = 0;
};

}  // namespace brevane::cli
