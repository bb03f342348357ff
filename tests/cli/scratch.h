#pragma once

// What the command-line tests share: a run of dipsheet-chart in this process, and a scratch
// working folder that can hold a fresh job database, left again at the end.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "chart_tool.h"
#include "store.h"

namespace cli_testing {

struct Result {
    int status;
    std::string out, err;
};

inline Result run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = dipsheet::cli::runChartTool(args, out, err);
    return {status, out.str(), err.str()};
}

// The bytes of a file, to tell that nothing wrote to it.
inline std::string fileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class InScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = std::filesystem::current_path();
        m_folder = std::filesystem::temp_directory_path() /
                   ("dipsheet-cli-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        std::filesystem::current_path(m_folder);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_folder);
    }
    // A fresh job database made by the shipped schema.
    static void makeDatabase() {
        std::ifstream schema(DIPSHEET_SCHEMA);
        ASSERT_TRUE(schema) << "no schema at " << DIPSHEET_SCHEMA;
        std::stringstream sql;
        sql << schema.rdbuf();
        exec(sql.str());
    }
    static void exec(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(dipsheet::store::kDatabaseFile, &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << sql << ": " << (error != nullptr ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    std::filesystem::path m_previous, m_folder;
};

}  // namespace cli_testing
