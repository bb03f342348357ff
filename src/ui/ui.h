#pragma once

// The forms layer every panel and window stands on: twips, the program's colours and fonts,
// the message box, program end and the fatal-error path, the one-shot splash timer, and the
// window registry. The message box, program end and timer are seams a test can replace.

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>

#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>

class QWidget;
class QLineEdit;
class QTextEdit;
class QPlainTextEdit;
class QAbstractButton;
class QStyle;

namespace dipsheet::ui {

// ---- Twips: 1/1440 inch, 15 to a device-independent pixel at 96 dpi (Qt scales on dense screens).
constexpr int twips(int t) {
    return (t + 7) / 15;
}
QRect twipsRect(int left, int top, int width, int height);
// Moves and sizes a widget to a box given in twips, relative to its parent.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// ---- Colours (red, green, blue).
namespace colour {
inline const QColor blue{0, 0, 255};
inline const QColor cyan{0, 255, 255};
inline const QColor yellow{255, 255, 0};
inline const QColor lightGrey{192, 192, 192};
inline const QColor green{0, 255, 0};
inline const QColor white{255, 255, 255};
inline const QColor red{255, 0, 0};
inline const QColor magenta{255, 0, 255};
}  // namespace colour

// Background of any widget (panels, labels, frames, options, fields); on a push button it is
// the face colour.
void setBackground(QWidget* widget, const QColor& colour);
QColor background(const QWidget* widget);
void setTextColour(QWidget* widget, const QColor& colour);

// ---- Fonts: the default face ("MS Sans Serif" 8.25 pt maps to a comparable installed face),
// the 12 pt bold sans-serif of headings, the 9.75 pt sans-serif of the client name.
QFont defaultFont();
QFont headingFont();
QFont clientFont();

// ---- Text fields select their whole text when entered, by Tab or by mouse (the select is
// deferred past the mouse press that would clear it). `onGotFocus` and `onLostFocus` run after.
void selectAllOnEntry(QWidget* field);
// A single-line field that sets no length limit of its own (Qt's default stops at 32767).
void noLengthLimit(QLineEdit* field);
// A field with a length limit never holds half a character: when the limit cuts a surrogate
// pair (an emoji typed or pasted into the last place), the half is dropped, so the character
// is refused like any other typing past the limit.
void keepWholeCharacters(QLineEdit* field);

// The options of one group are one stop in the keyboard order: Tab and Shift+Tab reach only
// the selected option (the others take the focus by mouse); the arrow keys move the choice
// within the group.
void oneTabStopPerGroup(std::initializer_list<QAbstractButton*> options);

// Installs focus handlers on a QLineEdit / QTextEdit / QPlainTextEdit / button.
// A got-focus handler runs as soon as the widget has handled its focus-in; a lost-focus handler
// runs once the focus change is complete (from the event loop, right after the event that moved
// the focus), so it may move the focus again or show a message box. Focus that comes or goes
// with its whole window (activation, another window or a message box in front) and popup menus
// do not count as entering or leaving. Only the user leaves a field (mouse, Tab, Backtab,
// shortcut): when the program moves the focus (Qt::OtherFocusReason, as giveFocus and
// focusPanel do), the field it takes the focus from runs no lost-focus handler.
void onGotFocus(QWidget* widget, std::function<void()> handler);
void onLostFocus(QWidget* widget, std::function<void()> handler);
// A leaving handler runs as soon as the widget has handled a focus-out that counts as leaving,
// before anything else happens: what it saves is saved before the click that took the focus
// acts, even when press and release arrive together. It must not move the focus or open a
// window (that is for a lost-focus handler, which runs after it).
void onLeaving(QWidget* widget, std::function<void()> handler);
// A move-on handler: runs once the focus change is complete, like a lost-focus handler, but only
// when the user left the field with Tab (forward, in the keyboard order) and the focus is still
// where Tab put it. A field left by a
// click, Shift+Tab or a shortcut keeps the focus where the user put it: the clicked control
// takes it and acts (a button is pressed, a box toggles), and nothing moves it afterwards.
void onTabbedAway(QWidget* widget, std::function<void()> handler);
// Gives the keyboard focus to a widget, bringing its window to the front; a field that selects
// on entry has its whole text selected even when it already held the focus.
void giveFocus(QWidget* widget);
// Gives the keyboard focus to a panel: to the first control in its tab order that takes focus
// by Tab (of a group of option buttons, the selected one).
void focusPanel(QWidget* panel);

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
// Wraps a handler for connect(): connect(b, &QPushButton::clicked, this, ui::guard([this] {...}))
template <typename F>
auto guard(F body) {
    return [body](auto&&...) { guarded(body); };
}

// The program's style: Fusion, with push buttons that have a colour of their own painted flat
// in exactly that colour (a raised edge at rest, sunken while pressed, a dotted focus frame).
// The caller owns the style (QApplication::setStyle takes it).
QStyle* programStyle();

// The application object: catches any exception that reaches the top of event delivery and
// sends it down the fatal-error path. Sets the program's style.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// ---- Timer seam: a one-shot timer of `ms` milliseconds that calls `handler` once.
// Tests replace the factory to fire it at will.
using OneShotStarter = std::function<void(QObject* owner, int ms, std::function<void()> handler)>;
void startOneShot(QObject* owner, int ms, std::function<void()> handler);
void setOneShotStarter(OneShotStarter starter);  // nullptr restores the real QTimer

// ---- Window registry: each window exists at most once. The first reference creates it (its
// constructor is its load handler); unload runs its unload step and destroys it; the next
// reference creates a fresh one.
//
// A window can also be closed from its title bar: its closeEvent calls unloadOnClose, which
// runs Form_Unload and destroys it the same way. Form_Unload runs exactly once either way.
bool isUnloaded(const QObject* form);
void markUnloaded(QObject* form);
// For a form's closeEvent: runs `formUnload` unless the form is already unloaded, then
// destroys the form once the close event has been handled.
void unloadOnClose(QWidget* form, const std::function<void()>& formUnload);

template <typename T>
class FormSlot {
public:
    T* get() {
        if (!loaded())
            m_form = new T();
        return m_form.data();
    }
    T* existing() const { return loaded() ? m_form.data() : nullptr; }
    bool loaded() const { return !m_form.isNull() && !isUnloaded(m_form.data()); }
    // Runs the form's Form_Unload, then destroys it: it is hidden and forgotten at once and
    // deleted when control returns to the event loop (it may be the sender of the current
    // signal).
    void unload() {
        T* f = existing();
        if (!f)
            return;
        m_form.clear();
        markUnloaded(f);
        struct Destroy {
            T* form;
            ~Destroy() {
                form->hide();
                form->deleteLater();
            }
        } destroy{f};
        f->Form_Unload();
    }

private:
    QPointer<T> m_form;
};

}  // namespace dipsheet::ui
