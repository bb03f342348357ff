// The shared history's search on a PostgreSQL server the benchmark starts itself, over
// 100,000 charts, each keeping the rows of an ordinary chart, as bench_store searches the job
// file's history.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "pg_server.h"
#include "server/server_store.h"

namespace {

using dipsheet::server::ServerStore;

// The server and its history, made once for every case.
struct History {
    dipsheet::testing::PgServer server;
    std::string uri = server.uri();

    History() {
        dipsheet::chart::Tank tank;
        tank.increment = std::string("12");
        tank.diameter = std::string("48");
        tank.length = std::string("120");
        const auto chart = tank.chart();
        ServerStore store(uri, "desk-1");
        store.replaceChart(std::span(chart.rows).subspan(1), {tank.describe(), chart.full, tank},
                           dipsheet::store::JobRecord{"Ann", "Customer 1", "Tank 1", "SN-1-B"});
        // The rest as copies with their own headings (ASCII, so the server's lower() folds
        // them as the desk does), from four desks, each with 3 KB of rows.
        server.query("dipsheet",
                     "INSERT INTO chart_history(made, desk, client, customer, tank_desc, "
                     "serial_no, setup, tank, full_capacity, unit, rows, words) "
                     "SELECT h.made, 'desk-' || (x % 4), h.client, c, d, s, h.setup, h.tank, "
                     "h.full_capacity, h.unit, decode(repeat('00', 3072), 'hex'), "
                     "lower(s || E'\\n' || c || E'\\n' || d) FROM chart_history h, "
                     "generate_series(2, 100000) x, "
                     "LATERAL (SELECT 'Customer ' || (x * 7919 % 5000) || ' Fuel Depot' AS c, "
                     "'Tank ' || x || ', 48 x 120 diesel, double wall' AS d, "
                     "'SN-' || x || '-B' AS s) v WHERE h.id = 1");
        server.query("dipsheet", "VACUUM ANALYZE chart_history");
    }
};

History& history() {
    static History made;
    return made;
}

const char* const kSearches[] = {"sn-4471 fuel", "sn-4471 fuel 48", "-b", "\u00e9p", "471"};

// Argument 0: the search (a part of a serial number and a word of the customer; the same and a
// two-letter word; a two-letter word alone, ASCII and not; a three-letter word alone);
// argument 1: 1 connects for each search as a desk's action does, 0 searches on one connection.
void BM_ServerSearch(benchmark::State& state) {
    History& made = history();
    const char* search = kSearches[state.range(0)];
    const std::size_t expected = std::stoul(made.server.query(
        "dipsheet", std::string("SELECT least(count(*), 1000) FROM chart_history WHERE ") +
                        (state.range(0) == 3 ? "false" : "true") + " AND words LIKE ALL (" +
                        "SELECT '%' || w || '%' FROM unnest(string_to_array('" + search +
                        "', ' ')) w)"));
    auto open = std::make_unique<ServerStore>(made.uri, "desk-1");
    std::size_t found = 0;
    for (auto _ : state) {
        if (state.range(1) == 1)
            found = ServerStore(made.uri, "desk-1").readHistory(search, 1000).size();
        else
            found = open->readHistory(search, 1000).size();
    }
    state.counters["found"] = static_cast<double>(found);
    if (found != expected)
        state.SkipWithError("the search found the wrong charts");
}
BENCHMARK(BM_ServerSearch)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
