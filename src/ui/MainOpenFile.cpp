// "Open File...": appends the rows of an export file to the list, all of them or none.
#include <QFile>
#include <new>
#include <stdexcept>

#include "analysis/ImportRows.h"
#include "ui/AppendGuard.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"
#include "ui/FileChoice.h"
#include "ui/Main.h"

namespace brevane {

void TForm1::OpenBtnClick() {
    const QString path = ChooseFile(*openDialog_, lastOpenName_, RunOpenDialog);
    if (path.isEmpty()) return;
    // Messages name the file by the path as it was chosen, as those of "Save to File" do.
    const std::string file = QFile::encodeName(path).toStdString();
    ExportFileImport import(file, file);
    if (!import.IsOpen()) throw std::runtime_error(import.Error());
    if (const auto mostRows = import.MostRows()) {
        if (!FitsInMemory(*shuffleList_, static_cast<std::size_t>(*mostRows)))
            throw OutOfMemoryError();
    }
    const std::size_t count = shuffleList_->Count();
    const std::size_t room = gridRowLimit_ > count ? gridRowLimit_ - count : 0;
    // The rows are staged on another thread behind the list, which the grid goes on painting;
    // they join it here, on this thread, once every line has been read and found good.
    ShuffleList::Staging staged(*shuffleList_);
    WorkProgress progress(import.Bytes().value_or(0));
    auto status = ExportFileImport::Status::OpenFailed;
    try {
        status =
            RunInBackgroundFor(this, QStringLiteral("Reading the hands from the file..."), progress,
                               [&] { return import.StageRows(staged, room, &progress); });
        if (status == ExportFileImport::Status::Read) staged.Commit();
    } catch (const WorkCancelled&) {
        return;
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryError();
    }
    switch (status) {
        case ExportFileImport::Status::Read:
            model_->SyncRowCount();
            RefreshBiasMap();
            return;
        case ExportFileImport::Status::BadLine:
            ShowMessage(QMessageBox::Critical, QString::fromLocal8Bit(import.Error()));
            return;
        case ExportFileImport::Status::TooManyRows:
            throw GridFullError(gridRowLimit_);
        case ExportFileImport::Status::OpenFailed:
        case ExportFileImport::Status::ReadFailed:
            throw std::runtime_error(import.Error());
    }
}

}  // namespace brevane
