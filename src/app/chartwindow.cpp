#include "chartwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <variant>

#include "capacitymodel.h"
#include "chart/numbers.h"
#include "chart/site.h"
#include "chart/tank.h"
#include "chartexport.h"
#include "chartpicture.h"
#include "printpreview.h"
#include "program.h"
#include "report/definition.h"
#include "report/render.h"
#include "report/report.h"
#include "ui.h"

namespace dipsheet::app {

void ChartWindow::showChart(const store::ChartSetup& setup) {
    {
        store::Database db = m_database.connect();
        m_rows->setTable(db.readCapacityTable());
        m_chartRows = db.readCapacity();
    }
    showHeading(m_job.chartHeading());
    m_setup = setup;
    m_saved.clear();  // a new chart: nothing of it saved yet
    showNotice();
    m_rows->setVolumeFirst(m_setup.tank && m_setup.tank->byVolume);
    showSetup();
    showPicture();
}

void ChartWindow::showPicture() {
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

void ChartWindow::showSelectedRow(int row) {
    // The grid shows the table's rows, in the order the chart's rows were read.
    std::optional<chart::CapacityRow> selected;
    if (row >= 0 && row < m_rows->rowCount() &&
        m_rows->rowCount() == static_cast<int>(m_chartRows.size()))
        selected = m_chartRows[static_cast<std::size_t>(row)];
    m_picture->setSelectedRow(selected);
}

void ChartWindow::showHeading(const store::JobRecord& record) {
    lblCustomer->setText(QString::fromStdString(record.customer));
    lblTankDesc->setText(QString::fromStdString(record.tankDesc));
    lblSerialNo->setText(QString::fromStdString(record.serialNo));
}

void ChartWindow::showSetup() {
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

QString ChartWindow::marksText(report::DepthFormat depths, const QString& unit) const {
    if (!m_setup.tank)
        return {};
    std::vector<chart::FillMark> marks;
    try {
        // At the step the page finds them at, so that screen and paper name the same depth.
        marks = chart::fillMarks(m_setup.tank->volume(),
                                 chart::percentList(m_folder.markPercents().toStdString(), "Marks"),
                                 report::markStep(depths, inches()));
    } catch (const chart::InputError&) {
        return {};  // marks a settings file cannot give are left out
    }
    // Each depth written as the grid writes one, so that it can be looked up in the rows.
    const QString text = report::fillMarksText(marks, &CapacityModel::numberText, inches(), unit);
    return text.isEmpty() ? QString() : QStringLiteral(". ") + text;
}

void ChartWindow::compareWithInputs(const chart::Tank& inputs) {
    showSetupLine(m_setup.tank && inputs.normalised() != *m_setup.tank);
}

void ChartWindow::showSetupLine(bool stale) {
    // While red, the line still says what the chart on show was made from.
    lblSetup->setText(
        stale ? QStringLiteral("The inputs have changed since this chart: Calculate again.\n") +
                    m_setupLine
              : m_setupLine);
    lblSetup->setToolTip(m_setupLine);
    ui::setBackground(lblSetup, stale ? ui::colour::red : ui::colour::blue);
    layout()->activate();  // the line takes the height its text needs at once
}

void ChartWindow::deleteChartRows() {
    m_database.connect().deleteChartRows();
}

QString ChartWindow::reportFileName() const {
    return report::definitionFor(inches());
}

void ChartWindow::loadReport(report::ReportEngine& engine) {
    // A save that fails leaves the typing in the job and says so in the notice bar; the page
    // carries the heading on screen all the same.
    m_job.save();
    const store::JobRecord heading = m_job.record();
    if (heading != m_job.chartHeading()) {
        // The chart goes out under a heading corrected since it was made: its history row
        // takes it, so a reprint gives what was handed out. A file that will not take it now
        // is met again at the next print; the page is made all the same.
        try {
            const bool retitled = m_job.chartHistoryId() != 0;
            if (retitled)
                m_database.connect().retitleHistoryEntry(m_job.chartHistoryId(), heading);
            m_job.setChart(heading, m_job.chartHistoryId());
            if (retitled)
                emit historyRowChanged();
        } catch (const store::StoreError& error) {
            if (error.meansDamage())
                throw;
        }
    }
    engine.setReportFileName(reportFileName());
    engine.load(heading, m_chartRows, m_setup);  // the definition from the working directory
    // The page has the columns the grid shows, when the window or the settings chose them.
    if (m_siteColumns || m_folder.ullageChoice())
        engine.showSiteColumns(m_rows->siteColumnsShown());
    showHeading(heading);  // the window shows the heading the page carries
}

void ChartWindow::keepPrintout(const report::Report& printed) {
    if (m_job.chartHistoryId() == 0)
        return;  // a chart of the office's history, with no row in the file
    const store::Printout printout{inches(), printed.definition.ullage, printed.definition.percent};
    // The page has gone out: a file that will not take it now (busy, read-only, or faulty, which
    // the next action that needs it says) is met again at the next print.
    try {
        if (m_database.connect().keepPrintout(m_job.chartHistoryId(), printout))
            emit historyRowChanged();
    } catch (const store::StoreError&) {
    }
}

void ChartWindow::cmdPrint_Click() {
    // The hourglass shows while the engine works. A failure (no printer, a faulty definition)
    // is said by the caller's guard; the window stays, and Print can be tried again once it
    // is mended.
    const ui::WaitCursor wait;
    report::ReportEngine engine(m_database);
    loadReport(engine);
    // Preview, printer or PDF, as the definition says; a PDF says where it went.
    const QString file = engine.produce();
    keepPrintout(engine.report());
    if (!file.isEmpty())
        sayWhereSaved(QFileInfo(file).absoluteFilePath());
}

QString ChartWindow::selectedRowsText() const {
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

void ChartWindow::copyRows() {
    QApplication::clipboard()->setText(selectedRowsText());
}

QString ChartWindow::suggestedFileName(const QString& suffix) const {
    return QDir::current().filePath(
        report::chartFileStem(lblSerialNo->text(), lblCustomer->text()) + QLatin1Char('.') +
        suffix);
}

// The job's notice first, for it asks for something; else where the last file went.
void ChartWindow::showNotice() {
    noticeBar->say(m_job.notice().isEmpty() ? m_saved : m_job.notice());
    layout()->activate();
}

void ChartWindow::sayWhereSaved(const QString& path) {
    m_saved = QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(path));
    showNotice();
}

void ChartWindow::saveAsCsv() {
    // The chart as the chart tool prints it, with the site's columns when they are on show.
    const QString path = chartexport::saveCsv(
        this, suggestedFileName(QStringLiteral("csv")), m_chartRows, m_setup.full,
        m_setup.tank && m_setup.tank->byVolume, m_rows->siteColumnsShown());
    if (!path.isEmpty())
        sayWhereSaved(path);
}

bool ChartWindow::siteColumnsChosen() const {
    // The choice made in this window, else the one kept in dipsheet.ini, else the definition's.
    if (m_siteColumns)
        return *m_siteColumns;
    if (const std::optional<bool> kept = m_folder.ullageChoice())
        return *kept;
    try {
        const report::Definition definition = report::readDefinition(reportFileName());
        return definition.ullage || definition.percent;
    } catch (const report::ReportError&) {
        return false;
    }
}

void ChartWindow::showUllage(bool shown) {
    m_siteColumns = shown;
    // The row being read stays selected (and drawn) as the columns come and go.
    const int row = dbgCapacity->currentIndex().row();
    m_rows->showSiteColumns(shown, m_setup.full);
    if (row >= 0)
        dbgCapacity->selectRow(row);
    const QSignalBlocker quiet(m_showSite);
    m_showSite->setChecked(shown);
    fitGridWidth();
    if (QString why; !m_folder.keepUllageShown(shown, &why)) {
        ui::messageBox(QStringLiteral("The choice could not be kept in %1 in %2: it holds for "
                                      "this window only. %3.")
                           .arg(QString::fromLatin1(report::kSettingsFile),
                                QDir::toNativeSeparators(QDir::currentPath()), why));
    }
}

void ChartWindow::saveGaugeTable() {
    if (!m_setup.tank)
        return;
    const QString path = chartexport::saveGaugeTable(
        this, suggestedFileName(QStringLiteral("gauge.csv")), *m_setup.tank);
    if (!path.isEmpty())
        sayWhereSaved(path);
}

void ChartWindow::saveAsPdf() {
    // Any failure (a file that cannot be written, a faulty definition) is said by the caller's
    // guard; nothing else changes.
    std::optional<report::Report> saved;
    const QString path =
        chartexport::savePdf(this, suggestedFileName(QStringLiteral("pdf")), [this, &saved] {
            report::ReportEngine engine(m_database);
            loadReport(engine);
            saved = engine.report();
            return *saved;
        });
    if (path.isEmpty())
        return;
    keepPrintout(*saved);
    sayWhereSaved(path);
}

void ChartWindow::cmdExit_Click() {
    if (close())  // the close event unloads the window
        emit exited();
}

void ChartWindow::unloadAsProgramEnds() {
    if (!m_unloaded && !m_unloading) {
        m_unloaded = true;
        ui::fatalOnFailure([this] { deleteChartRows(); });
    }
    close();
}

void ChartWindow::closeEvent(QCloseEvent* event) {
    // A close that arrives while the unload's message is on screen waits for its outcome.
    if (m_unloading) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloading = true;
        bool done = false;
        ui::guarded([this, &done] {
            deleteChartRows();
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
    m_folder.keepPlace(this, QStringLiteral("Chart"));
    event->accept();
}

}  // namespace dipsheet::app
