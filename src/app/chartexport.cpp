#include "chartexport.h"

#include <QDir>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "chart/numbers.h"
#include "chart/site.h"
#include "report/render.h"
#include "report/report.h"
#include "report/wholefile.h"
#include "ui.h"

namespace dipsheet::app::chartexport {

namespace {

QString askCsvFile(QWidget* parent, const QString& title, const QString& proposed) {
    return ui::askSaveFileName(parent, title, proposed, QStringLiteral("CSV files (*.csv)"));
}

// Writes a whole text file (report::writeWholeFile), or says why not.
bool writeText(const QString& path, const std::string& text) {
    const QString failure =
        report::writeWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    if (!failure.isEmpty()) {
        ui::messageBox(QStringLiteral("The chart could not be saved: %1.").arg(failure));
        return false;
    }
    return true;
}

}  // namespace

QString saveCsv(QWidget* parent, const QString& proposed, std::span<const chart::CapacityRow> rows,
                double full, bool byVolume, bool siteColumns) {
    const QString path = askCsvFile(parent, QStringLiteral("Save the chart as CSV"), proposed);
    if (path.isEmpty())
        return {};
    // A row the file keeps at depth 0 or less is no part of the chart, whichever way it runs.
    std::vector<chart::CapacityRow> chartRows;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(chartRows),
                 [](const chart::CapacityRow& row) { return row.depth > 0; });
    const std::string csv = siteColumns ? chart::chartCsvWithUllage(chartRows, full, byVolume)
                                        : chart::chartCsv(chartRows, byVolume);
    return writeText(path, csv) ? path : QString();
}

QString saveGaugeTable(QWidget* parent, const QString& proposed, const chart::Tank& tank) {
    const auto count = ui::askInteger(
        parent,
        QStringLiteral("How many points does the gauge take (2 to 1000)? They are placed so that "
                       "its straight lines between them stay closest to the tank."),
        20, 2, 1000);
    if (!count)
        return {};
    const QString path =
        askCsvFile(parent, QStringLiteral("Save the gauge table as CSV"), proposed);
    if (path.isEmpty())
        return {};
    const ui::WaitCursor wait;
    const chart::GaugeTable table = chart::gaugeTable(tank.volume(), *count);
    if (!writeText(path, chart::gaugeCsv(table)))
        return {};
    ui::messageBox(QStringLiteral("Saved %1 points to %2. The largest interpolation error is "
                                  "%3 %4 at %5 %6.")
                       .arg(table.points.size())
                       .arg(QDir::toNativeSeparators(path))
                       .arg(QString::fromStdString(chart::significantText(table.largestError)))
                       .arg(QString::fromLatin1(chart::volumeUnit(tank.inches)))
                       .arg(table.errorDepth, 0, 'f', 2)
                       .arg(QString::fromLatin1(chart::lengthUnit(tank.inches))));
    return path;
}

QString savePdf(QWidget* parent, const QString& proposed,
                const std::function<report::Report()>& made) {
    const QString path = ui::askSaveFileName(parent, QStringLiteral("Save the chart as PDF"),
                                             proposed, QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return {};
    const ui::WaitCursor wait;
    report::writePdf(made(), path);
    return path;
}

}  // namespace dipsheet::app::chartexport
