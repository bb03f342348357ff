#include "charts_testing.h"
#include "schema.h"
#include "store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace dipsheet::store;

namespace {

using dipsheet::testing::Chart;
using dipsheet::testing::ramp;
using dipsheet::testing::serialsOf;
using dipsheet::testing::setupOf;

// A connection of the test's own, to arrange the file and check it behind the store's back.
class Raw {
public:
    Raw() {
        sqlite3_open_v2(kDatabaseFile, &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~Raw() { sqlite3_close_v2(m_db); }
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;

    void exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << (error != nullptr ? error : "?");
        }
        sqlite3_free(error);
    }

    // The first column of the first row as text; "<none>" when there is no row.
    std::string value(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        std::string result = "<none>";
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(m_db);
        } else if (sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            result = text != nullptr ? reinterpret_cast<const char*>(text) : "<null>";
        }
        sqlite3_finalize(statement);
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

// Catches each connection as SQLite opens it, the store's own included, for what the store's
// interface rightly leaves out: its transaction state, a shorter busy timeout, a failure
// injected mid-write. Holds for every connection the process opens while it lives.
class CatchConnections {
public:
    CatchConnections() { sqlite3_auto_extension(entry()); }
    ~CatchConnections() {
        sqlite3_cancel_auto_extension(entry());
        opened() = nullptr;
    }
    CatchConnections(const CatchConnections&) = delete;
    CatchConnections& operator=(const CatchConnections&) = delete;

    // The connection opened last.
    sqlite3* last() const { return opened(); }

private:
    static sqlite3*& opened() {
        static sqlite3* db = nullptr;
        return db;
    }
    static int catchOne(sqlite3* db, const char**, const sqlite3_api_routines*) {
        opened() = db;
        return SQLITE_OK;
    }
    // SQLite takes an extension's entry point as void(*)(void).
    static void (*entry())() { return reinterpret_cast<void (*)()>(&catchOne); }
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Chart rowsOf(Database& db) {
    return db.readCapacity();
}

// Succeeds when `action` throws StoreError with `code` and a message containing `words`.
template <typename Action>
::testing::AssertionResult failsWith(Action action, int code, std::string_view words) {
    try {
        action();
    } catch (const StoreError& error) {
        if (error.code() == code &&
            std::string_view(error.what()).find(words) != std::string::npos) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "StoreError " << error.code() << ": " << error.what();
    } catch (const std::exception& error) {
        return ::testing::AssertionFailure() << "other exception: " << error.what();
    }
    return ::testing::AssertionFailure() << "nothing thrown";
}

// Every test runs in a scratch folder of its own, since the file is found by bare name.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "dipsheet-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_home);
        fs::remove_all(m_dir);
    }

    // A fresh file made by the shipped schema, as the run script makes it.
    static void createDatabase() {
        const std::string schema = readFile(DIPSHEET_SCHEMA);
        ASSERT_FALSE(schema.empty());
        Raw().exec(schema);
    }

    fs::path m_home;
    fs::path m_dir;
};

TEST_F(DatabaseTest, MissingFileIsNeverCreated) {
    EXPECT_TRUE(failsWith([] { Database db; }, SQLITE_CANTOPEN, "unable to open database file"));
    EXPECT_TRUE(fs::is_empty(fs::current_path()));

    // A file elsewhere is not found: the name carries no folder.
    fs::create_directory("elsewhere");
    fs::current_path("elsewhere");
    createDatabase();
    fs::current_path("..");
    EXPECT_TRUE(failsWith([] { Database db; }, SQLITE_CANTOPEN, kDatabaseFile));
    EXPECT_FALSE(fs::exists(kDatabaseFile));
}

TEST_F(DatabaseTest, FreshFileHoldsTheFirstRecordAndNoChart) {
    createDatabase();
    Database db;
    const JobRecord record = db.readJobRecord();
    EXPECT_EQ(record.member, "Client Name");
    EXPECT_EQ(record.customer, "");
    EXPECT_EQ(record.tankDesc, "");
    EXPECT_EQ(record.serialNo, "");
    EXPECT_TRUE(db.readCapacity().empty());
}

TEST_F(DatabaseTest, OnlyTheFirstRecordIsReadAndWritten) {
    createDatabase();
    Raw raw;
    // The first record is the lowest rowid, not the first inserted.
    raw.exec(
        "DELETE FROM mrQRT;"
        "INSERT INTO mrQRT(rowid, mrQRTMember, mrCustomer) VALUES(7, 'Second', 'c7');"
        "INSERT INTO mrQRT(rowid, mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo)"
        "  VALUES(3, 'First', 'c3', NULL, NULL);");

    Database db;
    const JobRecord first = db.readJobRecord();
    EXPECT_EQ(first.member, "First");
    EXPECT_EQ(first.customer, "c3");
    EXPECT_EQ(first.tankDesc, "");  // NULL reads as empty text

    db.writeMember("Acme Tanks");
    db.writeHeading("Customer", "Tank", "SN-1");
    EXPECT_EQ(raw.value("SELECT mrQRTMember || '/' || mrCustomer || '/' || mrTankDesc || '/' || "
                        "mrSerialNo FROM mrQRT WHERE rowid = 3"),
              "Acme Tanks/Customer/Tank/SN-1");
    EXPECT_EQ(raw.value("SELECT mrQRTMember || '/' || mrCustomer || '/' || "
                        "ifnull(mrTankDesc, 'null') FROM mrQRT WHERE rowid = 7"),
              "Second/c7/null");
    EXPECT_EQ(raw.value("SELECT count(*) FROM mrQRT"), "2");
}

// A job table without a record has none to read; the first save of either panel adds it, and
// every later save writes into that one record.
TEST_F(DatabaseTest, EmptyJobTableGetsItsRecordAtTheFirstSave) {
    createDatabase();
    Raw raw;
    raw.exec("DELETE FROM mrQRT");
    Database db;
    EXPECT_FALSE(db.findJobRecord().has_value());
    EXPECT_TRUE(failsWith([&] { db.readJobRecord(); }, SQLITE_NOTFOUND, "No current record"));

    db.writeHeading("a", "b", "c");
    db.writeMember("Acme");
    db.writeHeading("d", "e", "f");
    EXPECT_EQ(raw.value("SELECT count(*) FROM mrQRT"), "1");
    const auto record = db.readJobRecord();
    EXPECT_EQ(record.member + "/" + record.customer + "/" + record.tankDesc + "/" + record.serialNo,
              "Acme/d/e/f");

    raw.exec("DELETE FROM mrQRT");
    db.writeMember("Beta");
    EXPECT_EQ(raw.value("SELECT mrQRTMember || '|' || mrCustomer || '|' || mrSerialNo FROM mrQRT"),
              "Beta||");
}

TEST_F(DatabaseTest, ChartRowsAtOrBelowZeroDepthStay) {
    createDatabase();
    Raw raw;
    raw.exec(
        "INSERT INTO Capacity VALUES(0, 5), (0.001, 1), (-1, 7), (2, 3), (NULL, 9), (1e-30, 4);"
        "INSERT INTO Capacity(Depth) VALUES(-0.001);");
    Database db;
    const Chart kept = {{0.0f, 5.0f}, {-1.0f, 7.0f}, {0.0f, 9.0f}, {-0.001f, 0.0f}};

    const Chart first = {{1.0f, 10.0f}, {2.0f, 20.0f}, {3.0f, 30.0f}};
    db.replaceChartRows(first);
    Chart expected = kept;
    expected.insert(expected.end(), first.begin(), first.end());
    EXPECT_EQ(rowsOf(db), expected);

    // A second chart replaces the first, rows in the order given.
    const Chart second = {{0.5f, 1.0f}, {0.25f, 0.5f}};
    db.replaceChartRows(second);
    expected = kept;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(rowsOf(db), expected);

    db.replaceChartRows({});
    EXPECT_EQ(rowsOf(db), kept);

    db.replaceChartRows(first);
    Raw().exec("INSERT INTO Capacity VALUES(0.001, 1)");
    db.deleteChartRows();
    EXPECT_EQ(rowsOf(db), kept);
}

TEST_F(DatabaseTest, SinglesRoundTripExactly) {
    createDatabase();
    const Chart rows = {{3.299999f, 21.64352f},
                        {1.0000001f, 0.1f},
                        {32766.0f, 3.4028235e38f},
                        {1e-45f, 1.17549435e-38f},
                        {7.0f, 0.0f}};
    Database(kDatabaseFile).replaceChartRows(rows);
    Database db;
    EXPECT_EQ(rowsOf(db), rows);
    // Stored as the single's exact value, not a rounded decimal.
    EXPECT_EQ(Raw().value("SELECT Depth = 3.2999989986419678 FROM Capacity LIMIT 1"), "1");
}

// The set-up goes with the chart in one transaction and goes with its rows; a file made before
// table ChartSetup existed keeps working and is not altered.
TEST_F(DatabaseTest, ChartSetupGoesWithTheChart) {
    createDatabase();
    const ChartSetup setup{"Horizontal cylinder, Flat heads; inside Diameter 48", 751.9717, {}};
    Database().replaceChart(ramp(3, 1.0f), setup);
    auto stored = Database().readChartSetup();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->text, setup.text);
    EXPECT_EQ(stored->full, setup.full);
    Database().replaceChart(ramp(2, 1.0f), {"second", 2.5, {}});
    EXPECT_EQ(Raw().value("SELECT count(*) FROM ChartSetup"), "1");
    EXPECT_EQ(Database().readChartSetup()->text, "second");
    Database().deleteChartRows();
    EXPECT_FALSE(Database().readChartSetup().has_value());

    Raw().exec("DROP TABLE ChartSetup");
    Database().replaceChart(ramp(3, 1.0f), setup);
    EXPECT_FALSE(Database().readChartSetup().has_value());
    EXPECT_EQ(Raw().value("SELECT count(*) FROM sqlite_master WHERE name = 'ChartSetup'"), "0");
    EXPECT_EQ(Raw().value("SELECT count(*) FROM Capacity WHERE Depth > 0"), "3");
    Database().deleteChartRows();
}

// The tank goes with the set-up and comes back equal, for every shape and head kind; a table
// made before field Tank reads without the tank and gets the field at the next chart, its rows
// kept; a line this version cannot read gives the text without the tank.
TEST_F(DatabaseTest, TankGoesWithTheSetupAndComesBackEqual) {
    createDatabase();
    Raw().exec(
        "DROP TABLE ChartSetup; CREATE TABLE ChartSetup(Setup TEXT, Full REAL);"
        "INSERT INTO ChartSetup VALUES('made before', 1.5)");
    auto old = Database().readChartSetup();
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(old->text, "made before");
    EXPECT_FALSE(old->tank.has_value());

    dipsheet::chart::Tank tank;
    tank.increment = "1";
    tank.diameter = "48";
    tank.length = "96";
    tank.format = {",", "\xc2\xa0"};  // a decimal comma, groups by no-break space
    for (const auto shape :
         {dipsheet::chart::Shape::Rectangular, dipsheet::chart::Shape::HorizontalCylinder,
          dipsheet::chart::Shape::VerticalCylinder}) {
        for (const auto kind : dipsheet::chart::kHeadKinds) {
            tank.shape = shape;
            tank.width = tank.height = shape == dipsheet::chart::Shape::Rectangular ? "40" : "";
            tank.heads = {kind, "12; %x=y"};  // a separator in a value stays a value
            tank.outside = kind == dipsheet::chart::HeadKind::Conical;
            tank.thickness = tank.headThickness = tank.shellThickness = ".25";
            const dipsheet::chart::Tank kept = tank.normalised();
            Database().replaceChart(ramp(2, 1.0f), {kept.describe(), 9.5, kept});
            const auto stored = Database().readChartSetup();
            ASSERT_TRUE(stored && stored->tank) << kept.toText();
            EXPECT_EQ(*stored->tank, kept) << kept.toText();
            EXPECT_EQ(stored->text, kept.describe());
        }
    }
    EXPECT_EQ(Raw().value("SELECT count(*) FROM Capacity WHERE Depth > 0"), "2");

    Raw().exec("UPDATE ChartSetup SET Tank = 'tank=2; shape=cyl'");
    const auto newer = Database().readChartSetup();
    ASSERT_TRUE(newer.has_value());
    EXPECT_FALSE(newer->tank.has_value());
}

TEST_F(DatabaseTest, FailedChartWriteChangesNothing) {
    createDatabase();
    const Chart before = ramp(4, 1.0f);
    {
        const CatchConnections caught;
        Database db;
        sqlite3* const connection = caught.last();
        db.replaceChartRows(before);
        Raw().exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON Capacity WHEN NEW.Depth > 5 "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        EXPECT_TRUE(failsWith([&] { db.replaceChartRows(ramp(10, 1.0f)); }, SQLITE_CONSTRAINT,
                              "writing the chart to table Capacity: refused"));
        EXPECT_NE(sqlite3_get_autocommit(connection), 0) << "transaction left open";
        EXPECT_EQ(rowsOf(db), before);
        // The connection is usable again afterwards.
        db.replaceChartRows(ramp(5, 1.0f));
        EXPECT_EQ(rowsOf(db), ramp(5, 1.0f));
    }

    // A failure after the delete (a missing column) restores the deleted rows.
    Raw raw;
    raw.exec(
        "DROP TABLE Capacity; CREATE TABLE Capacity(Depth REAL, Volume REAL);"
        "INSERT INTO Capacity VALUES(1, 2), (0, 0), (3, 4);");
    EXPECT_TRUE(failsWith([] { Database().replaceChartRows(ramp(3, 1.0f)); }, SQLITE_ERROR,
                          "no column named Capacity"));
    EXPECT_EQ(raw.value("SELECT group_concat(Depth || ':' || Volume, ' ') FROM Capacity"),
              "1.0:2.0 0.0:0.0 3.0:4.0");
}

TEST_F(DatabaseTest, MissingTablesAndColumnsAreNamed) {
    createDatabase();
    Raw raw;
    raw.exec("INSERT INTO Capacity VALUES(1, 2); DROP TABLE mrQRT;");
    {
        Database db;
        EXPECT_TRUE(failsWith([&] { db.readJobRecord(); }, SQLITE_ERROR,
                              "reading table mrQRT: no such table: mrQRT"));
        EXPECT_TRUE(failsWith([&] { db.writeMember("x"); }, SQLITE_ERROR, "no such table: mrQRT"));
        // The chart is refused before its first row when the job table is gone.
        EXPECT_TRUE(failsWith([&] { db.replaceChartRows(ramp(2, 5.0f)); }, SQLITE_ERROR,
                              "no such table: mrQRT"));
        EXPECT_EQ(rowsOf(db), (Chart{{1.0f, 2.0f}}));
    }

    raw.exec(
        "CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT);"
        "INSERT INTO mrQRT VALUES('a', 'b', 'c'); DROP TABLE Capacity;");
    Database db;
    EXPECT_TRUE(failsWith([&] { db.readJobRecord(); }, SQLITE_ERROR, "no such column: mrSerialNo"));
    EXPECT_TRUE(failsWith([&] { db.writeHeading("x", "y", "z"); }, SQLITE_ERROR,
                          "no such column: mrSerialNo"));
    EXPECT_EQ(raw.value("SELECT mrCustomer FROM mrQRT"), "b");
    for (const auto& action : {std::function<void()>([&] { db.readCapacity(); }),
                               std::function<void()>([&] { db.deleteChartRows(); }),
                               std::function<void()>([&] { db.replaceChartRows({}); })}) {
        EXPECT_TRUE(failsWith(action, SQLITE_ERROR, "no such table: Capacity"));
    }
}

TEST_F(DatabaseTest, FileThatIsNotADatabaseIsLeftAlone) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + 13) % 251));
    }
    std::ofstream(kDatabaseFile, std::ios::binary) << garbage;

    EXPECT_TRUE(failsWith([] { Database().readJobRecord(); }, SQLITE_NOTADB, "not a database"));
    EXPECT_TRUE(failsWith([] { Database().writeMember("x"); }, SQLITE_NOTADB, "not a database"));
    EXPECT_TRUE(failsWith([] { Database().replaceChartRows(ramp(3, 1.0f)); }, SQLITE_NOTADB,
                          "not a database"));
    EXPECT_TRUE(failsWith([] { Database().deleteChartRows(); }, SQLITE_NOTADB, "not a database"));
    EXPECT_EQ(readFile(kDatabaseFile), garbage);
}

TEST_F(DatabaseTest, TextsAreStoredExactlyAsGiven) {
    createDatabase();
    std::string longText;
    while (longText.size() < 100000) {
        longText += "Tank 'A'; \"B\"\n";
    }
    longText.resize(100000);
    const std::vector<std::string> texts = {
        "O'Brien's \"Best\" Tanks",
        "'); DROP TABLE mrQRT;--",
        "x'; UPDATE mrQRT SET mrCustomer = 'pwned'; --",
        "line one\r\nline two\nline three\r",
        "  leading and trailing blanks  ",
        "Ölbehälter Øresund — 油罐 Резервуар 🛢️",
        "?1 ?2 :name @x $y %s %n",
        longText,
        "",
    };
    Database db;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& text = texts[i];
        const std::string& other = texts[(i + 1) % texts.size()];
        db.writeMember(text);
        db.writeHeading(other, text, other);
        const JobRecord record = Database().readJobRecord();
        EXPECT_EQ(record.member, text) << "text " << i;
        EXPECT_EQ(record.customer, other) << "text " << i;
        EXPECT_EQ(record.tankDesc, text) << "text " << i;
        EXPECT_EQ(record.serialNo, other) << "text " << i;
    }
    Raw raw;
    EXPECT_EQ(raw.value("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                        "name NOT LIKE 'ChartHistorySearch_%'"),
              "5");
    EXPECT_EQ(raw.value("SELECT count(*) FROM mrQRT"), "1");
    // An empty text is stored as empty text, not as NULL.
    db.writeHeading(std::string_view(), "", "");
    EXPECT_EQ(raw.value("SELECT typeof(mrCustomer) || typeof(mrTankDesc) FROM mrQRT"), "texttext");
}

TEST_F(DatabaseTest, OpenConnectionSeesLaterCommits) {
    createDatabase();
    Raw().exec("INSERT INTO Capacity VALUES(0, 0)");
    Database viewer;  // stands for a window's data source, loaded before the write
    EXPECT_EQ(viewer.readJobRecord().member, "Client Name");
    EXPECT_EQ(rowsOf(viewer).size(), 1u);

    {
        Database writer;
        writer.writeMember("Acme");
        writer.writeHeading("Cust", "Desc", "SN");
        writer.replaceChartRows(ramp(3, 2.0f));
    }
    const JobRecord record = viewer.readJobRecord();
    EXPECT_EQ(record.member, "Acme");
    EXPECT_EQ(record.serialNo, "SN");
    Chart expected = {{0.0f, 0.0f}};
    const Chart chart = ramp(3, 2.0f);
    expected.insert(expected.end(), chart.begin(), chart.end());
    EXPECT_EQ(rowsOf(viewer), expected);

    // A delete through another connection while the viewer is open.
    Database(kDatabaseFile).deleteChartRows();
    EXPECT_EQ(rowsOf(viewer), (Chart{{0.0f, 0.0f}}));
}

TEST_F(DatabaseTest, LockedFileFailsBusyAndKeepsData) {
    createDatabase();
    const Chart chart = ramp(3, 1.0f);
    Database(kDatabaseFile).replaceChartRows(chart);

    for (const char* lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"}) {
        SCOPED_TRACE(lock);
        Raw locker;
        locker.exec(lock);
        locker.exec("UPDATE mrQRT SET mrSerialNo = 'uncommitted'");
        const CatchConnections caught;
        Database db;
        sqlite3_busy_timeout(caught.last(), 50);  // keeps the wait short
        EXPECT_TRUE(failsWith([&] { db.writeMember("x"); }, SQLITE_BUSY, "locked"));
        EXPECT_TRUE(failsWith([&] { db.writeHeading("a", "b", "c"); }, SQLITE_BUSY, "locked"));
        EXPECT_TRUE(failsWith([&] { db.replaceChartRows(ramp(5, 2.0f)); }, SQLITE_BUSY, "locked"));
        EXPECT_TRUE(failsWith([&] { db.deleteChartRows(); }, SQLITE_BUSY, "locked"));
        locker.exec("ROLLBACK");
        EXPECT_EQ(rowsOf(db), chart);
        EXPECT_EQ(db.readJobRecord().member, "Client Name");
        EXPECT_EQ(db.readJobRecord().serialNo, "");
    }

    // With the default timeout a short lock is waited out.
    Raw locker;
    locker.exec("BEGIN EXCLUSIVE");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        locker.exec("COMMIT");
    });
    Database db;
    EXPECT_NO_THROW(db.replaceChartRows(ramp(2, 4.0f)));
    release.join();
    EXPECT_EQ(rowsOf(db), ramp(2, 4.0f));
}

// A write cut off by the death of the process is undone by the next open.
TEST_F(DatabaseTest, KilledWriteLeavesThePreviousChart) {
    createDatabase();
    const Chart before = ramp(5000, 0.5f);
    Database(kDatabaseFile).replaceChartRows(before);
    const std::string fileBefore = readFile(kDatabaseFile);

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        try {
            const CatchConnections caught;
            Database db;
            // A small page cache makes the engine write changed pages into the file mid-way.
            sqlite3_exec(caught.last(), "PRAGMA cache_size = 8", nullptr, nullptr, nullptr);
            sqlite3_progress_handler(
                caught.last(), 1,  // counts engine instructions, per statement run
                [](void*) -> int {
                    static int calls = 0;
                    if (++calls == 150000) {
                        _exit(42);  // dies like a killed process: no rollback, no close
                    }
                    return 0;
                },
                nullptr);
            db.replaceChartRows(ramp(30000, 0.25f));
        } catch (...) {
            _exit(2);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42) << "the write was not cut off part-way";
    ASSERT_TRUE(fs::exists(std::string(kDatabaseFile) + "-journal"));
    EXPECT_NE(readFile(kDatabaseFile), fileBefore) << "the file was not touched mid-write";

    Database db;
    EXPECT_EQ(rowsOf(db), before);
    EXPECT_EQ(Raw().value("PRAGMA integrity_check"), "ok");
}

}  // namespace

// Every chart stored with its tank joins the history with the job it was made for, in the same
// transaction as its rows; closing the chart window leaves the history, Delete takes one out.
TEST_F(DatabaseTest, HistoryKeepsEveryChartNewestFirst) {
    createDatabase();
    Database db;
    db.writeHeading("Riverside Fuel", "48 x 96 diesel", "SN-4471-B");
    db.replaceChart(ramp(3, 1.0f), setupOf("48"));
    db.writeHeading("Dock Road Depot", "2 m water tank", "W-17");
    db.replaceChart(ramp(2, 1.0f), setupOf("2000", false));
    db.replaceChart(ramp(2, 1.0f), {"a set-up without its tank", 1.0, {}});  // no history
    db.deleteChartRows();

    const auto entries = db.readHistory();
    ASSERT_EQ(serialsOf(entries), (std::vector<std::string>{"W-17", "SN-4471-B"}));
    const HistoryEntry& first = entries[1];
    EXPECT_EQ(first.job.member, "Client Name");
    EXPECT_EQ(first.job.customer, "Riverside Fuel");
    EXPECT_EQ(first.job.tankDesc, "48 x 96 diesel");
    EXPECT_EQ(first.setup, setupOf("48").text);
    EXPECT_EQ(first.tank, setupOf("48").tank);
    EXPECT_EQ(first.full, 751.5);
    EXPECT_EQ(first.unit, "US gal");
    EXPECT_EQ(entries[0].unit, "L");
    EXPECT_EQ(first.made.size(), std::string("2026-12-08 06:40:00").size());
    EXPECT_EQ(db.readHistoryEntry(first.id)->setup, first.setup);
    EXPECT_FALSE(db.readHistoryEntry(first.id + 100).has_value());

    EXPECT_TRUE(db.deleteHistoryEntry(first.id));
    EXPECT_FALSE(db.deleteHistoryEntry(first.id));
    EXPECT_EQ(serialsOf(db.readHistory()), std::vector<std::string>{"W-17"});
    EXPECT_TRUE(db.readHistory("4471").empty());
    EXPECT_EQ(serialsOf(db.readHistory({}, 1)), std::vector<std::string>{"W-17"});
}

// A file made before the history keeps its job and gains the history at its first chart; a
// tank line that cannot be read is listed without its tank.
TEST_F(DatabaseTest, OldFileGainsTheHistoryAtItsFirstChart) {
    createDatabase();
    Raw().exec("DROP TABLE ChartHistory; DROP TABLE ChartHistorySearch");
    Database db;
    db.writeHeading("Riverside Fuel", "old file", "SN-1");
    EXPECT_TRUE(db.readHistory().empty());
    EXPECT_FALSE(db.readHistoryEntry(1).has_value());
    db.replaceChart(ramp(3, 1.0f), setupOf("48"));
    EXPECT_FALSE(db.searchIndexRebuilt());  // made for the first time: no damage to tell
    EXPECT_EQ(serialsOf(db.readHistory("old")), std::vector<std::string>{"SN-1"});
    EXPECT_EQ(db.readJobRecord().customer, "Riverside Fuel");
    EXPECT_EQ(db.readCapacity().size(), 3u);

    Raw().exec("UPDATE ChartHistory SET Tank = 'tank=9; shape=cyl'");
    const auto entries = db.readHistory();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].tank.has_value());
    EXPECT_EQ(entries[0].setup, setupOf("48").text);
}

// Every word of a search must be in the serial number, customer or description, in any order
// and case; every character is itself, whatever it means to LIKE or to FTS5. Any text the user
// can type or paste is a search: control characters (NUL included) part words as blanks do, and
// past the first 16 words the rest are ignored; nothing makes the engine refuse it.
TEST_F(DatabaseTest, SearchFindsEveryWordLiterally) {
    createDatabase();
    Database db;
    const struct {
        const char* serial;
        const char* customer;
        const char* description;
    } charts[] = {
        {"SN-4471-B", "Riverside Fuel", "48 x 120 diesel"},
        {"100%", "O'Brien \"Pure\" Water", "C:\\tanks\\tank_A (north)"},
        {"SN-9", "Sandhurst NEAR* Depot", "AND OR NOT ^col:"},
        {"1000", "Riverside Farm", "fuel oil"},
    };
    for (const auto& c : charts) {
        db.writeHeading(c.customer, c.description, c.serial);
        db.replaceChart(ramp(1, 1.0f), setupOf("48"));
    }
    const std::vector<std::string> all{"1000", "SN-9", "100%", "SN-4471-B"};
    const std::vector<std::string> fuel{"1000", "SN-4471-B"};
    std::string manyShort, manyFound;
    for (int i = 0; i < 600; ++i)
        manyShort += "ab ";
    for (int i = 0; i < 16; ++i)
        manyFound += "fuel ";
    manyFound += manyShort;
    const struct {
        std::string search;
        std::vector<std::string> found;
    } cases[] = {
        {"", all},
        {"sn-4471", {"SN-4471-B"}},
        {"FUEL riverside", {"1000", "SN-4471-B"}},
        {"diesel RIVERSIDE 4471", {"SN-4471-B"}},
        {"%", {"100%"}},
        {"0%", {"100%"}},
        {"100", {"1000", "100%"}},
        {"_", {"100%"}},
        {"k_a", {"100%"}},
        {"\"pure\"", {"100%"}},
        {"o'brien", {"100%"}},
        {"(north)", {"100%"}},
        {"near*", {"SN-9"}},
        {"and", {"SN-9"}},
        {"sandhurst and", {"SN-9"}},
        {"^col:", {"SN-9"}},
        {"  ", {"1000", "SN-9", "100%", "SN-4471-B"}},
        {"fuel zz", {}},
        {"diesel farm", {}},
        {std::string("fuel\0river", 10), fuel},
        {std::string("diesel\0water", 12), {}},  // two words, of two charts
        {std::string("\0", 1), all},
        {"\"", {"100%"}},
        {"\"\"\"", {}},
        {"\\", {"100%"}},
        {"o'brien\t\"pure\"\r\n\x01\x1f\x7fwater", {"100%"}},
        {"c:\\tanks\\", {"100%"}},
        {"\\\\", {}},
        {"% _", {"100%"}},
        {"%%", {}},
        {"__", {}},
        {manyShort, {}},
        {manyFound, fuel},  // the 16th word on is ignored
        {std::string(20000, 'x'), {}},
        {"\xff\xfe rIVERSIDE", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialsOf(db.readHistory(c.search)), c.found) << "search '" << c.search << "'";
    EXPECT_FALSE(db.searchIndexRebuilt());
}

// The search index is derived from the history: found missing, damaged or out of step, it is
// rebuilt from the history at the next search or chart, and nothing is lost or fatal.
TEST_F(DatabaseTest, SearchIndexIsRebuiltFromTheHistory) {
    const struct {
        const char* name;
        const char* harm;
    } harms[] = {
        {"dropped", "DROP TABLE ChartHistorySearch"},
        {"pages damaged", "UPDATE ChartHistorySearch_data SET block = x'0102030405' WHERE id > 10"},
        {"structure damaged",
         "UPDATE ChartHistorySearch_data SET block = x'0102030405' WHERE id = 10"},
        {"settings gone", "DROP TABLE ChartHistorySearch_config"},
        {"schema entry gone",
         "PRAGMA writable_schema = ON; DELETE FROM sqlite_master WHERE name = "
         "'ChartHistorySearch'; PRAGMA writable_schema = RESET"},
        {"shadow table gone", "DROP TABLE ChartHistorySearch_data"},
        {"a row missing", "DELETE FROM ChartHistorySearch WHERE rowid = 1"},
        {"a row too many",
         "INSERT INTO ChartHistorySearch(rowid, Words) VALUES(99, 'Riverside Old Works')"},
        {"history row added by hand",
         "INSERT INTO ChartHistory(SerialNo, Customer, TankDesc, Tank) "
         "VALUES('HAND-7', 'Riverside', '', '')"},
        {"a plain table in its place",
         "DROP TABLE ChartHistorySearch; CREATE TABLE ChartHistorySearch(Words)"},
    };
    for (const auto& harm : harms) {
        SCOPED_TRACE(harm.name);
        fs::remove(kDatabaseFile);
        createDatabase();
        {
            Database db;
            for (const char* serial : {"SN-1", "SN-2"}) {
                db.writeHeading("Riverside Fuel", "diesel", serial);
                db.replaceChart(ramp(1, 1.0f), setupOf("48"));
            }
        }
        Raw().exec(harm.harm);
        const std::vector<std::string> kept =
            Raw().value("SELECT count(*) FROM ChartHistory") == "3"
                ? std::vector<std::string>{"HAND-7", "SN-2", "SN-1"}
                : std::vector<std::string>{"SN-2", "SN-1"};
        {
            Database db;  // the whole list needs no index, and mends none
            EXPECT_EQ(serialsOf(db.readHistory()), kept);
            EXPECT_FALSE(db.searchIndexRebuilt());
        }
        {
            Database db;
            std::vector<HistoryEntry> found;
            EXPECT_NO_THROW(found = db.readHistory("riverside"));
            EXPECT_EQ(serialsOf(found), kept);
            EXPECT_TRUE(db.searchIndexRebuilt());
            EXPECT_EQ(serialsOf(db.readHistory("sn-1")), std::vector<std::string>{"SN-1"});
        }
        // At a chart's append, before any search (damaged pages the append does not read wait
        // for the next search).
        Raw().exec(harm.harm);
        {
            Database db;
            db.writeHeading("Dock Road", "water", "W-3");
            EXPECT_NO_THROW(db.replaceChart(ramp(1, 1.0f), setupOf("48")));
        }
        Database db;
        EXPECT_EQ(serialsOf(db.readHistory("w-3")), std::vector<std::string>{"W-3"});
        EXPECT_EQ(db.readHistory("riverside").size(), db.readHistory().size() - 1);
        Raw().exec("INSERT INTO ChartHistorySearch(ChartHistorySearch) VALUES('integrity-check')");
        EXPECT_EQ(Raw().value("SELECT count(*) FROM ChartHistorySearch"),
                  Raw().value("SELECT count(*) FROM ChartHistory"));
        EXPECT_EQ(Raw().value("PRAGMA integrity_check"), "ok");
    }
}

// A file holding the index without the history (the history table dropped by hand) stores its
// next chart, with an index of that chart alone.
TEST_F(DatabaseTest, IndexWithoutTheHistoryIsMended) {
    createDatabase();
    {
        Database db;
        db.writeHeading("Riverside Fuel", "diesel", "SN-1");
        db.replaceChart(ramp(1, 1.0f), setupOf("48"));
    }
    Raw().exec("DROP TABLE ChartHistory");
    Database db;
    EXPECT_TRUE(db.readHistory("riverside").empty());
    db.writeHeading("Dock Road", "water", "W-2");
    ASSERT_NO_THROW(db.replaceChart(ramp(1, 1.0f), setupOf("48")));
    EXPECT_TRUE(db.searchIndexRebuilt());
    EXPECT_EQ(serialsOf(db.readHistory("w-2")), std::vector<std::string>{"W-2"});
    EXPECT_TRUE(db.readHistory("riverside").empty());
}

// A search the engine still refuses (here its limits lowered on the store's connection) is
// said as such, a failure that is not damage and leaves the index alone; a history that
// cannot be read stays damage.
TEST_F(DatabaseTest, RefusedSearchIsNotDamage) {
    createDatabase();
    CatchConnections connections;
    Database db;
    db.writeHeading("Riverside Fuel", "diesel", "SN-1");
    db.replaceChart(ramp(1, 1.0f), setupOf("48"));
    const int arguments = sqlite3_limit(connections.last(), SQLITE_LIMIT_FUNCTION_ARG, 1);
    try {
        db.readHistory("sn");
        ADD_FAILURE() << "the search was run";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.code(), kSearchRefused) << error.what();
        EXPECT_FALSE(error.meansDamage());
        EXPECT_NE(std::string(error.what()).find("The search could not be run"), std::string::npos);
    }
    EXPECT_FALSE(db.searchIndexRebuilt());
    sqlite3_limit(connections.last(), SQLITE_LIMIT_FUNCTION_ARG, arguments);
    EXPECT_EQ(serialsOf(db.readHistory("riverside")), std::vector<std::string>{"SN-1"});

    Raw().exec("ALTER TABLE ChartHistory DROP COLUMN Setup");
    try {
        db.readHistory("sn");
        ADD_FAILURE() << "a history without its fields was read";
    } catch (const StoreError& error) {
        EXPECT_TRUE(error.meansDamage()) << error.what();
    }
}

// The job is written whole, a blank client name never: the stored one stays, and a record made
// for a table without one takes the name blank, as the field showed it (no placeholder). A chart
// stored with its job carries that job into its history row, in the same transaction; one shown
// again from the history adds no row.
TEST_F(DatabaseTest, JobGoesWithItsChartAndABlankNameIsNeverStored) {
    createDatabase();
    Raw raw;
    const auto record = [&] {
        return raw.value(
            "SELECT mrQRTMember || '|' || mrCustomer || '|' || mrTankDesc || '|' || "
            "mrSerialNo FROM mrQRT ORDER BY rowid LIMIT 1");
    };
    struct Case {
        const char* arrange;
        JobRecord job;
        const char* stored;
    };
    const Case cases[] = {
        {"UPDATE mrQRT SET mrQRTMember = 'Acme'", {"Beta", "C", "D", "S"}, "Beta|C|D|S"},
        {"UPDATE mrQRT SET mrQRTMember = 'Acme'", {"", "C", "D", "S"}, "Acme|C|D|S"},
        {"UPDATE mrQRT SET mrQRTMember = 'Acme'", {"   ", "C", "", ""}, "Acme|C||"},
        {"DELETE FROM mrQRT", {"", "Cust", "", ""}, "|Cust||"},
        {"DELETE FROM mrQRT", {"  Lead", "Cust", "", ""}, "  Lead|Cust||"},
    };
    Database db;
    for (const Case& c : cases) {
        raw.exec(c.arrange);
        db.writeJob(c.job);
        EXPECT_EQ(record(), c.stored) << c.arrange << " / '" << c.job.member << "'";
        EXPECT_EQ(raw.value("SELECT count(*) FROM mrQRT"), "1");
    }
    raw.exec("DELETE FROM mrQRT");
    db.writeHeading("Cust", "", "");
    EXPECT_EQ(record(), "|Cust||");

    db.replaceChart(ramp(3, 1.0f), setupOf("48"), JobRecord{"Acme", "Riverside", "Diesel", "SN-9"});
    EXPECT_EQ(record(), "Acme|Riverside|Diesel|SN-9");
    db.replaceChart(ramp(3, 1.0f), setupOf("48"), JobRecord{"Acme", "Riverside", "Diesel", "SN-9"},
                    false);
    const auto entries = db.readHistory();
    ASSERT_EQ(serialsOf(entries), std::vector<std::string>{"SN-9"});
    EXPECT_EQ(entries[0].job, (JobRecord{"Acme", "Riverside", "Diesel", "SN-9"}));
    EXPECT_EQ(rowsOf(db).size(), 3u);
}

namespace {

// The bits of each single of `rows`, so that -0, NaN and subnormals compare as stored.
std::vector<std::uint32_t> bitsOf(const Chart& rows) {
    std::vector<std::uint32_t> bits;
    for (const auto& row : rows) {
        bits.push_back(std::bit_cast<std::uint32_t>(row.depth));
        bits.push_back(std::bit_cast<std::uint32_t>(row.volume));
    }
    return bits;
}

}  // namespace

// Each chart of the history keeps its rows bit for bit, least significant byte first whatever
// the machine, in the transaction of its history row. A history made before charts kept their
// rows gains the field at its next chart; its charts have none, and are still listed. Rows kept
// in a form this version cannot read are refused as such, not as damage.
TEST_F(DatabaseTest, HistoryKeepsTheRowsOfEachChart) {
    createDatabase();
    Raw raw;
    // As an older version made the history: without field Rows, one chart in it.
    raw.exec(
        "DROP TABLE ChartHistory; CREATE TABLE ChartHistory(Id INTEGER PRIMARY KEY, Made "
        "TEXT, Client TEXT, Customer TEXT, TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank "
        "TEXT, Full REAL, Unit TEXT)");
    raw.exec(
        "INSERT INTO ChartHistory VALUES(1, '2019-11-30 16:45:09', 'Acme', 'Old Depot', '', "
        "'OLD-1', 'set-up', '" +
        setupOf("48").tank->toText() + "', 751.5, 'US gal')");
    Database db;
    EXPECT_FALSE(db.readHistoryRows(1).has_value());

    const Chart charts[] = {
        {{1.0f, 0.5f}},  // 3F800000 3F000000, each written low byte first
        ramp(32766, 0.1f),
        {{0.1f, std::numeric_limits<float>::denorm_min()},
         {-0.0f, -std::numeric_limits<float>::max()},
         {std::numeric_limits<float>::max(), 0.0f}},
        {{2.5f, 3.5f}},
    };
    for (const Chart& rows : charts)
        db.replaceChart(rows, setupOf("48"));
    EXPECT_EQ(raw.value("SELECT hex(Rows) FROM ChartHistory WHERE Id = 2"), "0000803F0000003F");
    // Counted without reading the rows: through the ids alone.
    EXPECT_EQ(raw.value("SELECT tbl_name FROM sqlite_master WHERE name = 'ChartHistoryIds'"),
              "ChartHistory");
    for (std::int64_t id = 2; id <= 5; ++id) {
        const auto kept = db.readHistoryRows(id);
        ASSERT_TRUE(kept.has_value()) << "chart " << id;
        EXPECT_EQ(bitsOf(*kept), bitsOf(charts[id - 2])) << "chart " << id;
    }
    EXPECT_FALSE(db.readHistoryRows(1).has_value());  // made before: none, and still listed
    EXPECT_EQ(db.readHistory("old").at(0).id, 1);
    EXPECT_FALSE(db.readHistoryRows(99).has_value());
    // What a printout showed goes with its chart, written only when it changes; the old chart
    // and a hand-edited line keep none, and reprint as their definitions say.
    EXPECT_FALSE(db.readHistoryEntry(2)->printout.has_value());
    const Printout site{false, true, false};
    EXPECT_TRUE(db.keepPrintout(2, site));
    EXPECT_FALSE(db.keepPrintout(2, site));
    EXPECT_FALSE(db.keepPrintout(99, site));
    EXPECT_EQ(raw.value("SELECT Printout FROM ChartHistory WHERE Id = 2"), "mm ullage");
    EXPECT_EQ(db.readHistoryEntry(2)->printout, site);
    EXPECT_EQ(db.readHistory("old").at(0).printout, std::nullopt);
    raw.exec("UPDATE ChartHistory SET Printout = 'in ullage sideways' WHERE Id = 2");
    EXPECT_EQ(db.readHistoryEntry(2)->printout, std::nullopt);
    // Shown again from the history: no new row.
    db.replaceChart(charts[0], setupOf("48"), std::nullopt, false);
    EXPECT_EQ(raw.value("SELECT count(*) FROM ChartHistory"), "5");

    // cut short, no bytes, no rows, and a volume that is no number (an infinity)
    for (const char* unreadable :
         {"x'00112233445566'", "'text'", "42", "x''", "x'0000803F0000807F'"}) {
        raw.exec(std::string("UPDATE ChartHistory SET Rows = ") + unreadable + " WHERE Id = 2");
        try {
            db.readHistoryRows(2);
            ADD_FAILURE() << unreadable << " was read";
        } catch (const StoreError& error) {
            EXPECT_EQ(error.code(), kRowsUnreadable) << error.what();
            EXPECT_FALSE(error.meansDamage());
        }
    }
}

// A short word, which the trigrams cannot find, folds case as the trigram index folds a long
// one: for every letter of Latin with its accents, Greek, Cyrillic and the other scripts of
// the index's case folding, the store's folding of a word and the index's own agree (the
// index's terms read through fts5vocab on the store's connection); and a few worked searches.
TEST_F(DatabaseTest, ShortWordsFoldCaseAsTheIndexDoes) {
    createDatabase();
    CatchConnections connections;
    Database db;
    sqlite3* store = connections.last();
    const auto exec = [store](const char* sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(store, sql, nullptr, nullptr, &error), SQLITE_OK)
            << (error != nullptr ? error : "");
        sqlite3_free(error);
    };
    // Every code point of the first plane (but the surrogates and the two that are no
    // characters) and Deseret, then "qz": one trigram each.
    exec(
        "CREATE VIRTUAL TABLE temp.Letters USING fts5(w, tokenize='trigram');"
        "CREATE VIRTUAL TABLE temp.Terms USING fts5vocab(temp, Letters, instance);"
        "WITH RECURSIVE n(c) AS (SELECT 128 UNION ALL SELECT c + 1 FROM n WHERE c < 66639) "
        "INSERT INTO temp.Letters(rowid, w) SELECT c, char(c) || 'qz' FROM n "
        "WHERE c NOT BETWEEN 55296 AND 57343 AND c NOT BETWEEN 65534 AND 66559");
    sqlite3_stmt* differ = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(store,
                                 "SELECT printf('U+%04X', doc), term FROM temp.Terms JOIN "
                                 "temp.Letters ON doc = Letters.rowid WHERE NOT "
                                 "dipsheet_holds(w, term)",
                                 -1, &differ, nullptr),
              SQLITE_OK);
    int count = 0;
    while (sqlite3_step(differ) == SQLITE_ROW)
        if (++count <= 400)
            ADD_FAILURE() << sqlite3_column_text(differ, 0) << " folds to "
                          << sqlite3_column_text(differ, 1);
    sqlite3_finalize(differ);
    EXPECT_EQ(count, 0);

    const struct {
        const char* serial;
        const char* customer;
    } charts[] = {{"MÜ-1", "MÜLLER ÖLHANDEL"},
                  {"ΣΟ-2", "ΣΟΦΙΑ"},
                  {"ЖУ-3", "ЖУК"},
                  {"ŁÓ-4", "ŁÓDŹ ŞİŞLİ"},
                  {"MU-5", "MULLER"}};
    for (const auto& c : charts) {
        db.writeHeading(c.customer, "", c.serial);
        db.replaceChart(ramp(1, 1.0f), setupOf("48"));
    }
    const struct {
        const char* search;
        std::vector<std::string> found;
    } cases[] = {
        {"müller", {"MÜ-1"}}, {"mü", {"MÜ-1"}}, {"ü ö", {"MÜ-1"}}, {"Mü", {"MÜ-1"}},
        {"u", {"MU-5"}},      {"σο", {"ΣΟ-2"}}, {"φ", {"ΣΟ-2"}},   {"ж", {"ЖУ-3"}},
        {"жук", {"ЖУ-3"}},    {"łó", {"ŁÓ-4"}}, {"ź", {"ŁÓ-4"}},   {"şl", {"ŁÓ-4"}},
        {"ó ü", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialsOf(db.readHistory(c.search)), c.found) << "search '" << c.search << "'";
}

namespace {
// The tables of `schema` (main, or a file attached), each as type|name|table|SQL, whitespace
// runs as one space.
std::string tablesOf(Raw& raw, const std::string& schema) {
    return std::regex_replace(raw.value("SELECT group_concat(type || '|' || name || '|' || "
                                        "tbl_name || '|' || coalesce(sql, ''), '; ') FROM "
                                        "(SELECT * FROM " +
                                        schema + ".sqlite_master ORDER BY name)"),
                              std::regex("\\s+"), " ");
}
}  // namespace

// The program and the shipped script make the same tables, index, search table and first
// record, so neither can change without the other; the program's file carries its version. It
// never makes a file over one of that name, a database or not, nor through a link planted there.
TEST_F(DatabaseTest, FreshFileIsTheOneTheScriptMakes) {
    createDatabase();
    dipsheet::store::createDatabase("program.mdb");
    Raw raw;
    raw.exec("ATTACH 'program.mdb' AS program");
    EXPECT_EQ(tablesOf(raw, "program"), tablesOf(raw, "main"));
    EXPECT_NE(tablesOf(raw, "main").find("ChartHistorySearch USING fts5"), std::string::npos);
    const std::string record =
        "SELECT group_concat(quote(mrQRTMember) || ',' || quote(mrCustomer) || ',' || "
        "quote(mrTankDesc) || ',' || quote(mrSerialNo), ';') FROM ";
    EXPECT_EQ(raw.value(record + "program.mrQRT"), "'Client Name','','',''");
    EXPECT_EQ(raw.value(record + "main.mrQRT"), raw.value(record + "program.mrQRT"));
    EXPECT_EQ(raw.value("PRAGMA program.user_version"), std::to_string(kSchemaVersion));

    std::ofstream("other") << "not a database";
    fs::create_symlink("nowhere", "planted");
    for (const char* name : {"program.mdb", "other", "planted"}) {
        const std::string before = readFile(name);
        EXPECT_TRUE(failsWith([name] { dipsheet::store::createDatabase(name); }, SQLITE_CANTOPEN,
                              "there already"))
            << name;
        EXPECT_EQ(readFile(name), before) << name;
    }
    EXPECT_FALSE(fs::exists("nowhere"));
    EXPECT_THROW(dipsheet::store::createDatabase("no-folder/x.mdb"), StoreError);
}

// Each older shape of the file: a read leaves it byte for byte and a failed write leaves its
// shape; the first write brings it to the current version, its rows kept, and a chart then goes
// to the history with its rows beside the charts it held.
TEST_F(DatabaseTest, OlderFilesAreBroughtUpToDateByTheirFirstWrite) {
    const struct {
        const char* name;
        const char* shape;        // done to the script's file
        const char* setupFields;  // ChartSetup's after the first write
        std::size_t oldCharts;
    } shapes[] = {
        {"as the script makes it", "", "Setup,Full,Tank", 0},
        {"before the history", "DROP TABLE ChartHistory; DROP TABLE ChartHistorySearch",
         "Setup,Full,Tank", 0},
        {"before field ChartSetup.Tank",
         "DROP TABLE ChartSetup; CREATE TABLE ChartSetup(Setup TEXT, Full REAL);"
         "INSERT INTO ChartSetup VALUES('kept', 1.5)",
         "Setup,Full,Tank", 0},
        {"before field ChartHistory.Rows",
         "DROP TABLE ChartHistory; CREATE TABLE ChartHistory(Id INTEGER PRIMARY KEY, Made TEXT, "
         "Client TEXT, Customer TEXT, TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank TEXT, "
         "Full REAL, Unit TEXT); INSERT INTO ChartHistory(Id, SerialNo, Customer, TankDesc) "
         "VALUES(1, 'OLD-1', '', '')",
         "Setup,Full,Tank", 1},
        {"before table ChartSetup", "DROP TABLE ChartSetup", "<null>", 0},
        {"of version 1, before field ChartHistory.Printout",
         "ALTER TABLE ChartHistory DROP COLUMN Printout; PRAGMA user_version = 1",
         "Setup,Full,Tank", 0},
    };
    const std::string fields = "SELECT group_concat(name) FROM pragma_table_info";
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        fs::remove(kDatabaseFile);
        createDatabase();
        Raw raw;
        raw.exec(shape.shape);
        raw.exec("UPDATE mrQRT SET mrSerialNo = 'S-9'; INSERT INTO Capacity VALUES(1, 2.5)");
        const std::string before = readFile(kDatabaseFile);
        {
            Database db;  // what the command line's --history and --reprint read
            db.readJobRecord();
            db.readChartSetup();
            db.readHistory();
            db.readHistoryRows(1);
        }
        EXPECT_EQ(readFile(kDatabaseFile), before);
        raw.exec("ALTER TABLE Capacity RENAME TO Held");
        EXPECT_THROW(Database().replaceChartRows(ramp(1, 1.0f)), StoreError);
        EXPECT_NE(raw.value("PRAGMA user_version"), std::to_string(kSchemaVersion));
        raw.exec("ALTER TABLE Held RENAME TO Capacity");

        Database db;
        db.writeMember("Acme");
        EXPECT_EQ(raw.value("PRAGMA user_version"), std::to_string(kSchemaVersion));
        EXPECT_EQ(raw.value(fields + "('ChartSetup')"), shape.setupFields);
        EXPECT_EQ(raw.value(fields + "('ChartHistory')"),
                  "Id,Made,Client,Customer,TankDesc,SerialNo,Setup,Tank,Full,Unit,Rows,Printout");
        EXPECT_EQ(raw.value("SELECT tbl_name FROM sqlite_master WHERE name = 'ChartHistoryIds'"),
                  "ChartHistory");
        EXPECT_EQ(raw.value("SELECT mrQRTMember || mrSerialNo || (SELECT group_concat(Capacity) "
                            "FROM Capacity) FROM mrQRT"),
                  "AcmeS-92.5");
        if (std::string(shape.shape).find("'kept'") != std::string::npos) {
            EXPECT_EQ(raw.value("SELECT Setup || Full FROM ChartSetup"), "kept1.5");
        }

        db.replaceChart(ramp(2, 1.0f), setupOf("48"));
        EXPECT_EQ(db.readHistoryRows(db.appendedHistoryId())->size(), 2u);
        EXPECT_EQ(db.readHistory().size(), shape.oldCharts + 1);
        EXPECT_EQ(db.readHistory("old-1").size(), shape.oldCharts);
    }
    // A file of a newer version is left at it.
    Raw().exec("PRAGMA user_version = 7");
    Database().writeMember("Acme");
    EXPECT_EQ(Raw().value("PRAGMA user_version"), "7");
}
