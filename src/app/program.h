#pragma once

// What the whole program shares: the error numbers of the lower layers and the logo.

#include <QPixmap>

namespace dipsheet::app {

// Lets the fatal-error path show a database or report failure with its number and message; a
// missing job database also gets the way to start with one.
void registerErrorTranslators();

// Makes Qt's print preview dialog (showPreview) the report engine's preview destination.
void registerPrintPreview();

// The program's logo (a tank with a dipstick), 261 x 262 pixels.
QPixmap logo();

}  // namespace dipsheet::app
