// The main window: start-up state, layout, the tab-width rule and the grid's cells.
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/CardViewModel.h"
#include "ui/PageControl.h"

using namespace brevane;
using namespace brevane::test;

namespace {

QString LiteralCardName(std::int32_t code) {
    const char name[2] = {"23456789TJQKA"[(code - 1) / 4], "cdhs"[(code - 1) % 4]};
    return QString::fromLatin1(name, 2);
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// The widgets that take the keyboard focus after `from`, in focus-chain order.
QList<QWidget*> FocusChainAfter(QWidget* from, int count) {
    QList<QWidget*> chain;
    for (QWidget* w = from->nextInFocusChain(); w != from && chain.size() < count;
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) chain << w;
    }
    return chain;
}

}  // namespace

class MainTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { KeyTheGenerator(); }

    void windowStartsWithCaptionSizeAndEmptyGrid() {
        FormHarness h;
        TForm1& form = h.Form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Brevane Card Shuffling Simulator 1.02"));
        QCOMPARE(form.size(), QSize(784, 562));
        QCOMPARE(form.minimumSize(), QSize(640, 480));
        QCOMPARE(form.Shuffles().Count(), std::size_t{0});
        QCOMPARE(form.WorkingDeck(), InitialDeck());
        QCOMPARE(h.View()->model()->rowCount(), 0);
        QCOMPARE(h.View()->model()->columnCount(), 53);
        QCOMPARE(h.PanelText(), QString());
        QCOMPARE(form.NumPlayers(), 10);

        auto* tabs = h.Child<QTabWidget>("PageControl1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Shuffle"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Texas Hold'em Stats"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Card Stats"));
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("ShuffleTab"));
    }

    void listsStartFilledAndSelected() {
        FormHarness h;
        QCOMPARE(h.Child<QLineEdit>("HandCount")->text(), QStringLiteral("10000"));
        const QStringList cards = Items(h.Box("CardBox"));
        QCOMPARE(cards.size(), 52);
        QCOMPARE(cards.mid(0, 5), (QStringList{"2c", "2d", "2h", "2s", "3c"}));
        QCOMPARE(cards.back(), QStringLiteral("As"));
        for (int code = 1; code <= 52; ++code) QCOMPARE(cards[code - 1], LiteralCardName(code));
        QCOMPARE(Items(h.Box("RankBox")),
                 (QStringList{"2", "3", "4", "5", "6", "7", "8", "9", "T", "J", "Q", "K", "A"}));
        const QStringList positions = Items(h.Box("DeckPosBox"));
        QCOMPARE(positions.size(), 52);
        for (int i = 0; i < 52; ++i) QCOMPARE(positions[i], QString::number(i + 1));
        QCOMPARE(Items(h.Box("SuitBox")), (QStringList{"Club", "Diamond", "Heart", "Spade"}));
        QCOMPARE(Items(h.Box("PlayersBox")),
                 (QStringList{"2", "3", "4", "5", "6", "7", "8", "9", "10"}));
        QCOMPARE(Items(h.Box("DealtBox")), (QStringList{"Hole", "Flop", "Turn", "River"}));

        const QStringList findHand = Items(h.Box("FindHandBox"));
        QCOMPARE(findHand.size(), 26);
        QCOMPARE(findHand.front(), QStringLiteral("High Card"));
        QCOMPARE(findHand[1], QStringLiteral("Pair -"));
        QCOMPARE(findHand[23], QStringLiteral("Straight Flush"));
        QCOMPARE(findHand.back(), QStringLiteral("Royal Flush"));

        const QStringList seats = Items(h.Box("PlayerPosBox"));
        QCOMPARE(seats.size(), 20);
        QCOMPARE(seats.front(), QStringLiteral("D"));
        QCOMPARE(seats[10], QStringLiteral("D  (rotate)"));

        const struct {
            const char* box;
            const char* shown;
        } chosen[] = {{"CardBox", "2c"},
                      {"RankBox", "2"},
                      {"SuitBox", "Club"},
                      {"DeckPosBox", "1"},
                      {"PlayersBox", "10"},
                      {"DealtBox", "River"},
                      {"FindHandBox", "High Card"},
                      {"PlayerPosBox", "D"}};
        for (const auto& c : chosen) {
            QCOMPARE(h.Box(c.box)->currentText(), QString::fromLatin1(c.shown));
            QVERIFY(!h.Box(c.box)->isEditable());
        }
        QCOMPARE(h.Box("FindHandBox")->maxVisibleItems(), 26);
        QCOMPARE(h.Box("PlayerPosBox")->maxVisibleItems(), 20);
        QCOMPARE(h.Box("SuitBox")->maxVisibleItems(), 8);
    }

    void controlsHaveTheirCaptionsAndGeometry() {
        FormHarness h;
        const struct {
            const char* name;
            const char* caption;
            QRect geometry;
        } controls[] = {
            {"Label1", "Shuffles:", {24, 23, 43, 13}},
            {"HandCount", nullptr, {73, 20, 86, 21}},
            {"DealBtn", "Add to List", {165, 18, 76, 25}},
            {"ClearBtn", "Clear All", {264, 18, 75, 25}},
            {"SaveBtn", "Save to File", {345, 18, 75, 25}},
            {"Label6", "Players:", {10, 15, 39, 13}},
            {"Label7", "Position:", {79, 15, 41, 13}},
            {"Label8", "Dealt:", {180, 15, 29, 13}},
            {"Label9", "Hand:", {336, 15, 29, 13}},
            {"PlayersBox", nullptr, {10, 34, 63, 21}},
            {"PlayerPosBox", nullptr, {79, 34, 90, 21}},
            {"DealtBox", nullptr, {180, 34, 66, 21}},
            {"PlayerPosStatsBtn", "Stats", {252, 32, 58, 25}},
            {"FindHandBox", nullptr, {336, 34, 113, 21}},
            {"FindNextBtn", "Find Next", {455, 32, 74, 25}},
            {"Label3", "Card:", {15, 15, 27, 13}},
            {"Label5", "Rank:", {167, 15, 28, 13}},
            {"Label4", "Suit:", {319, 15, 22, 13}},
            {"Label2", "Deck Pos:", {471, 15, 47, 13}},
            {"CardBox", nullptr, {15, 34, 66, 21}},
            {"CardStatsBtn", "Stats", {87, 32, 58, 25}},
            {"RankBox", nullptr, {167, 34, 66, 21}},
            {"RankStatsBtn", "Stats", {239, 32, 58, 25}},
            {"SuitBox", nullptr, {319, 34, 66, 21}},
            {"SuitStatsBtn", "Stats", {391, 32, 58, 25}},
            {"DeckPosBox", nullptr, {471, 34, 66, 21}},
            {"DeckPosStatsBtn", "Stats", {543, 32, 58, 25}},
        };
        for (const auto& c : controls) {
            auto* widget = h.Child<QWidget>(c.name);
            QVERIFY2(widget != nullptr, c.name);
            QCOMPARE(widget->geometry(), c.geometry);
            if (c.caption == nullptr) continue;
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                QCOMPARE(label->text(), QString::fromLatin1(c.caption));
            } else {
                QCOMPARE(qobject_cast<QPushButton*>(widget)->text(),
                         QString::fromLatin1(c.caption));
            }
        }
    }

    void statusStripAndGridFillTheWindow() {
        FormHarness h;
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        QCOMPARE(h.Child<QWidget>("PageControl1")->geometry(), QRect(0, 0, 784, 97));
        QCOMPARE(h.View()->geometry(), QRect(0, 97, 784, 445));
        QCOMPARE(h.Child<QWidget>("Panel2")->geometry(), QRect(0, 542, 784, 20));
        auto* hole = h.Child<QLabel>("HoleCardPanel");
        auto* community = h.Child<QLabel>("CommunityCardPanel");
        auto* hand = h.Child<QLabel>("HandPanel");
        QCOMPARE(hole->text(), QStringLiteral("Red:  Selected Hole Cards"));
        QCOMPARE(community->text(), QStringLiteral("Blue:  Community Cards"));
        QCOMPARE(hole->geometry(), QRect(0, 0, 185, 20));
        QCOMPARE(community->geometry(), QRect(185, 0, 185, 20));
        QCOMPARE(hand->geometry(), QRect(370, 0, 414, 20));
        QCOMPARE(hole->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(community->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }

    void tabOrderRunsAsListed() {
        FormHarness h;
        const auto names = [](const QList<QWidget*>& widgets) {
            QStringList list;
            for (QWidget* w : widgets) list << w->objectName();
            return list;
        };
        QCOMPARE(names(FocusChainAfter(h.Child<QWidget>("HandCount"), 3)),
                 (QStringList{"DealBtn", "ClearBtn", "SaveBtn"}));
        QCOMPARE(names(FocusChainAfter(h.Child<QWidget>("PlayersBox"), 5)),
                 (QStringList{"PlayerPosBox", "DealtBox", "PlayerPosStatsBtn", "FindHandBox",
                              "FindNextBtn"}));
        QCOMPARE(names(FocusChainAfter(h.Child<QWidget>("CardBox"), 7)),
                 (QStringList{"CardStatsBtn", "RankBox", "RankStatsBtn", "SuitBox", "SuitStatsBtn",
                              "DeckPosBox", "DeckPosStatsBtn"}));
        QCOMPARE(names(FocusChainAfter(h.View(), 1)), QStringList{"PageControl1"});
    }

    void tabsSpreadAcrossTheWindowWidth() {
        FormHarness h;
        TForm1& form = h.Form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* tabs = h.Child<PageControl>("PageControl1");
        QCOMPARE(tabs->width(), 784);
        QCOMPARE(tabs->SpreadBar()->TabWidth(), 258);
        QCOMPARE(tabs->tabBar()->tabRect(1).width(), 258);

        form.resize(700, 562);
        QTRY_COMPARE(tabs->width(), 700);
        QCOMPARE(tabs->SpreadBar()->TabWidth(), 230);
        QTRY_COMPARE(tabs->tabBar()->tabRect(2).width(), 230);

        form.resize(300, 200);
        QTRY_COMPARE(form.width(), 640);
        QCOMPARE(form.height(), 480);
        QCOMPARE(tabs->SpreadBar()->TabWidth(), 210);
    }

    void windowIsCentredOnItsScreen() {
        FormHarness h;
        TForm1& form = h.Form();
        form.CenterOnScreen();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint screenCentre = form.screen()->availableGeometry().center();
        // The frame's size is known only once the window is shown, so allow for its border.
        const QPoint offset = form.frameGeometry().center() - screenCentre;
        QVERIFY2(std::abs(offset.x()) <= 4 && std::abs(offset.y()) <= 4,
                 qPrintable(QStringLiteral("off by %1,%2").arg(offset.x()).arg(offset.y())));
    }

    void fontsAreAskedForByFamily() {
        FormHarness h;
        QCOMPARE(h.View()->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(h.View()->font().pointSize(), 8);
        QCOMPARE(h.Child<QPushButton>("DealBtn")->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(h.View()->horizontalHeader()->font().family(), QStringLiteral("Tahoma"));
        // fonts-wine's Tahoma is loaded by the program itself when installed.
        if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"))) {
            QCOMPARE(QFontInfo(h.Child<QPushButton>("DealBtn")->font()).family(),
                     QStringLiteral("Tahoma"));
        }
    }

    void gridShowsHandNumbersAndCardNames() {
        FormHarness h;
        h.Deal(QStringLiteral("3"));
        const std::vector<ShuffleRecord> expected = ReferenceShuffles(3);
        const QAbstractItemModel* model = h.View()->model();
        QCOMPARE(model->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(model->index(row, 0).data().toString(), QString::number(row + 1));
            for (int column = 1; column <= 52; ++column) {
                QCOMPARE(model->index(row, column).data().toString(),
                         LiteralCardName(expected[row][column - 1]));
            }
        }
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Hand / Card"));
        QCOMPARE(model->headerData(52, Qt::Horizontal).toString(), QStringLiteral("52"));
        QHeaderView* header = h.View()->horizontalHeader();
        QCOMPARE(header->sectionSize(0), 75);
        QCOMPARE(header->sectionSize(1), 30);
        QCOMPARE(header->sectionSize(52), 30);
        QCOMPARE(header->height(), 20);
        QVERIFY(header->sectionsMovable());
        QCOMPARE(header->sectionResizeMode(5), QHeaderView::Interactive);
        QVERIFY(!h.View()->verticalHeader()->isVisible());
        QVERIFY(!h.View()->showGrid());
        QCOMPARE(h.View()->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(h.View()->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void movedColumnKeepsItsContent() {
        FormHarness h;
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        h.Deal(QStringLiteral("2"));
        const std::vector<ShuffleRecord> expected = ReferenceShuffles(2);
        QHeaderView* header = h.View()->horizontalHeader();
        header->moveSection(header->visualIndex(5), 1);
        QCOMPARE(header->logicalIndex(1), 5);
        QCOMPARE(header->logicalIndex(2), 1);
        // The cell drawn in the first card place is deck position 5's card, under caption "5".
        const QRect place = h.View()->visualRect(h.View()->model()->index(1, 5));
        const QModelIndex shown = h.View()->indexAt(place.center());
        QCOMPARE(shown.column(), 5);
        QCOMPARE(shown.data().toString(), LiteralCardName(expected[1][4]));
        QCOMPARE(h.View()->model()->headerData(shown.column(), Qt::Horizontal).toString(),
                 QStringLiteral("5"));
        QCOMPARE(header->sectionViewportPosition(5), header->sectionViewportPosition(0) + 75);
    }
};

BREVANE_UI_TEST_MAIN(MainTest)
#include "MainTest.moc"
