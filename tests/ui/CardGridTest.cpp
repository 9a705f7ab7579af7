// The grid's keyboard focus: entering it marks no row, and Tab leaves it.
#include <QApplication>
#include <QItemSelectionModel>
#include <QTabBar>
#include <QTest>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/PageControl.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// A shown, active main window with `rows` rows, added by clicking "Add to List" with the mouse,
// so that the button keeps the focus as it does for the user.
struct ActiveForm {
    FormHarness h;

    explicit ActiveForm(int rows) {
        h.Form().show();
        h.Form().activateWindow();
        if (!QTest::qWaitForWindowActive(&h.Form())) return;
        h.Child<QLineEdit>("HandCount")->setText(QString::number(rows));
        auto* deal = h.Child<QPushButton>("DealBtn");
        deal->setFocus(Qt::MouseFocusReason);
        QTest::mouseClick(deal, Qt::LeftButton);
    }

    QTabBar* Tabs() const { return h.Child<PageControl>("PageControl1")->tabBar(); }
    QModelIndex Current() const { return h.View()->selectionModel()->currentIndex(); }

    void ClickTab(int index) const {
        QTest::mouseClick(Tabs(), Qt::LeftButton, {}, Tabs()->tabRect(index).center());
    }
};

}  // namespace

class CardGridTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { KeyTheGenerator(4); }

    void tabSwitchLeavesThePanelEmpty() {
        ActiveForm f(30);
        QVERIFY(QApplication::activeWindow() == &f.h.Form());
        QCOMPARE(static_cast<int>(f.h.Form().Shuffles().Count()), 30);
        QVERIFY(QApplication::focusWidget() == f.h.Child<QWidget>("DealBtn"));

        for (int tab : {1, 2, 0, 1}) {
            f.ClickTab(tab);
            QCOMPARE(f.h.Child<PageControl>("PageControl1")->currentIndex(), tab);
            QVERIFY2(!f.Current().isValid(), qPrintable(QString::number(tab)));
            QVERIFY(f.h.View()->selectionModel()->selection().isEmpty());
            QCOMPARE(f.h.PanelText(), QString());
        }
    }

    void keyboardFocusEnteringTheGridMarksNoRow() {
        ActiveForm f(10);
        f.h.View()->setFocus(Qt::TabFocusReason);
        QVERIFY(f.h.View()->hasFocus());
        QVERIFY(!f.Current().isValid());
        QCOMPARE(f.h.PanelText(), QString());

        // The first arrow key still reaches the rows, and the panel follows the row it marks.
        QTest::keyClick(f.h.View(), Qt::Key_Down);
        QVERIFY(f.Current().isValid());
        QCOMPARE(f.Current().row(), 0);
        QVERIFY(f.h.PanelText().startsWith(u'['));

        // A click focuses the row clicked, as before.
        const QModelIndex third = f.h.View()->model()->index(2, 4);
        QTest::mouseClick(f.h.View()->viewport(), Qt::LeftButton, {},
                          f.h.View()->visualRect(third).center());
        QCOMPARE(f.Current().row(), 2);
    }

    void tabAndBacktabLeaveTheGrid() {
        ActiveForm f(10);
        QTableView* view = f.h.View();
        const QModelIndex cell = view->model()->index(3, 5);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
        QVERIFY(view->hasFocus());
        QCOMPARE(f.Current(), cell);
        const QString panel = f.h.PanelText();

        // Tab goes to the next control of the window's order, the tab control.
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused != nullptr);
        QVERIFY(focused == f.h.Child<QWidget>("PageControl1") ||
                f.h.Child<QWidget>("PageControl1")->isAncestorOf(focused));
        QCOMPARE(f.Current(), cell);
        QCOMPARE(f.h.PanelText(), panel);

        view->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(!view->hasFocus());
        QVERIFY(QApplication::focusWidget() != nullptr);
        QCOMPARE(f.Current(), cell);

        // Coming back with Tab finds the focused row where it was.
        view->setFocus(Qt::TabFocusReason);
        QCOMPARE(f.Current(), cell);
        QCOMPARE(f.h.PanelText(), panel);
    }
};

BREVANE_UI_TEST_MAIN(CardGridTest)
#include "CardGridTest.moc"
