#include "store/store.h"
#include "store/schema.h"
#include "store/statement.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace dipsheet::store {

StoreError::StoreError(int code, const std::string& message)
    : std::runtime_error(message), m_code(code) {}

bool StoreError::meansDamage() const noexcept {
    switch (m_code & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_ERROR:  // a table or field the program keeps is missing
            return true;
        default:
            return false;
    }
}

using detail::execute;
using detail::fail;
using detail::Statement;
using detail::Transaction;

namespace {

// The job record is the record with the lowest rowid; a table without one has no current record.
constexpr const char* kNoRecord = "No current record: table mrQRT holds no record";

// Updates fields of the first record (lowest rowid) with bound texts, in one transaction; a
// table without a record gets one by `insertSql`. Each statement takes the first texts, as many
// as it has values (?1, ?2, ...).
template <typename... Texts>
void writeFirstRecord(sqlite3* db, const char* updateSql, const char* insertSql,
                      const std::string& doing, Texts... texts) {
    const auto bindAll = [&texts...](Statement& statement) {
        int index = 0;
        const int count = statement.parameterCount();
        ((++index <= count ? statement.bindText(index, texts) : void()), ...);
    };
    Transaction transaction(db, doing);
    schema::upgrade(db);
    Statement update(db, updateSql, doing);
    bindAll(update);
    update.step();
    if (sqlite3_changes(db) == 0) {
        Statement insert(db, insertSql, doing);
        bindAll(insert);
        insert.step();
    }
    transaction.commit();
}

}  // namespace

Database::Database(const std::string& path, int busyTimeoutMs, bool queueForServer, bool readOnly)
    : m_queueForServer(queueForServer), m_readOnly(readOnly) {
    // Read-write, or read-only when asked: a missing file is an error and is never created.
    const int rc = sqlite3_open_v2(
        path.c_str(), &m_db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        // Names the folder searched, absolute: a bare name is looked for in the working directory.
        std::error_code noWorkingDirectory;
        const auto file = std::filesystem::absolute(path, noWorkingDirectory);
        std::string message = "opening database file ";
        message.append(std::filesystem::path(path).filename().string());
        if (noWorkingDirectory)
            message.append(" in the working directory");
        else
            message.append(" in folder ").append(file.parent_path().string());
        message.append(": ").append(m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw StoreError(rc, message);
    }
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    try {
        detail::registerSearchFunctions(m_db);
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

std::optional<JobRecord> Database::findJobRecord() {
    Statement statement(m_db,
                        "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT "
                        "ORDER BY rowid LIMIT 1",
                        "reading table mrQRT");
    if (!statement.step()) {
        return std::nullopt;
    }
    return JobRecord{statement.text(0), statement.text(1), statement.text(2), statement.text(3)};
}

JobRecord Database::readJobRecord() {
    if (auto record = findJobRecord()) {
        return *std::move(record);
    }
    throw StoreError(SQLITE_NOTFOUND, kNoRecord);
}

void Database::writeMember(std::string_view member) {
    writeFirstRecord(m_db,
                     "UPDATE mrQRT SET mrQRTMember = ?1 "
                     "WHERE rowid = (SELECT min(rowid) FROM mrQRT)",
                     "INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo) "
                     "VALUES(?1, '', '', '')",
                     "writing the client name to table mrQRT", member);
}

void Database::writeHeading(std::string_view customer, std::string_view tankDesc,
                            std::string_view serialNo) {
    writeFirstRecord(m_db,
                     "UPDATE mrQRT SET mrCustomer = ?1, mrTankDesc = ?2, mrSerialNo = ?3 "
                     "WHERE rowid = (SELECT min(rowid) FROM mrQRT)",
                     "INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo) "
                     "VALUES('', ?1, ?2, ?3)",
                     "writing the chart heading to table mrQRT", customer, tankDesc, serialNo);
}

void Database::writeJob(const JobRecord& job) {
    if (isBlank(job.member)) {
        writeHeading(job.customer, job.tankDesc, job.serialNo);
        return;
    }
    writeFirstRecord(m_db,
                     "UPDATE mrQRT SET mrQRTMember = ?1, mrCustomer = ?2, mrTankDesc = ?3, "
                     "mrSerialNo = ?4 WHERE rowid = (SELECT min(rowid) FROM mrQRT)",
                     "INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo) "
                     "VALUES(?1, ?2, ?3, ?4)",
                     "writing the job to table mrQRT", std::string_view(job.member),
                     std::string_view(job.customer), std::string_view(job.tankDesc),
                     std::string_view(job.serialNo));
}

std::vector<chart::CapacityRow> Database::readCapacity() {
    Statement statement(m_db, "SELECT Depth, Capacity FROM Capacity ORDER BY rowid",
                        "reading table Capacity");
    std::vector<chart::CapacityRow> rows;
    while (statement.step()) {
        rows.push_back(chart::CapacityRow{statement.real(0), statement.real(1)});
    }
    return rows;
}

Table Database::readCapacityTable() {
    Statement statement(m_db, "SELECT * FROM Capacity ORDER BY rowid", "reading table Capacity");
    Table table;
    const int columns = statement.columnCount();
    for (int column = 0; column < columns; ++column) {
        table.columns.push_back(statement.columnName(column));
    }
    while (statement.step()) {
        auto& row = table.rows.emplace_back();
        row.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column) {
            row.push_back(statement.value(column));
        }
    }
    return table;
}

namespace {
bool hasChartSetupTable(sqlite3* db) {
    return detail::hasTable(db, "ChartSetup");
}

bool hasTankColumn(sqlite3* db) {
    return detail::hasField(db, "ChartSetup", "Tank");
}
}  // namespace

void Database::deleteChartRows() {
    const std::string doing = "deleting the chart rows from table Capacity";
    Transaction transaction(m_db, doing);
    schema::upgrade(m_db);
    execute(m_db, "DELETE FROM Capacity WHERE Depth > 0", doing);
    if (hasChartSetupTable(m_db))
        execute(m_db, "DELETE FROM ChartSetup", "deleting the chart's set-up");
    transaction.commit();
}

std::optional<ChartSetup> Database::readChartSetup() {
    if (!hasChartSetupTable(m_db))
        return std::nullopt;
    // A file made before the tank was kept has the text and the capacity only.
    Statement statement(m_db,
                        hasTankColumn(m_db)
                            ? "SELECT Setup, Full, Tank FROM ChartSetup ORDER BY rowid LIMIT 1"
                            : "SELECT Setup, Full, NULL FROM ChartSetup ORDER BY rowid LIMIT 1",
                        "reading table ChartSetup");
    if (!statement.step())
        return std::nullopt;
    return ChartSetup{statement.text(0), statement.number(1),
                      chart::Tank::fromText(statement.text(2))};
}

void Database::replaceChart(std::span<const chart::CapacityRow> rows, const ChartSetup& setup,
                            const std::optional<JobRecord>& job, bool toHistory) {
    execute(m_db, "SELECT 1 FROM mrQRT LIMIT 1", "opening table mrQRT");
    Transaction transaction(m_db, "writing the chart to table Capacity");
    schema::upgrade(m_db);
    if (job)
        writeJob(*job);  // part of this transaction
    writeChartRows(rows);
    if (hasChartSetupTable(m_db)) {
        // A table made before field Tank has gained it above.
        const std::string doing = "writing the chart's set-up to table ChartSetup";
        execute(m_db, "DELETE FROM ChartSetup", doing);
        Statement insert(m_db, "INSERT INTO ChartSetup(Setup, Full, Tank) VALUES(?1, ?2, ?3)",
                         doing);
        insert.bindText(1, setup.text);
        insert.bindDouble(2, setup.full);
        const std::string tank = setup.tank ? setup.tank->toText() : std::string();
        if (setup.tank)
            insert.bindText(3, tank);
        insert.step();
    }
    m_appendedHistoryId = 0;
    if (setup.tank && toHistory)
        appendHistory(setup, rows);
    if (m_queueForServer && m_appendedHistoryId != 0)
        queueAppended(newChartKey());
    transaction.commit();
}

void Database::replaceChartRows(std::span<const chart::CapacityRow> rows) {
    // The chart goes with the job record: a file whose mrQRT cannot be read is refused before
    // any row changes.
    execute(m_db, "SELECT 1 FROM mrQRT LIMIT 1", "opening table mrQRT");

    Transaction transaction(m_db, "writing the chart to table Capacity");
    schema::upgrade(m_db);
    writeChartRows(rows);
    transaction.commit();
}

void Database::writeChartRows(std::span<const chart::CapacityRow> rows) {
    const std::string doing = "writing the chart to table Capacity";
    execute(m_db, "DELETE FROM Capacity WHERE Depth > 0", doing);
    // One prepared insert serves every row; the transaction makes the chart one commit.
    Statement insert(m_db, "INSERT INTO Capacity(Depth, Capacity) VALUES(?1, ?2)", doing);
    for (const auto& row : rows) {
        insert.bindFloat(1, row.depth);
        insert.bindFloat(2, row.volume);
        insert.step();
        insert.reset();
    }
}

}  // namespace dipsheet::store
