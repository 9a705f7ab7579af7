// The Shuffle tab ("Add to List", "Clear All", "Save to File", the Method list), the count
// conversion, the out-of-memory guard and the standard error report.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>

#include "support/CliRunner.h"
#include "support/FormHarness.h"
#include "support/ReferenceModels.h"
#include "support/UiTestMain.h"
#include "ui/Application.h"
#include "ui/HandCountText.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// The count conversion written out from its rule, with a regular expression and 64-bit
// arithmetic, to check the hand-written scanner against.
std::int64_t ReferenceTextToInt(const std::string& text, std::int64_t fallback) {
    static const std::regex pattern(R"(^[ \t]*([+-]?)(\$|0[xX])?([0-9A-Fa-f]+)$)");
    std::smatch match;
    if (!std::regex_match(text, match, pattern)) return fallback;
    const bool hex = match[2].matched;
    std::string digits = match[3].str();
    if (!hex && digits.find_first_not_of("0123456789") != std::string::npos) return fallback;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (digits.size() > 12) return fallback;
    std::int64_t value = std::stoll(digits, nullptr, hex ? 16 : 10);
    if (match[1].str() == "-") value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return fallback;
    return value;
}

std::string ExportBytes(const std::vector<ShuffleRecord>& rows) {
    std::string bytes;
    for (const ShuffleRecord& row : rows) {
        for (std::size_t k = 0; k < row.size(); ++k) {
            if (k > 0) bytes += ' ';
            bytes += "23456789TJQKA"[(row[k] - 1) / 4];
            bytes += "cdhs"[(row[k] - 1) % 4];
        }
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<ShuffleRecord> Rows(const TForm1& form) {
    std::vector<ShuffleRecord> rows;
    for (std::size_t i = 0; i < form.Shuffles().Count(); ++i) {
        rows.push_back(form.Shuffles().Record(i));
    }
    return rows;
}

// The rows the window must hold after shuffles of the models named, made by the literal
// reference from the test key and the first order.
class ExpectedModelRows {
  public:
    ExpectedModelRows() : reference_(TestKey()), deck_(NewDeck()) {}

    void Add(const std::string& model, int count) {
        for (int n = 0; n < count; ++n) {
            reference_.Apply(model, deck_);
            rows_.push_back(deck_);
        }
    }
    void Clear() { rows_.clear(); }
    const std::vector<std::vector<int>>& Rows() const { return rows_; }

  private:
    ReferenceModels reference_;
    std::vector<int> deck_;
    std::vector<std::vector<int>> rows_;
};

std::vector<std::vector<int>> RowsAsInts(const TForm1& form) {
    std::vector<std::vector<int>> out;
    for (const ShuffleRecord& row : Rows(form)) out.emplace_back(row.begin(), row.end());
    return out;
}

// After a refused "Add to List" on a window holding two rows: the list, the grid, the deck and
// the cursor are as they were, and the generator was not touched either (the next row appended
// is the third shuffle).
void ExpectRefusedAppendChangedNothing(FormHarness& h, const Deck& deckBefore) {
    QCOMPARE(h.Form().Shuffles().Count(), std::size_t{2});
    QCOMPARE(h.View()->model()->rowCount(), 2);
    QCOMPARE(h.Form().WorkingDeck(), deckBefore);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    h.Deal(QStringLiteral("1"));
    QCOMPARE(Rows(h.Form()), ReferenceShuffles(3));
}

// An object whose every event handler fails.
class FailingObject : public QObject {
  public:
    bool event(QEvent*) override { throw std::runtime_error("Handler failed"); }
};

}  // namespace

class MainShuffleTest : public QObject {
    Q_OBJECT

    std::vector<QString> reports_;

  private slots:
    void init() {
        KeyTheGenerator();
        reports_.clear();
        SetErrorReportHandler([this](const QString& text) { reports_.push_back(text); });
    }
    void cleanup() { SetErrorReportHandler({}); }

    void countTextConvertsLikeTheReference() {
        // Every text of up to four characters over an alphabet that reaches each branch.
        const std::string alphabet = " +-$0x19aFgX";
        std::vector<std::string> texts{""};
        for (int length = 1; length <= 4; ++length) {
            const std::size_t from = texts.size();
            for (std::size_t i = texts.size() - 1;; --i) {
                if (texts[i].size() == static_cast<std::size_t>(length - 1)) {
                    for (char c : alphabet) texts.push_back(texts[i] + c);
                }
                if (i == 0) break;
            }
            QVERIFY(texts.size() > from);
        }
        const std::vector<std::string> edges = {"2147483647",
                                                "2147483648",
                                                "-2147483648",
                                                "-2147483649",
                                                "$7FFFFFFF",
                                                "$80000000",
                                                "-$80000000",
                                                "0x7fffffff",
                                                "0X80000000",
                                                "00000000000000000042",
                                                "99999999999999999999",
                                                "\t 12",
                                                "12 ",
                                                "1 2",
                                                "+",
                                                "-0",
                                                "$",
                                                "0x",
                                                "x10"};
        texts.insert(texts.end(), edges.begin(), edges.end());
        for (const std::string& text : texts) {
            QCOMPARE(std::int64_t{TextToInt32(QString::fromStdString(text), -7)},
                     ReferenceTextToInt(text, -7));
        }
        QCOMPARE(TextToInt32(u" 7", 0), 7);
        QCOMPARE(TextToInt32(u"$10", 0), 16);
        QCOMPARE(TextToInt32(u"0x1f", 0), 31);
        QCOMPARE(TextToInt32(u"-2147483648", 0), INT32_MIN);
        QCOMPARE(TextToInt32(u"2147483648", 5), 5);
    }

    void invalidCountsChangeNothing_data() {
        QTest::addColumn<QString>("text");
        for (const char* text : {"0", "-5", "", "abc", "12x", "   ", "$", "4294967297"}) {
            QTest::newRow(text) << QString::fromLatin1(text);
        }
    }
    void invalidCountsChangeNothing() {
        QFETCH(QString, text);
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        const Deck deckBefore = h.Form().WorkingDeck();
        h.Deal(text);
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(h.messages[0].text, QStringLiteral("Invalid hand count"));
        ExpectRefusedAppendChangedNothing(h, deckBefore);
    }

    void blanksAndHexFormsAreAccepted() {
        FormHarness h;
        h.Deal(QStringLiteral(" 7"));
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{7});
        QCOMPARE(h.View()->model()->rowCount(), 7);
        h.Deal(QStringLiteral("$10"));
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{23});
        QCOMPARE(h.View()->model()->rowCount(), 23);
        QVERIFY(h.messages.empty());
        QVERIFY(reports_.empty());
    }

    void appendingContinuesTheDeckAcrossAppendsAndClear() {
        FormHarness h;
        const std::vector<ShuffleRecord> expected = ReferenceShuffles(8);
        h.Deal(QStringLiteral("3"));
        h.Deal(QStringLiteral("2"));
        QCOMPARE(Rows(h.Form()),
                 std::vector<ShuffleRecord>(expected.begin(), expected.begin() + 5));
        QCOMPARE(h.Form().WorkingDeck(), expected[4]);

        h.Click("ClearBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{0});
        QCOMPARE(h.View()->model()->rowCount(), 0);
        QCOMPARE(h.Form().WorkingDeck(), expected[4]);
        h.Deal(QStringLiteral("3"));
        QCOMPARE(Rows(h.Form()), std::vector<ShuffleRecord>(expected.begin() + 5, expected.end()));
        QCOMPARE(h.View()->model()->index(0, 0).data().toString(), QStringLiteral("1"));
        QCOMPARE(h.View()->model()->index(2, 0).data().toString(), QStringLiteral("3"));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void appendKeepsTheFocusedRowAndClearEmptiesThePanel() {
        FormHarness h;
        h.Deal(QStringLiteral("4"));
        h.View()->setCurrentIndex(h.View()->model()->index(2, 3));
        QVERIFY(!h.PanelText().isEmpty());
        h.Deal(QStringLiteral("4"));
        QCOMPARE(h.View()->currentIndex().row(), 2);
        h.Click("ClearBtn");
        QVERIFY(!h.View()->currentIndex().isValid());
        QCOMPARE(h.PanelText(), QString());
        h.Click("ClearBtn");  // an empty list clears without effect
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{0});
    }

    void methodListOffersTheModelsRightOfSaveToFile() {
        FormHarness h;
        QComboBox* box = h.Box("MethodBox");
        QVERIFY(box != nullptr);
        QCOMPARE(box->parentWidget()->objectName(), QStringLiteral("ShuffleTab"));
        QVERIFY(!box->isEditable());
        QStringList entries;
        for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
        QCOMPARE(entries, (QStringList{"Fisher-Yates", "Naive Swap", "Byte Modulo", "Riffle (7)",
                                       "Overhand (10)", "Top-to-Random (236)", "Shelf (10)",
                                       "Casino hand shuffle"}));
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(box->maxVisibleItems(), 8);
        QCOMPARE(box->geometry(), QRect(561, 20, 130, 21));

        auto* label = h.Child<QLabel>("MethodLabel");
        QVERIFY(label != nullptr);
        QCOMPARE(label->text(), QStringLiteral("Method:"));
        const QRect save = h.Child<QWidget>("SaveBtn")->geometry();
        QCOMPARE(save, QRect(345, 18, 75, 25));
        QVERIFY(label->geometry().left() > save.right());
        QVERIFY(box->geometry().left() > label->geometry().right());
        QCOMPARE(box->geometry().height(), 21);
        // Level with the count field, and inside the tab as the window first shows it.
        QCOMPARE(box->geometry().top(), h.Child<QWidget>("HandCount")->geometry().top());
        QVERIFY(box->geometry().right() < 784);
        // Tab goes on from "Save to File", past "Open File...", to the list.
        QWidget* next = h.Child<QWidget>("OpenBtn")->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
        QCOMPARE(next, static_cast<QWidget*>(box));
    }

    void addToListShufflesWithTheChosenMethod() {
        FormHarness h;
        ExpectedModelRows expected;
        h.Deal(QStringLiteral("3"));
        expected.Add("fisher-yates", 3);
        h.Choose("MethodBox", 3);
        QCOMPARE(h.Form().ChosenMethod(), (ShuffleModel{ShuffleModelKind::Riffle, 7}));
        h.Deal(QStringLiteral("2"));
        expected.Add("riffle:7", 2);
        QCOMPARE(RowsAsInts(h.Form()), expected.Rows());

        // Clearing keeps the method, the deck and the generator going.
        h.Click("ClearBtn");
        expected.Clear();
        h.Choose("MethodBox", 5);
        h.Deal(QStringLiteral("2"));
        expected.Add("top-to-random:236", 2);
        h.Choose("MethodBox", 1);
        h.Deal(QStringLiteral("1"));
        expected.Add("naive-swap", 1);
        QCOMPARE(RowsAsInts(h.Form()), expected.Rows());
        QCOMPARE(std::vector<int>(h.Form().WorkingDeck().begin(), h.Form().WorkingDeck().end()),
                 expected.Rows().back());
        QCOMPARE(h.View()->model()->rowCount(), 3);
    }

    void theTableShufflersAreChosenByKeyOrClick() {
        FormHarness h;
        ExpectedModelRows expected;
        const std::string casino = "riffle:1+riffle:1+strip:5+riffle:1+cut";
        // The keyboard: End picks the last entry, Up the one above it.
        QComboBox* box = h.Box("MethodBox");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_End);
        QCOMPARE(box->currentText(), QStringLiteral("Casino hand shuffle"));
        h.Deal(QStringLiteral("3"));
        expected.Add(casino, 3);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(h.Form().ChosenMethod(), (ShuffleModel{ShuffleModelKind::Shelf, 10}));
        h.Deal(QStringLiteral("2"));
        expected.Add("shelf:10", 2);
        // The mouse's choice, and back to the program's own shuffle.
        h.Choose("MethodBox", 7);
        h.Deal(QStringLiteral("1"));
        expected.Add(casino, 1);
        h.Choose("MethodBox", 0);
        h.Deal(QStringLiteral("1"));
        expected.Add("fisher-yates", 1);
        QCOMPARE(RowsAsInts(h.Form()), expected.Rows());
    }

    void saveDialogHasItsSettings() {
        FormHarness h;
        const QFileDialog& dialog = h.Form().SaveDialog1();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save hands to text file"));
        QCOMPARE(dialog.nameFilters(), (QStringList{"Text files (*.txt)", "All files (*.*)"}));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Text files (*.txt)"));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("txt"));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    }

    void savingWritesEveryRowAndRemembersTheName() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("5"));
        h.savePath = QString::fromStdString(dir.File("hands.txt"));
        WriteFileBytes(dir.File("hands.txt"), "old contents that must go away");
        h.Click("SaveBtn");
        QCOMPARE(h.saveDialogRuns, 1);
        QVERIFY(reports_.empty());
        const std::string bytes = ReadFileBytes(dir.File("hands.txt"));
        QCOMPARE(bytes.size(), std::size_t{5 * 157});
        QCOMPARE(bytes, ExportBytes(ReferenceShuffles(5)));

        // The dialog opens on the name chosen last time.
        QStringList offered;
        h.Form().RunSaveDialog = [&offered](QFileDialog& dialog) {
            offered = dialog.selectedFiles();
            return QString();
        };
        h.Click("SaveBtn");
        QCOMPARE(offered.value(0), QString::fromStdString(dir.File("hands.txt")));
    }

    void savingAnEmptyListWritesAnEmptyFile() {
        TempDir dir;
        FormHarness h;
        h.savePath = QString::fromStdString(dir.File("empty.txt"));
        h.Click("SaveBtn");
        QVERIFY(QFileInfo::exists(h.savePath));
        QCOMPARE(ReadFileBytes(dir.File("empty.txt")), std::string());
    }

    void cancellingTheDialogWritesNothing() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        h.savePath.clear();
        h.Click("SaveBtn");
        QCOMPARE(h.saveDialogRuns, 1);
        QVERIFY(QDir(QString::fromStdString(dir.Path()))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
        QVERIFY(reports_.empty());
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{2});
    }

    void failedSaveReachesTheErrorReport() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("3"));
        h.savePath = QString::fromStdString(dir.File("no-such-folder/hands.txt"));
        h.Click("SaveBtn");
        QCOMPARE(reports_.size(), std::size_t{1});
        QVERIFY(reports_[0].size() > 1);
        QVERIFY(reports_[0].endsWith(u'.'));
        QVERIFY(h.messages.empty());
        QCOMPARE(Rows(h.Form()), ReferenceShuffles(3));
        QVERIFY(!QFileInfo::exists(h.savePath));
    }

    void outOfMemoryLeavesEverythingUnchanged() {
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        const Deck deckBefore = h.Form().WorkingDeck();
        h.Deal(QStringLiteral("2000000000"));
        QCOMPARE(reports_, std::vector<QString>{QStringLiteral("Out of memory.")});
        QVERIFY(h.messages.empty());
        ExpectRefusedAppendChangedNothing(h, deckBefore);
    }

    void appendingBeyondTheGridsReachIsRefused() {
        FormHarness h;
        // Rows are laid out in int pixels, so the limit is INT_MAX over the row height.
        const int rowHeight = h.View()->verticalHeader()->defaultSectionSize();
        QCOMPARE(h.Form().GridRowLimit(), std::size_t(INT32_MAX / rowHeight));
        h.Form().SetGridRowLimit(5);
        h.Deal(QStringLiteral("3"));
        h.Deal(QStringLiteral("3"));
        QCOMPARE(reports_, std::vector<QString>{QStringLiteral("The grid holds at most 5 rows.")});
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{3});
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        h.Deal(QStringLiteral("2"));
        QCOMPARE(Rows(h.Form()), ReferenceShuffles(5));
    }

    void errorReportAppendsAFullStopAfterHigherCodes() {
        QCOMPARE(ErrorReportText(QStringLiteral("Disk full")), QStringLiteral("Disk full."));
        QCOMPARE(ErrorReportText(QStringLiteral("Done.")), QStringLiteral("Done."));
        QCOMPARE(ErrorReportText(QStringLiteral("Why?")), QStringLiteral("Why?."));
        QCOMPARE(ErrorReportText(QStringLiteral("a/")), QStringLiteral("a/."));
        QCOMPARE(ErrorReportText(QStringLiteral("I/O error 5")), QStringLiteral("I/O error 5."));
        QCOMPARE(ErrorReportText(QStringLiteral("x-")), QStringLiteral("x-"));
        QCOMPARE(ErrorReportText(QStringLiteral("Stop!")), QStringLiteral("Stop!"));
        QCOMPARE(ErrorReportText(QStringLiteral("(x)")), QStringLiteral("(x)"));
        QCOMPARE(ErrorReportText(QStringLiteral("x ")), QStringLiteral("x "));
        QCOMPARE(ErrorReportText(QString::fromUtf8("caf\u00e9")), QString::fromUtf8("caf\u00e9."));
        QCOMPARE(ErrorReportText(QString()), QString());
    }

    void exceptionEscapingAnEventReachesTheReportAndTheLoopGoesOn() {
        FailingObject failing;
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
        QCOMPARE(reports_, std::vector<QString>{QStringLiteral("Handler failed.")});
        bool ranLater = false;
        QTimer::singleShot(0, [&ranLater] { ranLater = true; });
        QTRY_VERIFY(ranLater);
    }

    void errorBoxIsCaptionedWithTheApplicationTitle() {
        SetErrorReportHandler({});
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        });
        ShowStandardErrorReport(QStringLiteral("File access denied"));
        QCOMPARE(caption, QStringLiteral("Brevane Card Shuffling Simulator"));
        QCOMPARE(text, QStringLiteral("File access denied."));
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void keyOptionKeysTheGenerator() {
        const std::string hex = "000102030405060708090a0b0c0d0e0f101112131415161718191A1B1C1D1E1F";
        std::string program = "brevane", option = "--key", value = hex;
        char* argv[] = {program.data(), option.data(), value.data(), nullptr};
        std::string error;
        QVERIFY(KeyGeneratorFromArguments(3, argv, error));
        GeneratorKey key{};
        QVERIFY(ParseGeneratorKey(hex, key));
        QCOMPARE(TheShuffleGenerator().Key(), key);

        std::string bad = "12ab";
        char* badArgv[] = {program.data(), option.data(), bad.data(), nullptr};
        QVERIFY(!KeyGeneratorFromArguments(3, badArgv, error));
        QVERIFY(!error.empty());
        char* missingArgv[] = {program.data(), option.data(), nullptr};
        QVERIFY(!KeyGeneratorFromArguments(2, missingArgv, error));
        QCOMPARE(TheShuffleGenerator().Key(), key);
    }
};

BREVANE_UI_TEST_MAIN(MainShuffleTest)
#include "MainShuffleTest.moc"
