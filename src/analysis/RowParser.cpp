#include "analysis/RowParser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

#include "cards/Cards.h"

namespace brevane {

namespace {

constexpr std::size_t LineChars = ExportLineChars;
static_assert(LineChars == 3 * DeckSize - 1);
constexpr std::uint64_t AllCards = ((std::uint64_t{1} << 53) - 1) & ~std::uint64_t{1};

// The two bytes of a name as one 16-bit table index, in the machine's byte order, so that the
// index of a name in a line is a single unaligned load.
constexpr std::uint16_t NameKey(char first, char second) {
    return std::bit_cast<std::uint16_t>(std::array<char, 2>{first, second});
}

inline std::uint16_t KeyAt(const char* p) {
    std::uint16_t key;
    std::memcpy(&key, p, sizeof key);
    return key;
}

inline std::uint64_t WordAt(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Card code of every two-byte name, 0 for anything that is not a card name.
constexpr std::array<std::uint8_t, 65536> NameTable = [] {
    std::array<std::uint8_t, 65536> table{};
    for (CardCode c = 1; c <= DeckSize; ++c) {
        table[NameKey(RankLetter[c], SuitLetter[c])] = static_cast<std::uint8_t>(c);
    }
    return table;
}();

inline std::uint8_t CodeAt(const char* p) {
    return NameTable[KeyAt(p)];
}

// 1 << code: a table lookup is cheaper than a shift by a variable count.
constexpr std::array<std::uint64_t, CardTableSize> CardBit = [] {
    std::array<std::uint64_t, CardTableSize> bits{};
    for (std::size_t c = 0; c < bits.size(); ++c) bits[c] = std::uint64_t{1} << c;
    return bits;
}();

// A line's separators lie at offsets 2, 5, 8, ...: every 24 bytes the same three 8-byte words
// hold spaces under the same masks. Built in the machine's byte order, like NameKey.
struct SpaceWord {
    std::uint64_t mask;
    std::uint64_t spaces;
};

constexpr SpaceWord SpaceWordAt(int first) {
    std::array<char, 8> mask{}, spaces{};
    for (int k = first; k < 8; k += 3) {
        mask[k] = static_cast<char>(0xFF);
        spaces[k] = ' ';
    }
    return {std::bit_cast<std::uint64_t>(mask), std::bit_cast<std::uint64_t>(spaces)};
}

constexpr SpaceWord SpaceWords[3] = {SpaceWordAt(2), SpaceWordAt(0), SpaceWordAt(1)};

// Whether every separator of the 155 bytes at p is a space.
bool SeparatorsAreSpaces(const char* p) {
    std::uint64_t bad = 0;
    for (int chunk = 0; chunk < 6; ++chunk) {
        for (int w = 0; w < 3; ++w) {
            bad |= (WordAt(p + 24 * chunk + 8 * w) & SpaceWords[w].mask) ^ SpaceWords[w].spaces;
        }
    }
    // Bytes 144 to 154: separators at 146, 149 and 152.
    bad |= (WordAt(p + 144) & SpaceWords[0].mask) ^ SpaceWords[0].spaces;
    bad |= static_cast<unsigned char>(p[152]) ^ ' ';
    return bad == 0;
}

// Whether p[0..154] is a well-formed line; fills row as it goes. No branch per card, so the
// common case costs a table lookup and a few bit operations per card.
bool ParseExactLine(const char* p, std::uint8_t* row) {
    std::uint64_t seen = 0;
#pragma GCC unroll 4
    for (std::size_t i = 0; i < DeckSize; ++i) {
        const std::uint8_t code = CodeAt(p + 3 * i);
        row[i] = code;
        seen |= CardBit[code];
    }
    return seen == AllCards && SeparatorsAreSpaces(p);
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
        if (cards < DeckSize) row[cards] = code;
        ++cards;
        i = j;
    }
    if (cards != DeckSize) {
        return "expected 52 cards, found " + std::to_string(cards);
    }
    std::array<bool, CardTableSize> seen{};
    for (std::size_t k = 0; k < DeckSize; ++k) {
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

ExportReader::ExportReader(std::FILE* file, std::string name, std::size_t bufferBytes,
                           std::uint64_t byteLimit)
    : file_(file),
      name_(std::move(name)),
      buffer_(bufferBytes),
      data_(buffer_.data()),
      bytesLeft_(byteLimit) {}

ExportReader::ExportReader(std::string_view bytes, std::string name)
    : file_(nullptr), name_(std::move(name)), data_(bytes.data()), end_(bytes.size()), eof_(true) {}

ExportReader::Status ExportReader::Next(std::uint8_t* row) {
    if (stuck_ != Status::Row) return stuck_;
    const std::size_t available = end_ - pos_;
    if (available > LineChars) {
        const char* p = data_ + pos_;
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
        const char* start = data_ + pos_;
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
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - end_, bytesLeft_));
    const std::size_t got = want == 0 ? 0 : std::fread(buffer_.data() + end_, 1, want, file_);
    if (got != 0 && observer_) observer_(buffer_.data() + end_, got);
    end_ += got;
    bytesLeft_ -= got;
    if (got == 0) {
        if (want != 0 && std::ferror(file_)) {
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
