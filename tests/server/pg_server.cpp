// The tests' own PostgreSQL server.

#include "pg_server.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

namespace dipsheet::testing {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBin = DIPSHEET_PG_BIN;
constexpr const char* kPort = "5432";

// The account the server runs as: the test's own, or nobody's when the test runs as root.
struct Account {
    bool change = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

Account serverAccount() {
    if (geteuid() != 0)
        return {};
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr)
        throw std::runtime_error("running as root, and there is no user nobody to run the server");
    return {true, nobody->pw_uid, nobody->pw_gid};
}

std::string logOf(const std::string& folder) {
    std::ifstream in(folder + "/log");
    std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return log.size() > 4000 ? log.substr(log.size() - 4000) : log;
}

// Starts `argv` as the server's account, its output appended to the folder's log; the child
// is sent `dying` when the test process ends before stopping it.
pid_t spawn(const std::string& folder, const std::vector<std::string>& argv, int dying) {
    const Account account = serverAccount();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("cannot start " + argv[0]);
    if (pid > 0)
        return pid;
    const int log = open((folder + "/log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int none = open("/dev/null", O_RDONLY);
    if (log < 0 || none < 0 || dup2(none, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0)
        _exit(126);
    if (account.change &&
        (setgroups(0, nullptr) != 0 || setgid(account.gid) != 0 || setuid(account.uid) != 0))
        _exit(125);
    // Set after the change of user, which clears it; the parent may have gone meanwhile.
    if (prctl(PR_SET_PDEATHSIG, dying) != 0 || getppid() != parent)
        _exit(124);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

int waitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return status;
}

// A connection of the superuser's; throws with libpq's message when refused.
PGconn* adminConnection(const PgServer& server, const std::string& database) {
    PGconn* conn = PQconnectdb(server.uri(database).c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string message = PQerrorMessage(conn);
        PQfinish(conn);
        throw std::runtime_error("the test server refused its superuser: " + message);
    }
    return conn;
}

}  // namespace

PgServer::PgServer() {
    // A short path: the socket's full name must fit the kernel's 107 characters.
    char folder[] = "/tmp/dipsheet-pg-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        throw std::runtime_error("cannot make a folder for the test server in /tmp");
    m_folder = folder;
    try {
        const Account account = serverAccount();
        if (account.change && chown(folder, account.uid, account.gid) != 0)
            throw std::runtime_error("cannot give the server's folder to user nobody");
        const pid_t initdb =
            spawn(m_folder,
                  {std::string(kBin) + "initdb", "-D", m_folder + "/data", "-U", "postgres", "-A",
                   "trust", "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"},
                  SIGKILL);
        const int status = waitFor(initdb);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("initdb failed (status " + std::to_string(status) + "):\n" +
                                     logOf(m_folder));
        // First match wins: `refused` never logs in, `clerk` gives a password, the rest trust
        // the socket (which only the folder's owner and root reach).
        std::ofstream(m_folder + "/data/pg_hba.conf", std::ios::trunc)
            << "local all refused reject\n"
               "local all clerk scram-sha-256\n"
               "local all all trust\n";
        start();
        createDatabase("dipsheet");
        query("postgres", std::string("CREATE ROLE clerk LOGIN PASSWORD '") + kClerkPassword +
                              "'; CREATE ROLE refused LOGIN");
    } catch (...) {
        stop();
        fs::remove_all(m_folder);
        throw;
    }
}

PgServer::~PgServer() {
    stop();
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

std::string PgServer::uri(const std::string& database, const std::string& user) const {
    return "postgresql:///" + database + "?host=" + m_folder + "&port=" + kPort + "&user=" + user;
}

void PgServer::start() {
    if (m_pid > 0)
        return;  // running already
    // Fast shutdown (SIGINT) should the test process die with the server running.
    m_pid =
        spawn(m_folder,
              {std::string(kBin) + "postgres", "-D", m_folder + "/data", "-k", m_folder, "-p",
               kPort, "-c", "listen_addresses=", "-c", "fsync=off", "-c", "synchronous_commit=off",
               "-c", "full_page_writes=off", "-c", "max_connections=40"},
              SIGINT);
    const std::string ping = "host=" + m_folder + " port=" + kPort + " dbname=postgres";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (PQping(ping.c_str()) != PQPING_OK) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("the test server stopped at start:\n" + logOf(m_folder));
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the test server did not answer within 60 s:\n" +
                                     logOf(m_folder));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void PgServer::stop() {
    halt(SIGINT);
}

void PgServer::kill() {
    halt(SIGQUIT);
}

void PgServer::halt(int signal) {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            waitFor(m_pid);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
}

std::string PgServer::query(const std::string& database, const std::string& sql) const {
    PGconn* conn = adminConnection(*this, database);
    PGresult* result = PQexec(conn, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    std::string value;
    if (status == PGRES_TUPLES_OK && PQntuples(result) > 0)
        value = PQgetvalue(result, 0, 0);
    const std::string message = PQerrorMessage(conn);
    PQclear(result);
    PQfinish(conn);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(sql + ": " + message);
    return value;
}

void PgServer::createDatabase(const std::string& name) const {
    query("postgres", "CREATE DATABASE \"" + name + "\"");
}

}  // namespace dipsheet::testing
