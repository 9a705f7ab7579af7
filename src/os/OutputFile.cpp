#include "os/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace brevane {

namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& name) {
    throw std::system_error(error, std::generic_category(), name);
}

// Follows a symbolic link so that the file it names is replaced, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::error_code error;
    const auto resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved.string();
}

// Opens a new file ".<name>.<random>" beside `target` with mode 0644 (the umask applies).
int CreateTemporary(const std::string& target, const std::string& name, std::string& tempPath) {
    const std::filesystem::path targetPath(target);
    const std::string folder =
        targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    const std::string base = targetPath.filename().string().substr(0, 200);
    std::minstd_rand pick(
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                   (static_cast<std::uint32_t>(getpid()) << 16)));
    constexpr const char* Letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'x');
        for (char& c : suffix) c = Letters[pick() % 62];
        tempPath = folder + "/." + base + "." + suffix;
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return fd;
        if (errno != EEXIST) ThrowErrno(errno, name);
    }
    ThrowErrno(EEXIST, name);
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

ReplacingFile::ReplacingFile(const std::string& path, WriteFunction write)
    : name_(path), target_(ResolveTarget(path)) {
    struct stat info {};
    const bool exists = stat(target_.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) ThrowErrno(EISDIR, path);
    if (exists && !S_ISREG(info.st_mode)) {
        // A device or a pipe holds no file to keep: write to it in place rather than renaming
        // a new file over it.
        fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) ThrowErrno(errno, path);
    } else {
        fd_ = CreateTemporary(target_, name_, tempPath_);
    }
    if (exists && S_ISREG(info.st_mode)) {
        // Best effort: keep the old file's owner and permission bits on its replacement.
        [[maybe_unused]] const int owner = fchown(fd_, info.st_uid, info.st_gid);
        [[maybe_unused]] const int mode = fchmod(fd_, info.st_mode & 07777);
    }
    try {
        out_ = std::make_unique<FdWriter>(fd_, path, write);
    } catch (...) {
        Discard();
        throw;
    }
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Discard() noexcept {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) unlink(tempPath_.c_str());
    tempPath_.clear();
}

void ReplacingFile::Commit() {
    try {
        out_->Flush();
    } catch (...) {
        Discard();
        throw;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        const int error = errno;
        Discard();
        ThrowErrno(error, name_);
    }
    if (!tempPath_.empty() && rename(tempPath_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Discard();
        ThrowErrno(error, name_);
    }
    tempPath_.clear();
}

}  // namespace brevane
