#pragma once

#include <string>

namespace brevane {

// What a path given for output leads to, found without opening anything.
struct OutputTarget {
    // An open descriptor of this process that the path names (/dev/stdout, /dev/fd/N,
    // /proc/self/fd/N, or a link to one of them); -1 when the path names a file.
    int descriptor = -1;
    // Otherwise the path with every symbolic link followed, the last one included even when
    // it dangles, so that writing here changes what the link points to and keeps the link.
    // Its folder is canonical when it exists; otherwise the path is left as it came.
    std::string path;
    // ELOOP when the links did not end; 0 otherwise.
    int error = 0;
};

OutputTarget ResolveOutputTarget(const std::string& path);

// Whether writing to the path `output` would write over the file that the path `other` names:
// when both exist, whether they are one regular file by device and inode, whatever links or
// spelling lead there; when neither exists yet, whether both lead to one path once the links
// are followed. Devices and pipes are shared by design and never count.
bool WritesOver(const std::string& output, const std::string& other);

}  // namespace brevane
