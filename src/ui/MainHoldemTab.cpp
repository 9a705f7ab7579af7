// The Texas Hold'em tab: table size, seat and stage, the hand panel, and "Find Next".
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "analysis/HandFinder.h"
#include "analysis/HandPanelText.h"
#include "analysis/Messages.h"
#include "analysis/Seats.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"
#include "ui/Main.h"
#include "ui/QtText.h"

namespace brevane {

void TForm1::PlayersBoxChange() {
    numPlayers_ = PlayersBox->currentText().toInt();
    PlayerPosBox->clear();
    for (const std::string& label : SeatPositionLabels(numPlayers_)) {
        PlayerPosBox->addItem(QString::fromStdString(label));
    }
    PlayerPosBox->setCurrentIndex(0);
    RedrawGrid();
    UpdateHandPanel(FocusedRow());
}

void TForm1::PlayerPosBoxChange() {
    RedrawGrid();
    UpdateHandPanel(FocusedRow());
}

void TForm1::DealtBoxChange() {
    RedrawGrid();
    UpdateHandPanel(FocusedRow());
}

void TForm1::CardViewFocusChanged(const QModelIndex& current) {
    if (!current.isValid()) {
        UpdateHandPanel(std::nullopt);
        return;
    }
    UpdateHandPanel(static_cast<std::size_t>(current.row()));
}

void TForm1::UpdateHandPanel(std::optional<std::size_t> row) {
    if (!row || !shuffleList_ || *row >= shuffleList_->Count()) {
        HandPanel->clear();
        return;
    }
    HandPanel->setText(
        QString::fromStdString(HandPanelCaption(*shuffleList_, row, CurrentSeatView())));
}

SeatView TForm1::CurrentSeatView() const {
    return SeatView{numPlayers_, PlayerPosBox->currentIndex(), StageAt(DealtBox->currentIndex())};
}

void TForm1::RedrawGrid() {
    model_->SetSeatView(CurrentSeatView());
}

void TForm1::FindNextBtnClick() {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, ToQString(NoHandsDealtText));
        return;
    }
    const std::int32_t handClass = FindHandBox->currentIndex();
    std::size_t startRow = 0;
    const QItemSelection selection = CardView->selectionModel()->selection();
    if (!selection.isEmpty()) {
        int firstSelected = selection.front().top();
        for (const QItemSelectionRange& range : selection) {
            firstSelected = std::min(firstSelected, range.top());
        }
        startRow = static_cast<std::size_t>(firstSelected) + 1;
    }
    const SeatView view = CurrentSeatView();
    WorkProgress progress(shuffleList_->Count() - std::min(startRow, shuffleList_->Count()));
    std::optional<std::size_t> found;
    try {
        RunInBackground(this, QStringLiteral("Looking for the next hand..."), progress, [&] {
            found = FindNextHandRow(*shuffleList_, startRow, handClass, view, &progress);
        });
    } catch (const WorkCancelled&) {
        return;
    }
    if (!found || *found >= static_cast<std::size_t>(model_->rowCount())) {
        ShowMessage(QMessageBox::Information, ToQString(EndOfListText));
        return;
    }
    const QModelIndex index = model_->index(static_cast<int>(*found), 0);
    QScrollBar* horizontal = CardView->horizontalScrollBar();
    const int horizontalValue = horizontal->value();
    CardView->scrollTo(index, QAbstractItemView::PositionAtCenter);
    horizontal->setValue(horizontalValue);
    // Selects the row alone without moving the current (focused) row.
    CardView->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    UpdateHandPanel(*found);
}

}  // namespace brevane
