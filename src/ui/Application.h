#pragma once

#include <QApplication>
#include <QString>
#include <functional>
#include <string>

namespace brevane {

inline constexpr const char* ApplicationTitle = "Brevane Card Shuffling Simulator";

// The text of the standard error report: `text` with a full stop appended when its last
// character's code is above that of the full stop.
QString ErrorReportText(const QString& text);

// Shows the standard error report for an error text: a modal error box captioned with the
// application title. Tests replace the box through SetErrorReportHandler.
void ShowStandardErrorReport(const QString& errorText);

// Replaces the function that shows the report with `handler` (it receives the text after the
// full-stop rule); an empty function restores the message box.
void SetErrorReportHandler(std::function<void(const QString&)> handler);

// Runs `handler`; an exception escaping it goes to the standard error report.
void RunGuarded(const std::function<void()>& handler);

// Keys the process's generator from the command line before any window exists (see
// PrepareGenerator): with the value of `--key HEX` when given, otherwise from the timer.
// Returns false, with `error` set, on a malformed command line.
bool KeyGeneratorFromArguments(int argc, char** argv, std::string& error);

// The desktop application object: title, fonts, and the standard error report for any
// exception that escapes an event handler, after which the event loop goes on.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace brevane
