#pragma once

// The report engine's preview destination: Qt's print preview dialog, a window the engine
// itself does not have. The program's Outside (program.h) makes it the reports' preview.

#include "report/report.h"

namespace dipsheet::app {

// Qt's print preview dialog on the default printer (or a PDF printer when there is none),
// modal; from it the user prints or saves a PDF. Throws ReportError kPageTooSmall before any
// window opens when a page holds no row, and a failure of the first painting once the dialog
// has closed. Needs a QApplication.
void showPreview(const report::Report& report);

}  // namespace dipsheet::app
