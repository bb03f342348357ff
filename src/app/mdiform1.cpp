#include "mdiform1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>
#include <vector>

#include "failures.h"
#include "form1.h"
#include "frmclient.h"
#include "frmcopyright.h"
#include "frmcustomer.h"
#include "frmhistory.h"
#include "program.h"
#include "setup/frmchart.h"

namespace dipsheet::app {

namespace {
// The client area holds the rightmost panel (frmChart, to 9480) and the lowest (frmTilt, to
// 8495) with a margin.
constexpr int kClientWidth = 9720;
constexpr int kClientHeight = 8740;

void placeAt(QWidget* panel, int left, int top) {
    panel->move(ui::twipsRect(left, top, 0, 0).topLeft());
}
}  // namespace

MdiForm1::MdiForm1(store::JobDatabase database)
    : m_database(database.path(), kBusyMs), m_job(new document::JobDocument(m_database, this)) {
    setObjectName(QStringLiteral("MDIForm1"));
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
    connect(m_job, &document::JobDocument::noticeChanged, m_noticeBar, &ui::NoticeBar::say);
    connect(m_job, &document::JobDocument::failed, this,
            [](std::exception_ptr error) { ui::reportFailure(error); });
    // Another window of the program coming to the front is a save point: what it shows or
    // prints is what the panels show.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, ui::guard([this] { m_job->save(); }));

    // The layout table, in its order; each panel keeps its own size.
    frmClient = new FrmClient(m_clientArea, *m_job);
    placeAt(frmClient, 50, 0);
    form1 = new Form1(m_clientArea);
    placeAt(form1, 3800, 0);
    frmCopyright = new FrmCopyright(m_clientArea);
    placeAt(frmCopyright, 50, 3800);
    frmCustomer = new FrmCustomer(m_clientArea, *m_job);
    placeAt(frmCustomer, 50, 650);
    frmChart = new setup::FrmChart(m_clientArea, m_database);
    frmChart->setJobDocument(m_job);
    placeAt(frmChart, 4800, 950);
    placeAt(frmChart->frmRectangular(), 5550, 3845);
    placeAt(frmChart->frmVertical(), 5550, 3845);
    placeAt(frmChart->frmCylindrical(), 5550, 3845);
    placeAt(frmChart->frmHeads(), 5550, 6020);
    placeAt(frmChart->frmTilt(), 5550, 7280);

    setKeyboardOrder();

    form1->setChartPanel(frmChart);
    frmCustomer->setChartPanel(frmChart);
    connect(frmChart, &setup::FrmChart::chartStored, this,
            ui::guard([this](const store::ChartSetup& setup) { showChartWindow(setup); }));
    connect(frmChart, &setup::FrmChart::inputsChanged, this, ui::guard([this] {
                if (FrmCapacity* window = chartWindow())
                    window->compareWithInputs(frmChart->tank());
            }));
    connect(frmChart, &setup::FrmChart::aboutToExit, this,
            ui::guard([this] { unloadChartWindow(); }));
    // Past Charts: one action of the window, for its button and Ctrl+H anywhere in it.
    auto* history = new QAction(QStringLiteral("Past Charts..."), this);
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setShortcutContext(Qt::WindowShortcut);
    addAction(history);
    connect(history, &QAction::triggered, this, ui::guard([this] { showHistory(); }));
    connect(frmChart, &setup::FrmChart::historyRequested, history, &QAction::trigger);

    ui::fatalOnFailure([this] { restoreLastTank(); });

    ui::giveFocus(firstField());
}

QWidget* MdiForm1::firstField() const {
    // A new file names no client: "Client Name" is the schema's placeholder, which would be
    // printed as the client.
    if (frmClient->holdsPlaceholder())
        return frmClient->keyboardOrder().first();
    return frmCustomer->keyboardOrder().first();
}

void MdiForm1::setKeyboardOrder() {
    // The order a job is filled: client, heading, chart options up to the increment, the
    // dimensions of the panel on screen, its heads, Calculate, Exit, the orientation, and round
    // again.
    // Qt skips hidden and disabled controls; the options of a group are one stop each.
    const QList<QWidget*> order = frmClient->keyboardOrder() + frmCustomer->keyboardOrder() +
                                  frmChart->keyboardOrder() + form1->keyboardOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

MdiForm1::~MdiForm1() {
    delete m_frmCapacity.data();
    delete m_frmHistory.data();
}

void MdiForm1::restoreLastTank() {
    const auto newest = m_database.connect().readHistory({}, 1);
    if (newest.empty() || !newest.front().tank)
        return;
    putTank(*newest.front().tank);
}

void MdiForm1::putTank(const chart::Tank& tank) {
    form1->showOrientation(tank.horizontal());
    frmChart->setTank(tank);
}

void MdiForm1::showHistory() {
    if (!m_frmHistory) {
        m_frmHistory = new FrmHistory(m_database);
        connect(m_frmHistory, &FrmHistory::loadRequested, this,
                ui::guard([this](const store::HistoryEntry& entry) { loadFromHistory(entry); }));
        connect(m_frmHistory, &FrmHistory::noticed, m_job, &document::JobDocument::tell);
        restorePlace(m_frmHistory, QStringLiteral("PastCharts"));
    }
    m_frmHistory->show();
    m_frmHistory->raise();
    m_frmHistory->activateWindow();
}

void MdiForm1::loadFromHistory(const store::HistoryEntry& entry) {
    // The heading and the tank go back on screen and are stored with the chart as it is shown
    // again; the history already holds it.
    m_job->replaceHeading(entry.job);
    putTank(*entry.tank);
    if (m_frmHistory)
        m_frmHistory->close();
    frmChart->calculateFromHistory(entry.id);
}

void MdiForm1::display() {
    showMaximized();
    ui::giveFocus(firstField());
}

void MdiForm1::showChartWindow(const store::ChartSetup& setup) {
    if (m_frmHistory)
        m_frmHistory->search();  // the chart just made heads the list
    FrmCapacity* window = chartWindow();
    const bool open = window != nullptr;
    if (!open)
        m_frmCapacity = window = new FrmCapacity(*m_job);
    window->showChart(setup);
    if (!open) {
        connect(window, &FrmCapacity::exited, this, ui::guard([this] { chartWindowExited(); }));
        if (restorePlace(window, QStringLiteral("Chart"))) {
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

void MdiForm1::placeChartWindow(QWidget* window) const {
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

void MdiForm1::unloadChartWindow() {
    if (FrmCapacity* window = chartWindow())
        window->unloadAsProgramEnds();
}

void MdiForm1::chartWindowExited() {
    ui::giveFocus(frmCustomer->keyboardOrder().first());
}

void MdiForm1::closeEvent(QCloseEvent* event) {
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
    if (m_frmHistory)
        m_frmHistory->close();
    event->accept();
}

}  // namespace dipsheet::app
