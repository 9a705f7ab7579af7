// Takes the README pictures of the windows: run by scripts/screenshot.sh under a virtual X server.
// Usage: brevane-screenshot OUTPUT_FOLDER
// Writes screenshot.png (the main window on the Hold'em tab, rows in the grid, a row focused),
// screenshot-holdem.png (the same with a hand category report open over it),
// screenshot-shuffle.png (the Shuffle tab with its Method list open) and
// screenshot-biasmap.png (the bias map window of those rows).
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "random/PRNG.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Stats.h"

namespace {

// A fixed key, so that every run shows the same deals.
constexpr const char* ScreenshotKey =
    "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

// Lets the window system map, lay out and paint the windows.
void Settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T>
T* Control(const QWidget& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control) {
        std::fprintf(stderr, "brevane-screenshot: no control %s\n", name);
        std::exit(1);
    }
    return control;
}

void SelectEntry(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    if (index < 0) {
        std::fprintf(stderr, "brevane-screenshot: no entry \"%s\" in %s\n", qPrintable(text),
                     qPrintable(box->objectName()));
        std::exit(1);
    }
    box->setCurrentIndex(index);
}

// The part of the screen that `area` (in screen coordinates) covers, frames included.
QPixmap GrabScreenArea(const QWidget& window, const QRect& area) {
    QScreen* screen = window.screen();
    return screen->grabWindow(0).copy(area.translated(-screen->geometry().topLeft()));
}

bool Save(const QPixmap& picture, const QString& path) {
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "brevane-screenshot: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: brevane-screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);

    brevane::GeneratorKey key{};
    brevane::ParseGeneratorKey(ScreenshotKey, key);
    brevane::TheShuffleGenerator().SetKey(key);

    int appArgc = 1;
    brevane::Application app(appArgc, argv);
    brevane::TForm1 form;
    brevane::TStatsForm statsForm(&form);
    // The report opens without a modal loop, so that the tool can photograph it.
    form.ShowReport = [&statsForm](const brevane::Report& report) {
        statsForm.SetReportText(report);
        statsForm.PlaceForShowing();
        statsForm.show();
    };
    form.CenterOnScreen();
    form.show();
    Settle(300);

    Control<QLineEdit>(form, "HandCount")->setText(QStringLiteral("1000"));
    form.DealBtnClick();

    auto* method = Control<QComboBox>(form, "MethodBox");
    method->showPopup();
    Settle(300);
    if (!Save(GrabScreenArea(form, form.frameGeometry()),
              folder + QStringLiteral("/screenshot-shuffle.png")))
        return 1;
    method->hidePopup();

    Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(1);
    SelectEntry(Control<QComboBox>(form, "PlayersBox"), QStringLiteral("6"));
    form.PlayersBoxChange();
    Control<QComboBox>(form, "PlayerPosBox")->setCurrentIndex(2);
    form.PlayerPosBoxChange();
    SelectEntry(Control<QComboBox>(form, "DealtBox"), QStringLiteral("Turn"));
    form.DealtBoxChange();

    auto* grid = Control<QTableView>(form, "CardView");
    grid->setFocus();
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(3, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Settle(300);

    // From the screen rather than from the widget, so that a window manager's title bar shows.
    if (!Save(GrabScreenArea(form, form.frameGeometry()),
              folder + QStringLiteral("/screenshot.png")))
        return 1;

    form.PlayerPosStatsBtnClick();
    statsForm.activateWindow();
    Settle(300);
    const QRect both = form.frameGeometry().united(statsForm.frameGeometry());
    if (!Save(GrabScreenArea(form, both), folder + QStringLiteral("/screenshot-holdem.png")))
        return 1;

    statsForm.hide();
    Control<QTabWidget>(form, "PageControl1")->setCurrentIndex(2);
    form.BiasMapBtnClick();
    auto* biasMap = Control<QWidget>(form, "BiasMapForm");
    Settle(300);
    // In the middle of the screen: a cascade from the main window would run off its bottom.
    QRect frame = biasMap->frameGeometry();
    frame.moveCenter(biasMap->screen()->availableGeometry().center());
    biasMap->move(frame.topLeft());
    Settle(300);
    if (!Save(GrabScreenArea(*biasMap, biasMap->frameGeometry()),
              folder + QStringLiteral("/screenshot-biasmap.png")))
        return 1;
    return 0;
}
