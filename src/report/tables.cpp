#include "report/painters.h"
#include "report/render.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <vector>

#include "chart/site.h"

namespace dipsheet::report {

namespace {

// Draws `text` with its right end at `right` on `baseline`, squeezed sideways when it is
// wider than `room`.
void rightAligned(QPainter& painter, const QFontMetricsF& metrics, double right, double baseline,
                  double room, const QString& text) {
    const double width = metrics.horizontalAdvance(text);
    if (room <= 0.0 || width <= 0.0)
        return;
    if (width <= room) {
        painter.drawText(QPointF(right - width, baseline), text);
        return;
    }
    painter.save();
    painter.translate(right - room, baseline);
    painter.scale(room / width, 1.0);
    painter.drawText(QPointF(0.0, 0.0), text);
    painter.restore();
}

// The baseline of the last line of column labels over rows placed at `top`.
double labelBaseline(const PageContext& page, const QFontMetricsF& bold, double top) {
    return top + page.columnsHeight - page.gap * 0.5 - bold.descent();
}

// A column heading with its unit on the line below, bottom-aligned so that a heading without
// a unit stands on the unit line; squeezed like the cells when too wide.
void columnHeading(QPainter& painter, const QFontMetricsF& bold, double right, double baseline,
                   double room, const QString& heading, const QString& unit) {
    if (unit.isEmpty()) {
        rightAligned(painter, bold, right, baseline, room, heading);
        return;
    }
    rightAligned(painter, bold, right, baseline - bold.lineSpacing(), room, heading);
    rightAligned(painter, bold, right, baseline, room, QLatin1Char('(') + unit + QLatin1Char(')'));
}

// The rule between the column labels and the rows, which start at `rowsTop`, `width` long;
// leaves the painter with the pen of the faint rules.
void labelRule(const PageContext& page, QPainter& painter, double rowsTop, double width) {
    painter.setPen(QPen(kRule, 0.2 * page.mm));
    painter.drawLine(QPointF(0.0, rowsTop - page.gap * 0.25),
                     QPointF(width, rowsTop - page.gap * 0.25));
    painter.setPen(QPen(kLightRule, 0.15 * page.mm));
}

// From the top of a row to the baseline of its texts.
double baselineOffset(const PageContext& page, const QFontMetricsF& body) {
    return (page.rowHeight - body.height()) / 2.0 + body.ascent();
}

// The rules of a list page: between the groups that are labelled (`groups`), and faintly under
// every fifth row to guide the eye across a wide page, through the groups that have a row below
// it.
void listRules(const PageContext& page, QPainter& painter, double top, const PageRows& rows,
               int groups) {
    const double rowsTop = top + page.columnsHeight;
    const int filledRows = std::min(rows.count, rows.rowsPerColumn);
    const double rowsBottom = rowsTop + filledRows * page.rowHeight;
    labelRule(page, painter, rowsTop, groups * page.pairWidth);
    for (int pair = 1; pair < groups; ++pair) {
        const double x = pair * page.pairWidth;
        painter.drawLine(QPointF(x, top),
                         QPointF(x, std::max(rowsBottom, top + page.columnsHeight)));
    }
    for (int row = 5; row < filledRows; row += 5) {
        int pairs = 0;
        while (pairs < groups && pairs * rows.rowsPerColumn + row < rows.count) {
            ++pairs;
        }
        const double y = rowsTop + row * page.rowHeight;
        painter.drawLine(QPointF(0.0, y), QPointF(pairs * page.pairWidth, y));
    }
}

// The rows that print in bold: for each fill mark, the row at or just below its depth, so that
// a bold row, like the mark, never holds more than the percent.
std::vector<bool> markedRows(const Report& report) {
    std::vector<bool> marked(report.rows.size(), false);
    for (const double mark : report.markDepths) {
        std::size_t best = report.rows.size();
        for (std::size_t i = 0; i < report.rows.size(); ++i) {
            const double depth = report.rows[i].depth;
            if (depth > 0 && depth <= mark &&
                (best == report.rows.size() || depth > report.rows[best].depth))
                best = i;
        }
        if (best < marked.size())
            marked[best] = true;
    }
    return marked;
}

// The columns after the capacity in each group of the list: the ullage and the percent full,
// as the definition asks and the stored set-up (the full tank) allows.
struct SiteColumns {
    bool ullage = false, percent = false;
    double full = 0;
    int extra() const { return int(ullage) + int(percent); }
};

// A chart by volume is read from the volume to the depth: the capacity comes first in each group.
bool volumeFirst(const Report& report) {
    return report.setup && report.setup->tank && report.setup->tank->byVolume;
}

SiteColumns siteColumnsOf(const Report& report) {
    if (!report.setup)
        return {};
    return {report.definition.ullage, report.definition.percent, report.setup->full};
}

}  // namespace

std::vector<double> widestListTexts(const PageContext& page) {
    const SiteColumns site = siteColumnsOf(page.report);
    if (site.extra() == 0)
        return {};
    const Definition& def = page.def;
    const QFontMetricsF body = page.metrics(page.fonts.body);
    const QFontMetricsF bold = page.metrics(page.fonts.bold);
    const auto unit = [](const QString& text) {
        return text.isEmpty() ? text : QLatin1Char('(') + text + QLatin1Char(')');
    };
    // Depth, capacity, then the site's columns; the depth and the capacity change places below
    // for a chart by volume.
    std::vector<double> widest;
    const auto heading = [&](const QString& text, const QString& under) {
        widest.push_back(
            std::max(bold.horizontalAdvance(text), bold.horizontalAdvance(unit(under))));
    };
    heading(def.depthHeading, def.depthUnit);
    heading(def.capacityHeading, def.capacityUnit);
    if (site.ullage)
        heading(QStringLiteral("Ullage"), def.capacityUnit);
    if (site.percent)
        heading(QStringLiteral("% Full"), QString());
    const std::vector<bool> marked = markedRows(page.report);
    for (std::size_t i = 0; i < page.report.rows.size(); ++i) {
        const chart::CapacityRow& row = page.report.rows[i];
        const QFontMetricsF& metrics = marked[i] ? bold : body;
        const auto take = [&](std::size_t column, const QString& text) {
            widest[column] = std::max(widest[column], metrics.horizontalAdvance(text));
        };
        take(0, rowDepthText(page.report, row.depth));
        take(1, volumeText(row.volume, def.volumeDecimals));
        const chart::SiteColumns values = chart::siteColumns(row, site.full);
        std::size_t column = 2;
        if (site.ullage)
            take(column++, volumeText(values.ullage, def.volumeDecimals));
        if (site.percent)
            take(column, volumeText(values.percent, 1));
    }
    if (volumeFirst(page.report))
        std::swap(widest[0], widest[1]);
    return widest;
}

std::vector<GroupColumn> groupColumns(const PageContext& page) {
    const double pad = page.metrics(page.fonts.body).averageCharWidth();
    if (page.widest.empty()) {
        // The depth takes the left 42 % of its pair, the capacity the rest.
        const double depthRight = page.pairWidth * 0.42;
        const double capacityRight = page.pairWidth - pad;
        return {{depthRight, depthRight - pad},
                {capacityRight, capacityRight - depthRight - pad * 2.0}};
    }
    const double share = std::max(0.0, page.pairWidth - page.siteGroupWidth()) /
                         static_cast<double>(page.widest.size());
    std::vector<GroupColumn> columns;
    double left = 0.0;
    for (const double width : page.widest) {
        const double cell = width + pad * 2.0 + share;
        left += cell;
        columns.push_back({left - pad, cell - pad * 2.0});
    }
    return columns;
}

void paintList(const PageContext& page, QPainter& painter, double top, const PageRows& rows) {
    const Definition& def = page.def;
    const QFontMetricsF body = page.metrics(page.fonts.body);
    const QFontMetricsF bold = page.metrics(page.fonts.bold);
    const std::vector<GroupColumn> columns = groupColumns(page);
    const auto right = [&](int column) { return columns[static_cast<std::size_t>(column)].right; };
    const auto room = [&](int column) { return columns[static_cast<std::size_t>(column)].room; };
    const SiteColumns site = siteColumnsOf(page.report);

    // Labels over the groups that hold a row (over the first alone on a page without one).
    const int labelled = std::clamp(groupsFilled(rows), 1, page.groups);
    const double lastBaseline = labelBaseline(page, bold, top);
    painter.setPen(Qt::black);
    painter.setFont(page.fonts.bold);
    // The column of the depth and of the capacity in each group.
    const int depthColumn = volumeFirst(page.report) ? 1 : 0, volumeColumn = 1 - depthColumn;
    for (int pair = 0; pair < labelled; ++pair) {
        const double x = pair * page.pairWidth;
        columnHeading(painter, bold, x + right(depthColumn), lastBaseline, room(depthColumn),
                      def.depthHeading, def.depthUnit);
        columnHeading(painter, bold, x + right(volumeColumn), lastBaseline, room(volumeColumn),
                      def.capacityHeading, def.capacityUnit);
        int column = 2;
        if (site.ullage) {
            columnHeading(painter, bold, x + right(column), lastBaseline, room(column),
                          QStringLiteral("Ullage"), def.capacityUnit);
            ++column;
        }
        if (site.percent)
            columnHeading(painter, bold, x + right(column), lastBaseline, room(column),
                          QStringLiteral("% Full"), QString());
    }
    listRules(page, painter, top, rows, labelled);

    painter.setPen(Qt::black);
    painter.setFont(page.fonts.body);
    const double rowsTop = top + page.columnsHeight;
    const double offset = baselineOffset(page, body);
    const std::vector<bool> marked = markedRows(page.report);
    for (int i = 0; i < rows.count; ++i) {
        const double x = (i / rows.rowsPerColumn) * page.pairWidth;
        const double baseline = rowsTop + (i % rows.rowsPerColumn) * page.rowHeight + offset;
        const auto index = static_cast<std::size_t>(rows.first + i);
        const chart::CapacityRow& row = page.report.rows[index];
        painter.setFont(marked[index] ? page.fonts.bold : page.fonts.body);
        const QFontMetricsF& metrics = marked[index] ? bold : body;
        rightAligned(painter, metrics, x + right(depthColumn), baseline, room(depthColumn),
                     rowDepthText(page.report, row.depth));
        rightAligned(painter, metrics, x + right(volumeColumn), baseline, room(volumeColumn),
                     volumeText(row.volume, def.volumeDecimals));
        if (site.extra() == 0)
            continue;
        const chart::SiteColumns values = chart::siteColumns(row, site.full);
        int column = 2;
        if (site.ullage) {
            rightAligned(painter, metrics, x + right(column), baseline, room(column),
                         volumeText(values.ullage, def.volumeDecimals));
            ++column;
        }
        if (site.percent)
            rightAligned(painter, metrics, x + right(column), baseline, room(column),
                         volumeText(values.percent, 1));
    }
}

void paintEighths(const PageContext& page, QPainter& painter, double top,
                  const std::vector<InchLine>& lines, const PageRows& rows) {
    static const char* const kEighths[] = {"0", "1/8", "1/4", "3/8", "1/2", "5/8", "3/4", "7/8"};
    const Definition& def = page.def;
    const QFontMetricsF body = page.metrics(page.fonts.body);
    const QFontMetricsF bold = page.metrics(page.fonts.bold);
    const double pad = body.averageCharWidth();
    const double room = page.columnWidth - pad * 2.0;
    const auto right = [&](int column) { return (column + 1) * page.columnWidth - pad; };

    // The depth heading over its unit; the capacity heading with its unit over the eight
    // volume columns, whose labels stand on the line below.
    const double lastBaseline = labelBaseline(page, bold, top);
    painter.setPen(Qt::black);
    painter.setFont(page.fonts.bold);
    columnHeading(painter, bold, right(0), lastBaseline, room, def.depthHeading, def.depthUnit);
    const QString capacity =
        def.capacityUnit.isEmpty()
            ? def.capacityHeading
            : def.capacityHeading + QStringLiteral(" (") + def.capacityUnit + QLatin1Char(')');
    const double span = page.columnWidth * 8.0 - pad * 2.0;
    const double centred = std::min(span, bold.horizontalAdvance(capacity));
    rightAligned(painter, bold, page.columnWidth + pad + (span + centred) / 2.0,
                 lastBaseline - bold.lineSpacing(), span, capacity);
    for (int eighth = 0; eighth < 8; ++eighth) {
        rightAligned(painter, bold, right(eighth + 1), lastBaseline, room,
                     QString::fromLatin1(kEighths[eighth]));
    }

    // A faint rule after the inch column, and under every fifth line.
    const double rowsTop = top + page.columnsHeight;
    labelRule(page, painter, rowsTop, page.width);
    painter.drawLine(QPointF(page.columnWidth, rowsTop - page.gap * 0.25),
                     QPointF(page.columnWidth, rowsTop + rows.count * page.rowHeight));
    for (int line = 5; line < rows.count; line += 5) {
        const double y = rowsTop + line * page.rowHeight;
        painter.drawLine(QPointF(0.0, y), QPointF(page.width, y));
    }

    painter.setPen(Qt::black);
    painter.setFont(page.fonts.body);
    const double offset = baselineOffset(page, body);
    const std::vector<bool> marked = markedRows(page.report);
    for (int i = 0; i < rows.count; ++i) {
        painter.setFont(page.fonts.body);
        const InchLine& line = lines[static_cast<std::size_t>(rows.first + i)];
        const double baseline = rowsTop + i * page.rowHeight + offset;
        rightAligned(painter, body, right(0), baseline, room, QString::number(line.inch));
        for (std::size_t eighth = 0; eighth < line.row.size(); ++eighth) {
            if (line.row[eighth] >= 0) {
                const auto index = static_cast<std::size_t>(line.row[eighth]);
                const float volume = page.report.rows[index].volume;
                painter.setFont(marked[index] ? page.fonts.bold : page.fonts.body);
                rightAligned(painter, marked[index] ? bold : body,
                             right(static_cast<int>(eighth) + 1), baseline, room,
                             volumeText(volume, def.volumeDecimals));
            }
        }
    }
}

}  // namespace dipsheet::report
