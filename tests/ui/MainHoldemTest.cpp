// The Texas Hold'em tab: seat and stage lists, grid colours, the hand panel and "Find Next".
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "analysis/Seats.h"
#include "hand/PokerHand.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/CardViewModel.h"

using namespace brevane;
using namespace brevane::test;

namespace {

enum class Colour { Normal, Red, Blue, Gray };

// Deck position of the seat's first hole card, from the dealing rule: seat s < n sits s places
// right of the dealer; a rotating seat moves one place to the left on every row.
int LiteralSeatPosition(int n, int seat, int row) {
    if (seat < n) return n - seat;
    return n - (seat - n + row) % n;
}

constexpr int LiteralBoardCards[4] = {0, 3, 4, 5};

Colour LiteralColour(int n, int seat, int stage, int row, int column) {
    if (column == 0) return Colour::Normal;
    const int d = LiteralSeatPosition(n, seat, row);
    if (column == d || column == d + n) return Colour::Red;
    if (column <= 2 * n) return Colour::Normal;
    if (column <= 2 * n + LiteralBoardCards[stage]) return Colour::Blue;
    return Colour::Gray;
}

Colour ShownColour(const QAbstractItemModel* model, int row, int column) {
    const QVariant value = model->index(row, column).data(Qt::ForegroundRole);
    if (!value.isValid()) return Colour::Normal;
    const QColor colour = value.value<QBrush>().color();
    if (colour == QColor(255, 0, 0)) return Colour::Red;
    if (colour == QColor(0, 0, 255)) return Colour::Blue;
    if (colour == QColor(128, 128, 128)) return Colour::Gray;
    return Colour::Normal;
}

QString LiteralName(std::int32_t code) {
    const char name[2] = {"23456789TJQKA"[(code - 1) / 4], "cdhs"[(code - 1) % 4]};
    return QString::fromLatin1(name, 2);
}

// The seat's seven cards on a row, 0 for cards the stage has not dealt.
std::array<std::int32_t, 7> LiteralSeven(const ShuffleRecord& row, int n, int seat, int stage,
                                         int rowIndex) {
    const int d = LiteralSeatPosition(n, seat, rowIndex);
    std::array<std::int32_t, 7> cards{row[d - 1], row[d + n - 1], 0, 0, 0, 0, 0};
    for (int k = 0; k < LiteralBoardCards[stage]; ++k) cards[2 + k] = row[2 * n + k];
    return cards;
}

std::int32_t LiteralValue(const std::array<std::int32_t, 7>& c) {
    return EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

void SetSeatView(FormHarness& h, int players, int seat, int stage) {
    h.Choose("PlayersBox", players - 2);
    h.Choose("PlayerPosBox", seat);
    h.Choose("DealtBox", stage);
}

}  // namespace

class MainHoldemTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { KeyTheGenerator(2); }

    void everyCellFollowsTheDealingRule() {
        FormHarness h;
        h.Deal(QStringLiteral("12"));
        const QAbstractItemModel* model = h.View()->model();
        for (int n = 2; n <= 10; ++n) {
            for (int seat = 0; seat < 2 * n; ++seat) {
                for (int stage = 0; stage < 4; ++stage) {
                    SetSeatView(h, n, seat, stage);
                    for (int row = 0; row < 12; ++row) {
                        for (int column = 0; column < 53; ++column) {
                            if (ShownColour(model, row, column) !=
                                LiteralColour(n, seat, stage, row, column)) {
                                QFAIL(qPrintable(QStringLiteral("n %1 seat %2 stage %3 row %4 "
                                                                "column %5")
                                                     .arg(n)
                                                     .arg(seat)
                                                     .arg(stage)
                                                     .arg(row)
                                                     .arg(column)));
                            }
                        }
                    }
                }
            }
        }
    }

    void namedSeatViewsColourTheirColumns() {
        FormHarness h;
        h.Deal(QStringLiteral("5"));
        const QAbstractItemModel* model = h.View()->model();
        SetSeatView(h, 2, 0, 3);
        QCOMPARE(h.Box("PlayerPosBox")->count(), 4);
        for (int row = 0; row < 5; ++row) {
            for (int column = 1; column <= 52; ++column) {
                const Colour expected = column == 2 || column == 4   ? Colour::Red
                                        : column >= 5 && column <= 9 ? Colour::Blue
                                        : column >= 10               ? Colour::Gray
                                                                     : Colour::Normal;
                QCOMPARE(ShownColour(model, row, column), expected);
            }
            QCOMPARE(ShownColour(model, row, 0), Colour::Normal);
        }
        SetSeatView(h, 10, 0, 1);
        for (int column = 1; column <= 52; ++column) {
            const Colour expected = column == 10 || column == 20   ? Colour::Red
                                    : column >= 21 && column <= 23 ? Colour::Blue
                                    : column >= 24                 ? Colour::Gray
                                                                   : Colour::Normal;
            QCOMPARE(ShownColour(model, 3, column), expected);
        }
        SetSeatView(h, 3, 3, 3);
        QCOMPARE(h.Box("PlayerPosBox")->currentText(), QStringLiteral("D  (rotate)"));
        const int redColumns[4][2] = {{3, 6}, {2, 5}, {1, 4}, {3, 6}};
        for (int row = 0; row < 4; ++row) {
            QList<int> red;
            for (int column = 1; column <= 52; ++column) {
                if (ShownColour(model, row, column) == Colour::Red) red << column;
            }
            QCOMPARE(red, (QList<int>{redColumns[row][0], redColumns[row][1]}));
        }
    }

    void selectedRowKeepsTheSeatColours() {
        FormHarness h;
        h.Form().resize(784, 562);
        h.Form().show();
        h.Deal(QStringLiteral("3"));
        SetSeatView(h, 2, 0, 3);
        QTableView* view = h.View();
        view->selectRow(1);
        QCoreApplication::processEvents();
        const QImage image = view->viewport()->grab().toImage();
        auto hasPureRed = [&](int row, int column) {
            const QRect cell = view->visualRect(view->model()->index(row, column));
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 200 && c.green() < 70 && c.blue() < 70) return true;
                }
            }
            return false;
        };
        QVERIFY(hasPureRed(1, 2));   // the seat's hole card on the selected row
        QVERIFY(hasPureRed(0, 2));   // and on a row that is not selected
        QVERIFY(!hasPureRed(1, 1));  // another seat's hole card keeps the normal colour
    }

    void seatAndStageChangesRedrawTheGrid() {
        FormHarness h;
        h.Deal(QStringLiteral("3"));
        QSignalSpy changed(&h.Form().Model(), &QAbstractItemModel::dataChanged);
        h.Choose("DealtBox", 1);
        h.Choose("PlayerPosBox", 4);
        h.Choose("PlayersBox", 3);
        QCOMPARE(changed.size(), 3);
        for (const QList<QVariant>& args : changed) {
            QCOMPARE(args[0].toModelIndex(), h.View()->model()->index(0, 0));
            QCOMPARE(args[1].toModelIndex(), h.View()->model()->index(2, 52));
        }
    }

    void playerCountResetsTheSeatToDealer() {
        FormHarness h;
        h.Choose("PlayerPosBox", 7);
        h.Choose("PlayersBox", 4);  // six players
        QCOMPARE(h.Form().NumPlayers(), 6);
        QCOMPARE(h.Box("PlayerPosBox")->count(), 12);
        QCOMPARE(h.Box("PlayerPosBox")->currentIndex(), 0);
        QCOMPARE(h.Box("PlayerPosBox")->currentText(), QStringLiteral("D"));
        QCOMPARE(h.Box("PlayerPosBox")->itemText(6), QStringLiteral("D  (rotate)"));
        h.Choose("PlayersBox", 0);
        QCOMPARE(h.Box("PlayerPosBox")->count(), 4);
        QCOMPARE(h.Box("PlayerPosBox")->itemText(3), QStringLiteral("D-1  (rotate)"));
    }

    void handPanelDescribesTheFocusedRow() {
        FormHarness h;
        h.Deal(QStringLiteral("6"));
        const std::vector<ShuffleRecord> rows = ReferenceShuffles(6, 2);
        QCOMPARE(h.PanelText(), QString());
        h.View()->setCurrentIndex(h.View()->model()->index(4, 7));
        const QRegularExpression format(
            QStringLiteral(R"(^\[(\w\w) (\w\w)\](?: \[((?:\w\w ?)+)\])?  =  (.+)$)"));
        for (int stage = 0; stage < 4; ++stage) {
            h.Choose("DealtBox", stage);
            const QRegularExpressionMatch match = format.match(h.PanelText());
            QVERIFY2(match.hasMatch(), qPrintable(h.PanelText()));
            const auto seven = LiteralSeven(rows[4], 10, 0, stage, 4);
            QCOMPARE(match.captured(1), LiteralName(seven[0]));
            QCOMPARE(match.captured(2), LiteralName(seven[1]));
            QStringList board;
            for (int k = 0; k < LiteralBoardCards[stage]; ++k) board << LiteralName(seven[2 + k]);
            QCOMPARE(match.captured(3), board.join(u' '));
            QCOMPARE(match.captured(4),
                     QString::fromStdString(HandDescription(LiteralValue(seven))));
        }
        h.View()->setCurrentIndex(QModelIndex());
        QCOMPARE(h.PanelText(), QString());
        h.Choose("DealtBox", 2);
        QCOMPARE(h.PanelText(), QString());
    }

    void findNextWalksThroughTheMatches() {
        FormHarness h;
        h.Deal(QStringLiteral("300"));
        const std::vector<ShuffleRecord> rows = ReferenceShuffles(300, 2);
        h.Choose("FindHandBox", 2);  // "Pair": exactly one pair
        std::vector<int> matches;
        for (int r = 0; r < 300; ++r) {
            if ((LiteralValue(LiteralSeven(rows[r], 10, 0, 3, r)) >> 20) == 2) matches.push_back(r);
        }
        QVERIFY(matches.size() > 10);
        h.View()->setCurrentIndex(h.View()->model()->index(matches[0], 0));
        h.View()->selectionModel()->clearSelection();
        for (int match : matches) {
            h.Click("FindNextBtn");
            const QModelIndexList selected = h.View()->selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected[0].row(), match);
        }
        QVERIFY(h.messages.empty());
        h.Click("FindNextBtn");
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages[0].icon, QMessageBox::Information);
        QCOMPARE(h.messages[0].text, QStringLiteral("End of List"));
        const QModelIndexList kept = h.View()->selectionModel()->selectedRows();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].row(), matches.back());
    }

    void findNextStartsAtTheFirstRowWithoutSelection() {
        FormHarness h;
        h.Deal(QStringLiteral("5"));
        h.Choose("FindHandBox", 3);  // "Pair +": at River nearly every row; row 0 must be tried
        const std::vector<ShuffleRecord> rows = ReferenceShuffles(5, 2);
        int first = 0;
        while ((LiteralValue(LiteralSeven(rows[first], 10, 0, 3, first)) >> 20) < 2) ++first;
        h.Click("FindNextBtn");
        QCOMPARE(h.View()->selectionModel()->selectedRows().value(0).row(), first);

        h.Choose("FindHandBox", 25);  // "Royal Flush": none in so few rows
        h.Click("FindNextBtn");
        QCOMPARE(h.messages.back().text, QStringLiteral("End of List"));
        QCOMPARE(h.View()->selectionModel()->selectedRows().value(0).row(), first);

        // With the last row selected nothing is left to search, whatever the class.
        h.Choose("FindHandBox", 0);
        h.View()->selectionModel()->select(
            h.View()->model()->index(4, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        h.Click("FindNextBtn");
        QCOMPARE(h.messages.size(), std::size_t{2});
        QCOMPARE(h.messages.back().text, QStringLiteral("End of List"));
        QCOMPARE(h.View()->selectionModel()->selectedRows().value(0).row(), 4);
    }

    void findNextOnAnEmptyListSaysNoHandsDealt() {
        FormHarness h;
        h.Click("FindNextBtn");
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(h.messages[0].text, QStringLiteral("No hands dealt"));
        QVERIFY(h.View()->selectionModel()->selection().isEmpty());
    }

    void foundRowIsCentredAndSelectedWhileTheFocusStays() {
        FormHarness h;
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        h.Deal(QStringLiteral("3000"));
        const std::vector<ShuffleRecord> rows = ReferenceShuffles(3000, 2);
        h.Choose("FindHandBox", 8);  // "Three of a Kind"
        int target = 1500;
        while ((LiteralValue(LiteralSeven(rows[target], 10, 0, 3, target)) >> 20) != 4) ++target;
        QTableView* view = h.View();
        view->setCurrentIndex(view->model()->index(2, 0));
        const QString focusedPanel = h.PanelText();
        view->selectionModel()->select(
            view->model()->index(1499, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        const int horizontal = view->horizontalScrollBar()->value();
        QVERIFY(horizontal > 0);

        h.Click("FindNextBtn");
        const QModelIndexList selected = view->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0].row(), target);
        QCOMPARE(view->currentIndex().row(), 2);
        QCOMPARE(view->horizontalScrollBar()->value(), horizontal);
        const QRect place = view->visualRect(view->model()->index(target, 1));
        QVERIFY(std::abs(place.center().y() - view->viewport()->height() / 2) <=
                place.height() / 2);
        const auto seven = LiteralSeven(rows[target], 10, 0, 3, target);
        QVERIFY(h.PanelText().startsWith(
            QStringLiteral("[%1 %2]").arg(LiteralName(seven[0]), LiteralName(seven[1]))));
        QVERIFY(h.PanelText() != focusedPanel);
        // The next change of the seat view goes back to the focused row.
        h.Choose("DealtBox", 3);
        QCOMPARE(h.PanelText(), focusedPanel);
    }
};

BREVANE_UI_TEST_MAIN(MainHoldemTest)
#include "MainHoldemTest.moc"
