#include "history_tool.h"

#include <charconv>
#include <ostream>
#include <span>
#include <string_view>

#include "chart/tank.h"
#include "folder.h"
#include "store/store.h"

namespace dipsheet::cli {

namespace {

// A CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text)
        quoted.append(c == '"' ? "\"\"" : std::string(1, c));
    return quoted + "\"";
}

void databaseFailed(const store::StoreError& e, std::ostream& err) {
    err << "dipsheet-chart: error " << e.code() << ": " << e.what() << '\n';
}

}  // namespace

int listHistory(const std::string& search, std::ostream& out, std::ostream& err) {
    std::vector<store::HistoryEntry> entries;
    try {
        entries = store::JobDatabase().connect().readHistory(search);
    } catch (const store::StoreError& e) {
        databaseFailed(e, err);
        return e.code() == store::kSearchRefused ? 2 : 1;  // the search, not the file
    }
    std::string text = "Id,Date,Serial,Customer,Description,Setup,Full\n";
    for (const store::HistoryEntry& e : entries) {
        text.append(std::to_string(e.id)).append(",").append(csvField(e.made)).append(",");
        text.append(csvField(e.job.serialNo)).append(",").append(csvField(e.job.customer));
        text.append(",").append(csvField(e.job.tankDesc)).append(",");
        text.append(e.tank ? csvField(e.setup) : std::string("cannot be read")).append(",");
        text.append(chart::singleText(static_cast<float>(e.full))).append("\n");
    }
    out << text;
    out.flush();
    return 0;
}

int reprintChart(const std::string& id, bool store, std::ostream& out, std::ostream& err) {
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
    if (error != std::errc() || end != id.data() + id.size() || number <= 0) {
        err << "dipsheet-chart: --reprint takes the Id of a chart of the history, as --history "
               "lists it; '"
            << id << "' is not one\n";
        return 2;
    }
    std::optional<store::HistoryEntry> entry;
    try {
        entry = store::JobDatabase().connect().readHistoryEntry(number);
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
    chart::Tank::Chart made;
    try {
        made = entry->tank->chart();
    } catch (const chart::InputError& e) {
        err << "dipsheet-chart: chart " << number << ": " << e.what() << '\n';
        return 2;
    }
    if (store) {
        const auto held = holdFolder(err);
        if (!held)
            return 1;
        try {
            store::JobDatabase().connect().replaceChart(std::span(made.rows).subspan(1),
                                                        {entry->setup, made.full, entry->tank});
        } catch (const store::StoreError& e) {
            databaseFailed(e, err);
            return 1;
        }
    }
    out << chart::chartCsv(made.rows);
    out.flush();
    err << "chart " << number << " made " << entry->made << '\n';  // the date on its printout
    return 0;
}

}  // namespace dipsheet::cli
