#pragma once

// What the user is told and how the program ends: the message box, program end, the
// fatal-error path with its error translators, handler guards, and the application object
// that keeps exceptions out of Qt. The message box and program end are seams a test can
// replace.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace dipsheet::ui {

// ---- Message box: modal, the text, OK only, no icon, title "Dipsheet". Returns when closed.
void messageBox(const QString& text);
// Test seam: a handler that receives the text instead of the modal box (nullptr restores).
void setMessageBoxHandler(std::function<void(const QString&)> handler);

// ---- Program end: ends the program at once (no unload handlers run). The first request
// decides the exit status: a failure that asked for 1 is not turned into success by a later
// ordinary end.
void endProgram(int status = 0);
// Test seam: a handler that is told instead of ending (nullptr restores).
void setEndProgramHandler(std::function<void(int status)> handler);

// ---- Fatal-error path: one message box with the error's number and description, then the
// program ends. Errors of our own layers map to a number through translators registered at
// start-up; any other exception is shown with number 0 and its what().
struct ErrorInfo {
    int number = 0;
    QString description;
};
using ErrorTranslator = std::function<std::optional<ErrorInfo>(const std::exception&)>;
void addErrorTranslator(ErrorTranslator translator);
ErrorInfo describeError(std::exception_ptr error);
void fatalError(std::exception_ptr error);

// Runs a handler body; any exception reaches the fatal-error path instead of Qt.
template <typename F>
void guarded(F&& body) {
    try {
        body();
    } catch (...) {
        fatalError(std::current_exception());
    }
}
// Wraps a handler for connect(), forwarding the signal's arguments it takes:
//     connect(b, &QPushButton::clicked, this, ui::guard([this] { ... }));
//     connect(o, &QRadioButton::toggled, this, ui::guard([this](bool on) { ... }));
// Any exception reaches the fatal-error path instead of Qt.
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

// The application object: catches any exception that reaches the top of event delivery and
// sends it down the fatal-error path. Sets the program's style.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace dipsheet::ui
