#include "ui/Application.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "random/PrepareGenerator.h"

namespace brevane {

namespace {

// fonts-wine installs Tahoma outside fontconfig's folders, so the program loads it itself.
constexpr const char* TahomaFile = "/usr/share/wine/fonts/tahoma.ttf";

std::function<void(const QString&)>& ErrorReportHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

void ShowErrorBox(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ApplicationTitle), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

// Shows the standard error report for the exception being handled.
void ReportCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowStandardErrorReport(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowStandardErrorReport(QStringLiteral("Unknown error"));
    }
}

}  // namespace

QString ErrorReportText(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.') return text + u'.';
    return text;
}

void ShowStandardErrorReport(const QString& errorText) {
    const QString text = ErrorReportText(errorText);
    if (ErrorReportHandler()) {
        ErrorReportHandler()(text);
    } else {
        ShowErrorBox(text);
    }
}

void SetErrorReportHandler(std::function<void(const QString&)> handler) {
    ErrorReportHandler() = std::move(handler);
}

void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        ReportCurrentException();
    }
}

bool KeyGeneratorFromArguments(int argc, char** argv, std::string& error) {
    std::optional<std::string_view> key;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--key") continue;
        if (i + 1 >= argc) {
            error = "--key needs 64 hexadecimal digits";
            return false;
        }
        key = argv[i + 1];
        break;
    }
    return PrepareGenerator(key, error);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromUtf8(ApplicationTitle));
    if (QFile::exists(TahomaFile)) QFontDatabase::addApplicationFont(TahomaFile);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
    }
    return false;
}

}  // namespace brevane
