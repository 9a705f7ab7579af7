// The "Bias Map" button: the picture of where the cards of every row go, in its own window.
#include <QComboBox>

#include <optional>

#include "analysis/Messages.h"
#include "stats/FairnessReport.h"
#include "ui/BackgroundWork.h"
#include "ui/BiasMapForm.h"
#include "ui/Main.h"
#include "ui/QtText.h"

namespace brevane {

// The window is made on first use and kept, so that it keeps its place, size and view.
void TForm1::BiasMapBtnClick() {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, ToQString(NoHandsDealtText));
        return;
    }
    // The counts take a seat view for their hand categories, which the map does not use.
    const SeatView view = CurrentSeatView();
    WorkProgress progress(shuffleList_->Count());
    std::optional<ShuffleCounts> counts;
    try {
        RunInBackground(this, QStringLiteral("Counting the hands..."), progress,
                        [&] { counts.emplace(CountShuffleList(*shuffleList_, view, &progress)); });
    } catch (const WorkCancelled&) {
        return;
    }
    if (!biasMapForm_) {
        biasMapForm_ = new TBiasMapForm(this);
        biasMapForm_->RunSaveDialog = [this](QFileDialog& dialog) { return RunSaveDialog(dialog); };
    }
    biasMapForm_->ShowCounts(*counts);
    biasMapForm_->show();
    biasMapForm_->raise();
    biasMapForm_->activateWindow();
}

}  // namespace brevane
