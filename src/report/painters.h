#pragma once

// The painters of a report's page: the page heading, the capacity curve, the drawing of the
// tank beside it, and the rows as a list of column pairs or as the eighths table. Each paints its
// part at the place it is given; render.cpp measures the page and says which rows go where.

#include "report/eighths.h"
#include "report/pagination.h"
#include "report/report.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace dipsheet::report {

inline const QColor kRule(150, 150, 150);
inline const QColor kLightRule(210, 210, 210);
inline const QColor kCurve(0, 0, 160);
// The row shown on a screen: its point on the curve.
inline const QColor kShown(210, 70, 0);
// The percents written at the fill marks.
inline const QColor kMarkText(90, 90, 90);

// The fonts of a report, from its definition's family and sizes.
struct Fonts {
    explicit Fonts(const Definition& definition);

    QFont body, bold, small, title, client, note;
};

// What the painters of a page share: the report, the device it is painted on, its fonts and
// the page's measures in device pixels.
struct PageContext {
    // Measures the device's current page layout; `eighths`: the rows print as the eighths table.
    PageContext(const Report& report, QPagedPaintDevice& device, bool eighths);
    // For painting on any device (a window, an image) in an area of `area` device pixels, the
    // fonts at the device's resolution.
    PageContext(const Report& report, QPaintDevice& device, QSizeF area);

    // Metrics of `font` as it prints on the device.
    QFontMetricsF metrics(const QFont& font) const;
    // With the site's columns, the narrowest width of a group that holds every text of `widest`
    // with a character's space either side of each column.
    double siteGroupWidth() const;

    const Report& report;
    const Definition& def;
    QPaintDevice& device;
    Fonts fonts;
    double width = 0.0;  // of the printable area
    double height = 0.0;
    double mm = 1.0;  // device pixels per millimetre
    double rowHeight = 1.0;
    double gap = 0.0;        // the space between the parts of a page
    double pairWidth = 0.0;  // a column group of the list (a depth/capacity pair)
    int groups = 1;          // the column groups of the list across a page
    // With the site's columns, the widest text of each column of a group (heading, unit and
    // every row, as they print), in the order the columns stand; empty for plain pairs.
    std::vector<double> widest;
    double columnWidth = 0.0;    // a column of the eighths table
    double columnsHeight = 0.0;  // the column labels over the rows, with the gap under them

private:
    void measure(double areaWidth, double areaHeight, int dpi, bool eighths);
};

// A fill mark as the curve and the drawing show it: the depth the stick reads at the mark and
// its percent ("90 %"; empty when the report does not tell it).
struct MarkLine {
    double depth = 0.0;
    QString label;
};

// The report's fill marks that the stick reads, in the order of its set-up line.
std::vector<MarkLine> markLines(const Report& report);

// The page heading: the office when asked for, title, client name, then the chart heading on
// the left and the date and units on the right, closed by a rule. Measures it when `painter`
// is null; returns its height with the space below it.
double paintHeading(const PageContext& page, QPainter* painter);

// Volume against depth in `box`, points in order of depth, framed with divisions and axis
// titles, with a thin dashed line up to the curve at each fill mark's depth. `shown`: a row
// picked on screen, marked by a dot on the curve.
void paintCurve(const PageContext& page, QPainter& painter, const QRectF& box,
                std::optional<chart::CapacityRow> shown = std::nullopt);

// A text written on the drawing of the tank and the box it takes on the device.
struct PlacedLabel {
    QString text;
    QRectF box;
    bool mark = false;  // a fill mark's percent, not a measure
};

// Where the drawing of the tank in `box` writes its texts (measures and fill marks), and the
// line of its dipstick, on the device; none when there is no tank to draw. No text's box
// meets another's or comes within a small gap of the stick.
struct SketchLabels {
    std::vector<PlacedLabel> labels;
    QLineF stick;
};
std::optional<SketchLabels> sketchLabels(const PageContext& page, const QRectF& box);

// A side view of the report's tank to scale in `box`, lying as it lies, with its dipstick, the
// fill marks as dashed lines, the liquid surface at 90 % full (or at the volume of the row
// `shown`) and its measures written on it. Paints nothing and returns false when the report
// has no tank that can be drawn (none stored, or measures that do not read).
bool paintSketch(const PageContext& page, QPainter& painter, const QRectF& box,
                 std::optional<chart::CapacityRow> shown = std::nullopt);

// The widest text of each column of a list group with the site's columns, in the order the
// columns stand: its heading and unit in bold, and every row's text in the font it prints in.
// Empty when the report has no site columns.
std::vector<double> widestListTexts(const PageContext& page);

// Each column of a list group: its right end from the group's left edge and the room its texts
// have. With the site's columns each column has room for its widest text and the group's spare
// width is shared evenly; plain pairs keep their fixed split.
struct GroupColumn {
    double right = 0.0;
    double room = 0.0;
};
std::vector<GroupColumn> groupColumns(const PageContext& page);

// The column labels at `top`, then the rows `rows` of the list under them, down each column
// then across the column groups; only groups that hold a row are labelled.
void paintList(const PageContext& page, QPainter& painter, double top, const PageRows& rows);

// The column labels at `top`, then the lines `rows` of the eighths table `lines`: the whole
// inch, then the volume at each eighth above it; an eighth the chart has no row for stays blank.
void paintEighths(const PageContext& page, QPainter& painter, double top,
                  const std::vector<InchLine>& lines, const PageRows& rows);

}  // namespace dipsheet::report
