// Past Charts: every chart calculated comes back after a restart, on the panels and from the
// history window, as the same chart.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app_testing.h"
#include "form1.h"
#include "frmcapacity.h"
#include "frmhistory.h"

using namespace app_testing;
using dipsheet::app::FrmHistory;
using dipsheet::setup::FrmChart;
namespace chart = dipsheet::chart;

namespace {

// A tank as the user types it, field by field, by object name.
struct Typed {
    bool vertical = false, rectangular = false, millimetres = false, outside = false;
    bool striker = true;
    QString increment;
    QList<std::pair<const char*, QString>> fields;  // dimension fields of the panel on screen
    int heads = 0;                                  // index in the heads list
    QString headDepth;
};

QList<Typed> everyShapeAndHeadKind() {
    QList<Typed> tanks;
    Typed rect;
    rect.rectangular = rect.millimetres = rect.outside = true;
    rect.increment = QStringLiteral("100");
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

private:
    // Types `tank` into the panels of the started program, as a user would.
    static void type(Program& program, const Typed& tank);
};

void TestHistory::type(Program& program, const Typed& tank) {
    MdiForm1* main = program.main;
    FrmChart* c = program.chart();
    clickOption(main->form1->optHV[tank.vertical ? 1 : 0]);
    if (!tank.vertical)
        clickOption(tank.rectangular ? c->optRectangular : c->optCylindrical);
    clickOption(tank.millimetres ? c->optMillimeters : c->optInches);
    clickOption(tank.outside ? c->optOutside : c->optInside);
    if (c->chkStriker->isChecked() != tank.striker)
        clickOption(c->chkStriker);
    typeInto(c->txtIncrement, tank.increment);
    for (const auto& [name, text] : tank.fields)
        typeInto(c->currentPanel()->findChild<QLineEdit*>(QLatin1String(name)), text);
    if (!tank.rectangular) {
        c->frmHeads()
            ->findChild<QComboBox*>(QStringLiteral("cboHeads"))
            ->setCurrentIndex(tank.heads);
        if (!tank.headDepth.isEmpty())
            typeInto(c->frmHeads()->findChild<QLineEdit*>(QStringLiteral("txtHeadDepth")),
                     tank.headDepth);
    }
}

// Calculate → Exit → restart: the panels hold the tank again; Past Charts, the serial number and
// Enter give the same rows and the same set-up line, for every shape and head kind.
void TestHistory::chartComesBackAfterARestart() {
    auto scratch = scratchDatabase();
    Seams seams;
    const QList<Typed> tanks = everyShapeAndHeadKind();
    for (qsizetype i = 0; i < tanks.size(); ++i) {
        const QString serial = QStringLiteral("T-%1").arg(i);
        QVERIFY(runSql(QStringLiteral("UPDATE mrQRT SET mrSerialNo = '%1'").arg(serial).toUtf8()));
        chart::Tank made;
        std::vector<std::array<float, 2>> rows;
        QString setupLine;
        {
            Program program;
            QVERIFY(program.start());
            type(program, tanks[i]);
            made = program.chart()->tank();
            QTest::mouseClick(program.chart()->cmdCalculate, Qt::LeftButton);
            auto* window = program.main->chartWindow();
            QVERIFY2(window, qPrintable(seams.messages.join(QLatin1Char('\n'))));
            rows = scratch->capacity();
            setupLine = window->lblSetup->text();
            QTest::mouseClick(window->cmdExit, Qt::LeftButton);
            QVERIFY(scratch->capacity().empty());
        }
        Program again;
        QVERIFY(again.start());
        QVERIFY2(again.chart()->tank() == made, made.describe().c_str());
        QTest::keyClick(again.main, Qt::Key_H, Qt::ControlModifier);
        FrmHistory* history = again.main->historyWindow();
        QVERIFY(history);
        QTest::keyClicks(history->txtSearch, serial.toLower());
        QCOMPARE(history->grdHistory->model()->rowCount(), 1);
        QTest::keyClick(history->txtSearch, Qt::Key_Return);
        QVERIFY(again.main->chartWindow());
        QCOMPARE(scratch->capacity(), rows);
        QCOMPARE(again.main->chartWindow()->lblSetup->text(), setupLine);
        QCOMPARE(again.customer()->txtSerialNo->text(), serial);
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
    Program program;
    QVERIFY(program.start());
    QVERIFY(program.chart()->txtIncrement->text().isEmpty());  // nothing restored
    program.chart()->cmdHistory->click();
    FrmHistory* history = program.main->historyWindow();
    QVERIFY(history);
    const QAbstractItemModel* list = history->grdHistory->model();
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->index(0, 4).data().toString(), QStringLiteral("cannot be read"));
    const QByteArray before = fileBytes(QStringLiteral("QRTMembers.mdb"));
    for (QPushButton* button : {history->cmdLoad, history->cmdReprint}) {
        button->click();
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY(seams.messages.takeFirst().contains(QLatin1String("cannot be read")));
    }
    QVERIFY(!program.main->chartWindow());
    QCOMPARE(fileBytes(QStringLiteral("QRTMembers.mdb")), before);
}

DIPSHEET_APP_TEST_MAIN(TestHistory)
#include "tst_history.moc"
