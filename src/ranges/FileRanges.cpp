#include "ranges/FileRanges.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "random/SHA256.h"

namespace brevane {

namespace {

constexpr std::size_t ScanBytes = std::size_t{64} << 10;
constexpr std::size_t DigestBytes = std::size_t{1} << 20;

// pread until `count` bytes or the file's end; the bytes read, or -1 with errno set.
ssize_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t at) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, buffer + done, count - done, static_cast<off_t>(at + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

std::uint64_t WeightedCut(std::uint64_t size, std::uint64_t part, std::uint64_t parts,
                          std::uint64_t firstPerMille) {
    if (part == 0 || parts == 0) return 0;
    if (part >= parts) return size;
    using Wide = unsigned __int128;
    const Wide before = Wide{firstPerMille} + Wide{1000} * (part - 1);
    const Wide whole = Wide{firstPerMille} + Wide{1000} * (parts - 1);
    if (whole == 0) return 0;
    return static_cast<std::uint64_t>(Wide{size} * before / whole);
}

std::optional<std::uint64_t> NextLineStart(int fd, std::uint64_t at, std::uint64_t size,
                                           int& error) {
    error = 0;
    if (at == 0) return 0;
    if (at >= size) return size;
    // The byte before `at` decides whether a line begins there.
    std::uint64_t from = at - 1;
    std::vector<char> buffer(ScanBytes);
    while (from < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - from));
        const ssize_t got = ReadAt(fd, buffer.data(), want, from);
        if (got < 0) {
            error = errno;
            return std::nullopt;
        }
        if (got == 0) return size;
        const auto* end = static_cast<const char*>(
            std::memchr(buffer.data(), '\n', static_cast<std::size_t>(got)));
        if (end) return from + static_cast<std::uint64_t>(end - buffer.data()) + 1;
        from += static_cast<std::uint64_t>(got);
    }
    return size;
}

std::optional<std::uint64_t> FirstLineBytes(int fd, std::uint64_t within, int& error) {
    error = 0;
    std::vector<char> buffer(static_cast<std::size_t>(within));
    const ssize_t got = ReadAt(fd, buffer.data(), buffer.size(), 0);
    if (got < 0) {
        error = errno;
        return std::nullopt;
    }
    const auto* end =
        static_cast<const char*>(std::memchr(buffer.data(), '\n', static_cast<std::size_t>(got)));
    return end ? static_cast<std::uint64_t>(end - buffer.data()) + 1 : 0;
}

std::optional<std::string> FileSha256Hex(int fd, const std::atomic<bool>* stop, int& error) {
    error = 0;
    TSHAObject digest;
    std::vector<char> buffer(DigestBytes);
    std::uint64_t at = 0;
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) return std::nullopt;
        const ssize_t got = ReadAt(fd, buffer.data(), buffer.size(), at);
        if (got < 0) {
            error = errno;
            return std::nullopt;
        }
        if (got == 0) break;
        digest.HashBuffer(buffer.data(), static_cast<std::int32_t>(got));
        at += static_cast<std::uint64_t>(got);
    }
    digest.FinalizeHash();
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest.Hash) {
        hex.push_back(Digits[byte >> 4]);
        hex.push_back(Digits[byte & 15]);
    }
    return hex;
}

}  // namespace brevane
