#include "render.h"

#include "numbers.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPolygonF>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace dipsheet::report {

QString depthText(float depth, DepthFormat format) {
    if (format == DepthFormat::Fraction && std::isfinite(depth) && std::fabs(depth) < 16777216.0f) {
        const double sixtyFourths = static_cast<double>(depth) * 64.0;
        if (sixtyFourths == std::floor(sixtyFourths)) {
            const auto n = static_cast<std::int64_t>(std::fabs(sixtyFourths));
            const std::int64_t whole = n / 64;
            std::int64_t numerator = n % 64;
            std::int64_t denominator = 64;
            const std::int64_t common = std::gcd(numerator, denominator);
            numerator /= common;
            denominator /= common;
            QString text = sixtyFourths < 0.0 ? QStringLiteral("-") : QString();
            if (numerator == 0) {
                text += QString::number(whole);
            } else if (whole == 0) {
                text += QStringLiteral("%1/%2").arg(numerator).arg(denominator);
            } else {
                text += QStringLiteral("%1 %2/%3").arg(whole).arg(numerator).arg(denominator);
            }
            return text;
        }
    }
    return QString::fromStdString(chart::singleDefaultText(depth));
}

namespace {

// A value that rounds to zero prints as zero, not "-0.00".
QString withoutNegativeZero(QString text) {
    if (text.startsWith(QLatin1Char('-')) &&
        std::none_of(text.cbegin() + 1, text.cend(),
                     [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); })) {
        text.remove(0, 1);
    }
    return text;
}

}  // namespace

QString volumeText(float volume, int decimals) {
    if (decimals < 0 || !std::isfinite(volume)) {
        return QString::fromStdString(chart::singleDefaultText(volume));
    }
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, volume, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return QString::fromStdString(chart::singleDefaultText(volume));
    }
    return withoutNegativeZero(QString::fromLatin1(buffer, end - buffer));
}

QString tickText(double value, int decimals) {
    QString text = withoutNegativeZero(QString::number(value, 'f', decimals));
    const qsizetype sign = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    for (qsizetype at = (point < 0 ? text.size() : point) - 3; at > sign; at -= 3) {
        text.insert(at, QLatin1Char(','));
    }
    return text;
}

void applyPageLayout(const Definition& definition, QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(definition.paper), definition.orientation,
                                     definition.marginsMm, QPageLayout::Millimeter));
}

namespace {

const QColor kRule(150, 150, 150);
const QColor kLightRule(210, 210, 210);
const QColor kCurve(0, 0, 160);

// The eighths table: a line for each whole inch that has a row, the rows of its eighths.
struct InchLine {
    std::int32_t inch = 0;
    std::array<int, 8> row{-1, -1, -1, -1, -1, -1, -1, -1};  // index into the rows, -1 for none
};

struct EighthsTable {
    std::vector<InchLine> lines;
    QString whyNot;  // not empty: the chart cannot be read by eighths and prints as a list
};

// Depths in a metric unit cannot be read off in eighths of an inch.
bool metricDepths(const Definition& definition) {
    static const QRegularExpression metric(QStringLiteral("^(mm|cm|m|(milli|centi)?met(re|er)s?)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return metric.match(definition.depthUnit.trimmed()).hasMatch();
}

// Lays the rows out by whole inch and eighth, in order of depth. Every depth must be a whole
// multiple of 1/8 from 0 up, and no two rows may share one; otherwise `whyNot` says which
// depth stands in the way.
EighthsTable eighthsOf(const Report& report) {
    EighthsTable table;
    const auto listInstead = [&](const QString& reason) {
        table.lines.clear();
        table.whyNot = QStringLiteral("Printed as a list, not by eighths of an inch: ") + reason;
        return table;
    };
    if (metricDepths(report.definition)) {
        return listInstead(
            QStringLiteral("the depths are in %1.").arg(report.definition.depthUnit.trimmed()));
    }
    const auto& rows = report.rows;
    std::vector<std::pair<std::int32_t, int>> eighths;  // depth in eighths, row index
    eighths.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const float depth = rows[i].depth;
        const auto shown = [depth] { return depthText(depth, DepthFormat::Decimal); };
        const double count = static_cast<double>(depth) * 8.0;  // exact for every single
        if (!std::isfinite(count) || count != std::floor(count)) {
            return listInstead(
                QStringLiteral("the depth %1 is not a whole multiple of 1/8 inch.").arg(shown()));
        }
        if (count < 0.0) {
            return listInstead(QStringLiteral("the depth %1 is below 0.").arg(shown()));
        }
        if (count >= 16777216.0) {  // a count of eighths must fit the table's line numbers
            return listInstead(QStringLiteral("the depth %1 is too large.").arg(shown()));
        }
        eighths.emplace_back(static_cast<std::int32_t>(count), static_cast<int>(i));
    }
    std::stable_sort(eighths.begin(), eighths.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < eighths.size(); ++i) {
        const auto [count, row] = eighths[i];
        if (i > 0 && eighths[i - 1].first == count) {
            return listInstead(QStringLiteral("two rows have the depth %1.")
                                   .arg(depthText(rows[static_cast<std::size_t>(row)].depth,
                                                  DepthFormat::Decimal)));
        }
        if (table.lines.empty() || table.lines.back().inch != count / 8) {
            table.lines.push_back({count / 8, {-1, -1, -1, -1, -1, -1, -1, -1}});
        }
        table.lines.back().row[static_cast<std::size_t>(count % 8)] = row;
    }
    return table;
}

QString normalisedLines(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The page's fixed parts and where the rows go, in device pixels, for one report on one device.
class Layout {
public:
    Layout(const Report& report, QPagedPaintDevice& device)
        : m_report(report), m_def(report.definition), m_device(device) {
        const QPageLayout page = device.pageLayout();
        const int dpi = device.logicalDpiY();
        m_width = page.paintRectPixels(dpi).width();
        m_height = page.paintRectPixels(dpi).height();
        m_mm = dpi / 25.4;

        m_body = QFont(m_def.fontFamily);
        m_body.setStyleHint(QFont::SansSerif);
        m_body.setPointSizeF(m_def.fontSize);
        m_bold = m_body;
        m_bold.setBold(true);
        m_small = m_body;
        m_small.setPointSizeF(m_def.fontSize * 0.85);
        m_title = m_bold;
        m_title.setPointSizeF(m_def.titleSize);
        m_client = m_body;
        m_client.setPointSizeF(m_def.fontSize * 1.2);
        m_note = m_small;
        m_note.setItalic(true);

        if (m_def.layout == TableLayout::Eighths) {
            EighthsTable table = eighthsOf(report);
            m_eighths = table.whyNot.isEmpty();
            m_lines = std::move(table.lines);
            m_whyNot = std::move(table.whyNot);
        }

        const QFontMetricsF body(m_body, &device);
        m_rowHeight = body.lineSpacing() * 1.08;
        m_gap = body.height() * 0.6;
        m_pairWidth = m_width / m_def.pairs;
        m_columnWidth = m_width / 9.0;

        m_headingHeight = heading(nullptr);
        const QFontMetricsF bold(m_bold, &device);
        const bool units = !m_def.depthUnit.isEmpty() || !m_def.capacityUnit.isEmpty();
        // The eighths table has its column labels on a line of their own.
        m_columnsHeight = bold.lineSpacing() * (units || m_eighths ? 2 : 1) + m_gap * 0.5;
        m_footerHeight = QFontMetricsF(m_small, &device).lineSpacing() + m_gap;
        m_curveHeight = m_def.drawCurve ? m_def.curveHeightMm * m_mm + m_gap : 0.0;
        if (!m_whyNot.isEmpty()) {
            const QFontMetricsF note(m_note, &device);
            const double limit = note.lineSpacing() * 2;
            m_noteHeight =
                std::min(limit, note.boundingRect(QRectF(0.0, 0.0, m_width, limit),
                                                  Qt::AlignLeft | Qt::TextWordWrap, m_whyNot)
                                    .height()) +
                m_gap * 0.5;
        }

        // A line of the eighths table holds one whole inch; a line of the list, a row per pair.
        const int perLine = m_eighths ? 1 : m_def.pairs;
        const double rows = m_height - m_headingHeight - m_columnsHeight - m_footerHeight;
        m_pagination.rowsPerColumn = std::max(0, static_cast<int>(rows / m_rowHeight));
        m_pagination.rowsPerColumnFirst =
            std::max(0, static_cast<int>((rows - m_curveHeight - m_noteHeight) / m_rowHeight));
        m_pagination.rowsOnFirstPage = m_pagination.rowsPerColumnFirst * perLine;
        m_pagination.rowsPerPage = m_pagination.rowsPerColumn * perLine;
        if (m_pagination.rowsOnFirstPage > 0 && m_pagination.rowsPerPage > 0) {
            const auto count = static_cast<std::int64_t>(itemCount());
            const std::int64_t rest =
                std::max<std::int64_t>(0, count - m_pagination.rowsOnFirstPage);
            m_pagination.pages = 1 + static_cast<int>((rest + m_pagination.rowsPerPage - 1) /
                                                      m_pagination.rowsPerPage);
        }
    }

    const Pagination& pagination() const { return m_pagination; }

    // What the pages share out: inch lines of the eighths table, or rows of the list.
    std::size_t itemCount() const { return m_eighths ? m_lines.size() : m_report.rows.size(); }

    void requireRoom() const {
        if (m_pagination.rowsOnFirstPage < 1 || m_pagination.rowsPerPage < 1) {
            throw ReportError(
                kPageTooSmall,
                QStringLiteral("%1: the page holds no chart row: the heading%2 fill it; choose a "
                               "larger Paper, smaller margins or a smaller Size in [Font]%3")
                    .arg(m_report.definitionName,
                         m_def.drawCurve ? QStringLiteral(" and the curve") : QString(),
                         m_def.drawCurve ? QStringLiteral(", or a lower Height in [Curve]")
                                         : QString()));
        }
        // Each column must hold a few characters; narrower ones would print their texts
        // squeezed to nothing or mirrored.
        const double pad = QFontMetricsF(m_body, &m_device).averageCharWidth();
        if (m_eighths) {
            if (m_columnWidth - pad * 2.0 < pad * 4.0) {
                throw ReportError(
                    kPageTooSmall,
                    QStringLiteral("%1: the page is too narrow for the nine columns of the "
                                   "eighths layout; choose a larger Paper, smaller margins, "
                                   "landscape or a smaller Size in [Font]")
                        .arg(m_report.definitionName));
            }
            return;
        }
        const double depthRoom = m_pairWidth * 0.42 - pad;
        const double capacityRoom = m_pairWidth * 0.58 - pad * 3.0;
        if (std::min(depthRoom, capacityRoom) < pad * 4.0) {
            throw ReportError(
                kPageTooSmall,
                QStringLiteral("%1: the page is too narrow for %2 column pairs; choose fewer "
                               "Pairs in [Columns], a larger Paper, smaller margins or a "
                               "smaller Size in [Font]")
                    .arg(m_report.definitionName)
                    .arg(m_def.pairs));
        }
    }

    void paintPage(QPainter& painter, int page) const {
        heading(&painter);
        double top = m_headingHeight;
        int first = 0;
        int rowsPerColumn = m_pagination.rowsPerColumnFirst;
        if (page == 0) {
            if (!m_whyNot.isEmpty()) {
                painter.setPen(Qt::black);
                painter.setFont(m_note);
                painter.drawText(QRectF(0.0, top, m_width, m_noteHeight - m_gap * 0.5),
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_whyNot);
                top += m_noteHeight;
            }
            if (m_def.drawCurve) {
                curve(painter, QRectF(0.0, top, m_width, m_curveHeight - m_gap));
                top += m_curveHeight;
            }
        } else {
            first = m_pagination.rowsOnFirstPage + (page - 1) * m_pagination.rowsPerPage;
            rowsPerColumn = m_pagination.rowsPerColumn;
        }
        if (m_eighths) {
            const int count = std::min(rowsPerColumn, static_cast<int>(m_lines.size()) - first);
            eighthsTable(painter, top, first, std::max(0, count));
        } else {
            const int capacity = rowsPerColumn * m_def.pairs;
            const int count = std::min(capacity, static_cast<int>(m_report.rows.size()) - first);
            rowTable(painter, top, first, std::max(0, count), rowsPerColumn);
        }
        footer(painter, page);
    }

private:
    // The page heading: the office when asked for, title, client name, then the chart heading
    // on the left and the date and units on the right, closed by a rule. Measures it when `painter`
    // is null; returns its height with the space below it.
    double heading(QPainter* painter) const {
        const int wrap = Qt::TextWordWrap;
        double y = 0.0;
        const auto block = [&](const QFont& font, const QString& text, int flags, double maxLines) {
            const QFontMetricsF metrics(font, &m_device);
            const double limit = metrics.lineSpacing() * maxLines;
            const QRectF box(0.0, y, m_width, limit);
            const double height =
                std::min(limit, metrics.boundingRect(box, flags | wrap, text).height());
            if (painter != nullptr) {
                painter->setFont(font);
                painter->drawText(QRectF(0.0, y, m_width, height), flags | wrap, text);
            }
            y += height;
        };
        if (painter != nullptr) {
            painter->setPen(Qt::black);
        }
        if (m_def.company && !m_report.company.isEmpty()) {
            const Company& office = m_report.company;
            if (!office.name.isEmpty()) {
                block(m_bold, office.name, Qt::AlignHCenter | Qt::AlignTop, 2);
            }
            QStringList where;
            for (const QString* part : {&office.address, &office.town, &office.phone}) {
                if (!part->isEmpty()) {
                    where << *part;
                }
            }
            if (!where.isEmpty()) {
                block(m_body, where.join(QStringLiteral("  \u00B7  ")),
                      Qt::AlignHCenter | Qt::AlignTop, 2);
            }
            y += m_gap * 0.5;
        }
        if (!m_def.title.isEmpty()) {
            block(m_title, m_def.title, Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        const QString client = normalisedLines(m_report.job.member);
        if (!client.trimmed().isEmpty()) {
            block(m_client, client, Qt::AlignHCenter | Qt::AlignTop, 2);
        }
        y += m_gap;

        // Each field has a most lines it may take, so that a long description can neither
        // push the serial number off nor leave no room for the chart; lines beyond are cut.
        const double leftWidth = m_width * 0.56;
        const double rightLeft = leftWidth + m_gap * 2.0;
        const std::vector<Field> left = {
            {QStringLiteral("Customer:"), normalisedLines(m_report.job.customer), 4},
            {QStringLiteral("Description:"), normalisedLines(m_report.job.tankDesc), 8},
            {QStringLiteral("Serial number:"), normalisedLines(m_report.job.serialNo), 2},
        };
        std::vector<Field> right = {
            {QStringLiteral("Date:"), m_report.date.toString(m_def.dateFormat), 2},
            {QStringLiteral("Units:"), m_def.unitsText(), 3},
        };
        if (!m_report.heads.isEmpty())
            right.push_back({QStringLiteral("Heads:"), m_report.heads, 2});
        const double leftHeight = fields(painter, left, 0.0, leftWidth, y);
        const double rightHeight = fields(painter, right, rightLeft, m_width - rightLeft, y);
        y += std::max(leftHeight, rightHeight) + m_gap * 0.5;
        // The chart's set-up and the tank's full capacity, where the file keeps them.
        if (const auto& setup = m_report.setup) {
            QString line = QString::fromStdString(setup->text) + QStringLiteral("; full ") +
                           volumeText(static_cast<float>(setup->full), m_def.volumeDecimals);
            if (!m_def.capacityUnit.isEmpty())
                line += QLatin1Char(' ') + m_def.capacityUnit;
            block(m_small, line, Qt::AlignLeft | Qt::AlignTop, 2);
            y += m_gap * 0.5;
        }
        if (painter != nullptr) {
            painter->setPen(QPen(Qt::black, 0.3 * m_mm));
            painter->drawLine(QPointF(0.0, y), QPointF(m_width, y));
        }
        return y + m_gap;
    }

    struct Field {
        QString label;
        QString value;
        int maxLines;
    };

    // Labelled values, one under the other, in a box `width` wide at (x, top); values wrap
    // and keep their line breaks. Returns the height used.
    double fields(QPainter* painter, const std::vector<Field>& items, double x, double width,
                  double top) const {
        const QFontMetricsF bold(m_bold, &m_device);
        const QFontMetricsF body(m_body, &m_device);
        double labelWidth = 0.0;
        for (const Field& item : items) {
            labelWidth = std::max(labelWidth, bold.horizontalAdvance(item.label));
        }
        labelWidth += m_gap;
        const double valueWidth = std::max(width - labelWidth, width * 0.3);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        double y = top;
        for (const Field& item : items) {
            const double limit = body.lineSpacing() * item.maxLines;
            const QRectF measure(x + labelWidth, y, valueWidth, limit);
            const double height =
                std::min(limit, std::max(body.lineSpacing(),
                                         body.boundingRect(measure, flags, item.value).height()));
            if (painter != nullptr) {
                painter->setPen(Qt::black);
                painter->setFont(m_bold);
                painter->drawText(QRectF(x, y, labelWidth, bold.lineSpacing()),
                                  Qt::AlignLeft | Qt::AlignTop, item.label);
                painter->setFont(m_body);
                painter->drawText(QRectF(x + labelWidth, y, valueWidth, height), flags, item.value);
            }
            y += height + body.lineSpacing() * 0.15;
        }
        return y - top;
    }

    // Draws `text` with its right end at `right` on `baseline`, squeezed sideways when it is
    // wider than `room`.
    static void rightAligned(QPainter& painter, const QFontMetricsF& metrics, double right,
                             double baseline, double room, const QString& text) {
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

    // The rows first .. first + count - 1, down each column of `rowsPerColumn` then across.
    void rowTable(QPainter& painter, double top, int first, int count, int rowsPerColumn) const {
        const QFontMetricsF body(m_body, &m_device);
        const double pad = body.averageCharWidth();
        const double depthRight = m_pairWidth * 0.42;
        const double depthRoom = depthRight - pad;
        const double capacityRight = m_pairWidth - pad;
        const double capacityRoom = capacityRight - depthRight - pad * 2.0;

        // Column headings with their units on a line below, bottom-aligned so that a heading
        // without a unit stands on the unit line; squeezed like the cells when too wide.
        const QFontMetricsF bold(m_bold, &m_device);
        const double lastBaseline = top + m_columnsHeight - m_gap * 0.5 - bold.descent();
        const auto columnHeading = [&](double right, double room, const QString& heading,
                                       const QString& unit) {
            if (unit.isEmpty()) {
                rightAligned(painter, bold, right, lastBaseline, room, heading);
                return;
            }
            rightAligned(painter, bold, right, lastBaseline - bold.lineSpacing(), room, heading);
            rightAligned(painter, bold, right, lastBaseline, room,
                         QLatin1Char('(') + unit + QLatin1Char(')'));
        };
        painter.setPen(Qt::black);
        painter.setFont(m_bold);
        for (int pair = 0; pair < m_def.pairs; ++pair) {
            const double x = pair * m_pairWidth;
            columnHeading(x + depthRight, depthRoom, m_def.depthHeading, m_def.depthUnit);
            columnHeading(x + capacityRight, capacityRoom, m_def.capacityHeading,
                          m_def.capacityUnit);
        }
        const double rowsTop = top + m_columnsHeight;
        const int filledRows = std::min(count, rowsPerColumn);
        const double rowsBottom = rowsTop + filledRows * m_rowHeight;

        painter.setPen(QPen(kRule, 0.2 * m_mm));
        painter.drawLine(QPointF(0.0, rowsTop - m_gap * 0.25),
                         QPointF(m_width, rowsTop - m_gap * 0.25));
        painter.setPen(QPen(kLightRule, 0.15 * m_mm));
        for (int pair = 1; pair < m_def.pairs; ++pair) {
            const double x = pair * m_pairWidth;
            painter.drawLine(QPointF(x, top),
                             QPointF(x, std::max(rowsBottom, top + m_columnsHeight)));
        }
        // A faint rule under every fifth row guides the eye across a wide page; it runs
        // through the pairs that have a row below it.
        for (int row = 5; row < filledRows; row += 5) {
            int pairs = 0;
            while (pairs < m_def.pairs && pairs * rowsPerColumn + row < count) {
                ++pairs;
            }
            const double y = rowsTop + row * m_rowHeight;
            painter.drawLine(QPointF(0.0, y), QPointF(pairs * m_pairWidth, y));
        }

        painter.setPen(Qt::black);
        painter.setFont(m_body);
        const double baselineOffset = (m_rowHeight - body.height()) / 2.0 + body.ascent();
        const auto& rows = m_report.rows;
        for (int i = 0; i < count; ++i) {
            const int pair = i / rowsPerColumn;
            const double x = pair * m_pairWidth;
            const double baseline = rowsTop + (i % rowsPerColumn) * m_rowHeight + baselineOffset;
            const chart::CapacityRow& row = rows[static_cast<std::size_t>(first + i)];
            rightAligned(painter, body, x + depthRight, baseline, depthRoom,
                         depthText(row.depth, m_def.depthFormat));
            rightAligned(painter, body, x + capacityRight, baseline, capacityRoom,
                         volumeText(row.volume, m_def.volumeDecimals));
        }
    }

    // Lines first .. first + count - 1 of the eighths table: the whole inch, then the volume
    // at each eighth above it; an eighth the chart has no row for stays blank.
    void eighthsTable(QPainter& painter, double top, int first, int count) const {
        static const char* const kEighths[] = {"0",   "1/8", "1/4", "3/8",
                                               "1/2", "5/8", "3/4", "7/8"};
        const QFontMetricsF body(m_body, &m_device);
        const QFontMetricsF bold(m_bold, &m_device);
        const double pad = body.averageCharWidth();
        const double room = m_columnWidth - pad * 2.0;
        const auto right = [&](int column) { return (column + 1) * m_columnWidth - pad; };

        // The depth heading over its unit; the capacity heading with its unit over the eight
        // volume columns, whose labels stand on the line below.
        const double lastBaseline = top + m_columnsHeight - m_gap * 0.5 - bold.descent();
        const double firstBaseline = lastBaseline - bold.lineSpacing();
        painter.setPen(Qt::black);
        painter.setFont(m_bold);
        if (m_def.depthUnit.isEmpty()) {
            rightAligned(painter, bold, right(0), lastBaseline, room, m_def.depthHeading);
        } else {
            rightAligned(painter, bold, right(0), firstBaseline, room, m_def.depthHeading);
            rightAligned(painter, bold, right(0), lastBaseline, room,
                         QLatin1Char('(') + m_def.depthUnit + QLatin1Char(')'));
        }
        const QString capacity = m_def.capacityUnit.isEmpty()
                                     ? m_def.capacityHeading
                                     : m_def.capacityHeading + QStringLiteral(" (") +
                                           m_def.capacityUnit + QLatin1Char(')');
        const double span = m_columnWidth * 8.0 - pad * 2.0;
        const double centred = std::min(span, bold.horizontalAdvance(capacity));
        rightAligned(painter, bold, m_columnWidth + pad + (span + centred) / 2.0, firstBaseline,
                     span, capacity);
        for (int eighth = 0; eighth < 8; ++eighth) {
            rightAligned(painter, bold, right(eighth + 1), lastBaseline, room,
                         QString::fromLatin1(kEighths[eighth]));
        }

        const double rowsTop = top + m_columnsHeight;
        const double rowsBottom = rowsTop + count * m_rowHeight;
        painter.setPen(QPen(kRule, 0.2 * m_mm));
        painter.drawLine(QPointF(0.0, rowsTop - m_gap * 0.25),
                         QPointF(m_width, rowsTop - m_gap * 0.25));
        painter.setPen(QPen(kLightRule, 0.15 * m_mm));
        painter.drawLine(QPointF(m_columnWidth, rowsTop - m_gap * 0.25),
                         QPointF(m_columnWidth, rowsBottom));
        for (int line = 5; line < count; line += 5) {
            const double y = rowsTop + line * m_rowHeight;
            painter.drawLine(QPointF(0.0, y), QPointF(m_width, y));
        }

        painter.setPen(Qt::black);
        painter.setFont(m_body);
        const double baselineOffset = (m_rowHeight - body.height()) / 2.0 + body.ascent();
        for (int i = 0; i < count; ++i) {
            const InchLine& line = m_lines[static_cast<std::size_t>(first + i)];
            const double baseline = rowsTop + i * m_rowHeight + baselineOffset;
            rightAligned(painter, body, right(0), baseline, room, QString::number(line.inch));
            for (std::size_t eighth = 0; eighth < line.row.size(); ++eighth) {
                if (line.row[eighth] >= 0) {
                    const float volume =
                        m_report.rows[static_cast<std::size_t>(line.row[eighth])].volume;
                    rightAligned(painter, body, right(static_cast<int>(eighth) + 1), baseline, room,
                                 volumeText(volume, m_def.volumeDecimals));
                }
            }
        }
    }

    void footer(QPainter& painter, int page) const {
        const QFontMetricsF small(m_small, &m_device);
        painter.setPen(Qt::black);
        painter.setFont(m_small);
        const QString text = QStringLiteral("Page %1 of %2").arg(page + 1).arg(m_pagination.pages);
        painter.drawText(QRectF(0.0, m_height - small.lineSpacing(), m_width, small.lineSpacing()),
                         Qt::AlignHCenter | Qt::AlignBottom, text);
    }

    // Axis divisions: a step of 1, 2 or 5 times a power of ten giving about `divisions` steps,
    // and the axis from the multiple of it at or below `low` to the one at or above `high`.
    struct Axis {
        double low;
        double high;
        double step;
        int decimals;
    };
    static Axis axis(double low, double high, int divisions) {
        if (!(high > low)) {
            high = low + 1.0;
        }
        const double raw = (high - low) / divisions;
        const double power = std::pow(10.0, std::floor(std::log10(raw)));
        const double f = raw / power;
        const double step = (f < 1.5 ? 1.0 : f < 3.0 ? 2.0 : f < 7.0 ? 5.0 : 10.0) * power;
        const int decimals =
            std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
        return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step,
                decimals};
    }

    // Volume against depth, points in order of depth, framed with divisions and axis titles.
    void curve(QPainter& painter, const QRectF& box) const {
        std::vector<QPointF> points;
        points.reserve(m_report.rows.size());
        for (const chart::CapacityRow& row : m_report.rows) {
            if (std::isfinite(row.depth) && std::isfinite(row.volume)) {
                points.emplace_back(row.depth, row.volume);
            }
        }
        std::stable_sort(points.begin(), points.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
        for (const QPointF& p : points) {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
        const Axis xAxis = axis(minX, maxX, 8);
        const Axis yAxis = axis(minY, maxY, 5);

        const QFontMetricsF small(m_small, &m_device);
        const QFontMetricsF bold(m_bold, &m_device);
        double tickWidth = 0.0;
        for (double v = yAxis.low; v <= yAxis.high + yAxis.step * 0.5; v += yAxis.step) {
            tickWidth = std::max(tickWidth, small.horizontalAdvance(tickText(v, yAxis.decimals)));
        }
        const double tick = 1.2 * m_mm;
        const QRectF plot(box.left() + bold.lineSpacing() + tickWidth + tick + m_gap * 0.5,
                          box.top() + small.lineSpacing() * 0.5, 0.0, 0.0);
        QRectF area = plot;
        area.setRight(box.right() - small.horizontalAdvance(QStringLiteral("0000")) * 0.5);
        area.setBottom(box.bottom() - small.lineSpacing() - bold.lineSpacing() - tick);
        if (area.width() <= 0.0 || area.height() <= 0.0) {
            return;
        }
        const auto mapX = [&](double x) {
            return area.left() + (x - xAxis.low) / (xAxis.high - xAxis.low) * area.width();
        };
        const auto mapY = [&](double y) {
            return area.bottom() - (y - yAxis.low) / (yAxis.high - yAxis.low) * area.height();
        };

        painter.setFont(m_small);
        for (double v = xAxis.low; v <= xAxis.high + xAxis.step * 0.5; v += xAxis.step) {
            const double x = mapX(v);
            painter.setPen(QPen(kLightRule, 0.15 * m_mm));
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
            painter.setPen(QPen(Qt::black, 0.2 * m_mm));
            painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + tick));
            const QString label = tickText(v, xAxis.decimals);
            const double w = small.horizontalAdvance(label);
            painter.drawText(QPointF(x - w / 2.0, area.bottom() + tick + small.ascent()), label);
        }
        for (double v = yAxis.low; v <= yAxis.high + yAxis.step * 0.5; v += yAxis.step) {
            const double y = mapY(v);
            painter.setPen(QPen(kLightRule, 0.15 * m_mm));
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            painter.setPen(QPen(Qt::black, 0.2 * m_mm));
            painter.drawLine(QPointF(area.left() - tick, y), QPointF(area.left(), y));
            const QString label = tickText(v, yAxis.decimals);
            const double w = small.horizontalAdvance(label);
            painter.drawText(QPointF(area.left() - tick - w - m_gap * 0.25,
                                     y - small.height() / 2.0 + small.ascent()),
                             label);
        }
        painter.setPen(QPen(Qt::black, 0.25 * m_mm));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area);

        QPolygonF line;
        line.reserve(static_cast<qsizetype>(points.size()));
        for (const QPointF& p : points) {
            line << QPointF(mapX(p.x()), mapY(p.y()));
        }
        painter.save();
        painter.setClipRect(area.adjusted(-m_mm, -m_mm, m_mm, m_mm));
        painter.setPen(QPen(kCurve, 0.45 * m_mm, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(line);
        painter.restore();

        // Axis titles: depth under the divisions, volume upright along the left side.
        painter.setPen(Qt::black);
        painter.setFont(m_bold);
        const QString xTitle =
            m_def.depthUnit.isEmpty()
                ? m_def.depthHeading
                : m_def.depthHeading + QStringLiteral(" (") + m_def.depthUnit + QLatin1Char(')');
        const QString yTitle = m_def.capacityUnit.isEmpty()
                                   ? m_def.capacityHeading
                                   : m_def.capacityHeading + QStringLiteral(" (") +
                                         m_def.capacityUnit + QLatin1Char(')');
        painter.drawText(QRectF(area.left(), box.bottom() - bold.lineSpacing(), area.width(),
                                bold.lineSpacing()),
                         Qt::AlignHCenter | Qt::AlignBottom, xTitle);
        painter.save();
        painter.translate(box.left(), area.center().y());
        painter.rotate(-90.0);
        painter.drawText(QRectF(-area.height() / 2.0, 0.0, area.height(), bold.lineSpacing()),
                         Qt::AlignHCenter | Qt::AlignTop, yTitle);
        painter.restore();
    }

    const Report& m_report;
    const Definition& m_def;
    QPagedPaintDevice& m_device;
    double m_width = 0.0;
    double m_height = 0.0;
    double m_mm = 1.0;  // device pixels per millimetre
    QFont m_body, m_bold, m_small, m_title, m_client, m_note;
    bool m_eighths = false;         // the rows print as the eighths table
    std::vector<InchLine> m_lines;  // its lines, when they do
    QString m_whyNot;               // why eighths were asked for and a list prints instead
    double m_columnWidth = 0.0;     // a column of the eighths table
    double m_noteHeight = 0.0;      // that line on the first page, with the gap under it
    double m_rowHeight = 1.0;
    double m_gap = 0.0;
    double m_pairWidth = 0.0;
    double m_headingHeight = 0.0;
    double m_columnsHeight = 0.0;
    double m_footerHeight = 0.0;
    double m_curveHeight = 0.0;  // with the gap under it; 0 when no curve is drawn
    Pagination m_pagination;
};

}  // namespace

Pagination paginate(const Report& report, QPagedPaintDevice& device) {
    const Layout layout(report, device);
    layout.requireRoom();
    return layout.pagination();
}

void render(const Report& report, QPagedPaintDevice& device) {
    const Layout layout(report, device);
    layout.requireRoom();
    QPainter painter;
    if (!painter.begin(&device)) {
        throw ReportError(kOutputUnwritable,
                          QStringLiteral("%1: the output device cannot be painted on")
                              .arg(report.definitionName));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const int pages = layout.pagination().pages;
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device.newPage()) {
            throw ReportError(kOutputUnwritable,
                              QStringLiteral("%1: the output device refused page %2")
                                  .arg(report.definitionName)
                                  .arg(page + 1));
        }
        layout.paintPage(painter, page);
    }
    if (!painter.end()) {
        throw ReportError(
            kOutputUnwritable,
            QStringLiteral("%1: the output could not be finished").arg(report.definitionName));
    }
}

void writePdf(const Report& report, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(kOutputUnwritable,
                          QStringLiteral("%1: cannot write the PDF file %2: %3")
                              .arg(report.definitionName, path, file.errorString()));
    }
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Dipsheet"));
        writer.setTitle(report.definition.title);
        applyPageLayout(report.definition, writer);
        render(report, writer);
    }
    if (!file.commit()) {
        throw ReportError(kOutputUnwritable,
                          QStringLiteral("%1: cannot write the PDF file %2: %3")
                              .arg(report.definitionName, path, file.errorString()));
    }
}

}  // namespace dipsheet::report
