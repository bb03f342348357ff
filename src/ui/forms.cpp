#include "forms.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <utility>

#include "errors.h"

namespace dipsheet::ui {

// ---- One-shot timer

void startOneShot(QObject* owner, int ms, std::function<void()> handler) {
    outside().startOneShot(owner, ms, std::move(handler));
}

void offThread(QObject* owner, std::function<void()> work, std::function<void()> done) {
    QThread* thread = QThread::create(std::move(work));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // A lambda without arguments: finished() carries Qt's private tag, which no handler may bind.
    QObject::connect(thread, &QThread::finished, owner,
                     [done = std::move(done)] { guarded(done); });
    thread->start();
}

void Outside::startOneShot(QObject* owner, int ms, std::function<void()> handler) {
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

// ---- Save dialog

QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter) {
    return outside().askSaveFileName(parent, caption, suggested, filter);
}

QString Outside::askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) {
    // Qt's own dialog asks before an existing file is overwritten.
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

// ---- Whole number

namespace {
// The box's text as plain text: a stored name's tags are shown as typed, never rendered.
void showAsPlainText(QWidget& box) {
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}
}  // namespace

std::optional<int> askInteger(QWidget* parent, const QString& question, int suggested, int low,
                              int high) {
    return outside().askInteger(parent, question, suggested, low, high);
}

std::optional<int> Outside::askInteger(QWidget* parent, const QString& question, int suggested,
                                       int low, int high) {
    QInputDialog box(parent);
    box.setWindowTitle(QStringLiteral("Dipsheet"));
    box.setInputMode(QInputDialog::IntInput);
    box.setIntRange(low, high);
    box.setIntValue(suggested);
    box.setLabelText(question);
    showAsPlainText(box);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.intValue();
}

// ---- Yes/no question

namespace {
// The window that asked takes the keyboard again once its question is answered: without a
// window manager it would otherwise fall to no window when the box closes.
void takeKeyboardBack(QWidget* asker) {
    if (asker && asker->window()->isVisible())
        asker->window()->activateWindow();
}
}  // namespace

bool askYesNo(QWidget* parent, const QString& question) {
    return outside().askYesNo(parent, question);
}

bool Outside::askYesNo(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Dipsheet"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    const bool yes = box.exec() == QMessageBox::Yes;
    takeKeyboardBack(parent);
    return yes;
}

// ---- Yes/no/cancel question

Answer askYesNoCancel(QWidget* parent, const QString& question) {
    return outside().askYesNoCancel(parent, question);
}

Answer Outside::askYesNoCancel(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Dipsheet"), question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.setTextFormat(Qt::PlainText);
    const int answer = box.exec();
    takeKeyboardBack(parent);
    switch (answer) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;  // Cancel, Esc or the window closed
    }
}

}  // namespace dipsheet::ui
