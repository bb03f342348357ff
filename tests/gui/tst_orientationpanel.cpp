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
#include "chartoptionspanel.h"
#include "clientpanel.h"
#include "dimensionpanels.h"
#include "headingpanel.h"
#include "headspanel.h"
#include "mainwindow.h"
#include "orientationpanel.h"

using namespace app_testing;
using dipsheet::app::OrientationPanel;
using dipsheet::setup::ChartOptionsPanel;

namespace {

// Exactly one dimension panel is in view, and it is the one the orientation and the shape
// choice name.
QString checkOnePanelInView(ChartOptionsPanel* c) {
    QStringList inView;
    for (QWidget* p :
         {static_cast<QWidget*>(c->rectangularPanel()), static_cast<QWidget*>(c->horizontalPanel()),
          static_cast<QWidget*>(c->verticalPanel())}) {
        if (p->isVisible())
            inView << p->objectName();
    }
    const QString expected = findNamed<QGroupBox>(c, "frmConfiguration")->isHidden()
                                 ? QStringLiteral("frmVertical")
                             : findNamed<QRadioButton>(c, "optCylindrical")->isChecked()
                                 ? QStringLiteral("frmCylindrical")
                                 : QStringLiteral("frmRectangular");
    if (inView != QStringList{expected})
        return QStringLiteral("in view: %1, expected %2").arg(inView.join(u','), expected);
    return {};
}

}  // namespace

class TestOrientationPanel : public QObject {
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
        ChartOptionsPanel* c = m_program->chart();
        OrientationPanel* f = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
        QCOMPARE(checkOnePanelInView(c), QString());
        QVERIFY(c->horizontalPanel()->isVisible());

        // Vertical: Configuration goes, the vertical panel comes, without thickness rows.
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(1)));
        QVERIFY(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(1))->isChecked() &&
                !findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(0))->isChecked());
        QVERIFY(findNamed<QGroupBox>(c, "frmConfiguration")->isHidden());
        QCOMPARE(checkOnePanelInView(c), QString());
        QVERIFY(findNamed<QLineEdit>(c->verticalPanel(), "txtHeadThickness")->isHidden());

        // Rectangular chosen while vertical is ignored until horizontal comes back.
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(0)));
        clickOption(findNamed<QRadioButton>(c, "optRectangular"));
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(1)));
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(0)));
        QVERIFY(!findNamed<QGroupBox>(c, "frmConfiguration")->isHidden());
        QVERIFY(c->rectangularPanel()->isVisible());
        QCOMPARE(checkOnePanelInView(c), QString());
        clickOption(findNamed<QRadioButton>(
            f, QStringLiteral("optHV(%1)")
                   .arg(0)));  // clicking the selected option again changes nothing
        QCOMPARE(checkOnePanelInView(c), QString());
    }

    // The thickness rows of the panel brought into view follow Inside/Outside, whatever they
    // were before.
    void thicknessRowsFollowOutside() {
        ChartOptionsPanel* c = m_program->chart();
        OrientationPanel* f = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
        auto* vert = c->verticalPanel();
        auto* cyl = c->horizontalPanel();

        clickOption(findNamed<QRadioButton>(c, "optOutside"));
        QVERIFY(!findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden());
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(1)));
        QVERIFY(!findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden() &&
                !findNamed<QLineEdit>(vert, "txtShellThickness")->isHidden());
        QCOMPARE(findNamed<QLabel>(vert, "Label3")->text(), QStringLiteral("Bottom Thickness"));
        QVERIFY(!findNamed<QLabel>(vert, "Label3")->isHidden());

        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(0)));
        clickOption(findNamed<QRadioButton>(c, "optInside"));  // hides the cylinder's rows only
        QVERIFY(findNamed<QLineEdit>(cyl, "txtHeadThickness")->isHidden());
        QVERIFY(!findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden());
        clickOption(findNamed<QRadioButton>(
            f, QStringLiteral("optHV(%1)").arg(1)));  // vertical again: its rows go, as Inside says
        QVERIFY(findNamed<QLineEdit>(vert, "txtHeadThickness")->isHidden() &&
                findNamed<QLabel>(vert, "Label4")->isHidden());
        QCOMPARE(checkOnePanelInView(c), QString());
    }

    // After every change of orientation Calculate reflects the panel now in view.
    void calculateFollowsPanelInView() {
        ChartOptionsPanel* c = m_program->chart();
        OrientationPanel* f = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
        typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("1"));
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter"), QStringLiteral("48"));
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtLength"), QStringLiteral("120"));
        QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdCalculate")), ui::colour::yellow);

        clickOption(findNamed<QRadioButton>(
            f, QStringLiteral("optHV(%1)").arg(1)));  // the vertical panel is empty
        QVERIFY(!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        QCOMPARE(ui::background(findNamed<QPushButton>(c, "cmdCalculate")), ui::colour::lightGrey);

        typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter"), QStringLiteral("30"));
        typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtLength"), QStringLiteral("60"));
        QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        clickOption(findNamed<QRadioButton>(
            c, "optOutside"));  // the vertical panel now needs its thicknesses
        QVERIFY(!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());

        clickOption(findNamed<QRadioButton>(
            f, QStringLiteral("optHV(%1)")
                   .arg(0)));  // horizontal cylinder with Outside: thicknesses missing
        QVERIFY(!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        clickOption(findNamed<QRadioButton>(c, "optInside"));
        QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        QCOMPARE(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter")->text(),
                 QStringLiteral("48"));  // kept
    }

    // Calculate on a vertical tank charts the vertical panel's tank, whatever the shape says.
    void verticalTankCalculated() {
        ChartOptionsPanel* c = m_program->chart();
        OrientationPanel* f = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
        clickOption(findNamed<QRadioButton>(c, "optRectangular"));
        clickOption(findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(1)));
        typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("10"));
        typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtDiameter"), QStringLiteral("30"));
        typeInto(findNamed<QLineEdit>(c->verticalPanel(), "txtLength"), QStringLiteral("60"));
        QVERIFY(findNamed<QPushButton>(c, "cmdCalculate")->isEnabled());
        QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
        QTRY_VERIFY(m_program->main->chartWindow());
        const auto rows = m_scratch->capacity();
        QVERIFY(!rows.empty());
        QCOMPARE(rows.size() + 1, c->chartRows().size());
        QCOMPARE(rows.front()[0], c->chartRows()[1].depth);
        QVERIFY(m_seams->messages.isEmpty());
    }

    // The captions name the flat heads (bottom) while they are flat, and leave the kind out
    // while others are chosen: each orientation keeps its own kind.
    void captionsNeverContradictTheHeads() {
        ChartOptionsPanel* c = m_program->chart();
        OrientationPanel* f = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
        const auto caption = [f](int side) {
            return findNamed<QRadioButton>(f, QStringLiteral("optHV(%1)").arg(side))->text();
        };
        const QString flat[2] = {QStringLiteral("Horizontal Tank with Flat Heads"),
                                 QStringLiteral("Vertical Tank with Flat Bottom")};
        const QString plain[2] = {QStringLiteral("Horizontal Tank"),
                                  QStringLiteral("Vertical Tank")};
        QCOMPARE(caption(0), flat[0]);
        findNamed<QComboBox>(c->headsPanel(), "cboHeads")->setCurrentIndex(2);  // hemispherical
        QCOMPARE(caption(0), plain[0]);
        QCOMPARE(caption(1), plain[1]);
        findNamed<QRadioButton>(f, QStringLiteral("optHV(1)"))->click();  // its bottom is flat
        QCOMPARE(caption(0), flat[0]);
        QCOMPARE(caption(1), flat[1]);
        findNamed<QRadioButton>(f, QStringLiteral("optHV(0)"))->click();
        QCOMPARE(caption(1), plain[1]);
        findNamed<QComboBox>(c->headsPanel(), "cboHeads")->setCurrentIndex(0);
        QCOMPARE(caption(0), flat[0]);
    }

    // Tab runs across the whole main window in the order a job is filled, and Shift+Tab back;
    // hidden and disabled controls are skipped, a group of options is one stop.
    void tabRunsInTheOrderAJobIsFilled() {
        ChartOptionsPanel* c = m_program->chart();
        auto* main = m_program->main.data();
        QLineEdit* client = findNamed<QLineEdit>(
            findNamed<dipsheet::app::ClientPanel>(main, "frmClient"), "txtClient");
        const auto* cyl = c->horizontalPanel();
        const auto* rect = c->rectangularPanel();
        const auto* vert = c->verticalPanel();
        const auto* tilt = c->tiltPanel();
        const QList<QWidget*> common = {
            client,
            findNamed<QPlainTextEdit>(findNamed<dipsheet::app::HeadingPanel>(main, "frmCustomer"),
                                      "txtCustomer"),
            findNamed<QPlainTextEdit>(findNamed<dipsheet::app::HeadingPanel>(main, "frmCustomer"),
                                      "txtTankDesc"),
            findNamed<QLineEdit>(findNamed<dipsheet::app::HeadingPanel>(main, "frmCustomer"),
                                 "txtSerialNo")};
        const struct {
            const char* setUp;
            QList<QWidget*> then;  // after the heading, round to the client name
        } cases[] = {
            // At start: Calculate is disabled, thickness rows hidden.
            {"start",
             {findNamed<QRadioButton>(c, "optCylindrical"), findNamed<QRadioButton>(c, "optInches"),
              findNamed<QRadioButton>(c, "optInside"), findNamed<QCheckBox>(c, "chkStriker"),
              findNamed<QComboBox>(c, "cboStep"), findNamed<QLineEdit>(c, "txtIncrement"),
              findNamed<QLineEdit>(cyl, "txtDiameter"), findNamed<QLineEdit>(cyl, "txtLength"),
              findNamed<QComboBox>(c->headsPanel(), "cboHeads"),
              findNamed<QLineEdit>(tilt, "txtFall"), findNamed<QLineEdit>(tilt, "txtDipAt"),
              findNamed<QPushButton>(c, "cmdHistory"), findNamed<QPushButton>(c, "cmdExit"),
              findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                      QStringLiteral("optHV(%1)").arg(0))}},
            // Rectangular, millimetres, outside, ready: every row and Calculate.
            {"rectangular outside",
             {findNamed<QRadioButton>(c, "optRectangular"),
              findNamed<QRadioButton>(c, "optMillimeters"),
              findNamed<QRadioButton>(c, "optOutside"), findNamed<QCheckBox>(c, "chkStriker"),
              findNamed<QComboBox>(c, "cboStep"), findNamed<QLineEdit>(c, "txtIncrement"),
              findNamed<QLineEdit>(rect, "txtLength"), findNamed<QLineEdit>(rect, "txtWidth"),
              findNamed<QLineEdit>(rect, "txtHeight"), findNamed<QLineEdit>(rect, "txtThickness"),
              findNamed<QLineEdit>(tilt, "txtFall"), findNamed<QLineEdit>(tilt, "txtDipAt"),
              findNamed<QPushButton>(c, "cmdCalculate"), findNamed<QPushButton>(c, "cmdHistory"),
              findNamed<QPushButton>(c, "cmdExit"),
              findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                      QStringLiteral("optHV(%1)").arg(0))}},
            // Vertical: no Configuration frame.
            {"vertical outside",
             {findNamed<QRadioButton>(c, "optMillimeters"),
              findNamed<QRadioButton>(c, "optOutside"), findNamed<QCheckBox>(c, "chkStriker"),
              findNamed<QComboBox>(c, "cboStep"), findNamed<QLineEdit>(c, "txtIncrement"),
              findNamed<QLineEdit>(vert, "txtDiameter"), findNamed<QLineEdit>(vert, "txtLength"),
              findNamed<QLineEdit>(vert, "txtHeadThickness"),
              findNamed<QLineEdit>(vert, "txtShellThickness"),
              findNamed<QComboBox>(c->headsPanel(), "cboHeads"),
              findNamed<QPushButton>(c, "cmdCalculate"), findNamed<QPushButton>(c, "cmdHistory"),
              findNamed<QPushButton>(c, "cmdExit"),
              findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                      QStringLiteral("optHV(%1)").arg(1))}},
        };
        for (const auto& test : cases) {
            const QString setUp = QString::fromLatin1(test.setUp);
            if (setUp == QLatin1String("rectangular outside")) {
                findNamed<QRadioButton>(c, "optRectangular")->setChecked(true);
                findNamed<QRadioButton>(c, "optMillimeters")->setChecked(true);
                findNamed<QRadioButton>(c, "optOutside")->setChecked(true);
                for (QLineEdit* f : {findNamed<QLineEdit>(c, "txtIncrement"),
                                     findNamed<QLineEdit>(rect, "txtLength"),
                                     findNamed<QLineEdit>(rect, "txtWidth"),
                                     findNamed<QLineEdit>(rect, "txtHeight"),
                                     findNamed<QLineEdit>(rect, "txtThickness")})
                    f->setText(QStringLiteral("9"));
            } else if (setUp == QLatin1String("vertical outside")) {
                findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                        QStringLiteral("optHV(%1)").arg(1))
                    ->click();
                for (QLineEdit* f : {findNamed<QLineEdit>(vert, "txtDiameter"),
                                     findNamed<QLineEdit>(vert, "txtLength"),
                                     findNamed<QLineEdit>(vert, "txtHeadThickness"),
                                     findNamed<QLineEdit>(vert, "txtShellThickness")})
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

DIPSHEET_APP_TEST_MAIN(TestOrientationPanel)

#include "tst_orientationpanel.moc"
