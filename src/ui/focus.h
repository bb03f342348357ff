#pragma once

// How the keyboard focus enters and leaves the panels' fields: select on entry, the got, lost,
// leaving and move-on handlers, the program's own focus moves, and the shape of fields and
// option groups in the keyboard order.

#include <functional>
#include <initializer_list>

class QWidget;
class QLineEdit;
class QAbstractButton;

namespace dipsheet::ui {

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
// do not count as entering or leaving; but a field whose window stops being the active one
// runs its leaving handlers (below), so that what was typed is kept before another window reads
// it. Only the user leaves a field (mouse, Tab, Backtab,
// shortcut): when the program moves the focus (Qt::OtherFocusReason, as giveFocus and
// focusPanel do), the field it takes the focus from runs no lost-focus handler.
void onGotFocus(QWidget* widget, std::function<void()> handler);
void onLostFocus(QWidget* widget, std::function<void()> handler);
// A leaving handler runs as soon as the widget has handled a focus-out that counts as leaving,
// before anything else happens: what it saves is saved before the click that took the focus
// acts, even when press and release arrive together. It also runs when the field's window stops
// being the active one (then no lost-focus or move-on handler follows). It must not move the
// focus or open a window (that is for a lost-focus handler, which runs after it); a failure it
// throws is said once the user is back (ui::reportFailureWhenBack).
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

}  // namespace dipsheet::ui
