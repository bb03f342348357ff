#pragma once

// The job database of an office of several desks, on a PostgreSQL server: the chart history
// shared by every desk, the job record and the chart on show each desk's own (kept under the
// desk's name). The same values and the same meaning as the job file's store (store::Database),
// so the windows can work on either.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "chart/chart.h"
#include "store/store.h"

namespace dipsheet::server {

namespace detail {
class Connection;
}

// One connection to the server for one action, closed when the object goes. `uri` is libpq's
// connection URI or string (postgresql://user@host/dbname; its sslmode, and the password from
// ~/.pgpass or PGPASSWORD, as libpq reads them); `desk` names the desk whose job record and
// chart on show this connection works on, and is written with every chart it adds to the
// history. The server's tables are made or brought up to date at connection. Every failure
// throws store::StoreError: a server away, a login refused or a database missing says which
// (none of them damage), and the message never repeats the URI (it may hold a password).
class ServerStore final : public store::ChartStore {
public:
    ServerStore(const std::string& uri, std::string desk);
    ~ServerStore() override;
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    const std::string& desk() const { return m_desk; }

    // The desk's job record; none before the desk's first write.
    std::optional<store::JobRecord> findJobRecord() override;
    // The desk's job record written whole; a blank client name (empty or spaces) leaves the
    // stored one (the placeholder for a desk's first record).
    void writeJob(const store::JobRecord& job) override;

    // The desk's chart on show replaced, in one transaction: its rows and set-up, `job` first
    // when given, and the chart appended to the shared history under the desk's job record
    // when the set-up has its tank and `toHistory` (a chart of the history put back is not).
    void replaceChart(std::span<const chart::CapacityRow> rows, const store::ChartSetup& setup,
                      const std::optional<store::JobRecord>& job = std::nullopt,
                      bool toHistory = true) override;
    // The rows of the desk's chart on show (none before its first chart).
    std::vector<chart::CapacityRow> readCapacity() override;
    // The set-up of the desk's chart on show; none before its first chart.
    std::optional<store::ChartSetup> readChartSetup() override;

    // A chart appended to the shared history in one transaction, made now by this desk for
    // `job`, with its set-up (which must carry its tank) and its rows. A non-empty `key` names
    // the chart once for all: a second append of the same key (a queued chart sent again, a
    // history copied twice) adds nothing, and gives the chart the heading it comes with (one
    // corrected at the desk) and its `printout` when given. The id of the chart in the history.
    // No rows: a chart made before charts kept their rows (reprinted by charting its tank again).
    std::int64_t appendHistory(const store::JobRecord& job, const store::ChartSetup& setup,
                               std::span<const chart::CapacityRow> rows, std::string_view key = {},
                               std::string_view made = {},
                               const std::optional<store::Printout>& printout = std::nullopt);
    // The id of the history row the last replaceChart or appendHistory added; 0 when none (a
    // key the history held already adds none).
    std::int64_t appendedHistoryId() const noexcept override { return m_appendedHistoryId; }

    // As store::Database::readHistory: the charts of every desk, newest first, whose serial
    // number, customer or description hold every word of `search` (any order, any case, every
    // character literal; words parted by blanks and control characters, the first 16 counting),
    // at most `limit` (0: all).
    std::vector<store::HistoryEntry> readHistory(std::string_view search = {},
                                                 std::size_t limit = 0) override;
    std::optional<store::HistoryEntry> readHistoryEntry(std::int64_t id) override;
    // The desk that made chart `id`; none when there is no such chart.
    std::optional<std::string> historyDesk(std::int64_t id);
    // The rows chart `id` was made with, bit for bit; none when there is no such chart. Rows
    // this version cannot read throw StoreError store::kRowsUnreadable.
    std::optional<std::vector<chart::CapacityRow>> readHistoryRows(std::int64_t id) override;
    // Removes chart `id` from the history, whichever desk made it; false when there was no such
    // chart.
    bool deleteHistoryEntry(std::int64_t id) override;

private:
    // The chart's id in the history, and whether it was added (not there already by its key).
    std::pair<std::int64_t, bool> insertHistory(const store::JobRecord& job,
                                                const store::ChartSetup& setup,
                                                std::span<const chart::CapacityRow> rows,
                                                std::string_view key, std::string_view made,
                                                const std::optional<store::Printout>& printout);

    std::unique_ptr<detail::Connection> m_connection;
    std::string m_desk;
    std::int64_t m_appendedHistoryId = 0;
};

}  // namespace dipsheet::server
