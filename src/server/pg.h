#pragma once

// The server back end's helpers over libpq: one connection, one result, a statement run with
// its values bound (never spliced into the SQL text), and a transaction that rolls back unless
// committed. Every failure throws store::StoreError naming what was being done, with a code the
// desk reads as the SQLite store's codes (see errorCode).

#include <libpq-fe.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/store.h"

namespace dipsheet::server::detail {

// The codes of a StoreError from the server, as the SQLite store's codes mean them, so a desk
// tells a server away or a refused login (said in the notice bar) from damage.
inline constexpr int kServerAway = 14;      // SQLITE_CANTOPEN: unreachable, or the link lost
inline constexpr int kLoginRefused = 23;    // SQLITE_AUTH: user, password or access refused
inline constexpr int kServerBusy = 5;       // SQLITE_BUSY: a lock or a conflict, to be retried
inline constexpr int kServerRefused = 3;    // SQLITE_PERM: refused for want of a right
inline constexpr int kServerFull = 13;      // SQLITE_FULL: the server's disk is full
inline constexpr int kServerMismatch = 20;  // SQLITE_MISMATCH: a value the server will not hold
inline constexpr int kServerDamage = 1;     // SQLITE_ERROR: a table or field missing, or other

// The StoreError code of a server error by its SQLSTATE (five characters; empty when the
// server sent none: the link failed).
int errorCode(std::string_view sqlstate);

// `message` with the password of the server's `address` taken out, in every form libpq takes
// one: the address itself, any quoted token or word that is a piece of the address overlapping
// its user information ("user:password@") or a "password=" value (as written, or with its %XX
// decoded, as libpq quotes it back), and the password itself wherever it stands. Every message
// that may carry the address or libpq's words passes here before anyone sees it.
std::string scrubbed(std::string message, std::string_view address);

// A value bound to a statement: NULL (none), or a text (format text), or bytes (format binary,
// for a bytea). A text holding a NUL byte is refused before it is sent, since the server keeps
// no such text and libpq would cut it there.
struct Param {
    std::optional<std::string> value;
    bool binary = false;

    static Param text(std::string_view text) { return {std::string(text), false}; }
    static Param bytes(std::string_view bytes) { return {std::string(bytes), true}; }
    static Param number(double value);  // its shortest text that reads back exactly
    static Param integer(std::int64_t value) { return {std::to_string(value), false}; }
    static Param null() { return {}; }
};

// One result, cleared when it goes.
class Result {
public:
    explicit Result(PGresult* result = nullptr) : m_result(result) {}
    ~Result() { PQclear(m_result); }
    Result(Result&& other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
    Result& operator=(Result&& other) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    PGresult* raw() const { return m_result; }
    int rows() const { return PQntuples(m_result); }
    bool isNull(int row, int column) const { return PQgetisnull(m_result, row, column) != 0; }
    // The value's bytes as the server sent them (text, or the bytes of a binary result); a
    // NULL reads as empty.
    std::string text(int row, int column) const;
    std::int64_t integer(int row, int column) const;
    double number(int row, int column) const;  // a NULL reads as 0

private:
    PGresult* m_result;
};

// One connection to the server, by libpq's connection string or URI (its sslmode, host list,
// ~/.pgpass and PGPASSWORD honoured as libpq honours them). A server that cannot be reached,
// a login refused or a database missing throws StoreError saying which.
class Connection {
public:
    explicit Connection(const std::string& uri);
    ~Connection() { PQfinish(m_conn); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs `sql` with `params` ($1, $2, ...), the result in text, or in binary when `binary`;
    // throws StoreError naming `doing` on any failure.
    Result run(const char* sql, const std::vector<Param>& params, const std::string& doing,
               bool binary = false);
    Result run(const char* sql, const std::string& doing) { return run(sql, {}, doing); }

    bool inTransaction() const { return PQtransactionStatus(m_conn) != PQTRANS_IDLE; }
    PGconn* raw() const { return m_conn; }

private:
    std::string m_address;  // for taking its password out of libpq's words
    PGconn* m_conn = nullptr;
};

// A transaction that rolls back unless committed, so a failure leaves the server as it was.
class Transaction {
public:
    Transaction(Connection& connection, std::string doing);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& m_connection;
    std::string m_doing;
    bool m_open = true;
};

}  // namespace dipsheet::server::detail
