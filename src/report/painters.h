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
#include <QRectF>

#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace dipsheet::report {

inline const QColor kRule(150, 150, 150);
inline const QColor kLightRule(210, 210, 210);
inline const QColor kCurve(0, 0, 160);

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

    // Metrics of `font` as it prints on the device.
    QFontMetricsF metrics(const QFont& font) const;

    const Report& report;
    const Definition& def;
    QPagedPaintDevice& device;
    Fonts fonts;
    double width = 0.0;  // of the printable area
    double height = 0.0;
    double mm = 1.0;  // device pixels per millimetre
    double rowHeight = 1.0;
    double gap = 0.0;            // the space between the parts of a page
    double pairWidth = 0.0;      // a depth/capacity column pair of the list
    double columnWidth = 0.0;    // a column of the eighths table
    double columnsHeight = 0.0;  // the column labels over the rows, with the gap under them
};

// The page heading: the office when asked for, title, client name, then the chart heading on
// the left and the date and units on the right, closed by a rule. Measures it when `painter`
// is null; returns its height with the space below it.
double paintHeading(const PageContext& page, QPainter* painter);

// Volume against depth in `box`, points in order of depth, framed with divisions and axis
// titles.
void paintCurve(const PageContext& page, QPainter& painter, const QRectF& box);

// A side view of the report's tank to scale in `box`, lying as it lies, with its dipstick, the
// liquid surface at 90 % full and its measures written on it. Paints nothing and returns false
// when the report has no tank that can be drawn (none stored, or measures that do not read).
bool paintSketch(const PageContext& page, QPainter& painter, const QRectF& box);

// The column labels at `top`, then the rows `rows` of the list under them, down each column
// then across the column pairs.
void paintList(const PageContext& page, QPainter& painter, double top, const PageRows& rows);

// The column labels at `top`, then the lines `rows` of the eighths table `lines`: the whole
// inch, then the volume at each eighth above it; an eighth the chart has no row for stays blank.
void paintEighths(const PageContext& page, QPainter& painter, double top,
                  const std::vector<InchLine>& lines, const PageRows& rows);

}  // namespace dipsheet::report
