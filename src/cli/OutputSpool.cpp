#include "cli/OutputSpool.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "os/PendingFile.h"

namespace brevane::cli {

OutputSpool::~OutputSpool() {
    if (spill_) std::fclose(spill_);
}

bool OutputSpool::Write(std::string_view text) {
    if (!spill_ && memory_.size() + text.size() <= MemoryBytes) {
        memory_ += text;
        return true;
    }
    if (!spill_) {
        folder_ = ScratchFolder();
        const int fd = OpenScratchFile(folder_);
        spill_ = fd < 0 ? nullptr : fdopen(fd, "w+b");
        if (!spill_) {
            error_ = errno;
            if (fd >= 0) close(fd);
            return false;
        }
    }
    if (std::fwrite(text.data(), 1, text.size(), spill_) == text.size()) return true;
    error_ = errno;
    return false;
}

std::string OutputSpool::Error() const {
    return "temporary file in " + folder_ + ": " + std::strerror(error_);
}

bool OutputSpool::CopyTo(FdWriter& out) {
    out.Write(memory_.data(), memory_.size());
    if (!spill_) return true;
    if (std::fflush(spill_) != 0 || std::fseek(spill_, 0, SEEK_SET) != 0) {
        error_ = errno;
        return false;
    }
    std::vector<char> buffer(std::size_t{1} << 20);
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), spill_)) > 0) {
        out.Write(buffer.data(), got);
    }
    if (!std::ferror(spill_)) return true;
    error_ = errno;
    return false;
}

}  // namespace brevane::cli
