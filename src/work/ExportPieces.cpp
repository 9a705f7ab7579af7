#include "work/ExportPieces.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "analysis/RowParser.h"

namespace brevane {

static_assert(ExportPieceBytes > LongestExportLine);

ExportPieceReader::ExportPieceReader(int fd, std::uint64_t start, ReadHook beforeRead,
                                     std::uint64_t length)
    : fd_(fd), start_(start), beforeRead_(std::move(beforeRead)), length_(length) {}

ExportPieceReader::Result ExportPieceReader::Next(char* buffer, std::size_t capacity,
                                                  std::size_t& size) {
    size = 0;
    pieceOffset_ = readEnd_ - carry_.size();
    std::size_t filled = carry_.size();
    std::memcpy(buffer, carry_.data(), filled);
    carry_.clear();
    // A read may give fewer bytes than asked without being at the end; only a read that gives
    // none is.
    while (filled < capacity && !atEnd_) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(capacity - filled, length_ - readEnd_));
        if (want == 0) {
            atEnd_ = true;
            break;
        }
        if (beforeRead_) beforeRead_(readEnd_);
        const ssize_t got =
            pread(fd_, buffer + filled, want, static_cast<off_t>(start_ + readEnd_));
        if (got < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return Result::ReadFailed;
        }
        if (got == 0) atEnd_ = true;
        filled += static_cast<std::size_t>(got);
        readEnd_ += static_cast<std::uint64_t>(got);
    }
    if (filled == 0) return Result::End;
    // No valid line is longer than LongestExportLine, so a line end is looked for there only:
    // a file of one endless line is refused after one piece, not scanned whole.
    const std::size_t firstSpan = std::min(filled, LongestExportLine);
    if (firstLineBytes_ == 0) {
        const auto* end = static_cast<const char*>(std::memchr(buffer, '\n', firstSpan));
        if (!end && !(atEnd_ && filled <= LongestExportLine)) return Result::Unsuitable;
        firstLineBytes_ = end ? static_cast<std::size_t>(end - buffer) + 1 : filled;
    }
    if (atEnd_) {
        size = filled;
        return Result::Piece;
    }
    const char* tail = buffer + filled - firstSpan;
    const auto* lastEnd = static_cast<const char*>(memrchr(tail, '\n', firstSpan));
    if (!lastEnd) return Result::Unsuitable;
    size = static_cast<std::size_t>(lastEnd - buffer) + 1;
    carry_.assign(buffer + size, filled - size);
    return Result::Piece;
}

}  // namespace brevane
