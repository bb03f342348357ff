#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace dipsheet::cli {

// Runs the command-line chart generator with the given arguments (without the program name).
// Writes the chart as CSV to `out`, messages to `err`. Returns the exit status: 0 done,
// 1 the database failed, 2 bad input (then nothing is written to `out` or to the database).
int runChartTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dipsheet::cli
