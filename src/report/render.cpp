#include "render.h"
#include "wholefile.h"

#include "chart/numbers.h"
#include "chart/tank.h"
#include "report/eighths.h"
#include "report/painters.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace dipsheet::report {

QString depthText(float depth, DepthFormat format) {
    if (format == DepthFormat::Fraction) {
        const double sixtyFourths = static_cast<double>(depth) * 64.0;
        if (sixtyFourths == std::floor(sixtyFourths)) {
            if (const auto text = chart::sixtyFourthsText(depth))
                return QString::fromStdString(*text);
        }
    }
    return QString::fromStdString(chart::singleDefaultText(depth));
}

QString rowDepthText(const Report& report, float depth) {
    return report.depths.known() ? QString::fromStdString(report.depths.text(depth))
                                 : depthText(depth, report.definition.depthFormat);
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

Fonts::Fonts(const Definition& definition) {
    body = QFont(definition.fontFamily);
    body.setStyleHint(QFont::SansSerif);
    body.setPointSizeF(definition.fontSize);
    bold = body;
    bold.setBold(true);
    small = body;
    small.setPointSizeF(definition.fontSize * 0.85);
    title = bold;
    title.setPointSizeF(definition.titleSize);
    client = body;
    client.setPointSizeF(definition.fontSize * 1.2);
    note = small;
    note.setItalic(true);
}

PageContext::PageContext(const Report& report, QPagedPaintDevice& device, bool eighths)
    : report(report), def(report.definition), device(device), fonts(report.definition) {
    const int dpi = device.logicalDpiY();
    const QRect paint = device.pageLayout().paintRectPixels(dpi);
    measure(paint.width(), paint.height(), dpi, eighths);
    if (eighths)
        return;
    // With the site's columns, as many groups across as hold every text at the font's size
    // (at least one; no more than Pairs): a figure is never squeezed to fit.
    widest = widestListTexts(*this);
    if (widest.empty())
        return;
    groups = std::clamp(static_cast<int>(width / siteGroupWidth()), 1, def.pairs);
    pairWidth = width / groups;
}

double PageContext::siteGroupWidth() const {
    const double pad = metrics(fonts.body).averageCharWidth();
    double needed = 0.0;
    for (const double text : widest)
        needed += text + pad * 2.0;
    return needed;
}

PageContext::PageContext(const Report& report, QPaintDevice& device, QSizeF area)
    : report(report), def(report.definition), device(device), fonts(report.definition) {
    measure(area.width(), area.height(), device.logicalDpiY(), false);
}

void PageContext::measure(double areaWidth, double areaHeight, int dpi, bool eighths) {
    width = areaWidth;
    height = areaHeight;
    mm = dpi / 25.4;

    const QFontMetricsF body = metrics(fonts.body);
    rowHeight = body.lineSpacing() * 1.08;
    gap = body.height() * 0.6;
    groups = def.pairs;
    pairWidth = width / groups;
    columnWidth = width / 9.0;
    // The eighths table has its column labels on a line of their own.
    const bool units = !def.depthUnit.isEmpty() || !def.capacityUnit.isEmpty();
    columnsHeight = metrics(fonts.bold).lineSpacing() * (units || eighths ? 2 : 1) + gap * 0.5;
}

QFontMetricsF PageContext::metrics(const QFont& font) const {
    return QFontMetricsF(font, &device);
}

namespace {

// The eighths table a report asks for; none for the list.
EighthsTable eighthsAskedFor(const Report& report) {
    return report.definition.layout == TableLayout::Eighths ? eighthsOf(report) : EighthsTable{};
}

// The parts of each page measured on one device for one report, and where the rows go.
class Layout {
public:
    Layout(const Report& report, QPagedPaintDevice& device)
        : m_table(eighthsAskedFor(report)),
          m_eighths(report.definition.layout == TableLayout::Eighths && m_table.whyNot.isEmpty()),
          m_page(report, device, m_eighths),
          m_space(measureSpace()),
          m_pagination(paginate(m_space, itemCount())) {}

    const Pagination& pagination() const { return m_pagination; }

    // Throws ReportError kPageTooSmall when the page holds no row, or columns too narrow for
    // their texts.
    void requireRoom() const {
        const Definition& def = m_page.def;
        const QString& name = m_page.report.definitionName;
        if (!holdsARow(m_pagination)) {
            throw ReportError(
                kPageTooSmall,
                QStringLiteral("%1: the page holds no chart row: the heading%2 fill it; choose a "
                               "larger Paper, smaller margins or a smaller Size in [Font]%3")
                    .arg(name, def.drawCurve ? QStringLiteral(" and the curve") : QString(),
                         def.drawCurve ? QStringLiteral(", or a lower Height in [Curve]")
                                       : QString()));
        }
        // Each column must hold a few characters; narrower ones would print their texts
        // squeezed to nothing or mirrored.
        const double pad = m_page.metrics(m_page.fonts.body).averageCharWidth();
        if (m_eighths) {
            if (m_page.columnWidth - pad * 2.0 < pad * 4.0) {
                throw ReportError(
                    kPageTooSmall,
                    QStringLiteral("%1: the page is too narrow for the nine columns of the "
                                   "eighths layout; choose a larger Paper, smaller margins, "
                                   "landscape or a smaller Size in [Font]")
                        .arg(name));
            }
            return;
        }
        if (!m_page.widest.empty()) {
            // The site's columns: a single group must hold every text unsqueezed.
            if (m_page.siteGroupWidth() > m_page.pairWidth) {
                throw ReportError(
                    kPageTooSmall,
                    QStringLiteral("%1: the page is too narrow for the ullage and percent "
                                   "columns beside the depth and the capacity; choose a "
                                   "larger Paper, smaller margins, landscape or a smaller "
                                   "Size in [Font]")
                        .arg(name));
            }
            return;
        }
        const std::vector<GroupColumn> pair = groupColumns(m_page);
        if (std::min(pair[0].room, pair[1].room) < pad * 4.0) {
            throw ReportError(
                kPageTooSmall,
                QStringLiteral("%1: the page is too narrow for %2 column pairs; choose fewer "
                               "Pairs in [Columns], a larger Paper, smaller margins or a "
                               "smaller Size in [Font]")
                    .arg(name)
                    .arg(def.pairs));
        }
    }

    // The heading; on the first page the note and the curve under it; the rows; the page number.
    void paintPage(QPainter& painter, int page) const {
        paintHeading(m_page, &painter);
        double top = m_space.headingHeight;
        if (page == 0) {
            if (!m_table.whyNot.isEmpty()) {
                painter.setPen(Qt::black);
                painter.setFont(m_page.fonts.note);
                painter.drawText(
                    QRectF(0.0, top, m_page.width, m_space.noteHeight - m_page.gap * 0.5),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_table.whyNot);
                top += m_space.noteHeight;
            }
            if (m_page.def.drawCurve) {
                paintCurveAndTank(painter,
                                  QRectF(0.0, top, m_page.width, m_space.curveHeight - m_page.gap));
                top += m_space.curveHeight;
            }
        }
        const PageRows rows = rowsOnPage(m_pagination, page, itemCount());
        if (m_eighths) {
            paintEighths(m_page, painter, top, m_table.lines, rows);
        } else {
            paintList(m_page, painter, top, rows);
        }
        footer(painter, page);
    }

private:
    // The curve in `box`; when the definition asks for the tank and it can be drawn, the tank
    // takes the right part of the box and the curve keeps the rest.
    void paintCurveAndTank(QPainter& painter, QRectF box) const {
        if (m_page.def.drawSketch) {
            const double share = box.width() * kTankShare;
            if (paintSketch(m_page, painter, box.adjusted(box.width() - share, 0.0, 0.0, 0.0))) {
                box.setWidth(box.width() - share - m_page.gap);
            }
        }
        paintCurve(m_page, painter, box);
    }

    static constexpr double kTankShare = 0.4;  // of the curve's box, for the drawing of the tank

    // The heights the page is shared out by, as they print on the device.
    PageSpace measureSpace() const {
        const Definition& def = m_page.def;
        PageSpace space;
        space.pageHeight = m_page.height;
        space.headingHeight = paintHeading(m_page, nullptr);
        space.columnsHeight = m_page.columnsHeight;
        space.footerHeight = m_page.metrics(m_page.fonts.small).lineSpacing() + m_page.gap;
        space.curveHeight = def.drawCurve ? def.curveHeightMm * m_page.mm + m_page.gap : 0.0;
        if (!m_table.whyNot.isEmpty()) {
            const QFontMetricsF note = m_page.metrics(m_page.fonts.note);
            const double limit = note.lineSpacing() * 2;
            space.noteHeight =
                std::min(limit, note.boundingRect(QRectF(0.0, 0.0, m_page.width, limit),
                                                  Qt::AlignLeft | Qt::TextWordWrap, m_table.whyNot)
                                    .height()) +
                m_page.gap * 0.5;
        }
        space.rowHeight = m_page.rowHeight;
        // A line of the eighths table holds one whole inch; a line of the list, a row per pair.
        space.perLine = m_eighths ? 1 : m_page.groups;
        return space;
    }

    // What the pages share out: inch lines of the eighths table, or rows of the list.
    std::size_t itemCount() const {
        return m_eighths ? m_table.lines.size() : m_page.report.rows.size();
    }

    void footer(QPainter& painter, int page) const {
        const QFontMetricsF small = m_page.metrics(m_page.fonts.small);
        painter.setPen(Qt::black);
        painter.setFont(m_page.fonts.small);
        const QString text = QStringLiteral("Page %1 of %2").arg(page + 1).arg(m_pagination.pages);
        painter.drawText(
            QRectF(0.0, m_page.height - small.lineSpacing(), m_page.width, small.lineSpacing()),
            Qt::AlignHCenter | Qt::AlignBottom, text);
    }

    EighthsTable m_table;  // the eighths table asked for, or why it prints as a list
    bool m_eighths;        // the rows print as the eighths table
    PageContext m_page;
    PageSpace m_space;
    Pagination m_pagination;
};

}  // namespace

Pagination paginate(const Report& report, QPagedPaintDevice& device) {
    const Layout layout(report, device);
    layout.requireRoom();
    return layout.pagination();
}

ListLayout listLayout(const Report& report, QPagedPaintDevice& device) {
    const PageContext page(report, device, false);
    ListLayout layout;
    layout.groups = page.groups;
    layout.widest = page.widest;
    for (const GroupColumn& column : groupColumns(page))
        layout.room.push_back(column.room);
    return layout;
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
    // Made whole in memory, then written as every file is (writeWholeFile).
    QBuffer made;
    made.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&made);
        writer.setCreator(QStringLiteral("Dipsheet"));
        writer.setTitle(report.definition.title);
        applyPageLayout(report.definition, writer);
        render(report, writer);
    }
    const QString failure = writeWholeFile(path, made.data());
    if (!failure.isEmpty()) {
        throw ReportError(
            kOutputUnwritable,
            QStringLiteral("%1: the PDF file %2").arg(report.definitionName, failure));
    }
}

}  // namespace dipsheet::report
