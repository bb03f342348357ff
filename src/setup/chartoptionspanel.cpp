#include "chartoptionspanel.h"

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

ChartOptionsPanel::ChartOptionsPanel(QWidget* parentArea, const store::JobDatabase& database)
    : QWidget(parentArea), m_database(database) {
    createControls();

    // The dimension panels share the main window's client area with this panel, created in
    // the order of the main window's layout. Every edit or focus entry in a panel runs the
    // readiness rule on that panel.
    m_rectangularPanel = new RectangularPanel(parentArea);
    m_verticalPanel = new VerticalCylinderPanel(parentArea);
    m_horizontalPanel = new HorizontalCylinderPanel(parentArea);
    m_headsPanel = new HeadsPanel(parentArea);
    m_tiltPanel = new TiltPanel(parentArea);
    connect(m_tiltPanel, &TiltPanel::edited, this, ui::guard([this] { emit inputsChanged(); }));
    connect(m_headsPanel, &HeadsPanel::edited, this, ui::guard([this] {
                applyReadinessOnScreen();
                tellHeads();
            }));
    connect(m_rectangularPanel, &DimensionPanel::edited, this,
            ui::guard([this] { applyReadiness(m_rectangularPanel); }));
    for (const CylinderPanel* cylinder : {static_cast<const CylinderPanel*>(m_horizontalPanel),
                                          static_cast<const CylinderPanel*>(m_verticalPanel)}) {
        connect(cylinder, &DimensionPanel::edited, this, ui::guard([this, cylinder] {
                    refreshHeads();
                    applyReadiness(cylinder);
                }));
    }

    // An option's Click runs when it becomes the selected one of its frame.
    const auto onSelected = [this](QRadioButton* option, void (ChartOptionsPanel::*click)()) {
        connect(option, &QRadioButton::toggled, this, ui::guard([this, click](bool on) {
                    if (on)
                        (this->*click)();
                }));
    };
    onSelected(optCylindrical, &ChartOptionsPanel::optCylindrical_Click);
    onSelected(optRectangular, &ChartOptionsPanel::optRectangular_Click);
    onSelected(optOutside, &ChartOptionsPanel::optOutside_Click);
    onSelected(optInside, &ChartOptionsPanel::optInside_Click);
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
    // A switch of unit with figures typed offers to convert them until the next edit.
    connect(optInches, &QAbstractButton::toggled, this,
            ui::guard([this](bool inches) { unitSwitched(inches); }));
    connect(chkStriker, &QAbstractButton::toggled, this,
            ui::guard([this] { emit inputsChanged(); }));

    for (QLineEdit* field : measureFields()) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!m_converting)
                offerConversion(std::nullopt);
        });
    }

    showStartingPanel();
    applyReadinessOnScreen();  // nothing typed yet: disabled, and its tooltip says what to type
}

void ChartOptionsPanel::showStartingPanel() {
    show();
    m_horizontalPanel->show();
    m_rectangularPanel->hide();
    m_verticalPanel->hide();
}

// ---- The tank on screen.

chart::Shape ChartOptionsPanel::currentShape() const {
    if (!m_horizontal)
        return chart::Shape::VerticalCylinder;
    return optCylindrical->isChecked() ? chart::Shape::HorizontalCylinder
                                       : chart::Shape::Rectangular;
}

void ChartOptionsPanel::setTank(const chart::Tank& stored) {
    // The numbers in the user's format, as tankOf reads them back: a tank stored under another
    // format is shown, and charted, as the same tank.
    const QLocale locale = QLocale::system();
    const chart::Tank tank = stored.inFormat(
        {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()});
    m_horizontal = tank.horizontal();
    frmConfiguration->setVisible(m_horizontal);
    emit orientationShown(m_horizontal);
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
        m_rectangularPanel->setTexts({tank.length, tank.width, tank.height, tank.thickness});
    } else {
        static_cast<CylinderPanel*>(panel(tank.shape))
            ->setTexts({tank.diameter, tank.length, tank.headThickness, tank.shellThickness});
    }
    if (tank.horizontal())
        m_tiltPanel->setTexts(tank.fall, tank.dipAt);
    showShape(tank.shape);
    if (tank.shape != chart::Shape::Rectangular)
        m_headsPanel->setHeads(tank.heads);
    emit inputsChanged();
}

DimensionPanel* ChartOptionsPanel::panel(chart::Shape shape) const {
    switch (shape) {
        case chart::Shape::HorizontalCylinder:
            return m_horizontalPanel;
        case chart::Shape::Rectangular:
            return m_rectangularPanel;
        case chart::Shape::VerticalCylinder:
            break;
    }
    return m_verticalPanel;
}

void ChartOptionsPanel::showShape(chart::Shape shape) {
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

chart::Tank ChartOptionsPanel::tankOf(chart::Shape shape) const {
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
        const chart::RectTexts texts = m_rectangularPanel->texts();
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
        tank.heads = m_headsPanel->texts();
    }
    if (shape != chart::Shape::VerticalCylinder) {
        tank.fall = m_tiltPanel->fall();
        tank.dipAt = m_tiltPanel->dipAt();
    }
    return tank.normalised();
}

void ChartOptionsPanel::refreshHeads() {
    const chart::Shape shape = currentShape();
    m_tiltPanel->setVisible(shape != chart::Shape::VerticalCylinder);
    m_headsPanel->setVisible(shape != chart::Shape::Rectangular);
    if (shape != chart::Shape::Rectangular) {
        m_headsPanel->setVertical(shape == chart::Shape::VerticalCylinder);
        // The depths that follow from the diameter follow the inside diameter typed.
        const auto* cylinder = static_cast<const CylinderPanel*>(panel(shape));
        m_headsPanel->showDiameter(cylinder->insideDiameter(optOutside->isChecked()));
    }
    tellHeads();
}

void ChartOptionsPanel::tellHeads() {
    emit headsShown(m_headsPanel->isHidden() || m_headsPanel->kind() == chart::HeadKind::Flat);
}

void ChartOptionsPanel::applyOrientation(bool horizontal) {
    m_horizontal = horizontal;
    frmConfiguration->setVisible(horizontal);
    showShape(currentShape());
}

// ---- The readiness rule.

void ChartOptionsPanel::applyReadiness(const DimensionPanel* dimensions) {
    // Every test is strictly above 0; units and the striker plate play no part.
    const QByteArray increment = txtIncrement->text().toUtf8();
    const std::string_view incrementText(increment.constData(), size_t(increment.size()));
    const bool incrementTyped = chart::leadingNumber(incrementText) > 0;
    QString row = dimensions->missingRow(optOutside->isChecked());
    if (row.isEmpty() && dimensions != m_rectangularPanel)
        row = m_headsPanel->missingRow();  // a head depth the kind needs typed
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

void ChartOptionsPanel::applyReadinessOnScreen() {
    applyReadiness(currentPanel());
}

// ---- Configuration: the shape of a horizontal tank; the chart options keep the focus.

void ChartOptionsPanel::optCylindrical_Click() {
    showShape(chart::Shape::HorizontalCylinder);
    optCylindrical->setFocus();
}

void ChartOptionsPanel::optRectangular_Click() {
    showShape(chart::Shape::Rectangular);
    optRectangular->setFocus();
}

// ---- Dimensions: inside or outside measures. Only the panel on screen changes; a hidden
// panel gets its thickness rows when it is next shown.

void ChartOptionsPanel::optOutside_Click() {
    currentPanel()->setThicknessRowsVisible(true);
    refreshHeads();
    applyReadinessOnScreen();
}

void ChartOptionsPanel::optInside_Click() {
    currentPanel()->setThicknessRowsVisible(false);
    refreshHeads();
    applyReadinessOnScreen();
}

// ---- Increment.

void ChartOptionsPanel::txtIncrement_Change() {
    applyReadinessOnScreen();
}

void ChartOptionsPanel::txtIncrement_LostFocus() {
    // Tab from the increment (through the step's choice) goes on to the first dimension of the
    // tank on screen.
    ui::focusPanel(currentPanel());
}

bool ChartOptionsPanel::byVolume() const {
    return cboStep->currentIndex() == 1;
}

void ChartOptionsPanel::showStepCaption() {
    if (!byVolume()) {
        lblIncrement->setText(QStringLiteral("Incremental distance"));
        txtIncrement->setToolTip(
            QStringLiteral("Enter fractional increments as decimal (i.e. 1/8 = .125)"));
        return;
    }
    const QString unit = QString::fromLatin1(chart::volumeUnit(optInches->isChecked()));
    lblIncrement->setText(QStringLiteral("Volume step (%1)").arg(unit));
    txtIncrement->setToolTip(
        QStringLiteral("The chart gives the depth at every step of this many %1").arg(unit));
}

QList<QWidget*> ChartOptionsPanel::keyboardOrder() const {
    QList<QWidget*> order{optCylindrical, optRectangular, optInches, optMillimeters, optOutside,
                          optInside,      chkStriker,     cboStep,   txtIncrement};
    for (const DimensionPanel* panel : {static_cast<const DimensionPanel*>(m_horizontalPanel),
                                        static_cast<const DimensionPanel*>(m_verticalPanel),
                                        static_cast<const DimensionPanel*>(m_rectangularPanel)}) {
        for (QLineEdit* field : panel->fields())
            order << field;
    }
    order << m_headsPanel->keyboardOrder();
    for (QLineEdit* field : m_tiltPanel->fields())
        order << field;
    order << cmdCalculate << cmdHistory << cmdExit;
    return order;
}

}  // namespace dipsheet::setup
