#pragma once

// The history commands of dipsheet-chart: the charts made, as CSV, and one of them again.

#include <iosfwd>
#include <optional>
#include <string>

namespace dipsheet::cli {

// The office's server a run reads or writes (--server), and the desk it works as (--desk).
struct ServerChoice {
    std::string uri;
    std::string desk;
};

// Flushes `out` and says whether all that was written to it got there (standard output may be a
// full disk, or /dev/full); when not, `err` says so and the run ends with status 1.
bool outputWritten(std::ostream& out, std::ostream& err);

// Lists the history of QRTMembers.mdb in the current folder, newest first, as CSV: "Id,Date,
// Serial,Customer,Description,Setup,Full", then a line per chart whose serial number, customer or
// description hold every word of `search`. A set-up this version cannot read is listed as
// "cannot be read". Stored text is written as it may reach a terminal: control characters but
// the line break, and bytes that are no UTF-8, as \xHH (C1 controls as \u0080 to \u009f, the
// bidirectional controls U+202A to U+202E and U+2066 to U+2069 as \uHHHH), a backslash as \\.
// Any text is a search (see store::Database::readHistory). Returns the exit status: 0; 2 for a
// search the database engine refuses; 1 when the database cannot be read.
// With `server`, the shared history of every desk, with a last column Desk.
int listHistory(const std::string& search, const std::optional<ServerChoice>& server,
                std::ostream& out, std::ostream& err);

// Prints chart `id` of the history as the run that made it printed it: the rows kept with it,
// bit for bit; a chart made before charts kept their rows is charted again from its tank, and
// `err` says so. On `err` too when it was made ("chart 3 made 2026-03-14 10:22:05"). With
// `store`, also puts it on show in the job database (as --store does) without adding it to the
// history again. Returns 0; 2 for an id that is no number or no chart of the history, or a
// chart whose set-up or kept rows cannot be read; 1 when the database fails. With `server`, chart
// `id` of the shared history, put on show (with `store`) in the file and as the desk's chart on
// the server; a server that cannot be reached for that is said on `err`, the chart on show in
// the file all the same.
int reprintChart(const std::string& id, bool store, const std::optional<ServerChoice>& server,
                 std::ostream& out, std::ostream& err);

// Copies the history of QRTMembers.mdb in the current folder to `server`, once (see
// server::Desk::copyHistory), and prints how many charts were copied and how many were there
// already. Returns 0; 1 when the file or the server failed part-way (what was copied stays), or
// a chart could not be copied (named on `err`).
int copyHistory(const ServerChoice& server, std::ostream& out, std::ostream& err);

}  // namespace dipsheet::cli
