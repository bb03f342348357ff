#pragma once

// The splash window, the program's start-up window. The main window is built (hidden) while it
// is on screen and handed to it; 7000 ms later its timer fires once, closes and destroys the splash
// and shows the main window, or at once on a key or a click. The splash waits for the main window:
// time up while the main window is still being built (a message box on screen meanwhile) hands over
// once it is there, and a main window that never comes (the program ends on the fatal-error path)
// is never shown.

#include <QWidget>

class QLabel;

namespace dipsheet::app {

class DataFolder;
class MainWindow;

class Splash : public QWidget {
    Q_OBJECT

public:
    // Starts tmrTitle; the office's name is read from `folder`'s dipsheet.ini.
    explicit Splash(const DataFolder& folder);
    // The main window, built hidden while the splash is on screen: shown once the time is up.
    void handTo(MainWindow* mainWindow);

    // Shows the splash maximised and borderless over the whole screen.
    void display();

    MainWindow* mainWindow() const { return m_mainWindow; }

private:
    QLabel* lblCoName;
    QLabel* lblOffice;
    QLabel* Image1;
    QLabel* lblServer = nullptr;  // the desk and the office's server, when there is one

protected:
    // A key or a click on the splash goes straight on to the main window.
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The splash's time is up: hands over, or leaves that to the end of the construction.
    void tmrTitle_Timer();
    // Once the time is up and the main window is there, and not on a program that asked to
    // end: closes and destroys the splash, shows the main window. Once only.
    void handOver();

    MainWindow* m_mainWindow = nullptr;
    bool m_timeUp = false;
    bool m_handedOver = false;
};

}  // namespace dipsheet::app
