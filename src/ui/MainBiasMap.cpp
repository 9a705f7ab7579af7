// The "Bias Map" button: the picture of where the cards of every row go, in its own window.
#include <QComboBox>

#include <algorithm>
#include <optional>
#include <utility>

#include "analysis/Messages.h"
#include "stats/FairnessReport.h"
#include "ui/BackgroundWork.h"
#include "ui/BiasMapForm.h"
#include "ui/Main.h"
#include "ui/QtText.h"

namespace brevane {

std::optional<ShuffleCounts> TForm1::CountListInBackground(const SeatView& view) {
    WorkProgress progress(shuffleList_->Count());
    std::optional<ShuffleCounts> counts;
    try {
        RunInBackground(this, QStringLiteral("Counting the hands..."), progress,
                        [&] { counts.emplace(CountShuffleList(*shuffleList_, view, &progress)); });
    } catch (const WorkCancelled&) {
        return std::nullopt;
    }
    return counts;
}

// The window is made on first use and kept, so that it keeps its place, size and view.
void TForm1::BiasMapBtnClick() {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, ToQString(NoHandsDealtText));
        return;
    }
    // The counts take a seat view for their hand categories, which the map does not use.
    const SeatView view = CurrentSeatView();
    std::optional<ShuffleCounts> counts = CountListInBackground(view);
    if (!counts) return;
    if (!biasMapForm_) {
        biasMapForm_ = new TBiasMapForm(this);
        biasMapForm_->RunSaveDialog = [this](QFileDialog& dialog) { return RunSaveDialog(dialog); };
    }
    // A window that opens shows the view that tells more; one already open keeps the user's.
    if (biasMapForm_->isVisible()) {
        biasMapForm_->ShowCounts(std::move(*counts));
    } else {
        biasMapForm_->OpenCounts(std::move(*counts));
    }
    biasMapForm_->show();
    biasMapForm_->raise();
    biasMapForm_->activateWindow();
}

// An open window follows the list: the rows added since its counts were made are counted on top
// of them. After Clear All, or when that count is cancelled or fails (its error then goes on to
// the caller), the window closes rather than show rows that are gone or leave out new ones.
void TForm1::RefreshBiasMap() {
    if (!biasMapForm_ || !biasMapForm_->isVisible()) return;
    const std::optional<ShuffleCounts>& shown = biasMapForm_->Counts();
    if (shuffleList_->Empty() || !shown) {
        biasMapForm_->close();
        return;
    }
    ShuffleCounts counts = *shown;
    WorkProgress progress(shuffleList_->Count() - std::min(counts.Rows(), shuffleList_->Count()));
    try {
        RunInBackground(this, QStringLiteral("Counting the hands..."), progress,
                        [&] { CountNewListRows(counts, *shuffleList_, &progress); });
    } catch (const WorkCancelled&) {
        biasMapForm_->close();
        return;
    } catch (...) {
        biasMapForm_->close();
        throw;
    }
    biasMapForm_->ShowCounts(std::move(counts));
}

}  // namespace brevane
