// Past Charts: every chart calculated comes back after a restart, on the panels and from the
// history window, as the same chart.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <memory>
#include <optional>
#include <span>

#include "app_testing.h"
#include "chartwindow.h"
#include "orientationpanel.h"
#include "pastchartswindow.h"
#include "report/report.h"

using namespace app_testing;
using dipsheet::app::PastChartsWindow;
using dipsheet::setup::ChartOptionsPanel;
namespace chart = dipsheet::chart;
namespace report = dipsheet::report;

namespace {

// A tank as the user types it, field by field, by object name.
struct Typed {
    bool vertical = false, rectangular = false, millimetres = false, outside = false;
    bool striker = true;
    QString increment;
    QList<std::pair<const char*, QString>> fields;  // dimension fields of the panel on screen
    int heads = 0;                                  // index in the heads list
    QString headDepth;
    QString fall, dipAt;  // how a horizontal tank lies
};

QList<Typed> everyShapeAndHeadKind() {
    QList<Typed> tanks;
    Typed rect;
    rect.rectangular = rect.millimetres = rect.outside = true;
    rect.increment = QStringLiteral("100");
    rect.fall = QStringLiteral("40");
    rect.fields = {{"txtLength", QStringLiteral("2000")},
                   {"txtWidth", QStringLiteral("1000")},
                   {"txtHeight", QStringLiteral("1250")},
                   {"txtThickness", QStringLiteral("6")}};
    tanks << rect;
    for (int kind = 0; kind < int(std::size(chart::kHeadKinds)); ++kind) {
        const bool typed = chart::headDepthIsTyped(chart::kHeadKinds[kind]);
        Typed cyl;
        cyl.increment = QStringLiteral("2");
        cyl.fields = {{"txtDiameter", QStringLiteral("48")}, {"txtLength", QStringLiteral("96")}};
        cyl.heads = kind;
        cyl.headDepth = typed ? QStringLiteral("10") : QString();
        cyl.striker = kind % 2 == 0;
        if (kind % 3 == 1) {
            cyl.fall = QStringLiteral("-1.5");
            cyl.dipAt = QStringLiteral("20");
        }
        tanks << cyl;
        Typed vert;
        vert.vertical = vert.millimetres = vert.outside = true;
        vert.increment = QStringLiteral("100");
        vert.fields = {{"txtDiameter", QStringLiteral("1800")},
                       {"txtLength", QStringLiteral("2400")},
                       {"txtHeadThickness", QStringLiteral("8")},
                       {"txtShellThickness", QStringLiteral("6")}};
        vert.heads = kind;
        vert.headDepth = typed ? QStringLiteral("300") : QString();
        tanks << vert;
    }
    return tanks;
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void chartComesBackAfterARestart();
    void unreadableChartIsListedAndNotLoaded();
    void reprintPrintsTheChartAsMadeAndLeavesTheForm();
    void reprintPrintsTheKeptRowsOrSaysItChartsAgain();
    void searchTroubleIsNeverFatal();
    void chartPrintedUnderACorrectedHeadingIsKeptUnderIt();
    void chartByVolumeGoesTheWholeWay();

private:
    // Types `tank` into the panels of the started program, as a user would.
    static void type(Program& program, const Typed& tank);
};

void TestHistory::type(Program& program, const Typed& tank) {
    MainWindow* main = program.main;
    ChartOptionsPanel* c = program.chart();
    clickOption(findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                        QStringLiteral("optHV(%1)").arg(tank.vertical ? 1 : 0)));
    if (!tank.vertical)
        clickOption(tank.rectangular ? findNamed<QRadioButton>(c, "optRectangular")
                                     : findNamed<QRadioButton>(c, "optCylindrical"));
    clickOption(tank.millimetres ? findNamed<QRadioButton>(c, "optMillimeters")
                                 : findNamed<QRadioButton>(c, "optInches"));
    clickOption(tank.outside ? findNamed<QRadioButton>(c, "optOutside")
                             : findNamed<QRadioButton>(c, "optInside"));
    if (findNamed<QCheckBox>(c, "chkStriker")->isChecked() != tank.striker)
        clickOption(findNamed<QCheckBox>(c, "chkStriker"));
    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), tank.increment);
    for (const auto& [name, text] : tank.fields)
        typeInto(c->currentPanel()->findChild<QLineEdit*>(QLatin1String(name)), text);
    if (!tank.vertical) {
        typeInto(c->tiltPanel()->findChild<QLineEdit*>(QStringLiteral("txtFall")), tank.fall);
        typeInto(c->tiltPanel()->findChild<QLineEdit*>(QStringLiteral("txtDipAt")), tank.dipAt);
    }
    if (!tank.rectangular) {
        c->headsPanel()
            ->findChild<QComboBox*>(QStringLiteral("cboHeads"))
            ->setCurrentIndex(tank.heads);
        if (!tank.headDepth.isEmpty())
            typeInto(c->headsPanel()->findChild<QLineEdit*>(QStringLiteral("txtHeadDepth")),
                     tank.headDepth);
    }
}

// Calculate → Exit → restart: the panels hold the tank again; Past Charts, the serial number and
// Enter give the same rows and the same set-up line, for every shape and head kind.
void TestHistory::chartComesBackAfterARestart() {
    auto scratch = scratchDatabase();
    Seams seams;
    const QList<Typed> tanks = everyShapeAndHeadKind();
    int historyAdded = 0;  // charts made beside those of the tanks
    for (qsizetype i = 0; i < tanks.size(); ++i) {
        const QString serial = QStringLiteral("T-%1").arg(i);
        QVERIFY(runSql(QStringLiteral("UPDATE mrQRT SET mrSerialNo = '%1'").arg(serial).toUtf8()));
        chart::Tank made;
        std::vector<std::array<float, 2>> rows;
        QString setupLine;
        {
            Program program(seams);
            QVERIFY(program.start());
            type(program, tanks[i]);
            made = program.chart()->tank();
            QTest::mouseClick(findNamed<QPushButton>(program.chart(), "cmdCalculate"),
                              Qt::LeftButton);
            auto* window = program.main->chartWindow();
            QVERIFY2(window, qPrintable(seams.messages.join(QLatin1Char('\n'))));
            rows = scratch->capacity();
            setupLine = findNamed<QLabel>(window, "lblSetup")->text();
            QTest::mouseClick(findNamed<QPushButton>(window, "cmdExit"), Qt::LeftButton);
            QVERIFY(scratch->capacity().empty());
        }
        Program again(seams);
        QVERIFY(again.start());
        QVERIFY2(again.chart()->tank() == made, made.describe().c_str());
        const auto charts = [] { return scalar("SELECT count(*) FROM ChartHistory").toInt(); };
        // The tank put back at start-up, calculated unchanged, is that chart again.
        QTest::mouseClick(findNamed<QPushButton>(again.chart(), "cmdCalculate"), Qt::LeftButton);
        QCOMPARE(charts(), int(i + 1) + historyAdded);
        QTest::keyClick(again.main, Qt::Key_H, Qt::ControlModifier);
        PastChartsWindow* history = again.main->historyWindow();
        QVERIFY(history);
        QTest::keyClicks(findNamed<QLineEdit>(history, "txtSearch"), serial.toLower());
        QCOMPARE(findNamed<QTableView>(history, "grdHistory")->model()->rowCount(), 1);
        QTest::keyClick(findNamed<QLineEdit>(history, "txtSearch"), Qt::Key_Return);
        QVERIFY(again.main->chartWindow());
        QCOMPARE(scratch->capacity(), rows);
        QCOMPARE(findNamed<QLabel>(again.main->chartWindow(), "lblSetup")->text(), setupLine);
        QCOMPARE(findNamed<QLineEdit>(again.customer(), "txtSerialNo")->text(), serial);
        // A chart shown again is not a new chart, however often it is calculated; changed, it is.
        QCOMPARE(charts(), int(i + 1) + historyAdded);
        QTest::mouseClick(findNamed<QPushButton>(again.chart(), "cmdCalculate"), Qt::LeftButton);
        QCOMPARE(charts(), int(i + 1) + historyAdded);
        if (i == 0) {
            typeInto(findNamed<QLineEdit>(again.chart(), "txtIncrement"), QStringLiteral("2"));
            QTest::mouseClick(findNamed<QPushButton>(again.chart(), "cmdCalculate"),
                              Qt::LeftButton);
            QCOMPARE(charts(), int(i + 2));
            ++historyAdded;
        }
    }
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}

// A history row whose tank this version cannot read says so in the list and in a message, and
// nothing else changes; the program starts as on a fresh file when it is the newest.
void TestHistory::unreadableChartIsListedAndNotLoaded() {
    auto scratch = scratchDatabase();
    QVERIFY(
        runSql("INSERT INTO ChartHistory(Made, Client, Customer, TankDesc, SerialNo, Setup, "
               "Tank, Full, Unit) VALUES('2031-01-01 10:00:00', 'c', 'Future Oils', 'd', "
               "'F-1', 'a set-up', 'tank=2; shape=cyl; tilt-fall=3', 10, 'L')"));
    Seams seams;
    Program program(seams);
    QVERIFY(program.start());
    QVERIFY(findNamed<QLineEdit>(program.chart(), "txtIncrement")
                ->text()
                .isEmpty());  // nothing restored
    findNamed<QPushButton>(program.chart(), "cmdHistory")->click();
    PastChartsWindow* history = program.main->historyWindow();
    QVERIFY(history);
    const QAbstractItemModel* list = findNamed<QTableView>(history, "grdHistory")->model();
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->index(0, 4).data().toString(), QStringLiteral("cannot be read"));
    const QByteArray before = fileBytes(QStringLiteral("QRTMembers.mdb"));
    for (QPushButton* button : {findNamed<QPushButton>(history, "cmdLoad"),
                                findNamed<QPushButton>(history, "cmdReprint")}) {
        button->click();
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY(seams.messages.takeFirst().contains(QLatin1String("cannot be read")));
    }
    QVERIFY(!program.main->chartWindow());
    QCOMPARE(fileBytes(QStringLiteral("QRTMembers.mdb")), before);
}

// Reprint lays out the chart of the history row, with the heading it was made for, through its
// unit's definition, dated the day it was made and the day of the reprint; the list says how
// the tank lies; the form, the job record and the chart on file stay as they were. Delete asks,
// and No keeps the row.
void TestHistory::reprintPrintsTheChartAsMadeAndLeavesTheForm() {
    auto scratch = scratchDatabase();
    QVERIFY(copyDefinitions());
    chart::Tank tank;
    tank.inches = false;
    tank.increment = std::string("250");
    tank.diameter = std::string("1800");
    tank.length = std::string("2400");
    tank.heads.kind = chart::HeadKind::Hemispherical;
    tank.fall = std::string("30");
    const chart::Tank::Chart made = tank.chart();
    {
        dipsheet::store::Database db;
        db.writeHeading("Harbour Oils", "fuel oil", "H-9");
        db.replaceChart(std::span(made.rows).subspan(1), {tank.describe(), made.full, tank});
        db.deleteChartRows();
        db.writeHeading("Someone Else", "other", "X-1");
    }
    QVERIFY(runSql("UPDATE ChartHistory SET Made = '2019-11-30 16:45:09'"));
    const QByteArray before = fileBytes(QStringLiteral("QRTMembers.mdb"));
    std::optional<report::Report> printed;
    Seams seams;
    seams.day = QDate(2024, 3, 5);
    seams.onPreview = [&](const report::Report& r) { printed = r; };
    {
        Program program(seams);
        QVERIFY(program.start());
        findNamed<QPushButton>(program.chart(), "cmdHistory")->click();
        PastChartsWindow* history = program.main->historyWindow();
        QVERIFY(history);
        const QString lies = findNamed<QTableView>(history, "grdHistory")
                                 ->model()
                                 ->index(0, 4)
                                 .data()
                                 .toString();  // the Tank column
        QVERIFY2(lies.endsWith(QStringLiteral(" \u00d7 2400 mm, B 30 mm lower")), qPrintable(lies));
        findNamed<QPushButton>(history, "cmdReprint")->click();
        QVERIFY2(printed, qPrintable(seams.messages.join(QLatin1Char('\n'))));
        QCOMPARE(printed->date, QDate(2019, 11, 30));
        QCOMPARE(printed->reprinted, QDate(2024, 3, 5));
        QCOMPARE(printed->definitionName, QStringLiteral("mmdipsheet.rpt"));
        QCOMPARE(printed->job.serialNo, std::string("H-9"));
        QCOMPARE(printed->job.customer, std::string("Harbour Oils"));
        QVERIFY(printed->rows ==
                std::vector<chart::CapacityRow>(made.rows.begin() + 1, made.rows.end()));
        QCOMPARE(printed->setup->text, tank.describe());
        QCOMPARE(printed->heads, QStringLiteral("Hemispherical heads, depth 900"));
        QCOMPARE(findNamed<QLineEdit>(program.customer(), "txtSerialNo")->text(),
                 QStringLiteral("X-1"));

        seams.answerYesNo = [](const QString& question) {
            return !question.contains(QLatin1String("H-9"));  // No for this chart
        };
        findNamed<QPushButton>(history, "cmdDelete")->click();
        QCOMPARE(findNamed<QTableView>(history, "grdHistory")->model()->rowCount(), 1);
    }
    QCOMPARE(fileBytes(QStringLiteral("QRTMembers.mdb")), before);
    QVERIFY(seams.messages.isEmpty());
}

// Reprint prints the rows kept with the chart, even where the engine now charts other figures;
// a chart made before charts kept their rows is charted again from its set-up, and the line
// under the list says so, without a message box. Rows kept in a form this version cannot read
// are refused in a message box. Nothing is written.
void TestHistory::reprintPrintsTheKeptRowsOrSaysItChartsAgain() {
    auto scratch = scratchDatabase();
    QVERIFY(copyDefinitions());
    chart::Tank tank;
    tank.increment = std::string("6");
    tank.diameter = std::string("48");
    tank.length = std::string("96");
    const chart::ChartRows charted = tank.chart().rows;
    const std::vector<chart::CapacityRow> fresh(charted.begin() + 1, charted.end());
    std::vector<chart::CapacityRow> kept = fresh;
    for (auto& row : kept)
        row.volume *= 1.01f;  // figures no engine gives for this tank
    {
        dipsheet::store::Database db;
        db.writeHeading("Kept Rows", "", "K-1");
        db.replaceChart(kept, {tank.describe(), 751.5, tank});
        db.writeHeading("Older Chart", "", "O-2");
        db.replaceChart(kept, {tank.describe(), 751.5, tank});
    }
    QVERIFY(runSql("UPDATE ChartHistory SET Rows = NULL WHERE SerialNo = 'O-2'"));
    const QByteArray before = fileBytes(QStringLiteral("QRTMembers.mdb"));
    std::optional<report::Report> printed;
    Seams seams;
    seams.onPreview = [&](const report::Report& r) { printed = r; };
    {
        Program program(seams);
        QVERIFY(program.start());
        findNamed<QPushButton>(program.chart(), "cmdHistory")->click();
        PastChartsWindow* history = program.main->historyWindow();
        QVERIFY(history);
        const struct {
            int row;
            const std::vector<chart::CapacityRow>& rows;
            bool chartedAgain;
        } cases[] = {{0, fresh, true}, {1, kept, false}};
        for (const auto& c : cases) {
            findNamed<QTableView>(history, "grdHistory")->selectRow(c.row);
            printed.reset();
            findNamed<QPushButton>(history, "cmdReprint")->click();
            QVERIFY2(printed, qPrintable(seams.messages.join(QLatin1Char('\n'))));
            QVERIFY(printed->rows == c.rows);
            QCOMPARE(findNamed<QLabel>(history, "lblFound")
                         ->text()
                         .contains(QLatin1String("made before charts kept their rows")),
                     c.chartedAgain);
        }
        QVERIFY(seams.messages.isEmpty());
        QCOMPARE(fileBytes(QStringLiteral("QRTMembers.mdb")), before);

        QVERIFY(runSql("UPDATE ChartHistory SET Rows = x'00' WHERE SerialNo = 'K-1'"));
        printed.reset();
        findNamed<QPushButton>(history, "cmdReprint")->click();
        QVERIFY(!printed);
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY(seams.messages.takeFirst().contains(QLatin1String("cannot be reprinted")));
    }
}

DIPSHEET_APP_TEST_MAIN(TestHistory)
// What a search meets in the file never ends the program: a busy file leaves the list and says
// why under it; a search index gone or out of step is rebuilt from the history, said in the
// notice bar, and the search finds what it should.
void TestHistory::searchTroubleIsNeverFatal() {
    auto scratch = scratchDatabase();
    {
        dipsheet::store::Database db;
        chart::Tank tank;
        tank.increment = std::string("1");
        tank.diameter = std::string("48");
        tank.length = std::string("96");
        const chart::Tank::Chart made = tank.chart();
        for (const char* serial : {"K-101", "K-202"}) {
            db.writeHeading("Harbour Oils", "diesel", serial);
            db.replaceChart(std::span(made.rows).subspan(1), {tank.describe(), made.full, tank});
        }
    }
    Seams seams;
    Program program(seams);
    QVERIFY(program.start());
    findNamed<QPushButton>(program.chart(), "cmdHistory")->click();
    PastChartsWindow* history = program.main->historyWindow();
    QVERIFY(history);
    QCOMPARE(findNamed<QTableView>(history, "grdHistory")->model()->rowCount(), 2);

    struct Trouble {
        const char* name;
        const char* arrange;  // behind the program's back
        const char* search;
        int found;              // rows listed after the search (-1: the list as it was)
        const char* saidUnder;  // in the line under the list
        bool notice;            // the notice bar says the index was rebuilt
    };
    const Trouble troubles[] = {
        {"index dropped", "DROP TABLE ChartHistorySearch", "k-20", 1, "1 chart", true},
        {"index out of step", "DELETE FROM ChartHistorySearch WHERE rowid = 1", "k-10", 1,
         "1 chart", true},
        {"file busy", nullptr, "harbour", -1, "could not be searched: another program is using",
         false},
    };
    for (const Trouble& t : troubles) {
        program.main->job().tell({});
        if (t.arrange)
            QVERIFY(runSql(t.arrange));
        std::unique_ptr<sqlite3, decltype(&sqlite3_close)> holder(nullptr, &sqlite3_close);
        if (!t.arrange) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open("QRTMembers.mdb", &db), SQLITE_OK);
            holder.reset(db);
            QCOMPARE(sqlite3_exec(db, "BEGIN EXCLUSIVE; DELETE FROM Capacity;", nullptr, nullptr,
                                  nullptr),
                     SQLITE_OK);
        }
        const int before = findNamed<QTableView>(history, "grdHistory")->model()->rowCount();
        findNamed<QLineEdit>(history, "txtSearch")->clear();
        QTest::keyClicks(findNamed<QLineEdit>(history, "txtSearch"), QString::fromLatin1(t.search));
        QCOMPARE(findNamed<QTableView>(history, "grdHistory")->model()->rowCount(),
                 t.found < 0 ? before : t.found);
        QVERIFY2(
            findNamed<QLabel>(history, "lblFound")->text().contains(QLatin1String(t.saidUnder)),
            qPrintable(QStringLiteral("%1: %2").arg(
                t.name, findNamed<QLabel>(history, "lblFound")->text())));
        QCOMPARE(program.main->noticeBar()->isVisible(), t.notice);
        QCOMPARE(program.main->job().notice() == dipsheet::document::indexRebuiltNotice(),
                 t.notice);
    }
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QVERIFY(seams.ends.isEmpty());
}

// A heading corrected after Calculate and printed from the chart window with Ullage and % Full
// shown: the page, the window and the chart's history row all carry the corrected heading, no row
// is added, and Reprint gives the page as it was handed out, site columns and all.
void TestHistory::chartPrintedUnderACorrectedHeadingIsKeptUnderIt() {
    auto scratch = scratchDatabase();
    QVERIFY(copyDefinitions());
    std::optional<report::Report> printed;
    Seams seams;
    seams.onPreview = [&](const report::Report& r) { printed = r; };
    Program program(seams);
    QVERIFY(program.start());
    const auto typeCustomer = [&](const QString& text) {
        QPlainTextEdit* field = findNamed<QPlainTextEdit>(program.customer(), "txtCustomer");
        clickInto(field);
        field->selectAll();
        QTest::keyClicks(field, text);
    };
    typeCustomer(QStringLiteral("Harbour Oils"));
    typeInto(findNamed<QLineEdit>(program.chart(), "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(program.chart()->horizontalPanel(), "txtDiameter"),
             QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(program.chart()->horizontalPanel(), "txtLength"),
             QStringLiteral("96"));
    QTest::mouseClick(findNamed<QPushButton>(program.chart(), "cmdCalculate"), Qt::LeftButton);
    auto* window = program.main->chartWindow();
    QVERIFY2(window, qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QCOMPARE(scalar("SELECT Customer FROM ChartHistory"), QByteArray("Harbour Oils"));

    typeCustomer(QStringLiteral("Harbour Oils Ltd"));
    window->showUllage(true);
    QTest::mouseClick(findNamed<QPushButton>(window, "cmdPrint"), Qt::LeftButton);
    QVERIFY(printed);
    QVERIFY(printed->definition.ullage && printed->definition.percent);
    QCOMPARE(QString::fromStdString(printed->job.customer), QStringLiteral("Harbour Oils Ltd"));
    QCOMPARE(findNamed<QLabel>(window, "lblCustomer")->text(), QStringLiteral("Harbour Oils Ltd"));
    QCOMPARE(scalar("SELECT count(*) || '|' || Customer FROM ChartHistory"),
             QByteArray("1|Harbour Oils Ltd"));
    program.main->showHistory();
    QTest::keyClicks(findNamed<QLineEdit>(program.main->historyWindow(), "txtSearch"),
                     QStringLiteral("oils ltd"));
    QCOMPARE(
        findNamed<QTableView>(program.main->historyWindow(), "grdHistory")->model()->rowCount(), 1);
    printed.reset();
    findNamed<QPushButton>(program.main->historyWindow(), "cmdReprint")->click();
    QVERIFY2(printed, qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QVERIFY(printed->definition.ullage && printed->definition.percent);
    QCOMPARE(printed->definitionName, QStringLiteral("indipsheet.rpt"));
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}

#include "tst_history.moc"

// A chart by volume, chosen beside the increment: Calculate shows it in the chart window with
// the capacity first (grid, copy and CSV alike), keeps it in the history with its choice, and
// it comes back from there and reprints as it was made.
void TestHistory::chartByVolumeGoesTheWholeWay() {
    auto scratch = scratchDatabase();
    QVERIFY(copyDefinitions());
    Seams seams;
    std::optional<report::Report> printed;
    seams.onPreview = [&](const report::Report& r) { printed = r; };
    Program program(seams);
    QVERIFY(program.start());
    Typed cyl;
    cyl.increment = QStringLiteral("100");
    cyl.fields = {{"txtDiameter", QStringLiteral("48")}, {"txtLength", QStringLiteral("96")}};
    cyl.heads = 1;  // 2:1
    type(program, cyl);
    ChartOptionsPanel* c = program.chart();
    findNamed<QComboBox>(c, "cboStep")->setFocus();
    QTest::keyClick(findNamed<QComboBox>(c, "cboStep"),
                    Qt::Key_Down);  // "by volume", as the keyboard chooses it
    QCOMPARE(findNamed<QLabel>(c, "Label2")->text(), QStringLiteral("Volume step (US gal)"));
    const chart::Tank tank = c->tank();
    QVERIFY(tank.byVolume);
    QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
    auto* window = program.main->chartWindow();
    QVERIFY2(window, qPrintable(seams.messages.join(QLatin1Char('\n'))));

    const chart::ChartRows made = tank.chart().rows;
    const auto table = chart::depthsByVolume(tank.volume(), "100");
    QCOMPARE(made.size(), table.size() + 1);  // no step at the plate for this tank
    const auto stored = scratch->capacity();
    QCOMPARE(stored.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i)
        QVERIFY(stored[i] == (std::array<float, 2>{table[i].depth, table[i].volume}));
    const QAbstractItemModel* grid = findNamed<QTableView>(window, "dbgCapacity")->model();
    QCOMPARE(grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Capacity"));
    QCOMPARE(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Depth"));
    QCOMPARE(grid->index(0, 0).data().toString(), QStringLiteral("100"));
    QCOMPARE(grid->index(0, 1).data().toString(),
             QString::fromStdString(chart::singleText(table[0].depth)));
    findNamed<QTableView>(window, "dbgCapacity")->selectRow(0);  // what Ctrl+C copies
    QVERIFY2(window->selectedRowsText().startsWith(QStringLiteral("Capacity\tDepth\n100\t")),
             qPrintable(window->selectedRowsText()));
    QVERIFY(findNamed<QLabel>(window, "lblSetup")
                ->text()
                .contains(QStringLiteral("; volume step 100 US gal")));

    const QString csvPath = QDir::current().filePath(QStringLiteral("by-volume.csv"));
    seams.saveAs = [&](const QString&, const QString&, const QString&) { return csvPath; };
    window->saveAsCsv();
    QVERIFY(fileBytes(csvPath).startsWith("Capacity,Depth\n100,"));

    // Kept with its choice, listed with it, and reprinted by volume.
    QCOMPARE(scalar("SELECT count(*) FROM ChartHistory").toInt(), 1);
    QVERIFY(scalar("SELECT Tank FROM ChartHistory").contains("; by-volume=100;"));
    QTest::mouseClick(findNamed<QPushButton>(window, "cmdExit"), Qt::LeftButton);
    findNamed<QPushButton>(c, "cmdHistory")->click();
    PastChartsWindow* history = program.main->historyWindow();
    QVERIFY(history);
    const QString listed =
        findNamed<QTableView>(history, "grdHistory")->model()->index(0, 4).data().toString();
    QVERIFY2(listed.endsWith(QStringLiteral(", by volume 100 US gal")), qPrintable(listed));
    findNamed<QPushButton>(history, "cmdReprint")->click();
    QVERIFY2(printed, qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QVERIFY(printed->setup && printed->setup->tank && printed->setup->tank->byVolume);
    QVERIFY(printed->rows == table);
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
}
