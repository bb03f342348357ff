#include "report/painters.h"
#include "report/render.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

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

// The rule between the column labels and the rows, which start at `rowsTop`; leaves the
// painter with the pen of the faint rules.
void labelRule(const PageContext& page, QPainter& painter, double rowsTop) {
    painter.setPen(QPen(kRule, 0.2 * page.mm));
    painter.drawLine(QPointF(0.0, rowsTop - page.gap * 0.25),
                     QPointF(page.width, rowsTop - page.gap * 0.25));
    painter.setPen(QPen(kLightRule, 0.15 * page.mm));
}

// From the top of a row to the baseline of its texts.
double baselineOffset(const PageContext& page, const QFontMetricsF& body) {
    return (page.rowHeight - body.height()) / 2.0 + body.ascent();
}

// A column pair of the list: the right ends of its depth and its capacity and the room each
// text has.
struct Pair {
    explicit Pair(const PageContext& page, double pad)
        : depthRight(page.pairWidth * 0.42),
          depthRoom(depthRight - pad),
          capacityRight(page.pairWidth - pad),
          capacityRoom(capacityRight - depthRight - pad * 2.0) {}

    double depthRight;
    double depthRoom;
    double capacityRight;
    double capacityRoom;
};

// The rules of a list page: between the pairs, and faintly under every fifth row to guide the
// eye across a wide page, through the pairs that have a row below it.
void listRules(const PageContext& page, QPainter& painter, double top, const PageRows& rows) {
    const double rowsTop = top + page.columnsHeight;
    const int filledRows = std::min(rows.count, rows.rowsPerColumn);
    const double rowsBottom = rowsTop + filledRows * page.rowHeight;
    labelRule(page, painter, rowsTop);
    for (int pair = 1; pair < page.def.pairs; ++pair) {
        const double x = pair * page.pairWidth;
        painter.drawLine(QPointF(x, top),
                         QPointF(x, std::max(rowsBottom, top + page.columnsHeight)));
    }
    for (int row = 5; row < filledRows; row += 5) {
        int pairs = 0;
        while (pairs < page.def.pairs && pairs * rows.rowsPerColumn + row < rows.count) {
            ++pairs;
        }
        const double y = rowsTop + row * page.rowHeight;
        painter.drawLine(QPointF(0.0, y), QPointF(pairs * page.pairWidth, y));
    }
}

}  // namespace

void paintList(const PageContext& page, QPainter& painter, double top, const PageRows& rows) {
    const Definition& def = page.def;
    const QFontMetricsF body = page.metrics(page.fonts.body);
    const Pair columns(page, body.averageCharWidth());

    const QFontMetricsF bold = page.metrics(page.fonts.bold);
    const double lastBaseline = labelBaseline(page, bold, top);
    painter.setPen(Qt::black);
    painter.setFont(page.fonts.bold);
    for (int pair = 0; pair < def.pairs; ++pair) {
        const double x = pair * page.pairWidth;
        columnHeading(painter, bold, x + columns.depthRight, lastBaseline, columns.depthRoom,
                      def.depthHeading, def.depthUnit);
        columnHeading(painter, bold, x + columns.capacityRight, lastBaseline, columns.capacityRoom,
                      def.capacityHeading, def.capacityUnit);
    }
    listRules(page, painter, top, rows);

    painter.setPen(Qt::black);
    painter.setFont(page.fonts.body);
    const double rowsTop = top + page.columnsHeight;
    const double offset = baselineOffset(page, body);
    for (int i = 0; i < rows.count; ++i) {
        const double x = (i / rows.rowsPerColumn) * page.pairWidth;
        const double baseline = rowsTop + (i % rows.rowsPerColumn) * page.rowHeight + offset;
        const chart::CapacityRow& row = page.report.rows[static_cast<std::size_t>(rows.first + i)];
        rightAligned(painter, body, x + columns.depthRight, baseline, columns.depthRoom,
                     depthText(row.depth, def.depthFormat));
        rightAligned(painter, body, x + columns.capacityRight, baseline, columns.capacityRoom,
                     volumeText(row.volume, def.volumeDecimals));
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
    labelRule(page, painter, rowsTop);
    painter.drawLine(QPointF(page.columnWidth, rowsTop - page.gap * 0.25),
                     QPointF(page.columnWidth, rowsTop + rows.count * page.rowHeight));
    for (int line = 5; line < rows.count; line += 5) {
        const double y = rowsTop + line * page.rowHeight;
        painter.drawLine(QPointF(0.0, y), QPointF(page.width, y));
    }

    painter.setPen(Qt::black);
    painter.setFont(page.fonts.body);
    const double offset = baselineOffset(page, body);
    for (int i = 0; i < rows.count; ++i) {
        const InchLine& line = lines[static_cast<std::size_t>(rows.first + i)];
        const double baseline = rowsTop + i * page.rowHeight + offset;
        rightAligned(painter, body, right(0), baseline, room, QString::number(line.inch));
        for (std::size_t eighth = 0; eighth < line.row.size(); ++eighth) {
            if (line.row[eighth] >= 0) {
                const float volume =
                    page.report.rows[static_cast<std::size_t>(line.row[eighth])].volume;
                rightAligned(painter, body, right(static_cast<int>(eighth) + 1), baseline, room,
                             volumeText(volume, def.volumeDecimals));
            }
        }
    }
}

}  // namespace dipsheet::report
