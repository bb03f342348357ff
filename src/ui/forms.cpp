#include "forms.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <utility>

#include "errors.h"

namespace dipsheet::ui {

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

// ---- Save dialog

namespace {
SaveFileAsker& saveFileAsker() {
    static SaveFileAsker asker;
    return asker;
}
}  // namespace

QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter) {
    if (auto& asker = saveFileAsker())
        return asker(caption, suggested, filter);
    // Qt's own dialog asks before an existing file is overwritten.
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void setSaveFileAsker(SaveFileAsker asker) {
    saveFileAsker() = std::move(asker);
}

// ---- Whole number

namespace {
// The box's text as plain text: a stored name's tags are shown as typed, never rendered.
void showAsPlainText(QWidget& box) {
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

IntegerAsker& integerAsker() {
    static IntegerAsker asker;
    return asker;
}
}  // namespace

std::optional<int> askInteger(QWidget* parent, const QString& question, int suggested, int low,
                              int high) {
    if (auto& asker = integerAsker())
        return asker(question, suggested);
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

void setIntegerAsker(IntegerAsker asker) {
    integerAsker() = std::move(asker);
}

// ---- Yes/no question

namespace {
YesNoAsker& yesNoAsker() {
    static YesNoAsker asker;
    return asker;
}
}  // namespace

namespace {
// The window that asked takes the keyboard again once its question is answered: without a
// window manager it would otherwise fall to no window when the box closes.
void takeKeyboardBack(QWidget* asker) {
    if (asker && asker->window()->isVisible())
        asker->window()->activateWindow();
}
}  // namespace

bool askYesNo(QWidget* parent, const QString& question) {
    if (auto& asker = yesNoAsker())
        return asker(question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Dipsheet"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    const bool yes = box.exec() == QMessageBox::Yes;
    takeKeyboardBack(parent);
    return yes;
}

void setYesNoAsker(YesNoAsker asker) {
    yesNoAsker() = std::move(asker);
}

// ---- Yes/no/cancel question

namespace {
YesNoCancelAsker& yesNoCancelAsker() {
    static YesNoCancelAsker asker;
    return asker;
}
}  // namespace

Answer askYesNoCancel(QWidget* parent, const QString& question) {
    if (auto& asker = yesNoCancelAsker())
        return asker(question);
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

void setYesNoCancelAsker(YesNoCancelAsker asker) {
    yesNoCancelAsker() = std::move(asker);
}

}  // namespace dipsheet::ui
