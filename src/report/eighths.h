#pragma once

// The eighths table: a line for each whole inch that has a row, with the rows of its eighths.

#include "report/report.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace dipsheet::report {

struct InchLine {
    std::int32_t inch = 0;
    std::array<int, 8> row{-1, -1, -1, -1, -1, -1, -1, -1};  // index into the rows, -1 for none
};

struct EighthsTable {
    std::vector<InchLine> lines;
    QString whyNot;  // not empty: the chart cannot be read by eighths and prints as a list
};

// Lays the rows out by whole inch and eighth, in order of depth. Every depth must be a whole
// multiple of 1/8 from 0 up, and no two rows may share one; otherwise `whyNot` says which
// depth stands in the way. Depths in a metric unit are never read by eighths.
EighthsTable eighthsOf(const Report& report);

}  // namespace dipsheet::report
