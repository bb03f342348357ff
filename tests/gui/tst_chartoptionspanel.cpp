// The chart options panel as the user meets it: its controls at start, the shape and
// Inside/Outside choices steering the dimension panels, the increment field, Calculate for each
// tank kind writing the chart to the job database, refusals of bad input, and Exit.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <limits>

#include <memory>
#include <optional>
#include <string>

#include "chart.h"
#include "chartoptionspanel.h"
#include "headspanel.h"
#include "setup_testing.h"
#include "store.h"
#include "ui.h"

using dipsheet::setup::ChartOptionsPanel;
using dipsheet::setup::CylinderPanel;
using namespace setup_testing;
namespace ui = dipsheet::ui;
namespace chart = dipsheet::chart;
namespace store = dipsheet::store;

class TestChartOptionsPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void initialState();
    void shapeChoiceKeepsOnePanelInView();
    void insideAndOutsideOnlyChangeThePanelInView();
    void unitAndStrikerLeaveCalculateAlone();
    void leavingTheIncrementGoesToTheFirstDimension();
    void tabReachesOnlyTheChosenOptionOfEachGroup();
    void calculateStoresTheChart_data();
    void calculateStoresTheChart();
    void verticalTankIgnoresTheShapeChoice();
    void secondCalculateReplacesTheChart();
    void badInputIsRefusedWithAMessage_data();
    void badInputIsRefusedWithAMessage();
    void missingDatabaseReachesTheFatalPath();
    void exitAsksTheOwner();
    void headsFollowTheTankOnScreen();
    void storedTankShowsInTheUsersNumberFormat();
    void unitSwitchKeepsTheFiguresAndOffersToConvert();

private:
    // Types a tank into the panel of its kind and sets the options, as the user would.
    void enterTank(const QString& tank, bool outside, bool inches, bool striker,
                   const QString& increment, const QStringList& fields);
    static QString lastRowText(const chart::ChartRows& rows);
    // The Capacity rows in the database are exactly rows 1..N of `rows`, bit for bit.
    void verifyStored(const chart::ChartRows& rows);

    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Host> m_host;
    ChartOptionsPanel* m_chart = nullptr;
    std::unique_ptr<gui_testing::HandedOutside> m_outside;
    QStringList m_messages;
    QStringList m_events;
    QStringList m_questions;  // asked with Yes, No and Cancel
    ui::Answer m_answer = ui::Answer::No;
};

void TestChartOptionsPanel::initTestCase() {
    QApplication::setStyle(ui::programStyle());
}

void TestChartOptionsPanel::init() {
    m_messages.clear();
    m_events.clear();
    m_questions.clear();
    m_answer = ui::Answer::No;
    m_outside = std::make_unique<gui_testing::HandedOutside>();
    m_outside->onMessage = [this](const QString& text) { m_messages << text; };
    m_outside->answerYesNoCancel = [this](const QString& question) {
        m_questions << question;
        return m_answer;
    };
    m_outside->onEnd = [this](int status) { m_events << QStringLiteral("end %1").arg(status); };
    m_scratch = std::make_unique<ScratchDatabase>();
    QString error;
    QVERIFY2(m_scratch->create(&error), qPrintable(error));
    m_host = std::make_unique<Host>();
    m_chart = m_host->chart;
    connect(m_chart, &ChartOptionsPanel::chartStored, this, [this](const store::ChartSetup& setup) {
        m_events << QStringLiteral("stored %1").arg(setup.tank->inches ? "in" : "mm");
    });
    connect(m_chart, &ChartOptionsPanel::exitRequested, this,
            [this] { m_events << QStringLiteral("exitRequested"); });
}

void TestChartOptionsPanel::cleanup() {
    m_host.reset();
    m_scratch.reset();
    m_outside.reset();
}

void TestChartOptionsPanel::initialState() {
    ChartOptionsPanel* c = m_chart;
    QCOMPARE(c->objectName(), QStringLiteral("frmChart"));
    QCOMPARE(c->size(), ui::twipsRect(0, 0, 4680, 2925).size());
    QCOMPARE(c->parentWidget(), &m_host->window);
    for (QWidget* panel :
         {static_cast<QWidget*>(c->rectangularPanel()), static_cast<QWidget*>(c->horizontalPanel()),
          static_cast<QWidget*>(c->verticalPanel())}) {
        QCOMPARE(panel->parentWidget(), &m_host->window);
    }

    // Every control under its own name, with caption, place and tooltip.
    struct Control {
        const char* name;
        const char* caption;
        int left, top, width, height;
        const char* tip;
    };
    const Control controls[] = {
        {"frmConfiguration", "Configuration", 0, 120, 1515, 1215, ""},
        {"optCylindrical", "Cylindrical", 120, 360, 1335, 255, ""},
        {"optRectangular", "Rectangular", 120, 720, 1335, 255, ""},
        {"frmUnits", "Units", 1560, 120, 1515, 1215, ""},
        {"optInches", "Inches", 120, 360, 1335, 255, ""},
        {"optMillimeters", "Millimeters", 120, 720, 1335, 255, ""},
        {"frmDimension", "Dimensions", 3120, 120, 1515, 1215, ""},
        {"optOutside", "Outside", 120, 360, 1335, 255, "Requires input of Thicknesses"},
        {"optInside", "Inside", 120, 720, 1335, 255, ""},
        {"chkStriker", "Allow for Striker Plate", 720, 1440, 1800, 255,
         "Check if Striker Plate exists"},
        {"txtIncrement", "", 2640, 1800, 1215, 285,
         "Enter fractional increments as decimal (i.e. 1/8 = .125)"},
        {"cmdCalculate", "Calculate", 360, 2280, 1215, 495, "Type an increment greater than 0"},
        {"cmdExit", "Exit", 3120, 2280, 1215, 495, ""},
        {"Label2", "Incremental distance", 720, 1800, 1875, 255, ""},
    };
    for (const Control& k : controls) {
        auto* w = c->findChild<QWidget*>(QLatin1String(k.name));
        QVERIFY2(w, k.name);
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            caption = b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w))
            caption = g->title();
        if (auto* l = qobject_cast<QLabel*>(w))
            caption = l->text();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            caption = e->text();
        QCOMPARE(caption, QString::fromLatin1(k.caption));
        QCOMPARE(w->geometry(), ui::twipsRect(k.left, k.top, k.width, k.height));
        QCOMPARE(w->toolTip(), QString::fromLatin1(k.tip));
    }
    QCOMPARE(findNamed<QRadioButton>(c, "optCylindrical")->parentWidget(),
             findNamed<QGroupBox>(c, "frmConfiguration"));
    QCOMPARE(findNamed<QRadioButton>(c, "optMillimeters")->parentWidget(),
             findNamed<QGroupBox>(c, "frmUnits"));
    QCOMPARE(findNamed<QRadioButton>(c, "optInside")->parentWidget(),
             findNamed<QGroupBox>(c, "frmDimension"));

    // Cylindrical, Inches, Inside, striker plate, no increment, Calculate disabled and grey.
    QVERIFY(findNamed<QRadioButton>(c, "optCylindrical")->isChecked() &&
            !findNamed<QRadioButton>(c, "optRectangular")->isChecked());
    QVERIFY(findNamed<QRadioButton>(c, "optInches")->isChecked() &&
            !findNamed<QRadioButton>(c, "optMillimeters")->isChecked());
    QVERIFY(findNamed<QRadioButton>(c, "optInside")->isChecked() &&
            !findNamed<QRadioButton>(c, "optOutside")->isChecked());
    QCOMPARE(findNamed<QCheckBox>(c, "chkStriker")->checkState(), Qt::Checked);
    QVERIFY(findNamed<QLineEdit>(c, "txtIncrement")->text().isEmpty());
    QCOMPARE(findNamed<QLineEdit>(c, "txtIncrement")->maxLength(),
             std::numeric_limits<int>::max());  // no limit
    QVERIFY(!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
    QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdCalculate")), ui::colour::lightGrey);
    QVERIFY(findNamed<QPushButton>(c, "cmdExit")->isEnabled());
    QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdExit")), ui::colour::green);
    QCOMPARE(ui::background(c), ui::colour::blue);
    QCOMPARE(ui::background(findNamed<QLineEdit>(c, "txtIncrement")), ui::colour::white);
    QCOMPARE(findNamed<QRadioButton>(c, "optInches")->palette().color(QPalette::WindowText),
             ui::colour::white);

    // The horizontal cylinder panel is the one in view, without its thickness rows.
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmCylindrical")});
    QVERIFY(findNamed<QLineEdit>(c->horizontalPanel(), "txtHeadThickness")->isHidden());
    QVERIFY(findNamed<QLabel>(c->horizontalPanel(), "Label4")->isHidden());
    QVERIFY(m_host->showActive());
    QVERIFY(c->isVisible() && c->horizontalPanel()->isVisible());
    QVERIFY(!c->rectangularPanel()->isVisible() && !c->verticalPanel()->isVisible());
    QVERIFY(m_messages.isEmpty());
}

void TestChartOptionsPanel::shapeChoiceKeepsOnePanelInView() {
    ChartOptionsPanel* c = m_chart;
    auto* cyl = c->horizontalPanel();
    auto* rect = c->rectangularPanel();
    QVERIFY(m_host->showActive());
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));

    clickOption(findNamed<QRadioButton>(c, "optOutside"));
    QVERIFY(!findNamed<QLabel>(cyl, "Label3")->isHidden() &&
            !findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden());
    QVERIFY(!findNamed<QLabel>(cyl, "Label4")->isHidden() &&
            !findNamed<QLineEdit>(cyl, "txtShellThickness")->isHidden());

    // Rectangular comes up with its thickness row already shown; focus stays on the panel.
    clickOption(findNamed<QRadioButton>(c, "optRectangular"));
    QVERIFY(findNamed<QRadioButton>(c, "optRectangular")->isChecked() &&
            !findNamed<QRadioButton>(c, "optCylindrical")->isChecked());
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmRectangular")});
    QVERIFY(!findNamed<QLabel>(rect, "Label4")->isHidden() &&
            !findNamed<QLineEdit>(rect, "txtThickness")->isHidden());
    QVERIFY(c->isAncestorOf(QApplication::focusWidget()));
    typeInto(findNamed<QLineEdit>(rect, "txtLength"), QStringLiteral("10"));

    clickOption(findNamed<QRadioButton>(c, "optInside"));
    QVERIFY(findNamed<QLineEdit>(rect, "txtThickness")->isHidden());
    clickOption(findNamed<QRadioButton>(c, "optCylindrical"));
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmCylindrical")});
    QVERIFY(findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden() &&
            findNamed<QLineEdit>(cyl, "txtShellThickness")->isHidden());
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtDiameter")->text(), QStringLiteral("48"));
    clickOption(findNamed<QRadioButton>(c, "optRectangular"));
    QCOMPARE(findNamed<QLineEdit>(rect, "txtLength")->text(), QStringLiteral("10"));
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmRectangular")});

    // Orientation round trip: vertical, then horizontal brings back the chosen shape only.
    c->applyOrientation(false);
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmVertical")});
    c->applyOrientation(true);
    QCOMPARE(panelsInView(c), QStringList{QStringLiteral("frmRectangular")});
    QVERIFY(m_messages.isEmpty());
}

void TestChartOptionsPanel::insideAndOutsideOnlyChangeThePanelInView() {
    ChartOptionsPanel* c = m_chart;
    auto* cyl = c->horizontalPanel();
    auto* rect = c->rectangularPanel();
    auto* vert = c->verticalPanel();
    clickOption(findNamed<QRadioButton>(c, "optOutside"));
    findNamed<QLineEdit>(cyl, "txtHeadThickness")->setText(QStringLiteral(".25"));
    findNamed<QLineEdit>(cyl, "txtShellThickness")->setText(QStringLiteral(".375"));

    // Inside hides the rows and keeps their texts; Outside shows the same texts again.
    clickOption(findNamed<QRadioButton>(c, "optInside"));
    QVERIFY(findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden() &&
            findNamed<QLabel>(cyl, "Label3")->isHidden());
    QVERIFY(findNamed<QLineEdit>(cyl, "txtShellThickness")->isHidden() &&
            findNamed<QLabel>(cyl, "Label4")->isHidden());
    clickOption(findNamed<QRadioButton>(c, "optOutside"));
    QVERIFY(!findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden() &&
            !findNamed<QLineEdit>(cyl, "txtShellThickness")->isHidden());
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtHeadThickness")->text(), QStringLiteral(".25"));
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtShellThickness")->text(), QStringLiteral(".375"));

    // The hidden panels are not touched until they are next shown.
    QVERIFY(findNamed<QLineEdit>(rect, "txtThickness")->isHidden());
    QVERIFY(findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden());

    // With the tank vertical, the choice applies to the vertical panel.
    c->applyOrientation(false);
    QVERIFY(!findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden() &&
            !findNamed<QLabel>(vert, "Label3")->isHidden());
    clickOption(findNamed<QRadioButton>(c, "optInside"));
    QVERIFY(findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden() &&
            findNamed<QLineEdit>(vert, "txtShellThickness")->isHidden());
    QVERIFY(!findNamed<QLineEdit>(cyl, "txtHeadThickness")
                 ->isHidden());  // hidden panel keeps its rows as they were
}

void TestChartOptionsPanel::unitAndStrikerLeaveCalculateAlone() {
    ChartOptionsPanel* c = m_chart;
    auto* cyl = c->horizontalPanel();
    for (const bool complete : {false, true}) {
        typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("1"));
        typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"),
                 complete ? QStringLiteral("48") : QString());
        typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("120"));
        QCOMPARE(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled(), complete);
        const QColor face = ui::background(findNamed<QPushButton>(c, "cmdCalculate"));
        clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
        clickOption(findNamed<QCheckBox>(c, "chkStriker"));
        QVERIFY(findNamed<QRadioButton>(c, "optMillimeters")->isChecked());
        QCOMPARE(findNamed<QCheckBox>(c, "chkStriker")->checkState(), Qt::Unchecked);
        QCOMPARE(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled(), complete);
        QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdCalculate")), face);
        clickOption(findNamed<QRadioButton>(c, "optInches"));
        clickOption(findNamed<QCheckBox>(c, "chkStriker"));
        QCOMPARE(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled(), complete);
        QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdCalculate")), face);
    }
}

// The keyboard order: one stop per group of options, on the chosen one; arrows change the
// choice within a group, and the stop moves with it.
void TestChartOptionsPanel::tabReachesOnlyTheChosenOptionOfEachGroup() {
    ChartOptionsPanel* c = m_chart;
    QVERIFY(m_host->showActive());
    findNamed<QRadioButton>(c, "optCylindrical")->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QRadioButton>(c, "optCylindrical"));
    const QList<QWidget*> forward = {
        findNamed<QRadioButton>(c, "optInches"), findNamed<QRadioButton>(c, "optInside"),
        findNamed<QCheckBox>(c, "chkStriker"), findNamed<QComboBox>(c, "cboStep"),
        findNamed<QLineEdit>(c, "txtIncrement")};
    for (QWidget* next : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
    findNamed<QCheckBox>(c, "chkStriker")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(findNamed<QCheckBox>(c, "chkStriker"), Qt::Key_Backtab);
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QRadioButton>(c, "optInside"));

    // Up chooses Outside, which shows the thickness rows as a click would.
    QTest::keyClick(findNamed<QRadioButton>(c, "optInside"), Qt::Key_Up);
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QRadioButton>(c, "optOutside"));
    QVERIFY(findNamed<QRadioButton>(c, "optOutside")->isChecked());
    QVERIFY(!findNamed<QLineEdit>(c->horizontalPanel(), "txtHeadThickness")->isHidden());
    findNamed<QRadioButton>(c, "optInches")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(findNamed<QRadioButton>(c, "optInches"), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QRadioButton>(c, "optOutside"));
    // A click still puts the focus on an option that is not chosen.
    clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QRadioButton>(c, "optMillimeters"));
}

void TestChartOptionsPanel::leavingTheIncrementGoesToTheFirstDimension() {
    ChartOptionsPanel* c = m_chart;
    QVERIFY(m_host->showActive());
    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtLength"), QStringLiteral("120"));
    QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")
                ->isEnabled());  // Tab would otherwise reach Calculate

    const auto leaveIncrementByTab = [c] {
        findNamed<QLineEdit>(c, "txtIncrement")->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(findNamed<QLineEdit>(c, "txtIncrement"), Qt::Key_Tab);
    };
    leaveIncrementByTab();
    QTRY_COMPARE(QApplication::focusWidget(),
                 findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter"));
    // The first field is entered like any other: its whole text is selected.
    QTRY_COMPARE(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter")->selectedText(),
                 QStringLiteral("48"));

    clickOption(findNamed<QRadioButton>(c, "optRectangular"));
    leaveIncrementByTab();
    QTRY_COMPARE(QApplication::focusWidget(),
                 findNamed<QLineEdit>(c->rectangularPanel(), "txtLength"));

    c->applyOrientation(false);
    leaveIncrementByTab();
    QTRY_COMPARE(QApplication::focusWidget(),
                 findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter"));

    // Shift+Tab goes back to the step's choice, where the user aimed; nothing is reported.
    findNamed<QLineEdit>(c, "txtIncrement")->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(findNamed<QLineEdit>(c, "txtIncrement"), Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::qWait(20);
    QCOMPARE(QApplication::focusWidget(), findNamed<QComboBox>(c, "cboStep"));
    QVERIFY(m_messages.isEmpty());
}

void TestChartOptionsPanel::enterTank(const QString& tank, bool outside, bool inches, bool striker,
                                      const QString& increment, const QStringList& fields) {
    ChartOptionsPanel* c = m_chart;
    clickOption(outside ? findNamed<QRadioButton>(c, "optOutside")
                        : findNamed<QRadioButton>(c, "optInside"));
    clickOption(inches ? findNamed<QRadioButton>(c, "optInches")
                       : findNamed<QRadioButton>(c, "optMillimeters"));
    if (findNamed<QCheckBox>(c, "chkStriker")->isChecked() != striker)
        clickOption(findNamed<QCheckBox>(c, "chkStriker"));
    QList<QLineEdit*> edits;
    if (tank == QLatin1String("rect")) {
        clickOption(findNamed<QRadioButton>(c, "optRectangular"));
        auto* p = c->rectangularPanel();
        edits = {findNamed<QLineEdit>(p, "txtLength"), findNamed<QLineEdit>(p, "txtWidth"),
                 findNamed<QLineEdit>(p, "txtHeight"), findNamed<QLineEdit>(p, "txtThickness")};
    } else if (tank == QLatin1String("cyl")) {
        clickOption(findNamed<QRadioButton>(c, "optCylindrical"));
        auto* p = c->horizontalPanel();
        edits = {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
                 findNamed<QLineEdit>(p, "txtHeadThickness"),
                 findNamed<QLineEdit>(p, "txtShellThickness")};
    } else {
        c->applyOrientation(false);
        auto* p = c->verticalPanel();
        edits = {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
                 findNamed<QLineEdit>(p, "txtHeadThickness"),
                 findNamed<QLineEdit>(p, "txtShellThickness")};
    }
    for (int i = 0; i < 4; ++i)
        typeInto(edits[i], fields.value(i));
    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), increment);
}

// The last row of a chart as the chart tool prints it: depth,volume in shortest texts.
QString TestChartOptionsPanel::lastRowText(const chart::ChartRows& rows) {
    return QString::fromStdString(chart::singleText(rows.back().depth)) + QLatin1Char(',') +
           QString::fromStdString(chart::singleText(rows.back().volume));
}

void TestChartOptionsPanel::verifyStored(const chart::ChartRows& rows) {
    const std::vector<chart::CapacityRow> stored = store::Database().readCapacity();
    QCOMPARE(stored.size(), rows.size() - 1);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        // Bit for bit: the stored singles are the computed ones, never rounded for display.
        if (stored[i].depth != rows[i + 1].depth || stored[i].volume != rows[i + 1].volume) {
            QFAIL(qPrintable(QStringLiteral("row %1: stored (%2, %3), computed (%4, %5)")
                                 .arg(i + 1)
                                 .arg(double(stored[i].depth), 0, 'g', 9)
                                 .arg(double(stored[i].volume), 0, 'g', 9)
                                 .arg(double(rows[i + 1].depth), 0, 'g', 9)
                                 .arg(double(rows[i + 1].volume), 0, 'g', 9)));
        }
    }
}

void TestChartOptionsPanel::calculateStoresTheChart_data() {
    QTest::addColumn<QString>("tank");
    QTest::addColumn<bool>("outside");
    QTest::addColumn<bool>("inches");
    QTest::addColumn<bool>("striker");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<QString>("lastRow");  // depth,volume as the chart tool prints them

    QTest::newRow("rectangular inside, inches, no striker")
        << "rect" << false << true << false << "1" << QStringList{"10", "20", "10", ""} << 10
        << "10,8.657408";
    QTest::newRow("rectangular inside, inches, striker")
        << "rect" << false << true << true << "1" << QStringList{"10", "20", "10", ""} << 9
        << "9,8.008102";
    QTest::newRow("rectangular outside, millimetres, striker")
        << "rect" << true << false << true << "10" << QStringList{"1010", "2010", "1010", "5"} << 99
        << "990,1992";
    QTest::newRow("cylinder inside, inches, striker, .125")
        << "cyl" << false << true << true << ".125" << QStringList{"48", "120", "", ""} << 382
        << "47.75,939.9646";
    QTest::newRow("cylinder outside, millimetres, no striker")
        << "cyl" << true << false << false << "7" << QStringList{"1212", "3000", "6", "6"} << 171
        << "1197,3378.6316";
    QTest::newRow("cylinder increment 0.1 running sums")
        << "cyl" << false << true << false << "0.1" << QStringList{"10", "40", "", ""} << 99
        << "9.900002,13.576009";
    QTest::newRow("vertical inside, inches, striker")
        << "vert" << false << true << true << "0.1" << QStringList{"60", "96", "", ""} << 957
        << "95.69911,1174.3329";
    QTest::newRow("vertical outside, millimetres, striker")
        << "vert" << true << false << true << "1" << QStringList{"2012", "3008", "8", "6"} << 2994
        << "2994,9424.778";
    QTest::newRow("the largest chart")
        << "rect" << false << false << false << "1" << QStringList{"100", "100", "32766", ""}
        << 32766 << "32766,327.66";
}

void TestChartOptionsPanel::calculateStoresTheChart() {
    QFETCH(QString, tank);
    QFETCH(bool, outside);
    QFETCH(bool, inches);
    QFETCH(bool, striker);
    QFETCH(QString, increment);
    QFETCH(QStringList, fields);
    QFETCH(int, rowCount);
    QFETCH(QString, lastRow);

    enterTank(tank, outside, inches, striker, increment, fields);
    QVERIFY(findNamed<QPushButton>(m_chart, "cmdCalculate")->isEnabled());
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);

    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    QCOMPARE(m_events, QStringList{QStringLiteral("stored %1").arg(inches ? "in" : "mm")});
    const chart::ChartRows& rows = m_chart->chartRows();
    QCOMPARE(int(chart::rowCount(rows)), rowCount);
    QCOMPARE(rowCount > 0 ? lastRowText(rows) : QString(), lastRow);
    verifyStored(rows);
    // Calculate stays enabled after the run.
    QVERIFY(findNamed<QPushButton>(m_chart, "cmdCalculate")->isEnabled());
}

void TestChartOptionsPanel::verticalTankIgnoresTheShapeChoice() {
    // With the Configuration frame hidden the vertical chart is made, whether Cylindrical or
    // Rectangular was chosen for a horizontal tank.
    // Both horizontal panels hold a tank of their own, so a wrong dispatch would show.
    findNamed<QLineEdit>(m_chart->rectangularPanel(), "txtLength")->setText(QStringLiteral("10"));
    findNamed<QLineEdit>(m_chart->rectangularPanel(), "txtWidth")->setText(QStringLiteral("20"));
    findNamed<QLineEdit>(m_chart->rectangularPanel(), "txtHeight")->setText(QStringLiteral("30"));
    findNamed<QLineEdit>(m_chart->horizontalPanel(), "txtDiameter")->setText(QStringLiteral("48"));
    findNamed<QLineEdit>(m_chart->horizontalPanel(), "txtLength")->setText(QStringLiteral("120"));
    for (QRadioButton* shape : {findNamed<QRadioButton>(m_chart, "optRectangular"),
                                findNamed<QRadioButton>(m_chart, "optCylindrical")}) {
        m_events.clear();
        m_chart->applyOrientation(true);
        clickOption(shape);
        enterTank(QStringLiteral("vert"), false, true, false, QStringLiteral("1"),
                  {"60", "96", "", ""});
        QVERIFY(findNamed<QGroupBox>(m_chart, "frmConfiguration")->isHidden());
        QVERIFY(shape->isChecked());
        QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);
        QCOMPARE(m_events, QStringList{QStringLiteral("stored in")});
        QCOMPARE(int(chart::rowCount(m_chart->chartRows())), 96);
        QCOMPARE(lastRowText(m_chart->chartRows()), QStringLiteral("96,1174.9557"));
        verifyStored(m_chart->chartRows());
    }
}

void TestChartOptionsPanel::secondCalculateReplacesTheChart() {
    // A row of depth 0 left in the table is not part of any chart and stays.
    QVERIFY(m_scratch->exec("INSERT INTO Capacity VALUES(0, 0)"));
    enterTank(QStringLiteral("cyl"), false, true, true, QStringLiteral(".5"),
              {"48", "120", "", ""});
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);
    typeInto(findNamed<QLineEdit>(m_chart->horizontalPanel(), "txtDiameter"), QStringLiteral("24"));
    clickOption(findNamed<QRadioButton>(m_chart, "optMillimeters"));
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);

    QCOMPARE(m_events, (QStringList{QStringLiteral("stored in"), QStringLiteral("stored mm")}));
    const chart::ChartRows second = m_chart->chartRows();
    QCOMPARE(int(chart::rowCount(second)), 36);
    QCOMPARE(lastRowText(second), QStringLiteral("18,0.054286722"));  // millimetres now
    const auto stored = store::Database().readCapacity();
    QCOMPARE(stored.size(), std::size_t(37));
    QCOMPARE(stored[0].depth, 0.0f);
    for (std::size_t i = 1; i < stored.size(); ++i) {
        QVERIFY(stored[i].depth == second[i].depth && stored[i].volume == second[i].volume);
    }
}

void TestChartOptionsPanel::badInputIsRefusedWithAMessage_data() {
    QTest::addColumn<QString>("tank");
    QTest::addColumn<bool>("outside");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("named");

    QTest::newRow("cylinder diameter '12 ft'")
        << "cyl" << false << "1" << QStringList{"12 ft", "120", "", ""} << "Diameter";
    QTest::newRow("rectangular length '1/8'")
        << "rect" << false << "1" << QStringList{"1/8", "20", "30", ""} << "Length";
    QTest::newRow("vertical height '7 ft'")
        << "vert" << false << "1" << QStringList{"60", "7 ft", "", ""} << "Height";
    QTest::newRow("outside shell thickness '1/4'")
        << "cyl" << true << "1" << QStringList{"48", "120", ".25", "1/4"} << "Shell Thickness";
    QTest::newRow("thickness leaves no inside")
        << "rect" << true << "1" << QStringList{"10", "20", "30", "5"} << "Length";
    QTest::newRow("below the striker plate")
        << "rect" << false << "1" << QStringList{"10", "20", ".2", ""} << "striker";
    QTest::newRow("increment '1/8'")
        << "cyl" << false << "1/8" << QStringList{"48", "120", "", ""} << ".125";
    QTest::newRow("height within the striker allowance: no row to chart")
        << "vert" << false << "1" << QStringList{"60", "1", "", ""} << "no row to chart";
    QTest::newRow("more rows than a chart holds")
        << "cyl" << false << ".001" << QStringList{"48", "120", "", ""} << "32766";
}

void TestChartOptionsPanel::badInputIsRefusedWithAMessage() {
    QFETCH(QString, tank);
    QFETCH(bool, outside);
    QFETCH(QString, increment);
    QFETCH(QStringList, fields);
    QFETCH(QString, named);

    // The wait cursor while a chart is made, gone before a message and after the chart.
    bool waitedWhileStoring = false, waitAtMessage = false;
    const auto stored = connect(m_chart, &ChartOptionsPanel::chartStored, this, [&] {
        waitedWhileStoring = QApplication::overrideCursor() != nullptr;
    });
    m_outside->onMessage = [&](const QString& text) {
        m_messages << text;
        waitAtMessage = QApplication::overrideCursor() != nullptr;
    };
    const auto restore = qScopeGuard([this, stored] {
        disconnect(stored);
        m_outside->onMessage = [this](const QString& text) { m_messages << text; };
    });

    // A chart already in the table stays as it is.
    enterTank(QStringLiteral("cyl"), false, true, true, QStringLiteral("1"), {"48", "120", "", ""});
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);
    QVERIFY(waitedWhileStoring && !QApplication::overrideCursor());
    const chart::ChartRows first = m_chart->chartRows();
    QCOMPARE(int(chart::rowCount(first)), 47);
    m_events.clear();

    enterTank(tank, outside, true, true, increment, fields);
    QVERIFY2(findNamed<QPushButton>(m_chart, "cmdCalculate")->isEnabled(),
             "the readiness rule lets this text through");
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);

    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!waitAtMessage && !QApplication::overrideCursor());
    QVERIFY2(m_messages[0].contains(named, Qt::CaseInsensitive), qPrintable(m_messages[0]));
    QVERIFY(m_events.isEmpty());  // no chart stored, the program goes on
    QVERIFY(m_chart->chartRows() == first);
    verifyStored(first);
    QVERIFY(findNamed<QPushButton>(m_chart, "cmdCalculate")->isEnabled());
}

void TestChartOptionsPanel::missingDatabaseReachesTheFatalPath() {
    QVERIFY(QFile::remove(QStringLiteral("QRTMembers.mdb")));
    enterTank(QStringLiteral("cyl"), false, true, true, QStringLiteral("1"), {"48", "120", "", ""});
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdCalculate"), Qt::LeftButton);

    // One message with the engine's number and description, then the program ends.
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(QStringLiteral("QRTMembers.mdb")), qPrintable(m_messages[0]));
    QCOMPARE(m_events, QStringList{QStringLiteral("end 1")});
    QVERIFY(!QFile::exists(QStringLiteral("QRTMembers.mdb")));  // never created
}

// The panel asks; the program's end is its owner's (the main window's) to make.
void TestChartOptionsPanel::exitAsksTheOwner() {
    QVERIFY(findNamed<QPushButton>(m_chart, "cmdExit")->isEnabled());
    QTest::mouseClick(findNamed<QPushButton>(m_chart, "cmdExit"), Qt::LeftButton);
    QCOMPARE(m_events, QStringList{QStringLiteral("exitRequested")});
    QVERIFY(m_messages.isEmpty());
}

// The heads panel: shown with the cylinders, hidden with the rectangular tank; each tank keeps
// its own choice; the depth row is hidden for flat heads, shows the depth that follows from the
// inside diameter, or asks for a typed one; Calculate charts the heads chosen.
void TestChartOptionsPanel::headsFollowTheTankOnScreen() {
    ChartOptionsPanel* c = m_chart;
    dipsheet::setup::HeadsPanel* h = c->headsPanel();
    QVERIFY(!h->isHidden());
    QCOMPARE(findNamed<QLabel>(h, "Label1")->text(), QStringLiteral("Heads"));
    QCOMPARE(findNamed<QComboBox>(h, "cboHeads")->currentText(), QStringLiteral("Flat"));
    QVERIFY(findNamed<QLineEdit>(h, "txtHeadDepth")->isHidden());

    enterTank(QStringLiteral("cyl"), true, true, false, QStringLiteral("1"),
              {"49", "96", ".25", ".5"});
    findNamed<QComboBox>(h, "cboHeads")
        ->setCurrentIndex(1);  // 2:1: a quarter of the inside diameter, 48
    QVERIFY(!findNamed<QLineEdit>(h, "txtHeadDepth")->isHidden() &&
            findNamed<QLineEdit>(h, "txtHeadDepth")->isReadOnly());
    QCOMPARE(findNamed<QLineEdit>(h, "txtHeadDepth")->text(), QStringLiteral("12"));
    QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
    findNamed<QComboBox>(h, "cboHeads")->setCurrentIndex(5);  // conical: the depth is typed
    QVERIFY(!findNamed<QLineEdit>(h, "txtHeadDepth")->isReadOnly());
    QCOMPARE(findNamed<QPushButton>(c, "cmdCalculate")->toolTip(),
             QStringLiteral("Type the Head Depth"));
    typeInto(findNamed<QLineEdit>(h, "txtHeadDepth"), QStringLiteral("10"));
    QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());

    clickOption(findNamed<QRadioButton>(c, "optRectangular"));
    QVERIFY(h->isHidden());
    clickOption(findNamed<QRadioButton>(c, "optCylindrical"));
    c->applyOrientation(false);  // the vertical tank keeps a flat bottom of its own
    QCOMPARE(findNamed<QLabel>(h, "Label1")->text(), QStringLiteral("Bottom"));
    QCOMPARE(findNamed<QComboBox>(h, "cboHeads")->currentText(), QStringLiteral("Flat"));
    c->applyOrientation(true);
    QCOMPARE(findNamed<QComboBox>(h, "cboHeads")->currentText(), QStringLiteral("Conical"));
    QCOMPARE(findNamed<QLineEdit>(h, "txtHeadDepth")->text(), QStringLiteral("10"));

    // Conical heads 10 deep less the 0.25 head plate, on a 48 x 96 inside shell: full at 48.
    QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    QCOMPARE(int(chart::rowCount(c->chartRows())), 48);
    QCOMPARE(c->tank().headsDescription(), "Conical heads, depth 10");
    QCOMPARE(lastRowText(c->chartRows()), QStringLiteral("48,802.8864"));  // flat: 751.97
    verifyStored(c->chartRows());
}

// A tank stored under another number format than the user's (restored at start-up, or loaded
// from Past Charts) is shown in the user's format and charts as the same tank.
void TestChartOptionsPanel::storedTankShowsInTheUsersNumberFormat() {
    const QLocale locale = QLocale::system();
    const QString point = locale.decimalPoint();
    const bool pointIsDot = point == QStringLiteral(".");
    chart::Tank stored;
    stored.format = pointIsDot ? chart::NumberFormat{",", "."} : chart::NumberFormat{".", ","};
    stored.increment = std::string("12");
    stored.diameter = "48" + stored.format.decimalSeparator + "125";
    stored.length = "1" + stored.format.groupSeparator + "200";
    stored.heads = {chart::HeadKind::Dished, "9" + stored.format.decimalSeparator + "5"};
    m_chart->setTank(stored);
    const auto* cyl = m_chart->horizontalPanel();
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtDiameter")->text(),
             QStringLiteral("48") + point + QStringLiteral("125"));
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtLength")->text(), QStringLiteral("1200"));
    QCOMPARE(findNamed<QLineEdit>(m_chart->headsPanel(), "txtHeadDepth")->text(),
             QStringLiteral("9") + point + "5");
    QCOMPARE(m_chart->tank().chart().full, stored.chart().full);
}

// Switching the unit changes the unit only: nothing asked, every figure kept as typed. With
// figures typed, converting them is offered until the next edit or a switch back; taken, it
// converts every figure of every panel (a volume step as a volume), and Calculate is then that
// of the panel on screen, not of the hidden panel converted last.
void TestChartOptionsPanel::unitSwitchKeepsTheFiguresAndOffersToConvert() {
    ChartOptionsPanel* c = m_chart;
    auto* cyl = c->horizontalPanel();
    QVERIFY(m_host->showActive());
    QSignalSpy offers(c, &ChartOptionsPanel::conversionOffered);
    const auto offered = [&offers] {
        return offers.isEmpty() ? QString() : offers.last().first().toString();
    };
    clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
    clickOption(findNamed<QRadioButton>(c, "optInches"));
    QVERIFY(offered().isEmpty());

    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(c->tiltPanel(), "txtFall"), QStringLiteral("-1.5"));
    typeInto(findNamed<QLineEdit>(c->tiltPanel(), "txtDipAt"),
             QStringLiteral("hello"));  // not a number: kept
    typeInto(findNamed<QLineEdit>(c->rectangularPanel(), "txtThickness"),
             QStringLiteral(".25"));  // a hidden panel too
    typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter"), QStringLiteral("72"));
    typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtLength"), QStringLiteral("120"));
    const auto texts = [c, cyl] {
        return QStringList{findNamed<QLineEdit>(c, "txtIncrement")->text(),
                           findNamed<QLineEdit>(cyl, "txtDiameter")->text(),
                           findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter")->text(),
                           findNamed<QLineEdit>(c->tiltPanel(), "txtFall")->text(),
                           findNamed<QLineEdit>(c->tiltPanel(), "txtDipAt")->text(),
                           findNamed<QLineEdit>(c->rectangularPanel(), "txtThickness")->text()};
    };
    const QStringList typed = texts();

    clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(texts(), typed);
    QVERIFY(!c->tank().inches);
    QCOMPARE(offered(), QStringLiteral("Convert the figures typed to millimetres"));
    clickOption(findNamed<QRadioButton>(c, "optInches"));  // back: nothing to convert
    QVERIFY(offered().isEmpty());
    clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
    QVERIFY(!offered().isEmpty());
    c->convertTypedFigures();
    QCOMPARE(texts(), (QStringList{"25.4", "", "1828.8", "-38.1", "hello", "6.4"}));
    QVERIFY(offered().isEmpty());
    // The cylinder on screen has no diameter: the vertical panel converted last does not decide.
    QVERIFY(!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());

    // An edit withdraws the offer; converting then changes nothing.
    clickOption(findNamed<QRadioButton>(c, "optInches"));
    QCOMPARE(offered(), QStringLiteral("Convert the figures typed to inches"));
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));
    QVERIFY(offered().isEmpty());
    c->convertTypedFigures();
    QCOMPARE(findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter")->text(),
             QStringLiteral("1828.8"));

    // By volume the field holds US gallons, and litres once converted.
    findNamed<QComboBox>(c, "cboStep")->setCurrentIndex(1);
    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("100"));
    clickOption(findNamed<QRadioButton>(c, "optMillimeters"));
    c->convertTypedFigures();
    QCOMPARE(findNamed<QLineEdit>(c, "txtIncrement")->text(), QStringLiteral("378.5"));
    QCOMPARE(findNamed<QLabel>(c, "Label2")->text(), QStringLiteral("Volume step (L)"));
    QVERIFY(m_messages.isEmpty());
}

QTEST_MAIN(TestChartOptionsPanel)
#include "tst_chartoptionspanel.moc"
