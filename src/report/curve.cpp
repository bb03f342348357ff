#include "report/painters.h"
#include "report/render.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

namespace dipsheet::report {

std::vector<MarkLine> markLines(const Report& report) {
    std::vector<MarkLine> lines;
    for (std::size_t i = 0; i < report.markDepths.size(); ++i) {
        if (!std::isfinite(report.markDepths[i]))
            continue;
        const QString percent = i < report.markPercents.size()
                                    ? QString::number(report.markPercents[i]) + QStringLiteral(" %")
                                    : QString();
        lines.push_back({report.markDepths[i], percent});
    }
    return lines;
}

namespace {

// Axis divisions: a step of 1, 2 or 5 times a power of ten giving about `divisions` steps,
// and the axis from the multiple of it at or below `low` to the one at or above `high`.
struct Axis {
    double low;
    double high;
    double step;
    int decimals;
};

Axis axis(double low, double high, int divisions) {
    if (!(high > low)) {
        high = low + 1.0;
    }
    const double raw = (high - low) / divisions;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / power;
    const double step = (f < 1.5 ? 1.0 : f < 3.0 ? 2.0 : f < 7.0 ? 5.0 : 10.0) * power;
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
    return {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step,
            decimals};
}

// The rows that have a finite depth and volume as (depth, volume), in order of depth.
std::vector<QPointF> pointsOf(const std::vector<chart::CapacityRow>& rows) {
    std::vector<QPointF> points;
    points.reserve(rows.size());
    for (const chart::CapacityRow& row : rows) {
        if (std::isfinite(row.depth) && std::isfinite(row.volume)) {
            points.emplace_back(row.depth, row.volume);
        }
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    return points;
}

// The curve in its box: the plot area framed by divisions and their labels, the axis titles
// below it and to its left.
class Curve {
public:
    Curve(const PageContext& page, QPainter& painter, const QRectF& box,
          std::optional<chart::CapacityRow> shown)
        : m_page(page),
          m_painter(painter),
          m_box(box),
          m_points(pointsOf(page.report.rows)),
          m_small(page.metrics(page.fonts.small)),
          m_bold(page.metrics(page.fonts.bold)),
          m_tick(1.2 * page.mm),
          m_shown(shown) {
        double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
        for (const QPointF& p : m_points) {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
        m_x = axis(minX, maxX, 8);
        m_y = axis(minY, maxY, 5);

        double tickWidth = 0.0;
        for (double v = m_y.low; v <= m_y.high + m_y.step * 0.5; v += m_y.step) {
            tickWidth = std::max(tickWidth, m_small.horizontalAdvance(tickText(v, m_y.decimals)));
        }
        m_area = QRectF(box.left() + m_bold.lineSpacing() + tickWidth + m_tick + page.gap * 0.5,
                        box.top() + m_small.lineSpacing() * 0.5, 0.0, 0.0);
        m_area.setRight(box.right() - m_small.horizontalAdvance(QStringLiteral("0000")) * 0.5);
        m_area.setBottom(box.bottom() - m_small.lineSpacing() - m_bold.lineSpacing() - m_tick);
    }

    void paint() const {
        if (m_area.width() <= 0.0 || m_area.height() <= 0.0) {
            return;
        }
        divisions();
        marks();
        line();
        shown();
        titles();
    }

private:
    double mapX(double x) const {
        return m_area.left() + (x - m_x.low) / (m_x.high - m_x.low) * m_area.width();
    }
    double mapY(double y) const {
        return m_area.bottom() - (y - m_y.low) / (m_y.high - m_y.low) * m_area.height();
    }

    // Faint rules across the plot at each division, ticks and labels outside it, and a frame.
    void divisions() const {
        const double mm = m_page.mm;
        m_painter.setFont(m_page.fonts.small);
        for (double v = m_x.low; v <= m_x.high + m_x.step * 0.5; v += m_x.step) {
            const double x = mapX(v);
            m_painter.setPen(QPen(kLightRule, 0.15 * mm));
            m_painter.drawLine(QPointF(x, m_area.top()), QPointF(x, m_area.bottom()));
            m_painter.setPen(QPen(Qt::black, 0.2 * mm));
            m_painter.drawLine(QPointF(x, m_area.bottom()), QPointF(x, m_area.bottom() + m_tick));
            const QString label = tickText(v, m_x.decimals);
            const double w = m_small.horizontalAdvance(label);
            m_painter.drawText(QPointF(x - w / 2.0, m_area.bottom() + m_tick + m_small.ascent()),
                               label);
        }
        for (double v = m_y.low; v <= m_y.high + m_y.step * 0.5; v += m_y.step) {
            const double y = mapY(v);
            m_painter.setPen(QPen(kLightRule, 0.15 * mm));
            m_painter.drawLine(QPointF(m_area.left(), y), QPointF(m_area.right(), y));
            m_painter.setPen(QPen(Qt::black, 0.2 * mm));
            m_painter.drawLine(QPointF(m_area.left() - m_tick, y), QPointF(m_area.left(), y));
            const QString label = tickText(v, m_y.decimals);
            const double w = m_small.horizontalAdvance(label);
            m_painter.drawText(QPointF(m_area.left() - m_tick - w - m_page.gap * 0.25,
                                       y - m_small.height() / 2.0 + m_small.ascent()),
                               label);
        }
        m_painter.setPen(QPen(Qt::black, 0.25 * mm));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(m_area);
    }

    // The volume at `depth` along the curve, between the points either side of it.
    double volumeAt(double depth) const {
        const auto after = std::lower_bound(m_points.begin(), m_points.end(), depth,
                                            [](const QPointF& p, double d) { return p.x() < d; });
        if (after == m_points.begin() || after == m_points.end()) {
            return after == m_points.end() ? m_points.back().y() : after->y();
        }
        const QPointF& before = *(after - 1);
        const double share = (depth - before.x()) / (after->x() - before.x());
        return before.y() + (after->y() - before.y()) * (std::isfinite(share) ? share : 1.0);
    }

    // At each fill mark a thin dashed line from the depth axis up to the curve, and its percent
    // near the axis beside the line, where it meets no other mark's line or label (left out
    // where there is no such room).
    void marks() const {
        const std::vector<MarkLine> lines = markLines(m_page.report);
        if (lines.empty() || m_points.empty()) {
            return;
        }
        const double mm = m_page.mm;
        const double pad = 0.8 * mm;
        std::vector<QRectF> taken;  // the marks' lines with a gap either side, then the labels
        for (const MarkLine& mark : lines) {
            const double x = mapX(mark.depth);
            if (!(x >= m_area.left() && x <= m_area.right())) {
                continue;
            }
            taken.emplace_back(x - pad * 0.5, m_area.top(), pad, m_area.height());
            m_painter.setPen(QPen(kRule, 0.2 * mm, Qt::DashLine));
            m_painter.drawLine(QPointF(x, m_area.bottom()),
                               QPointF(x, std::max(m_area.top(), mapY(volumeAt(mark.depth)))));
        }
        const std::size_t lineCount = taken.size();
        m_painter.setFont(m_page.fonts.small);
        for (const MarkLine& mark : lines) {
            const double x = mapX(mark.depth);
            if (!(x >= m_area.left() && x <= m_area.right()) || mark.label.isEmpty()) {
                continue;
            }
            const double w = m_small.horizontalAdvance(mark.label);
            const double h = m_small.height();
            // Beside its own line, near the axis: first where it crosses no other mark's line,
            // else over one (on white, which breaks the line), never over another label.
            const auto fits = [&](const QRectF& r, bool overLines) {
                const auto from =
                    taken.begin() + static_cast<std::ptrdiff_t>(overLines ? lineCount : 0);
                return m_area.contains(r) && std::none_of(from, taken.end(), [&](const QRectF& t) {
                           return t.intersects(r);
                       });
            };
            std::optional<QRectF> place;
            for (const bool overLines : {false, true}) {
                for (int level = 0; level < 3 && !place; ++level) {
                    const double top = m_area.bottom() - pad - h - level * m_small.lineSpacing();
                    for (const QRectF r :
                         {QRectF(x - pad - w, top, w, h), QRectF(x + pad, top, w, h)}) {
                        if (!place && fits(r, overLines)) {
                            place = r;
                        }
                    }
                }
            }
            if (place) {
                m_painter.fillRect(place->adjusted(-pad * 0.25, 0.0, pad * 0.25, 0.0), Qt::white);
                m_painter.setPen(kMarkText);
                m_painter.drawText(QPointF(place->left(), place->top() + m_small.ascent()),
                                   mark.label);
                taken.push_back(*place);
            }
        }
    }

    // The row picked on screen: a dot on the curve at its depth and volume.
    void shown() const {
        if (!m_shown || !std::isfinite(m_shown->depth) || !std::isfinite(m_shown->volume)) {
            return;
        }
        const QPointF at(mapX(m_shown->depth), mapY(m_shown->volume));
        if (!m_area.contains(at)) {
            return;
        }
        const double mm = m_page.mm;
        m_painter.setPen(QPen(Qt::white, 0.3 * mm));
        m_painter.setBrush(kShown);
        m_painter.drawEllipse(at, 1.4 * mm, 1.4 * mm);
        m_painter.setBrush(Qt::NoBrush);
    }

    // The curve itself, clipped a little outside the frame.
    void line() const {
        const double mm = m_page.mm;
        QPolygonF polyline;
        polyline.reserve(static_cast<qsizetype>(m_points.size()));
        for (const QPointF& p : m_points) {
            polyline << QPointF(mapX(p.x()), mapY(p.y()));
        }
        m_painter.save();
        m_painter.setClipRect(m_area.adjusted(-mm, -mm, mm, mm));
        m_painter.setPen(QPen(kCurve, 0.45 * mm, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        m_painter.drawPolyline(polyline);
        m_painter.restore();
    }

    // Axis titles: depth under the divisions, volume upright along the left side.
    void titles() const {
        const Definition& def = m_page.def;
        m_painter.setPen(Qt::black);
        m_painter.setFont(m_page.fonts.bold);
        const QString xTitle = def.depthUnit.isEmpty() ? def.depthHeading
                                                       : def.depthHeading + QStringLiteral(" (") +
                                                             def.depthUnit + QLatin1Char(')');
        const QString yTitle =
            def.capacityUnit.isEmpty()
                ? def.capacityHeading
                : def.capacityHeading + QStringLiteral(" (") + def.capacityUnit + QLatin1Char(')');
        m_painter.drawText(QRectF(m_area.left(), m_box.bottom() - m_bold.lineSpacing(),
                                  m_area.width(), m_bold.lineSpacing()),
                           Qt::AlignHCenter | Qt::AlignBottom, xTitle);
        m_painter.save();
        m_painter.translate(m_box.left(), m_area.center().y());
        m_painter.rotate(-90.0);
        m_painter.drawText(
            QRectF(-m_area.height() / 2.0, 0.0, m_area.height(), m_bold.lineSpacing()),
            Qt::AlignHCenter | Qt::AlignTop, yTitle);
        m_painter.restore();
    }

    const PageContext& m_page;
    QPainter& m_painter;
    QRectF m_box;
    std::vector<QPointF> m_points;
    QFontMetricsF m_small;
    QFontMetricsF m_bold;
    double m_tick;
    std::optional<chart::CapacityRow> m_shown;
    Axis m_x{};
    Axis m_y{};
    QRectF m_area;
};

}  // namespace

void paintCurve(const PageContext& page, QPainter& painter, const QRectF& box,
                std::optional<chart::CapacityRow> shown) {
    Curve(page, painter, box, shown).paint();
}

}  // namespace dipsheet::report
