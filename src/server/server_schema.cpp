// The server's tables. The history is shared by every desk: one row per chart, the same fields
// as the job file's history, the desk that made it, a key that makes a second append of the
// same chart (a queued row sent again, a history copied twice) add nothing, and Words, the
// chart's serial number, customer and description with their case folded, which the search
// reads through a trigram index. The job record and the chart on show are each desk's own,
// keyed by the desk's name.

#include "server/server_schema.h"

#include <string>

#include "server/pg.h"

namespace dipsheet::server::schema {

using detail::Connection;
using detail::Param;
using store::StoreError;

namespace {

// The advisory lock every desk takes to make or migrate the tables: a number of the program's
// own ("dipsheet" in ASCII), so no other program's lock is taken by chance.
constexpr const char* kLockKey = "7235441235356087412";

// Version 1: the whole shape.
constexpr const char* kVersion1[] = {
    "CREATE EXTENSION IF NOT EXISTS pg_trgm",
    "CREATE TABLE dipsheet_version(one boolean PRIMARY KEY DEFAULT true CHECK (one), "
    "version integer NOT NULL)",
    "CREATE TABLE chart_history(id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
    "made text NOT NULL, desk text NOT NULL, client text NOT NULL, customer text NOT NULL, "
    "tank_desc text NOT NULL, serial_no text NOT NULL, setup text NOT NULL, tank text NOT NULL, "
    "full_capacity double precision NOT NULL, unit text NOT NULL, rows bytea, "
    "words text NOT NULL, key text UNIQUE)",
    "CREATE INDEX chart_history_words ON chart_history USING gin (words gin_trgm_ops)",
    "CREATE TABLE desk_job(desk text PRIMARY KEY, client text NOT NULL, customer text NOT NULL, "
    "tank_desc text NOT NULL, serial_no text NOT NULL)",
    "CREATE TABLE desk_chart(desk text PRIMARY KEY, setup text NOT NULL, "
    "full_capacity double precision NOT NULL, tank text NOT NULL, rows bytea NOT NULL)",
};

// Version 2: what each chart's last printout showed, as the job file keeps it (NULL: none).
constexpr const char* kVersion2[] = {
    "ALTER TABLE chart_history ADD COLUMN printout text",
};

}  // namespace

int version(Connection& connection) {
    // A missing table reads as version 0 without an error that would end a transaction.
    const auto table = connection.run("SELECT to_regclass('dipsheet_version') IS NOT NULL",
                                      "reading the version of the server's tables");
    if (table.text(0, 0) != "t")
        return 0;
    const auto row = connection.run("SELECT version FROM dipsheet_version",
                                    "reading the version of the server's tables");
    return row.rows() == 0 ? 0 : static_cast<int>(row.integer(0, 0));
}

void upgrade(Connection& connection) {
    const std::string doing = "making the server's tables";
    const auto newer = [](int found) {
        return StoreError(detail::kServerRefused,
                          "The server's tables are of version " + std::to_string(found) +
                              ", made by a newer Dipsheet; this one writes version " +
                              std::to_string(kServerSchemaVersion) + ": update this desk");
    };
    // Most connections find the tables made: a read, no lock.
    int found = version(connection);
    if (found == kServerSchemaVersion)
        return;
    if (found > kServerSchemaVersion)
        throw newer(found);
    // The lock is the session's, taken before the transaction begins: a transaction begun
    // after another desk's commit sees the tables that desk made.
    connection.run("SELECT pg_advisory_lock($1::bigint)", {Param::text(kLockKey)}, doing);
    struct Unlock {
        Connection& connection;
        ~Unlock() {
            // A connection lost has lost its lock with it: the failure is ignored.
            try {
                connection.run("SELECT pg_advisory_unlock($1::bigint)", {Param::text(kLockKey)},
                               "unlocking the server's tables");
            } catch (const StoreError&) {
            }
        }
    } unlock{connection};
    detail::Transaction transaction(connection, doing);
    found = version(connection);  // another desk may have made them while this one waited
    if (found > kServerSchemaVersion)
        throw newer(found);
    if (found == kServerSchemaVersion)
        return;  // the transaction rolls back: nothing of its own was written
    if (found < 1) {
        for (const char* sql : kVersion1)
            connection.run(sql, doing);
    }
    if (found < 2) {
        for (const char* sql : kVersion2)
            connection.run(sql, doing);
    }
    connection.run(
        "INSERT INTO dipsheet_version(version) VALUES($1) ON CONFLICT (one) DO UPDATE "
        "SET version = excluded.version",
        {Param::integer(kServerSchemaVersion)}, doing);
    transaction.commit();
}

}  // namespace dipsheet::server::schema
