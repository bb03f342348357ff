#include "ui.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QValidator>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace dipsheet::ui {

// ---- Twips

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twipsRect(left, top, width, height));
}

// ---- Colours

namespace {

// The palette role a widget paints its background with: the base of text fields and grids,
// else the widget's own background role (Button for every kind of button, so the face of a push
// button, and the area behind an option button's or check box's caption).
QPalette::ColorRole backgroundRole(const QWidget* widget) {
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractScrollArea*>(widget))
        return QPalette::Base;
    return widget->backgroundRole();
}

void setRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = widget->palette();
    p.setColor(QPalette::All, role, colour);
    widget->setPalette(p);
}

}  // namespace

void setBackground(QWidget* widget, const QColor& colour) {
    const QPalette::ColorRole role = backgroundRole(widget);
    setRole(widget, role, colour);
    if (role != QPalette::Base) {
        // Window too, which children inherit and styles use around a button's face.
        if (role != QPalette::Window)
            setRole(widget, QPalette::Window, colour);
        if (!widget->inherits("QPushButton")) {
            widget->setAutoFillBackground(true);
        } else {
            // A disabled caption in dark grey, so it still reads on a light grey face.
            QPalette p = widget->palette();
            p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
            widget->setPalette(p);
        }
    }
}

QColor background(const QWidget* widget) {
    return widget->palette().color(QPalette::Active, backgroundRole(widget));
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette p = widget->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::All, role, colour);
    widget->setPalette(p);
}

// ---- Fonts

namespace {

// The first of a few sans-serif faces comparable to "MS Sans Serif" that is installed.
QString sansFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* candidate : {"Liberation Sans", "DejaVu Sans", "Arial", "Helvetica"}) {
            if (installed.contains(QString::fromLatin1(candidate), Qt::CaseInsensitive))
                return QString::fromLatin1(candidate);
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QFont sans(double points, bool bold, int stretch = QFont::Unstretched) {
    QFont f(sansFamily());
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStretch(stretch);
    return f;
}

// The panels' captions were measured in "MS Sans Serif", about a tenth narrower than the
// installed faces at the same size: at 92 % width they fit the boxes they were laid out for.
constexpr int kDefaultStretch = 92;

}  // namespace

QFont defaultFont() {
    return sans(8.25, false, kDefaultStretch);
}
QFont headingFont() {
    return sans(12.0, true);
}
QFont clientFont() {
    return sans(9.75, false);
}

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

        if (type == QEvent::FocusIn) {
            if (selectOnEntry && reason != Qt::PopupFocusReason)
                selectNowAndDeferred(reason == Qt::MouseFocusReason);
            if (countsAsEntry(reason))
                runAll(got, widget);
        } else if (countsAsLeaving(reason)) {
            m_selectAfterRelease = false;
            runAll(leaving, widget);
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
    // Selects the whole text once the events already queued have been handled, if the field
    // still has the focus then.
    void selectDeferred() {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_widget->hasFocus())
                    selectWhole(m_widget);
            },
            Qt::QueuedConnection);
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

// ---- Message box

namespace {
std::function<void(const QString&)>& messageBoxHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}
std::function<void(int)>& endProgramHandler() {
    static std::function<void(int)> handler;
    return handler;
}
}  // namespace

void messageBox(const QString& text) {
    if (auto& handler = messageBoxHandler()) {
        handler(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Dipsheet"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Ok)->setIcon(QIcon());  // no icon anywhere, not even on the button
    box.exec();
}

void setMessageBoxHandler(std::function<void(const QString&)> handler) {
    messageBoxHandler() = std::move(handler);
}

// ---- Program end

void endProgram(int status) {
    if (auto& handler = endProgramHandler()) {
        handler(status);
        return;
    }
    // Inside the event loop the program ends once control is back in the loop, so the caller
    // may still finish its work and ask again (an Exit whose clean-up failed, and asked for 1 on
    // the fatal-error path, goes on to ask for 0): the first request decides how it ends.
    static std::optional<int> requested;
    if (!requested)
        requested = status;
    // Inside the event loop, leave every loop (a modal box included) so main() returns;
    // before or after it, there is nothing to unwind to.
    if (QCoreApplication::instance() && QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(*requested);
    } else {
        std::exit(*requested);
    }
}

void setEndProgramHandler(std::function<void(int status)> handler) {
    endProgramHandler() = std::move(handler);
}

// ---- Fatal-error path

namespace {
std::vector<ErrorTranslator>& translators() {
    static std::vector<ErrorTranslator> list;
    return list;
}
}  // namespace

void addErrorTranslator(ErrorTranslator translator) {
    translators().push_back(std::move(translator));
}

ErrorInfo describeError(std::exception_ptr error) {
    if (!error)
        return {0, QStringLiteral("Unknown error")};
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        for (const auto& translate : translators()) {
            if (auto info = translate(e))
                return *info;
        }
        return {0, QString::fromUtf8(e.what())};
    } catch (...) {
        return {0, QStringLiteral("Unknown error")};
    }
}

void fatalError(std::exception_ptr error) {
    // A failure while the fatal message itself is on screen only ends the program.
    static bool reporting = false;
    if (reporting) {
        endProgram(1);
        return;
    }
    reporting = true;
    const ErrorInfo info = describeError(error);
    try {
        messageBox(QStringLiteral("Error %1: %2").arg(info.number).arg(info.description));
    } catch (...) {
    }
    reporting = false;
    endProgram(1);
}

// ---- Style

namespace {

// Fusion with the faces of coloured push buttons painted flat in their exact colour: a 3-D
// edge of one light and one dark line, raised at rest and sunken while pressed, around a face
// that is the button's colour and nothing else; a dotted frame shows the focus. Buttons
// without a colour of their own (the message box's OK) keep Fusion's look.
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand && hasFace(widget)) {
            const QRect r = option->rect.adjusted(0, 0, -1, -1);
            const bool down = option->state & (State_Sunken | State_On);
            painter->save();
            painter->fillRect(option->rect, option->palette.color(QPalette::Button));
            painter->setPen(QColor(0, 0, 0));
            painter->drawRect(r);  // the outline
            const QRect in = r.adjusted(1, 1, -1, -1);
            const QColor light(255, 255, 255);
            const QColor dark(128, 128, 128);
            painter->setPen(down ? dark : light);
            painter->drawLine(in.topLeft(), in.topRight());
            painter->drawLine(in.topLeft(), in.bottomLeft());
            painter->setPen(down ? light : dark);
            painter->drawLine(in.bottomLeft(), in.bottomRight());
            painter->drawLine(in.topRight(), in.bottomRight());
            if (option->state & State_HasFocus) {
                // The keyboard focus: a dotted frame inside the edge, on the face's colour.
                painter->setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
                painter->drawRect(r.adjusted(3, 3, -3, -3));
            }
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        // The caption moves with the pressed face.
        if ((metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical) &&
            hasFace(widget))
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    static bool hasFace(const QWidget* widget) {
        return qobject_cast<const QPushButton*>(widget) &&
               widget->palette().isBrushSet(QPalette::Active, QPalette::Button);
    }
};

}  // namespace

QStyle* programStyle() {
    return new ProgramStyle;
}

// ---- Application

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Dipsheet"));
    setStyle(programStyle());
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), sansFamily());
    setFont(defaultFont());
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        fatalError(std::current_exception());
        return true;
    }
}

// ---- One-shot timer

namespace {
OneShotStarter& oneShotStarter() {
    static OneShotStarter starter;
    return starter;
}
}  // namespace

void startOneShot(QObject* owner, int ms, std::function<void()> handler) {
    if (auto& starter = oneShotStarter()) {
        starter(owner, ms, std::move(handler));
        return;
    }
    auto* timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);  // a coarse timer may fire up to 5% early
    timer->setInterval(ms);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, handler = std::move(handler)] {
        timer->deleteLater();
        guarded(handler);
    });
    timer->start();
}

void setOneShotStarter(OneShotStarter starter) {
    oneShotStarter() = std::move(starter);
}

// ---- Window registry

namespace {
constexpr const char* kUnloaded = "dipsheetUnloaded";
}

bool isUnloaded(const QObject* form) {
    return form && form->property(kUnloaded).toBool();
}

void markUnloaded(QObject* form) {
    form->setProperty(kUnloaded, true);
}

void unloadOnClose(QWidget* form, const std::function<void()>& formUnload) {
    if (!isUnloaded(form)) {
        markUnloaded(form);
        guarded(formUnload);
    }
    form->deleteLater();
}

}  // namespace dipsheet::ui
