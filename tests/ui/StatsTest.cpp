// The report window: text layout of reports, key handling, modal showing and placement.
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>

#include "analysis/Reports.h"
#include "analysis/ShuffleList.h"
#include "random/PRNG.h"
#include "ui/Stats.h"

using brevane::Report;
using brevane::TStatsForm;

namespace {

// A list of `rows` shuffles from a generator keyed with the bytes 0, 1, ..., 31.
brevane::ShuffleList KeyedList(std::size_t rows) {
    brevane::GeneratorKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i);
    brevane::ShuffleGenerator generator;
    generator.SetKey(key);
    brevane::Deck deck = brevane::InitialDeck();
    brevane::ShuffleList list;
    list.AppendShuffles(deck, generator, rows);
    return list;
}

Report NumberedLines(int count, const std::string& prefix) {
    Report report;
    for (int i = 1; i <= count; ++i) report.push_back(prefix + std::to_string(i));
    return report;
}

// Runs `whileOpen` once the modal loop of ShowReport is running, then closes the window the
// way the title bar's close button does. A fallback ends the loop if closing fails, so that a
// broken close path fails the test instead of hanging it.
void ShowModally(TStatsForm& form, const Report& report, const std::function<void()>& whileOpen,
                 bool* closedByClose = nullptr) {
    QTimer::singleShot(0, &form, [&form, whileOpen, closedByClose] {
        whileOpen();
        form.close();
        if (closedByClose) *closedByClose = !form.isVisible();
    });
    QTimer::singleShot(3000, &form, [&form] {
        if (form.isVisible()) form.done(QDialog::Rejected);
    });
    form.ShowReport(report);
}

struct MemoState {
    QString text;
    int position = 0;
    int anchor = 0;
    int scroll = 0;
    bool operator==(const MemoState&) const = default;
};

MemoState StateOf(const QPlainTextEdit* memo) {
    return {memo->toPlainText(), memo->textCursor().position(), memo->textCursor().anchor(),
            memo->verticalScrollBar()->value()};
}

}  // namespace

class StatsTest : public QObject {
    Q_OBJECT

  private slots:
    void WindowAndTextAreaProperties();
    void ReportsShowOneLinePerReportLineAndEndWithCrLf_data();
    void ReportsShowOneLinePerReportLineAndEndWithCrLf();
    void EmptyLinesAreKept();
    void CtrlASelectsAll();
    void CtrlCCopiesTheSelection();
    void CharacterKeysChangeNothing();
    void NavigationKeysStillMoveTheCaret();
    void EscapeLeavesTheModalWindowOpen();
    void SameReportKeepsScrollPositionAndSelection();
    void NewReportStartsAtTheTop();
    void FirstPlacementIsCentredOverTheOwner();
    void FirstPlacementIsClampedOnlyToTheTopLeft();
    void LaterPlacementKeepsTheUsersPositionAndSize();
};

void StatsTest::WindowAndTextAreaProperties() {
    QWidget owner;
    TStatsForm form(&owner);
    QCOMPARE(form.objectName(), QStringLiteral("StatsForm"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Stats"));
    QVERIFY(form.isWindow());
    QVERIFY(!form.isVisible());
    QCOMPARE(form.size(), QSize(362, 413));

    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(form.minimumSize() != form.maximumSize());  // resizable
    QCOMPARE(form.font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(form.font().pointSize(), 8);

    QPlainTextEdit* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QVERIFY(memo);
    QCOMPARE(memo, form.Memo1);
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->textInteractionFlags(),
             Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(memo->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(memo->font().pointSize(), 8);

    // Memo1 fills the client area and follows a resize.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(memo->geometry(), form.rect());
    form.resize(500, 300);
    QTRY_COMPARE(memo->geometry(), form.rect());

    // A line wider than the area wraps instead of scrolling sideways.
    form.SetReportText({std::string(40, 'w') + " " + std::string(200, 'x')});
    QTRY_VERIFY(memo->document()->firstBlock().layout()->lineCount() > 2);
    QCOMPARE(memo->horizontalScrollBar()->maximum(), 0);
}

void StatsTest::ReportsShowOneLinePerReportLineAndEndWithCrLf_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("expectedLines");
    QTest::newRow("deck position") << 0 << 80;
    QTest::newRow("suit") << 1 << 57;
    QTest::newRow("hand category, Hole") << 2 << 6;
    QTest::newRow("hand category, River") << 3 << 14;
}

void StatsTest::ReportsShowOneLinePerReportLineAndEndWithCrLf() {
    QFETCH(int, kind);
    QFETCH(int, expectedLines);
    const brevane::ShuffleList list = KeyedList(40);
    Report report;
    switch (kind) {
        case 0:
            report = brevane::BuildDeckPosReport(list, 7, "7", ".");
            break;
        case 1:
            report = brevane::BuildSuitReport(list, 2, "Heart", ".");
            break;
        case 2:
            report = brevane::BuildHandCategoryReport(list, {10, 0, brevane::Stage::Hole}, ".");
            break;
        default:
            report = brevane::BuildHandCategoryReport(list, {3, 3, brevane::Stage::River}, ".");
    }
    QCOMPARE(static_cast<int>(report.size()), expectedLines);

    TStatsForm form;
    form.SetReportText(report);

    const QString& raw = form.ReportText();
    QVERIFY(raw.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(raw.count(QStringLiteral("\r\n")), expectedLines);
    QCOMPARE(raw.count(QLatin1Char('\n')), expectedLines);  // no bare line feeds

    // One text line per report line, then the empty line that the final CR LF opens.
    const QTextDocument* document = form.Memo1->document();
    QCOMPARE(document->blockCount(), expectedLines + 1);
    for (int i = 0; i < expectedLines; ++i) {
        QCOMPARE(document->findBlockByNumber(i).text(),
                 QString::fromStdString(report[static_cast<std::size_t>(i)]));
    }
    QCOMPARE(document->lastBlock().text(), QString());

    // The caret can be put on that empty line.
    form.Memo1->moveCursor(QTextCursor::End);
    QCOMPARE(form.Memo1->textCursor().blockNumber(), expectedLines);
}

void StatsTest::EmptyLinesAreKept() {
    QCOMPARE(TStatsForm::JoinReport({}), QString());
    QCOMPARE(TStatsForm::JoinReport({"a", "", "b c"}), QStringLiteral("a\r\n\r\nb c\r\n"));

    TStatsForm form;
    form.SetReportText({"a", "", "b c"});
    QCOMPARE(form.Memo1->toPlainText(), QStringLiteral("a\n\nb c\n"));
}

void StatsTest::CtrlASelectsAll() {
    TStatsForm form;
    form.SetReportText(NumberedLines(30, "line "));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.Memo1->textCursor().hasSelection());

    QTest::keyClick(form.Memo1, Qt::Key_A, Qt::ControlModifier);
    const QTextCursor cursor = form.Memo1->textCursor();
    QCOMPARE(cursor.selectionStart(), 0);
    QCOMPARE(cursor.selectionEnd(), form.Memo1->document()->characterCount() - 1);
    QCOMPARE(cursor.selectedText().size(), form.Memo1->document()->characterCount() - 1);
    QVERIFY(form.isVisible());
}

void StatsTest::CtrlCCopiesTheSelection() {
    TStatsForm form;
    form.SetReportText(NumberedLines(30, "line "));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("kept"));

    // With nothing selected there is nothing to copy.
    QTest::keyClick(form.Memo1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("kept"));

    // A selection across lines is copied with plain line breaks; the area stays as it was.
    QTextCursor cursor = form.Memo1->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(17, QTextCursor::KeepAnchor);
    form.Memo1->setTextCursor(cursor);
    const MemoState before = StateOf(form.Memo1);
    QTest::keyClick(form.Memo1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("1\nline 2\nlin"));
    QVERIFY(StateOf(form.Memo1) == before);

    // The other control characters stay swallowed: no cut, no paste, no undo.
    clipboard->setText(QStringLiteral("not pasted"));
    for (Qt::Key key : {Qt::Key_X, Qt::Key_V, Qt::Key_Z, Qt::Key_B, Qt::Key_H, Qt::Key_M}) {
        QTest::keyClick(form.Memo1, key, Qt::ControlModifier);
        QVERIFY2(StateOf(form.Memo1) == before, qPrintable(QString::number(key, 16)));
    }
    QCOMPARE(clipboard->text(), QStringLiteral("not pasted"));
    QVERIFY(form.isVisible());
}

void StatsTest::CharacterKeysChangeNothing() {
    TStatsForm form;
    form.SetReportText(NumberedLines(60, "row "));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTextCursor cursor = form.Memo1->textCursor();
    cursor.setPosition(12);
    cursor.setPosition(40, QTextCursor::KeepAnchor);
    form.Memo1->setTextCursor(cursor);
    const MemoState before = StateOf(form.Memo1);

    const Qt::Key keys[] = {Qt::Key_X,      Qt::Key_Q,     Qt::Key_7,         Qt::Key_Space,
                            Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace, Qt::Key_Escape,
                            Qt::Key_Tab,    Qt::Key_Delete};
    for (Qt::Key key : keys) {
        QTest::keyClick(form.Memo1, key);
        QVERIFY2(StateOf(form.Memo1) == before, qPrintable(QString::number(key, 16)));
        QVERIFY2(form.isVisible(), qPrintable(QString::number(key, 16)));
    }
    // Escape sent to the window itself does not close it either.
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);
    QCOMPARE(form.ReportText(), TStatsForm::JoinReport(NumberedLines(60, "row ")));
}

void StatsTest::NavigationKeysStillMoveTheCaret() {
    TStatsForm form;
    form.SetReportText(NumberedLines(200, "entry "));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Memo1->textCursor().blockNumber(), 0);

    QTest::keyClick(form.Memo1, Qt::Key_Down);
    QTest::keyClick(form.Memo1, Qt::Key_Down);
    QCOMPARE(form.Memo1->textCursor().blockNumber(), 2);
    QTest::keyClick(form.Memo1, Qt::Key_Right);
    QCOMPARE(form.Memo1->textCursor().positionInBlock(), 1);
    QTest::keyClick(form.Memo1, Qt::Key_End);
    QCOMPARE(form.Memo1->textCursor().positionInBlock(), 7);  // "entry 3"

    QTest::keyClick(form.Memo1, Qt::Key_PageDown);
    QVERIFY(form.Memo1->textCursor().blockNumber() > 10);
    QVERIFY(form.Memo1->verticalScrollBar()->value() > 0);
    QTest::keyClick(form.Memo1, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(form.Memo1->textCursor().blockNumber(), 200);
}

void StatsTest::EscapeLeavesTheModalWindowOpen() {
    QWidget owner;
    owner.resize(784, 562);
    owner.show();
    TStatsForm form(&owner);
    bool modal = false;
    bool memoHasFocus = false;
    bool openAfterKeys = false;
    bool closed = false;
    MemoState before;
    MemoState after;
    ShowModally(
        form, NumberedLines(20, "x"),
        [&] {
            modal = form.isModal() && QApplication::activeModalWidget() == &form;
            memoHasFocus = form.focusWidget() == form.Memo1;
            before = StateOf(form.Memo1);
            QTest::keyClick(form.Memo1, Qt::Key_Escape);
            QTest::keyClick(form.Memo1, Qt::Key_Return);
            QTest::keyClick(form.Memo1, Qt::Key_Backspace);
            QTest::keyClick(form.Memo1, Qt::Key_Z);
            QTest::keyClick(&form, Qt::Key_Escape);
            openAfterKeys = form.isVisible();
            after = StateOf(form.Memo1);
        },
        &closed);
    QVERIFY(modal);
    QVERIFY(memoHasFocus);
    QVERIFY(openAfterKeys);
    QVERIFY(after == before);
    QVERIFY(closed);  // the close button's path still closes it
    QVERIFY(!form.isVisible());
}

void StatsTest::SameReportKeepsScrollPositionAndSelection() {
    TStatsForm form;
    const Report report = NumberedLines(150, "position ");
    MemoState left;
    ShowModally(form, report, [&] {
        QTextCursor cursor = form.Memo1->textCursor();
        cursor.setPosition(100);
        cursor.setPosition(130, QTextCursor::KeepAnchor);
        form.Memo1->setTextCursor(cursor);
        form.Memo1->verticalScrollBar()->setValue(form.Memo1->verticalScrollBar()->maximum() / 2);
        left = StateOf(form.Memo1);
    });
    QVERIFY(left.scroll > 0);

    MemoState reopened;
    ShowModally(form, report, [&] { reopened = StateOf(form.Memo1); });
    QVERIFY(reopened == left);
}

void StatsTest::NewReportStartsAtTheTop() {
    TStatsForm form;
    MemoState left;
    ShowModally(form, NumberedLines(150, "a"), [&] {
        form.Memo1->moveCursor(QTextCursor::End);
        form.Memo1->verticalScrollBar()->setValue(form.Memo1->verticalScrollBar()->maximum());
        left = StateOf(form.Memo1);
    });
    QVERIFY(left.scroll > 0);
    QVERIFY(left.position > 0);

    MemoState shown;
    ShowModally(form, NumberedLines(150, "b"), [&] { shown = StateOf(form.Memo1); });
    QCOMPARE(shown.scroll, 0);
    QCOMPARE(shown.position, 0);
    QCOMPARE(shown.anchor, 0);
    QVERIFY(shown.text.startsWith(QStringLiteral("b1\n")));
}

void StatsTest::FirstPlacementIsCentredOverTheOwner() {
    QWidget owner;
    owner.setGeometry(100, 60, 600, 500);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    TStatsForm form(&owner);
    QRect shownAt;
    ShowModally(form, {"one"}, [&] { shownAt = form.frameGeometry(); });
    QVERIFY(qAbs(shownAt.center().x() - owner.frameGeometry().center().x()) <= 1);
    QVERIFY(qAbs(shownAt.center().y() - owner.frameGeometry().center().y()) <= 1);
    QCOMPARE(form.size(), QSize(362, 413));
}

void StatsTest::FirstPlacementIsClampedOnlyToTheTopLeft() {
    const QRect desktop = QGuiApplication::primaryScreen()->availableVirtualGeometry();

    // An owner near the top-left corner would put the window partly off the desktop.
    QWidget nearCorner;
    nearCorner.setGeometry(desktop.left(), desktop.top(), 200, 150);
    nearCorner.show();
    TStatsForm clamped(&nearCorner);
    QPoint clampedAt;
    ShowModally(clamped, {"x"}, [&] { clampedAt = clamped.frameGeometry().topLeft(); });
    QCOMPARE(clampedAt, desktop.topLeft());

    // Near the bottom-right corner the centred position stands, even if it runs off the edge.
    QWidget nearEnd;
    nearEnd.setGeometry(desktop.right() - 150, desktop.bottom() - 100, 200, 150);
    nearEnd.show();
    TStatsForm unclamped(&nearEnd);
    QRect unclampedAt;
    ShowModally(unclamped, {"y"}, [&] { unclampedAt = unclamped.frameGeometry(); });
    QVERIFY(qAbs(unclampedAt.center().x() - nearEnd.frameGeometry().center().x()) <= 1);
    QVERIFY(qAbs(unclampedAt.center().y() - nearEnd.frameGeometry().center().y()) <= 1);
}

void StatsTest::LaterPlacementKeepsTheUsersPositionAndSize() {
    QWidget owner;
    owner.setGeometry(120, 90, 640, 480);
    owner.show();
    TStatsForm form(&owner);
    ShowModally(form, {"first"}, [&] {
        form.move(30, 40);
        form.resize(420, 300);
    });
    owner.move(300, 200);
    QRect shownAt;
    ShowModally(form, {"second"}, [&] { shownAt = form.frameGeometry(); });
    QCOMPARE(shownAt.topLeft(), QPoint(30, 40));
    QCOMPARE(form.size(), QSize(420, 300));
}

QTEST_MAIN(StatsTest)
#include "StatsTest.moc"
