#pragma once

// The forms' clock and dialogs: the one-shot timer (the splash's), the save dialog and the
// yes/no question, each asked of the Outside the program was handed.

#include <QString>

#include "outside.h"

#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace dipsheet::ui {

// ---- Timer seam: a one-shot timer of `ms` milliseconds that calls `handler` once.
// A test fires it at will through its Outside.
void startOneShot(QObject* owner, int ms, std::function<void()> handler);
// `work` run on a thread of its own, so that what it waits for (a server far away) never holds
// the keyboard; then `done` on `owner`'s thread, guarded, unless `owner` has gone meanwhile.
void offThread(QObject* owner, std::function<void()> work, std::function<void()> done);

// ---- Save dialog seam: the file the user chooses to save to, in a modal dialog that opens at
// `suggested` (a folder and a file name) and shows the files matching `filter`; it asks before
// it lets an existing file be chosen. An empty text when the user cancels. A test answers through
// its Outside.
QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);

// ---- Number seam: a whole number from `low` to `high`, asked in a modal box that opens at
// `suggested`; none when the user cancels. A test answers through its Outside. The boxes of this
// file show their text as plain text, as the message box does.
std::optional<int> askInteger(QWidget* parent, const QString& question, int suggested, int low,
                              int high);

// ---- Question seam: `question` in a modal box with Yes and No (No the default, so Enter on a
// box that came up unexpectedly changes nothing); true for Yes. A test answers through its Outside.
bool askYesNo(QWidget* parent, const QString& question);

// ---- Question seam with a way back: `question` with Yes, No and Cancel (Yes the default; Esc
// or closing the box is Cancel). A test answers through its Outside.
Answer askYesNoCancel(QWidget* parent, const QString& question);

}  // namespace dipsheet::ui
