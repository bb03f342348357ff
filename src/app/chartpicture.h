#pragma once

// The picture beside the chart window's grid: the capacity curve and the drawing of the tank
// as the printout has them, drawn by the printout's own painters on white, with the row
// selected in the grid shown as the tank's surface and a point on the curve.

#include "report/report.h"

#include <QWidget>

#include <optional>

namespace dipsheet::app {

class ChartPicture : public QWidget {
    Q_OBJECT

public:
    explicit ChartPicture(QWidget* parent = nullptr);

    // The chart to draw: its definition (fonts, units, headings), rows, set-up and marks, as
    // report::chartReport gives them. An empty report (no rows) draws nothing but white.
    void setReport(report::Report report);
    // The row selected in the grid: the tank's surface and a point on the curve; none: 90 %.
    void setSelectedRow(std::optional<chart::CapacityRow> row);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    report::Report m_report;
    std::optional<chart::CapacityRow> m_selected;
};

}  // namespace dipsheet::app
