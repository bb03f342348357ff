// The dimension panels as the user meets them: the readiness rule that enables Calculate,
// the input length limits, the layout and select-all on entry.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <limits>

#include <memory>

#include "chartoptionspanel.h"
#include "dimensionpanels.h"
#include "setup_testing.h"
#include "ui.h"

using dipsheet::setup::ChartOptionsPanel;
using dipsheet::setup::CylinderPanel;
using dipsheet::setup::RectangularPanel;
using namespace setup_testing;
namespace ui = dipsheet::ui;

class TestDimensionPanels : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutOfThePanels();
    void readinessRule_data();
    void readinessRule();
    void calculateSaysWhatIsMissing();
    void clearingAThicknessDisablesAtOnce();
    void eachIncrementKeystrokeReevaluates();
    void otherTankKindShowsItsRowsAndOwnReadiness();
    void lengthLimits();
    void tabIntoFieldSelectsWholeText();
    void mouseIntoFieldSelectsWholeText();

private:
    // Calculate's state, as the user sees it: enabled and yellow, or disabled and grey.
    void verifyCalculate(bool ready);

    std::unique_ptr<Host> m_host;
    ChartOptionsPanel* m_chart = nullptr;
    QStringList m_messages;
    std::unique_ptr<gui_testing::HandedOutside> m_outside;
};

void TestDimensionPanels::initTestCase() {
    QApplication::setStyle(ui::programStyle());
}

void TestDimensionPanels::init() {
    m_messages.clear();
    m_outside = std::make_unique<gui_testing::HandedOutside>();
    m_outside->onMessage = [this](const QString& text) { m_messages << text; };
    m_host = std::make_unique<Host>();
    m_chart = m_host->chart;
}

void TestDimensionPanels::cleanup() {
    m_host.reset();
    m_outside.reset();
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
}

void TestDimensionPanels::verifyCalculate(bool ready) {
    QCOMPARE(findNamed<QPushButton>(m_chart, "cmdCalculate")->isEnabled(), ready);
    QCOMPARE(ui::background(findNamed<QPushButton>(m_chart, "cmdCalculate")),
             ready ? ui::colour::yellow : ui::colour::lightGrey);
}

void TestDimensionPanels::layoutOfThePanels() {
    struct Row {
        const char* label;
        const char* caption;
        const char* field;
        const char* tip;
    };
    // The head (bottom) row keeps its tip as it has always read.
    const char* head = "If Thickness is not know, choose INSIDE Dimensions";
    const char* thick = "If Thickness is not known, choose INSIDE Dimensions";
    const struct {
        QWidget* panel;
        const char* name;
        int labelWidth;
        int maxLength;
        Row rows[4];
    } panels[] = {
        {m_chart->rectangularPanel(),
         "frmRectangular",
         1215,
         std::numeric_limits<int>::max(),
         {{"Label1", "Length", "txtLength", ""},
          {"Label2", "Width", "txtWidth", ""},
          {"Label3", "Height", "txtHeight", ""},
          {"Label4", "Thickness", "txtThickness", thick}}},
        {m_chart->horizontalPanel(),
         "frmCylindrical",
         1215,
         9,
         {{"Label1", "Diameter", "txtDiameter", "Enter tank diameter"},
          {"Label2", "Length", "txtLength", "Enter tank length"},
          {"Label3", "Head Thickness", "txtHeadThickness", head},
          {"Label4", "Shell Thickness", "txtShellThickness", thick}}},
        {m_chart->verticalPanel(),
         "frmVertical",
         1335,
         9,
         {{"Label1", "Diameter", "txtDiameter", "Enter tank diameter"},
          {"Label2", "Height", "txtLength", "Enter tank length"},
          {"Label3", "Bottom Thickness", "txtHeadThickness", head},
          {"Label4", "Shell Thickness", "txtShellThickness", thick}}},
    };
    const int tops[4] = {240, 720, 1200, 1680};
    for (const auto& p : panels) {
        QCOMPARE(p.panel->objectName(), QString::fromLatin1(p.name));
        QCOMPARE(p.panel->size(), ui::twipsRect(0, 0, 3180, 2175).size());
        QCOMPARE(ui::background(p.panel), ui::colour::blue);
        for (int r = 0; r < 4; ++r) {
            auto* label = p.panel->findChild<QLabel*>(QLatin1String(p.rows[r].label));
            auto* field = p.panel->findChild<QLineEdit*>(QLatin1String(p.rows[r].field));
            QVERIFY(label && field);
            QCOMPARE(label->text(), QString::fromLatin1(p.rows[r].caption));
            QCOMPARE(label->geometry(), ui::twipsRect(240, tops[r], p.labelWidth, 255));
            QCOMPARE(ui::background(label), ui::colour::cyan);
            QCOMPARE(field->geometry(), ui::twipsRect(1680, tops[r], 1215, 285));
            QCOMPARE(field->toolTip(), QString::fromLatin1(p.rows[r].tip));
            QCOMPARE(field->maxLength(), p.maxLength);
            QCOMPARE(ui::background(field), ui::colour::white);
            QVERIFY(field->text().isEmpty());
        }
    }
    // Thickness rows start hidden.
    QVERIFY(findNamed<QLineEdit>(m_chart->rectangularPanel(), "txtThickness")->isHidden());
    QVERIFY(findNamed<QLabel>(m_chart->rectangularPanel(), "Label4")->isHidden());
    QVERIFY(!findNamed<QLineEdit>(m_chart->rectangularPanel(), "txtHeight")->isHidden());
    for (CylinderPanel* p : {static_cast<CylinderPanel*>(m_chart->horizontalPanel()),
                             static_cast<CylinderPanel*>(m_chart->verticalPanel())}) {
        QVERIFY(findNamed<QLabel>(p, "Label3")->isHidden() &&
                findNamed<QLabel>(p, "Label4")->isHidden());
        QVERIFY(findNamed<QLineEdit>(p, "txtHeadThickness")->isHidden() &&
                findNamed<QLineEdit>(p, "txtShellThickness")->isHidden());
        QVERIFY(!findNamed<QLineEdit>(p, "txtLength")->isHidden());
    }
}

// Each row: the tank in view, Inside or Outside, the increment and the four field texts of that
// panel (rectangular: length, width, height, thickness; cylinders: diameter, length or height,
// head or bottom thickness, shell thickness), and whether Calculate may be pressed.
void TestDimensionPanels::readinessRule_data() {
    QTest::addColumn<QString>("tank");
    QTest::addColumn<bool>("outside");
    QTest::addColumn<QString>("increment");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("ready");

    const QStringList missing = {QStringLiteral("0"), QStringLiteral("0.0"), QStringLiteral("-3"),
                                 QStringLiteral("abc"), QString()};
    for (const QString& tank :
         {QStringLiteral("rect"), QStringLiteral("cyl"), QStringLiteral("vert")}) {
        const bool rect = tank == QLatin1String("rect");
        const QStringList full =
            rect ? QStringList{"10", "20", "30", ""} : QStringList{"48", "120", "", ""};
        const QByteArray t = tank.toLatin1();
        QTest::newRow(t + " inside complete") << tank << false << "1" << full << true;
        QTest::newRow(t + " inside ignores thickness text")
            << tank << false << "1"
            << (rect ? QStringList{"10", "20", "30", "abc"} : QStringList{"48", "120", "x", "0"})
            << true;
        for (const QString& bad : missing) {
            for (int field = 0; field < (rect ? 3 : 2); ++field) {
                QStringList texts = full;
                texts[field] = bad;
                QTest::addRow("%s field %d '%s'", t.constData(), field + 1, qPrintable(bad))
                    << tank << false << "1" << texts << false;
            }
            QTest::addRow("%s increment '%s'", t.constData(), qPrintable(bad))
                << tank << false << bad << full << false;
        }
        QStringList lenient = full;
        lenient[0] = QStringLiteral(" 7");
        lenient[1] = QStringLiteral("7 ft");
        QTest::newRow(t + " leading blank and trailing unit")
            << tank << false << "1" << lenient << true;
        QTest::newRow(t + " increment .125") << tank << false << ".125" << full << true;
        QTest::newRow(t + " increment 1/8 reads 1") << tank << false << "1/8" << full << true;

        // Outside needs the thickness rows too.
        QStringList outside = full;
        outside[3] = QStringLiteral(".25");
        if (!rect)
            outside[2] = QStringLiteral(".5");
        QTest::newRow(t + " outside complete") << tank << true << "1" << outside << true;
        for (const QString& bad : missing) {
            for (int field = rect ? 3 : 2; field < 4; ++field) {
                QStringList texts = outside;
                texts[field] = bad;
                QTest::addRow("%s outside thickness %d '%s'", t.constData(), field + 1,
                              qPrintable(bad))
                    << tank << true << "1" << texts << false;
            }
        }
    }
}

void TestDimensionPanels::readinessRule() {
    QFETCH(QString, tank);
    QFETCH(bool, outside);
    QFETCH(QString, increment);
    QFETCH(QStringList, fields);
    QFETCH(bool, ready);

    if (outside)
        clickOption(findNamed<QRadioButton>(m_chart, "optOutside"));
    QList<QLineEdit*> edits;
    if (tank == QLatin1String("rect")) {
        clickOption(findNamed<QRadioButton>(m_chart, "optRectangular"));
        auto* p = m_chart->rectangularPanel();
        edits = {findNamed<QLineEdit>(p, "txtLength"), findNamed<QLineEdit>(p, "txtWidth"),
                 findNamed<QLineEdit>(p, "txtHeight"), findNamed<QLineEdit>(p, "txtThickness")};
    } else {
        if (tank == QLatin1String("vert"))
            m_chart->applyOrientation(false);
        CylinderPanel* p = tank == QLatin1String("vert")
                               ? static_cast<CylinderPanel*>(m_chart->verticalPanel())
                               : static_cast<CylinderPanel*>(m_chart->horizontalPanel());
        edits = {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
                 findNamed<QLineEdit>(p, "txtHeadThickness"),
                 findNamed<QLineEdit>(p, "txtShellThickness")};
    }
    QCOMPARE(panelsInView(m_chart).size(), 1);

    // Dimensions first and the increment last, then the other way round: the result is the
    // same whichever field was edited last.
    for (int i = 0; i < 4; ++i)
        typeInto(edits[i], fields[i]);
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), increment);
    verifyCalculate(ready);

    findNamed<QLineEdit>(m_chart, "txtIncrement")->clear();
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), increment);
    for (int i = 3; i >= 0; --i)
        typeInto(edits[i], fields[i]);
    verifyCalculate(ready);
    // Disabled, Calculate says what is missing first, or that the increment typed is no
    // number, as Calculate would say of a dimension; enabled, it says nothing.
    const QString tip = findNamed<QPushButton>(m_chart, "cmdCalculate")->toolTip();
    const bool incrementIsText = increment == QLatin1String("abc");
    QVERIFY2(ready ? tip.isEmpty()
             : incrementIsText
                 ? tip.contains(QStringLiteral("\"%1\" is not a number").arg(increment.trimmed()))
                 : tip.startsWith(QStringLiteral("Type ")),
             qPrintable(tip));
}

void TestDimensionPanels::calculateSaysWhatIsMissing() {
    auto* cyl = m_chart->horizontalPanel();
    const auto tip = [this] { return findNamed<QPushButton>(m_chart, "cmdCalculate")->toolTip(); };
    QCOMPARE(tip(), QStringLiteral("Type an increment greater than 0"));
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"),
             QStringLiteral("1/8"));  // reads 1: counts as typed
    QCOMPARE(tip(), QStringLiteral("Type the Diameter"));
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("0"));
    QCOMPARE(tip(), QStringLiteral("Type the Length"));
    typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("96"));
    QCOMPARE(tip(), QString());
    clickOption(findNamed<QRadioButton>(m_chart, "optOutside"));
    typeInto(findNamed<QLineEdit>(cyl, "txtHeadThickness"), QStringLiteral(".25"));
    QCOMPARE(tip(), QStringLiteral("Type the Shell Thickness"));
    m_chart->applyOrientation(false);
    QCOMPARE(tip(), QStringLiteral("Type the Diameter"));
    typeInto(findNamed<QLineEdit>(m_chart->verticalPanel(), "txtDiameter"), QStringLiteral("60"));
    QCOMPARE(tip(), QStringLiteral("Type the Height"));
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), QString());
    QCOMPARE(tip(), QStringLiteral("Type an increment greater than 0"));
}

void TestDimensionPanels::clearingAThicknessDisablesAtOnce() {
    auto* cyl = m_chart->horizontalPanel();
    clickOption(findNamed<QRadioButton>(m_chart, "optOutside"));
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("120"));
    typeInto(findNamed<QLineEdit>(cyl, "txtHeadThickness"), QStringLiteral(".25"));
    verifyCalculate(false);
    typeInto(findNamed<QLineEdit>(cyl, "txtShellThickness"), QStringLiteral(".25"));
    verifyCalculate(true);

    for (QLineEdit* thickness : {findNamed<QLineEdit>(cyl, "txtHeadThickness"),
                                 findNamed<QLineEdit>(cyl, "txtShellThickness")}) {
        thickness->selectAll();
        QTest::keyClick(thickness, Qt::Key_Delete);
        verifyCalculate(false);
        QTest::keyClicks(thickness, QStringLiteral(".375"));
        verifyCalculate(true);
    }
    // Inside again: the rows go, their texts stay, and they no longer count.
    typeInto(findNamed<QLineEdit>(cyl, "txtHeadThickness"), QStringLiteral("0"));
    verifyCalculate(false);
    clickOption(findNamed<QRadioButton>(m_chart, "optInside"));
    QVERIFY(findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden() &&
            findNamed<QLabel>(cyl, "Label3")->isHidden());
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtHeadThickness")->text(), QStringLiteral("0"));
    verifyCalculate(true);
}

void TestDimensionPanels::eachIncrementKeystrokeReevaluates() {
    auto* cyl = m_chart->horizontalPanel();
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("120"));
    verifyCalculate(false);

    QTest::keyClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::Key_Period);
    verifyCalculate(false);  // '.' alone reads 0
    QTest::keyClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::Key_0);
    verifyCalculate(false);  // '.0'
    QTest::keyClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::Key_5);
    verifyCalculate(true);  // '.05'
    QTest::keyClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::Key_Backspace);
    verifyCalculate(false);
    QTest::keyClicks(findNamed<QLineEdit>(m_chart, "txtIncrement"), QStringLiteral("25"));
    verifyCalculate(true);
    findNamed<QLineEdit>(m_chart, "txtIncrement")->selectAll();
    QTest::keyClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::Key_Delete);
    QVERIFY(findNamed<QLineEdit>(m_chart, "txtIncrement")->text().isEmpty());
    verifyCalculate(false);
}

void TestDimensionPanels::otherTankKindShowsItsRowsAndOwnReadiness() {
    auto* cyl = m_chart->horizontalPanel();
    auto* rect = m_chart->rectangularPanel();
    auto* vert = m_chart->verticalPanel();
    clickOption(findNamed<QRadioButton>(m_chart, "optOutside"));
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(cyl, "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(cyl, "txtLength"), QStringLiteral("120"));
    typeInto(findNamed<QLineEdit>(cyl, "txtHeadThickness"), QStringLiteral(".25"));
    typeInto(findNamed<QLineEdit>(cyl, "txtShellThickness"), QStringLiteral(".25"));
    verifyCalculate(true);

    // The rectangular panel comes up with its thickness row and its own (empty) fields.
    clickOption(findNamed<QRadioButton>(m_chart, "optRectangular"));
    QCOMPARE(panelsInView(m_chart), QStringList{QStringLiteral("frmRectangular")});
    QVERIFY(!findNamed<QLineEdit>(rect, "txtThickness")->isHidden() &&
            !findNamed<QLabel>(rect, "Label4")->isHidden());
    verifyCalculate(false);
    typeInto(findNamed<QLineEdit>(rect, "txtLength"), QStringLiteral("10"));
    typeInto(findNamed<QLineEdit>(rect, "txtWidth"), QStringLiteral("20"));
    typeInto(findNamed<QLineEdit>(rect, "txtHeight"), QStringLiteral("30"));
    verifyCalculate(false);
    typeInto(findNamed<QLineEdit>(rect, "txtThickness"), QStringLiteral(".5"));
    verifyCalculate(true);

    // The vertical panel: its thickness rows appear, its empty fields disable Calculate.
    m_chart->applyOrientation(false);
    QCOMPARE(panelsInView(m_chart), QStringList{QStringLiteral("frmVertical")});
    QVERIFY(!findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden() &&
            !findNamed<QLineEdit>(vert, "txtShellThickness")->isHidden());
    verifyCalculate(false);

    // Back to the horizontal rectangular tank: its values are still there and enable Calculate.
    m_chart->applyOrientation(true);
    QCOMPARE(panelsInView(m_chart), QStringList{QStringLiteral("frmRectangular")});
    verifyCalculate(true);
    clickOption(findNamed<QRadioButton>(m_chart, "optCylindrical"));
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtDiameter")->text(), QStringLiteral("48"));
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtShellThickness")->text(), QStringLiteral(".25"));
    verifyCalculate(true);
}

void TestDimensionPanels::lengthLimits() {
    const QString ten = QStringLiteral("1234567890");
    for (CylinderPanel* p : {static_cast<CylinderPanel*>(m_chart->horizontalPanel()),
                             static_cast<CylinderPanel*>(m_chart->verticalPanel())}) {
        for (QLineEdit* field :
             {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
              findNamed<QLineEdit>(p, "txtHeadThickness"),
              findNamed<QLineEdit>(p, "txtShellThickness")}) {
            typeInto(field, ten);
            QCOMPARE(field->text(), QStringLiteral("123456789"));
        }
    }
    const QString long40 = ten.repeated(4);
    auto* rect = m_chart->rectangularPanel();
    for (QLineEdit* field :
         {findNamed<QLineEdit>(rect, "txtLength"), findNamed<QLineEdit>(rect, "txtWidth"),
          findNamed<QLineEdit>(rect, "txtHeight"), findNamed<QLineEdit>(rect, "txtThickness"),
          findNamed<QLineEdit>(m_chart, "txtIncrement")}) {
        typeInto(field, long40);
        QCOMPARE(field->text(), long40);
        // Well past a line edit's default limit of 32,767 characters: nothing is cut.
        field->clear();
        field->insert(QString(40000, QLatin1Char('7')));
        QCOMPARE(field->text().size(), 40000);
    }
}

void TestDimensionPanels::tabIntoFieldSelectsWholeText() {
    clickOption(findNamed<QRadioButton>(m_chart, "optOutside"));
    auto* cyl = m_chart->horizontalPanel();
    const QList<QLineEdit*> order = {findNamed<QLineEdit>(cyl, "txtDiameter"),
                                     findNamed<QLineEdit>(cyl, "txtLength"),
                                     findNamed<QLineEdit>(cyl, "txtHeadThickness"),
                                     findNamed<QLineEdit>(cyl, "txtShellThickness")};
    const QStringList texts = {"48", "120", ".25", ".375"};
    for (int i = 0; i < 4; ++i)
        order[i]->setText(texts[i]);
    typeInto(findNamed<QLineEdit>(m_chart, "txtIncrement"), QStringLiteral("1"));
    QVERIFY(m_host->showActive());

    // Row by row: each Tab lands on the next field with its whole text selected.
    findNamed<QLineEdit>(cyl, "txtDiameter")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(findNamed<QLineEdit>(cyl, "txtDiameter")->hasFocus());
    for (int i = 1; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), order[i]);
        QTRY_COMPARE(order[i]->selectedText(), texts[i]);
    }
    // The next key replaces the old value, and the readiness rule follows it.
    verifyCalculate(true);
    QTest::keyClick(findNamed<QLineEdit>(cyl, "txtShellThickness"), Qt::Key_0);
    QCOMPARE(findNamed<QLineEdit>(cyl, "txtShellThickness")->text(), QStringLiteral("0"));
    verifyCalculate(false);

    // Entering the increment by Tab selects it too.
    findNamed<QComboBox>(m_chart, "cboStep")->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(findNamed<QComboBox>(m_chart, "cboStep"), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), findNamed<QLineEdit>(m_chart, "txtIncrement"));
    QTRY_COMPARE(findNamed<QLineEdit>(m_chart, "txtIncrement")->selectedText(),
                 QStringLiteral("1"));
}

void TestDimensionPanels::mouseIntoFieldSelectsWholeText() {
    clickOption(findNamed<QRadioButton>(m_chart, "optRectangular"));
    auto* rect = m_chart->rectangularPanel();
    findNamed<QLineEdit>(rect, "txtLength")->setText(QStringLiteral("10"));
    findNamed<QLineEdit>(rect, "txtWidth")->setText(QStringLiteral("20"));
    findNamed<QLineEdit>(rect, "txtHeight")->setText(QStringLiteral("123456789012"));
    findNamed<QLineEdit>(m_chart, "txtIncrement")->setText(QStringLiteral("1"));
    QVERIFY(m_host->showActive());
    findNamed<QLineEdit>(rect, "txtLength")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(findNamed<QLineEdit>(rect, "txtLength")->hasFocus());

    // The press places the cursor; the whole text is still selected once it is handled.
    QTest::mouseClick(findNamed<QLineEdit>(rect, "txtHeight"), Qt::LeftButton, {},
                      QPoint(8, findNamed<QLineEdit>(rect, "txtHeight")->height() / 2));
    QTRY_VERIFY(findNamed<QLineEdit>(rect, "txtHeight")->hasFocus());
    QTRY_COMPARE(findNamed<QLineEdit>(rect, "txtHeight")->selectedText(),
                 QStringLiteral("123456789012"));
    QTest::keyClicks(findNamed<QLineEdit>(rect, "txtHeight"), QStringLiteral("30"));
    QCOMPARE(findNamed<QLineEdit>(rect, "txtHeight")->text(), QStringLiteral("30"));
    verifyCalculate(true);

    // Clicking into the increment selects it as well.
    QTest::mouseClick(findNamed<QLineEdit>(m_chart, "txtIncrement"), Qt::LeftButton, {},
                      QPoint(findNamed<QLineEdit>(m_chart, "txtIncrement")->width() - 5,
                             findNamed<QLineEdit>(m_chart, "txtIncrement")->height() / 2));
    QTRY_VERIFY(findNamed<QLineEdit>(m_chart, "txtIncrement")->hasFocus());
    QTRY_COMPARE(findNamed<QLineEdit>(m_chart, "txtIncrement")->selectedText(),
                 QStringLiteral("1"));
}

QTEST_MAIN(TestDimensionPanels)
#include "tst_dimensionpanels.moc"
