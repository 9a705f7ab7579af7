#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace brevane {

// Bytes of an export file handed to one counting thread at once (about 27,000 rows).
inline constexpr std::size_t ExportPieceBytes = std::size_t{4} << 20;

// Cuts an export file into pieces of whole lines, read with pread() into buffers the caller
// owns and reuses: no mapping, so a file that shrinks or grows meanwhile is only read short or
// long, never a fault. The file is read from `start` until a read gives no more bytes, or until
// `length` bytes have been read; its size is never trusted. Each piece begins with the part line
// the last one left over.
class ExportPieceReader {
  public:
    enum class Result {
        Piece,       // a piece was read
        End,         // every byte has been handed out
        Unsuitable,  // a line is longer than any row line can be: left to the one-pass reader
        ReadFailed,  // the system refused a read; ErrorNumber() says why
    };
    // Called before each read with the offset, from `start`, it reads at: a test's hook for
    // changing the file at a known point.
    using ReadHook = std::function<void(std::uint64_t offset)>;

    // No limit to the bytes read: up to where a read gives none.
    static constexpr std::uint64_t Unlimited = ~std::uint64_t{0};

    ExportPieceReader(int fd, std::uint64_t start, ReadHook beforeRead = {},
                      std::uint64_t length = Unlimited);

    // Fills buffer[0..capacity) and gives in `size` the bytes of its whole lines; the file's
    // last line may lack its line end. `capacity` must exceed LongestExportLine and stay the
    // same from call to call.
    Result Next(char* buffer, std::size_t capacity, std::size_t& size);

    // Where the piece Next gave last begins, in bytes from `start`.
    std::uint64_t PieceOffset() const { return pieceOffset_; }
    // The length of the file's first line with its line end, once the first piece was read.
    std::size_t FirstLineBytes() const { return firstLineBytes_; }
    int ErrorNumber() const { return error_; }

  private:
    int fd_;
    std::uint64_t start_;
    ReadHook beforeRead_;
    std::uint64_t length_;
    std::uint64_t readEnd_ = 0;  // bytes read from `start` on
    std::uint64_t pieceOffset_ = 0;
    std::size_t firstLineBytes_ = 0;
    std::string carry_;  // the part line after the last piece
    bool atEnd_ = false;
    int error_ = 0;
};

}  // namespace brevane
