#pragma once

// The report engine that prints a chart: given the bare name of a report definition, it reads
// the definition and the chart (job record and Capacity rows) from the working directory and
// sends the laid-out chart to the destination the definition names.
//
//     ReportEngine engine;
//     engine.setReportFileName("indipsheet.rpt");
//     engine.load();     // definition and data; throws ReportError
//     engine.produce();  // preview, printer or PDF; throws ReportError

#include "chart/chart.h"
#include "chart/site.h"
#include "report/definition.h"
#include "store/store.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace dipsheet::report {

// The office that makes the chart, as the settings file names it; a field left out is empty.
struct Company {
    QString name;
    QString address;
    QString town;
    QString phone;
    // The file was a regular file that read without a fault (a damaged one still gives what
    // could be read of it).
    bool readCleanly = false;

    bool isEmpty() const {
        return name.isEmpty() && address.isEmpty() && town.isEmpty() && phone.isEmpty();
    }
};

// The settings file in the working directory that names the office.
inline constexpr char kSettingsFile[] = "dipsheet.ini";

// Reads Name, Address, Town and Phone of section [Company] from the INI file `path`, each on
// one line with its blanks trimmed; a value the INI format splits at its commas is joined again
// with ", ". A file that
// is missing, unreadable or no regular file, and a key that is missing, give empty fields:
// never a failure.
Company readCompany(const QString& path);

// Everything one printout needs.
struct Report {
    QString definitionName;  // the definition file as it was named, for messages
    Definition definition;
    store::JobRecord job;                    // client name and chart heading
    std::vector<chart::CapacityRow> rows;    // in table order, Depth of 0 or less included
    QDate date;                              // the date printed in the heading
    std::optional<store::ChartSetup> setup;  // the chart's set-up, where the file keeps one
    // For a reprint of a chart of the history, the day of the reprint, printed below `date`,
    // which is then the day the chart was made; null for a chart printed as it is made.
    QDate reprinted;
    // The heads (bottom) of the charted tank when not flat, for the heading, as the stored set-up
    // names them; else empty.
    QString heads;
    Company company;  // printed above the title when the definition asks for it
    // The fill marks of dipsheet.ini's [Marks] for the stored tank, as the set-up line ends
    // ("90 % at 40.23 in (845.8 US gal), ..."), and the depths and percents of those the stick
    // reads, whose rows print in bold.
    QString marks;
    std::vector<double> markDepths;
    std::vector<double> markPercents;  // of each of markDepths
    // How the rows' depths are written: by the increment of the set-up's tank (see
    // chart::depthWritingOf); unknown for a chart kept without its tank.
    chart::DepthWriting depths;
};

// The value of `key` ("Section/Key") in the INI file `path`, as written, blanks trimmed (a
// value the INI format splits at its commas joined again with ", "); empty when the file is
// missing, unreadable or no regular file, or the key is missing. The one reader of the
// settings file's values.
QString readSetting(const QString& path, const QString& key);

// The bare name of the definition that prints a chart of the unit: indipsheet.rpt for inches
// and US gallons, mmdipsheet.rpt for millimetres and litres.
QString definitionFor(bool inches);

// The percents of the fill marks: [Marks] Percent of the INI file `path` as written, "90,95"
// when the file or the key is missing.
QString readMarkPercents(const QString& path);

// The step a fill mark's depth is shown to, and found rounded down to (chart::fillMarks), so
// that the tank filled to the mark as read holds at most its percent: an eighth of an inch in
// the fraction format, else a hundredth of an inch or a whole millimetre.
double markStep(DepthFormat depths, bool inches);

// The depth format of the set-up line of a chart of `tank` on a page laid out in `asked`:
// fractions only when its rows are written in 64ths too (a chart stepped by whole 64ths, or one
// kept without its tank), so that the fill marks and the rows read alike.
DepthFormat depthFormatFor(DepthFormat asked, const std::optional<chart::Tank>& tank);

// The fill marks as the set-up line shows them: "90 % at 40 1/8 in (843.9 US gal), 95 % at
// ...": each depth as found at markStep in the depth format, and the volume there to one decimal
// in `unit`; a mark below the stick as "5 % below the stick".
QString fillMarksText(const std::vector<chart::FillMark>& marks, DepthFormat depths, bool inches,
                      const QString& unit);
// The same, each depth written by `depthText` (the grid's form on screen).
QString fillMarksText(const std::vector<chart::FillMark>& marks,
                      const std::function<QString(float)>& depthText, bool inches,
                      const QString& unit);

// The name a saved chart is given: the serial number (else the customer, else "chart") and
// the day (today's unless given), in characters every file system takes
// ("SN-4471-B-2026-12-08").
QString chartFileStem(const QString& serialNo, const QString& customer, QDate day = {});
// The file a chart of `report` is saved to with extension `suffix` ("pdf", "csv"), bare: the
// caller puts it in the data folder. The day is the one the report is dated with (the day a
// reprinted chart was made).
QString chartFileName(const Report& report, const char* suffix);

// What a report needs from around it: the day it is dated with, and the preview and the
// printer its Destination sends it to. The base class is what the engine has of its own: today's
// date, no preview window (Destination=preview fails with ReportError kOutputUnwritable) and
// the system's default printer (printOnDefaultPrinter). The desktop program hands one with its
// own preview window at start-up; a test hands one that fixes the day and keeps what was
// printed, for as long as a UseSurroundings lives.
class Surroundings {
public:
    Surroundings() = default;
    Surroundings(const Surroundings&) = delete;
    Surroundings& operator=(const Surroundings&) = delete;
    virtual ~Surroundings() = default;
    virtual QDate today() const;
    virtual void preview(const Report& report);
    virtual void print(const Report& report);
};
Surroundings& surroundings();
class UseSurroundings {
public:
    explicit UseSurroundings(Surroundings& handed);
    ~UseSurroundings();
    UseSurroundings(const UseSurroundings&) = delete;
    UseSurroundings& operator=(const UseSurroundings&) = delete;

private:
    Surroundings* m_before;
};

// The date a report is dated with: the handed Surroundings' today.
QDate reportDate();

// Reads the definition `definitionFile` (in the working directory) and the chart from the job
// database, and dates the report; with Company=yes, the office from dipsheet.ini in the working
// directory. Throws ReportError (a database failure becomes kDatabaseUnreadable, its
// description keeping the engine's number and message, its databaseCode() the number).
Report loadReport(const QString& definitionFile,
                  const store::JobDatabase& database = store::JobDatabase());

// The report of a chart given whole rather than read from the job database (a chart of the
// history): the definition `definitionFile` read as loadReport reads it, then the job, the rows
// and the set-up as given. A reprint gives the date its chart was `made`: the heading is dated
// with it and says the day of the reprint (reportDate) too; without one it is dated as made
// today. Throws ReportError for the definition.
Report chartReport(const QString& definitionFile, store::JobRecord job,
                   std::vector<chart::CapacityRow> rows, store::ChartSetup setup, QDate made = {});

// The day a chart of the history was made, from its Made ("YYYY-MM-DD HH:MM:SS"); null for a
// text that does not begin with a date.
QDate madeDate(std::string_view made);

class ReportEngine {
public:
    // Preview and printer output go to the handed Surroundings.
    // The chart comes from `database` (QRTMembers.mdb in the working directory by default).
    explicit ReportEngine(store::JobDatabase database = store::JobDatabase())
        : m_database(std::move(database)) {}

    // The definition's file name, bare: it is looked for in the working directory.
    void setReportFileName(const QString& bareName);
    const QString& reportFileName() const { return m_fileName; }

    // Reads the definition and the chart. On failure nothing stays loaded.
    void load();
    // Reads the definition and takes the chart as given, made on `made` for a reprint
    // (chartReport).
    void load(store::JobRecord job, std::vector<chart::CapacityRow> rows, store::ChartSetup setup,
              QDate made = {});
    // Renders the loaded chart to the definition's destination. Returns the file written for
    // Destination=pdf (the definition's File, else the chart's own name, chartFileName), else
    // empty. Throws std::logic_error when nothing is loaded, ReportError when the output fails.
    QString produce();

    // The ullage and percent columns as the window showing the chart has them (or as the
    // chart's last printout had them, for a reprint), over the definition's [Columns] keys;
    // std::logic_error when nothing is loaded.
    void showSiteColumns(bool shown) { showSiteColumns(shown, shown); }
    void showSiteColumns(bool ullage, bool percent);

    bool isLoaded() const { return m_report.has_value(); }
    const Report& report() const;  // the loaded report; std::logic_error when none

private:
    store::JobDatabase m_database;
    QString m_fileName;
    std::optional<Report> m_report;
};

// Prints on the system's default printer; ReportError kNoPrinter when there is none.
void printOnDefaultPrinter(const Report& report);

}  // namespace dipsheet::report
