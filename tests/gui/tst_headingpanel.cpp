// The customer panel: the chart heading shown as stored, the padding of the field left, the
// save of all three fields, the serial number's limit and the move on to the chart options.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app_testing.h"
#include "chartwindow.h"
#include "clientpanel.h"

using namespace app_testing;
using dipsheet::app::HeadingPanel;

class TestHeadingPanel : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_scratch = scratchDatabase(
            "UPDATE mrQRT SET mrQRTMember = 'Acme Tanks', "
            "mrCustomer = 'Acme' || char(10) || 'Depot', "
            "mrTankDesc = 'Diesel tank', mrSerialNo = 'SN-7'");
        m_seams = std::make_unique<Seams>();
        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
        m_customer = m_program->customer();
    }
    void cleanup() {
        m_program.reset();
        m_seams.reset();
        m_scratch.reset();
    }

    // A serial number longer than the field takes, stored by other means, survives a save.
    void longerStoredSerialNumberIsNotCut() {
        const QString longSerial(40, QLatin1Char('9'));
        QVERIFY(m_scratch->exec("UPDATE mrQRT SET mrSerialNo = '" + longSerial.toUtf8() + "'"));
        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
        m_customer = m_program->customer();
        QCOMPARE(findNamed<QLineEdit>(m_customer, "txtSerialNo")->text(), longSerial);
        QTest::keyClick(findNamed<QPlainTextEdit>(m_customer, "txtCustomer"),
                        Qt::Key_Tab);  // leave: all three are saved
        QCOMPARE(m_scratch->jobRecord().at(3), longSerial);
    }

    // A click whose press and release arrive together (a touchpad tap) still finds the field
    // it took the focus from saved: Exit keeps the customer name just typed ...
    void quickClickOnExitKeepsTheFieldJustLeft() {
        QPlainTextEdit* name = findNamed<QPlainTextEdit>(m_customer, "txtCustomer");
        QTRY_VERIFY(name->hasFocus());
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Quick Fuel"));
        QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdExit"), Qt::LeftButton);
        QCOMPARE(m_seams->ends, QList<int>{0});
        QCOMPARE(m_scratch->jobRecord().at(1), QStringLiteral("Quick Fuel"));
    }

    // ... and Calculate shows the serial number just typed, and its window stays in front.
    void quickClickOnCalculateShowsTheHeadingJustTyped() {
        dipsheet::setup::ChartOptionsPanel* chart = m_program->chart();
        typeInto(findNamed<QLineEdit>(chart, "txtIncrement"), QStringLiteral("1"));
        typeInto(findNamed<QLineEdit>(chart->horizontalPanel(), "txtDiameter"),
                 QStringLiteral("48"));
        typeInto(findNamed<QLineEdit>(chart->horizontalPanel(), "txtLength"), QStringLiteral("96"));
        QLineEdit* serial = findNamed<QLineEdit>(m_customer, "txtSerialNo");
        clickInto(serial);
        settle();
        serial->selectAll();
        QTest::keyClicks(serial, QStringLiteral("SN-QUICK"));
        QTest::mouseClick(findNamed<QPushButton>(chart, "cmdCalculate"), Qt::LeftButton);
        dipsheet::app::ChartWindow* window = m_program->main->chartWindow();
        QVERIFY(window);
        QCOMPARE(findNamed<QLabel>(window, "lblSerialNo")->text(), QStringLiteral("SN-QUICK"));
        settle();
        QTRY_VERIFY(window->isActiveWindow());
    }

    // Closing the main window while a field is being edited keeps what was typed, as leaving
    // the field would; the client name too, unless it is blank.
    void closingKeepsTheFieldBeingEdited() {
        QPlainTextEdit* desc = findNamed<QPlainTextEdit>(m_customer, "txtTankDesc");
        QTest::mouseClick(desc->viewport(), Qt::LeftButton);
        QTRY_VERIFY(desc->hasFocus());
        desc->selectAll();
        QTest::keyClicks(desc, QStringLiteral("Petrol tank"));
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->jobRecord().at(2), QStringLiteral("Petrol tank"));
        QCOMPARE(m_scratch->jobRecord().at(1), QStringLiteral("Acme\nDepot"));
        QVERIFY(m_seams->messages.isEmpty());
    }

    void closingKeepsAClientNameButNotABlankOne() {
        QLineEdit* client = findNamed<QLineEdit>(
            findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient");
        const QString stored = m_scratch->jobRecord().at(0);
        QTest::mouseClick(client, Qt::LeftButton);
        QTRY_VERIFY(client->hasFocus());
        client->setText(QStringLiteral("   "));
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->jobRecord().at(0), stored);
        QVERIFY(m_seams->messages.isEmpty());  // no refusal on the way out

        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
        client = findNamed<QLineEdit>(
            findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient");
        QTest::mouseClick(client, Qt::LeftButton);
        QTRY_VERIFY(client->hasFocus());
        client->setText(QStringLiteral("Zed Tanks"));
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->jobRecord().at(0), QStringLiteral("Zed Tanks"));
    }

    void storedHeadingShown() {
        HeadingPanel* c = m_customer;
        QCOMPARE(c->objectName(), QStringLiteral("frmCustomer"));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtCustomer")->toPlainText(),
                 QStringLiteral("Acme\nDepot"));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->toPlainText(),
                 QStringLiteral("Diesel tank"));
        QCOMPARE(findNamed<QLineEdit>(c, "txtSerialNo")->text(), QStringLiteral("SN-7"));
        QCOMPARE(findNamed<QLabel>(c, "Label1")->text(), QStringLiteral("Customer Name"));
        QCOMPARE(findNamed<QLabel>(c, "lblTankDesc")->text(), QStringLiteral("Tank Description"));
        QCOMPARE(findNamed<QLabel>(c, "Label2")->text(), QStringLiteral("Serial Number"));
        QCOMPARE(ui::background(findNamed<QLabel>(c, "lblTankDesc")), ui::colour::cyan);
        QCOMPARE(findNamed<QLineEdit>(c, "txtSerialNo")->geometry(),
                 ui::twipsRect(1560, 2280, 3000, 300));
    }

    // Only the field being left is padded; all three are written as the fields show them.
    void emptyFieldPaddedAndAllSaved() {
        HeadingPanel* c = m_customer;
        findNamed<QPlainTextEdit>(c, "txtCustomer")->clear();
        findNamed<QPlainTextEdit>(c, "txtTankDesc")->clear();
        QTest::keyClick(findNamed<QPlainTextEdit>(c, "txtCustomer"),
                        Qt::Key_Tab);  // into the tank description
        QTRY_COMPARE(m_scratch->jobRecord().at(1), QStringLiteral(" "));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtCustomer")->toPlainText(), QStringLiteral(" "));
        QCOMPARE(m_scratch->jobRecord(),
                 (QStringList{"Acme Tanks", " ", "", "SN-7"}));  // description not padded
        QVERIFY(findNamed<QPlainTextEdit>(c, "txtTankDesc")->hasFocus());

        // A field of spaces stays as it is.
        findNamed<QPlainTextEdit>(c, "txtTankDesc")->setPlainText(QStringLiteral("   "));
        QTest::keyClick(findNamed<QPlainTextEdit>(c, "txtTankDesc"), Qt::Key_Tab);
        QTRY_COMPARE(m_scratch->jobRecord().at(2), QStringLiteral("   "));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->toPlainText(), QStringLiteral("   "));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // Leaving the tank description rewrites the other two with what their fields show.
    void everySaveWritesAllThree() {
        HeadingPanel* c = m_customer;
        QVERIFY(m_scratch->exec("UPDATE mrQRT SET mrCustomer = 'x', mrSerialNo = 'y'"));
        clickInto(findNamed<QPlainTextEdit>(c, "txtTankDesc"));
        QTest::keyClicks(findNamed<QPlainTextEdit>(c, "txtTankDesc"), QStringLiteral("Petrol"));
        clickInto(findNamed<QPlainTextEdit>(c, "txtCustomer"));
        QTRY_COMPARE(m_scratch->jobRecord(),
                     (QStringList{"Acme Tanks", "Acme\nDepot", "Petrol", "SN-7"}));
    }

    void serialNumberAtMost30() {
        QLineEdit* serial = findNamed<QLineEdit>(m_customer, "txtSerialNo");
        QCOMPARE(serial->maxLength(), 30);
        typeInto(serial, QString(35, QLatin1Char('7')));
        QCOMPARE(serial->text(), QString(30, QLatin1Char('7')));
        QTest::keyClick(serial, Qt::Key_Tab);
        QTRY_COMPARE(m_scratch->jobRecord().at(3), QString(30, QLatin1Char('7')));
    }

    // Tab from the serial number goes on to the chart options; a click elsewhere or Shift+Tab
    // leaves the focus where the user put it, and the field is saved either way.
    void serialNumberLeadsToChartPanel() {
        HeadingPanel* c = m_customer;
        QRadioButton* first = findNamed<QRadioButton>(m_program->chart(), "optCylindrical");
        clickInto(findNamed<QLineEdit>(c, "txtSerialNo"));
        QTest::keyClick(findNamed<QLineEdit>(c, "txtSerialNo"), Qt::Key_Tab);
        settle();  // the move-on has run
        QCOMPARE(QApplication::focusWidget(), first);

        clickInto(findNamed<QLineEdit>(c, "txtSerialNo"));
        findNamed<QLineEdit>(c, "txtSerialNo")->clear();
        QTest::mouseClick(findNamed<QPlainTextEdit>(c, "txtTankDesc")->viewport(),
                          Qt::LeftButton);  // a click back
        QTRY_COMPARE(m_scratch->jobRecord().at(3), QStringLiteral(" "));
        QTRY_COMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->textCursor().selectedText(),
                     QStringLiteral("Diesel tank"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Petrol"));
        QCOMPARE(QApplication::focusWidget(), findNamed<QPlainTextEdit>(c, "txtTankDesc"));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->toPlainText(),
                 QStringLiteral("Petrol"));

        clickInto(findNamed<QLineEdit>(c, "txtSerialNo"));
        QTest::keyClick(findNamed<QLineEdit>(c, "txtSerialNo"), Qt::Key_Backtab, Qt::ShiftModifier);
        settle();
        QCOMPARE(QApplication::focusWidget(), findNamed<QPlainTextEdit>(c, "txtTankDesc"));

        // With Rectangular chosen the chart panel is entered at its selected option.
        QRadioButton* rectangular = findNamed<QRadioButton>(m_program->chart(), "optRectangular");
        clickOption(rectangular);
        clickInto(findNamed<QLineEdit>(c, "txtSerialNo"));
        QTest::keyClick(findNamed<QLineEdit>(c, "txtSerialNo"), Qt::Key_Tab);
        settle();
        QCOMPARE(QApplication::focusWidget(), rectangular);
    }

    void entrySelectsWholeText() {
        HeadingPanel* c = m_customer;
        // By Tab, into each field in turn.
        clickInto(findNamed<QPlainTextEdit>(c, "txtCustomer"));
        QTest::keyClick(findNamed<QPlainTextEdit>(c, "txtCustomer"), Qt::Key_Tab);
        QTRY_COMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->textCursor().selectedText(),
                     QStringLiteral("Diesel tank"));
        QTest::keyClick(findNamed<QPlainTextEdit>(c, "txtTankDesc"), Qt::Key_Tab);
        QTRY_COMPARE(findNamed<QLineEdit>(c, "txtSerialNo")->selectedText(),
                     QStringLiteral("SN-7"));
        // By mouse, in the middle of the text.
        QTest::mouseClick(findNamed<QPlainTextEdit>(c, "txtCustomer")->viewport(), Qt::LeftButton,
                          {}, QPoint(12, 6));
        QTRY_VERIFY(findNamed<QPlainTextEdit>(c, "txtCustomer")->hasFocus());
        QTRY_COMPARE(findNamed<QPlainTextEdit>(c, "txtCustomer")->textCursor().selectedText(),
                     QStringLiteral("Acme\u2029Depot"));
        QTest::keyClicks(findNamed<QPlainTextEdit>(c, "txtCustomer"), QStringLiteral("Z"));
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtCustomer")->toPlainText(), QStringLiteral("Z"));
        // By a click held as a hand holds it: the release must not drop the selection.
        QWidget* area = findNamed<QPlainTextEdit>(c, "txtTankDesc")->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(12, 6));
        QTest::qWait(100);
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(12, 6));
        settle();
        QCOMPARE(findNamed<QPlainTextEdit>(c, "txtTankDesc")->textCursor().selectedText(),
                 QStringLiteral("Diesel tank"));
    }

private:
    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
    HeadingPanel* m_customer = nullptr;
};

DIPSHEET_APP_TEST_MAIN(TestHeadingPanel)

#include "tst_headingpanel.moc"
