#pragma once

// The splash window, the program's start-up window. Creating it creates the main window
// (hidden); 7000 ms later its timer fires once, closes and destroys the splash and shows the
// main window.

#include <QWidget>

class QLabel;

namespace dipsheet::app {

class MdiForm1;

class FrmIntro : public QWidget {
    Q_OBJECT

public:
    // Form_Load: creates the main window without showing it and starts tmrTitle.
    FrmIntro();

    // Shows the splash maximised and borderless over the whole screen.
    void display();

    MdiForm1* mainWindow() const { return m_mainWindow; }

    QLabel* lblCoName;
    QLabel* Label1;
    QLabel* Image1;

private:
    // Once: disables the timer, closes and destroys the splash, shows the main window.
    void tmrTitle_Timer();

    MdiForm1* m_mainWindow = nullptr;
    bool m_tmrTitleEnabled = true;
};

}  // namespace dipsheet::app
