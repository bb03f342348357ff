// Replacing the largest chart (32,766 rows) over an existing one of the same size, as a
// Calculate does when the chart window still holds the previous chart.
#include "store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
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

}  // namespace
