#include "report/painters.h"
#include "report/render.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace dipsheet::report {

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
    Curve(const PageContext& page, QPainter& painter, const QRectF& box)
        : m_page(page),
          m_painter(painter),
          m_box(box),
          m_points(pointsOf(page.report.rows)),
          m_small(page.metrics(page.fonts.small)),
          m_bold(page.metrics(page.fonts.bold)),
          m_tick(1.2 * page.mm) {
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
        line();
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
    Axis m_x{};
    Axis m_y{};
    QRectF m_area;
};

}  // namespace

void paintCurve(const PageContext& page, QPainter& painter, const QRectF& box) {
    Curve(page, painter, box).paint();
}

}  // namespace dipsheet::report
