#pragma once

// What the program asks of the world around it: a person (the message box, the questions, the
// save dialog), the clock (a one-shot timer) and the end of the process. The program is handed
// one at start-up; the base class is the real one. A test hands its own, overriding what it
// answers itself, for as long as a UseOutside lives, so that nothing it changed outlives it.

#include <QString>

#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace dipsheet::ui {

enum class Answer { Yes, No, Cancel };

class Outside {
public:
    Outside() = default;
    Outside(const Outside&) = delete;
    Outside& operator=(const Outside&) = delete;
    virtual ~Outside() = default;

    // The modal message box: the text as plain text, OK only, no icon, title "Dipsheet".
    virtual void showMessage(const QString& text);
    // Ends the program: the loop (a box's included) once control is back in it, or the process
    // when no loop runs.
    virtual void endProgram(int status);
    // Calls `handler` once, `ms` milliseconds from now, while `owner` lives.
    virtual void startOneShot(QObject* owner, int ms, std::function<void()> handler);
    // The file chosen in the save dialog (it asks before an existing file is chosen); empty
    // when the user cancels.
    virtual QString askSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter);
    // A whole number from `low` to `high`, opening at `suggested`; none when cancelled.
    virtual std::optional<int> askInteger(QWidget* parent, const QString& question, int suggested,
                                          int low, int high);
    // Yes and No, No the default: true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& question);
    // Yes, No and Cancel, Yes the default; Esc or closing the box is Cancel.
    virtual Answer askYesNoCancel(QWidget* parent, const QString& question);
};

// The Outside the program was handed: the real one until one is handed.
Outside& outside();

// Hands `handed` to the program for as long as this lives; the one before comes back after.
class UseOutside {
public:
    explicit UseOutside(Outside& handed);
    ~UseOutside();
    UseOutside(const UseOutside&) = delete;
    UseOutside& operator=(const UseOutside&) = delete;

private:
    Outside* m_before;
};

}  // namespace dipsheet::ui
