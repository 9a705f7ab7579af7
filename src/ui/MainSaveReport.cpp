// The Fairness report window's "Save Report...": the same evaluation report as
// `brevane-cli test --format html`, over the window's rows.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <optional>

#include "os/OutputFile.h"
#include "report/EvaluationReport.h"
#include "report/ReportTime.h"
#include "stats/FairnessReport.h"
#include "ui/BackgroundWork.h"
#include "ui/FileChoice.h"
#include "ui/Main.h"

namespace brevane {

namespace {

const QString HtmlFilter = QStringLiteral("HTML report (*.html)");

}  // namespace

void TForm1::CreateReportDialog() {
    reportDialog_ = new QFileDialog(this, QStringLiteral("Save evaluation report"));
    reportDialog_->setObjectName(QStringLiteral("SaveReportDialog"));
    reportDialog_->setAcceptMode(QFileDialog::AcceptSave);
    reportDialog_->setFileMode(QFileDialog::AnyFile);
    reportDialog_->setNameFilters({HtmlFilter});
    reportDialog_->selectNameFilter(HtmlFilter);
    reportDialog_->setDefaultSuffix(QStringLiteral("html"));
    reportDialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
}

// The rows are counted off the GUI thread, as for the report itself; a cancelled count writes
// nothing. The file is written under a temporary name and takes the place of the chosen one
// only once complete, so a failure (shown by the caller's error report) leaves any old file as
// it was.
void TForm1::SaveReportBtnClick() {
    if (shuffleList_->Empty() || !RunSaveDialog) return;
    const SeatView view = CurrentSeatView();
    const QString path = ChooseFile(*reportDialog_, lastReportName_, RunSaveDialog);
    if (path.isEmpty()) return;
    std::optional<ShuffleCounts> counts = CountListInBackground(view);
    if (!counts) return;
    const FairnessResult result = RunFairnessTests(*counts, DefaultAlpha);
    ReportProvenance provenance;
    provenance.program = std::string("brevane ") + BREVANE_VERSION;
    provenance.writtenAt = ReportWrittenAt();
    provenance.outputName = QFileInfo(path).fileName().toStdString();
    const std::string page = BuildEvaluationReport(*counts, result, provenance);
    ReplacingFile file(QFile::encodeName(path).toStdString());
    file.Out().Write(page.data(), page.size());
    file.Commit();
}

}  // namespace brevane
