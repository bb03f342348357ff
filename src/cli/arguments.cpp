// The command line of dipsheet-chart read: each option at most once, with a value where it
// takes one, and only with the run it applies to.

#include "arguments.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace dipsheet::cli::detail {

const char* const kUsage =
    R"(Usage: dipsheet-chart --shape rect|cyl|vert --units in|mm [--outside] [--striker]
                      --increment TEXT <dimensions> [--store]
       dipsheet-chart --shape rect|cyl|vert --units in|mm [--outside] [--striker]
                      --by-volume STEP <dimensions>
       dipsheet-chart ... --shape cyl|rect [--tilt-fall F | --tilt-degrees A] [--dip-at X]
       dipsheet-chart ... <tank> --points N | --marks [--percent LIST]
       dipsheet-chart --history [--search TEXT]
       dipsheet-chart --reprint ID [--store]
       dipsheet-chart --new-database
       dipsheet-chart --copy-history --server URI [--desk NAME]
       dipsheet-chart ... --store | --history | --reprint ID  --server URI [--desk NAME]

Prints the tank chart of one tank as CSV: a line "Depth,Capacity", then one line per row,
each value the shortest text that reads back to the same single-precision number. The CSV
keeps that exact text (a depth of 9.700001 on an increment of .1); the desktop and the
printouts show each depth rounded to the increment's decimals (9.7).

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
                         holds 90 % and 95 % of full (or --percent LIST, e.g. 85,90,95),
                         rounded down so that filling to it never passes the level, with the
                         volume there, as Percent,Depth,Capacity; Depth and Capacity are empty for a percent
                         the dipstick cannot read (the tank holds more at depth 0: under the
                         striker plate, or under the dip point of a tilted tank)
  --points N             instead of the chart: a table of N breakpoints (2 to 1000) for a tank
                         gauge that interpolates linearly, from depth 0 to the full tank,
                         placed to make the largest interpolation error small; that error is
                         written to standard error to 3 significant digits. Depth and
                         Capacity rise strictly from point to point as written (single
                         precision), and the full tank is the last point only: a depth whose
                         volume would print the same as a neighbour's is never chosen, so a
                         table has fewer than N points only when the tank has fewer such
                         depths
  --store                also replace the chart rows in QRTMembers.mdb in the current folder
                         (the chart then joins the history of charts made); refused with
                         status 1 while a Dipsheet holds the folder
  --history              list the charts made (the history in QRTMembers.mdb) as CSV, newest
                         first: Id,Date,Serial,Customer,Description,Setup,Full; control
                         characters in stored text written escaped (\x1b), never raw
  --search TEXT          with --history: only the charts whose serial number, customer or
                         description hold every word of TEXT (any order, any case; every
                         character stands for itself)
  --reprint ID           print chart ID of the history: the rows kept with it, exactly as
                         the run that made it printed them, and on standard error the date
                         and time it was made (a chart made before charts kept their rows is
                         charted again from its set-up, and standard error says so), with
                         the columns Ullage and Percent when its last printout had them; with
                         --store, also put it on show in QRTMembers.mdb, adding no history row
  --new-database         make a fresh QRTMembers.mdb in the current folder (the tables and
                         the first job record); refused when one is there already
  --server URI           the office's database server (postgresql://user@host/dbname; the
                         password from ~/.pgpass or PGPASSWORD, never typed here): with
                         --store, the chart goes into QRTMembers.mdb first, queued, then to
                         the server's shared history with every chart still waiting there,
                         and the desk's job record and chart on show to the server; a server
                         that cannot be reached is said on standard error and the chart waits
                         in the file (status 0). With --history and --reprint, the shared
                         history of every desk is read (--history adds a column Desk)
  --desk NAME            with --server: this desk's name (default: user@host)
  --copy-history         with --server: copy the history of QRTMembers.mdb in the current
                         folder to the server, once (a chart there already is not copied
                         again), and print how many charts were copied and how many were
                         there already
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

Each run does one thing, and takes only the options that apply to it:
  a chart        the tank, --increment, [--ullage], [--store]
  --by-volume    the tank, --by-volume STEP
  --points       the tank, --points N
  --marks        the tank, --marks, [--percent LIST]
  --history      [--search TEXT]
  --reprint      --reprint ID, [--store]
  --copy-history --server URI, [--desk NAME]
  --help, --version, --new-database   alone
and a chart with --store, --history and --reprint take [--server URI [--desk NAME]];
where the tank is --shape, --units, [--outside], [--striker], the dimensions, the heads and
the tilt. An option that does not apply, an option given twice, or an empty or blank value
("--dip-at ''") is refused: exit status 2, a line on standard error, nothing printed or
stored.

Exit status: 0 the chart was printed; 1 the database could not be read or written (or made,
or is there already, for --new-database), or another program (a Dipsheet) holds the folder
for --store, or the server cannot be reached for --history, --reprint or --copy-history
(or refused a chart of the history that --copy-history names);
2 bad input, an option that does not apply or is given twice, an empty value, an increment
that leaves no row to chart, or an ID that is no chart of the history (a message on
standard error, nothing printed, nothing stored).
)";

namespace {

constexpr std::pair<Mode, const char*> kModeOptions[]{
    {kHelp, "help"},       {kVersion, "version"},          {kHistory, "history"},
    {kReprint, "reprint"}, {kByVolume, "by-volume"},       {kPoints, "points"},
    {kMarks, "marks"},     {kNewDatabase, "new-database"}, {kCopyHistory, "copy-history"},
};

constexpr Option kOptions[]{
    {"help", false, kHelp},
    {"version", false, kVersion},
    {"history", false, kHistory},
    {"new-database", false, kNewDatabase},
    {"copy-history", false, kCopyHistory},
    {"server", true, kServerRuns},
    {"desk", true, kServerRuns},
    {"search", true, kHistory},
    {"reprint", true, kReprint},
    {"store", false, kChart | kReprint},
    {"increment", true, kChart},
    {"ullage", false, kChart},
    {"by-volume", true, kByVolume},
    {"points", true, kPoints},
    {"marks", false, kMarks},
    {"percent", true, kMarks},
    // the tank; which of its dimensions a shape takes is checked with the shape
    {"shape", true, kTankRuns},
    {"units", true, kTankRuns},
    {"outside", false, kTankRuns},
    {"striker", false, kTankRuns},
    {"length", true, kTankRuns},
    {"width", true, kTankRuns},
    {"height", true, kTankRuns},
    {"thickness", true, kTankRuns},
    {"diameter", true, kTankRuns},
    {"head-thickness", true, kTankRuns},
    {"shell-thickness", true, kTankRuns},
    {"bottom-thickness", true, kTankRuns},
    {"heads", true, kTankRuns},
    {"head-depth", true, kTankRuns},
    {"bottom", true, kTankRuns},
    {"bottom-depth", true, kTankRuns},
    {"tilt-fall", true, kTankRuns},
    {"tilt-degrees", true, kTankRuns},
    {"dip-at", true, kTankRuns},
};

// "--a", "--a or --b", "--a, --b or --c"
std::string optionList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " or " : ", ";
        text += "--" + names[i];
    }
    return text;
}

}  // namespace

const Option* findOption(const std::string& name) {
    for (const Option& option : kOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

Arguments parse(const std::vector<std::string>& args) {
    Arguments a;
    std::vector<std::string> typed;  // the options in the order given
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
        const Option* option = findOption(name);
        if (option == nullptr)
            throw UsageError("unknown option '--" + name + "'");
        if (std::find(typed.begin(), typed.end(), name) != typed.end())
            throw UsageError("--" + name + " is given twice");
        typed.push_back(name);
        if (!option->valued) {
            if (value)
                throw UsageError("--" + name + " takes no value");
            a.switches.insert(name);
            continue;
        }
        if (!value) {
            // The next option is no value: '--increment --store' lacks the increment. A value
            // that begins with one dash ('-5') is taken, to be refused for what it says.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
                throw UsageError("--" + name + " needs a value");
            value = args[++i];
        }
        // An empty or blank value is no value: it must not stand for a default (a level
        // tank, the middle of the shell) that the user did not ask for.
        if (value->find_first_not_of(" \t\n\r\v\f") == std::string::npos)
            throw UsageError("--" + name + " needs a value");
        a.values[name] = *value;
    }

    // The first run asked for in the order of kModeOptions is the run; any other option that
    // asks for a run is refused with the options that do not apply to it.
    const char* asked = nullptr;
    for (const auto& [mode, name] : kModeOptions) {
        if (asked == nullptr && std::find(typed.begin(), typed.end(), name) != typed.end()) {
            asked = name;
            a.mode = mode;
        }
    }
    for (const std::string& name : typed) {
        const Option& option = *findOption(name);
        if (option.runs & a.mode)
            continue;
        if (asked != nullptr)
            throw UsageError("--" + name + " does not apply with --" + asked);
        std::vector<std::string> where;
        for (const auto& [mode, modeName] : kModeOptions) {
            if (option.runs & mode)
                where.push_back(modeName);
        }
        throw UsageError("--" + name + " applies only with " + optionList(where));
    }
    // Where the run goes: the server only when told, and the desk only on a server.
    if (a.has("desk") && !a.has("server"))
        throw UsageError("--desk applies only with --server");
    if (a.mode == kCopyHistory && !a.has("server"))
        throw UsageError("--copy-history needs --server: the server to copy the history to");
    if (a.mode == kChart && a.has("server") && !a.on("store"))
        throw UsageError("--server with a chart needs --store: the chart is stored there");
    return a;
}

}  // namespace dipsheet::cli::detail
