// The desktop program: keys the generator, then runs the main window until it is closed.
#include <csignal>
#include <cstdio>
#include <string>

#include "os/SignalCleanup.h"
#include "os/TerminalText.h"
#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Stats.h"

int main(int argc, char** argv) {
    // A FIFO chosen as the save file whose reader goes away then fails the save with an error
    // report instead of ending the program. Qt sets the locale itself.
    std::signal(SIGPIPE, SIG_IGN);
    brevane::RemoveTemporaryFilesOnSignals();
    std::string error;
    if (!brevane::KeyGeneratorFromArguments(argc, argv, error)) {
        std::fprintf(stderr, "brevane: %s\n", brevane::PrintableText(error).c_str());
        return 2;
    }
    brevane::Application app(argc, argv);
    int status = 0;
    {
        brevane::TForm1 form;
        brevane::TStatsForm statsForm(&form);
        form.UseReportWindow(&statsForm);
        form.CenterOnScreen();
        form.show();
        status = app.exec();
    }
    return status;
}
