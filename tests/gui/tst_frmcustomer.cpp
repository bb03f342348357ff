// The customer panel: the chart heading shown as stored, the padding of the field left, the
// save of all three fields, the serial number's limit and the move on to the chart options.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app_testing.h"
#include "frmcapacity.h"
#include "frmclient.h"

using namespace app_testing;
using dipsheet::app::FrmCustomer;

class TestFrmCustomer : public QObject {
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
        QCOMPARE(m_customer->txtSerialNo->text(), longSerial);
        QTest::keyClick(m_customer->txtCustomer, Qt::Key_Tab);  // leave: all three are saved
        QCOMPARE(m_scratch->jobRecord().at(3), longSerial);
    }

    // A click whose press and release arrive together (a touchpad tap) still finds the field
    // it took the focus from saved: Exit keeps the customer name just typed ...
    void quickClickOnExitKeepsTheFieldJustLeft() {
        QPlainTextEdit* name = m_customer->txtCustomer;
        QTRY_VERIFY(name->hasFocus());
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Quick Fuel"));
        QTest::mouseClick(m_program->chart()->cmdExit, Qt::LeftButton);
        QCOMPARE(m_seams->ends, QList<int>{0});
        QCOMPARE(m_scratch->jobRecord().at(1), QStringLiteral("Quick Fuel"));
    }

    // ... and Calculate shows the serial number just typed, and its window stays in front.
    void quickClickOnCalculateShowsTheHeadingJustTyped() {
        dipsheet::setup::FrmChart* chart = m_program->chart();
        typeInto(chart->txtIncrement, QStringLiteral("1"));
        typeInto(chart->frmCylindrical()->txtDiameter, QStringLiteral("48"));
        typeInto(chart->frmCylindrical()->txtLength, QStringLiteral("96"));
        QLineEdit* serial = m_customer->txtSerialNo;
        clickInto(serial);
        settle();
        serial->selectAll();
        QTest::keyClicks(serial, QStringLiteral("SN-QUICK"));
        QTest::mouseClick(chart->cmdCalculate, Qt::LeftButton);
        dipsheet::app::FrmCapacity* window = m_program->main->chartWindow();
        QVERIFY(window);
        QCOMPARE(window->lblSerialNo->text(), QStringLiteral("SN-QUICK"));
        settle();
        QTRY_VERIFY(window->isActiveWindow());
    }

    // Closing the main window while a field is being edited keeps what was typed, as leaving
    // the field would; the client name too, unless it is blank.
    void closingKeepsTheFieldBeingEdited() {
        QPlainTextEdit* desc = m_customer->txtTankDesc;
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
        QLineEdit* client = m_program->main->frmClient->txtClient;
        const QString stored = m_scratch->jobRecord().at(0);
        QTest::mouseClick(client, Qt::LeftButton);
        QTRY_VERIFY(client->hasFocus());
        client->setText(QStringLiteral("   "));
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->jobRecord().at(0), stored);
        QVERIFY(m_seams->messages.isEmpty());  // no refusal on the way out

        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
        client = m_program->main->frmClient->txtClient;
        QTest::mouseClick(client, Qt::LeftButton);
        QTRY_VERIFY(client->hasFocus());
        client->setText(QStringLiteral("Zed Tanks"));
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->jobRecord().at(0), QStringLiteral("Zed Tanks"));
    }

    void storedHeadingShown() {
        FrmCustomer* c = m_customer;
        QCOMPARE(c->objectName(), QStringLiteral("frmCustomer"));
        QCOMPARE(c->txtCustomer->toPlainText(), QStringLiteral("Acme\nDepot"));
        QCOMPARE(c->txtTankDesc->toPlainText(), QStringLiteral("Diesel tank"));
        QCOMPARE(c->txtSerialNo->text(), QStringLiteral("SN-7"));
        QCOMPARE(c->Label1->text(), QStringLiteral("Customer Name"));
        QCOMPARE(c->lblTankDesc->text(), QStringLiteral("Tank Description"));
        QCOMPARE(c->Label2->text(), QStringLiteral("Serial Number"));
        QCOMPARE(ui::background(c->lblTankDesc), ui::colour::cyan);
        QCOMPARE(c->txtSerialNo->geometry(), ui::twipsRect(1560, 2280, 3000, 300));
    }

    // Only the field being left is padded; all three are written as the fields show them.
    void emptyFieldPaddedAndAllSaved() {
        FrmCustomer* c = m_customer;
        c->txtCustomer->clear();
        c->txtTankDesc->clear();
        QTest::keyClick(c->txtCustomer, Qt::Key_Tab);  // into the tank description
        QTRY_COMPARE(m_scratch->jobRecord().at(1), QStringLiteral(" "));
        QCOMPARE(c->txtCustomer->toPlainText(), QStringLiteral(" "));
        QCOMPARE(m_scratch->jobRecord(),
                 (QStringList{"Acme Tanks", " ", "", "SN-7"}));  // description not padded
        QVERIFY(c->txtTankDesc->hasFocus());

        // A field of spaces stays as it is.
        c->txtTankDesc->setPlainText(QStringLiteral("   "));
        QTest::keyClick(c->txtTankDesc, Qt::Key_Tab);
        QTRY_COMPARE(m_scratch->jobRecord().at(2), QStringLiteral("   "));
        QCOMPARE(c->txtTankDesc->toPlainText(), QStringLiteral("   "));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // Leaving the tank description rewrites the other two with what their fields show.
    void everySaveWritesAllThree() {
        FrmCustomer* c = m_customer;
        QVERIFY(m_scratch->exec("UPDATE mrQRT SET mrCustomer = 'x', mrSerialNo = 'y'"));
        clickInto(c->txtTankDesc);
        QTest::keyClicks(c->txtTankDesc, QStringLiteral("Petrol"));
        clickInto(c->txtCustomer);
        QTRY_COMPARE(m_scratch->jobRecord(),
                     (QStringList{"Acme Tanks", "Acme\nDepot", "Petrol", "SN-7"}));
    }

    void serialNumberAtMost30() {
        QLineEdit* serial = m_customer->txtSerialNo;
        QCOMPARE(serial->maxLength(), 30);
        typeInto(serial, QString(35, QLatin1Char('7')));
        QCOMPARE(serial->text(), QString(30, QLatin1Char('7')));
        QTest::keyClick(serial, Qt::Key_Tab);
        QTRY_COMPARE(m_scratch->jobRecord().at(3), QString(30, QLatin1Char('7')));
    }

    // Tab from the serial number goes on to the chart options; a click elsewhere or Shift+Tab
    // leaves the focus where the user put it, and the field is saved either way.
    void serialNumberLeadsToChartPanel() {
        FrmCustomer* c = m_customer;
        QRadioButton* first = m_program->chart()->optCylindrical;
        clickInto(c->txtSerialNo);
        QTest::keyClick(c->txtSerialNo, Qt::Key_Tab);
        settle();  // the move-on has run
        QCOMPARE(QApplication::focusWidget(), first);

        clickInto(c->txtSerialNo);
        c->txtSerialNo->clear();
        QTest::mouseClick(c->txtTankDesc->viewport(), Qt::LeftButton);  // a click back
        QTRY_COMPARE(m_scratch->jobRecord().at(3), QStringLiteral(" "));
        QTRY_COMPARE(c->txtTankDesc->textCursor().selectedText(), QStringLiteral("Diesel tank"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Petrol"));
        QCOMPARE(QApplication::focusWidget(), c->txtTankDesc);
        QCOMPARE(c->txtTankDesc->toPlainText(), QStringLiteral("Petrol"));

        clickInto(c->txtSerialNo);
        QTest::keyClick(c->txtSerialNo, Qt::Key_Backtab, Qt::ShiftModifier);
        settle();
        QCOMPARE(QApplication::focusWidget(), c->txtTankDesc);

        // With Rectangular chosen the chart panel is entered at its selected option.
        QRadioButton* rectangular = m_program->chart()->optRectangular;
        clickOption(rectangular);
        clickInto(c->txtSerialNo);
        QTest::keyClick(c->txtSerialNo, Qt::Key_Tab);
        settle();
        QCOMPARE(QApplication::focusWidget(), rectangular);
    }

    void entrySelectsWholeText() {
        FrmCustomer* c = m_customer;
        // By Tab, into each field in turn.
        clickInto(c->txtCustomer);
        QTest::keyClick(c->txtCustomer, Qt::Key_Tab);
        QTRY_COMPARE(c->txtTankDesc->textCursor().selectedText(), QStringLiteral("Diesel tank"));
        QTest::keyClick(c->txtTankDesc, Qt::Key_Tab);
        QTRY_COMPARE(c->txtSerialNo->selectedText(), QStringLiteral("SN-7"));
        // By mouse, in the middle of the text.
        QTest::mouseClick(c->txtCustomer->viewport(), Qt::LeftButton, {}, QPoint(12, 6));
        QTRY_VERIFY(c->txtCustomer->hasFocus());
        QTRY_COMPARE(c->txtCustomer->textCursor().selectedText(),
                     QStringLiteral("Acme\u2029Depot"));
        QTest::keyClicks(c->txtCustomer, QStringLiteral("Z"));
        QCOMPARE(c->txtCustomer->toPlainText(), QStringLiteral("Z"));
        // By a click held as a hand holds it: the release must not drop the selection.
        QWidget* area = c->txtTankDesc->viewport();
        QTest::mousePress(area, Qt::LeftButton, {}, QPoint(12, 6));
        QTest::qWait(100);
        QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(12, 6));
        settle();
        QCOMPARE(c->txtTankDesc->textCursor().selectedText(), QStringLiteral("Diesel tank"));
    }

private:
    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
    FrmCustomer* m_customer = nullptr;
};

DIPSHEET_APP_TEST_MAIN(TestFrmCustomer)

#include "tst_frmcustomer.moc"
