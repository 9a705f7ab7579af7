#include "analysis/ImportRows.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "analysis/RowParser.h"
#include "cards/Cards.h"

namespace brevane {

namespace {

// Rows read between two looks at the progress: about 640 KB of the file.
constexpr std::size_t RowsBetweenReports = 4096;

// Bytes of a well-formed line without its line end, and the least a line end takes.
constexpr std::uint64_t LineChars = 3 * DeckSize - 1;

}  // namespace

ExportFileImport::ExportFileImport(const std::string& path, std::string name)
    : file_(std::fopen(path.c_str(), "rb")), name_(std::move(name)) {
    if (!file_) {
        error_ = name_ + ": " + std::strerror(errno);
        return;
    }
    struct stat info {};
    if (fstat(fileno(file_.get()), &info) == 0 && S_ISREG(info.st_mode))
        bytes_ = static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> ExportFileImport::MostRows() const {
    if (!bytes_) return std::nullopt;
    return (*bytes_ + 1) / (LineChars + 1);
}

ExportFileImport::Status ExportFileImport::StageRows(ShuffleList::Staging& staged,
                                                     std::size_t maxRows, WorkProgress* progress) {
    if (!file_) return Status::OpenFailed;
    if (progress && bytes_) progress->SetTotal(*bytes_);
    ExportReader reader(file_.get(), name_);
    std::uint64_t reported = 0;
    const auto report = [&] {
        if (!progress) return;
        const off_t position = ftello(file_.get());
        if (position > 0 && static_cast<std::uint64_t>(position) > reported) {
            progress->Advance(static_cast<std::uint64_t>(position) - reported);
            reported = static_cast<std::uint64_t>(position);
        }
        progress->ThrowIfCancelled();
    };
    for (std::size_t rows = 0;; ++rows) {
        if (rows % RowsBetweenReports == 0) report();
        switch (reader.Next(staged.Slot())) {
            case ExportReader::Status::Row:
                break;
            case ExportReader::Status::End:
                report();
                return Status::Read;
            case ExportReader::Status::BadLine:
                error_ = reader.Error();
                return Status::BadLine;
            case ExportReader::Status::ReadFailed:
                error_ = reader.Error();
                return Status::ReadFailed;
        }
        if (staged.Count() == maxRows) return Status::TooManyRows;
        staged.Keep();
    }
}

}  // namespace brevane
