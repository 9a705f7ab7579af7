// The Shuffle tab: "Add to List", "Clear All", "Save to File" and the Method list.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QModelIndex>
#include <limits>
#include <new>
#include <stdexcept>

#include "analysis/Export.h"
#include "analysis/Messages.h"
#include "models/ShuffleRows.h"
#include "os/Memory.h"
#include "random/PRNG.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"
#include "ui/HandCountText.h"
#include "ui/Main.h"
#include "ui/QtText.h"

namespace brevane {

namespace {

// What the grid keeps per row besides the row itself (its row header's bookkeeping), and a
// reserve left for everything else, so that appending never runs the system out of memory.
constexpr std::size_t GridBytesPerRow = 16;
constexpr std::size_t MemoryReserveBytes = std::size_t{64} << 20;

class OutOfMemoryError : public std::bad_alloc {
  public:
    const char* what() const noexcept override { return OutOfMemoryText.data(); }
};

bool FitsInMemory(const ShuffleList& list, std::size_t rows) {
    const std::size_t available = AvailableMemoryBytes();
    const std::size_t listBytes = list.BytesToAppend(rows);
    const std::size_t max = std::numeric_limits<std::size_t>::max();
    if (rows > (max - listBytes - MemoryReserveBytes) / GridBytesPerRow) return false;
    return listBytes + rows * GridBytesPerRow + MemoryReserveBytes <= available;
}

}  // namespace

const ShuffleModel& TForm1::ChosenMethod() const {
    return MethodModels[static_cast<std::size_t>(MethodBox->currentIndex())];
}

void TForm1::DealBtnClick() {
    const std::int32_t count = TextToInt32(HandCount->text(), 0);
    if (count < 1) {
        ShowMessage(QMessageBox::Critical, ToQString(InvalidHandCountText));
        return;
    }
    const auto rows = static_cast<std::size_t>(count);
    if (!FitsInMemory(*shuffleList_, rows)) throw OutOfMemoryError();
    if (shuffleList_->Count() + rows > gridRowLimit_) {
        throw std::length_error(
            QStringLiteral("The grid holds at most %1 rows").arg(gridRowLimit_).toStdString());
    }
    // The grid goes on painting the rows it has while the new ones are made on another thread;
    // with the block table reserved, appending never moves what it reads.
    shuffleList_->ReserveRows(rows);
    const ShuffleModel method = ChosenMethod();
    WorkProgress progress(rows);
    try {
        RunInBackground(this, QStringLiteral("Adding shuffles to the list..."), progress, [&] {
            AppendModelShuffles(*shuffleList_, deck_, TheShuffleGenerator(), method, rows,
                                &progress);
        });
    } catch (const WorkCancelled&) {
        // The rows made before the cancel stay, as after running out of memory.
    } catch (const std::bad_alloc&) {
        // The rows appended before memory ran out stay, and the grid shows them.
        model_->SyncRowCount();
        throw OutOfMemoryError();
    }
    model_->SyncRowCount();
}

void TForm1::ClearBtnClick() {
    model_->ResetRows([this] { shuffleList_->Clear(); });
    // A reset moves the focus off silently; the panel must not keep a row that is gone.
    CardViewFocusChanged(QModelIndex());
}

void TForm1::SaveBtnClick() {
    if (!lastSaveName_.isEmpty()) saveDialog_->selectFile(lastSaveName_);
    const QString path = RunSaveDialog(*saveDialog_);
    if (path.isEmpty()) return;
    lastSaveName_ = path;
    const std::string target = QFile::encodeName(path).toStdString();
    WorkProgress progress(shuffleList_->Count());
    try {
        RunInBackground(this, QStringLiteral("Saving the hands to the file..."), progress,
                        [&] { ExportShuffleList(*shuffleList_, target, nullptr, &progress); });
    } catch (const WorkCancelled&) {
        // Nothing was written: the old file, if any, stays as it was.
    }
}

}  // namespace brevane
