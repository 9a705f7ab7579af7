#include "os/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "os/OutputTarget.h"
#include "os/SignalCleanup.h"

namespace brevane {

namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& name) {
    throw std::system_error(error, std::generic_category(), name);
}

}  // namespace

FdWriter::FdWriter(int fd, std::string name, WriteFunction write, std::size_t bufferBytes)
    : fd_(fd),
      name_(std::move(name)),
      write_(write ? write : &::write),
      buffer_(std::make_unique_for_overwrite<char[]>(bufferBytes)),
      capacity_(bufferBytes) {}

void FdWriter::Write(const char* data, std::size_t n) {
    while (n > 0) {
        if (used_ == capacity_) Flush();
        const std::size_t room = capacity_ - used_;
        const std::size_t chunk = n < room ? n : room;
        std::copy(data, data + chunk, buffer_.get() + used_);
        used_ += chunk;
        data += chunk;
        n -= chunk;
    }
}

void FdWriter::Flush() {
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = write_(fd_, buffer_.get() + done, used_ - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            used_ = 0;
            ThrowErrno(error, name_);
        }
        if (n == 0) {
            used_ = 0;
            ThrowErrno(EIO, name_);
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

ReplacingFile::ReplacingFile(const std::string& path, WriteFunction write, PendingNaming naming)
    : name_(path) {
    const OutputTarget target = ResolveOutputTarget(path);
    if (target.error != 0) ThrowErrno(target.error, path);
    if (target.descriptor >= 0) {
        const int flags = fcntl(target.descriptor, F_GETFL);
        // As opening the path would say: a closed descriptor has no entry in /proc.
        if (flags < 0) ThrowErrno(ENOENT, path);
        if ((flags & O_ACCMODE) == O_RDONLY) ThrowErrno(EBADF, path);
        fd_ = target.descriptor;
        ownsFd_ = false;
    } else {
        OpenFile(target.path, naming);
    }
    try {
        out_ = std::make_unique<FdWriter>(fd_, path, write);
    } catch (...) {
        Discard();
        throw;
    }
}

void ReplacingFile::OpenFile(const std::string& target, PendingNaming naming) {
    struct stat info {};
    const bool exists = stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) ThrowErrno(EISDIR, name_);
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe holds no file to keep.
        fd_ = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) ThrowErrno(errno, name_);
        return;
    }
    // The rename would replace even a file the user may not write; refuse what open would.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        ThrowErrno(errno, name_);
    }
    const int error = pending_.Open(target, naming);
    if (error != 0) {
        if (!exists) ThrowErrno(error, name_);
        fd_ = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd_ < 0) ThrowErrno(error, name_);
        return;
    }
    fd_ = pending_.Descriptor();
    replaces_ = true;
    if (exists) {
        // Best effort: keep the old file's owner and permission bits on its replacement.
        [[maybe_unused]] const int owner = fchown(fd_, info.st_uid, info.st_gid);
        [[maybe_unused]] const int mode = fchmod(fd_, info.st_mode & 07777);
    }
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Discard() noexcept {
    if (replaces_) {
        pending_.Discard();
    } else if (ownsFd_ && fd_ >= 0) {
        close(fd_);
    }
    fd_ = -1;
}

void ReplacingFile::Complete() {
    try {
        out_->Flush();
    } catch (...) {
        Discard();
        throw;
    }
    const int fd = fd_;
    fd_ = -1;
    if (replaces_) {
        const int error = pending_.Stage();
        if (error != 0) ThrowErrno(error, name_);
    } else if (ownsFd_ && fd >= 0 && close(fd) != 0) {
        ThrowErrno(errno, name_);
    }
}

int ReplacingFile::Publish(bool keepOld) {
    return replaces_ ? pending_.Publish(keepOld) : 0;
}

void ReplacingFile::Undo() noexcept {
    if (replaces_) pending_.Undo();
}

void ReplacingFile::Commit() {
    ReplacingFile* const self[] = {this};
    CommitTogether(self);
}

void CommitTogether(std::span<ReplacingFile* const> files) {
    std::vector<ReplacingFile*> present;
    for (ReplacingFile* file : files) {
        if (file) present.push_back(file);
    }
    try {
        for (ReplacingFile* file : present) file->Complete();
    } catch (...) {
        for (ReplacingFile* file : present) file->Discard();
        throw;
    }
    const bool keepOld = present.size() > 1;
    const SignalsHeld held;
    for (std::size_t i = 0; i < present.size(); ++i) {
        const int error = present[i]->Publish(keepOld);
        if (error == 0) continue;
        const std::string name = present[i]->name_;
        while (i > 0) present[--i]->Undo();
        for (ReplacingFile* file : present) file->Discard();
        ThrowErrno(error, name);
    }
    // Removes the old files that were kept for the undo.
    for (ReplacingFile* file : present) file->Discard();
}

}  // namespace brevane
