#include "mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <memory>
#include <utility>

#include "clientpanel.h"
#include "copyrightpanel.h"
#include "failures.h"
#include "headingpanel.h"
#include "orientationpanel.h"
#include "pastchartswindow.h"
#include "program.h"
#include "server/desk.h"
#include "setup/chartoptionspanel.h"

namespace dipsheet::app {

namespace {
// The client area holds the rightmost panel (the chart options, to 9480) and the lowest (the
// tilt panel, to 8495) with a margin.
constexpr int kClientWidth = 9720;
constexpr int kClientHeight = 8740;

void placeAt(QWidget* panel, int left, int top) {
    panel->move(ui::twipsRect(left, top, 0, 0).topLeft());
}
}  // namespace

MainWindow::MainWindow(const DataFolder& folder)
    : m_folder(folder),
      m_database(folder.jobDatabase(kBusyMs)),
      m_job(new document::JobDocument(m_database, this)) {
    setObjectName(QStringLiteral("MDIForm1"));
    // A desk of an office's server says which desk and which server.
    if (const std::optional<DataFolder::Server> server = folder.server())
        setWindowTitle(QStringLiteral("Dipsheet - %1 on %2").arg(server->desk, server->shown()));
    else
        setWindowTitle(QStringLiteral("Dipsheet"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(ui::defaultFont());
    hide();
    ui::fatalOnFailure([this] { m_job->load(); });

    // The panels' blue area, and under it the notice bar, shown while there is a notice.
    auto* central = new QWidget(this);
    ui::setBackground(central, ui::colour::blue);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_clientArea = new QWidget(central);
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    ui::setBackground(m_clientArea, ui::colour::blue);
    m_clientArea->setMinimumSize(ui::twipsRect(0, 0, kClientWidth, kClientHeight).size());
    layout->addWidget(m_clientArea, 1);
    m_noticeBar = new ui::NoticeBar(central);
    layout->addWidget(m_noticeBar);
    setCentralWidget(central);
    resize(ui::twipsRect(0, 0, kClientWidth, kClientHeight).size());
    connect(m_job, &document::JobDocument::noticeChanged, this, [this] { showNotice(); });
    connect(m_job, &document::JobDocument::failed, this,
            [](std::exception_ptr error) { ui::reportFailure(error); });
    // Once the program ends on damage, the job is not tried again behind its message.
    ui::onFatalEntered([job = QPointer<document::JobDocument>(m_job)] {
        if (job)
            job->stopRetrying();
    });
    // Another window of the program coming to the front is a save point: what it shows or
    // prints is what the panels show.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, ui::guard([this] { m_job->save(); }));

    // The layout table, in its order; each panel keeps its own size.
    m_clientPanel = new ClientPanel(m_clientArea, *m_job);
    placeAt(m_clientPanel, 50, 0);
    m_orientationPanel = new OrientationPanel(m_clientArea);
    placeAt(m_orientationPanel, 3800, 0);
    m_copyrightPanel = new CopyrightPanel(m_clientArea);
    placeAt(m_copyrightPanel, 50, 3800);
    m_headingPanel = new HeadingPanel(m_clientArea, *m_job);
    placeAt(m_headingPanel, 50, 650);
    m_chartOptions = new setup::ChartOptionsPanel(m_clientArea, m_database);
    m_chartOptions->setJobDocument(m_job);
    placeAt(m_chartOptions, 4800, 950);
    placeAt(m_chartOptions->rectangularPanel(), 5550, 3845);
    placeAt(m_chartOptions->verticalPanel(), 5550, 3845);
    placeAt(m_chartOptions->horizontalPanel(), 5550, 3845);
    placeAt(m_chartOptions->headsPanel(), 5550, 6020);
    placeAt(m_chartOptions->tiltPanel(), 5550, 7280);

    setKeyboardOrder();

    m_orientationPanel->setChartPanel(m_chartOptions);
    m_headingPanel->setChartPanel(m_chartOptions);
    connect(m_chartOptions, &setup::ChartOptionsPanel::chartStored, this,
            ui::guard([this](const store::ChartSetup& setup) {
                showChartWindow(setup);
                sendToServer();
            }));
    // Converting the figures typed to the unit just chosen is offered on the notice bar.
    connect(m_chartOptions, &setup::ChartOptionsPanel::conversionOffered, this,
            [this](const QString& caption) {
                m_noticeBar->offer(caption,
                                   QStringLiteral("The unit changed; the figures stay as typed."),
                                   [this] { m_chartOptions->convertTypedFigures(); });
            });
    connect(m_chartOptions, &setup::ChartOptionsPanel::inputsChanged, this, ui::guard([this] {
                if (ChartWindow* window = chartWindow())
                    window->compareWithInputs(m_chartOptions->tank());
            }));
    // Exit on the chart panel: the chart window unloads, then the program ends.
    connect(m_chartOptions, &setup::ChartOptionsPanel::exitRequested, this, ui::guard([this] {
                unloadChartWindow();
                ui::endProgram();
            }));
    // Past Charts: one action of the window, for its button and Ctrl+H anywhere in it.
    auto* history = new QAction(QStringLiteral("Past Charts..."), this);
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setShortcutContext(Qt::WindowShortcut);
    addAction(history);
    connect(history, &QAction::triggered, this, ui::guard([this] { showHistory(); }));
    connect(m_chartOptions, &setup::ChartOptionsPanel::historyRequested, history,
            &QAction::trigger);

    ui::fatalOnFailure([this] { restoreLastTank(); });

    ui::giveFocus(firstField());
}

QWidget* MainWindow::firstField() const {
    // A new file names no client: "Client Name" is the schema's placeholder, which would be
    // printed as the client.
    if (m_clientPanel->holdsPlaceholder())
        return m_clientPanel->keyboardOrder().first();
    return m_headingPanel->keyboardOrder().first();
}

void MainWindow::setKeyboardOrder() {
    // The order a job is filled: client, heading, chart options up to the increment, the
    // dimensions of the panel on screen, its heads, Calculate, Exit, the orientation, and round
    // again.
    // Qt skips hidden and disabled controls; the options of a group are one stop each.
    const QList<QWidget*> order = m_clientPanel->keyboardOrder() + m_headingPanel->keyboardOrder() +
                                  m_chartOptions->keyboardOrder() +
                                  m_orientationPanel->keyboardOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

MainWindow::~MainWindow() {
    delete m_chartWindow.data();
    delete m_pastChartsWindow.data();
}

void MainWindow::restoreLastTank() {
    const auto newest = m_database.connect().readHistory({}, 1);
    if (newest.empty() || !newest.front().tank)
        return;
    m_chartOptions->setTank(*newest.front().tank);
    // Calculate of the tank put back, unchanged and under the same heading, is that chart again.
    m_chartOptions->rememberHistoryChart(newest.front().id, newest.front().job);
}

void MainWindow::showHistory() {
    if (!m_pastChartsWindow) {
        m_pastChartsWindow = new PastChartsWindow(m_database, m_folder);
        connect(m_pastChartsWindow, &PastChartsWindow::loadRequested, this,
                ui::guard([this](const store::HistoryEntry& entry) { loadFromHistory(entry); }));
        connect(m_pastChartsWindow, &PastChartsWindow::noticed, m_job,
                &document::JobDocument::tell);
        m_folder.restorePlace(m_pastChartsWindow, QStringLiteral("PastCharts"));
    }
    m_pastChartsWindow->show();
    m_pastChartsWindow->raise();
    m_pastChartsWindow->activateWindow();
}

void MainWindow::loadFromHistory(const store::HistoryEntry& entry) {
    // The heading and the tank go back on screen and are stored with the chart as it is shown
    // again; the history already holds it.
    m_job->replaceHeading(entry.job);
    m_chartOptions->setTank(*entry.tank);
    if (m_pastChartsWindow)
        m_pastChartsWindow->close();
    // A chart of the office's shared history has no row in this file for a corrected heading
    // to go to.
    m_chartOptions->calculateFromHistory(entry.desk.empty() ? entry.id : 0);
}

void MainWindow::display() {
    showMaximized();
    ui::giveFocus(firstField());
    m_settingsNotice = m_folder.settingsRefusal();
    if (!m_settingsNotice.isEmpty())
        showNotice();
    sendToServer();  // what waited in the file since the last run
}

void MainWindow::sendToServer() {
    const std::optional<DataFolder::Server> server = m_folder.server();
    if (!server)
        return;
    if (m_sending) {
        m_sendAgain = true;  // a chart stored while the last ones go up goes after them
        return;
    }
    m_sending = true;
    // Off the window's thread: a server far away or gone never holds the keyboard. The desk has
    // connections of its own, to the file and to the server.
    auto report = std::make_shared<server::ServerReport>();
    auto desk = std::make_shared<server::Desk>(m_database, server->uri.toStdString(),
                                               server->desk.toStdString());
    ui::offThread(
        this,
        [desk, report] {
            try {
                *report = desk->sync();
            } catch (const std::exception& failure) {  // the file itself: said, and tried again
                report->notice = failure.what();
            }
        },
        [this, report] {
            m_sending = false;
            // The server's notice stays until a send goes through, whatever the job saves.
            m_serverNotice = QString::fromStdString(report->notice);
            m_serverBrief = QString::fromStdString(report->brief);
            showNotice();
            if (report->sent > 0 && m_pastChartsWindow)
                m_pastChartsWindow->search();  // the office's list has the charts just sent
            if (std::exchange(m_sendAgain, false))
                sendToServer();
        });
}

void MainWindow::showNotice() {
    // The job's notice first, for it asks for something (a save that waits); else the server's.
    // Then the server's (its own words in the tooltip), then a settings file not read.
    if (!m_job->notice().isEmpty())
        m_noticeBar->say(m_job->notice());
    else if (!m_serverNotice.isEmpty())
        m_noticeBar->say(m_serverBrief.isEmpty() ? m_serverNotice : m_serverBrief, m_serverNotice);
    else if (!m_settingsNotice.isEmpty())
        m_noticeBar->say(m_settingsNotice + QLatin1Char('.'));
    else
        m_noticeBar->say({});
}

void MainWindow::showChartWindow(const store::ChartSetup& setup) {
    if (m_pastChartsWindow)
        m_pastChartsWindow->search();  // the chart just made heads the list
    ChartWindow* window = chartWindow();
    const bool open = window != nullptr;
    if (!open)
        m_chartWindow = window = new ChartWindow(*m_job, m_folder);
    window->showChart(setup);
    if (!open) {
        connect(window, &ChartWindow::exited, this, ui::guard([this] { chartWindowExited(); }));
        // The corrected heading and the printout kept go to the office's server too.
        connect(window, &ChartWindow::historyRowChanged, this,
                ui::guard([this] { sendToServer(); }));
        if (m_folder.restorePlace(window, QStringLiteral("Chart"))) {
            window->show();  // where the user left it
        } else {
            placeChartWindow(window);
            window->showMaximized();
        }
    } else {
        // A minimised chart comes back at the size the user gave it.
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

void MainWindow::placeChartWindow(QWidget* window) const {
    // The chart's own size and place, where no window manager maximises it and when the user
    // gives it its own size: beside the panels rather than over them, from the main window to
    // the screen's right edge; where that room is too narrow (the main window maximised), the
    // right half of the screen, clear of the heading fields.
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    int width = room.right() - frameGeometry().right();
    if (width < window->minimumSizeHint().width())
        width = std::max(window->minimumSizeHint().width(), room.width() / 2);
    width = std::min(width, room.width());
    window->setGeometry(room.right() + 1 - width, room.top(), width, room.height());
}

void MainWindow::unloadChartWindow() {
    if (ChartWindow* window = chartWindow())
        window->unloadAsProgramEnds();
}

void MainWindow::chartWindowExited() {
    ui::giveFocus(m_headingPanel->keyboardOrder().first());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing is a save point. When the file will not take what was typed, the window stays
    // open once, with the text, and says so; the next close goes through.
    bool saved = true;
    ui::guarded([this, &saved] { saved = m_job->save(); });
    if (!saved && !m_closeAnyway) {
        m_closeAnyway = true;
        ui::messageBox(QStringLiteral("The job could not be saved. %1\n\nDipsheet stays open with "
                                      "your text: close again once the notice has gone to keep "
                                      "it, or close again now to leave without saving it.")
                           .arg(m_job->notice()));
        event->ignore();
        return;
    }
    ui::guarded([this] { unloadChartWindow(); });
    if (m_pastChartsWindow)
        m_pastChartsWindow->close();
    event->accept();
}

}  // namespace dipsheet::app
