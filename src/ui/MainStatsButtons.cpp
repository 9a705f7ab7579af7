// The five "Stats" buttons and the "Fairness" button: each builds its report over every row and
// shows it.
#include <QComboBox>
#include <QLocale>
#include <string>

#include "analysis/Reports.h"
#include "stats/FairnessReport.h"
#include "ui/Main.h"
#include "ui/Stats.h"

namespace brevane {

namespace {

std::string SelectedText(const QComboBox* box) {
    return box->currentText().toStdString();
}

}  // namespace

void TForm1::UseReportWindow(TStatsForm* statsForm) {
    ShowReport = [statsForm](const Report& report) { statsForm->ShowReport(report); };
}

void TForm1::ShowBuiltReport(const std::function<Report(std::string_view separator)>& build) {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, QStringLiteral("No hands dealt"));
        return;
    }
    const std::string separator = QLocale().decimalPoint().toStdString();
    const Report report = build(separator);
    if (ShowReport) ShowReport(report);
}

void TForm1::CardStatsBtnClick() {
    ShowBuiltReport([this](std::string_view separator) {
        return BuildCardReport(*shuffleList_, CardBox->currentIndex() + 1, SelectedText(CardBox),
                               separator);
    });
}

void TForm1::RankStatsBtnClick() {
    ShowBuiltReport([this](std::string_view separator) {
        return BuildRankReport(*shuffleList_, RankBox->currentIndex(), SelectedText(RankBox),
                               separator);
    });
}

void TForm1::SuitStatsBtnClick() {
    ShowBuiltReport([this](std::string_view separator) {
        return BuildSuitReport(*shuffleList_, SuitBox->currentIndex(), SelectedText(SuitBox),
                               separator);
    });
}

void TForm1::DeckPosStatsBtnClick() {
    ShowBuiltReport([this](std::string_view separator) {
        return BuildDeckPosReport(*shuffleList_, DeckPosBox->currentIndex() + 1,
                                  SelectedText(DeckPosBox), separator);
    });
}

void TForm1::PlayerPosStatsBtnClick() {
    ShowBuiltReport([this](std::string_view separator) {
        return BuildHandCategoryReport(*shuffleList_, numPlayers_, PlayerPosBox->currentIndex(),
                                       DealtBox->currentIndex(), SelectedText(PlayerPosBox),
                                       SelectedText(DealtBox), separator);
    });
}

// The hand-categories test uses the seat view of the Texas Hold'em Stats tab. The report writes
// its numbers with "." whatever the locale.
void TForm1::FairnessBtnClick() {
    ShowBuiltReport([this](std::string_view) {
        const std::string seat = SelectedText(PlayerPosBox);
        const std::string stage = SelectedText(DealtBox);
        return BuildFairnessReport(*shuffleList_, numPlayers_, PlayerPosBox->currentIndex(),
                                   DealtBox->currentIndex(), {numPlayers_, seat, stage});
    });
}

}  // namespace brevane
