#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <span>
#include <string>

#include "os/PendingFile.h"

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

// Output to a path that replaces the file there only once it is complete. The text goes to a
// pending file in the target's folder (unnamed where the system allows it) that is renamed
// over the target by Commit(). Until Commit() succeeds the target is untouched; a failure, or
// destruction without Commit(), removes the pending file.
//
// - A replaced file keeps its owner and permission bits; a new one gets 0644 less the umask.
// - A target this process could not open for writing (a read-only file for a user who is not
//   root, an immutable file) is refused with the error that open would give.
// - Symbolic links are followed, a dangling last one included, so the link stays.
// - A path naming a descriptor the process holds (/dev/stdout, /dev/fd/N) is written through
//   that descriptor, at its position and with its flags, as a shell redirection set it up.
// - A device or a pipe (/dev/null, a FIFO) is opened and written in place.
// - When no new file can be made in the folder (an immutable folder, say) but the target can
//   be written, the target is truncated and written in place instead.
class ReplacingFile {
  public:
    explicit ReplacingFile(const std::string& path, WriteFunction write = nullptr,
                           PendingNaming naming = PendingNaming::UnnamedWherePossible);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    FdWriter& Out() { return *out_; }
    // Hands every byte to the file and readies it to take the target's place; what is
    // written in place is then written. A failure discards the file and throws.
    void Complete();
    // Complete(), then the file takes the target's place.
    void Commit();

  private:
    friend void CommitTogether(std::span<ReplacingFile* const> files);

    void OpenFile(const std::string& target, PendingNaming naming);
    // Puts the completed file in place; see PendingFile::Publish. 0, or the errno.
    int Publish(bool keepOld);
    void Undo() noexcept;
    void Discard() noexcept;

    std::string name_;  // the path as given, used in error texts
    PendingFile pending_;
    bool replaces_ = false;  // the text goes to pending_, not to the target in place
    int fd_ = -1;            // where the writer writes
    bool ownsFd_ = true;     // false for a descriptor the process held already
    std::unique_ptr<FdWriter> out_;
};

// Commits several files (null entries are skipped) so that either all take their targets'
// places or none does: each is written out in full before any is put in place, and when
// putting one in place fails, those put in place before it get their old files back. Signals
// are held meanwhile. Files written in place (descriptors, devices) cannot be taken back.
// A failure discards every file and throws std::system_error naming the one that failed.
void CommitTogether(std::span<ReplacingFile* const> files);

}  // namespace brevane
