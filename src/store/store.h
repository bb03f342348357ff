#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "chart/tank.h"

struct sqlite3;

namespace dipsheet::store {

// A key for a chart made now, for an office's server: 128 random bits as 32 hexadecimal digits.
std::string newChartKey();

// The job database's fixed file name, always opened by bare name in the working directory.
inline constexpr const char* kDatabaseFile = "QRTMembers.mdb";

// How long a connection waits for another program's lock to pass before it reports the file
// busy: the command line waits; the desktop never holds the keyboard that long and retries.
inline constexpr int kBusyTimeoutMs = 3000;

// The client name a job record holds until the office types its own: the one a record made
// for a table without one takes when no name has been typed.
inline constexpr const char* kClientPlaceholder = "Client Name";

// A failure of the database engine: the engine's error number and its message.
class StoreError : public std::runtime_error {
public:
    StoreError(int code, const std::string& message);
    int code() const noexcept { return m_code; }
    // Whether the file is damaged (not a database, a malformed page, or without the tables and
    // fields the program keeps), as opposed to a condition that passes or that the user can mend
    // (another program holding the file, a read-only or missing file, a full disk).
    bool meansDamage() const noexcept;

private:
    int m_code;
};

// The code of a StoreError for a search the engine refused (a query too large for it): the
// file is sound and the search can be typed otherwise, so it is not damage. SQLite's
// SQLITE_TOOBIG (a text or statement past the engine's limits).
inline constexpr int kSearchRefused = 18;

// The code of a StoreError for the rows kept with a chart of the history that this version
// cannot read (changed by hand, or kept by a newer version): the file is sound, only that
// chart cannot be printed as it was made. SQLite's SQLITE_MISMATCH (a value of the wrong kind).
inline constexpr int kRowsUnreadable = 20;

// The first record of table mrQRT: the client's name and the chart heading.
struct JobRecord {
    std::string member;    // mrQRTMember
    std::string customer;  // mrCustomer
    std::string tankDesc;  // mrTankDesc
    std::string serialNo;  // mrSerialNo

    friend bool operator==(const JobRecord&, const JobRecord&) = default;
};

// Empty, or blanks only: a client name never stored, a heading field as the panels pad it.
inline bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// One value of a table as stored: NULL, a number (REAL or INTEGER) or a text (TEXT, or the
// bytes of a BLOB).
using Value = std::variant<std::monostate, double, std::string>;

// A table as stored: its field names in the table's own order and its rows in table order.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};

// The set-up of the chart on file: as people read it (field Setup: shape, heads, dimensions as
// typed, inside or outside, unit, increment, striker allowance), the tank's full capacity in
// the chart's volume unit (Full), and the tank itself (Tank, in the one-line form of
// chart::Tank::toText). Kept in table ChartSetup (one row) where the file has that table; a
// file made before field Tank, or a line this version cannot read, gives the text without
// the tank.
struct ChartSetup {
    std::string text;
    double full = 0;
    std::optional<chart::Tank> tank;
};

// What the printout of a chart showed, kept with it in the history so that a reprint lays out
// the same page: the unit of the report definition it went through (the inch or the millimetre
// one) and whether it had the columns Ullage and % Full. Kept as one line of words ("in ullage
// percent", "mm"); a line this version cannot read gives none.
struct Printout {
    bool inches = true;
    bool ullage = false;
    bool percent = false;

    std::string toText() const;
    static std::optional<Printout> fromText(std::string_view text);
    friend bool operator==(const Printout&, const Printout&) = default;
};

// A chart the office has made, as table ChartHistory keeps it: when (local time,
// "YYYY-MM-DD HH:MM:SS"), the job record it was made for, its set-up as people read it, the tank
// (none when the stored line cannot be read: hand-edited, or from a newer version), the full
// capacity and its unit ("US gal", "L"). The chart's rows are kept with it (field Rows) and
// read on their own by readHistoryRows: a list of the history does not carry them.
struct HistoryEntry {
    std::int64_t id = 0;
    std::string made;
    JobRecord job;
    std::string setup;
    std::optional<chart::Tank> tank;
    double full = 0;
    std::string unit;
    std::string desk;  // the desk that made it, in an office's shared history; empty in a file
    // What its last printout showed; none before it was printed, or when it was kept before
    // charts kept their printouts (a reprint then lays it out as its definition says).
    std::optional<Printout> printout;
};

// A chart of the history queued for the office's server: its id in the history and the key that
// names it there once for all (a chart sent twice is kept once).
struct QueuedChart {
    std::int64_t id = 0;
    std::string key;
};

// What a desk works on, whichever store keeps it: the job record, the chart on show and the
// chart history, with one meaning for every store (Database: the data folder's file;
// server::ServerStore: an office's server, whose history every desk shares). Failures throw
// StoreError.
class ChartStore {
public:
    virtual ~ChartStore() = default;

    // The job record; none before the first is written.
    virtual std::optional<JobRecord> findJobRecord() = 0;
    // The whole job record written; a blank client name (empty or spaces) leaves the stored one.
    virtual void writeJob(const JobRecord& job) = 0;
    // The chart on show replaced in one transaction: its rows and set-up, `job` first when
    // given, and the chart appended to the history when the set-up has its tank and `toHistory`.
    virtual void replaceChart(std::span<const chart::CapacityRow> rows, const ChartSetup& setup,
                              const std::optional<JobRecord>& job = std::nullopt,
                              bool toHistory = true) = 0;
    // The id of the history row the last replaceChart added; 0 when it added none.
    virtual std::int64_t appendedHistoryId() const noexcept = 0;
    // The rows of the chart on show, bit for bit, and its set-up (none before the first chart).
    virtual std::vector<chart::CapacityRow> readCapacity() = 0;
    virtual std::optional<ChartSetup> readChartSetup() = 0;

    // The charts of the history, newest first, whose serial number, customer or description hold
    // every word of `search` (any order, any case, every character literal; words parted by
    // blanks and control characters, the first 16 counting), at most `limit` (0: all).
    virtual std::vector<HistoryEntry> readHistory(std::string_view search = {},
                                                  std::size_t limit = 0) = 0;
    virtual std::optional<HistoryEntry> readHistoryEntry(std::int64_t id) = 0;
    // The rows chart `id` was made with, bit for bit; none when it was made before charts kept
    // their rows, or there is no such chart. Rows this version cannot read throw StoreError
    // kRowsUnreadable, which is not damage.
    virtual std::optional<std::vector<chart::CapacityRow>> readHistoryRows(std::int64_t id) = 0;
    // Chart `id` taken out of the history (the chart on show is not touched); false when there
    // was no such chart.
    virtual bool deleteHistoryEntry(std::int64_t id) = 0;
};

// Makes a fresh job database at `path`: its tables and the first job record (the placeholder
// name), at the shape this version writes. An existing file of that name (a database or anything
// else) is never touched: that throws StoreError, as does a folder that cannot be written; a
// failure part-way removes the file made.
void createDatabase(const std::string& path);

// One connection to the job database, opened read-write for one action and closed when the
// object goes. The file must exist: it is never created. A busy timeout (milliseconds) lets a
// short lock by another connection pass. A file of an older shape (made before the history, or
// before a field this version keeps) is brought up to date by the connection's first write, in
// that write's transaction; reading it changes nothing.
class Database final : public ChartStore {
public:
    // `queueForServer`: the file is a desk's of an office's server, and every chart replaceChart
    // appends to the history is queued for the server too (ChartQueue, under a new key), in the
    // same transaction.
    // `readOnly`: the file is opened read-only (SQLITE_OPEN_READONLY) and never written, not
    // even to mend the search index: a search where the index is missing, out of step or
    // damaged reads the history through (see readHistory). Any write then fails.
    explicit Database(const std::string& path = kDatabaseFile, int busyTimeoutMs = kBusyTimeoutMs,
                      bool queueForServer = false, bool readOnly = false);
    ~Database() override;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The first mrQRT record (lowest rowid). Throws when the table holds no record.
    JobRecord readJobRecord();
    // The first mrQRT record, or none when the table holds no record: what a window shows
    // (nothing) before the first write finds the record missing.
    std::optional<JobRecord> findJobRecord() override;
    // Writes the client's name into the first record, unchanged. A table without a record
    // gets one, holding only this name.
    void writeMember(std::string_view member);
    // Writes the three heading fields into the first record in one update. A table without a
    // record gets one, holding only these fields.
    void writeHeading(std::string_view customer, std::string_view tankDesc,
                      std::string_view serialNo);
    // Writes the whole job record into the first record in one update: the heading as given,
    // and the client name unless it is blank (empty or spaces only: a blank name is never
    // stored, the stored one stays). A table without a record gets one, with the placeholder
    // for a blank name.
    void writeJob(const JobRecord& job) override;

    // Every Capacity row in table order, rows with Depth of 0 or less included; the volume is
    // field Capacity.
    std::vector<chart::CapacityRow> readCapacity() override;
    // Every field of every Capacity row as stored, whatever fields and order a file made
    // elsewhere gives the table; rows in table order as readCapacity reads them.
    Table readCapacityTable();
    // Deletes every Capacity row with Depth greater than 0; the others stay.
    void deleteChartRows();  // and the chart's set-up, where the file keeps one
    // Replaces the chart: in one transaction deletes the rows with Depth greater than 0 and
    // appends the given (depth, volume) rows in order. On failure nothing changes.
    void replaceChartRows(std::span<const chart::CapacityRow> rows);
    // The same, and in the same transaction the chart's set-up in table ChartSetup, where the
    // file has that table (field Tank is added to a table made before it); a file made before
    // the table is left without one. `job`, when given, is written first as writeJob writes it,
    // so the chart and its heading are stored together. A set-up with its tank is also appended
    // to the history, table ChartHistory, with the job record on file and `rows` themselves
    // (so a reprint prints them whatever a later version would chart), unless `toHistory` is
    // false (a chart of the history put back); a file made before the history, or before the
    // history kept rows, gets the table or the field.
    void replaceChart(std::span<const chart::CapacityRow> rows, const ChartSetup& setup,
                      const std::optional<JobRecord>& job = std::nullopt,
                      bool toHistory = true) override;
    // The set-up of the chart on file; none when the file has no ChartSetup table or no row.
    std::optional<ChartSetup> readChartSetup() override;

    // The charts made, newest first, whose serial number, customer or description hold every
    // word of `search` (in any order, any case; every character literal), at most `limit` of
    // them (0: all). Any text is a search: words are separated by blanks and control characters
    // (NUL included), and only the first 16 count. A file without table ChartHistory has none.
    // Read-only, the index is used when it is there and in step, else the history is read
    // through, each chart's words folded and searched (the same charts, more slowly).
    // The search index is derived from the history: found missing, damaged or out of step by a
    // search of any word, it is rebuilt first (see searchIndexRebuilt); the whole list reads
    // the history alone. A search the engine still refuses throws StoreError kSearchRefused,
    // which is not damage; only a damaged history is.
    std::vector<HistoryEntry> readHistory(std::string_view search = {},
                                          std::size_t limit = 0) override;
    // The chart `id` of the history; none when there is no such row.
    std::optional<HistoryEntry> readHistoryEntry(std::int64_t id) override;
    // The rows chart `id` of the history was made with (rows 1 to N, as replaceChart took
    // them), bit for bit; none when it was made before the history kept rows, or there is no
    // such chart. Rows this version cannot read throw StoreError kRowsUnreadable, which is not
    // damage.
    std::optional<std::vector<chart::CapacityRow>> readHistoryRows(std::int64_t id) override;
    // Removes the chart `id` from the history; the chart on show is not touched. False when
    // there was no such chart.
    bool deleteHistoryEntry(std::int64_t id) override;
    // Keeps with chart `id` of the history what its printout showed, so that a reprint lays out
    // the same page; a chart queued for an office's server waits to go again, with it. False
    // when the chart kept that printout already (nothing is written) or there is no such chart.
    // A file without the job's tables and fields throws StoreError and is left as it was.
    bool keepPrintout(std::int64_t id, const Printout& printout);
    // Gives the chart `id` of the history the heading `job` (a blank client name leaves the
    // stored one), its search words with it: the chart was handed out under that heading. A
    // chart queued for an office's server waits to go again, with it.
    void retitleHistoryEntry(std::int64_t id, const JobRecord& job);
    // As replaceChart with the chart appended to the history, and in the same transaction that
    // chart queued for the office's server under `key` (table ChartQueue, made at the first
    // chart queued): a chart is in the file, waiting, before any server sees it. A set-up
    // without its tank appends no chart and queues none.
    void replaceChartQueued(std::span<const chart::CapacityRow> rows, const ChartSetup& setup,
                            const std::optional<JobRecord>& job, std::string_view key);
    // The charts queued and not yet sent, oldest first (a chart deleted from the history while
    // it waited is not sent).
    std::vector<QueuedChart> pendingCharts();
    // Chart `id` marked sent: the server has committed it.
    void markChartSent(std::int64_t id);
    // The key under which chart `id` was queued; none when it never was.
    std::optional<std::string> queuedKey(std::int64_t id);

    // The id of the history row the last replaceChart of this connection appended; 0 when it
    // appended none.
    std::int64_t appendedHistoryId() const noexcept override { return m_appendedHistoryId; }
    // Whether this connection has rebuilt the history's search index (at a search or at a
    // chart's append), having found it missing, damaged or out of step with the history: the
    // history is whole, and the desktop may say the index was mended.
    bool searchIndexRebuilt() const noexcept { return m_searchIndexRebuilt; }

private:
    // Inside a transaction: the rows with Depth above 0 replaced by `rows`.
    void writeChartRows(std::span<const chart::CapacityRow> rows);
    // Inside a transaction: the chart of `setup` and its `rows` appended to the history.
    void appendHistory(const ChartSetup& setup, std::span<const chart::CapacityRow> rows);

    // Inside a transaction: the history row just appended queued for the server under `key`.
    void queueAppended(std::string_view key);

    sqlite3* m_db = nullptr;
    bool m_queueForServer = false;
    bool m_readOnly = false;
    bool m_searchIndexRebuilt = false;
    std::int64_t m_appendedHistoryId = 0;
};

// The job database of a run: the one handle every window is given (a copy of it: it is no more
// than the file's path, so a window being destroyed never holds a dangling handle). The program
// makes it at start-up with the file's full path, so every window reaches the same file whatever
// the working directory; made without a path it is QRTMembers.mdb in the working directory. Each
// action opens its own connection and closes it when done: a file that another program replaces,
// moves away or makes read-only while Dipsheet runs is found as it is at that moment, and a
// file put back is used again without a restart.
class JobDatabase {
public:
    explicit JobDatabase(std::string path = kDatabaseFile, int busyTimeoutMs = kBusyTimeoutMs,
                         bool queueForServer = false)
        : m_path(std::move(path)),
          m_busyTimeoutMs(busyTimeoutMs),
          m_queueForServer(queueForServer) {}
    const std::string& path() const { return m_path; }
    // Whether the charts stored are queued for an office's server (Database's constructor).
    bool queuesForServer() const { return m_queueForServer; }
    // A connection for one action.
    Database connect() const { return Database(m_path, m_busyTimeoutMs, m_queueForServer); }
    // The same, held by its interface (beside a store of another kind).
    std::unique_ptr<ChartStore> open() const {
        return std::make_unique<Database>(m_path, m_busyTimeoutMs, m_queueForServer);
    }
    // A connection that only reads: the file opened read-only, never written (a read-only file,
    // or one of an older layout, is read as it is).
    std::unique_ptr<ChartStore> openReadOnly() const {
        return std::make_unique<Database>(m_path, m_busyTimeoutMs, m_queueForServer, true);
    }

private:
    std::string m_path;
    int m_busyTimeoutMs;
    bool m_queueForServer;
};

}  // namespace dipsheet::store
