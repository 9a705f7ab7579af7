// The main window over ten million rows: appending through "Add to List", drawing a screenful
// of cells, scrolling, memory, "Find Next" and the hand category report, each against the
// engine function it calls or its target, measured in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "analysis/HandFinder.h"
#include "analysis/Reports.h"
#include "random/PRNG.h"
#include "ui/Application.h"
#include "ui/CardViewModel.h"
#include "ui/Main.h"

namespace {

using namespace brevane;

constexpr int Rows = 10'000'000;
constexpr int ScreenRows = 50;
constexpr GeneratorKey BenchKey{9, 8, 7, 6, 5, 4, 3, 2, 1};

// CPU time of the whole process, system time included: steadier than wall time on a busy
// machine, and it counts the work the window hands to other threads.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

struct Session {
    std::unique_ptr<TForm1> form;
    double dealSeconds = 0;
};

Session& TheSession() {
    static Session session;
    return session;
}

// The window with ten million rows added through "Add to List", shown on the offscreen screen.
TForm1& FilledForm() {
    Session& s = TheSession();
    if (s.form) return *s.form;
    TheShuffleGenerator().SetKey(BenchKey);
    s.form = std::make_unique<TForm1>();
    s.form->ShowMessage = [](QMessageBox::Icon, const QString&) {};
    s.form->ShowReport = [](const Report& report) { benchmark::DoNotOptimize(report.size()); };
    s.form->show();
    QApplication::processEvents();
    s.form->findChild<QLineEdit*>(QStringLiteral("HandCount"))->setText(QString::number(Rows));
    const double t0 = CpuSeconds();
    s.form->DealBtnClick();
    s.dealSeconds = CpuSeconds() - t0;
    QApplication::processEvents();
    return *s.form;
}

QComboBox* Box(TForm1& form, const char* name) {
    return form.findChild<QComboBox*>(QString::fromLatin1(name));
}

void PrintFigure(benchmark::State& state, const char* what, double value, const char* target) {
    std::printf("  %-52s %10.3f   %s\n", what, value, target);
    state.SetLabel(target);
}

void BM_AddToListVsEngineAppend(benchmark::State& state) {
    for (auto _ : state) {
        TForm1& form = FilledForm();
        const double dealSeconds = TheSession().dealSeconds;
        ShuffleGenerator generator;
        generator.SetKey(BenchKey);
        Deck deck = InitialDeck();
        double engineSeconds = 0;
        {
            ShuffleList list;
            const double t0 = CpuSeconds();
            list.AppendShuffles(deck, generator, Rows);
            engineSeconds = CpuSeconds() - t0;
            benchmark::DoNotOptimize(list.Count());
        }
        const double ratio = engineSeconds / dealSeconds;
        state.counters["add_s"] = dealSeconds;
        state.counters["engine_s"] = engineSeconds;
        state.counters["speed_ratio"] = ratio;
        state.counters["rows"] = static_cast<double>(form.Shuffles().Count());
        PrintFigure(state, "Add to List speed / engine append speed", ratio, "target >= 0.80");
    }
}
BENCHMARK(BM_AddToListVsEngineAppend)->Iterations(1)->Unit(benchmark::kSecond);

void BM_ResidentMemory(benchmark::State& state) {
    TForm1& form = FilledForm();
    double megabytes = 0;
    for (auto _ : state) megabytes = ResidentMegabytes();
    state.counters["rss_MB"] = megabytes;
    state.counters["rows"] = static_cast<double>(form.Shuffles().Count());
    PrintFigure(state, "resident memory with 10M rows (MB)", megabytes, "target < 800");
}
BENCHMARK(BM_ResidentMemory)->Iterations(1);

// One screenful of cells from the middle of the list: every text, and with `colours` every
// text colour too.
void ProduceScreenful(const CardViewModel& model, int firstRow, bool colours) {
    for (int row = firstRow; row < firstRow + ScreenRows; ++row) {
        for (int column = 0; column < CardViewModel::ColumnCount; ++column) {
            const QModelIndex index = model.index(row, column);
            benchmark::DoNotOptimize(model.data(index, Qt::DisplayRole));
            if (colours) benchmark::DoNotOptimize(model.data(index, Qt::ForegroundRole));
        }
    }
}

void BM_ScreenfulOfCellTexts(benchmark::State& state) {
    TForm1& form = FilledForm();
    int firstRow = Rows / 2;
    for (auto _ : state) {
        ProduceScreenful(form.Model(), firstRow, false);
        firstRow = firstRow == Rows / 2 ? Rows - ScreenRows : Rows / 2;
    }
    state.counters["target_ms"] = 2;
}
BENCHMARK(BM_ScreenfulOfCellTexts)->Unit(benchmark::kMillisecond);

void BM_SeatChangeThenColouredScreenful(benchmark::State& state) {
    TForm1& form = FilledForm();
    QComboBox* dealt = Box(form, "DealtBox");
    int stage = 0;
    for (auto _ : state) {
        dealt->setCurrentIndex(stage);
        form.DealtBoxChange();
        ProduceScreenful(form.Model(), Rows / 3, true);
        stage = (stage + 1) % 4;
    }
    dealt->setCurrentIndex(3);
    form.DealtBoxChange();
    state.counters["target_ms"] = 2;
}
BENCHMARK(BM_SeatChangeThenColouredScreenful)->Unit(benchmark::kMillisecond);

void BM_ScrollToLastRow(benchmark::State& state) {
    TForm1& form = FilledForm();
    auto* view = form.findChild<QTableView*>(QStringLiteral("CardView"));
    const QModelIndex last = form.Model().index(form.Model().rowCount() - 1, 0);
    for (auto _ : state) {
        state.PauseTiming();
        view->verticalScrollBar()->setValue(0);
        view->viewport()->repaint();
        state.ResumeTiming();
        view->scrollTo(last);
        view->viewport()->repaint();
    }
    state.counters["at_bottom"] =
        view->verticalScrollBar()->value() == view->verticalScrollBar()->maximum();
    state.counters["target_ms"] = 20;
}
BENCHMARK(BM_ScrollToLastRow)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_FindNothingVsFinder(benchmark::State& state) {
    TForm1& form = FilledForm();
    // At the Hole stage a seat holds two cards, so "Three of a Kind" matches no row.
    Box(form, "DealtBox")->setCurrentIndex(0);
    form.DealtBoxChange();
    Box(form, "FindHandBox")->setCurrentIndex(8);
    double windowSeconds = 0, finderSeconds = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        form.FindNextBtnClick();
        const double t1 = CpuSeconds();
        benchmark::DoNotOptimize(
            FindNextHandRow(form.Shuffles(), 0, 8, SeatView{10, 0, Stage::Hole}));
        const double t2 = CpuSeconds();
        windowSeconds += t1 - t0;
        finderSeconds += t2 - t1;
    }
    Box(form, "DealtBox")->setCurrentIndex(3);
    form.DealtBoxChange();
    const double ratio = finderSeconds / windowSeconds;
    state.counters["find_next_s"] = windowSeconds / static_cast<double>(state.iterations());
    state.counters["speed_ratio"] = ratio;
    PrintFigure(state, "Find Next (nothing found) speed / finder speed", ratio, "target >= 0.70");
}
BENCHMARK(BM_FindNothingVsFinder)->Iterations(3)->Unit(benchmark::kSecond);

void BM_HandCategoryStatsVsBuilder(benchmark::State& state) {
    TForm1& form = FilledForm();
    double windowSeconds = 0, builderSeconds = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        form.PlayerPosStatsBtnClick();
        const double t1 = CpuSeconds();
        benchmark::DoNotOptimize(BuildHandCategoryReport(form.Shuffles(), SeatView{}, "."));
        const double t2 = CpuSeconds();
        windowSeconds += t1 - t0;
        builderSeconds += t2 - t1;
    }
    const double ratio = builderSeconds / windowSeconds;
    state.counters["stats_s"] = windowSeconds / static_cast<double>(state.iterations());
    state.counters["speed_ratio"] = ratio;
    PrintFigure(state, "hand category Stats speed / report builder speed", ratio, "target >= 0.70");
}
BENCHMARK(BM_HandCategoryStatsVsBuilder)->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheSession().form.reset();
    return 0;
}
