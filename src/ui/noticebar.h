#pragma once

// A notice bar: a line across a window that says what the world did (a busy or read-only file,
// a full disk) and the way out, shown while there is something to say and hidden otherwise. It
// never takes the keyboard focus, so typing goes on in the field the user is in.

#include <QLabel>

namespace dipsheet::ui {

class NoticeBar : public QLabel {
    Q_OBJECT

public:
    explicit NoticeBar(QWidget* parent);
    // Shows `text` as plain text, or hides the bar when it is empty.
    void say(const QString& text);
};

}  // namespace dipsheet::ui
