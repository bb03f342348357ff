#include "chartpicture.h"

#include "report/painters.h"

#include <QPainter>

#include <algorithm>
#include <utility>

namespace dipsheet::app {

ChartPicture::ChartPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picChart"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChartPicture::setReport(report::Report report) {
    m_report = std::move(report);
    update();
}

void ChartPicture::setSelectedRow(std::optional<chart::CapacityRow> row) {
    if (row != m_selected) {
        m_selected = row;
        update();
    }
}

QSize ChartPicture::sizeHint() const {
    return {480, 360};
}

QSize ChartPicture::minimumSizeHint() const {
    return {240, 180};
}

// White as paper; the curve and the tank side by side in a wide picture (the tank in the right
// 40 %, as on the page), else the curve above the tank; the curve alone when the chart has no
// tank to draw.
void ChartPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_report.rows.empty()) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const report::PageContext page(m_report, *this, size());
    const double margin = std::max(page.gap, 2.0 * page.mm);
    QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    if (area.width() <= 0.0 || area.height() <= 0.0) {
        return;
    }
    QRectF tank;
    QRectF curve = area;
    if (area.width() > 1.4 * area.height()) {
        const double share = area.width() * 0.4;
        tank = area.adjusted(area.width() - share, 0.0, 0.0, 0.0);
        curve.setRight(tank.left() - page.gap);
    } else {
        const double share = area.height() * 0.45;
        tank = area.adjusted(0.0, area.height() - share, 0.0, 0.0);
        curve.setBottom(tank.top() - page.gap);
    }
    if (!report::paintSketch(page, painter, tank, m_selected)) {
        curve = area;
    }
    report::paintCurve(page, painter, curve, m_selected);
}

}  // namespace dipsheet::app
