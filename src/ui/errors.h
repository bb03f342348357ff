#pragma once

// What the user is told and how the program ends: the message box, program end, the
// fatal-error path with its error translators, the handler guards that keep exceptions out of
// Qt, and the application object. The message box and program end are asked of the Outside
// the program was handed (outside.h).

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "outside.h"

namespace dipsheet::ui {

// ---- Message box: modal, the text as plain text (a stored name's tags shown as typed), OK
// only, no icon, title "Dipsheet". Returns when closed.
void messageBox(const QString& text);

// ---- Program end: ends the program at once (no unload handlers run). The first request
// decides the exit status: a failure that asked for 1 is not turned into success by a later
// ordinary end.
void endProgram(int status = 0);
// Whether the program has asked to end (a test's Outside that answers the end asks nothing of
// the program).
bool endRequested();

// ---- Failures. One rule for the whole program: only a job database that cannot be opened or
// read at start-up, or is found damaged, takes the fatal-error path (one message box with the
// error's number and description, then the program ends). Everything the user can mend (a
// printer, a report definition, a busy or read-only file, a full disk, a file they chose) is a
// message that names the problem and the way out; the program runs on with every field as
// typed. Errors of our own layers map to a number, a description and whether they are fatal
// through translators registered at start-up; any other exception (a fault of the program's
// own) is fatal, shown with number 0 and its what().
struct ErrorInfo {
    int number = 0;
    QString description;
    bool fatal = true;
};
using ErrorTranslator = std::function<std::optional<ErrorInfo>(const std::exception&)>;
void addErrorTranslator(ErrorTranslator translator);
ErrorInfo describeError(std::exception_ptr error);
void fatalError(std::exception_ptr error);
// Whether the fatal-error path has been entered. From then on the program does nothing but show
// its one message and end: no handler body runs (guarded below skips them), so no save point
// meets the damage again while the message is up, and a second fatal error changes nothing.
bool fatalEntered();
// What must stop at once when the fatal-error path is entered (a retry timer of the job, say):
// run once, before the message is shown.
void onFatalEntered(std::function<void()> stop);
// The rule above: the fatal-error path for a fatal error, else the message "Error <number>:
// <description>" and the program runs on.
void reportFailure(std::exception_ptr error);

// A message for a moment when no window may open (in the middle of a focus change) or the user
// may be in another program: shown once the events already queued have been handled and a
// window of the program is active again. The same text waiting twice is shown once.
void messageWhenBack(const QString& text);
// reportFailure at such a moment: a fatal error ends the program at once; any other is said by
// messageWhenBack.
void reportFailureWhenBack(std::exception_ptr error);

// Runs a handler body; any exception is reported by the rule above instead of reaching Qt. Qt
// does not carry an exception through its event delivery, so every place where Qt calls the
// program and the program can fail (a slot, an event handler such as keyPressEvent or
// closeEvent, an event filter) runs its body through this or guard() below.
template <typename F>
void guarded(F&& body) {
    if (fatalEntered())
        return;
    try {
        body();
    } catch (...) {
        reportFailure(std::current_exception());
    }
}
// Runs a body whose every failure is fatal: reading the job database at start-up.
template <typename F>
void fatalOnFailure(F&& body) {
    if (fatalEntered())
        return;
    try {
        body();
    } catch (...) {
        fatalError(std::current_exception());
    }
}

// The wait cursor over every window of the program for as long as this lives, restored
// whatever happens (a failure, an early return).
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
// Wraps a handler for connect(), forwarding the signal's arguments it takes:
//     connect(b, &QPushButton::clicked, this, ui::guard([this] { ... }));
//     connect(o, &QRadioButton::toggled, this, ui::guard([this](bool on) { ... }));
// Any exception is reported by the rule above instead of reaching Qt.
template <typename F>
auto guard(F body) {
    return [body](auto&&... args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<const F&, decltype(args)...>)
                body(std::forward<decltype(args)>(args)...);
            else
                body();
        });
    };
}

// The application object: sets the program's style. It leaves event delivery to Qt: a failure is
// caught in the handler that met it (guarded), never after it has unwound through Qt.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    // The event loop of the program, until it ends. A program that asked to end before the loop
    // runs (the fatal-error path of a box's own loop at start-up) ends at once with the status
    // it asked for: QApplication::exec would forget the request and run on without a window.
    static int exec();
};

}  // namespace dipsheet::ui
