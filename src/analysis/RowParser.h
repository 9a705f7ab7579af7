#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brevane {

// The characters of a row line without its line end: 52 names and 51 spaces.
inline constexpr std::size_t ExportLineChars = 155;
// The most bytes a well-formed line takes with its line end (CR LF).
inline constexpr std::size_t LongestExportLine = ExportLineChars + 2;

// Parses one line of the export format, without its line end: 52 two-letter card names
// separated by single spaces, each card once. On success writes the 52 card codes to
// row[0..51] and returns the empty text; otherwise returns what is wrong (an unknown name is
// quoted) and the contents of `row` are unspecified.
std::string ParseExportLine(std::string_view line, std::uint8_t* row);

// Reads rows in the export format from a stream. Lines may end in CR LF or LF; the last line
// may lack its line end. Memory use is one fixed buffer, whatever the input's size.
class ExportReader {
  public:
    enum class Status { Row, End, BadLine, ReadFailed };

    static constexpr std::size_t BufferBytes = std::size_t{1} << 20;

    // `name` is the input's name for messages; `file` stays owned by the caller. A line that
    // does not fit in `bufferBytes` together with its line end is a bad line. At most
    // `byteLimit` bytes are read from `file`: the reader then stops as at the file's end.
    ExportReader(std::FILE* file, std::string name, std::size_t bufferBytes = BufferBytes,
                 std::uint64_t byteLimit = ~std::uint64_t{0});
    // Reads the rows of `bytes` in place, as if they were a whole file; `bytes` must outlive the
    // reader.
    ExportReader(std::string_view bytes, std::string name);

    // The next row into row[0..51]. After BadLine or ReadFailed every further call repeats it.
    Status Next(std::uint8_t* row);

    // "NAME:LINE: what is wrong" after BadLine, "NAME: the system's reason" after ReadFailed.
    const std::string& Error() const { return error_; }
    // Lines read so far, the bad one included.
    std::uint64_t LineNumber() const { return line_; }

    // Called with every block of bytes read from the stream from now on, in order, so that a
    // caller can digest or count the input without reading it twice.
    using InputObserver = std::function<void(const char* bytes, std::size_t count)>;
    void ObserveInput(InputObserver observer) { observer_ = std::move(observer); }

  private:
    Status NextSlow(std::uint8_t* row);
    bool Refill();
    Status Fail(Status status, std::string message);

    std::FILE* file_;
    std::string name_;
    std::vector<char> buffer_;
    const char* data_;  // buffer_, or the bytes read in place
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    std::uint64_t bytesLeft_ = ~std::uint64_t{0};  // that may still be read from file_
    Status stuck_ = Status::Row;
    std::uint64_t line_ = 0;
    std::string error_;
    InputObserver observer_;
};

}  // namespace brevane
