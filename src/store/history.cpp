// The history of the charts made: table ChartHistory, one row per chart stored with its tank
// and its rows, and ChartHistorySearch, an FTS5 table of trigrams over each row's serial number,
// customer and description (rowid = the history row's Id), which finds any part of them at once.
// The index is derived from the history: found missing, damaged or out of step, it is made again
// from it.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/fold.h"
#include "store/schema.h"
#include "store/statement.h"
#include "store/store.h"

namespace dipsheet::store {

using detail::execute;
using detail::foldCase;
using detail::Statement;

static_assert(kSearchRefused == SQLITE_TOOBIG);

namespace {

// The statement that puts the words of the charts into the search index: each chart's serial
// number, customer and description, a line each; every chart, or those of the condition `where`.
std::string indexWords(std::string_view where = {}) {
    return std::string(
               "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || char(10) || "
               "Customer || char(10) || TankDesc FROM ChartHistory")
        .append(where);
}

// Whether the file has a history; a file made before charts were kept has none.
bool hasHistory(sqlite3* db) {
    return detail::hasTable(db, "ChartHistory");
}

// The fields of a history entry; a file of version 1, read and never written, has no field
// Printout and gives none.
std::string columnsOf(sqlite3* db) {
    return std::string(
               "h.Id, h.Made, h.Client, h.Customer, h.TankDesc, h.SerialNo, h.Setup, h.Tank, "
               "h.Full, h.Unit, ")
        .append(detail::hasField(db, "ChartHistory", "Printout") ? "h.Printout" : "NULL");
}

// Whether ChartHistory has field Rows: a history made before charts kept their rows has not.
bool keepsRows(sqlite3* db) {
    return detail::hasField(db, "ChartHistory", "Rows");
}

// The rows of a chart as field Rows keeps them: each row its depth then its volume, each an
// IEEE 754 single of 4 bytes, least significant byte first whatever the machine's own order.
// 8 bytes a row: 262 KB for the largest chart, a few KB for an ordinary one.
static_assert(std::numeric_limits<float>::is_iec559);
constexpr std::size_t kRowBytes = 8;

void putSingle(std::string& bytes, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((bits >> shift) & 0xFFu));
}

float getSingle(const char* bytes) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return std::bit_cast<float>(bits);
}

std::string rowBytes(std::span<const chart::CapacityRow> rows) {
    std::string bytes;
    bytes.reserve(rows.size() * kRowBytes);
    for (const chart::CapacityRow& row : rows) {
        putSingle(bytes, row.depth);
        putSingle(bytes, row.volume);
    }
    return bytes;
}

HistoryEntry entryOf(const Statement& row) {
    HistoryEntry entry;
    entry.id = row.integer(0);
    entry.made = row.text(1);
    entry.job = {row.text(2), row.text(3), row.text(4), row.text(5)};
    entry.setup = row.text(6);
    entry.tank = chart::Tank::fromText(row.text(7));
    entry.full = row.number(8);
    entry.unit = row.text(9);
    if (!row.isNull(10))
        entry.printout = Printout::fromText(row.text(10));
    return entry;
}

// SQL function dipsheet_holds(text, word): 1 when `text`, its case folded, holds `word` (folded
// already), else 0; a NULL text holds nothing.
void holds(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* text = sqlite3_value_text(values[0]);
    const auto* word = sqlite3_value_text(values[1]);
    if (text == nullptr || word == nullptr) {
        sqlite3_result_int(context, 0);
        return;
    }
    thread_local std::string folded;
    foldCase({reinterpret_cast<const char*>(text),
              static_cast<std::size_t>(sqlite3_value_bytes(values[0]))},
             folded);
    const std::string_view wanted(reinterpret_cast<const char*>(word),
                                  static_cast<std::size_t>(sqlite3_value_bytes(values[1])));
    sqlite3_result_int(context, folded.find(wanted) != std::string::npos ? 1 : 0);
}

// The characters of a UTF-8 text (its bytes less the continuation bytes).
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// What a search asks of ChartHistorySearch: an FTS5 query of the words the trigrams can find
// (three characters or more, each a quoted phrase, so no character of it is syntax; the trigram
// index folds their case itself) and each shorter word with its case folded, which
// dipsheet_holds looks for in the words of each chart (searchWords: the first 16 count).
struct SearchQuery {
    std::string match;
    std::vector<std::string> shortWords;
    std::vector<std::string> allWords;  // every word, its case folded, for a search without index

    explicit SearchQuery(std::string_view search) {
        for (const std::string_view word : detail::searchWords(search)) {
            foldCase(word, allWords.emplace_back());
            if (characters(word) >= 3) {
                match.append(match.empty() ? "\"" : " AND \"");
                for (const char c : word)
                    match.append(c == '"' ? "\"\"" : std::string(1, c));
                match.append("\"");
            } else {
                std::string folded;
                foldCase(word, folded);
                shortWords.push_back(std::move(folded));
            }
        }
    }

    std::string where() const {
        std::string sql;
        if (!match.empty())
            sql = "ChartHistorySearch MATCH ?";
        for (std::size_t i = 0; i < shortWords.size(); ++i)
            sql.append(sql.empty() ? "" : " AND ").append("dipsheet_holds(Words, ?)");
        return sql;
    }
};

// The charts of ChartHistory h that `where` keeps (none: all), `words` bound to its parameters
// in order, newest first, at most `limit` (0: all).
std::vector<HistoryEntry> selectHistory(sqlite3* db, const std::string& where,
                                        const std::vector<std::string>& words, std::size_t limit) {
    std::string sql = "SELECT " + columnsOf(db) + " FROM ChartHistory h";
    if (!where.empty())
        sql += " WHERE " + where;
    sql += " ORDER BY h.Id DESC";
    if (limit > 0)
        sql += " LIMIT " + std::to_string(limit);
    Statement statement(db, sql.c_str(), "searching table ChartHistory");
    int index = 0;
    for (const std::string& word : words)
        statement.bindText(++index, word);
    std::vector<HistoryEntry> entries;
    while (statement.step())
        entries.push_back(entryOf(statement));
    return entries;
}

// The charts of `query`, newest first, at most `limit` (0: all). A query of no words reads
// ChartHistory alone, without the index.
std::vector<HistoryEntry> findHistory(sqlite3* db, const SearchQuery& query, std::size_t limit) {
    if (query.where().empty())
        return selectHistory(db, {}, {}, limit);
    std::vector<std::string> words;
    if (!query.match.empty())
        words.push_back(query.match);
    words.insert(words.end(), query.shortWords.begin(), query.shortWords.end());
    return selectHistory(
        db, "h.Id IN (SELECT rowid FROM ChartHistorySearch WHERE " + query.where() + ")", words,
        limit);
}

// The charts of `query` found without the index, newest first, at most `limit` (0: all): each
// chart's words read and searched, as a file opened read-only searches where its index is
// missing or out of step.
std::vector<HistoryEntry> scanHistory(sqlite3* db, const SearchQuery& query, std::size_t limit) {
    std::string where;
    for (std::size_t i = 0; i < query.allWords.size(); ++i)
        where.append(i == 0 ? "" : " AND ")
            .append(
                "dipsheet_holds(coalesce(h.SerialNo, '') || char(10) || coalesce(h.Customer, "
                "'') || char(10) || coalesce(h.TankDesc, ''), ?)");
    return selectHistory(db, where, query.allWords, limit);
}

// Whether ChartHistorySearch is there and holds the rows of ChartHistory (as ensureSearchIndex
// checks it), without mending it: false when it is missing, damaged or out of step.
bool searchIndexInStep(sqlite3* db) {
    try {
        Statement check(db,
                        "SELECT (SELECT count(*), total(Id) FROM ChartHistory) IS "
                        "(SELECT count(*), total(rowid) FROM ChartHistorySearch)",
                        "checking the search index of table ChartHistory");
        return check.step() && check.integer(0) == 1;
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        return false;
    }
}

// The tables in which FTS5 keeps ChartHistorySearch, dropped with it.
constexpr const char* kDropSearchTables[] = {"DROP TABLE IF EXISTS ChartHistorySearch_data",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_idx",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_content",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_docsize",
                                             "DROP TABLE IF EXISTS ChartHistorySearch_config"};

// Takes ChartHistorySearch out of the schema when FTS5 cannot open it to drop it (its settings
// or the record of its structure damaged): a virtual table owns no pages, so its schema entry
// goes alone and its tables are dropped after it. The schema is writable only meanwhile.
void forgetSearchIndex(sqlite3* db, const std::string& doing) {
    execute(db, "PRAGMA writable_schema = ON", doing);
    try {
        execute(db,
                "DELETE FROM sqlite_master WHERE type = 'table' AND name = 'ChartHistorySearch' "
                "AND rootpage = 0",
                doing);
    } catch (const StoreError&) {
        sqlite3_exec(db, "PRAGMA writable_schema = RESET", nullptr, nullptr, nullptr);
        throw;
    }
    execute(db, "PRAGMA writable_schema = RESET", doing);
}

// ChartHistorySearch made again from ChartHistory, in one transaction (part of the caller's,
// when one is open): whatever was there, missing, damaged or out of step, is dropped.
void rebuildSearchIndex(sqlite3* db) {
    const std::string doing = "rebuilding the search index of table ChartHistory";
    detail::Transaction transaction(db, doing);
    try {
        execute(db, "DROP TABLE IF EXISTS ChartHistorySearch", doing);
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        forgetSearchIndex(db, doing);
    }
    for (const char* sql : kDropSearchTables)
        execute(db, sql, doing);
    execute(db, schema::kCreateSearch, doing);
    execute(db, indexWords().c_str(), doing);
    transaction.commit();
}

// Whether ChartHistorySearch is there, readable and holds the rows of ChartHistory (as many,
// with the same ids); when not, it is rebuilt and the result is true. A check the engine
// cannot run for another reason (a busy or unreadable file) throws. The words of each row are
// not compared, nor the index's own pages read: a search costs no full read of the index.
bool ensureSearchIndex(sqlite3* db) {
    // An index not yet made (a file of the job tables alone, no chart in its history yet) is
    // made, and is no damage; one missing beside charts was lost.
    try {
        bool unmade = false;
        {
            Statement check(db,
                            "SELECT NOT EXISTS (SELECT 1 FROM sqlite_master WHERE name = "
                            "'ChartHistorySearch') AND NOT EXISTS (SELECT 1 FROM ChartHistory)",
                            "checking the search index of table ChartHistory");
            unmade = check.step() && check.integer(0) == 1;
        }
        if (unmade) {
            rebuildSearchIndex(db);
            return false;
        }
        Statement check(db,
                        "SELECT (SELECT count(*), total(Id) FROM ChartHistory) IS "
                        "(SELECT count(*), total(rowid) FROM ChartHistorySearch)",
                        "checking the search index of table ChartHistory");
        if (check.step() && check.integer(0) == 1)
            return false;
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
    }
    rebuildSearchIndex(db);
    return true;
}

// Inside the append's transaction: the chart just added to ChartHistory added to its index.
// An index found damaged on the way (in pages the first check does not read) or holding the
// chart's id already is rebuilt, the new chart with it, and the result is true.
bool indexNewChart(sqlite3* db) {
    try {
        execute(db, indexWords(" WHERE Id = last_insert_rowid()").c_str(),
                "appending the chart to table ChartHistory");
        return false;
    } catch (const StoreError& error) {
        if (!error.meansDamage() && (error.code() & 0xff) != SQLITE_CONSTRAINT)
            throw;
    }
    rebuildSearchIndex(db);
    return true;
}

// Whether the index's own pages agree with its rows (FTS5's integrity check, a full read).
bool searchIndexSound(sqlite3* db) {
    try {
        execute(db, "INSERT INTO ChartHistorySearch(ChartHistorySearch) VALUES('integrity-check')",
                "checking the search index of table ChartHistory");
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        return false;
    }
    return true;
}

// After the engine refused a search over a sound index: the history read without the search
// (which throws, as damage, when ChartHistory itself cannot be read), then the refusal thrown
// as one that does not mean damage.
[[noreturn]] void refuseSearch(sqlite3* db, const StoreError& refusal) {
    findHistory(db, SearchQuery({}), 1);
    throw StoreError(kSearchRefused, std::string("The search could not be run (") + refusal.what() +
                                         "): try fewer or shorter words");
}

}  // namespace

void detail::registerSearchFunctions(sqlite3* db) {
    if (sqlite3_create_function_v2(db, "dipsheet_holds", 2,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                   &holds, nullptr, nullptr, nullptr) != SQLITE_OK)
        detail::fail(db, "preparing the search of table ChartHistory");
}

void Database::appendHistory(const ChartSetup& setup, std::span<const chart::CapacityRow> rows) {
    const std::string doing = "appending the chart to table ChartHistory";
    // The caller's write has brought the file up to date; a history dropped by hand since is
    // made again, and its search index with it below.
    execute(m_db, schema::kCreateHistory, doing);
    execute(m_db, schema::kCreateHistoryIds, doing);
    m_searchIndexRebuilt = ensureSearchIndex(m_db) || m_searchIndexRebuilt;
    // The heading of the job record on file (an empty one when the table holds no record).
    Statement insert(m_db,
                     "INSERT INTO ChartHistory(Made, Client, Customer, TankDesc, SerialNo, Setup, "
                     "Tank, Full, Unit, Rows) VALUES(datetime('now', 'localtime'), "
                     "coalesce((SELECT mrQRTMember FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrCustomer FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrTankDesc FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrSerialNo FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "?1, ?2, ?3, ?4, ?5)",
                     doing);
    const std::string tank = setup.tank->toText();
    const std::string kept = rowBytes(rows);
    insert.bindBlob(5, kept);
    insert.bindText(1, setup.text);
    insert.bindText(2, tank);
    insert.bindDouble(3, setup.full);
    insert.bindText(4, chart::volumeUnit(setup.tank->inches));
    insert.step();
    m_appendedHistoryId = sqlite3_last_insert_rowid(m_db);
    m_searchIndexRebuilt = indexNewChart(m_db) || m_searchIndexRebuilt;
}

std::vector<HistoryEntry> Database::readHistory(std::string_view search, std::size_t limit) {
    if (!hasHistory(m_db))
        return {};
    const SearchQuery query(search);
    if (query.match.empty() && query.shortWords.empty())
        return findHistory(m_db, query, limit);  // the list alone: no index read, none mended
    if (m_readOnly) {
        // Nothing is mended: the index where it serves, else the history read through.
        if (searchIndexInStep(m_db)) {
            try {
                return findHistory(m_db, query, limit);
            } catch (const StoreError& error) {
                if ((error.code() & 0xff) == SQLITE_BUSY)
                    throw;
            }
        }
        return scanHistory(m_db, query, limit);
    }
    m_searchIndexRebuilt = ensureSearchIndex(m_db) || m_searchIndexRebuilt;
    try {
        return findHistory(m_db, query, limit);
    } catch (const StoreError& error) {
        // The index damaged in pages the first check does not read, or a search the engine
        // refuses: only the first is mended, by a rebuild.
        if (!error.meansDamage())
            throw;
        if (searchIndexSound(m_db))
            refuseSearch(m_db, error);
    }
    rebuildSearchIndex(m_db);
    m_searchIndexRebuilt = true;
    try {
        return findHistory(m_db, query, limit);
    } catch (const StoreError& error) {
        if (!error.meansDamage())
            throw;
        refuseSearch(m_db, error);
    }
}

std::optional<HistoryEntry> Database::readHistoryEntry(std::int64_t id) {
    if (!hasHistory(m_db))
        return std::nullopt;
    Statement statement(
        m_db, ("SELECT " + columnsOf(m_db) + " FROM ChartHistory h WHERE h.Id = ?1").c_str(),
        "reading table ChartHistory");
    statement.bindInteger(1, id);
    if (!statement.step())
        return std::nullopt;
    return entryOf(statement);
}

std::optional<std::vector<chart::CapacityRow>> Database::readHistoryRows(std::int64_t id) {
    if (!hasHistory(m_db) || !keepsRows(m_db))
        return std::nullopt;
    Statement statement(m_db, "SELECT Rows FROM ChartHistory WHERE Id = ?1",
                        "reading the rows of a chart from table ChartHistory");
    statement.bindInteger(1, id);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    const bool blob = statement.isBlob(0);  // asked before text() converts the value
    const std::string bytes = statement.text(0);
    const auto unreadable = [id](const std::string& why) {
        return StoreError(kRowsUnreadable, "the rows kept with chart " + std::to_string(id) +
                                               " cannot be read (" + why + ")");
    };
    // No chart has no rows or more than the largest chart's: printed, such rows would say
    // nothing of the tank, and put on show they would wipe the chart there.
    if (!blob || bytes.empty() || bytes.size() % kRowBytes != 0 ||
        bytes.size() / kRowBytes > static_cast<std::size_t>(chart::kMaxRows))
        throw unreadable(std::to_string(bytes.size()) + " bytes, not 1 to " +
                         std::to_string(chart::kMaxRows) + " rows of 8");
    std::vector<chart::CapacityRow> rows(bytes.size() / kRowBytes);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {getSingle(&bytes[i * kRowBytes]), getSingle(&bytes[i * kRowBytes + 4])};
        if (!std::isfinite(rows[i].depth) || !std::isfinite(rows[i].volume))
            throw unreadable("row " + std::to_string(i + 1) + " is no number");
    }
    return rows;
}

std::string Printout::toText() const {
    std::string text = inches ? "in" : "mm";
    if (ullage)
        text += " ullage";
    if (percent)
        text += " percent";
    return text;
}

std::optional<Printout> Printout::fromText(std::string_view text) {
    Printout printout;
    std::size_t at = 0;
    for (int word = 0; at <= text.size(); ++word) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string_view said = text.substr(at, end - at);
        if (word == 0 && (said == "in" || said == "mm"))
            printout.inches = said == "in";
        else if (word > 0 && said == "ullage" && !printout.ullage)
            printout.ullage = true;
        else if (word > 0 && said == "percent" && !printout.percent)
            printout.percent = true;
        else
            return std::nullopt;  // changed by hand, or written by a newer version
        at = end + 1;
    }
    return printout;
}

bool Database::keepPrintout(std::int64_t id, const Printout& printout) {
    const std::string doing = "keeping what a chart's printout showed in table ChartHistory";
    // Only a file that holds the job's tables takes it: one that has lost them is left as it
    // was found, for the action that needs them to say so.
    Statement(m_db, "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT LIMIT 0",
              doing);
    Statement(m_db, "SELECT Depth, Capacity FROM Capacity LIMIT 0", doing);
    detail::Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    const std::string text = printout.toText();
    bool changed = false;
    {
        Statement update(m_db,
                         "UPDATE ChartHistory SET Printout = ?2 WHERE Id = ?1 AND Printout IS "
                         "NOT ?2",
                         doing);
        update.bindInteger(1, id);
        update.bindText(2, text);
        update.step();
        changed = sqlite3_changes(m_db) > 0;
    }
    // A chart sent to an office's server goes again, under its key, with its printout.
    if (changed && detail::hasTable(m_db, "ChartQueue")) {
        Statement statement(m_db, "UPDATE ChartQueue SET Sent = 0 WHERE Id = ?1", doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
    return changed;
}

void Database::retitleHistoryEntry(std::int64_t id, const JobRecord& job) {
    const std::string doing = "writing the heading of a chart to table ChartHistory";
    detail::Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    Statement update(m_db,
                     "UPDATE ChartHistory SET Client = CASE WHEN trim(?2, ' ') = '' THEN Client "
                     "ELSE ?2 END, Customer = ?3, TankDesc = ?4, SerialNo = ?5 WHERE Id = ?1",
                     doing);
    update.bindInteger(1, id);
    update.bindText(2, job.member);
    update.bindText(3, job.customer);
    update.bindText(4, job.tankDesc);
    update.bindText(5, job.serialNo);
    update.step();
    for (const std::string& sql : {std::string("DELETE FROM ChartHistorySearch WHERE rowid = ?1"),
                                   indexWords(" WHERE Id = ?1")}) {
        Statement statement(m_db, sql.c_str(), doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    // A chart sent to an office's server goes again, under its key, with the new heading.
    if (detail::hasTable(m_db, "ChartQueue")) {
        Statement statement(m_db, "UPDATE ChartQueue SET Sent = 0 WHERE Id = ?1", doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
}

bool Database::deleteHistoryEntry(std::int64_t id) {
    const std::string doing = "deleting a chart from table ChartHistory";
    detail::Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    bool there = false;
    {
        Statement statement(m_db, "DELETE FROM ChartHistory WHERE Id = ?1", doing);
        statement.bindInteger(1, id);
        statement.step();
        there = sqlite3_changes(m_db) > 0;
    }
    {
        Statement statement(m_db, "DELETE FROM ChartHistorySearch WHERE rowid = ?1", doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    // A chart deleted goes from the queue too: a later chart given the same id is not it.
    if (detail::hasTable(m_db, "ChartQueue")) {
        Statement statement(m_db, "DELETE FROM ChartQueue WHERE Id = ?1", doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
    return there;
}

void Database::replaceChartQueued(std::span<const chart::CapacityRow> rows, const ChartSetup& setup,
                                  const std::optional<JobRecord>& job, std::string_view key) {
    detail::Transaction transaction(m_db, "queuing the chart for the server");
    replaceChart(rows, setup, job, true);  // part of this transaction
    if (m_appendedHistoryId != 0)
        queueAppended(key);
    transaction.commit();
}

void Database::queueAppended(std::string_view key) {
    const std::string doing = "queuing the chart for the server";
    execute(m_db, schema::kCreateQueue, doing);
    // A queue row of a chart deleted by hand may hold the id: it is that chart's no more.
    Statement queue(m_db, "INSERT OR REPLACE INTO ChartQueue(Id, Key, Sent) VALUES(?1, ?2, 0)",
                    doing);
    queue.bindInteger(1, m_appendedHistoryId);
    queue.bindText(2, key);
    queue.step();
}

std::string newChartKey() {
    std::random_device random;  // the kernel's random source
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key;
    for (int word = 0; word < 4; ++word) {
        const std::uint32_t bits = random();
        for (int shift = 28; shift >= 0; shift -= 4)
            key.push_back(kHex[(bits >> shift) & 0xF]);
    }
    return key;
}

std::vector<QueuedChart> Database::pendingCharts() {
    if (!detail::hasTable(m_db, "ChartQueue") || !hasHistory(m_db))
        return {};
    Statement statement(m_db,
                        "SELECT q.Id, q.Key FROM ChartQueue q JOIN ChartHistory h ON h.Id = q.Id "
                        "WHERE q.Sent = 0 ORDER BY q.Id",
                        "reading the charts queued for the server");
    std::vector<QueuedChart> queued;
    while (statement.step())
        queued.push_back({statement.integer(0), statement.text(1)});
    return queued;
}

void Database::markChartSent(std::int64_t id) {
    if (!detail::hasTable(m_db, "ChartQueue"))
        return;
    Statement statement(m_db, "UPDATE ChartQueue SET Sent = 1 WHERE Id = ?1",
                        "marking a chart sent to the server");
    statement.bindInteger(1, id);
    statement.step();
}

std::optional<std::string> Database::queuedKey(std::int64_t id) {
    if (!detail::hasTable(m_db, "ChartQueue"))
        return std::nullopt;
    Statement statement(m_db, "SELECT Key FROM ChartQueue WHERE Id = ?1",
                        "reading the charts queued for the server");
    statement.bindInteger(1, id);
    if (!statement.step())
        return std::nullopt;
    return statement.text(0);
}

}  // namespace dipsheet::store
