// Dipsheet: the splash window starts the program; it builds the main window and hands over.

#include "frmintro.h"
#include "program.h"
#include "ui.h"

int main(int argc, char** argv) {
    dipsheet::ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    dipsheet::app::registerPrintPreview();
    // A job database that cannot be read at start-up ends the program.
    dipsheet::ui::fatalOnFailure([] { (new dipsheet::app::FrmIntro())->display(); });
    return app.exec();
}
