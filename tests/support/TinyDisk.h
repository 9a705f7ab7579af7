#pragma once

#include <sys/mount.h>

#include <string>

namespace brevane::test {

// A tmpfs of a few kilobytes mounted on `folder`, to make writes fail with "No space left on
// device". Mounting needs privileges; Mounted() tells whether it worked.
class TinyDisk {
  public:
    TinyDisk(const std::string& folder, const char* size = "64k") : folder_(folder) {
        const std::string options = std::string("size=") + size;
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~TinyDisk() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;

    bool Mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace brevane::test
