#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QString>
#include <QTableView>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/Reports.h"
#include "analysis/ShuffleList.h"
#include "random/PRNG.h"
#include "ui/Main.h"

namespace brevane::test {

// A fixed generator key, so that every run of a test sees the same shuffles.
GeneratorKey TestKey(std::uint8_t salt = 0);

// Keys the process's generator with TestKey(salt).
void KeyTheGenerator(std::uint8_t salt = 0);

// The first `count` shuffles of a fresh deck with a generator keyed by TestKey(salt), worked out
// apart from the window.
std::vector<ShuffleRecord> ReferenceShuffles(std::size_t count, std::uint8_t salt = 0);

// The items of an open drop-down list that its list shows whole, from top to bottom.
int WholeRowsShown(const QComboBox* box);

// Runs `action` once `window` is visible. Long work of the window runs off the GUI thread and
// its result window opens only afterwards, so a test that acts on that window waits for it
// without blocking the event loops in between.
void WhenShown(QWidget& window, std::function<void()> action);

// The progress dialog of the background work that runs, once it shows; null before.
QProgressDialog* OpenProgressDialog();

struct ShownMessage {
    QMessageBox::Icon icon;
    QString text;
};

// A main window whose message boxes, file dialogs and report window are replaced by recorders,
// so that nothing modal ever opens.
class FormHarness {
  public:
    FormHarness();

    TForm1& Form() { return *form_; }
    template <typename T>
    T* Child(const char* name) const {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    QComboBox* Box(const char* name) const { return Child<QComboBox>(name); }
    QTableView* View() const { return Child<QTableView>("CardView"); }
    QString PanelText() const { return Child<QLabel>("HandPanel")->text(); }

    // Types `text` into HandCount and clicks "Add to List".
    void Deal(const QString& text);
    // Chooses entry `index` of a list as the user would, which runs its change handler.
    void Choose(const char* boxName, int index);
    void Click(const char* buttonName);

    std::vector<ShownMessage> messages;
    std::vector<Report> reports;
    // The path the save dialog stand-in returns; empty means the user cancelled.
    QString savePath;
    int saveDialogRuns = 0;
    // The path the open dialog stand-in returns; empty means the user cancelled.
    QString openPath;
    int openDialogRuns = 0;

  private:
    std::unique_ptr<TForm1> form_;
};

}  // namespace brevane::test
