#include "errors.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStringList>
#include <QThread>

#include <cstdlib>
#include <utility>
#include <vector>

#include "appearance.h"

namespace dipsheet::ui {

// ---- Message box

namespace {
// The status the program first asked to end with, none while it has not asked.
std::optional<int>& requestedEnd() {
    static std::optional<int> status;
    return status;
}
}  // namespace

void messageBox(const QString& text) {
    outside().showMessage(text);
}

void Outside::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Dipsheet"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Ok)->setIcon(QIcon());  // no icon anywhere, not even on the button
    box.exec();
}

// ---- Program end

void endProgram(int status) {
    outside().endProgram(status);
}

void Outside::endProgram(int status) {
    // Inside the event loop the program ends once control is back in the loop, so the caller
    // may still finish its work and ask again (an Exit whose clean-up failed, and asked for 1 on
    // the fatal-error path, goes on to ask for 0): the first request decides how it ends.
    std::optional<int>& requested = requestedEnd();
    if (!requested)
        requested = status;
    // Inside the event loop, leave every loop (a modal box included) so main() returns;
    // before or after it, there is nothing to unwind to. A box's loop left before the program's
    // own loop runs: Application::exec ends at once.
    if (QCoreApplication::instance() && QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(*requested);
    } else {
        std::exit(*requested);
    }
}

bool endRequested() {
    return requestedEnd().has_value();
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

namespace {
bool& fatalFlag() {
    static bool entered = false;
    return entered;
}
std::vector<std::function<void()>>& fatalStops() {
    static std::vector<std::function<void()>> stops;
    return stops;
}
}  // namespace

bool fatalEntered() {
    return fatalFlag();
}

void onFatalEntered(std::function<void()> stop) {
    fatalStops().push_back(std::move(stop));
}

void fatalError(std::exception_ptr error) {
    // Entered once: a failure met while the message is on screen (a save point of the focus the
    // box takes, a timer) is the same damage, already being said. Ending the program here would
    // leave the box's own loop too, and the program would end with no word.
    if (fatalFlag())
        return;
    fatalFlag() = true;
    for (const auto& stop : fatalStops()) {
        try {
            stop();
        } catch (...) {
        }
    }
    const ErrorInfo info = describeError(error);
    try {
        messageBox(QStringLiteral("Error %1: %2").arg(info.number).arg(info.description));
    } catch (...) {
    }
    endProgram(1);
    // An Outside that only takes note of the end (a test's) leaves the program running on.
    if (!endRequested())
        fatalFlag() = false;
}

namespace {
// The rule: a fatal error takes the fatal-error path; any other is said by `say`.
void reportBy(std::exception_ptr error, void (*say)(const QString&)) {
    const ErrorInfo info = describeError(error);
    if (info.fatal) {
        fatalError(error);
        return;
    }
    say(QStringLiteral("Error %1: %2").arg(info.number).arg(info.description));
}
}  // namespace

void reportFailure(std::exception_ptr error) {
    reportBy(error, &messageBox);
}

namespace {
// Texts waiting for the user to come back, each once.
QStringList& waitingMessages() {
    static QStringList texts;
    return texts;
}

void showWaitingMessages() {
    // One at a time, and not while the user is away (the next activation shows them). A text
    // stays listed while its box is on screen: the box takes the focus from the field whose
    // failure it tells, and a save that fails again meanwhile must not ask once more.
    static bool showing = false;
    if (showing || QGuiApplication::applicationState() != Qt::ApplicationActive)
        return;
    showing = true;
    const auto done = qScopeGuard([] { showing = false; });
    while (!waitingMessages().isEmpty()) {
        messageBox(waitingMessages().first());
        waitingMessages().removeFirst();
    }
}
}  // namespace

void messageWhenBack(const QString& text) {
    if (waitingMessages().contains(text))
        return;
    waitingMessages() << text;
    static bool watching = false;
    if (!watching && qApp) {
        watching = true;
        QObject::connect(
            qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    QMetaObject::invokeMethod(qApp, &showWaitingMessages, Qt::QueuedConnection);
            });
    }
    if (qApp)
        QMetaObject::invokeMethod(qApp, &showWaitingMessages, Qt::QueuedConnection);
}

void reportFailureWhenBack(std::exception_ptr error) {
    reportBy(error, &messageWhenBack);
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

// ---- Application

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Dipsheet"));
    setStyle(programStyle());
    // The face the panels were designed with resolves to the installed face the program uses.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), defaultFont().family());
    setFont(defaultFont());
}

int Application::exec() {
    if (const std::optional<int> status = requestedEnd())
        return *status;
    return QApplication::exec();
}

}  // namespace dipsheet::ui
