// The main window under a real window manager (icewm on a virtual X server, started by
// scripts/with-icewm.sh), driven by mouse clicks and key presses that come through the X server.
#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QTabBar>
#include <QTest>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "support/XServerProbe.h"
#include "ui/PageControl.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// The main window, shown, framed by the window manager and holding `rows` rows that a click on
// "Add to List" added.
struct FramedForm {
    FormHarness h;
    bool ready = false;

    explicit FramedForm(int rows) {
        h.Form().CenterOnScreen();
        h.Form().show();
        if (!WaitUntilFramed(h.Form())) return;
        h.Child<QLineEdit>("HandCount")->setText(QString::number(rows));
        auto* deal = h.Child<QPushButton>("DealBtn");
        if (!ClickThroughServer(*deal, deal->rect().center())) return;
        ready = QTest::qWaitFor(
            [&] { return h.Form().Shuffles().Count() == static_cast<std::size_t>(rows); });
    }

    PageControl* Tabs() const { return h.Child<PageControl>("PageControl1"); }
    QModelIndex Current() const { return h.View()->selectionModel()->currentIndex(); }

    bool ClickTab(int index) const {
        QTabBar* bar = Tabs()->tabBar();
        return ClickThroughServer(*bar, bar->tabRect(index).center()) &&
               QTest::qWaitFor([&] { return Tabs()->currentIndex() == index; });
    }

    bool ClickCell(int row, int column) const {
        QTableView* view = h.View();
        const QModelIndex cell = view->model()->index(row, column);
        return ClickThroughServer(*view->viewport(), view->visualRect(cell).center()) &&
               QTest::qWaitFor([&] { return Current() == cell && view->hasFocus(); });
    }
};

}  // namespace

class MainWmTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { BREVANE_REQUIRE_X_SERVER(); }

    void init() { KeyTheGenerator(6); }

    void clickingATabAfterAddingShowsNoHand() {
        FramedForm f(40);
        QVERIFY(f.ready);
        for (int tab : {1, 2, 0, 1}) {
            QVERIFY(f.ClickTab(tab));
            QVERIFY2(!f.Current().isValid(), qPrintable(QString::number(tab)));
            QCOMPARE(f.h.PanelText(), QString());
        }
        // A row the user clicks is what the panel shows.
        QVERIFY(f.ClickCell(5, 3));
        QTRY_VERIFY(f.h.PanelText().startsWith(u'['));
    }

    void tabKeysLeaveTheGrid() {
        FramedForm f(20);
        QVERIFY(f.ready);
        // A cell of its own for each key: two quick clicks on one cell would make a double click.
        int row = 2;
        for (const char* keys : {"Tab", "shift+Tab"}) {
            QVERIFY2(f.ClickCell(row, 6), keys);
            row += 3;
            const QModelIndex cell = f.Current();
            QVERIFY(TypeThroughServer(QString::fromLatin1(keys)));
            QTRY_VERIFY2(!f.h.View()->hasFocus(), keys);
            QVERIFY(QApplication::focusWidget() != nullptr);
            QCOMPARE(f.Current(), cell);
        }
    }

    void openListsShowTheirRowCounts() {
        FramedForm f(1);
        QVERIFY(f.ready);
        QVERIFY(f.ClickTab(2));
        for (const char* name : {"CardBox", "DeckPosBox"}) {
            QComboBox* box = f.h.Box(name);
            QVERIFY(ClickThroughServer(*box, box->rect().center()));
            QTRY_VERIFY(box->view()->isVisible());
            QTRY_COMPARE(WholeRowsShown(box), 26);
            QVERIFY(TypeThroughServer(QStringLiteral("Escape")));
            QTRY_VERIFY(!box->view()->isVisible());
        }
    }
};

BREVANE_UI_TEST_MAIN(MainWmTest)
#include "MainWmTest.moc"
