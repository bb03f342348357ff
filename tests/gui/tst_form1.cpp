// The orientation choice: which dimension panel is in view, its thickness rows, and Calculate
// following the panel now in view.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app_testing.h"
#include "dimensionpanels.h"
#include "form1.h"
#include "frmchart.h"
#include "frmclient.h"
#include "frmcustomer.h"
#include "frmheads.h"
#include "mdiform1.h"

using namespace app_testing;
using dipsheet::app::Form1;
using dipsheet::setup::FrmChart;

namespace {

// Exactly one dimension panel is in view, and it is the one the orientation and the shape
// choice name.
QString checkOnePanelInView(FrmChart* c) {
    QStringList inView;
    for (QWidget* p :
         {static_cast<QWidget*>(c->frmRectangular()), static_cast<QWidget*>(c->frmCylindrical()),
          static_cast<QWidget*>(c->frmVertical())}) {
        if (p->isVisible())
            inView << p->objectName();
    }
    const QString expected = c->frmConfiguration->isHidden()  ? QStringLiteral("frmVertical")
                             : c->optCylindrical->isChecked() ? QStringLiteral("frmCylindrical")
                                                              : QStringLiteral("frmRectangular");
    if (inView != QStringList{expected})
        return QStringLiteral("in view: %1, expected %2").arg(inView.join(u','), expected);
    return {};
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_scratch = scratchDatabase();
        m_seams = std::make_unique<Seams>();
        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
    }
    void cleanup() {
        m_program.reset();
        m_seams.reset();
        m_scratch.reset();
    }

    void orientationSwitchesPanels() {
        FrmChart* c = m_program->chart();
        Form1* f = m_program->main->form1;
        QCOMPARE(checkOnePanelInView(c), QString());
        QVERIFY(c->frmCylindrical()->isVisible());

        // Vertical: Configuration goes, the vertical panel comes, without thickness rows.
        clickOption(f->optHV[1]);
        QVERIFY(f->optHV[1]->isChecked() && !f->optHV[0]->isChecked());
        QVERIFY(c->frmConfiguration->isHidden());
        QCOMPARE(checkOnePanelInView(c), QString());
        QVERIFY(c->frmVertical()->txtHeadThickness->isHidden());

        // Rectangular chosen while vertical is ignored until horizontal comes back.
        clickOption(f->optHV[0]);
        clickOption(c->optRectangular);
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(f->optHV[1]);
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(f->optHV[0]);
        QVERIFY(!c->frmConfiguration->isHidden());
        QVERIFY(c->frmRectangular()->isVisible());
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(f->optHV[0]);  // clicking the selected option again changes nothing
        QCOMPARE(checkOnePanelInView(c), QString());
    }

    // The thickness rows of the panel brought into view follow Inside/Outside, whatever they
    // were before.
    void thicknessRowsFollowOutside() {
        FrmChart* c = m_program->chart();
        Form1* f = m_program->main->form1;
        auto* vert = c->frmVertical();
        auto* cyl = c->frmCylindrical();

        clickOption(c->optOutside);
        QVERIFY(!cyl->txtHeadThickness->isHidden());
        clickOption(f->optHV[1]);
        QVERIFY(!vert->txtHeadThickness->isHidden() && !vert->txtShellThickness->isHidden());
        QCOMPARE(vert->Label3->text(), QStringLiteral("Bottom Thickness"));
        QVERIFY(!vert->Label3->isHidden());

        clickOption(f->optHV[0]);
        clickOption(c->optInside);  // hides the cylinder's rows only
        QVERIFY(cyl->txtHeadThickness->isHidden());
        QVERIFY(!vert->txtHeadThickness->isHidden());
        clickOption(f->optHV[1]);  // vertical again: its rows go, as Inside says
        QVERIFY(vert->txtHeadThickness->isHidden() && vert->Label4->isHidden());
        QCOMPARE(checkOnePanelInView(c), QString());
    }

    // After every change of orientation Calculate reflects the panel now in view.
    void calculateFollowsPanelInView() {
        FrmChart* c = m_program->chart();
        Form1* f = m_program->main->form1;
        typeInto(c->txtIncrement, QStringLiteral("1"));
        typeInto(c->frmCylindrical()->txtDiameter, QStringLiteral("48"));
        typeInto(c->frmCylindrical()->txtLength, QStringLiteral("120"));
        QVERIFY(c->cmdCalculate->isEnabled());
        QCOMPARE(ui::background(c->cmdCalculate), ui::colour::yellow);

        clickOption(f->optHV[1]);  // the vertical panel is empty
        QVERIFY(!c->cmdCalculate->isEnabled());
        QCOMPARE(ui::background(c->cmdCalculate), ui::colour::lightGrey);

        typeInto(c->frmVertical()->txtDiameter, QStringLiteral("30"));
        typeInto(c->frmVertical()->txtLength, QStringLiteral("60"));
        QVERIFY(c->cmdCalculate->isEnabled());
        clickOption(c->optOutside);  // the vertical panel now needs its thicknesses
        QVERIFY(!c->cmdCalculate->isEnabled());

        clickOption(f->optHV[0]);  // horizontal cylinder with Outside: thicknesses missing
        QVERIFY(!c->cmdCalculate->isEnabled());
        clickOption(c->optInside);
        QVERIFY(c->cmdCalculate->isEnabled());
        QCOMPARE(c->frmCylindrical()->txtDiameter->text(), QStringLiteral("48"));  // kept
    }

    // Calculate on a vertical tank charts the vertical panel's tank, whatever the shape says.
    void verticalTankCalculated() {
        FrmChart* c = m_program->chart();
        Form1* f = m_program->main->form1;
        clickOption(c->optRectangular);
        clickOption(f->optHV[1]);
        typeInto(c->txtIncrement, QStringLiteral("10"));
        typeInto(c->frmVertical()->txtDiameter, QStringLiteral("30"));
        typeInto(c->frmVertical()->txtLength, QStringLiteral("60"));
        QVERIFY(c->cmdCalculate->isEnabled());
        QTest::mouseClick(c->cmdCalculate, Qt::LeftButton);
        QTRY_VERIFY(m_program->main->chartWindow());
        const auto rows = m_scratch->capacity();
        QVERIFY(!rows.empty());
        QCOMPARE(rows.size() + 1, c->chartRows().size());
        QCOMPARE(rows.front()[0], c->chartRows()[1].depth);
        QVERIFY(m_seams->messages.isEmpty());
    }

    // The orientation captions name no kind of heads, whichever are chosen.
    void captionsNeverContradictTheHeads() {
        FrmChart* c = m_program->chart();
        Form1* f = m_program->main->form1;
        for (int kind : {2, 0}) {  // hemispherical, flat
            c->frmHeads()->cboHeads->setCurrentIndex(kind);
            for (int side : {1, 0}) {
                f->optHV[side]->click();
                QCOMPARE(f->optHV[0]->text(), QStringLiteral("Horizontal Tank"));
                QCOMPARE(f->optHV[1]->text(), QStringLiteral("Vertical Tank"));
            }
        }
    }

    // Tab runs across the whole main window in the order a job is filled, and Shift+Tab back;
    // hidden and disabled controls are skipped, a group of options is one stop.
    void tabRunsInTheOrderAJobIsFilled() {
        FrmChart* c = m_program->chart();
        auto* main = m_program->main.data();
        QLineEdit* client = main->frmClient->txtClient;
        const auto* cyl = c->frmCylindrical();
        const auto* rect = c->frmRectangular();
        const auto* vert = c->frmVertical();
        const auto* tilt = c->frmTilt();
        const QList<QWidget*> common = {client, main->frmCustomer->txtCustomer,
                                        main->frmCustomer->txtTankDesc,
                                        main->frmCustomer->txtSerialNo};
        const struct {
            const char* setUp;
            QList<QWidget*> then;  // after the heading, round to the client name
        } cases[] = {
            // At start: Calculate is disabled, thickness rows hidden.
            {"start",
             {c->optCylindrical, c->optInches, c->optInside, c->chkStriker, c->cboStep,
              c->txtIncrement, cyl->txtDiameter, cyl->txtLength, c->frmHeads()->cboHeads,
              tilt->txtFall, tilt->txtDipAt, c->cmdHistory, c->cmdExit, main->form1->optHV[0]}},
            // Rectangular, millimetres, outside, ready: every row and Calculate.
            {"rectangular outside",
             {c->optRectangular, c->optMillimeters, c->optOutside, c->chkStriker, c->cboStep,
              c->txtIncrement, rect->txtLength, rect->txtWidth, rect->txtHeight, rect->txtThickness,
              tilt->txtFall, tilt->txtDipAt, c->cmdCalculate, c->cmdHistory, c->cmdExit,
              main->form1->optHV[0]}},
            // Vertical: no Configuration frame.
            {"vertical outside",
             {c->optMillimeters, c->optOutside, c->chkStriker, c->cboStep, c->txtIncrement,
              vert->txtDiameter, vert->txtLength, vert->txtHeadThickness, vert->txtShellThickness,
              c->frmHeads()->cboHeads, c->cmdCalculate, c->cmdHistory, c->cmdExit,
              main->form1->optHV[1]}},
        };
        for (const auto& test : cases) {
            const QString setUp = QString::fromLatin1(test.setUp);
            if (setUp == QLatin1String("rectangular outside")) {
                c->optRectangular->setChecked(true);
                c->optMillimeters->setChecked(true);
                c->optOutside->setChecked(true);
                for (QLineEdit* f : {c->txtIncrement, rect->txtLength, rect->txtWidth,
                                     rect->txtHeight, rect->txtThickness})
                    f->setText(QStringLiteral("9"));
            } else if (setUp == QLatin1String("vertical outside")) {
                main->form1->optHV[1]->click();
                for (QLineEdit* f : {vert->txtDiameter, vert->txtLength, vert->txtHeadThickness,
                                     vert->txtShellThickness})
                    f->setText(QStringLiteral("9"));
            }
            const QList<QWidget*> order = common + test.then + QList<QWidget*>{client};
            client->setFocus(Qt::OtherFocusReason);
            for (qsizetype i = 1; i < order.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                settle();  // a move-on after Tab must not move the focus anywhere else
                QVERIFY2(QApplication::focusWidget() == order[i],
                         qPrintable(setUp + QStringLiteral(": Tab %1 went to ").arg(i) +
                                    QApplication::focusWidget()->objectName()));
            }
            for (qsizetype i = order.size() - 2; i >= 0; --i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                settle();
                QVERIFY2(QApplication::focusWidget() == order[i],
                         qPrintable(setUp + QStringLiteral(": Shift+Tab to %1 went to ").arg(i) +
                                    QApplication::focusWidget()->objectName()));
            }
        }
        QVERIFY(m_seams->messages.isEmpty());
    }

private:
    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
};

DIPSHEET_APP_TEST_MAIN(TestForm1)

#include "tst_form1.moc"
