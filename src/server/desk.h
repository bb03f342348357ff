#pragma once

// A desk of an office on a server: its data folder's job file first, the server after. Every
// chart the desk makes is written into the file's history, queued for the server under a key of
// its own, and only then sent; what the server does not commit waits in the file and goes up
// at the desk's next action that reaches it, once (the key), whatever was cut on the way. A
// server away, a login refused or a database missing is said as a notice, never thrown: the
// desk goes on with its file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "store/store.h"

namespace dipsheet::server {

// The desk's name when none is given: the user's login and the machine's name, "user@host".
std::string defaultDeskName();

// The server of libpq's connection URI or string as the windows name it: its host (or socket
// folder; "this machine" for libpq's own socket), the port when not 5432, and the database;
// never the user or the password. "the server" for an address libpq cannot read.
std::string serverShown(const std::string& uri);

using store::newChartKey;

// What a failure of the server says to the user: the server's own words when they name it (away,
// a login refused, a database missing), else a link cut mid-action said as the server away.
// `brief`: that without the engine's own words ("The database server tanks (port 5432) cannot
// be reached"), for a line that has no room for them.
std::string serverFailure(const store::StoreError& error, bool brief = false);

// The key of a chart of the file's history that was never queued: derived from the chart itself
// (its id in the file, when it was made, its heading, set-up, tank, capacity and rows), so that
// the same history copied twice gives the same keys. "h-" and 32 hexadecimal digits.
std::string historyChartKey(const store::HistoryEntry& entry,
                            std::span<const chart::CapacityRow> rows);

// What an action did on the server.
struct ServerReport {
    std::size_t sent = 0;     // charts the server committed in this action
    std::size_t waiting = 0;  // charts still queued in the file after it
    // Empty when every chart went; else what happened and that the charts wait in the file.
    std::string notice;
    // The notice without the engine's own words, for a line with no room for them (empty when
    // the notice has none).
    std::string brief;
};

// What --copy-history did: charts copied, charts the server held already (by their key), and
// charts that cannot go (their tank or rows unreadable, or a value the server refuses).
struct CopyReport {
    std::size_t copied = 0;
    std::size_t there = 0;
    std::size_t refused = 0;
    // Empty when the whole history was read and sent; else why it stopped, or which refused.
    std::string notice;
};

class ServerStore;

class Desk {
public:
    // The desk `name` of the server at `uri` (libpq's URI) keeping its charts in `file`.
    // Nothing is connected here: a desk starts on its file whether the server is there or not.
    Desk(store::JobDatabase file, std::string uri, std::string name);

    const std::string& name() const { return m_name; }
    const store::JobDatabase& file() const { return m_file; }

    // The chart stored as store::Database::replaceChart stores it (the file's failures throw
    // StoreError: the file is the desk's own), its history row queued in the same transaction;
    // then the desk's job record and chart on show written on the server and every chart
    // waiting sent.
    ServerReport storeChart(std::span<const chart::CapacityRow> rows,
                            const store::ChartSetup& setup,
                            const std::optional<store::JobRecord>& job = std::nullopt);
    // A chart of the history put on show again in the file and on the server, adding no history
    // row; then every chart waiting sent.
    ServerReport showChart(std::span<const chart::CapacityRow> rows,
                           const store::ChartSetup& setup);
    // Every chart waiting in the file sent, oldest first, each marked sent once the server
    // has committed it.
    ServerReport send();
    // The desk's job record and chart on show written on the server as the file holds them
    // now, then every chart waiting sent: what the desktop does at start and after each chart.
    // The file's own failures throw StoreError.
    ServerReport sync();
    // Every chart of the file's history sent under its queued key, or one derived from it, so a
    // second copy adds nothing; the queued ones are marked sent.
    CopyReport copyHistory();

private:
    // Sends the charts waiting over `server`, each in its own transaction, counting in `report`
    // those the server committed; a failure of the server itself stops and is thrown, a chart
    // the server refuses is named in the notice and left waiting.
    void sendOver(ServerStore& server, ServerReport& report);
    // The chart on show written on the server as the file holds it, with the desk's job
    // record, then every chart waiting sent; a server away is the report's notice.
    // Without a set-up (no chart made yet) the job record alone.
    ServerReport onServer(std::span<const chart::CapacityRow> rows,
                          const std::optional<store::ChartSetup>& setup,
                          const std::optional<store::JobRecord>& record);

    store::JobDatabase m_file;
    std::string m_uri;
    std::string m_name;
};

}  // namespace dipsheet::server
