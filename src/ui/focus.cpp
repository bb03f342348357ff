#include "focus.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTextEdit>
#include <QValidator>
#include <QWidget>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "errors.h"

namespace dipsheet::ui {

// ---- Focus: select on entry, got and lost focus handlers

namespace {

// Entering a field: any focus-in but the whole window coming back or a popup menu closing.
bool countsAsEntry(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Leaving a field: the user moved the focus. When the program moves it (a refusal sending the
// focus back, a panel leading on to the next), the field it leaves was never left by the user.
bool countsAsLeaving(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

void selectWhole(QWidget* field) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->selectAll();
    } else if (auto* text = qobject_cast<QTextEdit*>(field)) {
        text->selectAll();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        plain->selectAll();
    }
}

// A text field shows its selection only while it has the focus: two fields never look
// selected at once. The selection is kept, drawn in the field's own colours.
void showSelection(QWidget* field, bool shown) {
    QPalette palette = field->palette();
    const QPalette normal = QApplication::palette(field);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Highlight,
                         shown ? normal.color(group, QPalette::Highlight)
                               : palette.color(group, QPalette::Base));
        palette.setColor(group, QPalette::HighlightedText,
                         shown ? normal.color(group, QPalette::HighlightedText)
                               : palette.color(group, QPalette::Text));
    }
    field->setPalette(palette);
}

// One per widget: lets the widget handle its own focus event first, then selects and runs the
// got-focus handlers; the lost-focus handlers run once the focus change is complete.
class FocusHooks : public QObject {
public:
    explicit FocusHooks(QWidget* widget) : QObject(widget), m_widget(widget) {
        setObjectName(QStringLiteral("dipsheetFocusHooks"));
        widget->installEventFilter(this);
        // A multi-line field gets its mouse events on its viewport.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
            m_viewport = area->viewport();
            m_viewport->installEventFilter(this);
        }
    }

    static FocusHooks* of(QWidget* widget) {
        auto* hooks = widget->findChild<FocusHooks*>(QStringLiteral("dipsheetFocusHooks"),
                                                     Qt::FindDirectChildrenOnly);
        return hooks ? hooks : new FocusHooks(widget);
    }

    bool selectOnEntry = false;
    std::vector<std::function<void()>> got;
    std::vector<std::function<void()>> leaving;
    std::vector<std::function<void()>> lost;
    std::vector<std::function<void()>> tabbedAway;

    // Selects the whole text, now and once more after the events already queued (a mouse press
    // that follows the focus-in places the cursor and would clear a selection made now).
    // Entered by a click, it selects after the press and again after its release: a click held
    // as a hand holds it has its release arrive later, and a multi-line field puts the caret
    // where the button came up. A press that landed in a selection would also be taken as the
    // start of a drag, so nothing is selected before the press.
    void selectNowAndDeferred(bool byMouse = false) {
        if (!byMouse)
            selectWhole(m_widget);
        m_selectAfterRelease = byMouse;
        selectDeferred();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A key typed into the field is the user's: no selection still to come may take it.
        if (event->type() == QEvent::KeyPress && watched == m_widget)
            m_typed = true;
        if (event->type() == QEvent::MouseButtonRelease && m_selectAfterRelease &&
            (watched == m_widget || watched == m_viewport)) {
            m_selectAfterRelease = false;
            selectDeferred();
            return false;
        }
        if (watched != m_widget || m_inside)
            return false;
        const auto type = event->type();
        if (type != QEvent::FocusIn && type != QEvent::FocusOut)
            return false;

        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        QPointer<QWidget> widget = m_widget;
        QPointer<FocusHooks> self = this;
        m_inside = true;
        QCoreApplication::sendEvent(watched, event);
        if (!self)
            return true;
        m_inside = false;

        if (selectOnEntry && reason != Qt::PopupFocusReason)
            showSelection(m_widget, type == QEvent::FocusIn);
        if (type == QEvent::FocusIn) {
            m_typed = false;
            if (selectOnEntry && reason != Qt::PopupFocusReason)
                selectNowAndDeferred(reason == Qt::MouseFocusReason || clickedInto(reason));
            if (countsAsEntry(reason))
                runAll(got, widget);
        } else if (reason == Qt::ActiveWindowFocusReason) {
            // Another window became active (the chart window, a dialog, the preview, another
            // program): what was typed is kept as leaving the field keeps it, so whatever reads
            // the file next reads what the screen shows. The field was not left: nothing moves
            // the focus or asks the user anything.
            m_selectAfterRelease = false;
            runLeaving(widget);
        } else if (countsAsLeaving(reason)) {
            m_selectAfterRelease = false;
            runLeaving(widget);
            if (!self)
                return true;
            // Once the focus has settled on the new widget: a handler that moves the focus
            // again (or shows a message box) must not do so in the middle of the change.
            // A move-on follows Tab only while the focus is still where Tab put it: anything the
            // user did in between (a click, another window) wins.
            const bool tab = reason == Qt::TabFocusReason;
            const QPointer<QWidget> tabbedTo = QApplication::focusWidget();
            QMetaObject::invokeMethod(
                this,
                [this, widget, tab, tabbedTo] {
                    runAll(lost, widget);
                    // The hooks live as long as their widget.
                    if (tab && widget && tabbedTo && QApplication::focusWidget() == tabbedTo)
                        runAll(tabbedAway, widget);
                },
                Qt::QueuedConnection);
        }
        return true;
    }

private:
    // Whether the window came back because the user pressed the mouse in this field: without a
    // window manager the press arrives before the activation, and its release would put the
    // caret where the button came up.
    bool clickedInto(Qt::FocusReason reason) const {
        if (reason != Qt::ActiveWindowFocusReason ||
            !(QGuiApplication::mouseButtons() & Qt::LeftButton))
            return false;
        const QWidget* area = m_viewport ? m_viewport : m_widget;
        return area->rect().contains(area->mapFromGlobal(QCursor::pos()));
    }

    // Selects the whole text once the events already queued have been handled, if the field
    // still has the focus then.
    void selectDeferred() {
        QMetaObject::invokeMethod(
            this,
            [this] {
                // Keys typed meanwhile (a busy moment held the queue) stay as typed.
                if (m_widget->hasFocus() && !m_typed)
                    selectWhole(m_widget);
            },
            Qt::QueuedConnection);
    }

    // Leaving handlers run in the middle of a focus change, where no window may open: a failure
    // they meet is said once the focus has settled and the user is back.
    void runLeaving(const QPointer<QWidget>& widget) {
        if (fatalEntered())  // the program is ending on damage: no save point meets it again
            return;
        const auto copy = leaving;
        for (const auto& handler : copy) {
            if (!widget)
                return;
            try {
                handler();
            } catch (...) {
                reportFailureWhenBack(std::current_exception());
            }
        }
    }

    static void runAll(const std::vector<std::function<void()>>& handlers,
                       const QPointer<QWidget>& widget) {
        const auto copy = handlers;  // a handler may add handlers or destroy the widget
        for (const auto& handler : copy) {
            if (!widget)
                return;
            guarded(handler);
        }
    }

    QWidget* m_widget;
    QWidget* m_viewport = nullptr;
    bool m_inside = false;
    bool m_selectAfterRelease = false;
    bool m_typed = false;  // a key typed since the field was entered
};

}  // namespace

void oneTabStopPerGroup(std::initializer_list<QAbstractButton*> options) {
    const std::vector<QPointer<QAbstractButton>> group(options.begin(), options.end());
    const auto update = [group] {
        for (const auto& option : group) {
            if (option)
                option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    for (QAbstractButton* option : options)
        QObject::connect(option, &QAbstractButton::toggled, option, update);
    update();
}

void selectAllOnEntry(QWidget* field) {
    FocusHooks::of(field)->selectOnEntry = true;
}

void noLengthLimit(QLineEdit* field) {
    field->setMaxLength(std::numeric_limits<int>::max());
}

namespace {

// Drops every surrogate without its pair; the cursor keeps its place in what remains.
class WholeCharacters : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        QString kept;
        kept.reserve(input.size());
        int cursor = pos;
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const bool paired =
                (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) ||
                (c.isLowSurrogate() && i > 0 && input.at(i - 1).isHighSurrogate());
            if (c.isSurrogate() && !paired) {
                if (i < pos)
                    --cursor;
                continue;
            }
            kept += c;
        }
        if (kept.size() != input.size()) {
            input = kept;
            pos = cursor;
        }
        return Acceptable;
    }
};

}  // namespace

void keepWholeCharacters(QLineEdit* field) {
    field->setValidator(new WholeCharacters(field));
}

void onGotFocus(QWidget* widget, std::function<void()> handler) {
    FocusHooks::of(widget)->got.push_back(std::move(handler));
}

void onLostFocus(QWidget* widget, std::function<void()> handler) {
    FocusHooks::of(widget)->lost.push_back(std::move(handler));
}

void onLeaving(QWidget* widget, std::function<void()> handler) {
    FocusHooks::of(widget)->leaving.push_back(std::move(handler));
}

void onTabbedAway(QWidget* widget, std::function<void()> handler) {
    FocusHooks::of(widget)->tabbedAway.push_back(std::move(handler));
}

void giveFocus(QWidget* widget) {
    QWidget* window = widget->window();
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
    widget->setFocus(Qt::OtherFocusReason);
    auto* hooks = widget->findChild<FocusHooks*>(QStringLiteral("dipsheetFocusHooks"),
                                                 Qt::FindDirectChildrenOnly);
    if (hooks && hooks->selectOnEntry)
        hooks->selectNowAndDeferred();
}

void focusPanel(QWidget* panel) {
    QWidget* window = panel->window();
    // The window's keyboard order may run through other panels between this panel's controls:
    // walk it once round from the window and take the panel's first control in it.
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (!panel->isAncestorOf(w) || !w->isEnabled() || !w->isVisibleTo(window))
            continue;
        if (auto* option = qobject_cast<QRadioButton*>(w); option && option->autoExclusive()) {
            // Tab enters a group of exclusive options at its selected one (Qt moves the Tab
            // focus flag between the options of a group itself, so it is no guide here).
            if (option->focusPolicy() == Qt::NoFocus)
                continue;
            if (!option->isChecked()) {
                const auto group = option->parentWidget()->findChildren<QRadioButton*>(
                    QString(), Qt::FindDirectChildrenOnly);
                if (std::any_of(group.begin(), group.end(), [](const QRadioButton* o) {
                        return o->autoExclusive() && o->isChecked();
                    }))
                    continue;
            }
        } else if (!(w->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        if (window->isVisible())
            window->activateWindow();
        w->setFocus(Qt::OtherFocusReason);
        return;
    }
    panel->setFocus(Qt::OtherFocusReason);
}

}  // namespace dipsheet::ui
