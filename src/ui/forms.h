#pragma once

// The forms' clock and dialogs: the one-shot timer (the splash's), the save dialog and the
// yes/no question, seams a test can replace.

#include <QString>

#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace dipsheet::ui {

// ---- Timer seam: a one-shot timer of `ms` milliseconds that calls `handler` once.
// Tests replace the factory to fire it at will.
using OneShotStarter = std::function<void(QObject* owner, int ms, std::function<void()> handler)>;
void startOneShot(QObject* owner, int ms, std::function<void()> handler);
void setOneShotStarter(OneShotStarter starter);  // nullptr restores the real QTimer

// ---- Save dialog seam: the file the user chooses to save to, in a modal dialog that opens at
// `suggested` (a folder and a file name) and shows the files matching `filter`; it asks before
// it lets an existing file be chosen. An empty text when the user cancels. Tests replace it.
using SaveFileAsker =
    std::function<QString(const QString& caption, const QString& suggested, const QString& filter)>;
QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);
void setSaveFileAsker(SaveFileAsker asker);  // nullptr restores the real dialog

// ---- Number seam: a whole number from `low` to `high`, asked in a modal box that opens at
// `suggested`; none when the user cancels. Tests replace it. The boxes of this file show their
// text as plain text, as the message box does.
using IntegerAsker = std::function<std::optional<int>(const QString& question, int suggested)>;
std::optional<int> askInteger(QWidget* parent, const QString& question, int suggested, int low,
                              int high);
void setIntegerAsker(IntegerAsker asker);  // nullptr restores the real box

// ---- Question seam: `question` in a modal box with Yes and No (No the default, so Enter on a
// box that came up unexpectedly changes nothing); true for Yes. Tests replace it.
using YesNoAsker = std::function<bool(const QString& question)>;
bool askYesNo(QWidget* parent, const QString& question);
void setYesNoAsker(YesNoAsker asker);  // nullptr restores the real box

// ---- Question seam with a way back: `question` with Yes, No and Cancel (Yes the default; Esc
// or closing the box is Cancel). Tests replace it.
enum class Answer { Yes, No, Cancel };
using YesNoCancelAsker = std::function<Answer(const QString& question)>;
Answer askYesNoCancel(QWidget* parent, const QString& question);
void setYesNoCancelAsker(YesNoCancelAsker asker);  // nullptr restores the real box

}  // namespace dipsheet::ui
