#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

namespace brevane {

// The call that hands bytes to a file descriptor, as ::write does (may write fewer bytes, sets
// errno on failure). Replaceable so tests can make a write fail part-way.
using WriteFunction = ssize_t (*)(int fd, const void* data, std::size_t size);

// A buffered writer over an open file descriptor it does not own. Every failure throws
// std::system_error carrying errno and `name` (what() reads "<name>: <system text>").
class FdWriter {
  public:
    static constexpr std::size_t DefaultBufferBytes = std::size_t{1} << 20;

    FdWriter(int fd, std::string name, WriteFunction write = nullptr,
             std::size_t bufferBytes = DefaultBufferBytes);
    FdWriter(const FdWriter&) = delete;
    FdWriter& operator=(const FdWriter&) = delete;

    // Room for n bytes (n <= the buffer size) at the end of the output; the caller fills all n.
    char* Claim(std::size_t n) {
        if (used_ + n > capacity_) Flush();
        char* at = buffer_.get() + used_;
        used_ += n;
        return at;
    }
    void Write(const char* data, std::size_t n);
    // Hands every buffered byte to the descriptor.
    void Flush();

  private:
    int fd_;
    std::string name_;
    WriteFunction write_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
};

// A file written under a temporary name in the target's folder and renamed over the target by
// Commit(). Until Commit() succeeds the target is untouched; a failure, or destruction without
// Commit(), removes the temporary file. A replaced target keeps its permission bits; a new one
// gets 0644 less the umask. A symbolic link as target is followed, so the link stays. A target
// that is a device or a pipe (/dev/null, a FIFO) is written in place.
class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& path, WriteFunction write = nullptr);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    FdWriter& Out() { return *out_; }
    void Commit();

  private:
    void Discard() noexcept;

    std::string name_;    // the path as given, used in error texts
    std::string target_;  // the file replaced: the path with a symbolic link followed
    std::string tempPath_;
    int fd_ = -1;
    std::unique_ptr<FdWriter> out_;
};

}  // namespace brevane
