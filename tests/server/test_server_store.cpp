// The office's store against a real PostgreSQL server that the tests start themselves.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "charts_testing.h"
#include "pg_server.h"
#include "server/server_schema.h"
#include "server/server_store.h"
#include "server_test.h"
#include "store/store.h"

namespace fs = std::filesystem;
using dipsheet::server::ServerStore;
using dipsheet::store::ChartSetup;
using dipsheet::store::JobRecord;
using dipsheet::store::StoreError;
using dipsheet::testing::Chart;
using dipsheet::testing::PgServer;
using dipsheet::testing::ramp;
using dipsheet::testing::serialsOf;
using dipsheet::testing::setupOf;

namespace {

using ServerStoreTest = dipsheet::testing::ServerTest;
PgServer* server() {
    return dipsheet::testing::sharedServer();
}

}  // namespace

// Two desks, each its own job and chart on show, one history: each sees the other's chart,
// reads its rows bit for bit, and a delete says whose desk made it.
TEST_F(ServerStoreTest, TwoDesksShareOneHistory) {
    ServerStore front(uri(), "front"), back(uri(), "back");
    EXPECT_FALSE(front.findJobRecord().has_value());
    const Chart odd{{0.7f, 0.70000005f}, {1e-30f, 3.4028235e38f}, {-0.0f, 12.5f}};
    front.replaceChart(odd, setupOf("48"), JobRecord{"Ann", "Riverside Fuel", "diesel", "F-1"});
    back.writeJob({"", "Riverside Farm", "fuel oil", "B-1"});  // a first record without a name
    back.replaceChart(ramp(40, 0.5f), setupOf("1200", false));
    const std::int64_t frontId = front.appendedHistoryId(), backId = back.appendedHistoryId();
    ASSERT_GT(frontId, 0);
    ASSERT_GT(backId, frontId);

    EXPECT_EQ(front.findJobRecord(), (JobRecord{"Ann", "Riverside Fuel", "diesel", "F-1"}));
    EXPECT_EQ(back.findJobRecord(), (JobRecord{"", "Riverside Farm", "fuel oil", "B-1"}));
    back.writeJob({"Bo", "Riverside Farm", "fuel oil", "B-1"});
    back.writeJob({"  ", "Riverside Farm", "fuel oil", "B-2"});  // a blank name keeps the stored
    EXPECT_EQ(back.findJobRecord()->member, "Bo");
    EXPECT_EQ(front.readCapacity().size(), 3u);
    EXPECT_EQ(back.readChartSetup()->tank, setupOf("1200", false).tank);

    for (ServerStore* desk : {&front, &back}) {
        const auto found = desk->readHistory("RIVERSIDE");
        EXPECT_EQ(serialsOf(found), (std::vector<std::string>{"B-1", "F-1"}));
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[1].job.member, "Ann");
        EXPECT_EQ(found[1].unit, "US gal");
        EXPECT_EQ(found[0].unit, "L");
        EXPECT_EQ(found[0].full, 751.5);
        EXPECT_EQ(found[1].tank, setupOf("48").tank);
        EXPECT_EQ(found[1].made.size(), 19u) << found[1].made;
        const auto rows = desk->readHistoryRows(frontId);
        ASSERT_TRUE(rows.has_value());
        ASSERT_EQ(rows->size(), odd.size());
        for (std::size_t i = 0; i < odd.size(); ++i) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>((*rows)[i].depth),
                      std::bit_cast<std::uint32_t>(odd[i].depth));
            EXPECT_EQ((*rows)[i].volume, odd[i].volume);
        }
    }
    EXPECT_EQ(front.historyDesk(backId), "back");
    EXPECT_EQ(back.readHistory("riverside", 1).at(0).id, backId);
    EXPECT_EQ(back.historyDesk(frontId), "front");
    EXPECT_TRUE(back.deleteHistoryEntry(frontId));
    EXPECT_FALSE(back.deleteHistoryEntry(frontId));
    EXPECT_EQ(back.historyDesk(frontId), std::nullopt);
    EXPECT_FALSE(front.readHistoryEntry(frontId).has_value());
    EXPECT_FALSE(front.readHistoryRows(frontId).has_value());
    EXPECT_EQ(front.readCapacity().size(), 3u);  // the chart on show stays
    EXPECT_EQ(serialsOf(front.readHistory()), std::vector<std::string>{"B-1"});
}

// The server's search finds what the job file's search finds for the same charts, case for
// case: every word, any order, any case (outside ASCII too), every character literal, blanks
// and control characters parting words, only the first 16 words counting.
TEST_F(ServerStoreTest, SearchFindsWhatTheJobFileFinds) {
    const struct {
        const char* serial;
        const char* customer;
        const char* description;
    } charts[] = {
        {"SN-4471-B", "Riverside Fuel", "48 x 120 diesel"},
        {"100%", "O'Brien \"Pure\" Water", "C:\\tanks\\tank_A (north)"},
        {"SN-9", "Sandhurst NEAR* Depot", "AND OR NOT ^col:"},
        {"1000", "Riverside Farm", "fuel oil"},
        {"ÉC-1", "École Müller ΣΩΜΑ", "Цистерна ǅ ﬁ"},
        {"x", "", "$1 '; DROP TABLE chart_history; --"},
    };
    const fs::path folder =
        fs::temp_directory_path() / ("dipsheet-pgsearch-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string file = (folder / "QRTMembers.mdb").string();
    dipsheet::store::createDatabase(file);
    // Both through the store's one interface, as the windows use them.
    dipsheet::store::Database file_(file);
    ServerStore server_(uri(), "desk");
    dipsheet::store::ChartStore& local = file_;
    dipsheet::store::ChartStore& server = server_;
    for (const auto& c : charts) {
        const JobRecord job{"Ann", c.customer, c.description, c.serial};
        for (dipsheet::store::ChartStore* store : {&local, &server})
            store->replaceChart(ramp(2, 1.0f), setupOf("48"), job);
    }
    std::string manyShort, manyFound;
    for (int i = 0; i < 600; ++i)
        manyShort += "ab ";
    for (int i = 0; i < 16; ++i)
        manyFound += "fuel ";
    const std::string searches[] = {"",
                                    "sn-4471",
                                    "FUEL riverside",
                                    "diesel RIVERSIDE 4471",
                                    "%",
                                    "0%",
                                    "100",
                                    "_",
                                    "k_a",
                                    "\"pure\"",
                                    "o'brien",
                                    "(north)",
                                    "near*",
                                    "and",
                                    "sandhurst and",
                                    "^col:",
                                    "  ",
                                    "fuel zz",
                                    "diesel farm",
                                    std::string("fuel\0river", 10),
                                    std::string("\0", 1),
                                    "\"",
                                    "\\",
                                    "c:\\tanks\\",
                                    "\\\\",
                                    "% _",
                                    "%%",
                                    "__",
                                    manyShort,
                                    manyFound + manyShort,
                                    std::string(20000, 'x'),
                                    "\xff\xfe rIVERSIDE",
                                    "école",
                                    "MÜLLER",
                                    "σωμα",
                                    "цистерна",
                                    "ǆ",
                                    "Ǆ",
                                    "ÉC",
                                    "é",
                                    "Fi",
                                    "ﬁ",
                                    "drop table",
                                    "'; --",
                                    "$1",
                                    "x",
                                    "riverside\x7f"
                                    "farm\x01"
                                    "oil"};
    int found = 0;
    for (const std::string& search : searches) {
        const auto expected = serialsOf(local.readHistory(search));
        EXPECT_EQ(serialsOf(server.readHistory(search)), expected) << "search '" << search << "'";
        found += !expected.empty() && expected.size() < std::size(charts);
    }
    EXPECT_GT(found, 20);  // the table tells charts apart, not all or nothing
    EXPECT_EQ(server.readHistory("riverside", 1).size(), 1u);
    EXPECT_EQ(count("SELECT count(*) FROM chart_history"), "6");
    fs::remove_all(folder);
}

// Four desks storing 200 charts each at the same time, each its own process and connection,
// on a database none of them has made yet (all four make the tables at once): 800 charts,
// none lost, none twice; a chart sent again under its key adds nothing.
TEST_F(ServerStoreTest, FourDesksStoreAtOnce) {
    constexpr int kDesks = 4, kCharts = 200;
    std::vector<pid_t> desks;
    for (int d = 0; d < kDesks; ++d) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                ServerStore store(uri(), "desk-" + std::to_string(d));
                for (int i = 0; i < kCharts; ++i) {
                    const std::string serial = "D" + std::to_string(d) + "-" + std::to_string(i);
                    store.appendHistory({"Ann", "Office", "tank", serial}, setupOf("48"),
                                        ramp(3, 1.0f), serial);
                }
                for (int i = 0; i < 10; ++i) {  // sent again, as a queue might after a cut
                    const std::string serial = "D" + std::to_string(d) + "-" + std::to_string(i);
                    store.appendHistory({"Ann", "Office", "tank", serial}, setupOf("48"),
                                        ramp(3, 1.0f), serial);
                }
            } catch (const std::exception& error) {
                std::fprintf(stderr, "desk %d: %s\n", d, error.what());
                status = 1;
            }
            _exit(status);
        }
        desks.push_back(pid);
    }
    for (const pid_t pid : desks) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a desk failed: " << status;
    }
    EXPECT_EQ(count("SELECT count(*) FROM chart_history"), "800");
    EXPECT_EQ(count("SELECT count(DISTINCT serial_no) FROM chart_history"), "800");
    EXPECT_EQ(count("SELECT count(*) FROM chart_history WHERE serial_no LIKE 'D' || "
                    "substr(desk, 6) || '-%'"),
              "800");  // each chart under the desk that made it
    EXPECT_EQ(count("SELECT string_agg(version::text, ',') FROM dipsheet_version"),
              std::to_string(dipsheet::server::kServerSchemaVersion));
    ServerStore reader(uri(), "reader");
    EXPECT_EQ(reader.readHistory("d3-1").size(), 111u);  // D3-1, D3-10..19, D3-100..199
    EXPECT_EQ(reader.readHistory().size(), 800u);
}

// A server that will not have the desk says which: the login, the database or the server
// itself, never with the password of the address; none of it is damage.
TEST_F(ServerStoreTest, RefusalsSayWhich) {
    const std::string secret = "s3cret-in-the-uri";
    const std::string socket = "?host=" + server()->folder() + "&port=5432";
    const struct {
        std::string uri;
        int code;
        std::string words;
    } cases[] = {
        {server()->uri(m_database, "refused"), 23, "refused the login of user \"refused\""},
        {"postgresql://clerk:" + secret + "@/" + m_database + socket, 23,
         "refused the login of user \"clerk\""},
        {"postgresql://nobody_here@/" + m_database + socket, 23,
         "refused the login of user \"nobody_here\""},
        {server()->uri("no_such_db"), 14, "has no database \"no_such_db\""},
        {"postgresql://postgres:" + secret + "@/x?host=/nonexistent&port=5432", 14,
         "cannot be reached"},
        {"postgresql://postgres:" + secret + "@127.0.0.1:1/x?sslmode=require", 14,
         "cannot be reached"},
        {"postgresql://[" + secret, 14, "address cannot be read"},
        {"postgresql://postgres:" + secret + "@/" + m_database + socket + "&sslmode=bogus", 14,
         "invalid sslmode value"},
    };
    for (const auto& c : cases) {
        try {
            ServerStore store(c.uri, "desk");
            ADD_FAILURE() << "connected: " << c.uri;
        } catch (const StoreError& error) {
            EXPECT_EQ(error.code(), c.code) << error.what();
            EXPECT_FALSE(error.meansDamage()) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find(secret), std::string::npos) << error.what();
        }
    }
    // The right password, as libpq reads it from PGPASSWORD, lets the clerk in, to a database
    // of the clerk's own, where the first desk makes the tables as an office's role would.
    server()->query("postgres", "CREATE DATABASE clerks OWNER clerk");
    setenv("PGPASSWORD", PgServer::kClerkPassword, 1);
    EXPECT_NO_THROW(ServerStore(server()->uri("clerks", "clerk"), "desk"));
    unsetenv("PGPASSWORD");
}

// The tables are made once, by the first desk, and a database of a newer shape is refused
// rather than misread. Bad input changes nothing and says why.
TEST_F(ServerStoreTest, TablesAreMadeOnceAndBadInputChangesNothing) {
    { ServerStore first(uri(), "desk"); }
    const std::string made = count("SELECT xmin FROM dipsheet_version");
    ServerStore store(uri(), "desk");
    EXPECT_EQ(count("SELECT xmin FROM dipsheet_version"), made);  // not made again
    store.replaceChart(ramp(2, 1.0f), setupOf("48"), JobRecord{"Ann", "Acme", "tank", "A-1"});

    JobRecord withNul{"Ann", std::string("Ac\0me", 5), "tank", "A-2"};
    ChartSetup noTank = setupOf("48");
    noTank.tank.reset();
    EXPECT_THROW(store.appendHistory(withNul, setupOf("48"), ramp(2, 1.0f)), StoreError);
    EXPECT_THROW(store.replaceChart(ramp(5, 1.0f), setupOf("60"), withNul), StoreError);
    EXPECT_THROW(store.appendHistory({"Ann", "Acme", "tank", "A-3"}, noTank, ramp(2, 1.0f)),
                 StoreError);
    EXPECT_THROW(ServerStore(uri(), "  "), StoreError);
    EXPECT_EQ(count("SELECT count(*) FROM chart_history"), "1");
    EXPECT_EQ(store.readCapacity().size(), 2u);  // the chart on show as it was
    EXPECT_EQ(store.findJobRecord()->customer, "Acme");

    // A server of version 1, made before the history kept printouts, gains the field; its
    // charts keep none.
    count("ALTER TABLE chart_history DROP COLUMN printout");
    count("UPDATE dipsheet_version SET version = 1");
    EXPECT_EQ(ServerStore(uri(), "desk").readHistory().at(0).printout, std::nullopt);
    EXPECT_EQ(count("SELECT version FROM dipsheet_version"),
              std::to_string(dipsheet::server::kServerSchemaVersion));

    count("UPDATE dipsheet_version SET version = 99");
    try {
        ServerStore newer(uri(), "desk");
        ADD_FAILURE() << "a newer shape was opened";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("version 99"), std::string::npos) << error.what();
    }
}
