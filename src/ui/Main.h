#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "analysis/Reports.h"
#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"
#include "models/ShuffleModel.h"
#include "stats/ShuffleCounts.h"

class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

namespace brevane {

class CardViewModel;
class PageControl;
class TBiasMapForm;
class TStatsForm;

inline constexpr const char* MainWindowCaption = "Brevane Card Shuffling Simulator 1.02";

// The main window: the Shuffle, Texas Hold'em Stats and Card Stats tabs, the shuffle grid
// CardView and the status strip Panel2. It owns the working deck and the list of shuffles.
class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs the save dialog; returns the chosen path, or an empty text when cancelled.
    std::function<QString(QFileDialog& dialog)> RunSaveDialog;
    // Runs the open dialog; returns the chosen path, or an empty text when cancelled.
    std::function<QString(QFileDialog& dialog)> RunOpenDialog;
    // Shows a modal message box with a single OK button.
    std::function<void(QMessageBox::Icon icon, const QString& text)> ShowMessage;
    // Shows a report modally in the report window; returns when it is closed.
    std::function<void(const Report& report)> ShowReport;
    // Shows the Fairness report modally, in a report window of its own that opens as wide as
    // the report's table; returns when it is closed.
    std::function<void(const Report& report)> ShowFairnessReport;

    const ShuffleList& Shuffles() const { return *shuffleList_; }
    const Deck& WorkingDeck() const { return deck_; }
    // The method chosen in MethodBox, which "Add to List" shuffles with.
    const ShuffleModel& ChosenMethod() const;
    std::int32_t NumPlayers() const { return numPlayers_; }
    CardViewModel& Model() const { return *model_; }
    QFileDialog& SaveDialog1() const { return *saveDialog_; }
    QFileDialog& OpenDialog1() const { return *openDialog_; }
    QFileDialog& SaveReportDialog() const { return *reportDialog_; }

    // The most rows the grid can lay out: its positions are int pixels. "Add to List" refuses
    // to go beyond it. Tests lower it to reach the limit with few rows.
    std::size_t GridRowLimit() const { return gridRowLimit_; }
    void SetGridRowLimit(std::size_t rows) { gridRowLimit_ = rows; }

    // Shows reports in `statsForm`, the report window created hidden at start-up, and the
    // Fairness report in a window of the same kind made on first use.
    void UseReportWindow(TStatsForm* statsForm);

    // Places the window in the middle of the available area of its screen.
    void CenterOnScreen();

    // Handlers, named after their control and event.
    void PageControl1Resize();
    void DealBtnClick();
    void ClearBtnClick();
    void SaveBtnClick();
    void OpenBtnClick();
    void PlayersBoxChange();
    void PlayerPosBoxChange();
    void DealtBoxChange();
    void CardViewFocusChanged(const QModelIndex& current);
    void FindNextBtnClick();
    void CardStatsBtnClick();
    void RankStatsBtnClick();
    void SuitStatsBtnClick();
    void DeckPosStatsBtnClick();
    void PlayerPosStatsBtnClick();
    void FairnessBtnClick();
    // The Fairness report window's "Save Report...": the evaluation report over every row,
    // for the seat view of the Texas Hold'em tab, to a file chosen in SaveReportDialog().
    void SaveReportBtnClick();
    void BiasMapBtnClick();

    // The players, seat and stage chosen on the Texas Hold'em tab.
    SeatView CurrentSeatView() const;

    // Sets HandPanel's caption from a row's hand, or empties it for no row.
    void UpdateHandPanel(std::optional<std::size_t> row);

  private:
    // Every row of the list counted for `view` off the GUI thread, under the progress dialog;
    // nothing when the user cancels.
    std::optional<ShuffleCounts> CountListInBackground(const SeatView& view);
    void CreateControls();
    void CreateShuffleTab(QWidget* tab);
    void CreatePokerTab(QWidget* tab);
    void CreateCardTab(QWidget* tab);
    void CreateCardView();
    void CreateStatusStrip();
    void CreateSaveDialog();
    void CreateOpenDialog();
    void CreateReportDialog();
    void ConnectHandlers();
    void FormCreate();
    void FormDestroy();

    std::optional<std::size_t> FocusedRow() const;
    // Brings an open bias map window up to date after the list changed, or closes it.
    void RefreshBiasMap();
    void RedrawGrid();
    // Builds a report off the GUI thread and shows it; a cancelled build shows nothing.
    void ShowBuiltReport(
        const std::function<void(const Report& report)>& show,
        const std::function<Report(std::string_view separator, WorkProgress* progress)>& build);

    Deck deck_{};
    std::unique_ptr<ShuffleList> shuffleList_;
    std::int32_t numPlayers_ = 10;
    QString lastSaveName_;
    QString lastOpenName_;
    QString lastReportName_;
    std::size_t gridRowLimit_ = 0;

    PageControl* PageControl1 = nullptr;
    QLineEdit* HandCount = nullptr;
    QPushButton* DealBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* OpenBtn = nullptr;
    QComboBox* MethodBox = nullptr;
    QComboBox* PlayersBox = nullptr;
    QComboBox* PlayerPosBox = nullptr;
    QComboBox* DealtBox = nullptr;
    QPushButton* PlayerPosStatsBtn = nullptr;
    QComboBox* FindHandBox = nullptr;
    QPushButton* FindNextBtn = nullptr;
    QComboBox* CardBox = nullptr;
    QPushButton* CardStatsBtn = nullptr;
    QComboBox* RankBox = nullptr;
    QPushButton* RankStatsBtn = nullptr;
    QComboBox* SuitBox = nullptr;
    QPushButton* SuitStatsBtn = nullptr;
    QComboBox* DeckPosBox = nullptr;
    QPushButton* DeckPosStatsBtn = nullptr;
    QPushButton* FairnessBtn = nullptr;
    QPushButton* BiasMapBtn = nullptr;
    TBiasMapForm* biasMapForm_ = nullptr;
    TStatsForm* fairnessForm_ = nullptr;
    QTableView* CardView = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* HoleCardPanel = nullptr;
    QLabel* CommunityCardPanel = nullptr;
    QLabel* HandPanel = nullptr;
    CardViewModel* model_ = nullptr;
    QFileDialog* saveDialog_ = nullptr;
    QFileDialog* openDialog_ = nullptr;
    QFileDialog* reportDialog_ = nullptr;
};

}  // namespace brevane
