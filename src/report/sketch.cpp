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
// How full the drawn tank is when no row is shown.
constexpr double kShownFull = 0.9;

// A text written on the drawing and the point of the tank it tells of: a label on the left
// stands at the height of its point, one above or below the tank at its point's x.
struct Label {
    QString text;
    QPointF at;
};

// A fill mark on the drawing: the height of its surface and its percent.
struct Mark {
    double y = 0.0;
    QString text;
};

// The tank as it is drawn, in its own units with y upwards: its outline as it lies, the seams
// between the shell and its heads, the dipstick from the point it stands on to its top, the
// height of the liquid surface and of the fill marks, and its measures written left of, above
// and below it.
struct Drawing {
    QPolygonF outline;
    std::vector<QLineF> seams;
    QLineF stick;
    double base = 0.0;  // where the liquid's height is counted from
    double surface = 0.0;
    std::vector<Mark> marks;
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
// turned by its fall; the liquid's height is counted from the dip point.
Drawing lying(const chart::Tank& tank, const chart::Tank::Measures& m) {
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
    d.base = foot.y();
    d.left = {measure(cylinder ? "D" : "H", high, tank.inches), tilt.map(QPointF(0.0, radius))};
    d.below = {measure("L", m.length, tank.inches), tilt.map(QPointF(m.length / 2.0, 0.0))};
    if (!cylinder) {
        // The side view shows the length along its top and bottom edges: the width, which it
        // does not show, is written with the length and said to run across.
        d.below.text +=
            QStringLiteral(", ") + measure("W", m.width, tank.inches) + QStringLiteral(" across");
    } else if (!head.empty()) {
        const double depth = head.back().x();
        d.above = {measure("head", depth, tank.inches),
                   tilt.map(QPointF(m.length + depth, radius))};
    }
    return d;
}

// A vertical tank, x across from its axis and y up from the bottom's seam; the liquid's height
// is counted from the lowest point inside.
Drawing upright(const chart::Tank& tank, const chart::Tank::Measures& m) {
    const double radius = m.diameter / 2.0;
    const std::vector<QPointF> bottom = headOutline(tank.heads.kind, m.diameter, m.headDepth);
    const double depth = bottom.empty() ? 0.0 : bottom.back().x();
    QPolygonF outline;
    outline << QPointF(-radius, m.height) << QPointF(-radius, 0.0);
    for (const QPointF& p : bottom) {
        outline << QPointF(-p.y(), -p.x());
    }
    for (auto p = bottom.rbegin(); p != bottom.rend(); ++p) {
        outline << QPointF(p->y(), -p->x());
    }
    outline << QPointF(radius, 0.0) << QPointF(radius, m.height);
    Drawing d;
    d.outline = outline;
    if (!bottom.empty()) {
        d.seams = {QLineF(-radius, 0.0, radius, 0.0)};
    }
    // The dipstick stands on the lowest point inside, in the middle of the bottom.
    d.stick = QLineF(0.0, -depth, 0.0, m.height + m.diameter * kStickAbove);
    d.base = -depth;
    d.left = {measure("H", m.height, tank.inches), QPointF(-radius, m.height / 2.0)};
    d.above = {measure("D", m.diameter, tank.inches), QPointF(0.0, m.height)};
    if (depth > 0.0) {
        d.below = {measure("bottom", depth, tank.inches), QPointF(0.0, -depth)};
    }
    return d;
}

// The drawing of the report's tank, its surface at the volume of the row `shown` (at 90 % full
// without one) and its fill marks at the heights their depths read; none without a tank, or
// for one whose measures or volume do not read.
std::optional<Drawing> drawingOf(const Report& report, std::optional<chart::CapacityRow> shown) {
    if (!report.setup || !report.setup->tank) {
        return std::nullopt;
    }
    const chart::Tank& tank = *report.setup->tank;
    try {
        const std::optional<chart::Tank::Measures> m = tank.measures();
        if (!m || !((tank.horizontal() ? m->length : m->height) > 0.0)) {
            return std::nullopt;
        }
        const chart::TankVolume volume = tank.volume();
        const double tolerance = 1e-6 * volume.top();
        // A row's volume, not its depth, gives the surface: the depth reads the height with the
        // striker allowance added, and a chart by volume may step depths the tank never has.
        const double filled = shown && std::isfinite(shown->volume)
                                  ? static_cast<double>(shown->volume)
                                  : kShownFull * volume.full();
        const double level = volume.heightFor(filled, tolerance);
        if (!std::isfinite(level)) {
            return std::nullopt;
        }
        Drawing d =
            tank.shape == chart::Shape::VerticalCylinder ? upright(tank, *m) : lying(tank, *m);
        d.surface = d.base + level;
        for (const MarkLine& mark : markLines(report)) {
            const double height = mark.depth + static_cast<double>(volume.striker());
            if (height > 0.0 && height <= volume.top()) {
                d.marks.push_back({d.base + height, mark.label});
            }
        }
        return d;
    } catch (const chart::InputError&) {
        return std::nullopt;
    }
}

// The gap kept between a text and the dipstick, and between a text and the tank.
double stickGap(const PageContext& page) {
    return 1.2 * page.mm;
}
double textGap(const PageContext& page) {
    return page.gap * 0.25;
}

// The widest of the fill marks' percents; 0 when none is written.
double marksWidth(const Drawing& d, const QFontMetricsF& small) {
    double width = 0.0;
    for (const Mark& mark : d.marks) {
        width = std::max(width, mark.text.isEmpty() ? 0.0 : small.horizontalAdvance(mark.text));
    }
    return width;
}

// From the drawing's units to the page's, to scale, centred in what `box` leaves beside the
// labels (the measures left, above and below, the marks' percents right); none when the
// drawing has no extent.
std::optional<QTransform> placing(const PageContext& page, const Drawing& d, const QRectF& box,
                                  const QFontMetricsF& small) {
    const QRectF tank = d.whole().boundingRect();
    const double line = small.lineSpacing();
    const double marks = marksWidth(d, small);
    const QRectF room = box.adjusted(small.horizontalAdvance(d.left.text) + page.gap,
                                     d.above.text.isEmpty() ? 0.0 : line,
                                     marks > 0.0 ? -(marks + textGap(page) * 3.0) : 0.0,
                                     d.below.text.isEmpty() ? 0.0 : -(line + stickGap(page)));
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

// The liquid to its surface inside the outline, the fill marks, the seams, the outline and the
// dipstick.
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
    painter.setPen(QPen(kRule, 0.2 * mm, Qt::DashLine));
    for (const Mark& mark : d.marks) {
        const double y = toPage.map(QPointF(0.0, mark.y)).y();
        painter.drawLine(QPointF(around.left(), y), QPointF(around.right(), y));
    }
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

// The places of the texts in `box`: each at the first of its places that stays in the box,
// meets no text placed before and keeps a gap to the dipstick.
class Placer {
public:
    Placer(const QRectF& box, const QLineF& stick, double gap)
        : m_box(box),
          m_stick(QRectF(stick.p1(), stick.p2()).normalized().adjusted(-gap, -gap, gap, gap)) {}

    bool free(const QRectF& r) const {
        return m_box.contains(r) && !r.intersects(m_stick) &&
               std::none_of(m_taken.begin(), m_taken.end(),
                            [&](const PlacedLabel& t) { return t.box.intersects(r); });
    }
    // `r` moved across into the box where it is wider out.
    QRectF inside(QRectF r) const {
        r.moveLeft(std::max(m_box.left(), std::min(r.left(), m_box.right() - r.width())));
        return r;
    }
    // The first free one of `places`; without one, a measure still stands at the first (it is
    // part of the drawing) and a mark's percent is left out.
    void place(const QString& text, const std::vector<QRectF>& places, bool mark) {
        if (text.isEmpty() || places.empty()) {
            return;
        }
        const auto at =
            std::find_if(places.begin(), places.end(), [&](const QRectF& r) { return free(r); });
        if (at != places.end()) {
            m_taken.push_back({text, *at, mark});
        } else if (!mark) {
            m_taken.push_back({text, places.front(), mark});
        }
    }
    std::vector<PlacedLabel> taken() const { return m_taken; }

private:
    QRectF m_box;
    QRectF m_stick;
    std::vector<PlacedLabel> m_taken;
};

// The measures: one left of the tank at its point's height, one above and one below it,
// centred on their points' x or, where the dipstick stands there, beside it; the marks'
// percents right of the tank at their heights, moved up or down to clear each other.
SketchLabels placeLabels(const PageContext& page, const Drawing& d, const QTransform& toPage,
                         const QRectF& box) {
    const QFontMetricsF small = page.metrics(page.fonts.small);
    const QRectF drawn = toPage.map(d.whole()).boundingRect();
    const QRectF tank = toPage.map(d.outline).boundingRect();
    const QLineF stick = toPage.map(d.stick);
    const double gap = stickGap(page);
    const double pad = textGap(page);
    const double high = small.height();
    Placer placer(box, stick, gap);
    const auto width = [&](const Label& label) { return small.horizontalAdvance(label.text); };

    const double leftY = toPage.map(d.left.at).y() - high / 2.0;
    placer.place(d.left.text,
                 {QRectF(drawn.left() - pad - width(d.left), leftY, width(d.left), high)}, false);
    // The top of the outline over the span of `r`, where a text above the tank stands on it:
    // by the lower end of a tilted tank it comes down to the tank, not to its highest point.
    const QPolygonF outline = toPage.map(d.outline);
    const auto onTop = [&](QRectF r) {
        double top = tank.bottom();
        for (qsizetype i = 0; i < outline.size(); ++i) {
            const QPointF a = outline[i], b = outline[(i + 1) % outline.size()];
            const double lo = std::max(r.left(), std::min(a.x(), b.x()));
            const double hi = std::min(r.right(), std::max(a.x(), b.x()));
            if (lo > hi) {
                continue;
            }
            const auto yAt = [&](double x) {
                return a.x() == b.x() ? std::min(a.y(), b.y())
                                      : a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x());
            };
            top = std::min({top, yAt(lo), yAt(hi)});
        }
        r.moveBottom(top - pad);
        return r;
    };
    // Centred on its point, else clear of the stick on its right or its left.
    const auto across = [&](const Label& label, double top, bool above) {
        const double w = width(label);
        const double x = std::min(stick.p1().x(), stick.p2().x());
        const QRectF centred(toPage.map(label.at).x() - w / 2.0, top, w, high);
        std::vector<QRectF> places{
            placer.inside(centred),
            placer.inside(centred.translated(x + gap - centred.left(), 0.0)),
            placer.inside(centred.translated(x - gap - w - centred.left(), 0.0))};
        if (above) {
            std::transform(places.begin(), places.end(), places.begin(), onTop);
        }
        placer.place(label.text, places, false);
    };
    across(d.above, tank.top() - small.lineSpacing(), true);
    across(d.below, drawn.bottom() + gap, false);

    std::vector<Mark> marks = d.marks;
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.y > b.y; });
    for (const Mark& mark : marks) {
        const double w = small.horizontalAdvance(mark.text);
        const QRectF at(tank.right() + pad * 2.0, toPage.map(QPointF(0.0, mark.y)).y() - high / 2.0,
                        w, high);
        std::vector<QRectF> places{at};
        for (int step = 1; step <= 4; ++step) {
            places.push_back(at.translated(0.0, step * high * 0.5));
            places.push_back(at.translated(0.0, -step * high * 0.5));
        }
        placer.place(mark.text, places, true);
    }
    return {placer.taken(), stick};
}

// The drawing of the report's tank placed in `box`; none when there is none to draw.
struct Placed {
    Drawing drawing;
    QTransform toPage;
    SketchLabels labels;
};
std::optional<Placed> placed(const PageContext& page, const QRectF& box,
                             std::optional<chart::CapacityRow> shown) {
    std::optional<Drawing> drawing = drawingOf(page.report, shown);
    if (!drawing) {
        return std::nullopt;
    }
    const std::optional<QTransform> toPage =
        placing(page, *drawing, box, page.metrics(page.fonts.small));
    if (!toPage) {
        return std::nullopt;
    }
    SketchLabels labels = placeLabels(page, *drawing, *toPage, box);
    return Placed{std::move(*drawing), *toPage, std::move(labels)};
}

}  // namespace

std::optional<SketchLabels> sketchLabels(const PageContext& page, const QRectF& box) {
    std::optional<Placed> drawing = placed(page, box, std::nullopt);
    return drawing ? std::optional(std::move(drawing->labels)) : std::nullopt;
}

bool paintSketch(const PageContext& page, QPainter& painter, const QRectF& box,
                 std::optional<chart::CapacityRow> shown) {
    const std::optional<Placed> drawing = placed(page, box, shown);
    if (!drawing) {
        return false;
    }
    painter.save();
    paintTank(page, painter, drawing->drawing, drawing->toPage);
    const QFontMetricsF small = page.metrics(page.fonts.small);
    painter.setFont(page.fonts.small);
    for (const PlacedLabel& label : drawing->labels.labels) {
        painter.setPen(label.mark ? kMarkText : QColor(Qt::black));
        painter.drawText(QPointF(label.box.left(), label.box.top() + small.ascent()), label.text);
    }
    painter.restore();
    return true;
}

}  // namespace dipsheet::report
