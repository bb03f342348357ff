// Dipsheet: the splash window starts the program; it builds the main window and hands over.

#include <cstdio>
#include <cstring>

#include "folderholder.h"
#include "program.h"
#include "splash.h"
#include "ui.h"

int main(int argc, char** argv) {
    // Answered before any window: an office quotes the version from a terminal.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Dipsheet " DIPSHEET_VERSION "\n");
            return 0;
        }
    }
    dipsheet::ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    // The real world: a person at the boxes, Qt's timers and print preview, the default printer.
    dipsheet::app::Outside outside;
    const dipsheet::app::UseOutside handed(outside);
    // One program on a data folder: a second start brings the first forward and ends, as does a
    // folder that cannot be held.
    if (!dipsheet::app::holdDataFolder())
        return 1;
    // A job database that cannot be read at start-up ends the program.
    // The data folder is the one the program started in; the windows are given it.
    const dipsheet::app::DataFolder folder = dipsheet::app::DataFolder::current();
    dipsheet::ui::fatalOnFailure([&folder] { dipsheet::app::startProgram(folder); });
    return app.exec();
}
