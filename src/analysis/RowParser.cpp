#include "analysis/RowParser.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "cards/Cards.h"

namespace brevane {

namespace {

constexpr std::size_t CardsPerLine = 52;
constexpr std::size_t LineChars = 3 * CardsPerLine - 1;  // 155
constexpr std::uint64_t AllCards = ((std::uint64_t{1} << 53) - 1) & ~std::uint64_t{1};

constexpr unsigned NameKey(unsigned char first, unsigned char second) {
    return first | static_cast<unsigned>(second) << 8;
}

// Card code of every two-byte name, 0 for anything that is not a card name.
constexpr std::array<std::uint8_t, 65536> NameTable = [] {
    std::array<std::uint8_t, 65536> table{};
    for (CardCode c = 1; c <= DeckSize; ++c) {
        table[NameKey(static_cast<unsigned char>(RankLetter[c]),
                      static_cast<unsigned char>(SuitLetter[c]))] = static_cast<std::uint8_t>(c);
    }
    return table;
}();

inline std::uint8_t CodeAt(const char* p) {
    return NameTable[NameKey(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]))];
}

// Whether p[0..154] is a well-formed line; fills row as it goes. No branch per card, so the
// common case costs a table lookup and a few bit operations per card.
bool ParseExactLine(const char* p, std::uint8_t* row) {
    std::uint64_t seen = 0;
    unsigned badSeparator = 0;
    for (std::size_t i = 0; i < CardsPerLine; ++i) {
        const std::uint8_t code = CodeAt(p + 3 * i);
        row[i] = code;
        seen |= std::uint64_t{1} << code;
        if (i + 1 < CardsPerLine) badSeparator |= static_cast<unsigned char>(p[3 * i + 2]) ^ ' ';
    }
    return badSeparator == 0 && seen == AllCards;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The token in double quotes, non-printable bytes as \xNN, long tokens cut short.
std::string Quote(std::string_view token) {
    constexpr std::size_t maxShown = 20;
    std::string text = "\"";
    for (std::size_t i = 0; i < token.size() && i < maxShown; ++i) {
        const auto c = static_cast<unsigned char>(token[i]);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            static constexpr char hex[] = "0123456789abcdef";
            text += "\\x";
            text += hex[c >> 4];
            text += hex[c & 15];
        } else {
            text += static_cast<char>(c);
        }
    }
    if (token.size() > maxShown) text += "...";
    return text + "\"";
}

}  // namespace

std::string ParseExportLine(std::string_view line, std::uint8_t* row) {
    if (line.empty()) return "empty line (expected 52 cards)";
    std::size_t cards = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < line.size() && !IsBlank(line[j])) ++j;
        const std::string_view token = line.substr(i, j - i);
        const std::uint8_t code = token.size() == 2 ? CodeAt(token.data()) : 0;
        if (code == 0) return "unknown card name " + Quote(token);
        if (cards < CardsPerLine) row[cards] = code;
        ++cards;
        i = j;
    }
    if (cards != CardsPerLine) {
        return "expected 52 cards, found " + std::to_string(cards);
    }
    std::array<bool, CardTableSize> seen{};
    for (std::size_t k = 0; k < CardsPerLine; ++k) {
        if (seen[row[k]]) return "card " + CardName(row[k]) + " appears twice";
        seen[row[k]] = true;
    }
    bool singleSpaces = line.size() == LineChars;
    for (std::size_t k = 2; singleSpaces && k < LineChars; k += 3) singleSpaces = line[k] == ' ';
    if (!singleSpaces) {
        return "cards must be separated by single spaces, with none at the start or end of the "
               "line";
    }
    return {};
}

ExportReader::ExportReader(std::FILE* file, std::string name)
    : file_(file), name_(std::move(name)), buffer_(BufferBytes) {}

ExportReader::Status ExportReader::Next(std::uint8_t* row) {
    if (stuck_ != Status::Row) return stuck_;
    const std::size_t available = end_ - pos_;
    if (available > LineChars) {
        const char* p = buffer_.data() + pos_;
        std::size_t length = 0;
        if (p[LineChars] == '\n') {
            length = LineChars + 1;
        } else if (available > LineChars + 1 && p[LineChars] == '\r' && p[LineChars + 1] == '\n') {
            length = LineChars + 2;
        }
        if (length != 0 && ParseExactLine(p, row)) {
            pos_ += length;
            ++line_;
            return Status::Row;
        }
    }
    return NextSlow(row);
}

ExportReader::Status ExportReader::NextSlow(std::uint8_t* row) {
    std::string_view line;
    for (;;) {
        const char* start = buffer_.data() + pos_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
        if (newline) {
            line = std::string_view(start, static_cast<std::size_t>(newline - start));
            pos_ += line.size() + 1;
            break;
        }
        if (eof_) {
            if (pos_ == end_) return Status::End;
            line = std::string_view(start, end_ - pos_);
            pos_ = end_;
            break;
        }
        if (pos_ == 0 && end_ == buffer_.size()) {
            ++line_;
            return Fail(Status::BadLine, "line too long (expected 52 cards)");
        }
        if (!Refill()) return Fail(Status::ReadFailed, std::strerror(errno));
    }
    ++line_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string problem = ParseExportLine(line, row);
    if (!problem.empty()) return Fail(Status::BadLine, std::move(problem));
    return Status::Row;
}

// Moves the unread bytes to the front and reads more behind them. False on a read error.
bool ExportReader::Refill() {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    errno = 0;
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    end_ += got;
    if (got == 0) {
        if (std::ferror(file_)) {
            if (errno == 0) errno = EIO;
            return false;
        }
        eof_ = true;
    }
    return true;
}

ExportReader::Status ExportReader::Fail(Status status, std::string message) {
    stuck_ = status;
    error_ = status == Status::BadLine ? name_ + ":" + std::to_string(line_) + ": " + message
                                       : name_ + ": " + message;
    return status;
}

}  // namespace brevane
