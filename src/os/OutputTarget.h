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

}  // namespace brevane
