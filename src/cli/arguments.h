#pragma once

// The command line of dipsheet-chart as words: its usage text, its options, and the run they
// ask for.

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace dipsheet::cli::detail {

// The text of --help.
extern const char* const kUsage;

// A command line the tool cannot run; the message says what is wrong with it.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a run does. A tank's chart is asked by no option of its own; every other kind of run by
// the option of its name, and a run does one thing.
enum Mode : unsigned {
    kHelp = 1u << 0,
    kVersion = 1u << 1,
    kHistory = 1u << 2,
    kReprint = 1u << 3,
    kByVolume = 1u << 4,
    kPoints = 1u << 5,
    kMarks = 1u << 6,
    kChart = 1u << 7,
    kNewDatabase = 1u << 8,
    kCopyHistory = 1u << 9,
};
// The runs that reach the office's server with --server.
constexpr unsigned kServerRuns = kChart | kHistory | kReprint | kCopyHistory;
// The runs that describe a tank.
constexpr unsigned kTankRuns = kChart | kByVolume | kPoints | kMarks;

// Every option: whether it takes a value, and the runs it applies to. Anything else on the
// command line is refused, so that nothing typed is silently ignored.
struct Option {
    const char* name;
    bool valued;
    unsigned runs;
};
// The option of the name; none for a name the tool does not know.
const Option* findOption(const std::string& name);

struct Arguments {
    Mode mode = kChart;
    std::map<std::string, std::string> values;  // the options given with a value
    std::set<std::string> switches;             // the options given without

    bool on(const std::string& name) const { return switches.count(name) > 0; }
    bool has(const std::string& name) const { return values.count(name) > 0; }
};

// Reads the options, each at most once and each valued one with a value that is not blank, and
// finds the run they ask for, refusing any option that does not apply to it, or that needs
// another not given (--desk without --server; --server with a chart but without --store;
// --copy-history without --server).
Arguments parse(const std::vector<std::string>& args);

}  // namespace dipsheet::cli::detail
