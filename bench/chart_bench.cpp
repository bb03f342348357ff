// The largest charts the program makes: 32,766 rows of each shape.
#include <benchmark/benchmark.h>

#include "chart.h"

using namespace dipsheet::chart;

namespace {

ChartOptions options() {
    ChartOptions o;
    o.inches = true;
    o.striker = false;
    o.increment.push_back('1');  // (assigning a literal trips a false -Wrestrict in GCC 12)
    return o;
}

void BM_RectangularChart(benchmark::State& state) {
    const auto o = options();
    for (auto _ : state) {
        auto rows = calcRect(o, {"200", "100", "32766", ""});
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_HorizontalCylinderChart(benchmark::State& state) {
    const auto o = options();
    for (auto _ : state) {
        auto rows = calcCyl(o, {"32766", "400", "", ""});
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_VerticalCylinderChart(benchmark::State& state) {
    const auto o = options();
    for (auto _ : state) {
        auto rows = calcVert(o, {"96", "32766", "", ""});
        benchmark::DoNotOptimize(rows.data());
    }
}

}  // namespace

BENCHMARK(BM_RectangularChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HorizontalCylinderChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerticalCylinderChart)->Unit(benchmark::kMillisecond);
