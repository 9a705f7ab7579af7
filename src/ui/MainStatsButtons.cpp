// The five "Stats" buttons and the "Fairness" button: each builds its report over every row and
// shows it.
#include <QComboBox>
#include <QLocale>
#include <string>

#include "analysis/Messages.h"
#include "analysis/Reports.h"
#include "stats/FairnessReport.h"
#include "ui/Application.h"
#include "ui/BackgroundWork.h"
#include "ui/Main.h"
#include "ui/QtText.h"
#include "ui/Stats.h"

namespace brevane {

namespace {

std::string SelectedText(const QComboBox* box) {
    return box->currentText().toStdString();
}

}  // namespace

void TForm1::UseReportWindow(TStatsForm* statsForm) {
    ShowReport = [statsForm](const Report& report) { statsForm->ShowReport(report); };
    // The Fairness report's table is wider than the report window, whose size the other
    // reports keep; it gets a window of its own, which remembers its own place and size.
    ShowFairnessReport = [this](const Report& report) {
        if (!fairnessForm_) {
            fairnessForm_ = new TStatsForm(this);
            fairnessForm_->setObjectName(QStringLiteral("FairnessForm"));
            fairnessForm_->FitFirstShowingToLongestLine();
            fairnessForm_->AddSaveReportButton(
                [this] { RunGuarded([this] { SaveReportBtnClick(); }); });
        }
        fairnessForm_->ShowReport(report);
    };
}

void TForm1::ShowBuiltReport(
    const std::function<void(const Report& report)>& show,
    const std::function<Report(std::string_view separator, WorkProgress* progress)>& build) {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, ToQString(NoHandsDealtText));
        return;
    }
    const std::string separator = QLocale().decimalPoint().toStdString();
    WorkProgress progress(shuffleList_->Count());
    Report report;
    try {
        RunInBackground(this, QStringLiteral("Counting the hands..."), progress,
                        [&] { report = build(separator, &progress); });
    } catch (const WorkCancelled&) {
        return;
    }
    if (show) show(report);
}

// Each handler reads its choices here, on the GUI thread; the build runs on another.

void TForm1::CardStatsBtnClick() {
    const std::int32_t card = CardBox->currentIndex() + 1;
    const std::string text = SelectedText(CardBox);
    ShowBuiltReport(ShowReport, [=, this](std::string_view separator, WorkProgress* progress) {
        return BuildCardReport(*shuffleList_, card, text, separator, progress);
    });
}

void TForm1::RankStatsBtnClick() {
    const int rank = RankBox->currentIndex();
    const std::string text = SelectedText(RankBox);
    ShowBuiltReport(ShowReport, [=, this](std::string_view separator, WorkProgress* progress) {
        return BuildRankReport(*shuffleList_, rank, text, separator, progress);
    });
}

void TForm1::SuitStatsBtnClick() {
    const int suit = SuitBox->currentIndex();
    const std::string text = SelectedText(SuitBox);
    ShowBuiltReport(ShowReport, [=, this](std::string_view separator, WorkProgress* progress) {
        return BuildSuitReport(*shuffleList_, suit, text, separator, progress);
    });
}

void TForm1::DeckPosStatsBtnClick() {
    const int position = DeckPosBox->currentIndex() + 1;
    const std::string text = SelectedText(DeckPosBox);
    ShowBuiltReport(ShowReport, [=, this](std::string_view separator, WorkProgress* progress) {
        return BuildDeckPosReport(*shuffleList_, position, text, separator, progress);
    });
}

void TForm1::PlayerPosStatsBtnClick() {
    const SeatView view = CurrentSeatView();
    ShowBuiltReport(ShowReport, [=, this](std::string_view separator, WorkProgress* progress) {
        return BuildHandCategoryReport(*shuffleList_, view, separator, progress);
    });
}

// The hand-categories test uses the seat view of the Texas Hold'em Stats tab. The report writes
// its numbers with "." whatever the locale. Its source is the list as it stands: rows dealt from
// a generator that has moved on since, and rows appended from files, have no key or digest that
// would make them again.
void TForm1::FairnessBtnClick() {
    const SeatView view = CurrentSeatView();
    ShowBuiltReport(ShowFairnessReport, [=, this](std::string_view, WorkProgress* progress) {
        return BuildFairnessReport(*shuffleList_, view, {std::string(WindowListSourceLine)},
                                   DefaultAlpha, progress);
    });
}

}  // namespace brevane
