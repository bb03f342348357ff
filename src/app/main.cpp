// Dipsheet: the splash window starts the program; it builds the main window and hands over.

#include "frmintro.h"
#include "program.h"
#include "ui.h"

int main(int argc, char** argv) {
    dipsheet::ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    dipsheet::app::registerPrintPreview();
    dipsheet::ui::guarded([] { (new dipsheet::app::FrmIntro())->display(); });
    return app.exec();
}
