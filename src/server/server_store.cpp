// The office's store on the server. Values are only ever bound ($1, $2, ...), never spliced
// into the SQL text; every write of one action is one transaction.

#include "server/server_store.h"

#include <bit>
#include <cmath>
#include <ctime>
#include <limits>
#include <utility>

#include "server/pg.h"
#include "server/server_schema.h"
#include "store/fold.h"

namespace dipsheet::server {

using detail::Param;
using detail::Transaction;
using store::StoreError;

namespace {

// A chart's rows as the job file's history keeps them, so a chart copied from one to the
// other is the same bytes: each row its depth then its volume, each an IEEE 754 single of 4
// bytes, least significant byte first.
static_assert(std::numeric_limits<float>::is_iec559);
constexpr std::size_t kRowBytes = 8;

std::string rowBytes(std::span<const chart::CapacityRow> rows) {
    std::string bytes;
    bytes.reserve(rows.size() * kRowBytes);
    for (const chart::CapacityRow& row : rows) {
        for (const float value : {row.depth, row.volume}) {
            const auto bits = std::bit_cast<std::uint32_t>(value);
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(static_cast<char>((bits >> shift) & 0xFFu));
        }
    }
    return bytes;
}

float singleAt(const std::string& bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (std::size_t i = 4; i-- > 0;)
        bits = (bits << 8) | static_cast<unsigned char>(bytes[at + i]);
    return std::bit_cast<float>(bits);
}

// The rows of `bytes`; `what` names them in the refusal of bytes that are no chart.
std::vector<chart::CapacityRow> rowsOf(const std::string& bytes, const std::string& what) {
    const auto unreadable = [&](const std::string& why) {
        return StoreError(store::kRowsUnreadable, what + " cannot be read (" + why + ")");
    };
    if (bytes.size() % kRowBytes != 0 ||
        bytes.size() / kRowBytes > static_cast<std::size_t>(chart::kMaxRows))
        throw unreadable(std::to_string(bytes.size()) + " bytes, not 0 to " +
                         std::to_string(chart::kMaxRows) + " rows of 8");
    std::vector<chart::CapacityRow> rows(bytes.size() / kRowBytes);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = {singleAt(bytes, i * kRowBytes), singleAt(bytes, i * kRowBytes + 4)};
        if (!std::isfinite(rows[i].depth) || !std::isfinite(rows[i].volume))
            throw unreadable("row " + std::to_string(i + 1) + " is no number");
    }
    return rows;
}

// What the search reads of a chart: its serial number, customer and description, a line each,
// their case folded as the job file's search folds them (the server's own folding depends on
// how its database was made, so the desk folds before it sends).
std::string wordsOf(const store::JobRecord& job) {
    std::string words;
    store::detail::foldCase(job.serialNo + '\n' + job.customer + '\n' + job.tankDesc, words);
    return words;
}

// Whether `text` is UTF-8 throughout: the server keeps nothing else, so a word that is not
// cannot be in any chart.
bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || at + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return false;
        }
        at += length;
    }
    return true;
}

// A LIKE pattern finding `folded` (a word, its case folded) anywhere: its characters literal,
// the pattern's own (%, _ and the escape \) escaped.
std::string containing(std::string_view folded) {
    std::string pattern = "%";
    for (const char c : folded) {
        if (c == '%' || c == '_' || c == '\\')
            pattern.push_back('\\');
        pattern.push_back(c);
    }
    return pattern + "%";
}

// The characters of a UTF-8 text (its bytes less the continuation bytes).
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The local time now, as the job file's history writes it ("YYYY-MM-DD HH:MM:SS"): the time
// of the desk that made the chart, whatever the server's clock or zone.
std::string localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

constexpr const char* kColumns =
    "id, made, client, customer, tank_desc, serial_no, setup, tank, full_capacity, unit, desk, "
    "printout";

store::HistoryEntry entryOf(const detail::Result& result, int row) {
    store::HistoryEntry entry;
    entry.id = result.integer(row, 0);
    entry.made = result.text(row, 1);
    entry.job = {result.text(row, 2), result.text(row, 3), result.text(row, 4),
                 result.text(row, 5)};
    entry.setup = result.text(row, 6);
    entry.tank = chart::Tank::fromText(result.text(row, 7));
    entry.full = result.number(row, 8);
    entry.unit = result.text(row, 9);
    entry.desk = result.text(row, 10);
    if (!result.isNull(row, 11))
        entry.printout = store::Printout::fromText(result.text(row, 11));
    return entry;
}

}  // namespace

ServerStore::ServerStore(const std::string& uri, std::string desk)
    : m_connection(std::make_unique<detail::Connection>(uri)), m_desk(std::move(desk)) {
    if (store::isBlank(m_desk))
        throw StoreError(detail::kServerRefused, "A desk needs a name to work on the server");
    schema::upgrade(*m_connection);
    // A commit is answered once it is on the server's disk, whatever the server's own default:
    // a desk marks a chart sent on that answer and never sends it again, so a server that
    // crashed after answering must still hold it.
    m_connection->run("SET synchronous_commit TO on", {}, "opening the connection");
}

ServerStore::~ServerStore() = default;

std::optional<store::JobRecord> ServerStore::findJobRecord() {
    const auto row = m_connection->run(
        "SELECT client, customer, tank_desc, serial_no FROM desk_job WHERE desk = $1",
        {Param::text(m_desk)}, "reading the desk's job");
    if (row.rows() == 0)
        return std::nullopt;
    return store::JobRecord{row.text(0, 0), row.text(0, 1), row.text(0, 2), row.text(0, 3)};
}

void ServerStore::writeJob(const store::JobRecord& job) {
    // A blank name keeps the stored one; a desk's first record takes it blank, as the client
    // field shows it (never a placeholder the user did not see).
    m_connection->run(
        "INSERT INTO desk_job(desk, client, customer, tank_desc, serial_no) VALUES($1, "
        "CASE WHEN $2 THEN $3 ELSE $4 END, $5, $6, $7) ON CONFLICT (desk) DO UPDATE SET "
        "client = CASE WHEN $2 THEN desk_job.client ELSE excluded.client END, "
        "customer = excluded.customer, tank_desc = excluded.tank_desc, "
        "serial_no = excluded.serial_no",
        {Param::text(m_desk), Param::text(store::isBlank(job.member) ? "true" : "false"),
         Param::text(""), Param::text(job.member), Param::text(job.customer),
         Param::text(job.tankDesc), Param::text(job.serialNo)},
        "writing the desk's job");
}

void ServerStore::replaceChart(std::span<const chart::CapacityRow> rows,
                               const store::ChartSetup& setup,
                               const std::optional<store::JobRecord>& job, bool toHistory) {
    const std::string doing = "writing the desk's chart";
    Transaction transaction(*m_connection, doing);
    if (job)
        writeJob(*job);  // part of this transaction
    m_connection->run(
        "INSERT INTO desk_chart(desk, setup, full_capacity, tank, rows) VALUES($1, $2, $3, $4, "
        "$5) ON CONFLICT (desk) DO UPDATE SET setup = excluded.setup, full_capacity = "
        "excluded.full_capacity, tank = excluded.tank, rows = excluded.rows",
        {Param::text(m_desk), Param::text(setup.text), Param::number(setup.full),
         Param::text(setup.tank ? setup.tank->toText() : std::string()),
         Param::bytes(rowBytes(rows))},
        doing);
    std::int64_t appended = 0;
    if (setup.tank && toHistory) {
        const auto record = findJobRecord();
        appended =
            insertHistory(record.value_or(store::JobRecord{}), setup, rows, {}, {}, {}).first;
    }
    transaction.commit();
    m_appendedHistoryId = appended;
}

std::vector<chart::CapacityRow> ServerStore::readCapacity() {
    const auto row = m_connection->run("SELECT rows FROM desk_chart WHERE desk = $1",
                                       {Param::text(m_desk)}, "reading the desk's chart", true);
    if (row.rows() == 0)
        return {};
    return rowsOf(row.text(0, 0), "the rows of the chart on show");
}

std::optional<store::ChartSetup> ServerStore::readChartSetup() {
    const auto row =
        m_connection->run("SELECT setup, full_capacity, tank FROM desk_chart WHERE desk = $1",
                          {Param::text(m_desk)}, "reading the desk's chart");
    if (row.rows() == 0)
        return std::nullopt;
    return store::ChartSetup{row.text(0, 0), row.number(0, 1),
                             chart::Tank::fromText(row.text(0, 2))};
}

std::int64_t ServerStore::appendHistory(const store::JobRecord& job, const store::ChartSetup& setup,
                                        std::span<const chart::CapacityRow> rows,
                                        std::string_view key, std::string_view made,
                                        const std::optional<store::Printout>& printout) {
    Transaction transaction(*m_connection, "appending the chart to the history");
    const auto [id, added] = insertHistory(job, setup, rows, key, made, printout);
    transaction.commit();
    m_appendedHistoryId = added ? id : 0;
    return id;
}

std::pair<std::int64_t, bool> ServerStore::insertHistory(
    const store::JobRecord& job, const store::ChartSetup& setup,
    std::span<const chart::CapacityRow> rows, std::string_view key, std::string_view made,
    const std::optional<store::Printout>& printout) {
    const std::string doing = "appending the chart to the history";
    if (!setup.tank)
        throw StoreError(detail::kServerMismatch,
                         doing +
                             ": the chart has no tank, so it cannot be charted again; "
                             "nothing was written");
    // A key the history holds already adds nothing: the chart of that key is the answer.
    const auto added = m_connection->run(
        "INSERT INTO chart_history(made, desk, client, customer, tank_desc, serial_no, setup, "
        "tank, full_capacity, unit, rows, words, key, printout) VALUES($1, $2, $3, $4, $5, $6, $7, "
        "$8, $9, $10, $11, $12, $13, $14) ON CONFLICT (key) DO NOTHING RETURNING id",
        {Param::text(made.empty() ? localNow() : std::string(made)), Param::text(m_desk),
         Param::text(job.member), Param::text(job.customer), Param::text(job.tankDesc),
         Param::text(job.serialNo), Param::text(setup.text), Param::text(setup.tank->toText()),
         Param::number(setup.full), Param::text(chart::volumeUnit(setup.tank->inches)),
         rows.empty() ? Param::null() : Param::bytes(rowBytes(rows)), Param::text(wordsOf(job)),
         key.empty() ? Param::null() : Param::text(key),
         printout ? Param::text(printout->toText()) : Param::null()},
        doing);
    if (added.rows() == 1)
        return {added.integer(0, 0), true};
    // The chart is there: it takes the heading it comes with (it was corrected at the desk
    // before it was handed out) and what its printout showed, when it comes with one; its rows
    // and set-up never change.
    const auto kept = m_connection->run(
        "UPDATE chart_history SET client = CASE WHEN btrim($2, ' ') = '' THEN client ELSE $2 "
        "END, customer = $3, tank_desc = $4, serial_no = $5, words = $6, "
        "printout = coalesce($7, printout) WHERE key = $1 RETURNING id",
        {Param::text(key), Param::text(job.member), Param::text(job.customer),
         Param::text(job.tankDesc), Param::text(job.serialNo), Param::text(wordsOf(job)),
         printout ? Param::text(printout->toText()) : Param::null()},
        doing);
    return {kept.rows() == 1 ? kept.integer(0, 0) : 0, false};  // 0: deleted meanwhile
}

std::vector<store::HistoryEntry> ServerStore::readHistory(std::string_view search,
                                                          std::size_t limit) {
    std::string sql = std::string("SELECT ") + kColumns + " FROM chart_history";
    std::vector<Param> params;
    for (const std::string_view word : store::detail::searchWords(search)) {
        if (!isUtf8(word))
            return {};
        // A word of three characters or more is found through the trigram index (LIKE); a
        // shorter one has no trigram, and every chart's words are read: strpos reads them
        // faster than LIKE.
        std::string folded;
        store::detail::foldCase(word, folded);
        const bool indexed = characters(word) >= 3;
        params.push_back(Param::text(indexed ? containing(folded) : folded));
        sql += (params.size() == 1 ? " WHERE " : " AND ") +
               (indexed ? "words LIKE $" + std::to_string(params.size())
                        : "strpos(words, $" + std::to_string(params.size()) + ") > 0");
    }
    sql += " ORDER BY id DESC";
    if (limit > 0)
        sql += " LIMIT " + std::to_string(limit);
    const auto found = m_connection->run(sql.c_str(), params, "searching the history");
    std::vector<store::HistoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(found.rows()));
    for (int row = 0; row < found.rows(); ++row)
        entries.push_back(entryOf(found, row));
    return entries;
}

std::optional<store::HistoryEntry> ServerStore::readHistoryEntry(std::int64_t id) {
    const auto found = m_connection->run(
        (std::string("SELECT ") + kColumns + " FROM chart_history WHERE id = $1").c_str(),
        {Param::integer(id)}, "reading the history");
    if (found.rows() == 0)
        return std::nullopt;
    return entryOf(found, 0);
}

std::optional<std::string> ServerStore::historyDesk(std::int64_t id) {
    const auto found = m_connection->run("SELECT desk FROM chart_history WHERE id = $1",
                                         {Param::integer(id)}, "reading the history");
    if (found.rows() == 0)
        return std::nullopt;
    return found.text(0, 0);
}

std::optional<std::vector<chart::CapacityRow>> ServerStore::readHistoryRows(std::int64_t id) {
    const auto found =
        m_connection->run("SELECT rows FROM chart_history WHERE id = $1", {Param::integer(id)},
                          "reading the rows of a chart of the history", true);
    if (found.rows() == 0 || found.isNull(0, 0))
        return std::nullopt;
    const std::string what = "the rows kept with chart " + std::to_string(id);
    auto rows = rowsOf(found.text(0, 0), what);
    if (rows.empty())
        throw StoreError(store::kRowsUnreadable, what + " cannot be read (no rows)");
    return rows;
}

bool ServerStore::deleteHistoryEntry(std::int64_t id) {
    return m_connection
               ->run("DELETE FROM chart_history WHERE id = $1 RETURNING id", {Param::integer(id)},
                     "deleting a chart from the history")
               .rows() > 0;
}

}  // namespace dipsheet::server
