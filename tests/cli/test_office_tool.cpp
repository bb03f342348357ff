// dipsheet-chart on an office's server: two desks' charts in one history, a chart made with
// the server stopped waiting in the desk's file, a history copied once, and the options'
// refusals. Against a server the tests start themselves.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "chart_tool.h"
#include "server/desk.h"
#include "server_test.h"
#include "store.h"

namespace fs = std::filesystem;
using dipsheet::testing::sharedServer;

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = dipsheet::cli::runChartTool(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    return all;
}

class OfficeTool : public dipsheet::testing::ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        m_previous = fs::current_path();
        m_root = fs::temp_directory_path() / ("dipsheet-office-" + std::to_string(getpid()));
        fs::remove_all(m_root);
        for (const char* desk : {"front", "back"}) {
            fs::create_directories(m_root / desk);
            at(desk);
            ASSERT_EQ(run({"--new-database"}).status, 0);
        }
    }
    void TearDown() override {
        fs::current_path(m_previous);
        fs::remove_all(m_root);
    }
    // Works in the data folder of `desk`.
    void at(const std::string& desk) { fs::current_path(m_root / desk); }
    // The job record of the folder's file: the heading its next chart is stored under.
    static void heading(const std::string& customer, const std::string& serial) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(dipsheet::store::kDatabaseFile, &db), SQLITE_OK);
        sqlite3_stmt* update = nullptr;
        sqlite3_prepare_v2(db, "UPDATE mrQRT SET mrCustomer = ?1, mrSerialNo = ?2", -1, &update,
                           nullptr);
        sqlite3_bind_text(update, 1, customer.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(update, 2, serial.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(update), SQLITE_DONE);
        sqlite3_finalize(update);
        sqlite3_close(db);
    }
    std::vector<std::string> chart(const std::string& diameter) const {
        return {"--shape", "cyl",         "--units", "in",      "--diameter", diameter, "--length",
                "120",     "--increment", "12",      "--store", "--server",   uri()};
    }

    fs::path m_previous, m_root;
};

}  // namespace

TEST_F(OfficeTool, TwoDesksChartIntoOneHistory) {
    at("front");
    heading("Riverside Fuel", "F-1");
    auto front = chart("48");
    front.insert(front.end(), {"--desk", "front"});
    const Result made = run(front);
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err, "");
    at("back");
    heading("Riverside Farm", "B-1");
    const Result other = run(chart("60"));  // the desk named by default
    ASSERT_EQ(other.status, 0) << other.err;

    Result listed = run({"--history", "--search", "riverside", "--server", uri()});
    ASSERT_EQ(listed.status, 0) << listed.err;
    auto rows = lines(listed.out);
    ASSERT_EQ(rows.size(), 3u) << listed.out;
    EXPECT_EQ(rows[0], "Id,Date,Serial,Customer,Description,Setup,Full,Desk");
    EXPECT_EQ(rows[1].substr(0, 2), "2,");
    EXPECT_NE(rows[1].find(",B-1,Riverside Farm,"), std::string::npos) << rows[1];
    EXPECT_EQ(rows[1].substr(rows[1].rfind(',') + 1), dipsheet::server::defaultDeskName());
    EXPECT_EQ(rows[2].substr(rows[2].rfind(',') + 1), "front");
    EXPECT_EQ(lines(run({"--history"}).out).size(), 2u);  // the back desk's own file: its chart

    // The back desk reprints the front desk's chart: the rows its run printed, put on show in
    // the back desk's file and as its chart on the server, adding no chart to either history.
    Result again = run({"--reprint", "1", "--store", "--server", uri()});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, made.out);
    EXPECT_EQ(count("SELECT count(*) FROM chart_history"), "2");
    EXPECT_EQ(count("SELECT count(*) FROM desk_chart WHERE length(rows) = " +
                    std::to_string(8 * (lines(made.out).size() - 1))),
              "2");

    // The server stopped: the chart is printed and waits in the front desk's file, said; what
    // reads the server says it cannot.
    sharedServer()->stop();
    at("front");
    heading("Riverside Fuel", "F-2");
    const Result waiting = run(front);
    EXPECT_EQ(waiting.status, 0);
    EXPECT_EQ(waiting.out.substr(0, 15), "Depth,Capacity\n");
    EXPECT_NE(waiting.err.find("cannot be reached"), std::string::npos) << waiting.err;
    EXPECT_NE(waiting.err.find("1 chart wait"), std::string::npos) << waiting.err;
    listed = run({"--history", "--server", uri()});
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out, "");
    EXPECT_NE(listed.err.find("cannot be reached"), std::string::npos) << listed.err;
    EXPECT_EQ(run({"--copy-history", "--server", uri(), "--desk", "front"}).status, 1);

    // Back: the desk's next read of the server sends the chart waiting first, and lists it;
    // a copy of the history then finds both there, and adds none.
    sharedServer()->start();
    listed = run({"--history", "--server", uri(), "--desk", "front"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.err.find("1 chart waiting in the data folder's file went"),
              std::string::npos)
        << listed.err;
    EXPECT_EQ(lines(listed.out).size(), 4u) << listed.out;
    EXPECT_EQ(run({"--history", "--server", uri()}).err, "");  // nothing waits any more
    const Result copied = run({"--copy-history", "--server", uri(), "--desk", "front"});
    EXPECT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(copied.out, "0 charts copied, 2 there already\n");
    EXPECT_EQ(count("SELECT string_agg(serial_no, ',' ORDER BY id) FROM chart_history"),
              "F-1,B-1,F-2");
}

// The server's options go through the one option table: each applies to its runs, is refused
// given twice or empty, and --desk, --copy-history and a chart on the server need what they
// name; a refusal prints nothing and stores nothing.
TEST_F(OfficeTool, OptionsAreRefusedAsTheOthers) {
    at("front");
    auto tank = chart("48");
    tank.resize(tank.size() - 3);  // without --store --server URI
    const auto with = [&tank](std::vector<std::string> more) {
        more.insert(more.begin(), tank.begin(), tank.end());
        return more;
    };
    const std::string server = uri();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {with({"--server", server}), "--server with a chart needs --store"},
        {with({"--store", "--desk", "x"}), "--desk applies only with --server"},
        {{"--copy-history"}, "--copy-history needs --server"},
        {{"--history", "--server", ""}, "--server needs a value"},
        {{"--history", "--server", server, "--desk", " "}, "--desk needs a value"},
        {{"--history", "--server", server, "--server", server}, "--server is given twice"},
        {{"--copy-history", "--server", server, "--search", "x"},
         "--search does not apply with --copy-history"},
        {{"--new-database", "--server", server}, "--server does not apply with --new-database"},
        {{"--shape", "rect", "--units", "in", "--length", "9", "--width", "9", "--height", "9",
          "--by-volume", "10", "--server", server},
         "--server does not apply with --by-volume"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_EQ(r.out, "") << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(count("SELECT to_regclass('chart_history') IS NULL"), "t");  // nothing reached it
    EXPECT_EQ(lines(run({"--history"}).out).size(), 1u);
}
