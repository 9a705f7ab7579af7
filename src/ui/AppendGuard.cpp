#include "ui/AppendGuard.h"

#include <QString>
#include <limits>

#include "analysis/Messages.h"
#include "os/Memory.h"

namespace brevane {

namespace {

// What the grid keeps per row besides the row itself (its row header's bookkeeping), and a
// reserve left for everything else.
constexpr std::size_t GridBytesPerRow = 16;
constexpr std::size_t MemoryReserveBytes = std::size_t{64} << 20;

}  // namespace

const char* OutOfMemoryError::what() const noexcept {
    return OutOfMemoryText.data();
}

bool FitsInMemory(const ShuffleList& list, std::size_t rows) {
    const std::size_t available = AvailableMemoryBytes();
    const std::size_t listBytes = list.BytesToAppend(rows);
    const std::size_t max = std::numeric_limits<std::size_t>::max();
    if (listBytes > max - MemoryReserveBytes) return false;
    if (rows > (max - listBytes - MemoryReserveBytes) / GridBytesPerRow) return false;
    return listBytes + rows * GridBytesPerRow + MemoryReserveBytes <= available;
}

std::length_error GridFullError(std::size_t limit) {
    return std::length_error(
        QStringLiteral("The grid holds at most %1 rows").arg(limit).toStdString());
}

}  // namespace brevane
