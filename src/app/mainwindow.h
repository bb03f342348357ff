#pragma once

// The main window: a blue client area that holds every entry panel at its fixed place. It is
// created hidden by the splash and shown when the splash timer fires. It also opens the chart
// window after each calculation and unloads it when the program ends normally.

#include <QMainWindow>
#include <QPointer>

#include <optional>

#include "chartwindow.h"
#include "jobdocument.h"
#include "pastchartswindow.h"
#include "program.h"
#include "ui.h"

namespace dipsheet::setup {
class ChartOptionsPanel;
}

namespace dipsheet::app {

class OrientationPanel;
class ClientPanel;
class CopyrightPanel;
class HeadingPanel;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // MDIForm_Load: stays hidden, reads the job, creates the panels in layout order at their
    // places and puts the focus in the customer name. `database` is the job database of the
    // run: the window makes the job document on it and hands both to every window that reads
    // or writes the job. Its connections never wait on another program's lock longer than
    // kBusyMs: a busy file is retried, never waited on with the keyboard held.
    explicit MainWindow(const DataFolder& folder);
    static constexpr int kBusyMs = 100;
    // Destroys the chart window, if there is one, without its unload step.
    ~MainWindow() override;

    // Shows the window maximised with the focus in the customer name, its text selected.
    void display();

    // The chart window while it is loaded (open and not yet unloaded), else nullptr.
    ChartWindow* chartWindow() const {
        return m_chartWindow && !m_chartWindow->isUnloaded() ? m_chartWindow.data() : nullptr;
    }
    QWidget* clientArea() const { return m_clientArea; }
    // The job of the run: the record as typed, what is saved, the chart on show.
    document::JobDocument& job() const { return *m_job; }
    // The line across the bottom that says what the world did (a busy or read-only file).
    ui::NoticeBar* noticeBar() const { return m_noticeBar; }
    // The history window while it is open, else nullptr.
    PastChartsWindow* historyWindow() const { return m_pastChartsWindow.data(); }
    // Past Charts (Ctrl+H): opens the history window, or brings the open one to the front.
    void showHistory();

private:
    ClientPanel* m_clientPanel;
    OrientationPanel* m_orientationPanel;
    CopyrightPanel* m_copyrightPanel;
    HeadingPanel* m_headingPanel;
    setup::ChartOptionsPanel* m_chartOptions;

protected:
    // Closing the main window unloads the chart window, then ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    // Tab runs across the whole window in the order a job is filled.
    void setKeyboardOrder();
    // A chart has been stored: show the chart window, or refresh and raise the open one.
    void showChartWindow(const store::ChartSetup& setup);
    // The program ends: closes the chart window if it is loaded, which runs its unload step.
    void unloadChartWindow();
    void placeChartWindow(QWidget* window) const;
    // The field the user starts in: the client name while it still holds the new file's
    // placeholder, else the customer name.
    QWidget* firstField() const;
    // Exit on the chart window: back to the customer name for the next chart.
    void chartWindowExited();
    // A chart of the history back on the form: its heading into the job record and the
    // customer panel, its tank into the chart panels, then Calculate.
    void loadFromHistory(const store::HistoryEntry& entry);
    // The panels as the newest chart of the history left them (a fresh file: as they start).
    void restoreLastTank();

    DataFolder m_folder;
    store::JobDatabase m_database;
    document::JobDocument* m_job;
    QWidget* m_clientArea;
    ui::NoticeBar* m_noticeBar;
    // The chart window: at most one at a time; it deletes itself once closed.
    // The charts queued in the file go to the office's server, when there is one.
    void sendToServer();
    bool m_sending = false;
    bool m_sendAgain = false;
    QString m_serverNotice;    // the last send's notice, cleared by one that goes through
    QString m_serverBrief;     // that notice without the server's own words
    QString m_settingsNotice;  // dipsheet.ini refused at the start (too large to read)
    // The notice bar: the job's notice, else the server's, else the settings file's.
    void showNotice();

    QPointer<ChartWindow> m_chartWindow;
    QPointer<PastChartsWindow> m_pastChartsWindow;
    // A close was refused because the job could not be saved: the next close goes through.
    bool m_closeAnyway = false;
};

}  // namespace dipsheet::app
