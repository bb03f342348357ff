#pragma once

// The history commands of dipsheet-chart: the charts made, as CSV, and one of them again.

#include <iosfwd>
#include <string>

namespace dipsheet::cli {

// Lists the history of QRTMembers.mdb in the current folder, newest first, as CSV: "Id,Date,
// Serial,Customer,Description,Setup,Full", then a line per chart whose serial number, customer or
// description hold every word of `search`. A set-up this version cannot read is listed as
// "cannot be read". Stored text is written as it may reach a terminal: control characters but
// the line break, and bytes that are no UTF-8, as \xHH (C1 controls as \u0080 to \u009f), a
// backslash as \\. Any text is a search (see store::Database::readHistory). Returns the exit
// status: 0; 2 for a search the database engine refuses; 1 when the database cannot be read.
int listHistory(const std::string& search, std::ostream& out, std::ostream& err);

// Prints chart `id` of the history as the run that made it printed it: the rows kept with it,
// bit for bit; a chart made before charts kept their rows is charted again from its tank, and
// `err` says so. On `err` too when it was made ("chart 3 made 2026-03-14 10:22:05"). With
// `store`, also puts it on show in the job database (as --store does) without adding it to the
// history again. Returns 0; 2 for an id that is no number or no chart of the history, or a
// chart whose set-up or kept rows cannot be read; 1 when the database fails.
int reprintChart(const std::string& id, bool store, std::ostream& out, std::ostream& err);

}  // namespace dipsheet::cli
