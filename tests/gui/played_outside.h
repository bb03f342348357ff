#pragma once

// The world as a test plays it: an Outside handed to the program for the test's scope, which
// keeps every message, question and end instead of showing or doing them, and answers as the
// test says. A question nobody told it how to answer is answered No; a save dialog is
// cancelled; the timer is Qt's own unless the test takes it.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "outside.h"

namespace gui_testing {

template <class Base = dipsheet::ui::Outside>
class PlayedOutside : public Base {
public:
    QStringList messages;
    QStringList questions;
    QList<int> ends;
    std::function<void(const QString&)> onMessage;  // besides keeping it
    std::function<void(int)> onEnd;                 // besides keeping it
    std::function<dipsheet::ui::Answer(const QString&)> answerYesNoCancel;
    std::function<bool(const QString&)> answerYesNo;
    std::function<QString(const QString& caption, const QString& suggested, const QString& filter)>
        saveAs;
    std::function<std::optional<int>(const QString& question, int suggested)> askedNumber;
    std::function<void(QObject* owner, int ms, std::function<void()> handler)> oneShot;
    bool askAPerson = false;  // the questions in their real boxes, for a test that answers them

    void showMessage(const QString& text) override {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    void endProgram(int status) override {
        ends << status;
        if (onEnd)
            onEnd(status);
    }
    void startOneShot(QObject* owner, int ms, std::function<void()> handler) override {
        if (oneShot)
            oneShot(owner, ms, std::move(handler));
        else
            Base::startOneShot(owner, ms, std::move(handler));
    }
    QString askSaveFileName(QWidget*, const QString& caption, const QString& suggested,
                            const QString& filter) override {
        return saveAs ? saveAs(caption, suggested, filter) : QString();
    }
    std::optional<int> askInteger(QWidget*, const QString& question, int suggested, int,
                                  int) override {
        return askedNumber ? askedNumber(question, suggested) : std::nullopt;
    }
    bool askYesNo(QWidget* parent, const QString& question) override {
        questions << question;
        if (askAPerson)
            return Base::askYesNo(parent, question);
        return answerYesNo && answerYesNo(question);
    }
    dipsheet::ui::Answer askYesNoCancel(QWidget* parent, const QString& question) override {
        questions << question;
        if (askAPerson)
            return Base::askYesNoCancel(parent, question);
        return answerYesNoCancel ? answerYesNoCancel(question) : dipsheet::ui::Answer::No;
    }
};

// A PlayedOutside handed to the windows for as long as it lives.
struct HandedOutside : PlayedOutside<> {
    dipsheet::ui::UseOutside handed{*this};
};

}  // namespace gui_testing
