#pragma once

// The store's own helpers over the SQLite C API: a prepared statement, a statement run for
// its effect, and a write transaction. Every failure throws StoreError naming what was being
// done.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "store/store.h"

namespace dipsheet::store::detail {

// Throws the connection's last error as the engine reported it, after what was being done.
[[noreturn]] inline void fail(sqlite3* db, const std::string& doing) {
    throw StoreError(sqlite3_errcode(db), doing + ": " + sqlite3_errmsg(db));
}

// One prepared statement, finalized when it goes. Every failure throws StoreError naming
// `doing`. Values are only ever bound, never spliced into the SQL text.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, std::string doing)
        : m_db(db), m_doing(std::move(doing)) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // How many values the statement takes (its highest ?N).
    int parameterCount() const { return sqlite3_bind_parameter_count(m_stmt); }

    // Binds the text unchanged (UTF-8, any length). The view must outlive the next step.
    void bindText(int index, std::string_view text) {
        // An empty view may carry no pointer, which would bind NULL instead of an empty text.
        const char* data = text.data() != nullptr ? text.data() : "";
        if (sqlite3_bind_text64(m_stmt, index, data, text.size(), SQLITE_STATIC, SQLITE_UTF8) !=
            SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }

    void bindInteger(int index, std::int64_t value) {
        if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }

    void bindDouble(int index, double value) {
        if (sqlite3_bind_double(m_stmt, index, value) != SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }

    // A float widened to double is exact, so the stored value reads back as the same float.
    void bindFloat(int index, float value) {
        if (sqlite3_bind_double(m_stmt, index, static_cast<double>(value)) != SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }

    // Binds the bytes unchanged as a BLOB; no bytes bind an empty BLOB, never NULL.
    void bindBlob(int index, std::string_view bytes) {
        const int rc = bytes.empty() ? sqlite3_bind_zeroblob(m_stmt, index, 0)
                                     : sqlite3_bind_blob64(m_stmt, index, bytes.data(),
                                                           bytes.size(), SQLITE_STATIC);
        if (rc != SQLITE_OK) {
            fail(m_db, m_doing);
        }
    }

    // True when a result row is ready, false when the statement has run to its end.
    bool step() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            fail(m_db, m_doing);
        }
        return false;
    }

    // Readies the statement to run again with new values; step() has already reported errors.
    void reset() { sqlite3_reset(m_stmt); }

    // A NULL reads as empty text.
    std::string text(int column) const {
        const auto* data = sqlite3_column_text(m_stmt, column);
        if (data == nullptr) {
            return {};
        }
        const int size = sqlite3_column_bytes(m_stmt, column);
        return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    }

    // A NULL reads as 0. Values stored from floats narrow back exactly.
    double number(int column) const { return sqlite3_column_double(m_stmt, column); }

    std::int64_t integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

    float real(int column) const {
        return static_cast<float>(sqlite3_column_double(m_stmt, column));
    }

    // Whether the value is NULL, or a BLOB (rather than a number or a text).
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    bool isBlob(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_BLOB; }

    int columnCount() const { return sqlite3_column_count(m_stmt); }
    std::string columnName(int column) const {
        const char* name = sqlite3_column_name(m_stmt, column);
        return name != nullptr ? name : "";
    }

    // The value as stored: a number stays a number, a text or BLOB comes as its bytes.
    Value value(int column) const {
        switch (sqlite3_column_type(m_stmt, column)) {
            case SQLITE_NULL:
                return std::monostate{};
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                return sqlite3_column_double(m_stmt, column);
            default:
                return text(column);
        }
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_doing;
};

// Whether the file has table `table`.
inline bool hasTable(sqlite3* db, std::string_view table) {
    Statement statement(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1",
                        "reading the file's tables");
    statement.bindText(1, table);
    return statement.step();
}

// Whether table `table` has field `field` (none has, when the table is missing).
inline bool hasField(sqlite3* db, std::string_view table, std::string_view field) {
    Statement statement(db, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2",
                        "reading the fields of table " + std::string(table));
    statement.bindText(1, table);
    statement.bindText(2, field);
    return statement.step();
}

// Registers on a new connection the SQL functions the history's search uses (dipsheet_holds).
void registerSearchFunctions(sqlite3* db);

// Runs one statement that returns no rows.
inline void execute(sqlite3* db, const char* sql, const std::string& doing) {
    Statement statement(db, sql, doing);
    while (statement.step()) {
    }
}

// A write transaction that rolls back unless committed, so a failure leaves the file as it was.
// BEGIN IMMEDIATE takes the write lock up front (waiting out the busy timeout) rather than
// failing part-way.
class Transaction {
public:
    // Inside a transaction already open on the connection, this one is part of it: the outer
    // one commits, or rolls back when a failure leaves it.
    Transaction(sqlite3* db, std::string doing) : m_db(db), m_doing(std::move(doing)) {
        if (sqlite3_get_autocommit(m_db) == 0)
            return;
        execute(m_db, "BEGIN IMMEDIATE", m_doing);
        m_open = true;
    }
    ~Transaction() {
        // The engine may already have rolled back (e.g. after an I/O error); a failed rollback
        // has nothing left to undo, so its error is ignored.
        if (m_open && sqlite3_get_autocommit(m_db) == 0) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        if (!m_open)
            return;
        execute(m_db, "COMMIT", m_doing);
        m_open = false;
    }

private:
    sqlite3* m_db;
    std::string m_doing;
    bool m_open = false;
};

}  // namespace dipsheet::store::detail
