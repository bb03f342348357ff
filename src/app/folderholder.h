#pragma once

// The desktop program holds its data folder for its whole run. A second Dipsheet started on the
// same folder brings the first one's window to the front, says who holds the folder, and ends
// without opening a window. A store of the command line holding the folder is waited for (3 s at
// most). A folder whose lock cannot be taken ends the program by the fatal-error path.

#include <QString>

namespace dipsheet::app {

// Takes the data folder (the working directory) for this run and listens for a second
// Dipsheet asking for the window. False when another program holds the folder (its window has
// been asked to the front and the user told who holds it, in one message box) or no lock can be
// had there (the fatal-error path has said why); the caller ends with status 1.
bool holdDataFolder();

// The name both copies use to reach the holder of `folder`.
QString holderAddress(const QString& folder);

}  // namespace dipsheet::app
