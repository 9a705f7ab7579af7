// The five "Stats" buttons: each builds its report over every row and shows it.
#include <QComboBox>
#include <QLocale>
#include <string>

#include "analysis/Messages.h"
#include "analysis/Reports.h"
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
}

void TForm1::ShowBuiltReport(const std::function<Report(std::string_view separator)>& build) {
    if (shuffleList_->Empty()) {
        ShowMessage(QMessageBox::Critical, ToQString(NoHandsDealtText));
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
        return BuildHandCategoryReport(*shuffleList_, CurrentSeatView(), separator);
    });
}

}  // namespace brevane
