#pragma once

// The shape of the job database, in one place: the statements that make a fresh file, the
// version a file of this shape carries in its header (PRAGMA user_version), and the steps that
// bring a file of an older shape to it. data/QRTMembers.sql makes the same tables (a test holds
// the two together); a file it makes carries version 0 and is brought to this one, unchanged
// but for the version, by its first write.

#include <string>

struct sqlite3;

namespace dipsheet::store {

// The version of the file's shape this program writes. 0: a file made before it was kept
// (by data/QRTMembers.sql, or by an older version of the program, with or without the history,
// field ChartSetup.Tank or field ChartHistory.Rows); 1: every table below but field
// ChartHistory.Printout; 2: every table below.
inline constexpr int kSchemaVersion = 2;

namespace schema {

// The history and its ids, as a fresh file has them; the history made again with them when a
// file has lost it (dropped by hand) and a chart is appended.
inline constexpr const char* kCreateHistory =
    "CREATE TABLE IF NOT EXISTS ChartHistory(Id INTEGER PRIMARY KEY, Made TEXT, Client TEXT, "
    "Customer TEXT, TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank TEXT, Full REAL, Unit TEXT, "
    "Rows BLOB, Printout TEXT)";
// The ids alone, beside the rows each chart keeps: the search's check of its index counts the
// history through them without reading a page of rows per chart.
inline constexpr const char* kCreateHistoryIds =
    "CREATE INDEX IF NOT EXISTS ChartHistoryIds ON ChartHistory(Id)";
// The search index, derived from the history (made again from it whenever it is found missing,
// damaged or out of step).
inline constexpr const char* kCreateSearch =
    "CREATE VIRTUAL TABLE ChartHistorySearch USING fts5(Words, tokenize='trigram')";

// The charts of the history queued for the office's server (Id: the chart's Id in the history;
// Key: its name on the server; Sent: 1 once the server has committed it). Made when a desk
// first queues a chart: a file never used with a server has none, and needs none.
inline constexpr const char* kCreateQueue =
    "CREATE TABLE IF NOT EXISTS ChartQueue(Id INTEGER PRIMARY KEY, Key TEXT NOT NULL UNIQUE, "
    "Sent INTEGER NOT NULL DEFAULT 0)";

// Inside the caller's write transaction: a file of an older shape brought to kSchemaVersion,
// its rows kept. A file made before field ChartSetup.Tank gains it (a file without table
// ChartSetup stays without one, as it always has); a file made before the history gains it
// with its ids, and a history made before charts kept their rows gains field Rows (its charts
// keep none), one made before charts kept their printouts field Printout (its charts keep none).
// The search index is left to the history, which makes it when it finds it missing. A file of this
// version or a newer one is left as it is. Only a write calls this: a file the program only reads
// is never changed by the read.
void upgrade(sqlite3* db);

// The version in the file's header.
int version(sqlite3* db);

}  // namespace schema
}  // namespace dipsheet::store
