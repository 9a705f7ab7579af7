#pragma once

#include <memory>
#include <string>

#include "cli/AnalysisOptions.h"
#include "os/OutputFile.h"
#include "stats/CountsFile.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

// The file of --save-counts, when given: opened at once, so that an unwritable one fails before
// any row is read, and put in place of the target only once complete and once the command's
// own output has been written, so that a command that fails leaves no counts file.
class CountsOutput {
  public:
    explicit CountsOutput(const AnalysisOptions& options);

    bool Wanted() const { return file_ != nullptr; }
    // Writes every count with the program and the rows' source, once every row has been read,
    // and readies the file to take the target's place.
    void Write(const ShuffleCounts& counts, const AnalysisOptions& options, RowSource& source);
    // The written file, for committing together with other outputs; null when nothing was
    // written.
    ReplacingFile* Written() const { return written_ ? file_.get() : nullptr; }
    // Puts the written file in place; nothing when nothing was written.
    void Commit();

  private:
    std::unique_ptr<ReplacingFile> file_;
    bool written_ = false;
};

// The counts file at `path` ("-": standard input). Throws CountsFileError, also when the file
// cannot be read.
SavedCounts LoadCountsFile(const std::string& path);

}  // namespace brevane::cli
