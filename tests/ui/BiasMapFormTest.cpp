// The "Bias Map" button of the main window and the bias map window: switch, tooltips, saving.
#include <QApplication>
#include <QFileDialog>
#include <QHelpEvent>
#include <QPushButton>
#include <QRadioButton>
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
    void cleanup() { SetErrorReportHandler({}); }

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

    void opensOnTheCardsViewAndSwitchesToMoves() {
        FormHarness h;
        TBiasMapForm* form = DealAndOpen(h, "300");
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(form->isWindow());
        QCOMPARE(form->windowTitle(), QStringLiteral("Bias Map"));
        QCOMPARE(form->View(), BiasView::Cards);
        QVERIFY(form->CurrentMap());
        QCOMPARE(form->Picture().Map(), form->CurrentMap());
        const BiasMap cards = Expected(h.Form().Shuffles(), BiasView::Cards);
        QVERIFY(form->CurrentMap()->Counts() == cards.Counts());
        QCOMPARE(form->CurrentMap()->Title(), cards.Title());

        Control<QRadioButton>(form, "MovesViewBtn")->click();
        QCOMPARE(form->View(), BiasView::Moves);
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{299});
        QVERIFY(form->CurrentMap()->Counts() ==
                Expected(h.Form().Shuffles(), BiasView::Moves).Counts());
        QCOMPARE(form->Picture().Map(), form->CurrentMap());

        // A second click counts the rows as they are now, in the same window and view.
        h.Deal(QStringLiteral("100"));
        h.Click("BiasMapBtn");
        QCOMPARE(MapWindow(h), form);
        QCOMPARE(form->View(), BiasView::Moves);
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{399});
        Control<QRadioButton>(form, "CardsViewBtn")->click();
        QCOMPARE(form->CurrentMap()->Total(), std::uint64_t{400});
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
