// The client name panel: the stored name shown, a blank name refused, any other name saved as
// typed each time the field is left.

#include <QLineEdit>
#include <QtTest>

#include "app_testing.h"
#include "clientpanel.h"

using namespace app_testing;
using dipsheet::app::ClientPanel;

class TestClientPanel : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_scratch = scratchDatabase("UPDATE mrQRT SET mrQRTMember = 'Tank Works'");
        m_seams = std::make_unique<Seams>();
        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
        m_client = findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient");
    }
    void cleanup() {
        m_program.reset();
        m_seams.reset();
        m_scratch.reset();
    }

    void storedNameShown() {
        QCOMPARE(m_client->objectName(), QStringLiteral("frmClient"));
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->objectName(),
                 QStringLiteral("txtClient"));
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->text(), QStringLiteral("Tank Works"));
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->toolTip(),
                 QStringLiteral("To change Client Name, Click in Here and Type Over"));
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->font().pointSizeF(), 9.75);
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->palette().color(QPalette::Base),
                 ui::colour::blue);
        QCOMPARE(findNamed<QLineEdit>(m_client, "txtClient")->palette().color(QPalette::Text),
                 ui::colour::white);
    }

    void blankNameRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("empty, Tab") << QString() << false;
        QTest::newRow("spaces only, Tab") << QStringLiteral("   ") << false;
        QTest::newRow("spaces only, click elsewhere") << QStringLiteral(" ") << true;
    }
    void blankNameRefused() {
        QFETCH(QString, name);
        QFETCH(bool, byMouse);
        QLineEdit* field = findNamed<QLineEdit>(m_client, "txtClient");
        typeInto(field, name);
        QCOMPARE(field->text(), name);
        auto* elsewhere = findNamed<QLineEdit>(m_program->customer(), "txtSerialNo");
        if (byMouse) {
            QTest::mouseClick(elsewhere, Qt::LeftButton);
        } else {
            QTest::keyClick(field, Qt::Key_Tab);
        }
        QTRY_COMPARE(m_seams->messages,
                     QStringList{QStringLiteral("Client Name cannot be blank. Please reenter.")});
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QCOMPARE(m_scratch->jobRecord().at(0), QStringLiteral("Tank Works"));  // nothing written
        QCOMPARE(field->text(), name);
        QVERIFY(m_seams->ends.isEmpty());

        // The check repeats at the next leaving; a real name then goes through.
        clickInto(elsewhere);
        QTRY_COMPARE(m_seams->messages.size(), 2);
        QTRY_COMPARE(QApplication::focusWidget(), field);
        typeInto(field, QStringLiteral("New Client"));
        clickInto(elsewhere);
        settle();
        QTRY_COMPARE(m_scratch->jobRecord().at(0), QStringLiteral("New Client"));
        QCOMPARE(m_seams->messages.size(), 2);
    }

    // Saved exactly as typed, leading spaces kept; leaving without a change writes again.
    void nameSavedAsTyped() {
        QLineEdit* field = findNamed<QLineEdit>(m_client, "txtClient");
        typeInto(field, QStringLiteral("  Acme Tanks "));
        QTest::keyClick(field, Qt::Key_Tab);
        QTRY_COMPARE(m_scratch->jobRecord().at(0), QStringLiteral("  Acme Tanks "));
        QVERIFY(m_seams->messages.isEmpty());

        QVERIFY(m_scratch->exec("UPDATE mrQRT SET mrQRTMember = 'changed elsewhere'"));
        clickInto(field);
        clickInto(findNamed<QPlainTextEdit>(m_program->customer(), "txtCustomer"));
        QTRY_COMPARE(m_scratch->jobRecord().at(0), QStringLiteral("  Acme Tanks "));
        // Tab went on to the customer name, which is padded as it is left: only that.
        QCOMPARE(m_scratch->jobRecord().at(1), QStringLiteral(" "));
        QCOMPARE(m_scratch->jobRecord().at(2), QString());
    }

    void entrySelectsWholeName() {
        QLineEdit* field = findNamed<QLineEdit>(m_client, "txtClient");
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
        QTRY_COMPARE(field->selectedText(), QStringLiteral("Tank Works"));
        QTest::keyClicks(field, QStringLiteral("X"));
        QCOMPARE(field->text(), QStringLiteral("X"));
    }

private:
    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
    ClientPanel* m_client = nullptr;
};

DIPSHEET_APP_TEST_MAIN(TestClientPanel)

#include "tst_clientpanel.moc"
