#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "analysis/ShuffleList.h"
#include "work/WorkProgress.h"

namespace brevane {

// Reads a file in the export format into rows staged behind a list, by the rules of the
// command line's --input: the file is taken whole or not at all.
class ExportFileImport {
  public:
    enum class Status { Read, OpenFailed, BadLine, ReadFailed, TooManyRows };

    // Opens `path`; `name` stands for the file in messages.
    ExportFileImport(const std::string& path, std::string name);

    // False, with a message in Error(), when the file could not be opened.
    bool IsOpen() const { return file_ != nullptr; }
    // The file's size when it is a regular file.
    std::optional<std::uint64_t> Bytes() const { return bytes_; }
    // The most rows a regular file of Bytes() can hold: every row but the last takes a line
    // end besides its 155 characters.
    std::optional<std::uint64_t> MostRows() const;

    // Stages every row of the file in `staged`, stopping at the first bad line, at a read
    // failure, or at a row beyond `maxRows` staged rows (TooManyRows). Read only when the end
    // of the file came with every row good. `progress` counts the bytes read out of Bytes(),
    // and once it is cancelled the reading stops with WorkCancelled. Call it once.
    Status StageRows(ShuffleList::Staging& staged, std::size_t maxRows,
                     WorkProgress* progress = nullptr);

    // After anything but Read: "NAME:LINE: what is wrong" for a bad line, "NAME: the system's
    // reason" when opening or reading failed; empty for TooManyRows.
    const std::string& Error() const { return error_; }

  private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::unique_ptr<std::FILE, Closer> file_;
    std::string name_;
    std::optional<std::uint64_t> bytes_;
    std::string error_;
};

}  // namespace brevane
