// The history of the charts made: table ChartHistory, one row per chart stored with its tank,
// and ChartHistorySearch, an FTS5 table of trigrams over each row's serial number, customer and
// description (rowid = the history row's Id), which finds any part of them at once.

#include <algorithm>
#include <string>
#include <vector>

#include "store/statement.h"
#include "store/store.h"

namespace dipsheet::store {

using detail::execute;
using detail::Statement;

namespace {

// As data/QRTMembers.sql makes them; a file made before them gets them at its next chart.
constexpr const char* kCreateHistory[] = {
    "CREATE TABLE IF NOT EXISTS ChartHistory(Id INTEGER PRIMARY KEY, Made TEXT, Client TEXT, "
    "Customer TEXT, TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank TEXT, Full REAL, Unit TEXT)",
    "CREATE VIRTUAL TABLE IF NOT EXISTS ChartHistorySearch USING fts5(Words, "
    "tokenize='trigram')"};

constexpr const char* kColumns =
    "h.Id, h.Made, h.Client, h.Customer, h.TankDesc, h.SerialNo, h.Setup, h.Tank, h.Full, h.Unit";

bool hasHistory(sqlite3* db) {
    Statement statement(db,
                        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                        "name = 'ChartHistory'",
                        "reading the file's tables");
    return statement.step();
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
    return entry;
}

// The characters of a UTF-8 text (its bytes less the continuation bytes).
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// What a search asks of ChartHistorySearch: an FTS5 query of the words the trigrams can find
// (three characters or more, each a quoted phrase, so no character of it is syntax) and a LIKE
// pattern for each shorter word (its %, _ and \ escaped).
struct SearchQuery {
    std::string match;
    std::vector<std::string> likes;

    explicit SearchQuery(std::string_view search) {
        std::size_t at = 0;
        while (at < search.size()) {
            const std::size_t start = search.find_first_not_of(" \t\r\n", at);
            if (start == std::string_view::npos)
                break;
            const std::size_t end = std::min(search.find_first_of(" \t\r\n", start), search.size());
            const std::string_view word = search.substr(start, end - start);
            at = end;
            if (characters(word) >= 3) {
                match.append(match.empty() ? "\"" : " AND \"");
                for (const char c : word)
                    match.append(c == '"' ? "\"\"" : std::string(1, c));
                match.append("\"");
            } else {
                std::string like = "%";
                for (const char c : word) {
                    if (c == '%' || c == '_' || c == '\\')
                        like += '\\';
                    like += c;
                }
                likes.push_back(like + "%");
            }
        }
    }

    std::string where() const {
        std::string sql;
        if (!match.empty())
            sql = "ChartHistorySearch MATCH ?";
        for (std::size_t i = 0; i < likes.size(); ++i)
            sql.append(sql.empty() ? "" : " AND ").append("Words LIKE ? ESCAPE '\\'");
        return sql;
    }
};

}  // namespace

void Database::appendHistory(const ChartSetup& setup) {
    const std::string doing = "appending the chart to table ChartHistory";
    for (const char* sql : kCreateHistory)
        execute(m_db, sql, doing);
    // The heading of the job record on file (an empty one when the table holds no record).
    Statement insert(m_db,
                     "INSERT INTO ChartHistory(Made, Client, Customer, TankDesc, SerialNo, Setup, "
                     "Tank, Full, Unit) VALUES(datetime('now', 'localtime'), "
                     "coalesce((SELECT mrQRTMember FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrCustomer FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrTankDesc FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "coalesce((SELECT mrSerialNo FROM mrQRT ORDER BY rowid LIMIT 1), ''), "
                     "?1, ?2, ?3, ?4)",
                     doing);
    const std::string tank = setup.tank->toText();
    insert.bindText(1, setup.text);
    insert.bindText(2, tank);
    insert.bindDouble(3, setup.full);
    insert.bindText(4, chart::volumeUnit(setup.tank->inches));
    insert.step();
    execute(m_db,
            "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || char(10) || "
            "Customer || char(10) || TankDesc FROM ChartHistory WHERE Id = last_insert_rowid()",
            doing);
}

std::vector<HistoryEntry> Database::readHistory(std::string_view search, std::size_t limit) {
    std::vector<HistoryEntry> entries;
    if (!hasHistory(m_db))
        return entries;
    const SearchQuery query(search);
    std::string sql = std::string("SELECT ") + kColumns + " FROM ChartHistory h";
    if (!query.where().empty())
        sql += " WHERE h.Id IN (SELECT rowid FROM ChartHistorySearch WHERE " + query.where() + ")";
    sql += " ORDER BY h.Id DESC";
    if (limit > 0)
        sql += " LIMIT " + std::to_string(limit);
    Statement statement(m_db, sql.c_str(), "searching table ChartHistory");
    int index = 0;
    if (!query.match.empty())
        statement.bindText(++index, query.match);
    for (const std::string& like : query.likes)
        statement.bindText(++index, like);
    while (statement.step())
        entries.push_back(entryOf(statement));
    return entries;
}

std::optional<HistoryEntry> Database::readHistoryEntry(std::int64_t id) {
    if (!hasHistory(m_db))
        return std::nullopt;
    Statement statement(
        m_db, (std::string("SELECT ") + kColumns + " FROM ChartHistory h WHERE h.Id = ?1").c_str(),
        "reading table ChartHistory");
    statement.bindInteger(1, id);
    if (!statement.step())
        return std::nullopt;
    return entryOf(statement);
}

void Database::deleteHistoryEntry(std::int64_t id) {
    const std::string doing = "deleting a chart from table ChartHistory";
    detail::Transaction transaction(m_db, doing);
    for (const char* sql : {"DELETE FROM ChartHistory WHERE Id = ?1",
                            "DELETE FROM ChartHistorySearch WHERE rowid = ?1"}) {
        Statement statement(m_db, sql, doing);
        statement.bindInteger(1, id);
        statement.step();
    }
    transaction.commit();
}

}  // namespace dipsheet::store
