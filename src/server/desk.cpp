// A desk on the server: the file first, the server after, nothing lost between them.

#include "server/desk.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <random>

#include "server/pg.h"
#include "server/server_store.h"

namespace dipsheet::server {

using store::StoreError;

namespace {

// The charts the server refuses for what they hold (a value it will not keep, a tank or rows
// this version cannot read), as opposed to the server itself failing: such a chart is passed
// over and the others go on.
bool refusesChart(const StoreError& error) {
    return error.code() == detail::kServerMismatch || error.code() == store::kRowsUnreadable;
}

std::string chartsText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " chart" : " charts");
}

// The notice of a server that failed the action, and what waits in the file.
std::string noticeOf(const StoreError& error, std::size_t waiting, bool brief = false) {
    std::string notice = serverFailure(error, brief);
    if (waiting > 0)
        notice += ": " + chartsText(waiting) +
                  (waiting == 1 ? " waits in the data folder's file and goes"
                                : " wait in the data folder's file and go") +
                  " to the server when it is back";
    return notice;
}

// 64-bit FNV-1a over `bytes`, from `seed`.
std::uint64_t fnv1a(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

void appendHex(std::string& text, std::uint64_t value) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (int shift = 60; shift >= 0; shift -= 4)
        text.push_back(kHex[(value >> shift) & 0xF]);
}

// A field of the text a key is derived from: its length, then its bytes, so that no two
// different charts give the same text.
void appendField(std::string& text, std::string_view field) {
    text.append(std::to_string(field.size())).append(":").append(field);
}

}  // namespace

std::string serverFailure(const StoreError& error, bool brief) {
    const std::string what = error.what();
    if (what.rfind("The database server", 0) == 0)
        return brief ? what.substr(0, what.find(": ")) : what;
    const std::string failed = error.code() == detail::kServerAway
                                   ? "The database server cannot be reached"
                                   : "The database server failed";
    return brief ? failed : failed + " (" + what + ")";
}

std::string serverShown(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    if (options == nullptr)
        return "the server";
    std::string host, address, port, database;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        const std::string_view keyword = option->keyword;
        const std::string value = option->val != nullptr ? option->val : "";
        if (keyword == "host")
            host = value;
        else if (keyword == "hostaddr")
            address = value;
        else if (keyword == "port")
            port = value;
        else if (keyword == "dbname")
            database = value;
    }
    PQconninfoFree(options);
    std::string shown = !host.empty() ? host : !address.empty() ? address : "this machine";
    if (!port.empty() && port != "5432")
        shown += ":" + port;
    if (!database.empty())
        shown += "/" + database;
    return shown;
}

std::string defaultDeskName() {
    std::string user;
    if (const passwd* account = getpwuid(geteuid()); account != nullptr && account->pw_name)
        user = account->pw_name;
    if (user.empty()) {
        const char* named = std::getenv("USER");
        user = named != nullptr && *named != '\0' ? named : "desk";
    }
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return user;
    return user + "@" + host;
}

std::string historyChartKey(const store::HistoryEntry& entry,
                            std::span<const chart::CapacityRow> rows) {
    std::string text;
    appendField(text, std::to_string(entry.id));
    for (const std::string& field : {entry.made, entry.job.member, entry.job.customer,
                                     entry.job.tankDesc, entry.job.serialNo, entry.setup})
        appendField(text, field);
    appendHex(text, std::bit_cast<std::uint64_t>(entry.full));
    for (const chart::CapacityRow& row : rows) {
        text.push_back(';');
        appendHex(text, (std::uint64_t{std::bit_cast<std::uint32_t>(row.depth)} << 32) |
                            std::bit_cast<std::uint32_t>(row.volume));
    }
    // Two hashes of different seeds: 128 bits, so distinct charts do not meet by chance.
    std::string key = "h-";
    appendHex(key, fnv1a(text, 0xcbf29ce484222325ULL));
    appendHex(key, fnv1a(text, 0x84222325cbf29ce4ULL));
    return key;
}

Desk::Desk(store::JobDatabase file, std::string uri, std::string name)
    : m_file(std::move(file)), m_uri(std::move(uri)), m_name(std::move(name)) {}

void Desk::sendOver(ServerStore& server, ServerReport& report) {
    store::Database db = m_file.connect();
    std::string refused;
    for (const store::QueuedChart& queued : db.pendingCharts()) {
        try {
            const auto entry = db.readHistoryEntry(queued.id);
            if (!entry)
                continue;  // deleted since
            const auto rows = db.readHistoryRows(queued.id);
            server.appendHistory(entry->job, {entry->setup, entry->full, entry->tank},
                                 rows.value_or(std::vector<chart::CapacityRow>{}), queued.key,
                                 entry->made, entry->printout);
        } catch (const StoreError& error) {
            if (!refusesChart(error))
                throw;
            refused += (refused.empty() ? "" : "; ") + std::string("chart ") +
                       std::to_string(queued.id) + ": " + error.what();
            continue;
        }
        // Committed on the server: a cut before this mark sends the chart again, and its key
        // keeps it once there.
        db.markChartSent(queued.id);
        ++report.sent;
    }
    report.waiting = db.pendingCharts().size();
    if (!refused.empty())
        report.notice = "The database server refused " + refused +
                        "; these charts wait in the data folder's file";
}

ServerReport Desk::storeChart(std::span<const chart::CapacityRow> rows,
                              const store::ChartSetup& setup,
                              const std::optional<store::JobRecord>& job) {
    std::optional<store::JobRecord> record;
    {
        store::Database db = m_file.connect();
        db.replaceChartQueued(rows, setup, job, newChartKey());
        record = db.findJobRecord();
    }
    return onServer(rows, setup, record);
}

ServerReport Desk::showChart(std::span<const chart::CapacityRow> rows,
                             const store::ChartSetup& setup) {
    std::optional<store::JobRecord> record;
    {
        store::Database db = m_file.connect();
        db.replaceChart(rows, setup, std::nullopt, false);
        record = db.findJobRecord();
    }
    return onServer(rows, setup, record);
}

ServerReport Desk::sync() {
    std::optional<store::JobRecord> record;
    std::vector<chart::CapacityRow> rows;
    std::optional<store::ChartSetup> setup;
    {
        store::Database db = m_file.connect();
        record = db.findJobRecord();
        setup = db.readChartSetup();
        if (setup)
            rows = db.readCapacity();
    }
    return onServer(rows, setup, record);
}

ServerReport Desk::onServer(std::span<const chart::CapacityRow> rows,
                            const std::optional<store::ChartSetup>& setup,
                            const std::optional<store::JobRecord>& record) {
    ServerReport report;
    try {
        ServerStore server(m_uri, m_name);
        if (setup)
            server.replaceChart(rows, *setup, record, false);
        else if (record)
            server.writeJob(*record);
        sendOver(server, report);
    } catch (const StoreError& error) {
        report.waiting = m_file.connect().pendingCharts().size();
        report.notice = noticeOf(error, report.waiting);
        report.brief = noticeOf(error, report.waiting, true);
    }
    return report;
}

ServerReport Desk::send() {
    ServerReport report;
    try {
        ServerStore server(m_uri, m_name);
        sendOver(server, report);
    } catch (const StoreError& error) {
        try {
            report.waiting = m_file.connect().pendingCharts().size();
        } catch (const StoreError&) {
        }
        report.notice = noticeOf(error, report.waiting);
        report.brief = noticeOf(error, report.waiting, true);
    }
    return report;
}

CopyReport Desk::copyHistory() {
    CopyReport report;
    std::string refused;
    try {
        store::Database db = m_file.connect();
        std::vector<store::HistoryEntry> entries = db.readHistory();
        std::reverse(entries.begin(), entries.end());  // oldest first, as they were made
        ServerStore server(m_uri, m_name);
        for (const store::HistoryEntry& entry : entries) {
            std::optional<std::string> queued;
            try {
                const auto rows =
                    db.readHistoryRows(entry.id).value_or(std::vector<chart::CapacityRow>{});
                queued = db.queuedKey(entry.id);
                server.appendHistory(entry.job, {entry.setup, entry.full, entry.tank}, rows,
                                     queued.value_or(historyChartKey(entry, rows)), entry.made,
                                     entry.printout);
            } catch (const StoreError& error) {
                if (!refusesChart(error))
                    throw;
                ++report.refused;
                refused += (refused.empty() ? "" : "; ") + std::string("chart ") +
                           std::to_string(entry.id) + ": " + error.what();
                continue;
            }
            ++(server.appendedHistoryId() != 0 ? report.copied : report.there);
            if (queued)
                db.markChartSent(entry.id);
        }
    } catch (const StoreError& error) {
        // The file or the server failed part-way: what was committed stays, and a second copy
        // finds it there.
        report.notice = noticeOf(error, 0);
        return report;
    }
    if (!refused.empty())
        report.notice = "The database server refused " + refused;
    return report;
}

}  // namespace dipsheet::server
