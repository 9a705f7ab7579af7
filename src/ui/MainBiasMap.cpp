// The "Bias Map" button: the picture of where the cards of every row go, in its own window.
#include <QComboBox>

#include "stats/FairnessReport.h"
#include "ui/BiasMapForm.h"
#include "ui/Main.h"

namespace brevane {

// The window is made on first use and kept, so that it keeps its place, size and view.
void TForm1::BiasMapBtnClick() {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("No hands dealt"));
        return;
    }
    if (!biasMapForm_) {
        biasMapForm_ = new TBiasMapForm(this);
        biasMapForm_->RunSaveDialog = [this](QFileDialog& dialog) { return RunSaveDialog(dialog); };
    }
    // The counts take a seat view for their hand categories, which the map does not use.
    biasMapForm_->ShowCounts(CountShuffleList(
        *shuffleList_, numPlayers_, PlayerPosBox->currentIndex(), DealtBox->currentIndex()));
    biasMapForm_->show();
    biasMapForm_->raise();
    biasMapForm_->activateWindow();
}

}  // namespace brevane
