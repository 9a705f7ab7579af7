// The main window's drop-down lists open with their own row counts in every style.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"

using namespace brevane;
using namespace brevane::test;

namespace {

struct ListRows {
    const char* name;
    int rows;
};

// Every list of the window with the number of rows its open list shows at once.
constexpr ListRows Lists[] = {{"PlayersBox", 9},   {"PlayerPosBox", 20}, {"DealtBox", 10},
                              {"FindHandBox", 26}, {"CardBox", 26},      {"RankBox", 13},
                              {"SuitBox", 8},      {"DeckPosBox", 26}};

// Opens the list of `box` and counts the items shown whole in it.
int ShownRows(QComboBox* box) {
    box->showPopup();
    if (!QTest::qWaitForWindowExposed(box->view()->window())) return -1;
    const int shown = WholeRowsShown(box);
    box->hidePopup();
    return shown;
}

}  // namespace

class DropDownStyleTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { defaultStyle_ = QApplication::style()->name(); }
    void cleanupTestCase() { QApplication::setStyle(defaultStyle_); }

    void listsShowTheirRowCounts_data() {
        QTest::addColumn<QString>("style");
        QTest::newRow("default") << QString();
        for (const QString& key : QStyleFactory::keys()) QTest::newRow(qPrintable(key)) << key;
    }

    void listsShowTheirRowCounts() {
        QFETCH(QString, style);
        QApplication::setStyle(style.isEmpty() ? defaultStyle_ : style);
        FormHarness h;
        // At the top of the screen, so that the longest list fits below its box.
        h.Form().move(0, 0);
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        auto* tabs = h.Child<QTabWidget>("PageControl1");

        for (const ListRows& list : Lists) {
            QComboBox* box = h.Box(list.name);
            // Drawn by the same kind of style as every other control.
            const auto* proxy = qobject_cast<const QProxyStyle*>(box->style());
            QVERIFY(proxy != nullptr);
            QCOMPARE(proxy->baseStyle()->name(), QApplication::style()->name());
            tabs->setCurrentWidget(box->parentWidget());
            // With its own items: the row count, or every item where there are fewer.
            QCOMPARE(ShownRows(box), std::min(box->count(), list.rows));
            // With far more items the row count still holds.
            while (box->count() < 60) box->addItem(QStringLiteral("extra"));
            QCOMPARE(ShownRows(box), list.rows);
        }
    }

  private:
    QString defaultStyle_;
};

BREVANE_UI_TEST_MAIN(DropDownStyleTest)
#include "DropDownStyleTest.moc"
