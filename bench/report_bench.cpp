// The largest chart the program makes (32,766 rows) printed to PDF through the shipped inch
// layout: rendering alone, and the whole Print path (definition, database, PDF). Then a 48-inch
// chart at 1/8 inch printed in the eighths layout and in the list: the eighths table must
// take no longer.

#include "render.h"
#include "report.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace dipsheet::report;

namespace {

constexpr int kRows = 32766;

std::string readText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The shipped inch layout, sent to chart.pdf instead of the preview.
std::string pdfLayout() {
    std::string text = readText(DIPSHEET_DATA "/indipsheet.rpt");
    const std::string from = "Destination=preview";
    text.replace(text.find(from), from.size(), "Destination=pdf");
    return text;
}

// A horizontal-cylinder-like chart in 1/64 inch steps: depths with fractions, volumes of
// eight or nine digits.
std::vector<dipsheet::chart::CapacityRow> bigChart() {
    std::vector<dipsheet::chart::CapacityRow> rows;
    rows.reserve(kRows);
    for (int i = 1; i <= kRows; ++i) {
        const float depth = static_cast<float>(i) / 64.0f;
        rows.push_back({depth, depth * depth * 0.7321f + depth * 3.1f});
    }
    return rows;
}

void BM_RenderPdf(benchmark::State& state) {
    QTemporaryDir dir;
    Report report;
    report.definitionName = QStringLiteral("indipsheet.rpt");
    const std::string layout = pdfLayout();
    report.definition = parseDefinition(QByteArray::fromStdString(layout), report.definitionName);
    report.job = {"Acme Tank Works", "Riverside Fuel\nDock Road", "Horizontal cylinder", "SN-1"};
    report.rows = bigChart();
    report.date = QDate(2024, 3, 5);
    const QString path = dir.filePath(QStringLiteral("chart.pdf"));
    for (auto _ : state) {
        writePdf(report, path);
    }
    QPdfWriter writer(dir.filePath(QStringLiteral("unused.pdf")));
    applyPageLayout(report.definition, writer);
    state.counters["pages"] = paginate(report, writer).pages;
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
}
BENCHMARK(BM_RenderPdf)->Unit(benchmark::kMillisecond)->Iterations(5);

// A 48-inch tank charted at 1/8 inch from 1/8 (the striker allowance) to 48: 384 rows.
Report eighthsReport(const char* layout) {
    Report report;
    report.definitionName = QStringLiteral("indipsheet.rpt");
    std::string text = pdfLayout();
    const std::string from = "Layout=list";
    text.replace(text.find(from), from.size(), std::string("Layout=") + layout);
    report.definition = parseDefinition(QByteArray::fromStdString(text), report.definitionName);
    report.job = {"Acme Tank Works", "Riverside Fuel\nDock Road", "Horizontal cylinder", "SN-1"};
    for (int i = 1; i <= 48 * 8; ++i) {
        const float depth = static_cast<float>(i) / 8.0f;
        report.rows.push_back({depth, depth * depth * 0.7321f + depth * 3.1f});
    }
    report.date = QDate(2024, 3, 5);
    return report;
}

void renderFortyEightInches(benchmark::State& state, const char* layout) {
    QTemporaryDir dir;
    const Report report = eighthsReport(layout);
    const QString path = dir.filePath(QStringLiteral("chart.pdf"));
    for (auto _ : state) {
        writePdf(report, path);
    }
    QPdfWriter writer(dir.filePath(QStringLiteral("unused.pdf")));
    applyPageLayout(report.definition, writer);
    state.counters["pages"] = paginate(report, writer).pages;
    state.counters["bytes"] = static_cast<double>(QFile(path).size());
}

void BM_FortyEightInchesAsList(benchmark::State& state) {
    renderFortyEightInches(state, "list");
}
BENCHMARK(BM_FortyEightInchesAsList)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_FortyEightInchesByEighths(benchmark::State& state) {
    renderFortyEightInches(state, "eighths");
}
BENCHMARK(BM_FortyEightInchesByEighths)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_LoadAndProduce(benchmark::State& state) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    std::ofstream("indipsheet.rpt", std::ios::binary) << pdfLayout();
    sqlite3* db = nullptr;
    sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_exec(db, readText(DIPSHEET_SCHEMA).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Capacity VALUES(?1, ?2)", -1, &insert, nullptr);
    for (const auto& row : bigChart()) {
        sqlite3_bind_double(insert, 1, static_cast<double>(row.depth));
        sqlite3_bind_double(insert, 2, static_cast<double>(row.volume));
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);

    for (auto _ : state) {
        ReportEngine engine;
        engine.setReportFileName(QStringLiteral("indipsheet.rpt"));
        engine.load();
        engine.produce();
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_LoadAndProduce)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

// Fonts and the PDF writer need an application object; no display is needed.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
