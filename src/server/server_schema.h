#pragma once

// The shape of the desks' database on the server, in one place, versioned like the job file:
// the version in the one row of table dipsheet_version, and the steps that bring a database
// of an older shape (or an empty one) to this version's. Made and migrated by the program
// itself, once, in one transaction, with an advisory lock so two desks opening at the same
// moment do it one after the other.

namespace dipsheet::server {

namespace detail {
class Connection;
}

// The version of the server's shape this program writes. 0: an empty database; 1: the shared
// history with its trigram search and the desks' job records and charts on show; 2: the history
// keeps what each chart's printout showed.
inline constexpr int kServerSchemaVersion = 2;

namespace schema {

// The version the database holds (0 when it holds none of the program's tables).
int version(detail::Connection& connection);

// The database brought to kServerSchemaVersion: a fresh one made, an older one migrated, in
// one transaction under the program's advisory lock (a second desk waits, then finds it done).
// A database of a newer version throws StoreError: this version would misread it.
void upgrade(detail::Connection& connection);

}  // namespace schema
}  // namespace dipsheet::server
