#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace brevane::test {

// Gives a folder the immutable attribute (chattr +i), which stops everyone, root included,
// from creating, removing or renaming entries in it, while the files inside stay writable. The
// destructor clears it. Needs CAP_LINUX_IMMUTABLE and a file system that keeps the attribute
// (ext4, xfs, btrfs, tmpfs from Linux 6.0); Set() tells whether it worked, Error() why not.
class ImmutableFolder {
  public:
    explicit ImmutableFolder(const std::string& folder) : folder_(folder) { set_ = Change(true); }
    ~ImmutableFolder() {
        if (set_) Change(false);
    }
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;

    bool Set() const { return set_; }
    int Error() const { return error_; }

  private:
    bool Change(bool on) {
        const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return Failed();
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (!done) Failed();
        close(fd);
        return done;
    }
    bool Failed() {
        error_ = errno;
        return false;
    }

    std::string folder_;
    bool set_ = false;
    int error_ = 0;
};

}  // namespace brevane::test
