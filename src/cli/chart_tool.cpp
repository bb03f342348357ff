#include "chart_tool.h"

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>

#include "chart.h"
#include "store.h"

namespace dipsheet::cli {
namespace {

constexpr const char* kUsage =
    R"(Usage: dipsheet-chart --shape rect|cyl|vert --units in|mm [--outside] [--striker]
                      --increment TEXT <dimensions> [--store]

Prints the tank chart of one tank as CSV: a line "Depth,Capacity", then one line per row,
each value the shortest text that reads back to the same single-precision number.

  --shape rect|cyl|vert  rectangular tank, horizontal cylinder with flat heads, or vertical
                         cylinder with a flat bottom
  --units in|mm          inches and US gallons, or millimetres and litres
  --outside              the dimensions are outside measures: give the plate thicknesses
  --striker              allow for a striker plate (0.25 in or 6 mm under the dipstick)
  --increment TEXT       depth step between rows, a number with '.' as the decimal point
                         ("1/8" is refused: type .125)
  --store                also replace the chart rows in QRTMembers.mdb in the current folder
  --help                 show this text

Dimensions (whole texts, each must be one number, e.g. 48 or 48.5):
  rect  --length --width --height [--thickness]
  cyl   --diameter --length [--head-thickness --shell-thickness]
  vert  --diameter --height [--bottom-thickness --shell-thickness]
Thicknesses are read only with --outside, and are then required.

Exit status: 0 the chart was printed; 1 the database could not be written;
2 bad input (a message on standard error, nothing printed, nothing stored).
)";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Shape {
    std::set<std::string> dimensions;
    std::set<std::string> thicknesses;
};

const std::map<std::string, Shape>& shapes() {
    static const std::map<std::string, Shape> table{
        {"rect", {{"length", "width", "height"}, {"thickness"}}},
        {"cyl", {{"diameter", "length"}, {"head-thickness", "shell-thickness"}}},
        {"vert", {{"diameter", "height"}, {"bottom-thickness", "shell-thickness"}}},
    };
    return table;
}

struct Arguments {
    std::map<std::string, std::string> values;
    bool outside = false, striker = false, store = false, help = false;
};

Arguments parse(const std::vector<std::string>& args) {
    static const std::set<std::string> valued{
        "shape",     "units",    "increment",      "length",          "width",           "height",
        "thickness", "diameter", "head-thickness", "shell-thickness", "bottom-thickness"};
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
        if (name == "outside" || name == "striker" || name == "store" || name == "help") {
            if (value)
                throw UsageError("--" + name + " takes no value");
            (name == "outside"   ? a.outside
             : name == "striker" ? a.striker
             : name == "store"   ? a.store
                                 : a.help) = true;
            continue;
        }
        if (!valued.count(name))
            throw UsageError("unknown option '--" + name + "'");
        if (!value) {
            if (i + 1 >= args.size())
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

chart::ChartRows compute(const Arguments& a) {
    const std::string shape = take(a, "shape");
    const auto found = shapes().find(shape);
    if (found == shapes().end())
        throw UsageError("--shape must be rect, cyl or vert");
    const std::string units = take(a, "units");
    if (units != "in" && units != "mm")
        throw UsageError("--units must be in or mm");

    for (const auto& [name, value] : a.values) {
        const bool general = name == "shape" || name == "units" || name == "increment";
        const bool dimension = found->second.dimensions.count(name) > 0;
        const bool thickness = found->second.thicknesses.count(name) > 0;
        if (!general && !dimension && !thickness) {
            throw UsageError("--" + name + " does not apply to --shape " + shape);
        }
        if (thickness && !a.outside) {
            throw UsageError("--" + name + " is read only with --outside");
        }
    }

    chart::ChartOptions options;
    options.outside = a.outside;
    options.inches = units == "in";
    options.striker = a.striker;
    options.increment = take(a, "increment");
    options.format = chart::NumberFormat{".", ","};

    if (shape == "rect") {
        return chart::calcRect(options, {take(a, "length"), take(a, "width"), take(a, "height"),
                                         takeIf(a, "thickness", a.outside)});
    }
    if (shape == "cyl") {
        return chart::calcCyl(options, {take(a, "diameter"), take(a, "length"),
                                        takeIf(a, "head-thickness", a.outside),
                                        takeIf(a, "shell-thickness", a.outside)});
    }
    return chart::calcVert(
        options, {take(a, "diameter"), take(a, "height"), takeIf(a, "bottom-thickness", a.outside),
                  takeIf(a, "shell-thickness", a.outside)});
}

}  // namespace

int runChartTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments arguments;
    chart::ChartRows rows;
    try {
        arguments = parse(args);
        if (arguments.help) {
            out << kUsage;
            return 0;
        }
        rows = compute(arguments);
    } catch (const UsageError& e) {
        err << "dipsheet-chart: " << e.what() << "\nTry 'dipsheet-chart --help'.\n";
        return 2;
    } catch (const chart::InputError& e) {
        err << "dipsheet-chart: " << e.what() << '\n';
        return 2;
    }

    if (arguments.store) {
        try {
            store::Database database;
            database.replaceChartRows(std::span(rows).subspan(1));
        } catch (const store::StoreError& e) {
            err << "dipsheet-chart: error " << e.code() << ": " << e.what() << '\n';
            return 1;
        }
    }

    std::string text = "Depth,Capacity\n";
    for (std::size_t i = 1; i < rows.size(); ++i) {
        text += chart::singleText(rows[i].depth);
        text += ',';
        text += chart::singleText(rows[i].volume);
        text += '\n';
    }
    out << text;
    out.flush();
    return 0;
}

}  // namespace dipsheet::cli
