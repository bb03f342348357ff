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

void PastChartsWindow::search() {
    std::vector<store::HistoryEntry> found;
    try {
        store::Database db = m_database.connect();
        found = db.readHistory(txtSearch->text().toStdString(), kListed + 1);
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
    const bool more = found.size() > kListed;
    if (more)
        found.resize(kListed);
    m_model->setEntries(std::move(found));
    const int count = m_model->rowCount();
    m_found = more ? QStringLiteral("The newest %1 shown: type more to narrow the list.")
                         .arg(QLocale().toString(count))
              : count == 1 ? QStringLiteral("1 chart")
                           : QStringLiteral("%1 charts").arg(count);
    lblFound->setText(m_found);
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
    try {
        kept = m_database.connect().readHistoryRows(chosen.id);
    } catch (const store::StoreError& error) {
        if (error.code() == store::kRowsUnreadable) {
            ui::messageBox(QStringLiteral(
                "The rows kept with this chart cannot be read (they were changed by hand, or "
                "kept by a newer version of Dipsheet): it cannot be reprinted."));
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
        lblFound->setText(m_found);  // no word left from an older chart's reprint
    } else {
        const chart::ChartRows made = chosen.tank->chart().rows;
        rows.assign(made.begin() + 1, made.end());
        lblFound->setText(
            QStringLiteral("This chart was made before charts kept their rows: "
                           "charted again from its set-up."));
    }
    report::ReportEngine engine(m_database);
    engine.setReportFileName(report::definitionFor(chosen.tank->inches));
    engine.load(chosen.job, std::move(rows), {chosen.setup, chosen.full, chosen.tank},
                report::madeDate(chosen.made));
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
    const QString serial = QString::fromStdString(entry->job.serialNo).simplified();
    const QString customer = QString::fromStdString(entry->job.customer).simplified();
    if (!ui::askYesNo(this,
                      QStringLiteral("Delete the chart %1%2 made %3 from the history? It "
                                     "cannot be brought back.")
                          .arg(serial.isEmpty() ? QStringLiteral("(no serial number)") : serial,
                               customer.isEmpty() ? QString() : QStringLiteral(" for ") + customer,
                               QString::fromStdString(entry->made.substr(0, 16)))))
        return;
    const int row = grdHistory->currentIndex().row();
    m_database.connect().deleteHistoryEntry(entry->id);
    search();
    if (m_model->rowCount() > 0)
        grdHistory->selectRow(std::min(std::max(row, 0), m_model->rowCount() - 1));
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
