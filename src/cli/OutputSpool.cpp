#include "cli/OutputSpool.h"

#include <vector>

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
        spill_ = std::tmpfile();
        if (!spill_) return false;
    }
    return std::fwrite(text.data(), 1, text.size(), spill_) == text.size();
}

bool OutputSpool::CopyTo(FdWriter& out) {
    out.Write(memory_.data(), memory_.size());
    if (!spill_) return true;
    if (std::fflush(spill_) != 0 || std::fseek(spill_, 0, SEEK_SET) != 0) return false;
    std::vector<char> buffer(std::size_t{1} << 20);
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), spill_)) > 0) {
        out.Write(buffer.data(), got);
    }
    return !std::ferror(spill_);
}

}  // namespace brevane::cli
