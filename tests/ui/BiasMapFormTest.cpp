// The "Bias Map" button of the main window and the bias map window: switch, tooltips, saving.
#include <QApplication>
#include <QFileDialog>
#include <QHelpEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QXmlStreamReader>
#include <filesystem>

#include "analysis/Export.h"
#include "render/BiasMapFile.h"
#include "render/BiasMapPicture.h"
#include "stats/FairnessReport.h"
#include "support/CliRunner.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/Application.h"
#include "ui/BackgroundWork.h"
#include "ui/BiasMapForm.h"
#include "ui/BiasMapView.h"

using namespace brevane;
using namespace brevane::test;

namespace {

TBiasMapForm* MapWindow(FormHarness& h) {
    return h.Form().findChild<TBiasMapForm*>(QStringLiteral("BiasMapForm"));
}

// Deals `rows` shuffles and clicks "Bias Map"; gives the window it opened.
TBiasMapForm* DealAndOpen(FormHarness& h, const char* rows) {
    h.Deal(QString::fromLatin1(rows));
    h.Click("BiasMapBtn");
    return MapWindow(h);
}

template <typename T>
T* Control(TBiasMapForm* form, const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
}

BiasMap Expected(const ShuffleList& list, BiasView view) {
    return BiasMap(CountShuffleList(list, SeatView{}), view);
}

}  // namespace

class BiasMapFormTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        KeyTheGenerator(5);
        errors_.clear();
        SetErrorReportHandler([this](const QString& text) { errors_.push_back(text); });
    }
    void cleanup() {
        SetErrorReportHandler({});
        SetWorkStartedHook({});
    }

    // Beside "Fairness", as large as the Stats buttons and as far from it as it is from the
    // last of them; next in the tab order.
    void buttonSitsRightOfFairness() {
        FormHarness h;
        auto* button = h.Child<QPushButton>("BiasMapBtn");
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Bias Map"));
        QCOMPARE(button->parentWidget()->objectName(), QStringLiteral("CardTab"));
        const QRect fairness = h.Child<QPushButton>("FairnessBtn")->geometry();
        const QRect stats = h.Child<QPushButton>("DeckPosStatsBtn")->geometry();
        QCOMPARE(fairness, QRect(607, 32, 58, 25));
        QCOMPARE(button->geometry(), QRect(671, 32, 58, 25));
        QCOMPARE(button->geometry().left() - fairness.right(), fairness.left() - stats.right());
        QCOMPARE(h.Child<QPushButton>("FairnessBtn")->nextInFocusChain(), button);
    }

    void emptyListSaysNoHandsDealt() {
        FormHarness h;
        h.Click("BiasMapBtn");
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(h.messages[0].text, QStringLiteral("No hands dealt"));
        QVERIFY(!MapWindow(h));
    }

    // The view of the smaller p-value, as the fairness tests give it; then the switch.
    void opensOnTheMoreTellingViewAndSwitches() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "300");
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(form->isWindow());
        QCOMPARE(form->windowTitle(), QStringLiteral("Bias Map"));
        const FairnessResult tests = RunFairnessTests(CountShuffleList(h.Form().Shuffles(), {}));
        const BiasView opened =
            tests.tests[1].p < tests.tests[0].p ? BiasView::Moves : BiasView::Cards;
        QCOMPARE(form->View(), opened);
        const BiasView other = opened == BiasView::Cards ? BiasView::Moves : BiasView::Cards;
        QVERIFY(form->CurrentMap());
        QCOMPARE(form->Picture().Map(), form->CurrentMap());
        const BiasMap shown = Expected(h.Form().Shuffles(), opened);
        QVERIFY(form->CurrentMap()->Counts() == shown.Counts());
        QCOMPARE(form->CurrentMap()->Title(), shown.Title());

        Control<QRadioButton>(form, other == BiasView::Moves ? "MovesViewBtn" : "CardsViewBtn")
            ->click();
        QCOMPARE(form->View(), other);
        QVERIFY(form->CurrentMap()->Counts() == Expected(h.Form().Shuffles(), other).Counts());
        QCOMPARE(form->Picture().Map(), form->CurrentMap());

        // A second click while the window is open counts the rows as they are now, in the same
        // window and the view the user chose.
        h.Deal(QStringLiteral("100"));
        h.Click("BiasMapBtn");
        QCOMPARE(MapWindow(h), form);
        QCOMPARE(form->View(), other);
        Control<QRadioButton>(form, "MovesViewBtn")->click();
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{399});
        Control<QRadioButton>(form, "CardsViewBtn")->click();
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{400});
    }

    // Naive swaps fail only the moves test: the window opens on Moves, whatever view it was
    // left on, and the switch gives each view's verdict.
    void naiveSwapsOpenOnMovesWithTheVerdictsOnTheSwitch() {
        FormHarness h;
        h.Choose("MethodBox", 1);  // Naive Swap
        TBiasMapForm* form = DealAndOpen(h, "3000");
        QCOMPARE(form->View(), BiasView::Moves);
        QCOMPARE(Control<QRadioButton>(form, "CardsViewBtn")->text(),
                 QStringLiteral("Cards: pass"));
        QCOMPARE(Control<QRadioButton>(form, "MovesViewBtn")->text(),
                 QStringLiteral("Moves: fail"));
        QVERIFY(form->CurrentMap()->Title().find("move-position: fail") != std::string::npos);

        Control<QRadioButton>(form, "CardsViewBtn")->click();
        form->close();
        h.Click("BiasMapBtn");
        QVERIFY(form->isVisible());
        QCOMPARE(form->View(), BiasView::Moves);
    }

    void shortListsHaveNoVerdictOnTheSwitch_data() {
        QTest::addColumn<QString>("rows");
        QTest::newRow("one") << QStringLiteral("1");
        QTest::newRow("too few for a test") << QStringLiteral("100");
    }
    void shortListsHaveNoVerdictOnTheSwitch() {
        QFETCH(QString, rows);
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, qPrintable(rows));
        QCOMPARE(form->View(), BiasView::Cards);
        QCOMPARE(Control<QRadioButton>(form, "CardsViewBtn")->text(),
                 QStringLiteral("Cards: too few shuffles"));
        QCOMPARE(Control<QRadioButton>(form, "MovesViewBtn")->text(),
                 QStringLiteral("Moves: too few shuffles"));
    }

    // An open window follows the list: rows added by "Add to List" and "Open File..." are
    // counted in, whichever view is shown; "Clear All" closes it.
    void anOpenWindowFollowsTheList() {
        QTemporaryDir dir;
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "300");
        Control<QRadioButton>(form, "CardsViewBtn")->click();
        h.Deal(QStringLiteral("250"));
        QVERIFY(form->isVisible());
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{550});
        QVERIFY(form->CurrentMap()->Counts() ==
                Expected(h.Form().Shuffles(), BiasView::Cards).Counts());
        Control<QRadioButton>(form, "MovesViewBtn")->click();
        QVERIFY(form->CurrentMap()->Counts() ==
                Expected(h.Form().Shuffles(), BiasView::Moves).Counts());

        ShuffleList file;
        for (const ShuffleRecord& row : ReferenceShuffles(40, 9)) file.Append(row);
        h.openPath = dir.filePath(QStringLiteral("rows.txt"));
        ExportShuffleList(file, QFile::encodeName(h.openPath).toStdString());
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{590});
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{589});
        QVERIFY(form->CurrentMap()->Counts() ==
                Expected(h.Form().Shuffles(), BiasView::Moves).Counts());
        QCOMPARE(Control<QRadioButton>(form, "CardsViewBtn")->text(),
                 QString::fromLatin1("Cards: ") +
                     QString::fromUtf8(VerdictText(
                         Expected(h.Form().Shuffles(), BiasView::Cards).Test().verdict)));

        h.Click("ClearBtn");
        QVERIFY(!form->isVisible());
        h.Deal(QStringLiteral("20"));
        QVERIFY(!form->isVisible());
        h.Click("BiasMapBtn");
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{20});
    }

    // A window the user closed is not counted for; a cancelled count closes an open one.
    void onlyAnOpenWindowIsCountedForAndACancelClosesIt() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "300");
        int works = 0;
        SetWorkStartedHook([&](WorkProgress& progress) {
            if (++works == 2) progress.Cancel();
        });
        h.Deal(QStringLiteral("30"));
        QCOMPARE(works, 2);
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{330});
        QVERIFY(!form->isVisible());
        h.Deal(QStringLiteral("30"));
        QCOMPARE(works, 3);
        SetWorkStartedHook({});
        h.Click("BiasMapBtn");
        QVERIFY(form->CurrentMap()->Counts() ==
                Expected(h.Form().Shuffles(), form->View()).Counts());
        QVERIFY(h.messages.empty());
    }

    void pictureFollowsTheWindowSize() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "60");
        QVERIFY(QTest::qWaitForWindowExposed(form));
        form->resize(500, 460);
        QApplication::processEvents();
        const int small = BiasMapLayout(form->Picture().rect()).Grid().width();
        form->resize(1100, 1000);
        QApplication::processEvents();
        const int large = BiasMapLayout(form->Picture().rect()).Grid().width();
        QVERIFY2(large > small + 300, qPrintable(QStringLiteral("%1 %2").arg(small).arg(large)));
    }

    void cellsHaveTooltips() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "80");
        QVERIFY(QTest::qWaitForWindowExposed(form));
        BiasMapView& view = form->Picture();
        const BiasMapLayout layout(view.rect());
        const QPoint point = layout.Cell(41, 6).center();
        const QString want = QString::fromStdString(form->CurrentMap()->CellText(41, 6));
        QVERIFY(want.startsWith(QStringLiteral("Card Qd, position 7: O = ")));
        QCOMPARE(view.ToolTipAt(point), want);
        QVERIFY(view.ToolTipAt(layout.Grid().topLeft() - QPoint(2, 2)).isEmpty());

        QHelpEvent help(QEvent::ToolTip, point, view.mapToGlobal(point));
        QApplication::sendEvent(&view, &help);
        QCOMPARE(QToolTip::text(), want);

        Control<QRadioButton>(form, "MovesViewBtn")->click();
        QVERIFY(view.ToolTipAt(layout.Cell(0, 51).center())
                    .startsWith(QStringLiteral("Earlier position 1, later position 52: O = ")));
    }

    void movesWithOneRowSaysItNeedsTwo() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "1");
        QVERIFY(form->CurrentMap());
        auto* save = Control<QPushButton>(form, "SavePictureBtn");
        QVERIFY(save->isEnabled());
        Control<QRadioButton>(form, "MovesViewBtn")->click();
        QVERIFY(!form->CurrentMap());
        QVERIFY(!form->Picture().Map());
        QVERIFY(form->Picture().Message().contains(QStringLiteral("needs at least two shuffles")));
        QVERIFY(!save->isEnabled());
        QVERIFY(form->Picture().ToolTipAt(form->Picture().rect().center()).isEmpty());
        QVERIFY(h.messages.empty());
    }

    void savePictureWritesPngOrSvgByExtension() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "200");
        TempDir dir;
        h.savePath = QString::fromStdString(dir.File("map.png"));
        Control<QPushButton>(form, "SavePictureBtn")->click();
        QCOMPARE(h.saveDialogRuns, 1);
        const QImage png(h.savePath);
        QCOMPARE(png.size(), BiasMapPictureSize);
        QCOMPARE(QByteArray::fromStdString(ReadFileBytes(dir.File("map.png"))),
                 EncodeBiasMap(*form->CurrentMap(), PictureFormat::Png));

        Control<QRadioButton>(form, "MovesViewBtn")->click();
        h.savePath = QString::fromStdString(dir.File("moves.svg"));
        Control<QPushButton>(form, "SavePictureBtn")->click();
        QCOMPARE(QByteArray::fromStdString(ReadFileBytes(dir.File("moves.svg"))),
                 EncodeBiasMap(*form->CurrentMap(), PictureFormat::Svg));
        QVERIFY(errors_.empty());

        // The dialog offers both types, PNG first.
        const QStringList filters = form->SavePictureDialog().nameFilters();
        QCOMPARE(filters.size(), 2);
        QVERIFY(filters[0].contains(QStringLiteral("*.png")));
        QVERIFY(filters[1].contains(QStringLiteral("*.svg")));
        QCOMPARE(form->SavePictureDialog().acceptMode(), QFileDialog::AcceptSave);

        h.savePath.clear();  // cancelled
        Control<QPushButton>(form, "SavePictureBtn")->click();
        QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
        QVERIFY(errors_.empty());
    }

    void saveFailuresGoToTheStandardErrorReport() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "20");
        TempDir dir;
        h.savePath = QString::fromStdString(dir.File("map.jpg"));
        Control<QPushButton>(form, "SavePictureBtn")->click();
        QCOMPARE(errors_.size(), std::size_t{1});
        QVERIFY(errors_[0].contains(QStringLiteral(".png or .svg")));
        QVERIFY(errors_[0].endsWith(u'.'));

        h.savePath = QString::fromStdString(dir.File("missing/map.png"));
        Control<QPushButton>(form, "SavePictureBtn")->click();
        QCOMPARE(errors_.size(), std::size_t{2});
        QCOMPARE(errors_[1], h.savePath + QStringLiteral(": No such file or directory."));
        QVERIFY(std::filesystem::is_empty(dir.Path()));
        QVERIFY(h.messages.empty());
    }

    // The window's picture is the command line's, escaped alike: rows that never change give
    // p = 0 and a title with "<", saved under a name holding every character XML quotes.
    void savedSvgIsXml() {
        TempDir dir;
        const ShuffleRecord row = ReferenceShuffles(1)[0];
        ShuffleList same;
        for (int k = 0; k < 300; ++k) same.Append(row);
        ExportShuffleList(same, dir.File("same.txt"));
        FormHarness h;
        h.openPath = QString::fromStdString(dir.File("same.txt"));
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{300});
        h.Click("BiasMapBtn");
        TBiasMapForm* form = MapWindow(h);
        QVERIFY(form != nullptr);
        for (const char* view : {"CardsViewBtn", "MovesViewBtn"}) {
            Control<QRadioButton>(form, view)->click();
            const std::string path = dir.File(std::string(view) + " a&<>\"'.svg");
            h.savePath = QString::fromStdString(path);
            Control<QPushButton>(form, "SavePictureBtn")->click();
            QXmlStreamReader xml(QByteArray::fromStdString(ReadFileBytes(path)));
            QString description;
            while (!xml.atEnd()) {
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"desc")
                    description = xml.readElementText();
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QCOMPARE(description, QString::fromStdString(form->CurrentMap()->Title()));
            QVERIFY(description.contains(QStringLiteral("p < 4.9e-324")));
        }
        QVERIFY(errors_.empty());
    }

  private:
    std::vector<QString> errors_;
};

BREVANE_UI_TEST_MAIN(BiasMapFormTest)
#include "BiasMapFormTest.moc"
