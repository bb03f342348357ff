#pragma once

// Report definition files: INI-style text that lays out the printed chart. The format, every
// key, its values and its default are described in docs/report-definitions.md.

#include <QByteArray>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>

#include <stdexcept>
#include <string>

namespace dipsheet::report {

// The numbers a report failure carries to the fatal-error path.
enum ReportErrorNumber : int {
    kDefinitionUnreadable = 501,  // the definition file is missing, unreadable or too large
    kMalformedLine = 502,         // a line that is no section, key=value, comment or blank
    kUnknownName = 503,           // a section or key the format does not have, or given twice
    kBadValue = 504,              // a value the key does not take
    kOutputUnwritable = 505,      // the PDF file cannot be written, or printing cannot start
    kDatabaseUnreadable = 506,    // the job database cannot be read
    kNoPrinter = 507,             // the destination is the printer and there is none
    kPageTooSmall = 508,          // the page leaves no room for a single chart row
};

// A failure of the report engine. what() names the file, the line where there is one, and
// what is wrong: "indipsheet.rpt, line 12: unknown key "Colour" in section [Page]".
class ReportError : public std::runtime_error {
public:
    // `databaseDamaged`: the job database the report reads is damaged (not a condition the
    // user can mend by trying again). `databaseCode`: the database engine's error code when
    // the job database caused the failure (a busy or read-only file, a full disk), else 0.
    ReportError(int number, const QString& description, bool databaseDamaged = false,
                int databaseCode = 0);
    int number() const noexcept { return m_number; }
    bool databaseDamaged() const noexcept { return m_databaseDamaged; }
    int databaseCode() const noexcept { return m_databaseCode; }

private:
    int m_number;
    bool m_databaseDamaged;
    int m_databaseCode;
};

enum class DepthFormat { Decimal, Fraction };
// List: depth/volume column pairs. Eighths: a line per whole inch, a volume for each 1/8.
enum class TableLayout { List, Eighths };
enum class Destination { Preview, Printer, Pdf };

// VolumeDecimals=shortest: each volume as the grid shows it, to at most 7 significant digits.
inline constexpr int kShortestVolume = -1;

// One report definition, every key at its default until a file sets it.
struct Definition {
    // [Report]
    QString title = QStringLiteral("Tank Chart");
    QString dateFormat = QStringLiteral("yyyy-MM-dd");
    QString units;         // empty: "Depth (unit), Capacity (unit)" from the column headings
    bool company = false;  // the office's name and address from dipsheet.ini above the title
    // [Columns]
    QString depthHeading = QStringLiteral("Depth");
    QString depthUnit;
    QString capacityHeading = QStringLiteral("Capacity");
    QString capacityUnit;
    DepthFormat depthFormat = DepthFormat::Decimal;
    int volumeDecimals = kShortestVolume;
    int pairs = 3;
    TableLayout layout = TableLayout::List;
    bool ullage = false;   // a column of the ullage (the full tank less the row) in each group
    bool percent = false;  // a column of the percent full in each group
    // [Page]
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{15.0, 15.0, 15.0, 15.0};  // left, top, right, bottom
    // [Font]
    QString fontFamily = QStringLiteral("Sans Serif");
    double fontSize = 9.0;    // points
    double titleSize = 16.0;  // points
    // [Curve]
    bool drawCurve = true;
    double curveHeightMm = 70.0;
    // [Sketch]
    bool drawSketch = false;  // the tank drawn beside the curve
    // [Output]
    Destination destination = Destination::Preview;
    // The PDF written; empty: named for the chart (chartFileName) in the working directory.
    QString file;

    // The units line of the page heading: `units` or the one made from the columns.
    QString unitsText() const;
};

// Reads a definition file (UTF-8, a leading byte order mark allowed). `path` is used as given,
// a bare name resolving against the working directory. Throws ReportError.
Definition readDefinition(const QString& path);

// Parses the content of a definition; `fileName` names it in error messages.
Definition parseDefinition(const QByteArray& content, const QString& fileName);

}  // namespace dipsheet::report
