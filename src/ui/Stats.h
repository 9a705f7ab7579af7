#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "analysis/Reports.h"

class QEvent;
class QKeyEvent;
class QPlainTextEdit;
class QPushButton;

namespace brevane {

// The report window: one read-only, fixed-pitch text area that shows a Report.
// One instance serves every report of a run; it is hidden between showings and keeps the
// position and size the user gave it.
class TStatsForm : public QDialog {
    Q_OBJECT

  public:
    // `owner` is the main window: the first showing is centred over it.
    explicit TStatsForm(QWidget* owner = nullptr);

    // Puts the report into Memo1 and shows the window modally; returns once the user closes it.
    void ShowReport(const Report& report);

    // Makes the first showing as wide as the report's longest line needs, so that no line wraps
    // at the opening size (never narrower than the usual width, never wider than the screen).
    // For reports of tables too wide for the usual window; the user's later sizes still last.
    void FitFirstShowingToLongestLine() { fitToLongestLine_ = true; }
    // The client width at which no line of `report` wraps in Memo1.
    int WidthForLines(const Report& report) const;

    // The text part of ShowReport, without showing anything. A report whose joined text equals
    // the one already held leaves Memo1 untouched (scroll position and selection stay);
    // otherwise Memo1 shows the new text from its first line with the caret at the start.
    void SetReportText(const Report& report);

    // Positions the window for the coming showing: centred over the owner the first time,
    // clamped so that it starts neither left of nor above the available desktop; afterwards
    // wherever the user last left it.
    void PlaceForShowing();

    // Closes the window with `result`, first noting where it was left for the next showing.
    void done(int result) override;

    // The report lines joined with CR LF after every line, the last one included.
    static QString JoinReport(const Report& report);

    // The joined text last put into Memo1 (Memo1 itself stores line breaks its own way).
    const QString& ReportText() const { return reportText_; }

    // Puts a "Save Report..." button under the text, which runs `onClick`; once per window.
    void AddSaveReportButton(const std::function<void()>& onClick);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* SaveReportBtn = nullptr;  // null until AddSaveReportButton

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape must not close the window; the title bar's close button and Alt+F4 still do.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Memo1's key handler: Ctrl+A selects all text and Ctrl+C copies the selection to the
    // clipboard; every other key that types a character (letters, digits, Enter, Backspace,
    // Escape, Tab, ...) is swallowed. Keys that type nothing (arrows, Page Up/Down, Home, End)
    // pass on. True when the key was consumed.
    bool Memo1KeyPress(QKeyEvent* event);

    // Notes where the shown window's client area is, as the window system has it.
    void RememberPlacement();

    QString reportText_;
    bool placed_ = false;
    bool fitToLongestLine_ = false;
    // The top-left corner of the client area when the window was last closed, in screen
    // coordinates. The client area, not the frame: a window is reshown by asking for its client
    // area's place, which the window manager keeps whatever the frame around it.
    QPoint leftAt_;
};

}  // namespace brevane
