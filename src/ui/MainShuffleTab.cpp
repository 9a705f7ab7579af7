// The Shuffle tab: "Add to List", "Clear All", "Save to File" and the Method list.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QModelIndex>
#include <new>

#include "analysis/Export.h"
#include "analysis/Messages.h"
#include "models/ShuffleRows.h"
#include "random/PRNG.h"
#include "ui/AppendGuard.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"
#include "ui/FileChoice.h"
#include "ui/HandCountText.h"
#include "ui/Main.h"
#include "ui/QtText.h"

namespace brevane {

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
        throw GridFullError(gridRowLimit_);
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
        RefreshBiasMap();
        throw OutOfMemoryError();
    }
    model_->SyncRowCount();
    RefreshBiasMap();
}

void TForm1::ClearBtnClick() {
    model_->ResetRows([this] { shuffleList_->Clear(); });
    // A reset moves the focus off silently; the panel must not keep a row that is gone.
    CardViewFocusChanged(QModelIndex());
    RefreshBiasMap();
}

void TForm1::SaveBtnClick() {
    const QString path = ChooseFile(*saveDialog_, lastSaveName_, RunSaveDialog);
    if (path.isEmpty()) return;
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
