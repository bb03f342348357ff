// The runs of dipsheet-chart: the tank its options describe, and its chart, table, gauge table
// or fill marks printed (and stored with --store); the other runs handed on.

#include "chart_tool.h"
#include "arguments.h"
#include "folder.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "chart/site.h"
#include "chart/tank.h"
#include "history_tool.h"
#include "server/desk.h"
#include "store/store.h"

namespace dipsheet::cli {

using namespace detail;

namespace {

struct Shape {
    std::set<std::string> dimensions;
    std::set<std::string> thicknesses;
    std::string heads, headDepth;  // the options naming the heads (bottom) and their depth
};

const std::map<std::string, Shape>& shapes() {
    static const std::map<std::string, Shape> table{
        {"rect", {{"length", "width", "height"}, {"thickness"}, "", ""}},
        {"cyl",
         {{"diameter", "length"}, {"head-thickness", "shell-thickness"}, "heads", "head-depth"}},
        {"vert",
         {{"diameter", "height"},
          {"bottom-thickness", "shell-thickness"},
          "bottom",
          "bottom-depth"}},
    };
    return table;
}

std::string take(const Arguments& a, const std::string& name) {
    const auto it = a.values.find(name);
    if (it == a.values.end())
        throw UsageError("--" + name + " is required");
    return it->second;
}

std::string takeIf(const Arguments& a, const std::string& name, bool wanted) {
    return wanted ? take(a, name) : std::string();
}

// What the arguments ask of the tank they describe: its chart, the depth-for-volume table, a
// gauge table or the fill marks.
struct Table {
    bool byVolume = false;
    std::vector<chart::CapacityRow> rows;  // a chart's rows 0 to N, or the table's rows
    store::ChartSetup setup;               // a chart's set-up, as the desktop describes it
    std::string text;                      // a gauge table or the marks, as printed
    std::string note;                      // a line for standard error
};

// A gauge table of `count` points ("--points"), as CSV, and its largest error.
Table gaugeTable(const chart::Tank& tank, const std::string& count) {
    int points = 0;
    const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), points);
    if (error != std::errc() || end != count.data() + count.size() || points < 2 || points > 1000)
        throw UsageError("--points must be a whole number from 2 to 1000");
    const chart::TankVolume volume = tank.volume();
    const chart::GaugeTable gauge = chart::gaugeTable(volume, points);
    Table table;
    table.text = chart::gaugeCsv(gauge);
    char depth[64];
    std::snprintf(depth, sizeof depth, "%.2f", gauge.errorDepth);
    table.note = "largest interpolation error " + chart::significantText(gauge.largestError) + " " +
                 chart::volumeUnit(tank.inches) + " at " + depth + " " +
                 chart::lengthUnit(tank.inches) + "\n";
    return table;
}

// The fill marks at `percents` ("--marks"), as CSV: Percent,Depth,Capacity; a mark below the
// stick has no depth to give, and its fields stay empty so that the columns stay numbers.
Table marksTable(const chart::Tank& tank, const std::string& percents) {
    Table table;
    table.text = "Percent,Depth,Capacity\n";
    for (const chart::FillMark& mark :
         chart::fillMarks(tank.volume(), chart::percentList(percents, "--percent"))) {
        table.text.append(chart::singleText(static_cast<float>(mark.percent))).append(",");
        if (mark.belowStick) {
            table.text.append(",\n");
            continue;
        }
        table.text.append(chart::singleText(static_cast<float>(mark.depth))).append(",");
        table.text.append(chart::singleText(static_cast<float>(mark.volume))).append("\n");
    }
    return table;
}

// The heads (bottom) the options name, and a typed depth where the kind takes one.
chart::HeadTexts headsOf(const Arguments& a, const Shape& named) {
    chart::HeadTexts heads;
    const auto kindText = a.values.find(named.heads);
    if (kindText != a.values.end()) {
        const auto kind = chart::headKindFromName(kindText->second);
        if (!kind) {
            throw UsageError("--" + named.heads +
                             " must be flat, 2:1, hemispherical, asme-fd, ellipsoidal, "
                             "conical or dished");
        }
        heads.kind = *kind;
    }
    const auto depth = a.values.find(named.headDepth);
    if (depth != a.values.end()) {
        if (!chart::headDepthIsTyped(heads.kind)) {
            throw UsageError("--" + named.headDepth + " does not apply to --" + named.heads + " " +
                             std::string(chart::headKindName(heads.kind)) +
                             (heads.kind == chart::HeadKind::Flat
                                  ? ""
                                  : ": its depth follows from the diameter"));
        }
        heads.depth = depth->second;
    }
    return heads;
}

Table compute(const Arguments& a) {
    const std::string shape = take(a, "shape");
    const auto found = shapes().find(shape);
    if (found == shapes().end())
        throw UsageError("--shape must be rect, cyl or vert");
    const std::string units = take(a, "units");
    if (units != "in" && units != "mm")
        throw UsageError("--units must be in or mm");

    for (const auto& [name, value] : a.values) {
        const bool tilt = name == "tilt-fall" || name == "tilt-degrees" || name == "dip-at";
        // what the run asks of the tank, and the tank's shape and units, go with every shape
        const bool general = findOption(name)->runs != kTankRuns || name == "shape" ||
                             name == "units" || (tilt && shape != "vert");
        const bool dimension = found->second.dimensions.count(name) > 0;
        const bool thickness = found->second.thicknesses.count(name) > 0;
        const bool head = !found->second.heads.empty() &&
                          (name == found->second.heads || name == found->second.headDepth);
        if (!general && !dimension && !thickness && !head) {
            throw UsageError("--" + name + " does not apply to --shape " + shape);
        }
        if (thickness && !a.on("outside")) {
            throw UsageError("--" + name + " is read only with --outside");
        }
    }

    chart::Tank tank;
    tank.shape = shape == "rect"   ? chart::Shape::Rectangular
                 : shape == "vert" ? chart::Shape::VerticalCylinder
                                   : chart::Shape::HorizontalCylinder;
    tank.outside = a.on("outside");
    tank.inches = units == "in";
    tank.striker = a.on("striker");
    if (a.mode == kChart)
        tank.increment = take(a, "increment");
    tank.format = chart::NumberFormat{".", ","};
    if (shape != "rect")
        tank.heads = headsOf(a, found->second);

    // The texts of the tank, read once for its volume, its chart and its set-up.
    if (tank.shape == chart::Shape::Rectangular) {
        tank.length = take(a, "length");
        tank.width = take(a, "width");
        tank.height = take(a, "height");
        tank.thickness = takeIf(a, "thickness", a.on("outside"));
    } else {
        const bool vertical = tank.shape == chart::Shape::VerticalCylinder;
        tank.diameter = take(a, "diameter");
        if (vertical)
            tank.verticalHeight() = take(a, "height");
        else
            tank.length = take(a, "length");
        tank.headThickness =
            takeIf(a, vertical ? "bottom-thickness" : "head-thickness", a.on("outside"));
        tank.shellThickness = takeIf(a, "shell-thickness", a.on("outside"));
    }
    if (a.values.count("tilt-fall") && a.values.count("tilt-degrees"))
        throw UsageError("give --tilt-fall or --tilt-degrees, not both");
    tank.fall = takeIf(a, "tilt-fall", a.values.count("tilt-fall") > 0);
    tank.tiltDegrees = takeIf(a, "tilt-degrees", a.values.count("tilt-degrees") > 0);
    tank.dipAt = takeIf(a, "dip-at", a.values.count("dip-at") > 0);
    tank = tank.normalised();
    switch (a.mode) {
        case kByVolume:
            return {
                true, chart::depthsByVolume(tank.volume(), a.values.at("by-volume")), {}, {}, {}};
        case kPoints:
            return gaugeTable(tank, a.values.at("points"));
        case kMarks:
            return marksTable(tank, a.has("percent") ? a.values.at("percent") : "90,95");
        default:
            break;
    }
    chart::Tank::Chart made = tank.chart();
    return {false, std::move(made.rows), {tank.describe(), made.full, tank}, {}, {}};
}

}  // namespace

int runChartTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments arguments;
    Table table;
    std::optional<ServerChoice> server;
    try {
        arguments = parse(args);
        if (arguments.has("server"))
            server = ServerChoice{arguments.values.at("server"),
                                  arguments.has("desk") ? arguments.values.at("desk")
                                                        : dipsheet::server::defaultDeskName()};
        switch (arguments.mode) {
            case kHelp:
                out << kUsage;
                return outputWritten(out, err) ? 0 : 1;
            case kVersion:
                out << "dipsheet-chart " DIPSHEET_VERSION "\n";
                return outputWritten(out, err) ? 0 : 1;
            case kHistory:
                return listHistory(arguments.has("search") ? arguments.values.at("search") : "",
                                   server, out, err);
            case kCopyHistory:
                return copyHistory(*server, out, err);
            case kNewDatabase:
                try {
                    store::createDatabase(store::kDatabaseFile);
                } catch (const store::StoreError& e) {
                    err << "dipsheet-chart: " << e.what() << '\n';
                    return 1;
                }
                return 0;
            case kReprint:
                return reprintChart(arguments.values.at("reprint"), arguments.on("store"), server,
                                    out, err);
            default:
                break;
        }
        table = compute(arguments);
    } catch (const UsageError& e) {
        err << "dipsheet-chart: " << e.what() << " (try 'dipsheet-chart --help')\n";
        return 2;
    } catch (const chart::InputError& e) {
        err << "dipsheet-chart: " << e.what() << '\n';
        return 2;
    }

    if (arguments.on("store")) {
        const auto held = holdFolder(err);
        if (!held)
            return 1;
        try {
            const auto rows = std::span(table.rows).subspan(1);
            if (server) {
                // The file first, then the server: a server away leaves the chart waiting in
                // the file, said, and the chart is printed all the same.
                const auto report =
                    dipsheet::server::Desk(store::JobDatabase(), server->uri, server->desk)
                        .storeChart(rows, table.setup);
                if (!report.notice.empty())
                    err << "dipsheet-chart: " << report.notice << '\n';
            } else {
                store::JobDatabase().connect().replaceChart(rows, table.setup);
            }
        } catch (const store::StoreError& e) {
            err << "dipsheet-chart: error " << e.code() << ": " << e.what() << '\n';
            return 1;
        }
    }

    if (!table.text.empty())
        out << table.text;
    else if (arguments.on("ullage"))
        out << chart::chartCsvWithUllage(table.rows, table.setup.full);
    else
        out << chart::chartCsv(table.rows, table.byVolume);
    if (!outputWritten(out, err))
        return 1;
    err << table.note;
    return 0;
}

}  // namespace dipsheet::cli
