// Replacing the largest chart (32,766 rows) over an existing one of the same size, as a
// Calculate does when the chart window still holds the previous chart; a typical chart with and
// without its history row; a search of a history of 100,000 charts; how long a job save holds
// the desktop when another program holds the file.
#include "store/store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using dipsheet::store::Database;

constexpr std::int16_t kMaxRows = 32766;

// The shipped schema's tables and first record.
constexpr const char* kSchema =
    "CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT, mrSerialNo TEXT);"
    "CREATE TABLE Capacity(Depth REAL, Capacity REAL);"
    "CREATE TABLE ChartSetup(Setup TEXT, Full REAL, Tank TEXT);"
    "INSERT INTO mrQRT VALUES('Client Name', '', '', '');";

// A scratch folder holding a fresh database file; removed with everything in it.
class ScratchDatabase {
public:
    ScratchDatabase() {
        std::string pattern = (fs::temp_directory_path() / "dipsheet-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch folder");
        }
        m_dir = pattern;
        sqlite3* db = nullptr;
        const int rc = sqlite3_open(file().c_str(), &db);
        const bool made =
            rc == SQLITE_OK && sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!made) {
            throw std::runtime_error("cannot make the database file");
        }
    }
    ~ScratchDatabase() { fs::remove_all(m_dir); }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    std::string file() const { return (m_dir / dipsheet::store::kDatabaseFile).string(); }

private:
    fs::path m_dir;
};

std::vector<dipsheet::chart::CapacityRow> largestChart() {
    std::vector<dipsheet::chart::CapacityRow> rows;
    rows.reserve(kMaxRows);
    float depth = 0.0f;
    for (std::int16_t i = 1; i <= kMaxRows; ++i) {
        depth += 0.1f;
        rows.push_back({depth, depth * depth * 0.75f});
    }
    return rows;
}

void BM_ReplaceLargestChart(benchmark::State& state) {
    const ScratchDatabase scratch;
    const auto rows = largestChart();
    Database(scratch.file()).replaceChartRows(rows);
    for (auto _ : state) {
        // Each action opens its own connection, as the program does.
        Database db(scratch.file());
        db.replaceChartRows(rows);
    }
    state.SetItemsProcessed(state.iterations() * kMaxRows);
}
BENCHMARK(BM_ReplaceLargestChart)->Unit(benchmark::kMillisecond);

// A 48 x 120 in tank charted by 1/8 in, stored as Calculate stores it: with its tank (and so a
// history row, argument 1) or without (0). The difference is what the history adds.
void BM_StoreChart(benchmark::State& state) {
    const ScratchDatabase scratch;
    dipsheet::chart::Tank tank;
    tank.increment = std::string(".125");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    const auto chart = tank.chart();
    const std::span rows = std::span(chart.rows).subspan(1);
    dipsheet::store::ChartSetup setup{tank.describe(), chart.full, {}};
    if (state.range(0) == 1)
        setup.tank = tank;
    for (auto _ : state)
        Database(scratch.file()).replaceChart(rows, setup);
}
BENCHMARK(BM_StoreChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A search of part of a serial number and a word of the customer over 100,000 charts, each
// keeping its rows; the argument 1 searches a two-letter word too, which the trigrams cannot
// index; 2 and 3 search a two-letter word alone (ASCII, and one with a letter outside ASCII),
// which reads the words of every chart.
void BM_SearchHistory(benchmark::State& state) {
    const ScratchDatabase scratch;
    {
        dipsheet::chart::Tank tank;
        tank.increment = std::string("12");
        tank.diameter = std::string("48");
        tank.length = std::string("120");
        const auto chart = tank.chart();
        const dipsheet::store::ChartSetup setup{tank.describe(), chart.full, tank};
        Database db(scratch.file());
        db.replaceChart(std::span(chart.rows).subspan(1), setup);
        // The rest of the history as one transaction of copies with their own headings, each
        // keeping the rows of an ordinary chart (3 KB) as the history does.
        sqlite3* raw = nullptr;
        sqlite3_open(scratch.file().c_str(), &raw);
        sqlite3_exec(raw,
                     "BEGIN;"
                     "WITH RECURSIVE n(x) AS (SELECT 2 UNION ALL SELECT x + 1 FROM n "
                     "WHERE x < 100000) INSERT INTO ChartHistory(Made, Client, Customer, "
                     "TankDesc, SerialNo, Setup, Tank, Full, Unit, Rows) SELECT Made, Client, "
                     "'Customer ' || (x * 7919 % 5000) || ' Fuel Depot', 'Tank ' || x || "
                     "', 48 x 120 diesel, double wall', 'SN-' || x || '-B', Setup, Tank, Full, "
                     "Unit, zeroblob(3072) FROM n, ChartHistory WHERE Id = 1;"
                     "INSERT INTO ChartHistorySearch(rowid, Words) SELECT Id, SerialNo || "
                     "char(10) || Customer || char(10) || TankDesc FROM ChartHistory WHERE Id > 1;"
                     "COMMIT;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    const char* const searches[] = {"sn-4471 fuel", "sn-4471 fuel 48", "-b", "\u00e9p"};
    const std::size_t expected[] = {11, 11, 1000, 0};
    const auto which = static_cast<std::size_t>(state.range(0));
    std::size_t found = 0;
    for (auto _ : state)
        found = Database(scratch.file()).readHistory(searches[which], 1000).size();
    if (found != expected[which])
        state.SkipWithError("the search found the wrong charts");
}
BENCHMARK(BM_SearchHistory)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// A job save on a file another connection holds in an exclusive transaction, with the desktop's
// busy wait (0.1 s) and the command line's (3 s): the time until the save gives up and the
// typing waits for the retry.
void BM_JobSaveOnABusyFile(benchmark::State& state) {
    ScratchDatabase scratch;
    sqlite3* holder = nullptr;
    sqlite3_open(scratch.file().c_str(), &holder);
    sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE mrQRT SET mrSerialNo = 'held';", nullptr, nullptr,
                 nullptr);
    const dipsheet::store::JobRecord job{"Acme", "Riverside Fuel", "48 x 96 diesel", "SN-1"};
    bool refused = true;
    for (auto _ : state) {
        try {
            Database(scratch.file(), static_cast<int>(state.range(0))).writeJob(job);
            refused = false;
        } catch (const dipsheet::store::StoreError&) {
        }
    }
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    if (!refused)
        state.SkipWithError("the save went through a held file");
}
BENCHMARK(BM_JobSaveOnABusyFile)->Arg(100)->Arg(3000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
