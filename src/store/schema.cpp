#include "store/schema.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "store/statement.h"
#include "store/store.h"

namespace dipsheet::store {

using detail::execute;
using detail::Statement;

namespace {

// A fresh file, in order: the job record's table, the chart on show and its set-up, the history
// with its ids and its search index, then the first job record, which holds the placeholder
// name until the office types its own.
constexpr const char* kFreshTables[] = {
    "CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT, mrSerialNo TEXT)",
    "CREATE TABLE Capacity(Depth REAL, Capacity REAL)",
    "CREATE TABLE ChartSetup(Setup TEXT, Full REAL, Tank TEXT)",
    schema::kCreateHistory,
    schema::kCreateHistoryIds,
    schema::kCreateSearch,
};

void setVersion(sqlite3* db, int version, const std::string& doing) {
    // PRAGMA takes no bound value; the version is a number of this program's own.
    execute(db, ("PRAGMA user_version = " + std::to_string(version)).c_str(), doing);
}

}  // namespace

int schema::version(sqlite3* db) {
    Statement statement(db, "PRAGMA user_version", "reading the version of the file's tables");
    return statement.step() ? static_cast<int>(statement.integer(0)) : 0;
}

void schema::upgrade(sqlite3* db) {
    if (version(db) >= kSchemaVersion)
        return;
    const std::string doing = "bringing the file's tables up to date";
    // Each step looks for what it adds, since a file of version 0 may have been made by
    // data/QRTMembers.sql (everything there) or by any older version of the program.
    // Version 0 to 1:
    if (detail::hasTable(db, "ChartSetup") && !detail::hasField(db, "ChartSetup", "Tank"))
        execute(db, "ALTER TABLE ChartSetup ADD COLUMN Tank TEXT", doing);
    execute(db, kCreateHistory, doing);
    if (!detail::hasField(db, "ChartHistory", "Rows"))
        execute(db, "ALTER TABLE ChartHistory ADD COLUMN Rows BLOB", doing);
    execute(db, kCreateHistoryIds, doing);
    // Version 1 to 2: what each chart's printout showed.
    if (!detail::hasField(db, "ChartHistory", "Printout"))
        execute(db, "ALTER TABLE ChartHistory ADD COLUMN Printout TEXT", doing);
    setVersion(db, kSchemaVersion, doing);
}

void createDatabase(const std::string& path) {
    const std::filesystem::path file(path);
    std::error_code noWorkingDirectory;
    const auto where = std::filesystem::absolute(file, noWorkingDirectory).parent_path();
    const std::string named = file.filename().string() + " in folder " + where.string();
    // Made exclusively ("x"): a file of that name, whatever it is, is refused, never replaced,
    // and nothing is made through a name that another program put there first.
    std::FILE* made = std::fopen(path.c_str(), "wx");
    if (made == nullptr) {
        const bool there =
            std::filesystem::exists(std::filesystem::symlink_status(file, noWorkingDirectory));
        const std::string why = there ? "a file of that name is there already; it is left as it is"
                                      : "the file cannot be made there";
        throw StoreError(SQLITE_CANTOPEN, "making database file " + named + ": " + why);
    }
    std::fclose(made);

    sqlite3* db = nullptr;
    try {
        const std::string doing = "making database file " + named;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            detail::fail(db, doing);
        detail::Transaction transaction(db, doing);
        for (const char* sql : kFreshTables)
            execute(db, sql, doing);
        Statement first(db,
                        "INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo) "
                        "VALUES(?1, '', '', '')",
                        doing);
        first.bindText(1, kClientPlaceholder);
        first.step();
        setVersion(db, kSchemaVersion, doing);
        transaction.commit();
    } catch (...) {
        sqlite3_close_v2(db);
        std::filesystem::remove(file, noWorkingDirectory);
        throw;
    }
    if (sqlite3_close_v2(db) != SQLITE_OK)
        throw StoreError(SQLITE_IOERR, "closing database file " + named);
}

}  // namespace dipsheet::store
