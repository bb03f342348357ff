#include "server_test.h"

#include <cctype>
#include <memory>

namespace dipsheet::testing {

namespace {

PgServer* gServer = nullptr;

class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        try {
            m_server = std::make_unique<PgServer>();
            gServer = m_server.get();
        } catch (const std::exception& error) {
            FAIL() << "the test server could not start: " << error.what();
        }
    }
    void TearDown() override {
        gServer = nullptr;
        m_server.reset();
    }

private:
    std::unique_ptr<PgServer> m_server;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

PgServer* sharedServer() {
    return gServer;
}

void ServerTest::SetUp() {
    ASSERT_NE(gServer, nullptr) << "no test server";
    // A test left the server stopped: the next one finds it running.
    gServer->start();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_database = std::string(test->test_suite_name()) + "_" + test->name();
    for (char& c : m_database)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    gServer->createDatabase(m_database);
}

}  // namespace dipsheet::testing
