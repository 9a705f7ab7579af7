// The desktop program: keys the generator, then runs the main window until it is closed.
#include <cstdio>
#include <string>

#include "ui/Application.h"
#include "ui/Main.h"
#include "ui/Stats.h"

int main(int argc, char** argv) {
    std::string error;
    if (!brevane::PrepareGenerator(argc, argv, error)) {
        std::fprintf(stderr, "brevane: %s\n", error.c_str());
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
