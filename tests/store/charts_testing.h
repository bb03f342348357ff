#pragma once

// Charts for the store's tests, whichever store keeps them (the job file, the office's server).

#include <string>
#include <vector>

#include "chart/tank.h"
#include "store/store.h"

namespace dipsheet::testing {

using Chart = std::vector<chart::CapacityRow>;

// Depths step, 2 step, ... with a volume that differs per row.
inline Chart ramp(int count, float step) {
    Chart rows;
    float depth = 0.0f;
    for (int i = 1; i <= count; ++i) {
        depth += step;
        rows.push_back({depth, depth * 1.5f + 0.125f});
    }
    return rows;
}

// A cylinder tank of the given diameter, as a chart is stored with it.
inline store::ChartSetup setupOf(const char* diameter, bool inches = true) {
    chart::Tank tank;
    tank.inches = inches;
    tank.increment = std::string("1");
    tank.diameter = std::string(diameter);
    tank.length = std::string("96");
    return {tank.describe(), 751.5, tank};
}

// The serial numbers of the charts listed, in order.
inline std::vector<std::string> serialsOf(const std::vector<store::HistoryEntry>& entries) {
    std::vector<std::string> serials;
    for (const store::HistoryEntry& entry : entries)
        serials.push_back(entry.job.serialNo);
    return serials;
}

}  // namespace dipsheet::testing
