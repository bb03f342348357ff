#pragma once

// A PostgreSQL server of the tests' own: made by initdb in a temporary folder, listening only
// on a Unix socket in that folder, stopped and removed when the object goes (and stopped by
// the kernel should the test process die first). Run as root (CI), the server runs as user
// nobody, since PostgreSQL refuses to run as root.

#include <sys/types.h>

#include <string>

namespace dipsheet::testing {

class PgServer {
public:
    // Makes and starts the server, with database `dipsheet`, superuser `postgres` (no
    // password over the socket), role `clerk` (password kClerkPassword) and role `refused`
    // (every login refused). Throws std::runtime_error with the reason and the server's log
    // when it cannot.
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    static constexpr const char* kClerkPassword = "right-password";

    // The connection URI of `database` as `user`.
    std::string uri(const std::string& database = "dipsheet",
                    const std::string& user = "postgres") const;
    const std::string& folder() const { return m_folder; }

    // Runs `sql` as the superuser on `database`; the first value of its first row ("" when
    // none). Throws std::runtime_error with the server's message on failure.
    std::string query(const std::string& database, const std::string& sql) const;
    // A new empty database of that name.
    void createDatabase(const std::string& name) const;

    // The server stopped (fast shutdown: every connection cut) and started again (a server
    // running already is left running).
    void stop();
    void start();
    // The server killed as a crash would (immediate shutdown: every process quits at once,
    // nothing written out); its next start recovers from its log.
    void kill();

private:
    // The postmaster sent `signal` and waited for (killed after 30 s).
    void halt(int signal);

    std::string m_folder;
    pid_t m_pid = -1;
};

}  // namespace dipsheet::testing
