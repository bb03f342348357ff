#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QSysInfo>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chart.h"
#include "chart_tool.h"
#include "folderlock.h"
#include "scratch.h"
#include "store.h"

namespace fs = std::filesystem;
using dipsheet::cli::runChartTool;
using namespace cli_testing;

TEST(ChartTool, PrintsEveryRowAsShortestRoundTripText) {
    const auto r = run({"--shape", "rect", "--units", "in", "--increment", "0.1", "--length", "10",
                        "--width", "10", "--height", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    ASSERT_EQ(all.size(), 100u);  // heading and 99 rows
    EXPECT_EQ(all[0], "Depth,Capacity");
    EXPECT_EQ(all[10].substr(0, 10), "1.0000001,");
    EXPECT_EQ(all[33].substr(0, 9), "3.299999,");
}

TEST(ChartTool, MatchesTheChartOfEachShape) {
    auto r = run({"--shape=cyl", "--units=in", "--increment=1", "--diameter=48", "--length=96"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n24,375.98584\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n48,751.9717\n"), std::string::npos);

    r = run({"--shape", "vert", "--units", "mm", "--outside", "--striker", "--increment", "100",
             "--diameter", "2000", "--height", "3000", "--bottom-thickness", "8",
             "--shell-thickness", "6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("2900,9020.243\n"), r.out.size() - 14);

    r = run({"--shape", "rect", "--units", "mm", "--outside", "--striker", "--increment", "10",
             "--length", "1000", "--width", "500", "--height", "500", "--thickness", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n10,7.7616\n"), std::string::npos);
}

TEST(ChartTool, BadInputIsRefusedWithStatusTwoAndNothingPrinted) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--shape", "sphere", "--units", "in", "--increment", "1"},
        {"--shape", "rect", "--units", "ft", "--increment", "1", "--length", "1", "--width", "1",
         "--height", "1"},
        {"--shape", "rect", "--units", "in", "--increment", "1", "--length", "12 ft", "--width",
         "1", "--height", "1"},
        {"--shape", "rect", "--units", "in", "--increment", "0", "--length", "1", "--width", "1",
         "--height", "1"},
        {"--shape", "rect", "--units", "in", "--increment", "-2", "--length", "1", "--width", "1",
         "--height", "1"},
        {"--shape", "cyl", "--units", "in", "--increment", "1", "--diameter", "10", "--width", "1",
         "--length", "1"},
        {"--shape", "cyl", "--units", "in", "--outside", "--increment", "1", "--diameter", "10",
         "--length", "10", "--head-thickness", "1"},
        {"--shape", "cyl", "--units", "in", "--increment", "1", "--diameter", "10", "--length",
         "10", "--shell-thickness", "1"},
        {"--shape", "vert", "--units", "in", "--increment", "0.0001", "--diameter", "10",
         "--height", "10"},
        {"--shape", "vert", "--units", "in", "--increment", "1", "--diameter", "10", "--height"},
        {"--bogus"},
        {"stray"},
        // So small that the full tank is 0 in the chart's numbers.
        {"--shape", "cyl", "--units", "mm", "--increment", "1e-30", "--diameter", "1e-30",
         "--length", "1e-30"},
        {"--shape", "rect", "--units", "mm", "--points", "3", "--length", "1e-30", "--width",
         "1e-30", "--height", "1e-30"},
    };
    for (const auto& args : cases) {
        const auto r = run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + ' ';
        EXPECT_EQ(r.status, 2) << joined;
        EXPECT_EQ(r.out, "") << joined;
        EXPECT_NE(r.err, "") << joined;
    }
    const auto r = run({"--shape", "rect", "--units", "in", "--increment", "1", "--length", "12 ft",
                        "--width", "1", "--height", "1"});
    EXPECT_NE(r.err.find("Length"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'12 ft'"), std::string::npos) << r.err;
}

TEST(ChartTool, ByVolumePrintsTheDepthOfEachStepThenTheFullTank) {
    const std::vector<std::string> args{"--shape",  "cyl", "--units",     "in", "--diameter", "48",
                                        "--length", "96",  "--by-volume", "100"};
    const auto r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Capacity,Depth");
    // 100 to 700 gallons, then the full tank; each depth the shortest text of its single
    int gallons = 100;
    for (; std::getline(lines, line); gallons += 100) {
        const std::string depth = line.substr(line.find(',') + 1);
        EXPECT_EQ(line, (gallons < 800 ? std::to_string(gallons) : "751.9717") + ',' +
                            dipsheet::chart::singleText(std::stof(depth)));
    }
    EXPECT_EQ(gallons, 900);
    EXPECT_EQ(r.out.substr(r.out.size() - 12), "751.9717,48\n");
}

TEST(ChartTool, ByVolumeRefusesAsTheChartsDo) {
    const auto refused = [](std::vector<std::string> more, const std::string& message) {
        std::vector<std::string> args{"--shape=rect", "--units=in", "--length=10", "--width=10"};
        args.insert(args.end(), more.begin(), more.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << more.back();
        EXPECT_EQ(r.out, "") << more.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    };
    for (const char* step : {"abc", "0", "-5", "1e50"})
        refused({"--height=10", "--by-volume", step}, "Volume step");
    // an empty step is no step given (it was read as a step before)
    refused({"--height=10", "--by-volume", ""}, "--by-volume needs a value");
    refused({"--height=10", "--by-volume=1/8"}, "Volume step: '1/8' is not a number");
    refused({"--height=10", "--by-volume=0.0001"}, "43288 rows; at most 32766");
    refused({"--height=10", "--by-volume=1e-30"}, "rows; at most 32766");
    refused({"--height=10", "--by-volume=1", "--increment=1"}, "--increment does not apply");
    refused({"--height=10", "--by-volume=1", "--store"}, "--store does not apply");
    refused({"--height=10", "--by-volume"}, "--by-volume needs a value");
    refused({"--height=0.2", "--striker", "--by-volume=1"}, "below the striker plate");
}

TEST(ChartTool, HelpExplainsEveryOption) {
    const auto r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option :
         {"--shape", "--units", "--outside", "--striker", "--increment", "--length", "--width",
          "--height", "--thickness", "--diameter", "--head-thickness", "--shell-thickness",
          "--bottom-thickness", "--store", "--by-volume", "--server", "--desk", "--copy-history"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
}

TEST(ChartTool, HeadsAndBottoms) {
    const auto cyl = [](std::vector<std::string> more) {
        std::vector<std::string> args{"--shape", "cyl",        "--units", "in",       "--increment",
                                      "36",      "--diameter", "108",     "--length", "156"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    // The published tank in chart gallons (231.016 cubic inches): 2028.627 US gallons.
    EXPECT_EQ(run(cyl({"--heads", "asme-fd"})).out.substr(0, 27), "Depth,Capacity\n36,2028.486\n");
    EXPECT_EQ(run(cyl({"--heads=conical", "--head-depth=42"})).out.substr(15, 13),
              "36,2041.0508\n");
    EXPECT_EQ(run(cyl({"--heads", "flat"})).out, run(cyl({})).out);
    const auto r = run({"--shape", "vert", "--units", "in", "--increment", "12", "--diameter",
                        "132", "--height", "99", "--bottom", "2:1"});
    EXPECT_NE(r.out.find("\n24,783.30383\n"), std::string::npos) << r.err;

    for (const auto& args :
         {cyl({"--heads", "torispherical"}), cyl({"--head-depth", "27"}),
          cyl({"--heads", "2:1", "--head-depth", "27"}), cyl({"--heads", "dished"}),
          cyl({"--bottom", "conical"}), cyl({"--heads", "dished", "--head-depth", "54.5"})}) {
        const auto bad = run(args);
        EXPECT_EQ(bad.status, 2) << args.back();
        EXPECT_EQ(bad.out, "") << args.back();
        EXPECT_NE(bad.err, "") << args.back();
    }
    EXPECT_NE(run(cyl({"--heads", "dished"})).err.find("Head Depth"), std::string::npos);
    const auto help = run({"--help"}).out;
    for (const char* word : {"--heads", "--head-depth", "--bottom", "--bottom-depth", "flat", "2:1",
                             "hemispherical", "asme-fd", "ellipsoidal", "conical", "dished"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

TEST_F(InScratchFolder, StoreReplacesTheChartRowsInTheDatabase) {
    makeDatabase();
    const std::vector<std::string> args{"--shape",    "cyl", "--units",  "in", "--increment", "5",
                                        "--diameter", "10",  "--length", "10", "--store"};
    const auto first = run(args);
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(run(args).status, 0);  // a second run replaces, it does not append
    const auto rows = dipsheet::store::Database().readCapacity();
    ASSERT_EQ(rows.size(), 2u);
    dipsheet::chart::ChartOptions options;
    options.striker = false;
    options.increment = "5";
    const auto chart = dipsheet::chart::calcCyl(options, {"10", "10", "", ""});
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i].depth, chart[i + 1].depth);
        EXPECT_EQ(rows[i].volume, chart[i + 1].volume);
    }
    // The set-up goes with the rows, in the words the desktop uses.
    const auto setup = dipsheet::store::Database().readChartSetup();
    ASSERT_TRUE(setup.has_value());
    EXPECT_EQ(setup->text,
              "Horizontal cylinder, Flat heads, inside, inches: Diameter 10, Length 10; "
              "increment 5; no striker plate");
    EXPECT_EQ(static_cast<float>(setup->full), chart.back().volume);  // full at depth 10
}

TEST_F(InScratchFolder, StoreWithoutADatabaseFailsAndCreatesNoFile) {
    const auto r = run({"--shape", "rect", "--units", "in", "--increment", "1", "--length", "1",
                        "--width", "1", "--height", "1", "--store"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("14"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dipsheet::store::kDatabaseFile));
}

// --new-database makes the job database in the working folder, once: a second run leaves the
// file as it is, with one line on standard error.
TEST_F(InScratchFolder, NewDatabaseIsMadeOnceAndNeverOver) {
    const auto made = run({"--new-database"});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.out + made.err, "");
    EXPECT_EQ(dipsheet::store::Database().readJobRecord().member, "Client Name");
    const std::string bytes = fileBytes(dipsheet::store::kDatabaseFile);
    const auto again = run({"--new-database"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(std::count(again.err.begin(), again.err.end(), '\n'), 1) << again.err;
    EXPECT_NE(again.err.find("there already"), std::string::npos) << again.err;
    EXPECT_EQ(fileBytes(dipsheet::store::kDatabaseFile), bytes);
    EXPECT_EQ(run({"--new-database", "--store"}).status, 2);
}

// Refused before the store, the chart on file stays as it was, byte for byte.
TEST_F(InScratchFolder, BadInputWritesNothingToTheDatabase) {
    makeDatabase();
    ASSERT_EQ(run({"--shape", "rect", "--units", "in", "--increment", "1", "--length", "2",
                   "--width", "1", "--height", "3", "--store"})
                  .status,
              0);
    const std::string stored = fileBytes(dipsheet::store::kDatabaseFile);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--shape=rect", "--increment=1", "--length=x", "--width=1", "--height=3"},
         "Length: 'x' is not a number"},
        {{"--shape=rect", "--by-volume=1", "--length=2", "--width=1", "--height=3"},
         "--store does not apply"},
        // charts of no rows
        {{"--shape=rect", "--increment=4", "--length=2", "--width=1", "--height=3"},
         "The increment 4 is larger than the Height 3 less the striker allowance 0: no row to "
         "chart. Choose a smaller increment.\n"},
        {{"--shape=vert", "--increment=21", "--diameter=40", "--height=10", "--bottom=2:1"},
         "The increment 21 is larger than the depth of the tank 20 less"},
        // an option where a value should be: the option is not taken as the value (a usage
        // message and its hint to --help are now one line)
        {{"--shape=rect", "--length=2", "--width=1", "--height=3", "--increment", "--store"},
         "--increment needs a value (try"},
        {{"--shape=rect", "--length=2", "--width=1", "--height=3", "--increment"},
         "--increment needs a value (try"},
        {{"--shape=rect", "--length=2", "--width=1", "--height=3", "--increment", "-5"},
         "Incremental distance: '-5' is not above 0"},
    };
    for (const auto& [more, message] : cases) {
        std::vector<std::string> args{"--store", "--units=in"};
        args.insert(args.end(), more.begin(), more.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_EQ(r.err.rfind("dipsheet-chart: " + message, 0), 0u) << r.err;
        EXPECT_EQ(fileBytes(dipsheet::store::kDatabaseFile), stored) << message;
    }
}

// What the tool cannot honour is refused before anything is done: an empty or blank value, an
// option twice, an option that does not apply to the run. Exit status 2, one line naming the
// option, nothing printed, the database (its chart and history) untouched.
TEST_F(InScratchFolder, RefusesWhatItCannotHonour) {
    makeDatabase();
    const std::vector<std::string> tank{"--shape",    "cyl", "--units",  "in",
                                        "--diameter", "48",  "--length", "120"};
    auto chart = tank;
    chart.insert(chart.end(), {"--increment", "12", "--store"});
    ASSERT_EQ(run(chart).status, 0);  // history chart 1
    const std::string stored = fileBytes(dipsheet::store::kDatabaseFile);
    const auto withTank = [&tank](std::vector<std::string> more) {
        more.insert(more.begin(), tank.begin(), tank.end());
        return more;
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        // empty and blank values stand for nothing, not for a level tank or the middle
        {withTank({"--increment", "12", "--store", "--tilt-fall", ""}),
         "--tilt-fall needs a value"},
        {withTank({"--increment", "12", "--store", "--tilt-degrees", " "}),
         "--tilt-degrees needs a value"},
        {withTank({"--increment", "12", "--store", "--tilt-fall=2", "--dip-at="}),
         "--dip-at needs a value"},
        {{"--history", "--search", " "}, "--search needs a value"},
        // given twice
        {withTank({"--increment", "12", "--store", "--store"}), "--store is given twice"},
        {withTank({"--increment", "12", "--striker", "--store", "--striker"}),
         "--striker is given twice"},
        {withTank({"--marks", "--marks"}), "--marks is given twice"},
        {{"--history", "--history"}, "--history is given twice"},
        {withTank({"--increment", "12", "--store", "--length", "96"}), "--length is given twice"},
        {{"--reprint", "1", "--store", "--store"}, "--store is given twice"},
        // not for this run
        {{"--reprint", "1", "--ullage"}, "--ullage does not apply with --reprint"},
        {{"--reprint", "1", "--marks"}, "--marks does not apply with --reprint"},
        {{"--reprint", "1", "--store", "--points", "5"}, "--points does not apply with --reprint"},
        {{"--reprint", "1", "--store", "--diameter", "48"},
         "--diameter does not apply with --reprint"},
        {{"--history", "--ullage"}, "--ullage does not apply with --history"},
        {{"--history", "--store"}, "--store does not apply with --history"},
        {{"--history", "--reprint", "1"}, "--reprint does not apply with --history"},
        {{"--reprint", "1", "--version"}, "--reprint does not apply with --version"},
        {{"--store", "--help"}, "--store does not apply with --help"},
        {withTank({"--marks", "--store"}), "--store does not apply with --marks"},
        {withTank({"--by-volume", "100", "--store"}), "--store does not apply with --by-volume"},
        {withTank({"--marks", "--points", "9"}), "--marks does not apply with --points"},
        {withTank({"--increment", "12", "--store", "--percent", "90"}),
         "--percent applies only with --marks"},
        {withTank({"--increment", "12", "--store", "--search", "x"}),
         "--search applies only with --history"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_EQ(r.err.rfind("dipsheet-chart: " + message, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(fileBytes(dipsheet::store::kDatabaseFile), stored) << message;
    }
    const auto help = run({"--help"}).out;
    for (const char* word : {"one thing", "given twice", "blank", "exact", "fewer than N"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(ChartToolProgram, ExitStatusAndStreamsOfTheBuiltProgram) {
    const std::string tool = DIPSHEET_CHART_TOOL;
    auto capture = [&](const std::string& args, std::string* out) {
        FILE* pipe = ::popen((tool + " " + args + " 2>/dev/null").c_str(), "r");
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out->append(buffer, n);
        return WEXITSTATUS(::pclose(pipe));
    };
    std::string out;
    EXPECT_EQ(
        capture("--shape rect --units in --increment 1 --length 100 --width 50 --height 40", &out),
        0);
    EXPECT_NE(out.find("\n1,21.64352\n"), std::string::npos);
    out.clear();
    EXPECT_EQ(
        capture("--shape rect --units in --increment 1 --length '1/8' --width 1 --height 1", &out),
        2);
    EXPECT_EQ(out, "");
    // Output that does not get there (a full disk; /dev/full here) is said, with status 1.
    for (const std::string args : {"--shape rect --units in --increment 1 --length 100 --width 50 "
                                   "--height 40",
                                   "--help", "--version"}) {
        std::string said;
        EXPECT_EQ(capture(args + " 2>&1 >/dev/full #", &said), 1) << args;
        EXPECT_NE(said.find("the output could not be written"), std::string::npos) << said;
    }
}

namespace {

std::vector<dipsheet::chart::CapacityRow> storedChart() {
    return dipsheet::store::Database().readCapacity();
}

}  // namespace

// A writer killed at a random moment leaves either the previous chart or the whole new one.
TEST_F(InScratchFolder, KilledWritersNeverLeavePartOfAChart) {
    makeDatabase();
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(
            sqlite3_open_v2(dipsheet::store::kDatabaseFile, &db, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "INSERT INTO Capacity VALUES(0, 0); INSERT INTO Capacity "
                               "VALUES(-1, 5);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    // Two charts of 32,766 rows that differ in every row.
    const std::vector<std::string> widths{"1", "2"};
    std::vector<std::vector<dipsheet::chart::CapacityRow>> expected;
    for (const auto& width : widths) {
        dipsheet::chart::ChartOptions options;
        options.striker = false;
        options.increment.push_back('1');  // (assigning a literal trips a false -Wrestrict)
        auto rows = dipsheet::chart::calcRect(options, {"1", width, "32766", ""});
        std::vector<dipsheet::chart::CapacityRow> stored{{0, 0}, {-1, 5}};
        stored.insert(stored.end(), rows.begin() + 1, rows.end());
        expected.push_back(std::move(stored));
    }
    auto store = [&](std::size_t which) -> pid_t {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(DIPSHEET_CHART_TOOL, DIPSHEET_CHART_TOOL, "--shape", "rect", "--units", "in",
                    "--increment", "1", "--length", "1", "--width", widths[which].c_str(),
                    "--height", "32766", "--store", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    int status = 0;
    ::waitpid(store(0), &status, 0);
    ASSERT_EQ(storedChart(), expected[0]);

    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> delayMicroseconds(0, 80000);
    std::size_t current = 0;
    int kept = 0, replaced = 0;
    const int kills = 60;
    for (int k = 0; k < kills; ++k) {
        const std::size_t next = 1 - current;
        const pid_t pid = store(next);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        const auto rows = storedChart();
        if (rows == expected[current]) {
            ++kept;
        } else if (rows == expected[next]) {
            ++replaced;
            current = next;
        } else {
            FAIL() << "kill " << k << " left " << rows.size() << " rows, part of a chart";
        }
    }
    EXPECT_EQ(kept + replaced, kills);
    std::cout << "[ kills ] " << kills << " kills: " << kept << " left the previous chart, "
              << replaced << " the whole new one\n";
}

// Every shape and head kind: a chart stored with --store and printed again with --reprint is
// the same text, bit for bit; --reprint --store puts it on show again with the same set-up.
TEST_F(InScratchFolder, ReprintGivesTheChartOfTheOriginalRun) {
    makeDatabase();
    std::vector<std::vector<std::string>> tanks{{"--shape", "rect", "--units", "mm", "--increment",
                                                 "50", "--length", "2000", "--width", "1000",
                                                 "--height", "1250", "--striker"}};
    for (const auto kind : dipsheet::chart::kHeadKinds) {
        const std::string name(dipsheet::chart::headKindName(kind));
        const bool typed = dipsheet::chart::headDepthIsTyped(kind);
        std::vector<std::string> cyl{"--shape",    "cyl", "--units",  "in", "--increment", ".5",
                                     "--diameter", "48",  "--length", "96", "--heads",     name};
        std::vector<std::string> vert{"--shape",   "vert",
                                      "--units",   "mm",
                                      "--outside", "--increment",
                                      "20",        "--diameter",
                                      "1800",      "--height",
                                      "2400",      "--bottom",
                                      name,        "--bottom-thickness",
                                      "8",         "--shell-thickness",
                                      "6"};
        if (typed) {
            cyl.insert(cyl.end(), {"--head-depth", "10"});
            vert.insert(vert.end(), {"--bottom-depth", "300"});
        }
        tanks.push_back(cyl);
        tanks.push_back(vert);
    }
    std::vector<std::string> originals;
    for (auto args : tanks) {
        args.push_back("--store");
        const auto original = run(args);
        ASSERT_EQ(original.status, 0) << original.err;
        originals.push_back(original.out);
    }
    const auto listed = run({"--history"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'),
              static_cast<long>(tanks.size()) + 1);
    for (std::size_t i = 0; i < tanks.size(); ++i) {
        const std::string id = std::to_string(i + 1);
        EXPECT_EQ(run({"--reprint", id}).out, originals[i]) << "chart " << id;
    }
    // The date it was made, as on its printout, goes to standard error.
    sqlite3* db = nullptr;
    sqlite3_open("QRTMembers.mdb", &db);
    sqlite3_exec(db, "UPDATE ChartHistory SET Made = '2019-11-30 16:45:09' WHERE Id = 2", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(run({"--reprint", "2"}).err, "chart 2 made 2019-11-30 16:45:09\n");
    const auto before = dipsheet::store::Database().readChartSetup();
    ASSERT_EQ(run({"--reprint", "1", "--store"}).status, 0);
    const auto shown = dipsheet::store::Database().readChartSetup();
    EXPECT_EQ(shown->text, dipsheet::store::Database().readHistoryEntry(1)->setup);
    EXPECT_NE(shown->text, before->text);
    EXPECT_EQ(shown->tank, dipsheet::store::Database().readHistoryEntry(1)->tank);
}

// The list as CSV (fields with commas, quotes or line breaks quoted), a search, and the ids and
// options refused with exit status 2 and nothing printed.
TEST_F(InScratchFolder, HistoryListsAndRefusesWhatIsNoChart) {
    makeDatabase();
    dipsheet::store::Database().writeHeading("Dock \"North\", Ltd", "two\nlines", "SN-1");
    ASSERT_EQ(run({"--shape", "cyl", "--units", "in", "--increment", "12", "--diameter", "48",
                   "--length", "96", "--store"})
                  .status,
              0);
    dipsheet::store::Database().writeHeading("Quay Oils", "water", "W-2");
    ASSERT_EQ(run({"--shape", "rect", "--units", "in", "--increment", "10", "--length", "20",
                   "--width", "20", "--height", "20", "--store"})
                  .status,
              0);
    sqlite3* db = nullptr;
    sqlite3_open("QRTMembers.mdb", &db);
    sqlite3_exec(db, "UPDATE ChartHistory SET Tank = 'tank=7' WHERE Id = 2", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);

    const auto all = run({"--history"});
    ASSERT_EQ(all.status, 0) << all.err;
    std::istringstream lines(all.out);
    std::string header, newest;
    std::getline(lines, header);
    std::getline(lines, newest);
    EXPECT_EQ(header, "Id,Date,Serial,Customer,Description,Setup,Full");
    EXPECT_EQ(newest.substr(0, 2), "2,");
    EXPECT_NE(newest.find(",W-2,Quay Oils,water,cannot be read,"), std::string::npos) << newest;
    EXPECT_NE(all.out.find(",SN-1,\"Dock \"\"North\"\", Ltd\",\"two\nlines\",\"Horizontal "),
              std::string::npos)
        << all.out;
    const auto found = run({"--history", "--search", "north sn-"});
    EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), 3);  // a quoted line break
    // Any text is a search: 600 short words (the first 16 count), a control character.
    std::string many = "north\x01";
    for (int i = 0; i < 600; ++i)
        many += " sn";
    const auto manyWords = run({"--history", "--search", many});
    EXPECT_EQ(manyWords.status, 0) << manyWords.err;
    EXPECT_EQ(manyWords.out, found.out);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--reprint", "3"},
                                               {"--reprint", "2"},
                                               {"--reprint", "x1"},
                                               {"--reprint", "-1"},
                                               {"--reprint", "1", "--history"},
                                               {"--history", "--store"},
                                               {"--history", "--shape", "cyl"},
                                               {"--search", "sn"}}) {
        const auto refused = run(bad);
        EXPECT_EQ(refused.status, 2) << bad[0] << " " << bad[1];
        EXPECT_TRUE(refused.out.empty());
        EXPECT_FALSE(refused.err.empty());
    }
}

// A tank as it lies: the options give the chart of the tank value with the same tilt, a fall of
// 0 the level chart, and each bad tilt is refused with exit status 2 and nothing printed.
TEST(ChartTool, TiltOptions) {
    const std::vector<std::string> cyl{"--shape",     "cyl", "--units",    "in",
                                       "--increment", "2",   "--diameter", "48",
                                       "--length",    "120", "--heads",    "2:1"};
    const auto with = [&cyl](std::vector<std::string> more) {
        std::vector<std::string> args = cyl;
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    dipsheet::chart::Tank tank;
    tank.striker = false;
    tank.increment = std::string("2");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    tank.heads.kind = dipsheet::chart::HeadKind::TwoToOne;
    tank.fall = std::string("-3");
    tank.dipAt = std::string("100");
    const auto tilted = with({"--tilt-fall", "-3", "--dip-at", "100"});
    ASSERT_EQ(tilted.status, 0) << tilted.err;
    EXPECT_EQ(tilted.out, dipsheet::chart::chartCsv(tank.chart().rows));
    EXPECT_EQ(with({"--tilt-fall", "0", "--dip-at", "100"}).out, run(cyl).out);
    EXPECT_EQ(with({"--tilt-degrees", "1.5", "--by-volume", "100"}).status, 2);  // two steps
    auto byVolume = cyl;
    byVolume.erase(byVolume.begin() + 4, byVolume.begin() + 6);
    byVolume.insert(byVolume.end(), {"--by-volume", "100", "--tilt-degrees", "1.5"});
    EXPECT_EQ(run(byVolume).status, 0);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--tilt-fall", "x"},
                                               {"--tilt-fall", "120"},
                                               {"--tilt-fall", "-121"},
                                               {"--tilt-degrees", "90"},
                                               {"--tilt-fall", "1", "--tilt-degrees", "1"},
                                               {"--tilt-fall", "1", "--dip-at", "121"},
                                               {"--tilt-fall", "1", "--dip-at", "-1"}}) {
        const auto refused = with(bad);
        EXPECT_EQ(refused.status, 2) << bad[0] << " " << bad[1];
        EXPECT_TRUE(refused.out.empty());
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n') <= 2, true)
            << refused.err;
    }
    const auto vertical = run({"--shape", "vert", "--units", "in", "--increment", "2", "--diameter",
                               "48", "--height", "120", "--tilt-fall", "1"});
    EXPECT_EQ(vertical.status, 2);
    EXPECT_NE(vertical.err.find("--tilt-fall does not apply to --shape vert"), std::string::npos);
}

// At the site: the ullage columns beside the chart, the fill marks, and a gauge table with its
// largest error on standard error; each alone, without --increment.
TEST(ChartTool, SiteOptions) {
    const std::vector<std::string> tank{"--shape",    "cyl", "--units",  "in",
                                        "--diameter", "48",  "--length", "120"};
    const auto with = [&tank](std::vector<std::string> more) {
        std::vector<std::string> args = tank;
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    };
    const auto ullage = with({"--increment", "24", "--ullage"});
    EXPECT_EQ(ullage.out,
              "Depth,Capacity,Ullage,Percent\n24,469.9823,469.9823,50\n48,939.9646,0,100\n");
    const auto marks = with({"--marks", "--percent", "50"});
    EXPECT_EQ(marks.out, "Percent,Depth,Capacity\n50,24,469.9823\n");
    // Filled to a mark as printed, a tank never passes the level: with 2:1 heads it holds 90 %
    // (958.763878 US gal) at 40.2780883 in and 95 % (1012.028538) at 43.1490656, the shell's
    // segment and both heads' pi a e^2 (3R - e) / (6R) bisected; a mark is a single at most a
    // few singles short of it.
    const auto headed = with({"--heads", "2:1", "--marks"});
    float depth90 = 0, volume90 = 0, depth95 = 0, volume95 = 0;
    ASSERT_EQ(std::sscanf(headed.out.c_str(), "Percent,Depth,Capacity\n90,%f,%f\n95,%f,%f",
                          &depth90, &volume90, &depth95, &volume95),
              4)
        << headed.out;
    for (const auto& [depth, volume, level, held] :
         {std::tuple{depth90, volume90, 40.2780883, 958.763878},
          std::tuple{depth95, volume95, 43.1490656, 1012.028538}}) {
        EXPECT_LE(depth, level);
        EXPECT_GT(depth, level - 2e-5);
        EXPECT_LE(volume, held);
    }
    // A percent the stick cannot read has Depth and Capacity empty: under the 6 mm striker plate
    // of a 100 mm cylinder (2.45 % there), or under the dip point of a tank tilted away from it
    // (6.2 % at reading 0).
    for (const auto& [args, out] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--shape", "cyl", "--units", "mm", "--diameter", "100", "--length", "1000",
               "--striker", "--marks", "--percent", "1,2,50"},
              "Percent,Depth,Capacity\n1,,\n2,,\n50,44,3.9269907\n"},
             {{"--shape", "cyl", "--units", "in", "--diameter", "48", "--length", "120",
               "--tilt-fall", "10", "--dip-at", "0", "--marks", "--percent", "1,5"},
              "Percent,Depth,Capacity\n1,,\n5,,\n"}}) {
        const auto below = run(args);
        EXPECT_EQ(below.status, 0) << below.err;
        EXPECT_EQ(below.out, out);
    }
    const auto gauge = with({"--points", "20"});
    ASSERT_EQ(gauge.status, 0) << gauge.err;
    EXPECT_EQ(std::count(gauge.out.begin(), gauge.out.end(), '\n'), 21);
    EXPECT_EQ(gauge.out.substr(0, 19), "Depth,Capacity\n0,0\n");
    EXPECT_EQ(gauge.err.substr(0, 30), "largest interpolation error 0.");
    EXPECT_NE(gauge.err.find(" US gal at "), std::string::npos) << gauge.err;
    // A fine table's error, far under a hundredth, keeps three significant digits.
    const auto fine = with({"--points", "1000"});
    const std::string error = fine.err.substr(28, fine.err.find(' ', 28) - 28);
    EXPECT_EQ(error.substr(0, 4), "0.00") << fine.err;
    EXPECT_EQ(error.size() - error.find_first_not_of("0."), 3u) << fine.err;
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--points", "1"},
                                               {"--points", "20", "--increment", "1"},
                                               {"--points", "20", "--marks"},
                                               {"--marks", "--percent", "100"},
                                               {"--percent", "90", "--increment", "1"},
                                               {"--points", "20", "--store"}}) {
        const auto refused = with(bad);
        EXPECT_EQ(refused.status, 2) << bad[0] << " " << bad[1];
        EXPECT_TRUE(refused.out.empty());
    }
}

// The data folder is held by one program: --store on a folder another holds stores nothing and
// exits 1 naming the holder; reading the history goes on. A lock whose process has died holds
// nothing.
TEST_F(InScratchFolder, StoreIsRefusedOnAFolderAnotherProgramHolds) {
    makeDatabase();
    const std::vector<std::string> store{"--shape",    "cyl", "--units",  "in", "--increment", "1",
                                         "--diameter", "48",  "--length", "96", "--store"};
    {
        dipsheet::document::FolderLock desk(QString::fromStdString(m_folder.string()));
        ASSERT_EQ(desk.take(), dipsheet::document::FolderLock::Outcome::Taken);
        const std::string before = fileBytes(dipsheet::store::kDatabaseFile);
        const auto refused = run(store);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find("Dipsheet is already open on this folder"), std::string::npos)
            << refused.err;
        EXPECT_NE(refused.err.find("process " + std::to_string(::getpid())), std::string::npos)
            << refused.err;
        EXPECT_EQ(fileBytes(dipsheet::store::kDatabaseFile), before);
        EXPECT_EQ(run({"--history"}).status, 0);
    }
    // A lock file left by a process that is gone, as the lock writes it.
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    std::ofstream(dipsheet::document::kLockFile)
        << child << "\ndipsheet\n"
        << QSysInfo::machineHostName().toStdString() << "\n";
    const auto stored = run(store);
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_EQ(dipsheet::store::Database().readCapacity().size(), 48u);
}

// What lies under the lock's name: a file left empty or damaged holds nothing; a link, a folder,
// another user's file or no lock at all (as another user here) is refused; a holder is named.
TEST_F(InScratchFolder, StoreMeetsWhatLiesUnderTheLocksName) {
    namespace fs = std::filesystem;
    using dipsheet::document::kLockFile;
    makeDatabase();
    const std::vector<std::string> store{"--shape",    "cyl", "--units",  "in", "--increment", "4",
                                         "--diameter", "48",  "--length", "96", "--store"};
    pid_t holder = 0;
    const std::vector<std::tuple<std::string, std::function<void()>, std::string>> cases{
        {"empty", [] { std::ofstream{kLockFile}; }, ""},
        {"random bytes", [] { std::ofstream(kLockFile) << "\x93\xff\n-7\n\x01\x7f"; }, ""},
        {"directory", [] { fs::create_directory(kLockFile); },
         "is a folder, not a file. Remove or rename that folder"},
        {"symlink", [] { fs::create_symlink(fs::path("QRTMembers.mdb"), kLockFile); },
         "is a symbolic link, which Dipsheet does not follow. Remove the link"},
        {"another user's",
         [] { (std::ofstream(kLockFile) << "1\n"), ::chown(kLockFile, 65534, 0); },
         "belongs to another user (user 65534)"},
        {"held by a live process",
         [&] {
             if ((holder = ::fork()) == 0) {
                 dipsheet::document::FolderLock desk(QDir::currentPath(), QStringLiteral("dip"));
                 desk.take();
                 ::pause();  // until killed, which lets go of the folder
             }
             std::error_code none;  // a holder that has written its name, 5 s at most
             for (int i = 0; i < 500 && fs::file_size(kLockFile, none) + 1 < 2; ++i)
                 ::usleep(10000);
         },
         "Dipsheet is already open on this folder (" + m_folder.string() + "): dip, process "},
        {"no lock can be made", [] {},
         "cannot be made (Permission denied): Dipsheet does not work on a folder it cannot hold. "
         "Make the folder writable"},
    };
    for (const auto& [what, plant, said] : cases) {
        SCOPED_TRACE(what);
        const bool asNobody = what == "no lock can be made";
        if ((asNobody || what == "another user's") && ::geteuid() != 0) {
            std::cout << "skipped " << what << ": only root gives a file to another user\n";
            continue;
        }
        fs::remove_all(kLockFile);
        plant();
        const std::string before = fileBytes(dipsheet::store::kDatabaseFile);
        const std::string expected = holder ? said + std::to_string(holder) + " on " : said;
        const pid_t nobody = asNobody ? ::fork() : -1;
        if (nobody == 0)  // ends with 0 when it met what was expected
            ::_exit(::setgid(65534) || ::setuid(65534) ||
                    run(store).err.find(expected) == std::string::npos);
        int status = -1;
        const Result result =
            asNobody ? (::waitpid(nobody, &status, 0), Result{status ? 0 : 1, "", expected})
                     : run(store);
        EXPECT_EQ(result.status, said.empty() ? 0 : 1) << result.err;
        EXPECT_NE(result.err.find(expected), std::string::npos) << result.err;
        EXPECT_EQ(fileBytes(dipsheet::store::kDatabaseFile) == before, !said.empty());
        if (holder > 0)
            ::kill(holder, SIGKILL), ::waitpid(std::exchange(holder, 0), nullptr, 0);
    }
}

// Four runs of the command line storing into one folder at once: each waits while another
// holds the folder for its store, and every chart is stored.
TEST_F(InScratchFolder, RunsStoringIntoOneFolderAtOnceStoreEveryChart) {
    makeDatabase();
    constexpr int kRuns = 4, kCharts = 25;
    std::vector<pid_t> runs;
    for (int r = 0; r < kRuns; ++r) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failed = 0;
            for (int i = 0; i < kCharts; ++i) {
                const auto stored =
                    run({"--shape", "cyl", "--units", "in", "--increment", "4", "--diameter",
                         std::to_string(40 + r), "--length", "96", "--store"});
                if (stored.status != 0 && failed++ == 0)
                    std::fprintf(stderr, "%s", stored.err.c_str());
            }
            ::_exit(failed);
        }
        runs.push_back(pid);
    }
    for (const pid_t pid : runs) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed stores: " << status;
    }
    EXPECT_EQ(dipsheet::store::Database().readHistory().size(), std::size_t{kRuns * kCharts});
}
