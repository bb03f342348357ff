// A desk of an office's server, as the office meets it: dipsheet.ini names the server and the
// desk, the title says them, every chart goes up to the shared history, and with the server
// away the charts wait in the data folder's file, the notice bar says so, and they go up once,
// each, when it is back. The server is a real one the test starts.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>
#include <stdexcept>
#include <string>

#include "app_testing.h"
#include "chartoptionspanel.h"
#include "dimensionpanels.h"
#include "pastchartswindow.h"
#include "pg_server.h"
#include "server/server_store.h"

using namespace app_testing;
using dipsheet::testing::PgServer;

class TestDesk : public QObject {
    Q_OBJECT

private slots:
    void chartsGoUpOnceAndWaitWhileTheServerIsAway();
    void pastChartsIsTheOfficesHistory();
};

namespace {

// The tests' own server; one that cannot start stops the test with its reason and log.
std::unique_ptr<PgServer> startServer() {
    try {
        return std::make_unique<PgServer>();
    } catch (const std::exception& failure) {
        qFatal("%s", failure.what());
    }
}

// What the main window's notice bar says (nothing while it is hidden).
QString noticeBar(const Program& program) {
    const auto* bar = findNamed<QLabel>(program.main.data(), "noticeBar");
    return bar->isVisibleTo(program.main.data()) ? bar->text() : QString();
}

// The desks named in the Past Charts list, row by row.
QStringList desksListed(QTableView* grid) {
    const QAbstractItemModel* model = grid->model();
    int column = 0;
    while (column < model->columnCount() &&
           model->headerData(column, Qt::Horizontal).toString() != QLatin1String("Desk"))
        ++column;
    QStringList desks;
    for (int row = 0; row < model->rowCount(); ++row)
        desks << model->index(row, column).data().toString();
    return desks;
}

}  // namespace

void TestDesk::chartsGoUpOnceAndWaitWhileTheServerIsAway() {
    const std::unique_ptr<PgServer> server = startServer();
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
    QCOMPARE(noticeBar(program), QString());

    // The server away: the charts are made and kept, the keyboard stays the user's, and the
    // notice bar says where the charts wait.
    server->stop();
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        noticeBar(program).contains(QStringLiteral("wait in the data folder")), 10000);
    QCOMPARE(scalar("SELECT count(*) FROM ChartHistory").toInt(), 3);
    QVERIFY(seams.messages.isEmpty());

    // Back: the next chart takes the two that waited with it, each once.
    server->start();
    QTest::mouseClick(calculate, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(charts(), 4, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(noticeBar(program), QString(), 10000);
    QCOMPARE(server->query("dipsheet", "SELECT count(*) FROM chart_history"), std::string("4"));
    QCOMPARE(scalar("SELECT count(*) FROM ChartQueue WHERE Sent = 0").toInt(), 0);

    // A serial number corrected after Calculate and printed: the office's history has the
    // chart under it, still once.
    QVERIFY(copyDefinitions());
    seams.onPreview = [](const dipsheet::report::Report&) {};
    typeInto(findNamed<QLineEdit>(program.main.data(), "txtSerialNo"), QStringLiteral("F-9"));
    QTest::mouseClick(findNamed<QPushButton>(program.main->chartWindow(), "cmdPrint"),
                      Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        server->query("dipsheet", "SELECT serial_no FROM chart_history ORDER BY id DESC LIMIT 1"),
        std::string("F-9"), 10000);
    QCOMPARE(charts(), 4);
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}

// Past Charts of a desk lists every desk's charts and says which desk made each: the search finds
// another desk's chart, Reprint prints its rows bit for bit, Load puts it on show at this desk
// without a second history row, Delete names the desk. With the server away the list is the
// file's and says why, and a start with the server away starts on the file with the notice.
void TestDesk::pastChartsIsTheOfficesHistory() {
    const std::unique_ptr<PgServer> server = startServer();
    dipsheet::chart::Tank tank;
    tank.diameter = std::string("60");
    tank.length = std::string("120");
    tank.increment = std::string("2");
    const dipsheet::chart::ChartRows made = tank.chart().rows;
    const std::vector<dipsheet::chart::CapacityRow> rows(made.begin() + 1, made.end());
    {
        dipsheet::server::ServerStore back(server->uri(), "back office");
        back.replaceChart(rows, {tank.describe(), rows.back().volume, tank},
                          dipsheet::store::JobRecord{"Bea", "Harbour Fuels", "kerosene", "B-77"});
    }
    const auto count = [&server](const char* where) {
        return server->query("dipsheet",
                             std::string("SELECT count(*) FROM chart_history WHERE ") + where);
    };

    auto scratch = scratchDatabase();
    QVERIFY(copyDefinitions());
    QVERIFY(writeBytes(QStringLiteral("dipsheet.ini"),
                       "[Database]\nServer=" + QByteArray::fromStdString(server->uri()) +
                           "\nDesk=front counter\n"));
    Seams seams;
    {
        Program program(seams);
        const QString named = findNamed<QLabel>(program.splash.data(), "lblServer")->text();
        QVERIFY2(named.startsWith(QStringLiteral("Desk \"front counter\" on ")), qPrintable(named));
        QVERIFY(program.start());
        auto* chart = program.chart();
        auto* cylinder = chart->horizontalPanel();
        typeInto(findNamed<QLineEdit>(cylinder, "txtDiameter"), QStringLiteral("48"));
        typeInto(findNamed<QLineEdit>(cylinder, "txtLength"), QStringLiteral("96"));
        typeInto(findNamed<QLineEdit>(chart, "txtIncrement"), QStringLiteral("1"));
        QTest::mouseClick(findNamed<QPushButton>(chart, "cmdCalculate"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(count("desk = 'front counter'"), std::string("1"), 10000);

        program.main->showHistory();
        QPointer<dipsheet::app::PastChartsWindow> history = program.main->historyWindow();
        auto* grid = findNamed<QTableView>(history.data(), "grdHistory");
        QTRY_VERIFY_WITH_TIMEOUT(history->listsOffice(), 10000);
        QCOMPARE(desksListed(grid), (QStringList{"front counter", "back office"}));
        QVERIFY(findNamed<QLabel>(history.data(), "lblFound")->text().contains("every desk"));

        // The other desk's chart, found and reprinted as it was made.
        typeInto(findNamed<QLineEdit>(history.data(), "txtSearch"), QStringLiteral("HARB b-7"));
        QCOMPARE(desksListed(grid), QStringList{"back office"});
        std::vector<dipsheet::report::Report> printed;
        seams.onPreview = seams.onPrint = [&](const dipsheet::report::Report& report) {
            printed.push_back(report);
        };
        QTest::mouseClick(findNamed<QPushButton>(history.data(), "cmdReprint"), Qt::LeftButton);
        QVERIFY2(printed.size() == 1,
                 qPrintable(seams.messages.join(QLatin1Char('\n')) +
                            findNamed<QLabel>(history.data(), "lblFound")->text()));
        QCOMPARE(printed[0].job.serialNo, std::string("B-77"));
        QCOMPARE(printed[0].rows.size(), rows.size());
        QVERIFY(std::memcmp(printed[0].rows.data(), rows.data(),
                            rows.size() * sizeof rows[0]) == 0);

        // Loaded: on show at this desk, its heading on the form, no row added to the history.
        QTest::mouseClick(findNamed<QPushButton>(history.data(), "cmdLoad"), Qt::LeftButton);
        QTRY_VERIFY(history.isNull());
        QCOMPARE(program.main->job().record().serialNo, std::string("B-77"));
        QTRY_COMPARE_WITH_TIMEOUT(
            server->query("dipsheet", "SELECT tank FROM desk_chart WHERE desk = 'front counter'"),
            tank.toText(), 10000);
        QCOMPARE(count("true"), std::string("2"));
        QCOMPARE(scalar("SELECT count(*) FROM ChartHistory").toInt(), 1);

        // Deleted: the question names the desk that made it.
        program.main->showHistory();
        history = program.main->historyWindow();
        grid = findNamed<QTableView>(history.data(), "grdHistory");
        QTRY_VERIFY_WITH_TIMEOUT(history->listsOffice(), 10000);
        typeInto(findNamed<QLineEdit>(history.data(), "txtSearch"), QStringLiteral("harbour"));
        seams.answerYesNo = [](const QString&) { return true; };
        QTest::mouseClick(findNamed<QPushButton>(history.data(), "cmdDelete"), Qt::LeftButton);
        QVERIFY2(seams.questions.last().contains(QStringLiteral("at the desk \"back office\"")),
                 qPrintable(seams.questions.last()));
        QCOMPARE(count("desk = 'back office'"), std::string("0"));

        // The server gone: the list is the desk's own file, saying why.
        server->stop();
        findNamed<QLineEdit>(history.data(), "txtSearch")->clear();
        QVERIFY(!history->listsOffice());
        QTRY_VERIFY_WITH_TIMEOUT(findNamed<QLabel>(history.data(), "lblFound")
                                     ->text()
                                     .contains(QStringLiteral("this desk's own charts")),
                                 10000);
        QCOMPARE(grid->model()->rowCount(), 1);
        history->close();
    }
    // A start with the server away starts on the file, and the notice bar says so.
    Program program(seams);
    QVERIFY(program.start());
    QTRY_VERIFY_WITH_TIMEOUT(
        noticeBar(program).contains(QStringLiteral("cannot be reached")), 10000);
    QCOMPARE(program.main->job().record().serialNo, std::string("B-77"));
    // A heading typed and saved meanwhile leaves the server's notice up.
    typeInto(findNamed<QLineEdit>(program.main.data(), "txtSerialNo"), QStringLiteral("F-13"));
    QVERIFY(program.main->job().save());
    QVERIFY(noticeBar(program).contains(QStringLiteral("cannot be reached")));
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}

DIPSHEET_APP_TEST_MAIN(TestDesk)

#include "tst_desk.moc"
