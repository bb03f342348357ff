#include "setup/chartoptionspanel.h"

// The controls of the chart options panel: the three option frames, the striker plate, the
// increment and the two commands, at their places, in their first state and Tab order.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include "ui.h"

namespace dipsheet::setup {

namespace {

QGroupBox* makeFrame(QWidget* panel, const QString& name, const QString& caption, int left) {
    auto* frame = new QGroupBox(caption, panel);
    frame->setObjectName(name);
    ui::placeTwips(frame, left, 120, 1515, 1215);
    ui::setBackground(frame, ui::colour::blue);
    ui::setTextColour(frame, QPalette().color(QPalette::HighlightedText));
    return frame;
}

QRadioButton* makeOption(QGroupBox* frame, const QString& name, const QString& caption, int top) {
    auto* option = new QRadioButton(caption, frame);
    option->setObjectName(name);
    ui::placeTwips(option, 120, top, 1335, 255);
    ui::setBackground(option, ui::colour::blue);
    ui::setCaptionColour(option, ui::colour::white);
    return option;
}

QPushButton* makeButton(QWidget* panel, const QString& name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, panel);
    button->setObjectName(name);
    ui::placeTwips(button, left, 2280, 1215, 495);
    return button;
}

}  // namespace

void ChartOptionsPanel::createControls() {
    setObjectName(QStringLiteral("frmChart"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 4680, 2925).size());
    ui::setBackground(this, ui::colour::blue);

    frmConfiguration =
        makeFrame(this, QStringLiteral("frmConfiguration"), QStringLiteral("Configuration"), 0);
    optCylindrical = makeOption(frmConfiguration, QStringLiteral("optCylindrical"),
                                QStringLiteral("Cylindrical"), 360);
    optRectangular = makeOption(frmConfiguration, QStringLiteral("optRectangular"),
                                QStringLiteral("Rectangular"), 720);
    frmUnits = makeFrame(this, QStringLiteral("frmUnits"), QStringLiteral("Units"), 1560);
    optInches = makeOption(frmUnits, QStringLiteral("optInches"), QStringLiteral("Inches"), 360);
    optMillimeters =
        makeOption(frmUnits, QStringLiteral("optMillimeters"), QStringLiteral("Millimeters"), 720);
    frmDimension =
        makeFrame(this, QStringLiteral("frmDimension"), QStringLiteral("Dimensions"), 3120);
    optOutside =
        makeOption(frmDimension, QStringLiteral("optOutside"), QStringLiteral("Outside"), 360);
    optOutside->setToolTip(QStringLiteral("Requires input of Thicknesses"));
    optInside =
        makeOption(frmDimension, QStringLiteral("optInside"), QStringLiteral("Inside"), 720);

    chkStriker = new QCheckBox(QStringLiteral("Allow for Striker Plate"), this);
    chkStriker->setObjectName(QStringLiteral("chkStriker"));
    chkStriker->setToolTip(QStringLiteral("Check if Striker Plate exists"));
    ui::placeTwips(chkStriker, 720, 1440, 1800, 255);
    ui::setBackground(chkStriker, ui::colour::blue);
    ui::setCaptionColour(chkStriker, ui::colour::white);

    txtIncrement = new QLineEdit(this);
    txtIncrement->setObjectName(QStringLiteral("txtIncrement"));
    ui::noLengthLimit(txtIncrement);
    txtIncrement->setToolTip(
        QStringLiteral("Enter fractional increments as decimal (i.e. 1/8 = .125)"));
    ui::placeTwips(txtIncrement, 2640, 1800, 1215, 285);
    ui::setBackground(txtIncrement, ui::colour::white);
    ui::setTextColour(txtIncrement, Qt::black);
    ui::selectAllOnEntry(txtIncrement);

    // The step of the chart, above the increment it reads: by depth or by volume.
    cboStep = new QComboBox(this);
    cboStep->setObjectName(QStringLiteral("cboStep"));
    cboStep->addItems({QStringLiteral("by depth"), QStringLiteral("by volume")});
    cboStep->setToolTip(
        QStringLiteral("Step the chart by depth, or by volume: the depth at each volume step"));
    ui::placeTwips(cboStep, 2640, 1410, 1215, 315);

    cmdCalculate =
        makeButton(this, QStringLiteral("cmdCalculate"), QStringLiteral("Calculate"), 360);
    // Past Charts stands between the pair, on the face the chart window wears.
    cmdHistory =
        makeButton(this, QStringLiteral("cmdHistory"), QStringLiteral("Past Charts..."), 1740);
    cmdHistory->setToolTip(QStringLiteral("Find, load or reprint a chart made before (Ctrl+H)"));
    ui::setBackground(cmdHistory, ui::colour::cyan);
    cmdExit = makeButton(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"), 3120);
    ui::setBackground(cmdExit, ui::colour::green);

    lblIncrement = new QLabel(QStringLiteral("Incremental distance"), this);
    lblIncrement->setObjectName(QStringLiteral("Label2"));
    lblIncrement->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::placeTwips(lblIncrement, 720, 1800, 1875, 255);  // room for "Volume step (US gal)"
    ui::setBackground(lblIncrement, ui::colour::blue);
    ui::setTextColour(lblIncrement, ui::colour::white);

    // Initial state: Cylindrical, Inches, Inside, striker plate fitted, no increment yet.
    optCylindrical->setChecked(true);
    optInches->setChecked(true);
    optInside->setChecked(true);
    chkStriker->setChecked(true);
    cmdCalculate->setEnabled(false);
    ui::setBackground(cmdCalculate, ui::colour::lightGrey);

    QWidget::setTabOrder(optCylindrical, optRectangular);
    QWidget::setTabOrder(optRectangular, optInches);
    QWidget::setTabOrder(optInches, optMillimeters);
    QWidget::setTabOrder(optMillimeters, optOutside);
    QWidget::setTabOrder(optOutside, optInside);
    QWidget::setTabOrder(optInside, chkStriker);
    QWidget::setTabOrder(chkStriker, cboStep);
    QWidget::setTabOrder(cboStep, txtIncrement);
    QWidget::setTabOrder(txtIncrement, cmdCalculate);
    QWidget::setTabOrder(cmdCalculate, cmdHistory);
    QWidget::setTabOrder(cmdHistory, cmdExit);
    ui::oneTabStopPerGroup({optCylindrical, optRectangular});
    ui::oneTabStopPerGroup({optInches, optMillimeters});
    ui::oneTabStopPerGroup({optOutside, optInside});
}

}  // namespace dipsheet::setup
