// The file's shape: a fresh file made by the program is the one data/QRTMembers.sql makes, and
// a file of each older shape is brought up to date by its first write, never by a read.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "schema.h"
#include "store.h"

namespace fs = std::filesystem;
using namespace dipsheet::store;

namespace {

// Runs `sql` on `path` behind the store's back; each result row comes back as its fields
// joined by '|', rows joined by '\n', whitespace runs as one space.
std::string query(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string rows;
    const auto collect = [](void* out, int count, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        for (int i = 0; i < count; ++i)
            text.append(i == 0 ? "" : "|")
                .append(values[i] != nullptr
                            ? std::regex_replace(values[i], std::regex("\\s+"), " ")
                            : "<null>");
        text.push_back('\n');
        return 0;
    };
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), collect, &rows, &error) != SQLITE_OK)
        ADD_FAILURE() << sql << ": " << (error != nullptr ? error : "?");
    sqlite3_free(error);
    sqlite3_close_v2(db);
    return rows;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr const char* kSchemaRows =
    "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name";
constexpr const char* kFirstRecord = "SELECT * FROM mrQRT ORDER BY rowid";
constexpr const char* kVersion = "PRAGMA user_version";

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "dipsheet-schema-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_home);
        fs::remove_all(m_dir);
    }
    static void fromScript(const std::string& path) {
        const std::string script = readFile(DIPSHEET_SCHEMA);
        ASSERT_FALSE(script.empty());
        query(path, script);
    }
    fs::path m_home, m_dir;
};

// The program and the shipped script make the same tables, index, search table and first
// record, so neither can change without the other; the program's file carries its version.
TEST_F(SchemaTest, FreshFileIsTheOneTheScriptMakes) {
    fromScript("script.mdb");
    createDatabase(kDatabaseFile);
    EXPECT_EQ(query(kDatabaseFile, kSchemaRows), query("script.mdb", kSchemaRows));
    EXPECT_NE(query(kDatabaseFile, kSchemaRows).find("ChartHistorySearch|ChartHistorySearch"),
              std::string::npos);
    EXPECT_EQ(query(kDatabaseFile, kFirstRecord), "Client Name|||\n");
    EXPECT_EQ(query("script.mdb", kFirstRecord), query(kDatabaseFile, kFirstRecord));
    EXPECT_EQ(query(kDatabaseFile, kVersion), std::to_string(kSchemaVersion) + "\n");
    EXPECT_EQ(query(kDatabaseFile, "PRAGMA integrity_check"), "ok\n");

    // Never over a file of that name, a database or not, nor through a link planted there.
    const std::string made = readFile(kDatabaseFile);
    std::ofstream("other") << "not a database";
    fs::create_symlink("nowhere", "planted");
    for (const char* name : {kDatabaseFile, "other", "planted"}) {
        const std::string before = readFile(name);
        try {
            createDatabase(name);
            ADD_FAILURE() << name << " was made over";
        } catch (const StoreError& error) {
            EXPECT_NE(std::string(error.what()).find("there already"), std::string::npos)
                << error.what();
            EXPECT_FALSE(error.meansDamage());
        }
        EXPECT_EQ(readFile(name), before) << name;
    }
    EXPECT_FALSE(fs::exists("nowhere"));
    EXPECT_EQ(readFile(kDatabaseFile), made);
    EXPECT_THROW(createDatabase("no-such-folder/" + std::string(kDatabaseFile)), StoreError);
}

// Each older shape of the file: a read leaves it byte for byte; the first write brings it to
// the current version in that write's transaction, keeping its rows; a write that fails leaves
// its shape as it was.
TEST_F(SchemaTest, OlderFilesAreBroughtUpToDateByTheirFirstWrite) {
    const char* oldHistory =
        "DROP TABLE ChartHistory; CREATE TABLE ChartHistory(Id INTEGER PRIMARY KEY, Made TEXT, "
        "Client TEXT, Customer TEXT, TankDesc TEXT, SerialNo TEXT, Setup TEXT, Tank TEXT, Full "
        "REAL, Unit TEXT); INSERT INTO ChartHistory(Id, SerialNo, Customer, TankDesc) "
        "VALUES(1, 'OLD-1', 'Old Depot', '');";
    const struct {
        const char* name;
        const char* shape;  // run on the script's file
        const char* setupFields;
        bool searchable;  // whether the first chart finds the old one by a search
    } shapes[] = {
        {"as the script makes it", "", "Setup,Full,Tank", false},
        {"before the history", "DROP TABLE ChartHistory; DROP TABLE ChartHistorySearch;",
         "Setup,Full,Tank", false},
        {"before field ChartSetup.Tank",
         "DROP TABLE ChartSetup; CREATE TABLE ChartSetup(Setup TEXT, Full REAL);"
         "INSERT INTO ChartSetup VALUES('kept', 1.5); DROP TABLE ChartHistory;"
         "DROP TABLE ChartHistorySearch;",
         "Setup,Full,Tank", false},
        {"before field ChartHistory.Rows", oldHistory, "Setup,Full,Tank", true},
        {"before table ChartSetup", "DROP TABLE ChartSetup;", "<null>", false},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        fs::remove(kDatabaseFile);
        fromScript(kDatabaseFile);
        query(kDatabaseFile, std::string(shape.shape) +
                                 "UPDATE mrQRT SET mrCustomer = 'Riverside', mrSerialNo = 'S-9';"
                                 "INSERT INTO Capacity VALUES(0, 0), (1, 2.5);");
        const std::string before = readFile(kDatabaseFile);
        {
            Database db;  // what the command line's --history, --search and --reprint read
            db.readJobRecord();
            db.readCapacity();
            db.readChartSetup();
            db.readHistory();
            db.readHistoryRows(1);
        }
        EXPECT_EQ(readFile(kDatabaseFile), before);

        // A write that fails (no job table to write to) changes nothing, its shape included.
        query(kDatabaseFile, "ALTER TABLE mrQRT RENAME TO Held");
        EXPECT_THROW(Database().writeMember("Acme"), StoreError);
        EXPECT_EQ(query(kDatabaseFile, kVersion), "0\n");
        query(kDatabaseFile, "ALTER TABLE Held RENAME TO mrQRT");

        Database().writeMember("Acme");
        EXPECT_EQ(query(kDatabaseFile, kVersion), std::to_string(kSchemaVersion) + "\n");
        EXPECT_EQ(query(kDatabaseFile,
                        "SELECT group_concat(name, ',') FROM pragma_table_info('ChartSetup')"),
                  std::string(shape.setupFields) + "\n");
        EXPECT_EQ(query(kDatabaseFile,
                        "SELECT group_concat(name, ',') FROM pragma_table_info('ChartHistory')"),
                  "Id,Made,Client,Customer,TankDesc,SerialNo,Setup,Tank,Full,Unit,Rows\n");
        EXPECT_EQ(query(kDatabaseFile,
                        "SELECT count(*) FROM sqlite_master WHERE name = "
                        "'ChartHistoryIds'"),
                  "1\n");
        // The old rows kept.
        EXPECT_EQ(query(kDatabaseFile, kFirstRecord), "Acme|Riverside||S-9\n");
        EXPECT_EQ(query(kDatabaseFile, "SELECT * FROM Capacity"), "0.0|0.0\n1.0|2.5\n");
        if (std::string(shape.shape).find("'kept'") != std::string::npos) {
            EXPECT_EQ(query(kDatabaseFile, "SELECT * FROM ChartSetup"), "kept|1.5|<null>\n");
        }

        // Brought up once: the next write finds it current, and a chart goes to the history
        // with its rows, beside what the history held.
        dipsheet::chart::Tank tank;
        tank.increment = "1";
        tank.diameter = "48";
        tank.length = "96";
        tank = tank.normalised();
        // (The search index, derived from the history, is made by the chart where it is missing.)
        const char* const tables =
            "SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'ChartHistorySearch%'";
        const std::string shaped = query(kDatabaseFile, tables);
        Database db;
        db.replaceChart(std::vector<dipsheet::chart::CapacityRow>{{1.0f, 2.0f}},
                        {tank.describe(), 751.5, tank});
        EXPECT_EQ(query(kDatabaseFile, tables), shaped);
        // Every table of a fresh file, and none but them (a file without ChartSetup stays so).
        std::string names = "Capacity ChartHistory ChartHistoryIds ChartHistorySearch ";
        names += shape.setupFields == std::string("<null>") ? "mrQRT" : "ChartSetup mrQRT";
        EXPECT_EQ(query(kDatabaseFile,
                        "SELECT group_concat(name, ' ') FROM (SELECT name FROM "
                        "sqlite_master WHERE name NOT LIKE '%\\_%' ESCAPE '\\' "
                        "ORDER BY name)"),
                  names + "\n");
        EXPECT_TRUE(db.readHistoryRows(db.appendedHistoryId()).has_value());
        EXPECT_EQ(db.readHistory("old depot").size(), shape.searchable ? 1u : 0u);
        EXPECT_EQ(db.readHistory().size(), shape.searchable ? 2u : 1u);
        EXPECT_EQ(query(kDatabaseFile, "PRAGMA integrity_check"), "ok\n");
    }

    // A file of a newer version is left at it.
    query(kDatabaseFile, "PRAGMA user_version = 7");
    Database().writeMember("Acme");
    EXPECT_EQ(query(kDatabaseFile, kVersion), "7\n");
}

}  // namespace
