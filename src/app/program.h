#pragma once

// What the whole program shares: the error numbers of the lower layers and the logo.

#include <QPixmap>

namespace dipsheet::app {

// Lets the fatal-error path show a database failure with the engine's number and message.
void registerErrorTranslators();

// The program's logo (a tank with a dipstick), 261 x 262 pixels.
QPixmap logo();

}  // namespace dipsheet::app
