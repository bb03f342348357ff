#pragma once

// The chart window's exports: the chart as CSV, the tank's gauge table, the page as PDF. Each
// asks for a file through the save dialog, proposing one in the data folder named for the
// chart, writes it whole or not at all, and returns where it went (empty when the user
// cancelled, or the file could not be written, which is said in a message box).

#include <QString>

#include <functional>
#include <span>

#include "chart/chart.h"
#include "chart/tank.h"

class QWidget;

namespace dipsheet::report {
struct Report;
}

namespace dipsheet::app::chartexport {

// The chart as dipsheet-chart prints it: the rows above depth 0, Capacity first for a chart by
// volume, with Ullage and % Full when `siteColumns`.
QString saveCsv(QWidget* parent, const QString& proposed, std::span<const chart::CapacityRow> rows,
                double full, bool byVolume, bool siteColumns);
// Asks how many points the gauge takes, saves the table and says its largest error.
QString saveGaugeTable(QWidget* parent, const QString& proposed, const chart::Tank& tank);
// The page as the unit's definition lays it out, from the report `made` gives; a failure of
// the report or of the file is thrown to the caller's guard.
QString savePdf(QWidget* parent, const QString& proposed,
                const std::function<report::Report()>& made);

}  // namespace dipsheet::app::chartexport
