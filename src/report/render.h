#pragma once

// Laying out and painting a report: the page heading on every page, the capacity curve on the
// first, the rows in column pairs read down each column then across (or, in the eighths
// layout, a line per whole inch with the volume at each 1/8), "Page N of M" at the foot.

#include "chart/numbers.h"
#include "report/definition.h"
#include "report/pagination.h"
#include "report/report.h"

#include <QString>

#include <vector>

class QPagedPaintDevice;

namespace dipsheet::report {

// Sets the device's paper, orientation and margins from the definition.
void applyPageLayout(const Definition& definition, QPagedPaintDevice& device);

// Pagination for the device's current page layout. Throws ReportError kPageTooSmall when a page
// cannot hold a single row.
Pagination paginate(const Report& report, QPagedPaintDevice& device);

// How the list's column groups fall across a page of the device: how many groups, and for each
// column of a group the room its texts have and, with the site's columns, the widest of its
// texts (empty for plain pairs). A text wider than its room prints squeezed sideways; with the
// site's columns no room is narrower than its widest text.
struct ListLayout {
    int groups = 0;
    std::vector<double> room;
    std::vector<double> widest;
};
ListLayout listLayout(const Report& report, QPagedPaintDevice& device);

// Paints every page on the device in its current page layout (applyPageLayout sets the
// definition's). Throws ReportError kPageTooSmall before painting anything when a page holds no
// row, kOutputUnwritable when the device cannot be painted on.
void render(const Report& report, QPagedPaintDevice& device);

// Writes the report as a PDF file in the definition's page layout. The file appears whole or
// not at all, never through a link (writeWholeFile); throws ReportError kOutputUnwritable naming
// the path and why when it cannot be written.
void writePdf(const Report& report, const QString& path);

// A depth as printed. Fraction: a depth that is a whole multiple of 1/64 (below 2^24 in size)
// as a whole number and a fraction in lowest terms ("10 1/8", "1/2", "3", "-1 3/4"); any
// other depth, and every depth in decimal format, as the grid shows it: the single's default
// text ("0.7", "3.299999").
QString depthText(float depth, DepthFormat format);

// A row's depth as printed: as the report's depth writing gives it (rounded as the increment
// of its tank steps), and for a chart kept without its tank as depthText writes it.
QString rowDepthText(const Report& report, float depth);

// A volume as printed: as the grid shows it ("21.64352", "0.7") for kShortestVolume, or with
// the given number of decimals, rounded from the stored single ("21.64").
QString volumeText(float volume, int decimals);

// A division of the capacity curve's axes as labelled: plain digits with the given decimals
// and ',' between groups of three whole digits, whatever the size ("500,000,000", "0.25").
QString tickText(double value, int decimals);

}  // namespace dipsheet::report
