#include "pastchartswindow.h"

#include "failures.h"
#include "historymodel.h"
#include "jobdocument.h"
#include "program.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <optional>
#include <utility>
#include <vector>

#include "report/render.h"
#include "report/report.h"
#include "server/desk.h"
#include "server/server_store.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

// The list shows at most this many charts; a search narrows the rest.
constexpr std::size_t kListed = 1000;

}  // namespace

PastChartsWindow::PastChartsWindow(const store::JobDatabase& database, const DataFolder& folder)
    : m_database(database), m_folder(folder) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Past Charts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 10800, 6000).size());

    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(
        QStringLiteral("Search: part of a serial number, customer or description"));
    txtSearch->setClearButtonEnabled(true);

    m_model = new HistoryModel(this);
    grdHistory = new QTableView(this);
    grdHistory->setObjectName(QStringLiteral("grdHistory"));
    grdHistory->setModel(m_model);
    grdHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    grdHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdHistory->setTabKeyNavigation(false);
    grdHistory->verticalHeader()->hide();
    grdHistory->horizontalHeader()->setStretchLastSection(true);
    grdHistory->setWordWrap(false);

    lblFound = new QLabel(this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    lblFound->setWordWrap(true);  // a server's notice takes a second line, not the window's width

    const auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    cmdLoad = button("cmdLoad", "&Load");
    cmdLoad->setToolTip(QStringLiteral("Put the chart back on the form and calculate it (Enter)"));
    cmdReprint = button("cmdReprint", "&Reprint");
    cmdReprint->setToolTip(QStringLiteral("Print the chart as it was made"));
    cmdDelete = button("cmdDelete", "&Delete");
    cmdDelete->setToolTip(QStringLiteral("Take the chart out of the history"));
    cmdClose = button("cmdClose", "Close");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblFound, 1);
    for (QPushButton* b : {cmdLoad, cmdReprint, cmdDelete, cmdClose})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtSearch);
    layout->addWidget(grdHistory, 1);
    layout->addLayout(buttons);
    setTabOrder(txtSearch, grdHistory);

    connect(txtSearch, &QLineEdit::textChanged, this, ui::guard([this] { search(); }));
    connect(txtSearch, &QLineEdit::returnPressed, this, ui::guard([this] { load(); }));
    connect(grdHistory, &QTableView::doubleClicked, this, ui::guard([this] { load(); }));
    connect(cmdLoad, &QPushButton::clicked, this, ui::guard([this] { load(); }));
    connect(cmdReprint, &QPushButton::clicked, this, ui::guard([this] { reprint(); }));
    connect(cmdDelete, &QPushButton::clicked, this, ui::guard([this] { remove(); }));
    // Close: one action of the window, for its button and Esc.
    auto* closing = new QAction(QStringLiteral("Close"), this);
    closing->setShortcut(QKeySequence(Qt::Key_Escape));
    closing->setShortcutContext(Qt::WindowShortcut);
    addAction(closing);
    connect(closing, &QAction::triggered, this, &QWidget::close);
    connect(cmdClose, &QPushButton::clicked, closing, &QAction::trigger);
    txtSearch->installEventFilter(this);
    grdHistory->installEventFilter(this);

    search();
    txtSearch->setFocus();
}

PastChartsWindow::~PastChartsWindow() = default;

void PastChartsWindow::reachServer() {
    const std::optional<DataFolder::Server> office = m_folder.server();
    if (!office || m_server || m_reaching)
        return;
    m_reaching = true;
    auto reached = std::make_shared<std::unique_ptr<server::ServerStore>>();
    auto failure = std::make_shared<std::optional<store::StoreError>>();
    ui::offThread(
        this,
        [uri = office->uri.toStdString(), desk = office->desk.toStdString(), reached, failure] {
            try {
                *reached = std::make_unique<server::ServerStore>(uri, desk);
            } catch (const store::StoreError& error) {
                *failure = error;
            }
        },
        [this, reached, failure] {
            m_reaching = false;
            if (*reached) {
                m_server = std::move(*reached);
                m_serverNotice.clear();
                search();
            } else if (*failure) {
                serverFailed(**failure);
                showFound();
            }
        });
}

void PastChartsWindow::serverFailed(const store::StoreError& error) {
    m_server.reset();
    // The line says what and where; its tooltip gives the server's own words.
    m_serverNotice = QString::fromStdString(server::serverFailure(error, true)) +
                     QStringLiteral(": this desk's own charts are listed.");
    lblFound->setToolTip(QString::fromStdString(server::serverFailure(error)));
}

store::ChartStore& PastChartsWindow::listed(std::unique_ptr<store::ChartStore>& file) const {
    if (m_server)
        return *m_server;
    file = m_database.open();
    return *file;
}

void PastChartsWindow::showFound() {
    if (m_serverNotice.isEmpty())
        lblFound->setToolTip(QString());
    lblFound->setText(m_serverNotice.isEmpty() ? m_found
                      : m_found.endsWith(QLatin1Char('.'))
                          ? m_found + QLatin1Char(' ') + m_serverNotice
                          : m_found + QStringLiteral(". ") + m_serverNotice);
}

void PastChartsWindow::search() {
    const std::string words = txtSearch->text().toStdString();
    std::vector<store::HistoryEntry> found;
    if (m_server) {
        try {
            found = m_server->readHistory(words, kListed + 1);
        } catch (const store::StoreError& error) {
            serverFailed(error);  // the file's list below, and the server tried again
        }
    }
    if (!m_server) {
        reachServer();
        try {
            store::Database db = m_database.connect();
            found = db.readHistory(words, kListed + 1);
            if (db.searchIndexRebuilt())
                emit noticed(document::indexRebuiltNotice());
        } catch (const store::StoreError& error) {
            // A busy file, or a search the engine will not take, leaves the list as it was and
            // says why under it; only a damaged history is fatal.
            if (error.meansDamage())
                throw;
            lblFound->setText(QStringLiteral("The list could not be searched: %1. Type again to "
                                             "search again.")
                                  .arg(databaseProblem(error)));
            return;
        }
    }
    const bool more = found.size() > kListed;
    if (more)
        found.resize(kListed);
    m_model->setEntries(std::move(found), listsOffice());
    const int count = m_model->rowCount();
    m_found = more ? QStringLiteral("The newest %1 shown: type more to narrow the list.")
                         .arg(QLocale().toString(count))
              : count == 1 ? QStringLiteral("1 chart")
                           : QStringLiteral("%1 charts").arg(count);
    if (listsOffice())
        m_found += QStringLiteral(" of every desk");
    showFound();
    if (count > 0)
        grdHistory->selectRow(0);
    grdHistory->resizeColumnsToContents();
    for (QPushButton* b : {cmdLoad, cmdReprint, cmdDelete})
        b->setEnabled(count > 0);
}

const store::HistoryEntry* PastChartsWindow::currentEntry() const {
    const int row = grdHistory->currentIndex().row();
    const auto& entries = m_model->entries();
    if (row < 0 || row >= static_cast<int>(entries.size()))
        return entries.empty() ? nullptr : &entries.front();
    return &entries[static_cast<std::size_t>(row)];
}

const store::HistoryEntry* PastChartsWindow::readableEntry() {
    const store::HistoryEntry* entry = currentEntry();
    if (entry && !entry->tank) {
        ui::messageBox(QStringLiteral(
            "The set-up of this chart cannot be read (it was changed by hand, or made by a "
            "newer version of Dipsheet): it cannot be loaded or reprinted."));
        return nullptr;
    }
    return entry;
}

void PastChartsWindow::load() {
    if (const store::HistoryEntry* entry = readableEntry()) {
        const store::HistoryEntry chosen = *entry;  // the list may change under the receivers
        emit loadRequested(chosen);
    }
}

void PastChartsWindow::reprint() {
    const store::HistoryEntry* entry = readableEntry();
    if (!entry)
        return;
    const store::HistoryEntry chosen = *entry;  // the list may change while the report shows
    const ui::WaitCursor wait;
    // The rows kept with the chart, bit for bit what was printed when it was made, whatever this
    // version would chart; a chart made before charts kept their rows is charted again.
    std::optional<std::vector<chart::CapacityRow>> kept;
    const bool office = listsOffice();
    try {
        std::unique_ptr<store::ChartStore> file;
        kept = listed(file).readHistoryRows(chosen.id);
    } catch (const store::StoreError& error) {
        if (error.code() == store::kRowsUnreadable) {
            ui::messageBox(QStringLiteral(
                "The rows kept with this chart cannot be read (they were changed by hand, or "
                "kept by a newer version of Dipsheet): it cannot be reprinted."));
            return;
        }
        if (office) {  // the server failed: the file's list, saying why
            serverFailed(error);
            search();
            return;
        }
        // A busy or missing file says why under the list, as a search does; only damage is fatal.
        if (error.meansDamage())
            throw;
        lblFound->setText(QStringLiteral("The chart could not be reprinted: %1. Reprint again "
                                         "to try again.")
                              .arg(databaseProblem(error)));
        return;
    }
    std::vector<chart::CapacityRow> rows;
    if (kept) {
        rows = *std::move(kept);
        showFound();  // no word left from an older chart's reprint
    } else {
        const chart::ChartRows made = chosen.tank->chart().rows;
        rows.assign(made.begin() + 1, made.end());
        lblFound->setText(
            QStringLiteral("This chart was made before charts kept their rows: "
                           "charted again from its set-up."));
    }
    // The page its last printout was: the same unit's definition and the same columns; a chart
    // never printed, or kept before charts kept their printouts, as its unit's definition says.
    report::ReportEngine engine(m_database);
    engine.setReportFileName(
        report::definitionFor(chosen.printout ? chosen.printout->inches : chosen.tank->inches));
    engine.load(chosen.job, std::move(rows), {chosen.setup, chosen.full, chosen.tank},
                report::madeDate(chosen.made));
    if (chosen.printout)
        engine.showSiteColumns(chosen.printout->ullage, chosen.printout->percent);
    const QString file = engine.produce();
    if (!file.isEmpty()) {
        lblFound->setText(lblFound->text() + QLatin1Char(' ') +
                          QStringLiteral("Saved to %1.")
                              .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath())));
    }
}

void PastChartsWindow::remove() {
    const store::HistoryEntry* entry = currentEntry();
    if (!entry)
        return;
    const store::HistoryEntry chosen = *entry;  // the list may change while the question is open
    const bool office = listsOffice();
    const QString serial = QString::fromStdString(chosen.job.serialNo).simplified();
    const QString customer = QString::fromStdString(chosen.job.customer).simplified();
    const QString chart =
        QStringLiteral("the chart %1%2 made %3")
            .arg(serial.isEmpty() ? QStringLiteral("(no serial number)") : serial,
                 customer.isEmpty() ? QString() : QStringLiteral(" for ") + customer,
                 QString::fromStdString(chosen.made.substr(0, 16)));
    // On an office's server the chart may be another desk's: the question says whose, and that
    // no desk will find it again.
    const QString question =
        office
            ? QStringLiteral(
                  "Delete %1 at the desk \"%2\" from the office's history? No desk "
                  "will find it again; it cannot be brought back.")
                  .arg(chart, QString::fromStdString(chosen.desk).simplified())
            : QStringLiteral("Delete %1 from the history? It cannot be brought back.").arg(chart);
    if (!ui::askYesNo(this, question))
        return;
    if (office != listsOffice()) {
        // The server was reached or lost while the question was open: the chart is of the
        // other list, and nothing is deleted.
        lblFound->setText(m_found + QStringLiteral(" The list changed while you were asked: "
                                                   "nothing was deleted."));
        return;
    }
    const int row = grdHistory->currentIndex().row();
    bool there = true;
    try {
        std::unique_ptr<store::ChartStore> file;
        there = listed(file).deleteHistoryEntry(chosen.id);
    } catch (const store::StoreError& error) {
        if (!office)
            throw;  // the file's own failure, said as every other
        serverFailed(error);
        search();
        lblFound->setText(lblFound->text() + QStringLiteral(" Nothing was deleted."));
        return;
    }
    search();
    if (m_model->rowCount() > 0)
        grdHistory->selectRow(std::min(std::max(row, 0), m_model->rowCount() - 1));
    if (!there)
        lblFound->setText(m_found +
                          QStringLiteral(" That chart had been deleted at another desk."));
}

void PastChartsWindow::closeEvent(QCloseEvent* event) {
    m_folder.keepPlace(this, QStringLiteral("PastCharts"));
    QWidget::closeEvent(event);
}

bool PastChartsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == txtSearch && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up ||
                                 key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp)) {
        // The arrows move through the list while the typing stays in the search.
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(grdHistory, &copy);
        return true;
    }
    if (watched == grdHistory && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        ui::guarded([this] { load(); });
        return true;
    }
    if (watched == grdHistory && key->key() == Qt::Key_Delete) {
        ui::guarded([this] { remove(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace dipsheet::app
