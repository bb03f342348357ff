// The largest charts the program makes: 32,766 rows of each shape and kind of head.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/site.h"
#include "chart/tank.h"

using namespace dipsheet::chart;

namespace {

ChartOptions options() {
    ChartOptions o;
    o.inches = true;
    o.striker = false;
    o.increment.push_back('1');  // (assigning a literal trips a false -Wrestrict in GCC 12)
    return o;
}

// The floor the charts are measured against: 32,766 rows of one atan2 and one sqrt each, the
// work of a circle's segment, stepped and stored as a chart steps and stores its rows.
void BM_Floor(benchmark::State& state) {
    std::vector<float> rows(kMaxRows + 1);
    const double radius = 16383;
    for (auto _ : state) {
        float depth = 0;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            depth = static_cast<float>(static_cast<double>(depth) + 1.0);
            const double q = radius - depth;
            rows[i] = static_cast<float>(std::atan2(std::sqrt(depth * (2 * radius - depth)), q));
        }
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
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

// The horizontal cylinder with each kind of head: diameter 32766 in steps of 1, typed heads
// 8000 deep.
void BM_HorizontalCylinderWithHeads(benchmark::State& state) {
    const auto o = options();
    const auto kind = static_cast<HeadKind>(state.range(0));
    const HeadTexts heads{kind, headDepthIsTyped(kind) ? "8000" : ""};
    state.SetLabel(std::string(headKindName(kind)));
    for (auto _ : state) {
        auto rows = calcCyl(o, {"32766", "400", "", ""}, heads);
        benchmark::DoNotOptimize(rows.data());
    }
}

// The vertical cylinder with each kind of bottom, the bottom about 30,000 of the 32,766 rows.
void BM_VerticalCylinderWithBottom(benchmark::State& state) {
    const auto o = options();
    const auto kind = static_cast<HeadKind>(state.range(0));
    struct Tank {
        const char *diameter, *height, *depth;
    };
    static const Tank tanks[] = {{"", "", ""},
                                 {"120000", "2766", ""},
                                 {"60000", "2766", ""},
                                 {"177000", "2794", ""},
                                 {"96", "2766", "30000"},
                                 {"96", "2766", "30000"},
                                 {"60000", "2766", "30000"}};
    const Tank& tank = tanks[state.range(0)];
    const HeadTexts bottom{kind, tank.depth};
    state.SetLabel(std::string(headKindName(kind)));
    for (auto _ : state) {
        auto rows = calcVert(o, {tank.diameter, tank.height, "", ""}, bottom);
        if (rowCount(rows) != kMaxRows)
            state.SkipWithError("not a chart of 32,766 rows");
        benchmark::DoNotOptimize(rows.data());
    }
}

// The depth for each of 32,766 volume steps of the full tank, for a tank of each shape and
// some heads: the 48 x 96 in horizontal cylinder, the 96 x 120 in vertical one.
void BM_DepthsByVolume(benchmark::State& state) {
    struct Tank {
        const char* label;
        TankVolume (*make)(const ChartOptions&);
    };
    static const Tank tanks[] = {
        {"rect",
         [](const ChartOptions& o) {
             return rectVolume(o, {"60", "40", "50", ""});
         }},
        {"cyl",
         [](const ChartOptions& o) {
             return cylVolume(o, {"48", "96", "", ""});
         }},
        {"cyl 2:1",
         [](const ChartOptions& o) {
             return cylVolume(o, {"48", "96", "", ""}, {HeadKind::TwoToOne, ""});
         }},
        {"cyl asme-fd",
         [](const ChartOptions& o) {
             return cylVolume(o, {"48", "96", "", ""}, {HeadKind::AsmeFd, ""});
         }},
        {"cyl dished",
         [](const ChartOptions& o) {
             return cylVolume(o, {"48", "96", "", ""}, {HeadKind::Dished, "6"});
         }},
        {"vert",
         [](const ChartOptions& o) {
             return vertVolume(o, {"96", "120", "", ""});
         }},
        {"vert asme-fd",
         [](const ChartOptions& o) {
             return vertVolume(o, {"96", "120", "", ""}, {HeadKind::AsmeFd, ""});
         }},
        {"vert conical",
         [](const ChartOptions& o) {
             return vertVolume(o, {"96", "120", "", ""}, {HeadKind::Conical, "30"});
         }},
    };
    const auto o = options();
    const Tank& tank = tanks[state.range(0)];
    const TankVolume volume = tank.make(o);
    // a step just over 1/32766 of the full tank: 32,766 rows, the last the full tank
    const std::string step = singleText(static_cast<float>(volume.full() / 32765.5));
    state.SetLabel(tank.label);
    for (auto _ : state) {
        auto rows = depthsByVolume(volume, step);
        if (rows.size() != kMaxRows)
            state.SkipWithError("not a table of 32,766 rows");
        benchmark::DoNotOptimize(rows.data());
    }
}

// A horizontal cylinder 32,000 across and 40,000 long fallen 400 to end B, the stick 10,000
// from end A, by steps of 1: about 32,200 rows, the last the full tank. Argument: the heads'
// kind (typed heads 8,000 deep); 7: a rectangular tank 32,000 high fallen the same.
void BM_TiltedChart(benchmark::State& state) {
    Tank tank;
    tank.striker = false;
    tank.increment.push_back('1');
    tank.fall = std::string("400");
    tank.dipAt = std::string("10000");
    tank.length = std::string("40000");
    if (state.range(0) == 7) {
        tank.shape = Shape::Rectangular;
        tank.width = std::string("100");
        tank.height = std::string("32000");
        state.SetLabel("rect");
    } else {
        const auto kind = static_cast<HeadKind>(state.range(0));
        tank.diameter = std::string("32000");
        tank.heads = {kind, std::string(headDepthIsTyped(kind) ? "8000" : "")};
        state.SetLabel(std::string(headKindName(kind)));
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto chart = tank.chart();
        rows = chart.rows.size() - 1;
        benchmark::DoNotOptimize(chart.rows.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["per_row"] =
        benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A gauge table of 32 points for a horizontal cylinder 32,766 across (the range of the largest
// chart), each head kind (typed heads 8000 deep); argument 7: the fill marks 90 and 95 of the
// ASME F&D-headed one.
void BM_GaugeTable(benchmark::State& state) {
    Tank tank;
    tank.striker = false;
    tank.increment.push_back('1');
    tank.diameter = std::string("32766");
    tank.length = std::string("400");
    const bool marks = state.range(0) == 7;
    const auto kind = marks ? HeadKind::AsmeFd : static_cast<HeadKind>(state.range(0));
    tank.heads = {kind, std::string(headDepthIsTyped(kind) ? "8000" : "")};
    state.SetLabel(std::string(marks ? "marks, " : "") + std::string(headKindName(kind)));
    const TankVolume volume = tank.volume();
    for (auto _ : state) {
        if (marks) {
            benchmark::DoNotOptimize(fillMarks(volume, {90, 95}).data());
        } else {
            benchmark::DoNotOptimize(gaugeTable(volume, 32).points.data());
        }
    }
}

}  // namespace

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaugeTable)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiltedChart)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RectangularChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HorizontalCylinderChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerticalCylinderChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HorizontalCylinderWithHeads)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerticalCylinderWithBottom)->DenseRange(1, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthsByVolume)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);
