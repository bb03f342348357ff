#include "chart_tool.h"
#include "folder.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <utility>

#include "chart/site.h"
#include "chart/tank.h"
#include "history_tool.h"
#include "store/store.h"

namespace dipsheet::cli {
namespace {

constexpr const char* kUsage =
    R"(Usage: dipsheet-chart --shape rect|cyl|vert --units in|mm [--outside] [--striker]
                      --increment TEXT <dimensions> [--store]
       dipsheet-chart --shape rect|cyl|vert --units in|mm [--outside] [--striker]
                      --by-volume STEP <dimensions>
       dipsheet-chart ... --shape cyl|rect [--tilt-fall F | --tilt-degrees A] [--dip-at X]
       dipsheet-chart ... <tank> --points N | --marks [--percent LIST]
       dipsheet-chart --history [--search TEXT]
       dipsheet-chart --reprint ID [--store]

Prints the tank chart of one tank as CSV: a line "Depth,Capacity", then one line per row,
each value the shortest text that reads back to the same single-precision number.

With --by-volume it prints the chart the other way round: a line "Capacity,Depth", then the
dipstick depth at which the tank holds STEP, 2 x STEP, ... below the full tank, and last the
full tank at the top (less the striker allowance), whether or not it is a whole multiple of
STEP. Volumes below the striker plate, which no depth reads, are left out. Each depth is
found on the volume of the chart's rows to within a millionth of the tank's height, and
written in the same text as the chart's values. --increment and --store do not apply: the
job database holds charts stepped by depth.

  --shape rect|cyl|vert  rectangular tank, horizontal cylinder (two like heads), or vertical
                         cylinder (a bottom)
  --units in|mm          inches and US gallons, or millimetres and litres
  --outside              the dimensions are outside measures: give the plate thicknesses
  --striker              allow for a striker plate (0.25 in or 6 mm under the dipstick)
  --increment TEXT       depth step between rows, a number with '.' as the decimal point
                         ("1/8" is refused: type .125)
  --by-volume STEP       step the volume instead of the depth: STEP US gallons or litres,
                         a number above 0 with '.' as the decimal point (at most 32766 rows)
  --ullage               add the columns Ullage (the full tank less the row's volume) and
                         Percent (100 x the row's volume / the full tank)
  --marks                instead of the chart: the fill marks, the depth at which the tank
                         holds 90 % and 95 % of full (or --percent LIST, e.g. 85,90,95), as
                         Percent,Depth,Capacity; Depth and Capacity are empty for a percent
                         the dipstick cannot read (the tank holds more at depth 0: under the
                         striker plate, or under the dip point of a tilted tank)
  --points N             instead of the chart: a table of N breakpoints (2 to 1000) for a tank
                         gauge that interpolates linearly, from depth 0 to the full tank,
                         placed to make the largest interpolation error small; that error is
                         written to standard error
  --store                also replace the chart rows in QRTMembers.mdb in the current folder
                         (the chart then joins the history of charts made); refused with
                         status 1 while a Dipsheet holds the folder
  --history              list the charts made (the history in QRTMembers.mdb) as CSV, newest
                         first: Id,Date,Serial,Customer,Description,Setup,Full
  --search TEXT          with --history: only the charts whose serial number, customer or
                         description hold every word of TEXT (any order, any case; every
                         character stands for itself)
  --reprint ID           print chart ID of the history exactly as the run that made it did,
                         and on standard error the date and time it was made; with --store,
                         also put it on show in QRTMembers.mdb
  --help                 show this text
  --version              show the version

Dimensions (whole texts, each must be one number, e.g. 48 or 48.5):
  rect  --length --width --height [--thickness]
  cyl   --diameter --length [--heads KIND [--head-depth A]]
        [--head-thickness --shell-thickness]
  vert  --diameter --height [--bottom KIND [--bottom-depth A]]
        [--bottom-thickness --shell-thickness]
Thicknesses are read only with --outside, and are then required.

A tank as it lies (horizontal tanks only): --tilt-fall F says how much lower the bottom of
the shell is at seam B than at seam A (negative: A is lower; |F| < the Length), or
--tilt-degrees A the same as an angle; --dip-at X puts the dipstick on the shell's bottom X
from seam A (0 to the Length; the middle when not given). The depth is read vertically from
there; the rows run to the first at which the tank is full. A fall of 0 is the level chart.

Heads (--heads, both ends of the horizontal cylinder alike) and bottoms (--bottom, hanging
below the vertical cylinder's shell); D is the inside diameter, A the inside depth:
  flat           flat plates (the default): the charts as always
  2:1            2:1 ellipsoidal, half an ellipsoid of revolution; its depth is D/4
  hemispherical  half a sphere; its depth is D/2
  asme-fd        ASME flanged and dished (torispherical): crown radius D, knuckle radius
                 0.06 D; its depth follows from D (0.1693 D)
  ellipsoidal    half an ellipsoid of revolution of depth A (--head-depth, above 0)
  conical        a cone of height A (above 0)
  dished         a spherical cap of depth A (above 0, at most D/2)
With heads other than flat, --length (--height) is the straight shell between the seams,
the same inside or outside; with --outside a typed depth loses the head (bottom)
thickness. The vertical chart counts depth from the lowest point inside the bottom and
runs to its depth plus the height. The horizontal chart runs to D.

Exit status: 0 the chart was printed; 1 the database could not be read or written, or
another program (a Dipsheet) holds the folder for --store;
2 bad input, or an increment that leaves no row to chart, or an ID that is no chart of the
history (a message on standard error, nothing printed, nothing stored).
)";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

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

struct Arguments {
    std::map<std::string, std::string> values;
    bool outside = false, striker = false, store = false, help = false, history = false;
    bool version = false, ullage = false, marks = false;
};

Arguments parse(const std::vector<std::string>& args) {
    static const std::set<std::string> valued{
        "shape",          "units",           "increment",        "length",
        "width",          "height",          "thickness",        "diameter",
        "head-thickness", "shell-thickness", "bottom-thickness", "heads",
        "head-depth",     "bottom",          "bottom-depth",     "by-volume",
        "search",         "reprint",         "tilt-fall",        "tilt-degrees",
        "dip-at",         "points",          "percent"};
    Arguments a;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0)
            throw UsageError("unexpected argument '" + arg + "'");
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "outside" || name == "striker" || name == "store" || name == "help" ||
            name == "history" || name == "version" || name == "ullage" || name == "marks") {
            if (value)
                throw UsageError("--" + name + " takes no value");
            (name == "outside"   ? a.outside
             : name == "striker" ? a.striker
             : name == "store"   ? a.store
             : name == "history" ? a.history
             : name == "version" ? a.version
             : name == "ullage"  ? a.ullage
             : name == "marks"   ? a.marks
                                 : a.help) = true;
            continue;
        }
        if (!valued.count(name))
            throw UsageError("unknown option '--" + name + "'");
        if (!value) {
            // The next option is no value: '--increment --store' lacks the increment. A value
            // that begins with one dash ('-5') is taken, to be refused for what it says.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
                throw UsageError("--" + name + " needs a value");
            value = args[++i];
        }
        if (a.values.count(name))
            throw UsageError("--" + name + " is given twice");
        a.values[name] = *value;
    }
    return a;
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
    char note[160];
    std::snprintf(note, sizeof note, "largest interpolation error %.2f %s at %.2f %s\n",
                  gauge.largestError, chart::volumeUnit(tank.inches), gauge.errorDepth,
                  chart::lengthUnit(tank.inches));
    table.note = note;
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
        const bool general = name == "shape" || name == "units" || name == "increment" ||
                             name == "by-volume" || name == "points" || name == "percent" ||
                             (tilt && shape != "vert");
        const bool dimension = found->second.dimensions.count(name) > 0;
        const bool thickness = found->second.thicknesses.count(name) > 0;
        const bool head = !found->second.heads.empty() &&
                          (name == found->second.heads || name == found->second.headDepth);
        if (!general && !dimension && !thickness && !head) {
            throw UsageError("--" + name + " does not apply to --shape " + shape);
        }
        if (thickness && !a.outside) {
            throw UsageError("--" + name + " is read only with --outside");
        }
    }

    const auto byVolume = a.values.find("by-volume");
    const auto points = a.values.find("points");
    // Each asks one thing of the tank; the chart's own options go with the chart only.
    const char* other = byVolume != a.values.end() ? "--by-volume"
                        : points != a.values.end() ? "--points"
                        : a.marks                  ? "--marks"
                                                   : nullptr;
    if (other != nullptr) {
        const int asked = (byVolume != a.values.end()) + (points != a.values.end()) + a.marks;
        if (asked > 1)
            throw UsageError("--by-volume, --points and --marks go one at a time");
        if (a.values.count("increment"))
            throw UsageError(std::string("--increment does not apply with ") + other);
        if (a.ullage)
            throw UsageError(std::string("--ullage does not apply with ") + other);
        if (a.store && byVolume == a.values.end())
            throw UsageError(std::string("--store does not apply with ") + other);
    }
    if (a.values.count("percent") && !a.marks)
        throw UsageError("--percent applies only with --marks");
    if (byVolume != a.values.end()) {
        // The job database and its printout hold a chart stepped by depth.
        if (a.store)
            throw UsageError(
                "--store does not apply with --by-volume: the job database holds "
                "charts stepped by depth");
    }

    chart::Tank tank;
    tank.shape = shape == "rect"   ? chart::Shape::Rectangular
                 : shape == "vert" ? chart::Shape::VerticalCylinder
                                   : chart::Shape::HorizontalCylinder;
    tank.outside = a.outside;
    tank.inches = units == "in";
    tank.striker = a.striker;
    if (other == nullptr)
        tank.increment = take(a, "increment");
    tank.format = chart::NumberFormat{".", ","};
    if (shape != "rect")
        tank.heads = headsOf(a, found->second);

    // The texts of the tank, read once for its volume, its chart and its set-up.
    if (tank.shape == chart::Shape::Rectangular) {
        tank.length = take(a, "length");
        tank.width = take(a, "width");
        tank.height = take(a, "height");
        tank.thickness = takeIf(a, "thickness", a.outside);
    } else {
        const bool vertical = tank.shape == chart::Shape::VerticalCylinder;
        tank.diameter = take(a, "diameter");
        tank.length = take(a, vertical ? "height" : "length");
        tank.headThickness = takeIf(a, vertical ? "bottom-thickness" : "head-thickness", a.outside);
        tank.shellThickness = takeIf(a, "shell-thickness", a.outside);
    }
    if (a.values.count("tilt-fall") && a.values.count("tilt-degrees"))
        throw UsageError("give --tilt-fall or --tilt-degrees, not both");
    tank.fall = takeIf(a, "tilt-fall", a.values.count("tilt-fall") > 0);
    tank.tiltDegrees = takeIf(a, "tilt-degrees", a.values.count("tilt-degrees") > 0);
    tank.dipAt = takeIf(a, "dip-at", a.values.count("dip-at") > 0);
    tank = tank.normalised();
    if (byVolume != a.values.end())
        return {true, chart::depthsByVolume(tank.volume(), byVolume->second), {}, {}, {}};
    if (points != a.values.end())
        return gaugeTable(tank, points->second);
    if (a.marks) {
        const auto percents = a.values.find("percent");
        return marksTable(tank, percents != a.values.end() ? percents->second : "90,95");
    }
    chart::Tank::Chart made = tank.chart();
    return {false, std::move(made.rows), {tank.describe(), made.full, tank}, {}, {}};
}

// --history [--search TEXT] and --reprint ID [--store], each alone.
int runHistoryCommand(const Arguments& a, std::ostream& out, std::ostream& err) {
    const auto reprint = a.values.find("reprint");
    const bool listing = a.history;
    if (listing && reprint != a.values.end())
        throw UsageError("--history and --reprint go one at a time");
    for (const auto& [name, value] : a.values) {
        if (name != (listing ? "search" : "reprint"))
            throw UsageError("--" + name + " does not apply with --" +
                             (listing ? "history" : "reprint"));
    }
    if (a.outside || a.striker || (listing && a.store))
        throw UsageError(std::string("--") +
                         (a.outside   ? "outside"
                          : a.striker ? "striker"
                                      : "store") +
                         " does not apply with --" + (listing ? "history" : "reprint"));
    return listing ? listHistory(a.values.count("search") ? a.values.at("search") : "", out, err)
                   : reprintChart(reprint->second, a.store, out, err);
}

}  // namespace

int runChartTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments arguments;
    Table table;
    try {
        arguments = parse(args);
        if (arguments.help) {
            out << kUsage;
            return 0;
        }
        if (arguments.version) {
            out << "dipsheet-chart " DIPSHEET_VERSION "\n";
            return 0;
        }
        if (arguments.history || arguments.values.count("reprint"))
            return runHistoryCommand(arguments, out, err);
        if (arguments.values.count("search"))
            throw UsageError("--search applies only with --history");
        table = compute(arguments);
    } catch (const UsageError& e) {
        err << "dipsheet-chart: " << e.what() << "\nTry 'dipsheet-chart --help'.\n";
        return 2;
    } catch (const chart::InputError& e) {
        err << "dipsheet-chart: " << e.what() << '\n';
        return 2;
    }

    if (arguments.store) {
        const auto held = holdFolder(err);
        if (!held)
            return 1;
        try {
            store::JobDatabase().connect().replaceChart(std::span(table.rows).subspan(1),
                                                        table.setup);
        } catch (const store::StoreError& e) {
            err << "dipsheet-chart: error " << e.code() << ": " << e.what() << '\n';
            return 1;
        }
    }

    if (!table.text.empty())
        out << table.text;
    else if (arguments.ullage)
        out << chart::chartCsvWithUllage(table.rows, table.setup.full);
    else
        out << chart::chartCsv(table.rows, table.byVolume);
    out.flush();
    err << table.note;
    return 0;
}

}  // namespace dipsheet::cli
