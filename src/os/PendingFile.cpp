#include "os/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "os/SignalCleanup.h"

namespace brevane {

namespace {

constexpr int NameAttempts = 100;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string DescriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

std::string PendingFile::NewHiddenName() {
    constexpr const char* Letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::size_t slash = target_.find_last_of('/');
    const std::string base =
        (slash == std::string::npos ? target_ : target_.substr(slash + 1)).substr(0, 200);
    std::string name = (folder_ == "/" ? "" : folder_) + "/." + base + ".";
    for (int k = 0; k < 6; ++k) name += Letters[pick_() % 62];
    return name;
}

int PendingFile::Open(const std::string& target, PendingNaming naming) {
    Discard();
    target_ = target;
    folder_ = FolderOf(target);
    pick_.seed(
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                   (static_cast<std::uint32_t>(getpid()) << 16)));
    if (naming == PendingNaming::UnnamedWherePossible) {
        const int fd = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        // Commit names the file through its /proc entry, which needs no privilege.
        if (fd >= 0 && access(DescriptorPath(fd).c_str(), F_OK) == 0) {
            fd_ = fd;
            return 0;
        }
        if (fd >= 0) close(fd);
    }
    return OpenHidden();
}

int PendingFile::TakeHiddenName(const std::function<bool(const std::string&)>& make) {
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const std::string name = NewHiddenName();
        if (make(name)) {
            hidden_ = name;
            watch_ = WatchTemporaryFile(hidden_);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int PendingFile::OpenHidden() {
    const SignalsHeld held;
    return TakeHiddenName([&](const std::string& name) {
        fd_ = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        return fd_ >= 0;
    });
}

int PendingFile::LinkHidden() {
    const std::string from = DescriptorPath(fd_);
    return TakeHiddenName([&](const std::string& name) {
        return linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
}

// A link cannot replace an existing name, so an unnamed file first gets a hidden name and then
// takes the target's in one rename, as a named one does.
int PendingFile::Stage() {
    if (fd_ < 0) return hidden_.empty() ? EBADF : 0;
    const SignalsHeld held;
    int error = hidden_.empty() ? LinkHidden() : 0;
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error != 0) Discard();
    return error;
}

int PendingFile::Publish(bool keepOld) {
    if (const int error = Stage(); error != 0) return error;
    const SignalsHeld held;
    int error = 0;
    if (keepOld) {
        error = SwapIn();
    } else if (rename(hidden_.c_str(), target_.c_str()) == 0) {
        ForgetHiddenName();
    } else {
        error = errno;
    }
    if (error != 0) Discard();
    return error;
}

// An exchange of the two names keeps the old file, where a rename would drop it. Exchanging
// with a folder would succeed, so a folder is refused as rename refuses it.
int PendingFile::SwapIn() {
    struct stat info {};
    if (lstat(target_.c_str(), &info) != 0) {
        if (errno != ENOENT) return errno;
        if (renameat2(AT_FDCWD, hidden_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) ==
            0) {
            created_ = true;
            ForgetHiddenName();
            return 0;
        }
        if (errno != EINVAL) return errno;
    } else {
        if (S_ISDIR(info.st_mode)) return EISDIR;
        if (renameat2(AT_FDCWD, hidden_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
            swapped_ = true;
            return 0;
        }
        if (errno != EINVAL) return errno;
    }
    // The file system knows neither flag: the old file cannot be kept.
    if (rename(hidden_.c_str(), target_.c_str()) != 0) return errno;
    ForgetHiddenName();
    return 0;
}

void PendingFile::Undo() noexcept {
    const SignalsHeld held;
    if (swapped_) {
        if (renameat2(AT_FDCWD, hidden_.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) != 0)
            ForgetHiddenName();
    } else if (created_) {
        unlink(target_.c_str());
    }
    Discard();
}

void PendingFile::ForgetHiddenName() noexcept {
    hidden_.clear();
    UnwatchTemporaryFile(watch_);
    watch_ = -1;
}

void PendingFile::Discard() noexcept {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!hidden_.empty()) unlink(hidden_.c_str());
    ForgetHiddenName();
    swapped_ = false;
    created_ = false;
}

std::string ScratchFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

int OpenScratchFile(const std::string& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return fd;
    // No O_TMPFILE here: a named file removed at once has no name either.
    std::string name = (folder == "/" ? "" : folder) + "/.brevane-scratch-XXXXXX";
    const SignalsHeld held;
    const int named = mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) unlink(name.c_str());
    return named;
}

}  // namespace brevane
