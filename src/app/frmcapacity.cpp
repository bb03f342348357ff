#include "frmcapacity.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <variant>

#include "capacitymodel.h"
#include "chartpicture.h"
#include "chart/numbers.h"
#include "chart/site.h"
#include "chart/tank.h"
#include "printpreview.h"
#include "program.h"
#include "report/definition.h"
#include "report/render.h"
#include "report/report.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

QLabel* captionLabel(QWidget* window, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(name);
    label->setFixedSize(ui::twipsRect(0, 0, 1095, 255).size());
    ui::setBackground(label, ui::colour::blue);
    ui::setTextColour(label, ui::colour::white);
    return label;
}

QLabel* headingLabel(QWidget* window, const QString& name, int width, int height, bool twoLines) {
    auto* label = new QLabel(window);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(twoLines);
    label->setFixedSize(ui::twipsRect(0, 0, width, height).size());
    ui::setBackground(label, ui::colour::white);
    return label;
}

QPushButton* button(QWidget* window, const QString& name, const QString& caption,
                    const QColor& face) {
    auto* b = new QPushButton(caption, window);
    b->setObjectName(name);
    b->setFixedSize(ui::twipsRect(0, 0, 1215, 495).size());
    ui::setBackground(b, face);
    return b;
}

}  // namespace

FrmCapacity::FrmCapacity(document::JobDocument& job) : m_job(job), m_database(job.database()) {
    setObjectName(QStringLiteral("frmCapacity"));
    setWindowTitle(QStringLiteral("Calculated Capacity"));
    setAttribute(Qt::WA_DeleteOnClose);  // after its close event has unloaded it
    setFont(ui::defaultFont());
    ui::setBackground(this, ui::colour::cyan);

    Label1 = captionLabel(this, QStringLiteral("Label1"), QStringLiteral("Customer:"));
    lblCustomer = headingLabel(this, QStringLiteral("lblCustomer"), 3855, 495, true);
    Label2 = captionLabel(this, QStringLiteral("Label2"), QStringLiteral("Description:"));
    lblTankDesc = headingLabel(this, QStringLiteral("lblTankDesc"), 3855, 495, true);
    Label3 = captionLabel(this, QStringLiteral("Label3"), QStringLiteral("Serial Number:"));
    lblSerialNo = headingLabel(this, QStringLiteral("lblSerialNo"), 3015, 255, false);

    m_rows = new CapacityModel(this);
    dbgCapacity = new QTableView(this);
    dbgCapacity->setObjectName(QStringLiteral("dbgCapacity"));
    dbgCapacity->setModel(m_rows);
    dbgCapacity->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgCapacity->setTabKeyNavigation(false);  // Tab leaves the grid; arrows move in it
    // Rows are selected whole; Ctrl+A selects them all.
    dbgCapacity->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgCapacity->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgCapacity->setFrameShape(QFrame::Box);
    dbgCapacity->setFrameShadow(QFrame::Sunken);
    dbgCapacity->setCornerButtonEnabled(false);
    dbgCapacity->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // every column shows
    dbgCapacity->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbgCapacity->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    dbgCapacity->verticalHeader()->setDefaultSectionSize(ui::twips(240));
    dbgCapacity->verticalHeader()->setFixedWidth(ui::twips(180));
    dbgCapacity->setMinimumHeight(ui::twips(3735));
    ui::setBackground(dbgCapacity, ui::colour::blue);
    ui::setTextColour(dbgCapacity, ui::colour::white);
    // Headings keep the system's button colours: white on their grey face would not show.
    for (QHeaderView* header : {dbgCapacity->horizontalHeader(), dbgCapacity->verticalHeader()}) {
        header->setFont(ui::defaultFont());
        ui::setTextColour(header, QApplication::palette().color(QPalette::ButtonText));
    }

    // The set-up of the chart on show, under the grid.
    lblSetup = new QLabel(this);
    lblSetup->setObjectName(QStringLiteral("lblSetup"));
    lblSetup->setTextFormat(Qt::PlainText);
    lblSetup->setWordWrap(true);
    lblSetup->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSetup->setMinimumHeight(ui::twips(495));
    lblSetup->setAutoFillBackground(true);
    ui::setBackground(lblSetup, ui::colour::blue);
    ui::setTextColour(lblSetup, ui::colour::white);

    // What the world did (a busy file), under the set-up line; it never takes the keyboard.
    noticeBar = new ui::NoticeBar(this);
    connect(&m_job, &document::JobDocument::noticeChanged, this, [this] { showNotice(); });
    noticeBar->say(m_job.notice());

    cmdPrint = button(this, QStringLiteral("cmdPrint"), QStringLiteral("Print"), ui::colour::yellow);
    cmdExit = button(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"), ui::colour::green);
    QWidget::setTabOrder(dbgCapacity, cmdPrint);
    QWidget::setTabOrder(cmdPrint, cmdExit);

    // The curve and the tank beside the grid, the selected row drawn on both.
    m_picture = new ChartPicture(this);
    m_picture->setObjectName(QStringLiteral("picChart"));
    connect(dbgCapacity->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showSelectedRow(current.row()); });

    layOut();

    makeCommands();

    dbgCapacity->setFocus();
}

void FrmCapacity::layOut() {
    // The heading at the top left as designed: captions, then the three heading labels.
    auto* heading = new QGridLayout;
    heading->setHorizontalSpacing(ui::twips(105));
    heading->setVerticalSpacing(ui::twips(105));
    const std::pair<QLabel*, QLabel*> lines[] = {
        {Label1, lblCustomer}, {Label2, lblTankDesc}, {Label3, lblSerialNo}};
    for (int row = 0; row < 3; ++row) {
        heading->addWidget(lines[row].first, row, 0, Qt::AlignTop);
        heading->addWidget(lines[row].second, row, 1, Qt::AlignTop | Qt::AlignLeft);
    }
    heading->setColumnStretch(2, 1);

    // Print and Exit beside the grid, at the top of their column.
    m_buttons = new QVBoxLayout;
    m_buttons->setSpacing(ui::twips(225));
    m_buttons->addSpacing(ui::twips(240));
    m_buttons->addWidget(cmdPrint);
    m_buttons->addWidget(cmdExit);
    m_buttons->addStretch(1);

    // The grid and the picture share what the window leaves below the heading.
    m_body = new QGridLayout;
    m_body->setSpacing(ui::twips(240));

    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(ui::twips(120), ui::twips(240), ui::twips(120), ui::twips(120));
    whole->setSpacing(ui::twips(105));
    whole->addLayout(heading);
    whole->addLayout(m_body, 1);
    whole->addWidget(lblSetup);
    whole->addWidget(noticeBar);
    placeBody();
}

void FrmCapacity::placeBody() {
    // Beside the grid and its buttons when the room left there is wide enough for a picture
    // of the body's height, else below them.
    const int room = width() - dbgCapacity->width() - cmdPrint->width();
    const bool beside = !m_picture || room >= height() * 2 / 3;
    if (m_body->count() > 0 && beside == m_pictureBeside)
        return;
    m_pictureBeside = beside;
    while (m_body->count() > 0)
        m_body->takeAt(0);
    for (int i = 0; i < 3; ++i) {
        m_body->setColumnStretch(i, 0);
        m_body->setRowStretch(i, 0);
    }
    m_body->addWidget(dbgCapacity, 0, 0);
    m_body->addLayout(m_buttons, 0, 1);
    if (m_picture && beside) {
        m_body->addWidget(m_picture, 0, 2);
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 1);
    } else if (m_picture) {
        m_body->addWidget(m_picture, 1, 0, 1, 3);
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 2);
        m_body->setRowStretch(1, 3);
    } else {
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 1);
    }
}

void FrmCapacity::fitGridWidth() {
    // Wide enough for every column at once, so that none hides behind a scroll bar; at least
    // as wide as designed, the room shared out among the columns.
    QHeaderView* header = dbgCapacity->horizontalHeader();
    dbgCapacity->resizeColumnsToContents();
    const int frame = dbgCapacity->verticalHeader()->width() + 2 * dbgCapacity->frameWidth() +
                      dbgCapacity->verticalScrollBar()->sizeHint().width();
    const int columns = header->count();
    const int spare = ui::twips(3495) - frame - header->length();
    for (int c = 0; c < columns && spare > 0; ++c)
        header->resizeSection(c, header->sectionSize(c) + spare / columns);
    dbgCapacity->setFixedWidth(frame + header->length());
    placeBody();
}

void FrmCapacity::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBody();
}

void FrmCapacity::showChart(const store::ChartSetup& setup) {
    {
        store::Database db = m_database.connect();
        m_rows->setTable(db.readCapacityTable());
        m_chartRows = db.readCapacity();
    }
    showHeading(m_job.chartHeading());
    m_setup = setup;
    m_saved.clear();  // a new chart: nothing of it saved yet
    showNotice();
    m_rows->setDepthWriting(chart::depthWritingOf(m_setup.tank, false, m_chartRows));
    m_rows->setVolumeFirst(m_setup.tank && m_setup.tank->byVolume);
    showSetup();
    showPicture();
}

void FrmCapacity::showPicture() {
    report::Report drawn;
    try {
        drawn = report::chartReport(reportFileName(), m_job.chartHeading(), m_chartRows, m_setup);
    } catch (const report::ReportError&) {
        // Print says what is wrong with the definition; the picture keeps the defaults.
        drawn.rows = m_chartRows;
        drawn.setup = m_setup;
    }
    m_picture->setReport(std::move(drawn));
    showSelectedRow(dbgCapacity->currentIndex().row());
}

void FrmCapacity::showSelectedRow(int row) {
    // The grid shows the table's rows, in the order the chart's rows were read.
    std::optional<chart::CapacityRow> selected;
    if (row >= 0 && row < m_rows->rowCount() &&
        m_rows->rowCount() == static_cast<int>(m_chartRows.size()))
        selected = m_chartRows[static_cast<std::size_t>(row)];
    m_picture->setSelectedRow(selected);
}

void FrmCapacity::showHeading(const store::JobRecord& record) {
    lblCustomer->setText(QString::fromStdString(record.customer));
    lblTankDesc->setText(QString::fromStdString(record.tankDesc));
    lblSerialNo->setText(QString::fromStdString(record.serialNo));
}

void FrmCapacity::showSetup() {
    // The full capacity as the unit's definition prints volumes ("full 751.97 US gal").
    int decimals = 2;
    QString unit = QString::fromLatin1(chart::volumeUnit(inches()));
    report::DepthFormat depths = report::DepthFormat::Decimal;
    if (QFileInfo(reportFileName()).isFile()) {
        try {
            const report::Definition definition = report::readDefinition(reportFileName());
            decimals = definition.volumeDecimals;
            unit = definition.capacityUnit;
            depths = report::depthFormatFor(definition.depthFormat, m_setup.tank);
        } catch (const report::ReportError&) {
            // Print reports a definition it cannot read; the line keeps its defaults.
        }
    }
    // The full capacity first, so that it is read first and never the part cut off.
    m_setupLine = QStringLiteral("Full ") +
                  report::volumeText(static_cast<float>(m_setup.full), decimals) +
                  (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit) + QStringLiteral(". ") +
                  QString::fromStdString(m_setup.text) + marksText(depths, unit);
    m_rows->showSiteColumns(siteColumnsChosen(), m_setup.full);
    const QSignalBlocker quiet(m_showSite);
    m_showSite->setChecked(m_rows->siteColumnsShown());
    fitGridWidth();
    showSetupLine(false);
}

QString FrmCapacity::marksText(report::DepthFormat depths, const QString& unit) const {
    if (!m_setup.tank)
        return {};
    try {
        const auto marks = chart::fillMarks(
            m_setup.tank->volume(), chart::percentList(markPercents().toStdString(), "Marks"),
            report::markStep(depths, inches()));
        return QStringLiteral(". ") + report::fillMarksText(marks, depths, inches(), unit);
    } catch (const chart::InputError&) {
        return {};  // marks a settings file cannot give are left out
    }
}

void FrmCapacity::compareWithInputs(const chart::Tank& inputs) {
    showSetupLine(m_setup.tank && inputs.normalised() != *m_setup.tank);
}

void FrmCapacity::showSetupLine(bool stale) {
    // While red, the line still says what the chart on show was made from.
    lblSetup->setText(
        stale ? QStringLiteral("The inputs have changed since this chart: Calculate again.\n") +
                    m_setupLine
              : m_setupLine);
    lblSetup->setToolTip(m_setupLine);
    ui::setBackground(lblSetup, stale ? ui::colour::red : ui::colour::blue);
    layout()->activate();  // the line takes the height its text needs at once
}

void FrmCapacity::Form_Unload() {
    m_database.connect().deleteChartRows();
}

QString FrmCapacity::reportFileName() const {
    return report::definitionFor(inches());
}

void FrmCapacity::loadReport(report::ReportEngine& engine) {
    // A save that fails leaves the typing in the job and says so in the notice bar; the page
    // carries the heading on screen all the same.
    m_job.save();
    const store::JobRecord heading = m_job.record();
    if (heading != m_job.chartHeading()) {
        // The chart goes out under a heading corrected since it was made: its history row
        // takes it, so a reprint gives what was handed out. A file that will not take it now
        // is met again at the next print; the page is made all the same.
        try {
            if (m_job.chartHistoryId() != 0)
                m_database.connect().retitleHistoryEntry(m_job.chartHistoryId(), heading);
            m_job.setChart(heading, m_job.chartHistoryId());
        } catch (const store::StoreError& error) {
            if (error.meansDamage())
                throw;
        }
    }
    engine.setReportFileName(reportFileName());
    engine.load(heading, m_chartRows, m_setup);  // the definition from the working directory
    // The page has the columns the grid shows, when the window or the settings chose them.
    if (m_siteColumns || ullageChoice())
        engine.showSiteColumns(m_rows->siteColumnsShown());
    showHeading(heading);                        // the window shows the heading the page carries
}

void FrmCapacity::cmdPrint_Click() {
    // The hourglass shows while the engine works. A failure (no printer, a faulty definition)
    // is said by the caller's guard; the window stays, and Print can be tried again once it
    // is mended.
    const ui::WaitCursor wait;
    report::ReportEngine engine(m_database);
    loadReport(engine);
    // Preview, printer or PDF, as the definition says; a PDF says where it went.
    const QString file = engine.produce();
    if (!file.isEmpty())
        sayWhereSaved(QFileInfo(file).absoluteFilePath());
}

QString FrmCapacity::selectedRowsText() const {
    const QAbstractItemModel* model = dbgCapacity->model();
    QList<int> rows;
    for (const QModelIndex& index : dbgCapacity->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && dbgCapacity->currentIndex().isValid())
        rows << dbgCapacity->currentIndex().row();
    std::sort(rows.begin(), rows.end());
    const auto line = [model](const std::function<QString(int)>& cell) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << cell(column);
        return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text = line([model](int column) {
        return model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    });
    for (int row : rows) {
        text += line([model, row](int column) {
            return model->data(model->index(row, column), Qt::DisplayRole).toString();
        });
    }
    return text;
}

void FrmCapacity::copyRows() {
    QApplication::clipboard()->setText(selectedRowsText());
}

QString FrmCapacity::suggestedFileName(const QString& suffix) const {
    return QDir::current().filePath(report::chartFileStem(lblSerialNo->text(), lblCustomer->text()) +
                                    QLatin1Char('.') + suffix);
}

// The job's notice first, for it asks for something; else where the last file went.
void FrmCapacity::showNotice() {
    noticeBar->say(m_job.notice().isEmpty() ? m_saved : m_job.notice());
    layout()->activate();
}

void FrmCapacity::sayWhereSaved(const QString& path) {
    m_saved = QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(path));
    showNotice();
}

void FrmCapacity::saveAsCsv() {
    const QString path = ui::askSaveFileName(this, QStringLiteral("Save the chart as CSV"),
                                             suggestedFileName(QStringLiteral("csv")),
                                             QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    // The chart as the chart tool prints it, with the site's columns when they are on show.
    // A row the file keeps at depth 0 or less is no part of the chart, whichever way it runs.
    const bool byVolume = m_setup.tank && m_setup.tank->byVolume;
    std::vector<chart::CapacityRow> rows;
    std::copy_if(m_chartRows.begin(), m_chartRows.end(), std::back_inserter(rows),
                 [](const chart::CapacityRow& row) { return row.depth > 0; });
    const std::string csv = m_rows->siteColumnsShown()
                                ? chart::chartCsvWithUllage(rows, m_setup.full, byVolume)
                                : chart::chartCsv(rows, byVolume);
    if (writeText(path, csv))
        sayWhereSaved(path);
}

bool FrmCapacity::siteColumnsChosen() const {
    // The choice made in this window, else the one kept in dipsheet.ini, else the definition's.
    if (m_siteColumns)
        return *m_siteColumns;
    if (const std::optional<bool> kept = ullageChoice())
        return *kept;
    try {
        const report::Definition definition = report::readDefinition(reportFileName());
        return definition.ullage || definition.percent;
    } catch (const report::ReportError&) {
        return false;
    }
}

void FrmCapacity::showUllage(bool shown) {
    m_siteColumns = shown;
    m_rows->showSiteColumns(shown, m_setup.full);
    const QSignalBlocker quiet(m_showSite);
    m_showSite->setChecked(shown);
    fitGridWidth();
    if (!keepUllageShown(shown)) {
        ui::messageBox(QStringLiteral("The choice could not be kept in %1 in %2: it holds for "
                                      "this window only.")
                           .arg(QString::fromLatin1(report::kSettingsFile),
                                QDir::toNativeSeparators(QDir::currentPath())));
    }
}

void FrmCapacity::saveGaugeTable() {
    if (!m_setup.tank)
        return;
    const auto count = ui::askInteger(
        this,
        QStringLiteral("How many points does the gauge take (2 to 1000)? They are placed so that "
                       "its straight lines between them stay closest to the tank."),
        20, 2, 1000);
    if (!count)
        return;
    const QString path = ui::askSaveFileName(this, QStringLiteral("Save the gauge table as CSV"),
                                             suggestedFileName(QStringLiteral("gauge.csv")),
                                             QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const ui::WaitCursor wait;
    const chart::GaugeTable table = chart::gaugeTable(m_setup.tank->volume(), *count);
    if (!writeText(path, chart::gaugeCsv(table)))
        return;
    sayWhereSaved(path);
    ui::messageBox(QStringLiteral("Saved %1 points to %2. The largest interpolation error is "
                                  "%3 %4 at %5 %6.")
                       .arg(table.points.size())
                       .arg(QDir::toNativeSeparators(path))
                       .arg(QString::fromStdString(chart::significantText(table.largestError)))
                       .arg(QString::fromLatin1(chart::volumeUnit(inches())))
                       .arg(table.errorDepth, 0, 'f', 2)
                       .arg(QString::fromLatin1(chart::lengthUnit(inches()))));
}

bool FrmCapacity::writeText(const QString& path, const std::string& csv) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) != qint64(csv.size()) ||
        !file.commit()) {
        ui::messageBox(QStringLiteral("The chart could not be saved to %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}

void FrmCapacity::saveAsPdf() {
    const QString path = ui::askSaveFileName(this, QStringLiteral("Save the chart as PDF"),
                                             suggestedFileName(QStringLiteral("pdf")),
                                             QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    // Any failure (a file that cannot be written, a faulty definition) is said by the caller's
    // guard; nothing else changes.
    const ui::WaitCursor wait;
    report::ReportEngine engine(m_database);
    loadReport(engine);
    report::writePdf(engine.report(), path);
    sayWhereSaved(path);
}

void FrmCapacity::makeCommands() {
    // One action per command, owned by the window: its shortcut works anywhere in the window,
    // and the grid's menu and the buttons trigger the same action.
    const auto command = [this](const QString& text, const QKeySequence& keys, auto run) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, ui::guard(std::move(run)));
        addAction(action);
        return action;
    };
    const auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    QAction* print = command(QStringLiteral("Print"), QKeySequence::Print,
                             [this] { cmdPrint_Click(); });
    QAction* exit = command(QStringLiteral("Exit"), {}, [this] { cmdExit_Click(); });
    connect(cmdPrint, &QPushButton::clicked, print, &QAction::trigger);
    connect(cmdExit, &QPushButton::clicked, exit, &QAction::trigger);
    m_showSite = command(QStringLiteral("Show Ullage and % Full"), {},
                         [this](bool on) { showUllage(on); });
    m_showSite->setCheckable(true);
    // The grid's menu: copying, saving and the site's columns.
    dbgCapacity->setContextMenuPolicy(Qt::ActionsContextMenu);
    dbgCapacity->addActions({
        command(QStringLiteral("Copy"), QKeySequence::Copy, [this] { copyRows(); }),
        command(QStringLiteral("Select All"), QKeySequence::SelectAll,
                [this] { dbgCapacity->selectAll(); }),
        separator(),
        command(QStringLiteral("Save as CSV..."), QKeySequence::Save, [this] { saveAsCsv(); }),
        command(QStringLiteral("Save as PDF..."), {}, [this] { saveAsPdf(); }),
        command(QStringLiteral("Save Gauge Table..."), {}, [this] { saveGaugeTable(); }),
        separator(),
        m_showSite,
    });
}

void FrmCapacity::cmdExit_Click() {
    if (close())  // the close event unloads the window
        emit exited();
}

void FrmCapacity::unloadAsProgramEnds() {
    if (!m_unloaded && !m_unloading) {
        m_unloaded = true;
        ui::fatalOnFailure([this] { Form_Unload(); });
    }
    close();
}

void FrmCapacity::closeEvent(QCloseEvent* event) {
    // A close that arrives while the unload's message is on screen waits for its outcome.
    if (m_unloading) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloading = true;
        bool done = false;
        ui::guarded([this, &done] {
            Form_Unload();
            done = true;
        });
        m_unloading = false;
        if (!done) {
            event->ignore();
            return;
        }
        // Marked before the delete: the window no longer counts as loaded, and a later close
        // deletes no rows of a chart stored since.
        m_unloaded = true;
    }
    keepPlace(this, QStringLiteral("Chart"));
    event->accept();
}

}  // namespace dipsheet::app
