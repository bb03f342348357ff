#pragma once

// What the server's tests share: one server for the whole test program, started before the
// first test and stopped after the last whatever the tests did, and a database of each test's
// own, so the tests do not see each other's charts.

#include <gtest/gtest.h>

#include <string>

#include "pg_server.h"

namespace dipsheet::testing {

// The program's server; none when it could not start (then every test fails with the reason).
PgServer* sharedServer();

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::string uri() const { return sharedServer()->uri(m_database); }
    // The first value of `sql` on the test's database, as the superuser reads it.
    std::string count(const std::string& sql) const {
        return sharedServer()->query(m_database, sql);
    }

    std::string m_database;
};

}  // namespace dipsheet::testing
