#pragma once

// The chart window: the heading the chart was stored with above a read-only grid of every row
// and field of table Capacity as the chart left it. It prints and saves what it shows, whatever
// is written to the file later. Exit, or closing the window, deletes the chart rows (Depth
// above 0) and then the window itself.

#include <QWidget>

#include <functional>
#include <optional>

#include "jobdocument.h"
#include "program.h"
#include "report/definition.h"
#include "store/store.h"

class QAction;
class QGridLayout;
class QLabel;
class QPushButton;
class QTableView;
class QVBoxLayout;

namespace dipsheet::report {
class ReportEngine;
}
namespace dipsheet::ui {
class NoticeBar;
}

namespace dipsheet::app {

class CapacityModel;
class ChartPicture;

class ChartWindow : public QWidget {
    Q_OBJECT

public:
    // The window for the charts of the job `job`. It is top-level and not modal, and deletes
    // itself once closed.
    ChartWindow(document::JobDocument& job, const DataFolder& folder);

    // Form_Load, and again for each new chart while the window is open: the heading the chart
    // was stored with, the rows as the file holds them now, and the set-up.
    void showChart(const store::ChartSetup& setup);

    // The report definition Print uses for the chart on show.
    QString reportFileName() const;

    // Whether the window has been closed and its unload step run (it is deleted soon after).
    bool isUnloaded() const { return m_unloaded; }
    // The program ends: the window unloads and closes. A failure of the unload step is said
    // and the program ends with status 1.
    void unloadAsProgramEnds();

    // The selected rows of the grid (whole rows, in order; the current row when none is
    // selected) as tab-separated text under a heading line, as the grid shows them: what Copy
    // puts on the clipboard, for a spreadsheet to paste.
    QString selectedRowsText() const;
    // Save as CSV (Ctrl+S) and Save as PDF: each asks for a file, suggesting one in the data
    // folder named after the serial number (else the customer) and the date. The CSV is the
    // text dipsheet-chart prints for the chart; the PDF is laid out by the unit's definition.
    void saveAsCsv();
    void saveAsPdf();
    // Save Gauge Table: asks how many points (20 unless changed), saves the table as CSV
    // through the save dialog and says its largest interpolation error.
    void saveGaugeTable();
    // Show Ullage and % Full: the two site columns in the grid, its copy and its CSV; the
    // choice is kept in dipsheet.ini for the next chart.
    void showUllage(bool shown);

private:
    QLabel* lblCustomerCaption;
    QLabel* lblCustomer;
    QLabel* lblTankDescCaption;
    QLabel* lblTankDesc;
    QLabel* lblSerialNoCaption;
    QLabel* lblSerialNo;
    QTableView* dbgCapacity;
    QPushButton* cmdPrint;
    QPushButton* cmdExit;
    QLabel* lblSetup;
    ui::NoticeBar* noticeBar;

public:
    // The tank the inputs now describe: the line under the grid says in red when it is not the
    // tank of the chart on show.
    void compareWithInputs(const chart::Tank& inputs);

signals:
    // Exit was pressed and the window unloaded; the user goes back to the customer name.
    void exited();
    // The chart's history row took the heading corrected since the chart was made, or what its
    // printout showed.
    void historyRowChanged();

protected:
    // Closing unloads the window, exactly once however it goes: Exit, the title bar, or the
    // program closing it as it ends. Closing from the title bar does not move the focus. When
    // the unload step fails on a condition the user can mend (a busy or read-only file), the
    // message says so and the window stays open with its chart, to be closed again.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Deletes the chart rows: every Capacity row with Depth above 0; the others stay.
    void deleteChartRows();
    void cmdPrint_Click();
    void cmdExit_Click();
    // The set-up of the chart on show in the line under the grid.
    void showSetup();
    // Shows the line, in red when the inputs on screen no longer describe the chart's tank.
    void showSetupLine(bool stale);
    // The report of the chart on show, under the heading on screen: Print and Save as PDF are
    // save points, and the heading they print is the one the panels show.
    void loadReport(report::ReportEngine& engine);
    // The heading, the grid with Print and Exit beside it, the picture, the set-up line and
    // the notice bar, in layouts that grow with the window.
    void layOut();
    // The picture beside the grid in a wide window, below it in a tall one.
    void placeBody();
    // The grid as wide as its columns, so that none hides behind a scroll bar.
    void fitGridWidth();
    void showNotice();
    void sayWhereSaved(const QString& path);
    // The curve and the tank of the chart on show, and the grid's current row drawn on them.
    void showPicture();
    void showSelectedRow(int row);
    // Whether the grid shows Ullage and % Full: as chosen in this window, else as kept in
    // dipsheet.ini, else as the unit's definition prints them.
    bool siteColumnsChosen() const;
    // Keeps what the page `printed`, gone out, shows with the chart's history row, so that a
    // reprint lays out the same page.
    void keepPrintout(const report::Report& printed);
    // Shows a job record's heading in the heading labels.
    void showHeading(const store::JobRecord& record);
    void copyRows();
    // Print, Exit, copy, the saves and the site's columns as actions of the window, shared by
    // the buttons, the grid's menu and the keyboard.
    void makeCommands();
    // A file name in the data folder for a chart saved with extension `suffix`.
    QString suggestedFileName(const QString& suffix) const;
    // The unit of the chart on show, as its tank has it: Print picks the report definition by
    // it, so a chart is printed in the unit it was calculated in, whatever the option says later.
    bool inches() const { return !m_setup.tank || m_setup.tank->inches; }
    // ". 90 % at <depth> in (<volume> US gal), 95 % at ..." for the set-up line: the fill marks
    // of dipsheet.ini's [Marks], each depth rounded down to the step the page in `depths` finds
    // it at and written as the grid writes a depth (none when the file holds no list of
    // percents).
    QString marksText(report::DepthFormat depths, const QString& unit) const;

    document::JobDocument& m_job;
    const store::JobDatabase m_database;
    const DataFolder m_folder;
    CapacityModel* m_rows;
    std::vector<chart::CapacityRow> m_chartRows;  // of the chart on show, as the grid shows them
    store::ChartSetup m_setup;                    // of the chart on show
    bool m_unloaded = false;
    bool m_unloading = false;  // the unload step is running (its message may be on screen)
    QString m_saved;           // where the last file of the chart on show went, for the notice bar
    QString m_setupLine;       // the line under the grid: the full capacity and the set-up
    QGridLayout* m_body = nullptr;      // the grid, its buttons and the picture
    QVBoxLayout* m_buttons = nullptr;   // Print and Exit
    ChartPicture* m_picture = nullptr;  // the curve and the tank beside or below the grid
    QAction* m_showSite = nullptr;      // Show Ullage and % Full, ticked as the grid shows them
    std::optional<bool> m_siteColumns;  // Show Ullage and % Full as chosen in this window
    bool m_pictureBeside = true;
};

}  // namespace dipsheet::app
