#include "frmchart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "chart/numbers.h"
#include "ui.h"

namespace dipsheet::setup {

FrmChart::FrmChart(QWidget* parentArea, const store::JobDatabase& database)
    : QWidget(parentArea), m_database(database) {
    createControls();

    // The dimension panels share the main window's client area with this panel, created in
    // the order of the main window's layout. Every edit or focus entry in a panel runs the
    // readiness rule on that panel.
    m_frmRectangular = new FrmRectangular(parentArea);
    m_frmVertical = new FrmVertical(parentArea);
    m_frmCylindrical = new FrmCylindrical(parentArea);
    m_frmHeads = new FrmHeads(parentArea);
    m_frmTilt = new FrmTilt(parentArea);
    connect(m_frmTilt, &FrmTilt::edited, this, ui::guard([this] { emit inputsChanged(); }));
    connect(m_frmHeads, &FrmHeads::edited, this, ui::guard([this] { applyReadinessOnScreen(); }));
    connect(m_frmRectangular, &DimensionPanel::edited, this,
            ui::guard([this] { applyReadiness(m_frmRectangular); }));
    for (const CylinderPanel* cylinder : {static_cast<const CylinderPanel*>(m_frmCylindrical),
                                          static_cast<const CylinderPanel*>(m_frmVertical)}) {
        connect(cylinder, &DimensionPanel::edited, this, ui::guard([this, cylinder] {
                    refreshHeads();
                    applyReadiness(cylinder);
                }));
    }

    // An option's Click runs when it becomes the selected one of its frame.
    const auto onSelected = [this](QRadioButton* option, void (FrmChart::*click)()) {
        connect(option, &QRadioButton::toggled, this, ui::guard([this, click](bool on) {
                    if (on)
                        (this->*click)();
                }));
    };
    onSelected(optCylindrical, &FrmChart::optCylindrical_Click);
    onSelected(optRectangular, &FrmChart::optRectangular_Click);
    onSelected(optOutside, &FrmChart::optOutside_Click);
    onSelected(optInside, &FrmChart::optInside_Click);
    connect(txtIncrement, &QLineEdit::textChanged, this,
            ui::guard([this] { txtIncrement_Change(); }));
    // The step's choice comes before the increment it names; Tab from the increment goes on
    // to the tank.
    ui::onTabbedAway(txtIncrement, [this] { txtIncrement_LostFocus(); });
    connect(cboStep, &QComboBox::currentIndexChanged, this, ui::guard([this] {
                showStepCaption();
                applyReadinessOnScreen();
            }));
    connect(cmdCalculate, &QPushButton::clicked, this, ui::guard([this] { cmdCalculate_Click(); }));
    connect(cmdExit, &QPushButton::clicked, this, ui::guard([this] { cmdExit_Click(); }));
    connect(cmdHistory, &QPushButton::clicked, this,
            ui::guard([this] { emit historyRequested(); }));
    // The unit and the striker plate leave Calculate alone, but they are inputs of the chart.
    // A switch of unit with figures typed asks first what becomes of them.
    connect(optInches, &QAbstractButton::toggled, this,
            ui::guard([this](bool inches) { unitSwitched(inches); }));
    connect(chkStriker, &QAbstractButton::toggled, this,
            ui::guard([this] { emit inputsChanged(); }));

    showStartingPanel();
    applyReadinessOnScreen();  // nothing typed yet: disabled, and its tooltip says what to type
}

void FrmChart::showStartingPanel() {
    show();
    m_frmCylindrical->show();
    m_frmRectangular->hide();
    m_frmVertical->hide();
}

// ---- The tank on screen.

chart::Shape FrmChart::currentShape() const {
    if (!m_horizontal)
        return chart::Shape::VerticalCylinder;
    return optCylindrical->isChecked() ? chart::Shape::HorizontalCylinder
                                       : chart::Shape::Rectangular;
}

void FrmChart::setTank(const chart::Tank& stored) {
    // The numbers in the user's format, as tankOf reads them back: a tank stored under another
    // format is shown, and charted, as the same tank.
    const QLocale locale = QLocale::system();
    const chart::Tank tank = stored.inFormat(
        {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()});
    m_horizontal = tank.horizontal();
    frmConfiguration->setVisible(m_horizontal);
    {
        // The choices are set as they stand; the panel follows once, below, and the focus
        // stays where the user's hand left it.
        const QSignalBlocker shape1(optCylindrical), shape2(optRectangular);
        const QSignalBlocker outside1(optOutside), outside2(optInside);
        if (m_horizontal)
            (tank.shape == chart::Shape::Rectangular ? optRectangular : optCylindrical)
                ->setChecked(true);
        (tank.outside ? optOutside : optInside)->setChecked(true);
    }
    {
        // The tank's own unit: nothing typed is converted.
        const QSignalBlocker unit1(optInches), unit2(optMillimeters), step(cboStep);
        (tank.inches ? optInches : optMillimeters)->setChecked(true);
        cboStep->setCurrentIndex(tank.byVolume ? 1 : 0);
    }
    showStepCaption();
    chkStriker->setChecked(tank.striker);
    txtIncrement->setText(QString::fromStdString(tank.increment));
    if (tank.shape == chart::Shape::Rectangular) {
        m_frmRectangular->setTexts({tank.length, tank.width, tank.height, tank.thickness});
    } else {
        static_cast<CylinderPanel*>(panel(tank.shape))
            ->setTexts({tank.diameter, tank.length, tank.headThickness, tank.shellThickness});
    }
    if (tank.horizontal())
        m_frmTilt->setTexts(tank.fall, tank.dipAt);
    showShape(tank.shape);
    if (tank.shape != chart::Shape::Rectangular)
        m_frmHeads->setHeads(tank.heads);
    emit inputsChanged();
}

DimensionPanel* FrmChart::panel(chart::Shape shape) const {
    switch (shape) {
        case chart::Shape::HorizontalCylinder:
            return m_frmCylindrical;
        case chart::Shape::Rectangular:
            return m_frmRectangular;
        case chart::Shape::VerticalCylinder:
            break;
    }
    return m_frmVertical;
}

void FrmChart::showShape(chart::Shape shape) {
    DimensionPanel* own = panel(shape);
    own->show();
    for (chart::Shape other : {chart::Shape::HorizontalCylinder, chart::Shape::Rectangular,
                               chart::Shape::VerticalCylinder}) {
        if (other != shape)
            panel(other)->hide();
    }
    own->setThicknessRowsVisible(optOutside->isChecked());
    refreshHeads();
    applyReadiness(own);
}

chart::Tank FrmChart::tankOf(chart::Shape shape) const {
    chart::Tank tank;
    tank.shape = shape;
    tank.inches = optInches->isChecked();
    tank.outside = optOutside->isChecked();
    tank.striker = chkStriker->checkState() == Qt::Checked;
    tank.increment = txtIncrement->text().toStdString();
    tank.byVolume = byVolume();
    const QLocale locale = QLocale::system();
    tank.format.decimalSeparator = locale.decimalPoint().toStdString();
    tank.format.groupSeparator = locale.groupSeparator().toStdString();
    if (shape == chart::Shape::Rectangular) {
        const chart::RectTexts texts = m_frmRectangular->texts();
        tank.length = texts.length;
        tank.width = texts.width;
        tank.height = texts.height;
        tank.thickness = texts.thickness;
    } else {
        const auto* cylinder = static_cast<const CylinderPanel*>(panel(shape));
        const chart::CylTexts texts = cylinder->texts();
        tank.diameter = texts.diameter;
        tank.length = texts.length;
        tank.headThickness = texts.headThickness;
        tank.shellThickness = texts.shellThickness;
        tank.heads = m_frmHeads->texts();
    }
    if (shape != chart::Shape::VerticalCylinder) {
        tank.fall = m_frmTilt->fall();
        tank.dipAt = m_frmTilt->dipAt();
    }
    return tank.normalised();
}

void FrmChart::refreshHeads() {
    const chart::Shape shape = currentShape();
    m_frmTilt->setVisible(shape != chart::Shape::VerticalCylinder);
    m_frmHeads->setVisible(shape != chart::Shape::Rectangular);
    if (shape == chart::Shape::Rectangular)
        return;
    m_frmHeads->setVertical(shape == chart::Shape::VerticalCylinder);
    // The depths that follow from the diameter follow the inside diameter typed.
    const auto* cylinder = static_cast<const CylinderPanel*>(panel(shape));
    m_frmHeads->showDiameter(cylinder->insideDiameter(optOutside->isChecked()));
}

void FrmChart::applyOrientation(bool horizontal) {
    m_horizontal = horizontal;
    frmConfiguration->setVisible(horizontal);
    showShape(currentShape());
}

// ---- The readiness rule.

void FrmChart::applyReadiness(const DimensionPanel* dimensions) {
    // Every test is strictly above 0; units and the striker plate play no part.
    const QByteArray increment = txtIncrement->text().toUtf8();
    const std::string_view incrementText(increment.constData(), size_t(increment.size()));
    const bool incrementTyped = chart::leadingNumber(incrementText) > 0;
    QString row = dimensions->missingRow(optOutside->isChecked());
    if (row.isEmpty() && dimensions != m_frmRectangular)
        row = m_frmHeads->missingRow();  // a head depth the kind needs typed
    // Something typed that is no number is called that, as Calculate calls a dimension.
    const bool incrementIsText = !txtIncrement->text().trimmed().isEmpty() &&
                                 !chart::isNumberText(incrementText, chart::NumberFormat{".", ""});
    const QString missing =
        !incrementTyped && incrementIsText
            ? (byVolume() ? QStringLiteral("Volume step: \"%1\" is not a number. Type the "
                                           "step as a decimal, e.g. 50 or 2.5")
                          : QStringLiteral("Incremental distance: \"%1\" is not a number. Type "
                                           "the increment as a decimal, e.g. .125"))
                  .arg(txtIncrement->text().trimmed())
        : !incrementTyped ? (byVolume() ? QStringLiteral("Type a volume step greater than 0")
                                        : QStringLiteral("Type an increment greater than 0"))
        : row.isEmpty()   ? QString()
                          : QStringLiteral("Type the ") + row;
    const bool ready = missing.isEmpty();
    cmdCalculate->setEnabled(ready);
    ui::setBackground(cmdCalculate, ready ? ui::colour::yellow : ui::colour::lightGrey);
    cmdCalculate->setToolTip(missing);
    emit inputsChanged();
}

void FrmChart::applyReadinessOnScreen() {
    applyReadiness(currentPanel());
}

// ---- Configuration: the shape of a horizontal tank; the chart options keep the focus.

void FrmChart::optCylindrical_Click() {
    showShape(chart::Shape::HorizontalCylinder);
    optCylindrical->setFocus();
}

void FrmChart::optRectangular_Click() {
    showShape(chart::Shape::Rectangular);
    optRectangular->setFocus();
}

// ---- Dimensions: inside or outside measures. Only the panel on screen changes; a hidden
// panel gets its thickness rows when it is next shown.

void FrmChart::optOutside_Click() {
    currentPanel()->setThicknessRowsVisible(true);
    refreshHeads();
    applyReadinessOnScreen();
}

void FrmChart::optInside_Click() {
    currentPanel()->setThicknessRowsVisible(false);
    refreshHeads();
    applyReadinessOnScreen();
}

// ---- Increment.

void FrmChart::txtIncrement_Change() {
    applyReadinessOnScreen();
}

void FrmChart::txtIncrement_LostFocus() {
    // Tab from the increment (through the step's choice) goes on to the first dimension of the
    // tank on screen.
    ui::focusPanel(currentPanel());
}

bool FrmChart::byVolume() const {
    return cboStep->currentIndex() == 1;
}

void FrmChart::showStepCaption() {
    if (!byVolume()) {
        Label2->setText(QStringLiteral("Incremental distance"));
        txtIncrement->setToolTip(
            QStringLiteral("Enter fractional increments as decimal (i.e. 1/8 = .125)"));
        return;
    }
    const QString unit = QString::fromLatin1(chart::volumeUnit(optInches->isChecked()));
    Label2->setText(QStringLiteral("Volume step (%1)").arg(unit));
    txtIncrement->setToolTip(
        QStringLiteral("The chart gives the depth at every step of this many %1").arg(unit));
}

QList<QWidget*> FrmChart::keyboardOrder() const {
    QList<QWidget*> order{optCylindrical, optRectangular, optInches, optMillimeters, optOutside,
                          optInside,      chkStriker,     cboStep,   txtIncrement};
    for (const DimensionPanel* panel : {static_cast<const DimensionPanel*>(m_frmCylindrical),
                                        static_cast<const DimensionPanel*>(m_frmVertical),
                                        static_cast<const DimensionPanel*>(m_frmRectangular)}) {
        for (QLineEdit* field : panel->fields())
            order << field;
    }
    order << m_frmHeads->keyboardOrder();
    for (QLineEdit* field : m_frmTilt->fields())
        order << field;
    order << cmdCalculate << cmdHistory << cmdExit;
    return order;
}

}  // namespace dipsheet::setup
