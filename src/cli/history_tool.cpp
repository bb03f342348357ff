#include "history_tool.h"

#include <QDir>

#include <charconv>
#include <filesystem>
#include <ostream>
#include <span>
#include <string_view>

#include "chart/site.h"
#include "chart/tank.h"
#include "folder.h"
#include "folderlock.h"
#include "server/desk.h"
#include "server/server_store.h"
#include "store/store.h"

namespace dipsheet::cli {

namespace {

// Stored text as it may reach a terminal: every control character but the line break (C0,
// DEL, and C1 written in UTF-8) and every byte that is no UTF-8 escaped as \xHH (C1 as \u0080
// to \u009f), the Unicode bidirectional controls (U+202A to U+202E, U+2066 to U+2069) as \uHHHH,
// a backslash doubled, so that nothing stored can move the cursor, retitle the window, clear the
// screen or turn the text around, and the text can be read back unambiguously. A line break
// stays: it is part of a quoted CSV field.
std::string terminalText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escape = [&out](unsigned char byte) {
        out.append("\\x").push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0xF]);
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const auto next = [&](std::size_t i) {
            return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
        };
        if (byte == '\\') {
            out.append("\\\\");
            ++at;
        } else if (byte == '\n' || (byte >= ' ' && byte < 0x7F)) {
            out.push_back(static_cast<char>(byte));
            ++at;
        } else if (byte < 0x80) {
            escape(byte);  // C0 and DEL
            ++at;
        } else {
            // A well-formed sequence stays, but for the C1 controls (U+0080 to U+009F, which some
            // terminals obey like ESC [); a stray byte is escaped alone.
            const std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                                       : byte >= 0xE0 && byte <= 0xEF ? 3
                                       : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                                      : 0;
            bool wellFormed = length != 0 && at + length <= text.size();
            for (std::size_t i = 1; wellFormed && i < length; ++i)
                wellFormed = (next(i) & 0xC0) == 0x80;
            // No overlong forms, surrogates or code points past U+10FFFF.
            if (wellFormed &&
                ((byte == 0xE0 && next(1) < 0xA0) || (byte == 0xED && next(1) > 0x9F) ||
                 (byte == 0xF0 && next(1) < 0x90) || (byte == 0xF4 && next(1) > 0x8F)))
                wellFormed = false;
            if (!wellFormed) {
                escape(byte);
                ++at;
            } else if (const char32_t point =
                           length == 2   ? ((byte & 0x1Fu) << 6) | (next(1) & 0x3Fu)
                           : length == 3 ? ((byte & 0x0Fu) << 12) | ((next(1) & 0x3Fu) << 6) |
                                               (next(2) & 0x3Fu)
                                         : 0;
                       point <= 0x9F || (point >= 0x202A && point <= 0x202E) ||
                       (point >= 0x2066 && point <= 0x2069)) {
                out.append("\\u");
                for (int shift = 12; shift >= 0; shift -= 4)
                    out.push_back(kHex[(point >> shift) & 0xF]);
                at += length;
            } else {
                out.append(text.substr(at, length));
                at += length;
            }
        }
    }
    return out;
}

// A CSV field of stored text, escaped as terminalText does: quoted, with its quotes doubled,
// when it holds a comma, a quote or a line break.
std::string csvField(std::string_view stored) {
    const std::string text = terminalText(stored);
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted.append(c == '"' ? "\"\"" : std::string(1, c));
    return quoted + "\"";
}

void databaseFailed(const store::StoreError& e, std::ostream& err) {
    err << "dipsheet-chart: error " << e.code() << ": " << e.what() << '\n';
}

// The history the run reads: the server's shared one when given, else the job file's, opened
// read-only: reading never writes to it (an older layout stays as it is, and a read-only file
// is read).
std::unique_ptr<store::ChartStore> historyOf(const std::optional<ServerChoice>& server) {
    if (server)
        return std::make_unique<dipsheet::server::ServerStore>(server->uri, server->desk);
    return store::JobDatabase().openReadOnly();
}

// The charts waiting in the working directory's job file go up before the office's history is
// read, so the desk finds them there: when the folder has a file and no other program holds it
// (a desktop on the folder sends its own). A server away is said; the read then says it too.
void sendWaiting(const ServerChoice& server, std::ostream& err) {
    if (!std::filesystem::is_regular_file(store::kDatabaseFile))
        return;
    document::FolderLock lock(QDir::currentPath());
    if (lock.take() != document::FolderLock::Outcome::Taken)
        return;
    try {
        const store::JobDatabase file;
        if (file.connect().pendingCharts().empty())
            return;
        const auto report = dipsheet::server::Desk(file, server.uri, server.desk).send();
        if (report.sent > 0)
            err << "dipsheet-chart: " << report.sent << (report.sent == 1 ? " chart" : " charts")
                << " waiting in the data folder's file went to the server\n";
        if (!report.notice.empty())
            err << "dipsheet-chart: " << report.notice << '\n';
    } catch (const store::StoreError& e) {
        databaseFailed(e,
                       err);  // the file's own failure: the server's history is read all the same
    }
}

}  // namespace

bool outputWritten(std::ostream& out, std::ostream& err) {
    out.flush();
    if (out)
        return true;
    err << "dipsheet-chart: the output could not be written (a full disk, or a file that takes "
           "nothing): it is not whole\n";
    return false;
}

int listHistory(const std::string& search, const std::optional<ServerChoice>& server,
                std::ostream& out, std::ostream& err) {
    if (server)
        sendWaiting(*server, err);
    std::vector<store::HistoryEntry> entries;
    try {
        entries = historyOf(server)->readHistory(search);
    } catch (const store::StoreError& e) {
        databaseFailed(e, err);
        return e.code() == store::kSearchRefused ? 2 : 1;  // the search, not the file
    }
    std::string text = server ? "Id,Date,Serial,Customer,Description,Setup,Full,Desk\n"
                              : "Id,Date,Serial,Customer,Description,Setup,Full\n";
    for (const store::HistoryEntry& e : entries) {
        text.append(std::to_string(e.id)).append(",").append(csvField(e.made)).append(",");
        text.append(csvField(e.job.serialNo)).append(",").append(csvField(e.job.customer));
        text.append(",").append(csvField(e.job.tankDesc)).append(",");
        text.append(e.tank ? csvField(e.setup) : std::string("cannot be read")).append(",");
        text.append(chart::singleText(static_cast<float>(e.full)));
        if (server)
            text.append(",").append(csvField(e.desk));
        text.append("\n");
    }
    out << text;
    return outputWritten(out, err) ? 0 : 1;
}

int reprintChart(const std::string& id, bool store, const std::optional<ServerChoice>& server,
                 std::ostream& out, std::ostream& err) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error != std::errc() || end != id.data() + id.size() || number <= 0) {
        err << "dipsheet-chart: --reprint takes the Id of a chart of the history, as --history "
               "lists it; '"
            << id << "' is not one\n";
        return 2;
    }
    if (server)
        sendWaiting(*server, err);
    std::optional<store::HistoryEntry> entry;
    try {
        entry = historyOf(server)->readHistoryEntry(number);
    } catch (const store::StoreError& e) {
        databaseFailed(e, err);
        return 1;
    }
    if (!entry) {
        err << "dipsheet-chart: there is no chart " << number << " in the history\n";
        return 2;
    }
    if (!entry->tank) {
        err << "dipsheet-chart: the set-up of chart " << number
            << " cannot be read (changed by hand, or made by a newer version)\n";
        return 2;
    }
    // The rows kept with the chart, bit for bit what was printed when it was made, whatever
    // this version would chart; a chart made before charts kept their rows is charted again.
    std::optional<std::vector<chart::CapacityRow>> kept;
    try {
        kept = historyOf(server)->readHistoryRows(number);
    } catch (const store::StoreError& e) {
        if (e.code() != store::kRowsUnreadable) {
            databaseFailed(e, err);
            return 1;
        }
        err << "dipsheet-chart: " << e.what() << " (changed by hand, or kept by a newer version)\n";
        return 2;
    }
    std::vector<chart::CapacityRow> rows;
    double full = entry->full;
    if (kept) {
        rows = *std::move(kept);
    } else {
        try {
            chart::Tank::Chart made = entry->tank->chart();
            rows.assign(made.rows.begin() + 1, made.rows.end());
            full = made.full;
        } catch (const chart::InputError& e) {
            err << "dipsheet-chart: chart " << number << ": " << e.what() << '\n';
            return 2;
        }
    }
    if (store) {
        const auto held = holdFolder(err);
        if (!held)
            return 1;
        try {
            // On show again, not made again: the history keeps the one row it has.
            const store::ChartSetup setup{entry->setup, full, entry->tank};
            if (server) {
                const auto report =
                    dipsheet::server::Desk(store::JobDatabase(), server->uri, server->desk)
                        .showChart(rows, setup);
                if (!report.notice.empty())
                    err << "dipsheet-chart: " << report.notice << '\n';
            } else {
                store::JobDatabase().connect().replaceChart(rows, setup, std::nullopt, false);
            }
        } catch (const store::StoreError& e) {
            databaseFailed(e, err);
            return 1;
        }
    }
    // With the columns Ullage and Percent when its last printout had the site's columns.
    const bool site = entry->printout && (entry->printout->ullage || entry->printout->percent);
    out << (site ? chart::chartCsvWithUllage(rows, full) : chart::chartCsv(rows));
    if (!outputWritten(out, err))
        return 1;
    if (!kept)
        err << "Chart " << number
            << " was made before charts kept their rows: charted again from its set-up.\n";
    // The date on its printout.
    err << "chart " << number << " made " << terminalText(entry->made) << '\n';
    return 0;
}

int copyHistory(const ServerChoice& server, std::ostream& out, std::ostream& err) {
    // The file's queued charts are marked sent as they go: the folder is held meanwhile.
    const auto held = holdFolder(err);
    if (!held)
        return 1;
    const auto report =
        dipsheet::server::Desk(store::JobDatabase(), server.uri, server.desk).copyHistory();
    out << report.copied << (report.copied == 1 ? " chart" : " charts") << " copied, "
        << report.there << " there already\n";
    if (!outputWritten(out, err))
        return 1;
    if (report.notice.empty())
        return 0;
    err << "dipsheet-chart: " << report.notice << '\n';
    return 1;
}

}  // namespace dipsheet::cli
