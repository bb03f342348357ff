#include "chart/heads.h"
#include "chart/numbers.h"
#include "chart/tank.h"
#include "report/painters.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace dipsheet::report {

namespace {

using chart::HeadKind;

// How far the dipstick stands out above the tank, as a share of the tank's height.
constexpr double kStickAbove = 0.12;
// How full the drawn tank is.
constexpr double kShownFull = 0.9;

// A text written on the drawing and the point of the tank it tells of: a label on the left
// stands at the height of its point, one above or below the tank at its point's x.
struct Label {
    QString text;
    QPointF at;
};

// The tank as it is drawn, in its own units with y upwards: its outline as it lies, the seams
// between the shell and its heads, the dipstick from the point it stands on to its top, the
// height of the liquid surface, and its measures written left of, above and below it.
struct Drawing {
    QPolygonF outline;
    std::vector<QLineF> seams;
    QLineF stick;
    double surface = 0.0;
    Label left, above, below;

    // The outline with the dipstick, which stands out above it.
    QPolygonF whole() const { return QPolygonF(outline) << stick.p1() << stick.p2(); }
};

// A measure as it is written on the drawing: "D 48 in".
QString measure(const char* name, double value, bool inches) {
    return QStringLiteral("%1 %2 %3")
        .arg(QLatin1String(name),
             QString::fromStdString(chart::singleDefaultText(static_cast<float>(value))),
             inches ? QStringLiteral("in") : QStringLiteral("mm"));
}

// A head's outline from its seam (z = 0) to its apex, as (z, radius); none for a flat head.
std::vector<QPointF> headOutline(HeadKind kind, double diameter, double depth) {
    std::vector<QPointF> points;
    if (kind == HeadKind::Flat || !(depth > 0.0)) {
        return points;
    }
    constexpr int kSteps = 24;
    for (const chart::ProfilePiece& piece : chart::Head(kind, diameter, depth).profile()) {
        // Closer together towards the end of a piece, where a crown turns to meet the axis.
        for (int i = points.empty() ? 0 : 1; i <= kSteps; ++i) {
            const double z = piece.from + (piece.to - piece.from) *
                                              std::sin(std::numbers::pi / 2.0 * i / kSteps);
            points.emplace_back(z, std::max(0.0, piece.radius(z)));
        }
    }
    return points;
}

// A horizontal tank, x along the shell from seam A and y up from the shell's bottom, then
// turned by its fall. `level`: the liquid's height above the dip point.
Drawing lying(const chart::Tank& tank, const chart::Tank::Measures& m, double level) {
    const bool cylinder = tank.shape == chart::Shape::HorizontalCylinder;
    const double high = cylinder ? m.diameter : m.height;
    const double radius = high / 2.0;
    const std::vector<QPointF> head =
        cylinder ? headOutline(tank.heads.kind, m.diameter, m.headDepth) : std::vector<QPointF>{};
    // Along the bottom from seam A, round head B, back along the top and round head A.
    QPolygonF outline;
    outline << QPointF(0.0, 0.0) << QPointF(m.length, 0.0);
    for (const QPointF& p : head) {
        outline << QPointF(m.length + p.x(), radius - p.y());
    }
    for (auto p = head.rbegin(); p != head.rend(); ++p) {
        outline << QPointF(m.length + p->x(), radius + p->y());
    }
    outline << QPointF(m.length, high) << QPointF(0.0, high);
    for (const QPointF& p : head) {
        outline << QPointF(-p.x(), radius + p.y());
    }
    for (auto p = head.rbegin(); p != head.rend(); ++p) {
        outline << QPointF(-p->x(), radius - p->y());
    }

    // The shell's bottom line falls by `fall` from seam A to seam B.
    const double sine = std::clamp(m.fall / m.length, -1.0, 1.0);
    const double cosine = std::sqrt(1.0 - sine * sine);
    const QTransform tilt(cosine, -sine, sine, cosine, 0.0, 0.0);
    Drawing d;
    d.outline = tilt.map(outline);
    if (!head.empty()) {
        d.seams = {tilt.map(QLineF(0.0, 0.0, 0.0, high)),
                   tilt.map(QLineF(m.length, 0.0, m.length, high))};
    }
    // The dipstick stands upright on the shell's bottom at the dip point, through the top.
    const QPointF foot = tilt.map(QPointF(m.dipAt, 0.0));
    d.stick = QLineF(foot, foot + QPointF(0.0, high / cosine + high * kStickAbove));
    d.surface = foot.y() + level;
    d.left = {measure(cylinder ? "D" : "H", high, tank.inches), tilt.map(QPointF(0.0, radius))};
    d.below = {measure("L", m.length, tank.inches), tilt.map(QPointF(m.length / 2.0, 0.0))};
    if (!cylinder) {
        d.above = {measure("W", m.width, tank.inches), tilt.map(QPointF(m.length / 2.0, high))};
    } else if (!head.empty()) {
        const double depth = head.back().x();
        d.above = {measure("head", depth, tank.inches),
                   tilt.map(QPointF(m.length + depth, radius))};
    }
    return d;
}

// A vertical tank, x across from its axis and y up from the bottom's seam. `level`: the
// liquid's height above the lowest point inside.
Drawing upright(const chart::Tank& tank, const chart::Tank::Measures& m, double level) {
    const double radius = m.diameter / 2.0;
    const std::vector<QPointF> bottom = headOutline(tank.heads.kind, m.diameter, m.headDepth);
    const double depth = bottom.empty() ? 0.0 : bottom.back().x();
    QPolygonF outline;
    outline << QPointF(-radius, m.length) << QPointF(-radius, 0.0);
    for (const QPointF& p : bottom) {
        outline << QPointF(-p.y(), -p.x());
    }
    for (auto p = bottom.rbegin(); p != bottom.rend(); ++p) {
        outline << QPointF(p->y(), -p->x());
    }
    outline << QPointF(radius, 0.0) << QPointF(radius, m.length);
    Drawing d;
    d.outline = outline;
    if (!bottom.empty()) {
        d.seams = {QLineF(-radius, 0.0, radius, 0.0)};
    }
    // The dipstick stands on the lowest point inside, in the middle of the bottom.
    d.stick = QLineF(0.0, -depth, 0.0, m.length + m.diameter * kStickAbove);
    d.surface = level - depth;
    d.left = {measure("H", m.length, tank.inches), QPointF(-radius, m.length / 2.0)};
    d.above = {measure("D", m.diameter, tank.inches), QPointF(0.0, m.length)};
    if (depth > 0.0) {
        d.below = {measure("bottom", depth, tank.inches), QPointF(0.0, -depth)};
    }
    return d;
}

// The drawing of the report's tank; none without a tank, or for one whose measures or volume
// do not read.
std::optional<Drawing> drawingOf(const Report& report) {
    if (!report.setup || !report.setup->tank) {
        return std::nullopt;
    }
    const chart::Tank& tank = *report.setup->tank;
    try {
        const std::optional<chart::Tank::Measures> m = tank.measures();
        if (!m || !(m->length > 0.0)) {
            return std::nullopt;
        }
        const chart::TankVolume volume = tank.volume();
        const double level = volume.heightFor(kShownFull * volume.full(), 1e-6 * volume.top());
        if (!std::isfinite(level)) {
            return std::nullopt;
        }
        return tank.shape == chart::Shape::VerticalCylinder ? upright(tank, *m, level)
                                                            : lying(tank, *m, level);
    } catch (const chart::InputError&) {
        return std::nullopt;
    }
}

// From the drawing's units to the page's, to scale, centred in what `box` leaves beside the
// labels; none when the drawing has no extent.
std::optional<QTransform> placing(const Drawing& d, const QRectF& box, const QFontMetricsF& small,
                                  double gap) {
    const QRectF tank = d.whole().boundingRect();
    const double line = small.lineSpacing();
    const QRectF room = box.adjusted(small.horizontalAdvance(d.left.text) + gap,
                                     d.above.text.isEmpty() ? 0.0 : line, 0.0,
                                     d.below.text.isEmpty() ? 0.0 : -line);
    const double scale = std::min(room.width() / tank.width(), room.height() / tank.height());
    if (!std::isfinite(scale) || !(scale > 0.0)) {
        return std::nullopt;
    }
    QTransform toPage;
    toPage.translate(room.center().x(), room.center().y());
    toPage.scale(scale, -scale);
    toPage.translate(-tank.center().x(), -tank.center().y());
    return toPage;
}

// The liquid to its surface inside the outline, the seams, the outline and the dipstick.
void paintTank(const PageContext& page, QPainter& painter, const Drawing& d,
               const QTransform& toPage) {
    const double mm = page.mm;
    const QPolygonF outline = toPage.map(d.outline);
    const QRectF around = outline.boundingRect();
    const double surface = toPage.map(QPointF(0.0, d.surface)).y();
    QPainterPath inside;
    inside.addPolygon(outline);
    inside.closeSubpath();
    painter.save();
    painter.setClipPath(inside);
    QColor liquid = kCurve;
    liquid.setAlphaF(0.15f);
    painter.fillRect(QRectF(around.left(), surface, around.width(), around.bottom() - surface),
                     liquid);
    painter.setPen(QPen(kCurve, 0.3 * mm));
    painter.drawLine(QPointF(around.left(), surface), QPointF(around.right(), surface));
    painter.restore();

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kRule, 0.15 * mm, Qt::DashLine));
    for (const QLineF& seam : d.seams) {
        painter.drawLine(toPage.map(seam));
    }
    painter.setPen(QPen(Qt::black, 0.25 * mm, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    painter.drawPolygon(outline);
    painter.setPen(QPen(Qt::black, 0.4 * mm, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(toPage.map(d.stick));
}

// The measures: one left of the tank at its point's height, one above and one below it,
// centred on their points' x, kept inside `box`; the one above stands just over the tank's
// top, beside the dipstick where the stick stands out through it.
void paintLabels(const PageContext& page, QPainter& painter, const Drawing& d,
                 const QTransform& toPage, const QRectF& box) {
    const QFontMetricsF small = page.metrics(page.fonts.small);
    const QRectF drawn = toPage.map(d.whole()).boundingRect();
    const QRectF tank = toPage.map(d.outline).boundingRect();
    const double stick = toPage.map(d.stick.p2()).x();
    const double pad = page.gap * 0.25;
    painter.setPen(Qt::black);
    painter.setFont(page.fonts.small);
    const auto across = [&](const Label& label, double top, bool besideStick) {
        if (label.text.isEmpty()) {
            return;
        }
        const double width = small.horizontalAdvance(label.text);
        const auto inside = [&](double at) {
            return std::max(box.left(), std::min(at, box.right() - width));
        };
        double x = inside(toPage.map(label.at).x() - width / 2.0);
        if (besideStick && x < stick + pad && x + width > stick - pad) {
            x = inside(stick + pad + width <= box.right() ? stick + pad : stick - pad - width);
        }
        painter.drawText(QPointF(x, top + small.ascent()), label.text);
    };
    across(d.above, tank.top() - small.lineSpacing(), true);
    across(d.below, drawn.bottom(), false);
    if (!d.left.text.isEmpty()) {
        const double x = drawn.left() - pad - small.horizontalAdvance(d.left.text);
        const double y = toPage.map(d.left.at).y() - small.height() / 2.0 + small.ascent();
        painter.drawText(QPointF(x, y), d.left.text);
    }
}

}  // namespace

bool paintSketch(const PageContext& page, QPainter& painter, const QRectF& box) {
    const std::optional<Drawing> drawing = drawingOf(page.report);
    if (!drawing) {
        return false;
    }
    const std::optional<QTransform> toPage =
        placing(*drawing, box, page.metrics(page.fonts.small), page.gap);
    if (!toPage) {
        return false;
    }
    painter.save();
    paintTank(page, painter, *drawing, *toPage);
    paintLabels(page, painter, *drawing, *toPage, box);
    painter.restore();
    return true;
}

}  // namespace dipsheet::report
