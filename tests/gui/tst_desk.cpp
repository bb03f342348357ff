// A desk of an office's server, as the office meets it: dipsheet.ini names the server and the
// desk, the title says them, every chart goes up to the shared history, and with the server
// away the charts wait in the data folder's file, the notice bar says so, and they go up once,
// each, when it is back. The server is a real one the test starts.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <stdexcept>
#include <string>

#include "app_testing.h"
#include "chartoptionspanel.h"
#include "dimensionpanels.h"
#include "pg_server.h"

using namespace app_testing;
using dipsheet::testing::PgServer;

class TestDesk : public QObject {
    Q_OBJECT

private slots:
    void chartsGoUpOnceAndWaitWhileTheServerIsAway();
};

void TestDesk::chartsGoUpOnceAndWaitWhileTheServerIsAway() {
    std::unique_ptr<PgServer> server;
    try {
        server = std::make_unique<PgServer>();
    } catch (const std::exception& failure) {
        QFAIL(failure.what());
    }
    // The desk's charts on the server; none before the desk has made its tables.
    const auto charts = [&server] {
        try {
            return std::stoi(server->query("dipsheet",
                                           "SELECT count(DISTINCT key) FROM "
                                           "chart_history WHERE desk = 'front counter'"));
        } catch (const std::runtime_error&) {
            return 0;
        }
    };
    auto scratch = scratchDatabase();
    QVERIFY(writeBytes(QStringLiteral("dipsheet.ini"),
                       "[Database]\nServer=" + QByteArray::fromStdString(server->uri()) +
                           "\nDesk=front counter\n"));
    Seams seams;
    Program program(seams);
    QVERIFY(program.start());
    QVERIFY2(program.main->windowTitle().startsWith(QStringLiteral("Dipsheet - front counter on ")),
             qPrintable(program.main->windowTitle()));
    QVERIFY2(!program.main->windowTitle().contains(QStringLiteral("user=")),
             qPrintable(program.main->windowTitle()));

    auto* chart = program.chart();
    auto* cylinder = chart->horizontalPanel();
    typeInto(findNamed<QLineEdit>(cylinder, "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(cylinder, "txtLength"), QStringLiteral("96"));
    typeInto(findNamed<QLineEdit>(chart, "txtIncrement"), QStringLiteral("1"));
    auto* calculate = findNamed<QPushButton>(chart, "cmdCalculate");
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(charts(), 1, 10000);
    QCOMPARE(program.main->job().notice(), QString());

    // The server away: the charts are made and kept, the keyboard stays the user's, and the
    // notice bar says where the charts wait.
    server->stop();
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        program.main->job().notice().contains(QStringLiteral("wait in the data folder")), 10000);
    QCOMPARE(scalar("SELECT count(*) FROM ChartHistory").toInt(), 3);
    QVERIFY(seams.messages.isEmpty());

    // Back: the next chart takes the two that waited with it, each once.
    server->start();
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(charts(), 4, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(program.main->job().notice(), QString(), 10000);
    QCOMPARE(server->query("dipsheet", "SELECT count(*) FROM chart_history"), std::string("4"));
    QCOMPARE(scalar("SELECT count(*) FROM ChartQueue WHERE Sent = 0").toInt(), 0);
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}

DIPSHEET_APP_TEST_MAIN(TestDesk)

#include "tst_desk.moc"
