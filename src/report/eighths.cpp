#include "eighths.h"

#include "report/render.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <utility>

namespace dipsheet::report {

namespace {

// Depths in a metric unit cannot be read off in eighths of an inch.
bool metricDepths(const Definition& definition) {
    static const QRegularExpression metric(QStringLiteral("^(mm|cm|m|(milli|centi)?met(re|er)s?)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return metric.match(definition.depthUnit.trimmed()).hasMatch();
}

}  // namespace

EighthsTable eighthsOf(const Report& report) {
    EighthsTable table;
    const auto listInstead = [&](const QString& reason) {
        table.lines.clear();
        table.whyNot = QStringLiteral("Printed as a list, not by eighths of an inch: ") + reason;
        return table;
    };
    if (report.setup && report.setup->tank && report.setup->tank->byVolume) {
        return listInstead(
            QStringLiteral("the chart steps by volume; its depths fall between the "
                           "eighths."));
    }
    if (report.definition.ullage || report.definition.percent) {
        return listInstead(QStringLiteral("the ullage and percent columns print in the list."));
    }
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

}  // namespace dipsheet::report
