#include "os/OutputTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace brevane {

namespace {

// Links followed before the path counts as a loop.
constexpr int MaxLinks = 40;

bool AllDigits(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Whether `folder` (a canonical path) is this process's or one of its threads' descriptor
// folder, /proc/PID/fd or /proc/PID/task/TID/fd.
bool IsOwnDescriptorFolder(std::string_view folder) {
    const std::string own = "/proc/" + std::to_string(getpid());
    if (!folder.starts_with(own)) return false;
    folder.remove_prefix(own.size());
    if (folder == "/fd") return true;
    if (!folder.starts_with("/task/") || !folder.ends_with("/fd")) return false;
    return AllDigits(folder.substr(6, folder.size() - 9));
}

std::string Canonical(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                           &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string ReadLink(const std::string& path) {
    std::string text(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), text.data(), text.size());
    if (n < 0 || static_cast<std::size_t>(n) >= text.size()) return {};
    text.resize(static_cast<std::size_t>(n));
    return text;
}

}  // namespace

// Follows links one at a time rather than asking for the canonical path: a descriptor's entry
// in /proc leads to the file behind it, which would be reopened at its start instead of being
// written where the descriptor stands, and a dangling link has no canonical path at all.
OutputTarget ResolveOutputTarget(const std::string& path) {
    std::string current = path;
    for (int links = 0;; ++links) {
        if (links == MaxLinks) return OutputTarget{-1, path, ELOOP};
        const std::size_t slash = current.find_last_of('/');
        const std::string leaf = slash == std::string::npos ? current : current.substr(slash + 1);
        if (leaf.empty() || leaf == "." || leaf == "..") break;
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : current.substr(0, slash);
        const std::string realFolder = Canonical(folder);
        if (realFolder.empty()) break;
        if (AllDigits(leaf) && IsOwnDescriptorFolder(realFolder)) {
            return OutputTarget{std::stoi(leaf), {}};
        }
        const std::string resolved = (realFolder == "/" ? "" : realFolder) + "/" + leaf;
        struct stat info {};
        if (lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return OutputTarget{-1, resolved};
        }
        const std::string link = ReadLink(resolved);
        if (link.empty()) break;
        current = link[0] == '/' ? link : (realFolder == "/" ? "" : realFolder) + "/" + link;
    }
    return OutputTarget{-1, current};
}

bool WritesOver(const std::string& output, const std::string& other) {
    struct stat outputInfo {};
    struct stat otherInfo {};
    const bool outputExists = stat(output.c_str(), &outputInfo) == 0;
    const bool otherExists = stat(other.c_str(), &otherInfo) == 0;
    if (outputExists && otherExists) {
        return S_ISREG(outputInfo.st_mode) && outputInfo.st_dev == otherInfo.st_dev &&
               outputInfo.st_ino == otherInfo.st_ino;
    }
    if (outputExists || otherExists) return false;
    const OutputTarget a = ResolveOutputTarget(output);
    const OutputTarget b = ResolveOutputTarget(other);
    return a.descriptor < 0 && b.descriptor < 0 && a.error == 0 && b.error == 0 && a.path == b.path;
}

}  // namespace brevane
