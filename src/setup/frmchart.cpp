#include "frmchart.h"

#include <QCheckBox>
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

#include "numbers.h"
#include "setup.h"
#include "store.h"
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

FrmChart::FrmChart(QWidget* parentArea) : QWidget(parentArea) {
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

    cmdCalculate =
        makeButton(this, QStringLiteral("cmdCalculate"), QStringLiteral("Calculate"), 360);
    cmdExit = makeButton(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"), 3120);
    ui::setBackground(cmdExit, ui::colour::green);

    Label2 = new QLabel(QStringLiteral("Incremental distance"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::placeTwips(Label2, 720, 1800, 1575, 255);
    ui::setBackground(Label2, ui::colour::blue);
    ui::setTextColour(Label2, ui::colour::white);

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
    QWidget::setTabOrder(chkStriker, txtIncrement);
    QWidget::setTabOrder(txtIncrement, cmdCalculate);
    QWidget::setTabOrder(cmdCalculate, cmdExit);
    ui::oneTabStopPerGroup({optCylindrical, optRectangular});
    ui::oneTabStopPerGroup({optInches, optMillimeters});
    ui::oneTabStopPerGroup({optOutside, optInside});

    // The dimension panels share the main window's client area with this panel, created in
    // the order of the main window's layout. Every edit or focus entry in a panel runs the
    // readiness rule on that panel.
    m_frmRectangular = new FrmRectangular(parentArea);
    m_frmVertical = new FrmVertical(parentArea);
    m_frmCylindrical = new FrmCylindrical(parentArea);
    m_frmHeads = new FrmHeads(parentArea);
    connect(m_frmHeads, &FrmHeads::edited, this, ui::guard([this] {
                SetCalculateCurrent();
                emit headsChanged(m_frmHeads->isHidden() ||
                                  m_frmHeads->kind() == chart::HeadKind::Flat);
            }));
    connect(m_frmRectangular, &DimensionPanel::edited, this,
            ui::guard([this] { SetCalculateRect(); }));
    for (const CylinderPanel* cylinder : {static_cast<const CylinderPanel*>(m_frmCylindrical),
                                          static_cast<const CylinderPanel*>(m_frmVertical)}) {
        connect(cylinder, &DimensionPanel::edited, this, ui::guard([this, cylinder] {
                    refreshHeads();
                    SetCalculateCyl(cylinder);
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
    ui::onTabbedAway(txtIncrement, [this] { txtIncrement_LostFocus(); });
    connect(cmdCalculate, &QPushButton::clicked, this, ui::guard([this] { cmdCalculate_Click(); }));
    connect(cmdExit, &QPushButton::clicked, this, ui::guard([this] { cmdExit_Click(); }));
    // The unit and the striker plate leave Calculate alone, but they are inputs of the chart.
    for (QAbstractButton* choice :
         {static_cast<QAbstractButton*>(optInches), static_cast<QAbstractButton*>(chkStriker)}) {
        connect(choice, &QAbstractButton::toggled, this,
                ui::guard([this] { emit inputsChanged(); }));
    }

    Form_Load();
    SetCalculateCurrent();  // nothing typed yet: disabled, and its tooltip says what to type
}

void FrmChart::Form_Load() {
    show();
    m_frmCylindrical->show();
    m_frmRectangular->hide();
    m_frmVertical->hide();
}

// ---- The tank on screen.

FrmChart::Tank FrmChart::currentTank() const {
    if (frmConfiguration->isHidden())
        return Tank::Vertical;
    return optCylindrical->isChecked() ? Tank::Cylindrical : Tank::Rectangular;
}

DimensionPanel* FrmChart::panel(Tank tank) const {
    switch (tank) {
        case Tank::Cylindrical:
            return m_frmCylindrical;
        case Tank::Rectangular:
            return m_frmRectangular;
        case Tank::Vertical:
            break;
    }
    return m_frmVertical;
}

void FrmChart::showTank(Tank tank) {
    DimensionPanel* own = panel(tank);
    own->show();
    for (Tank other : {Tank::Cylindrical, Tank::Rectangular, Tank::Vertical}) {
        if (other != tank)
            panel(other)->hide();
    }
    own->setThicknessRowsVisible(optOutside->isChecked());
    refreshHeads();
    applyReadiness(own);
    emit headsChanged(m_frmHeads->isHidden() || m_frmHeads->kind() == chart::HeadKind::Flat);
}

QString FrmChart::setupDescription() const {
    const auto typed = [](const QLabel* label, const QLineEdit* field) {
        return chart::TypedDimension{label->text().toStdString(),
                                     field->text().toUtf8().toStdString()};
    };
    const bool outside = optOutside->isChecked();
    std::vector<chart::TypedDimension> rows;
    chart::Shape shape = chart::Shape::Rectangular;
    chart::HeadKind heads = chart::HeadKind::Flat;
    if (currentTank() == Tank::Rectangular) {
        const FrmRectangular* p = m_frmRectangular;
        rows = {typed(p->Label1, p->txtLength), typed(p->Label2, p->txtWidth),
                typed(p->Label3, p->txtHeight)};
        if (outside)
            rows.push_back(typed(p->Label4, p->txtThickness));
    } else {
        const auto* p = static_cast<const CylinderPanel*>(currentPanel());
        shape = currentTank() == Tank::Vertical ? chart::Shape::VerticalCylinder
                                                : chart::Shape::HorizontalCylinder;
        heads = m_frmHeads->kind();
        rows = {typed(p->Label1, p->txtDiameter), typed(p->Label2, p->txtLength)};
        if (outside) {
            rows.push_back(typed(p->Label3, p->txtHeadThickness));
            rows.push_back(typed(p->Label4, p->txtShellThickness));
        }
        if (chart::headDepthIsTyped(heads))
            rows.push_back(typed(m_frmHeads->Label2, m_frmHeads->txtHeadDepth));
    }
    return QString::fromStdString(chart::describeSetup(shape, chartOptions(), rows, heads));
}

QString FrmChart::headsDescription() const {
    return currentTank() == Tank::Rectangular ? QString() : m_frmHeads->description();
}

void FrmChart::refreshHeads() {
    const Tank tank = currentTank();
    m_frmHeads->setVisible(tank != Tank::Rectangular);
    if (tank == Tank::Rectangular)
        return;
    m_frmHeads->setVertical(tank == Tank::Vertical);
    // The depths that follow from the diameter follow the inside diameter typed.
    const auto* cylinder = static_cast<const CylinderPanel*>(panel(tank));
    const auto number = [](const QLineEdit* field) {
        const QByteArray text = field->text().toUtf8();
        return chart::leadingNumber(std::string_view(text.constData(), size_t(text.size())));
    };
    double inside = number(cylinder->txtDiameter);
    if (optOutside->isChecked())
        inside -= 2 * number(cylinder->txtShellThickness);
    m_frmHeads->showDiameter(inside);
}

void FrmChart::applyOrientation(bool horizontal) {
    frmConfiguration->setVisible(horizontal);
    showTank(currentTank());
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
            ? QStringLiteral(
                  "Incremental distance: \"%1\" is not a number. Type the increment "
                  "as a decimal, e.g. .125")
                  .arg(txtIncrement->text().trimmed())
        : !incrementTyped ? QStringLiteral("Type an increment greater than 0")
        : row.isEmpty()   ? QString()
                          : QStringLiteral("Type the ") + row;
    const bool ready = missing.isEmpty();
    cmdCalculate->setEnabled(ready);
    ui::setBackground(cmdCalculate, ready ? ui::colour::yellow : ui::colour::lightGrey);
    cmdCalculate->setToolTip(missing);
    emit inputsChanged();
}

void FrmChart::SetCalculateRect() {
    applyReadiness(m_frmRectangular);
}

void FrmChart::SetCalculateCyl(const CylinderPanel* cylinder) {
    applyReadiness(cylinder);
}

void FrmChart::SetCalculateCurrent() {
    applyReadiness(currentPanel());
}

// ---- Configuration: the shape of a horizontal tank; the chart options keep the focus.

void FrmChart::optCylindrical_Click() {
    showTank(Tank::Cylindrical);
    optCylindrical->setFocus();
}

void FrmChart::optRectangular_Click() {
    showTank(Tank::Rectangular);
    optRectangular->setFocus();
}

// ---- Dimensions: inside or outside measures. Only the panel on screen changes; a hidden
// panel gets its thickness rows when it is next shown.

void FrmChart::optOutside_Click() {
    currentPanel()->setThicknessRowsVisible(true);
    refreshHeads();
    SetCalculateCurrent();
}

void FrmChart::optInside_Click() {
    currentPanel()->setThicknessRowsVisible(false);
    refreshHeads();
    SetCalculateCurrent();
}

// ---- Increment.

void FrmChart::txtIncrement_Change() {
    SetCalculateCurrent();
}

void FrmChart::txtIncrement_LostFocus() {
    // Tab from the increment goes on to the first dimension of the tank on screen.
    ui::focusPanel(currentPanel());
}

// ---- Commands.

void FrmChart::cmdCalculate_Click() {
    try {
        switch (currentTank()) {
            case Tank::Cylindrical:
                CalcCyl();
                break;
            case Tank::Rectangular:
                CalcRect();
                break;
            case Tank::Vertical:
                CalcVert();
                break;
        }
    } catch (const chart::InputError& e) {
        // Input the user can mend: say what is wrong; nothing was kept or written.
        ui::messageBox(QString::fromUtf8(e.what()));
    }
}

void FrmChart::cmdExit_Click() {
    emit aboutToExit();
    ui::endProgram();
}

// ---- The chart algorithms and the row writer.

chart::ChartOptions FrmChart::chartOptions() const {
    chart::ChartOptions options;
    options.outside = optOutside->isChecked();
    options.inches = optInches->isChecked();
    options.striker = chkStriker->checkState() == Qt::Checked;
    options.increment = txtIncrement->text().toUtf8().toStdString();
    const QLocale locale = QLocale::system();
    options.format.decimalSeparator = locale.decimalPoint().toStdString();
    options.format.groupSeparator = locale.groupSeparator().toStdString();
    return options;
}

void FrmChart::CalcRect() {
    const chart::ChartOptions options = chartOptions();
    const chart::RectTexts texts = m_frmRectangular->texts();
    keepChart(chart::calcRect(options, texts), chart::rectVolume(options, texts).full());
}

void FrmChart::CalcCyl() {
    const chart::ChartOptions options = chartOptions();
    const chart::CylTexts texts = m_frmCylindrical->texts();
    keepChart(chart::calcCyl(options, texts, m_frmHeads->texts()),
              chart::cylVolume(options, texts, m_frmHeads->texts()).full());
}

void FrmChart::CalcVert() {
    const chart::ChartOptions options = chartOptions();
    const chart::CylTexts texts = m_frmVertical->texts();
    keepChart(chart::calcVert(options, texts, m_frmHeads->texts()),
              chart::vertVolume(options, texts, m_frmHeads->texts()).full());
}

void FrmChart::keepChart(chart::ChartRows rows, double full) {
    // The chart in memory is replaced only once it is in the file: a write that fails leaves
    // the chart on show, in memory and in the file, as it was.
    std::swap(m_chartRows, rows);
    std::swap(m_full, full);
    try {
        CapFile(chart::rowCount(m_chartRows));
    } catch (...) {
        m_chartRows = std::move(rows);
        m_full = full;
        throw;
    }
}

void FrmChart::CapFile(std::int16_t n) {
    // Rows 1 to n; row 0 is never stored. n never reaches past the chart in memory.
    const std::size_t available = m_chartRows.empty() ? 0 : m_chartRows.size() - 1;
    const std::size_t count = n > 0 ? std::min(std::size_t(n), available) : 0;
    std::span<const chart::CapacityRow> rows;
    if (count > 0)
        rows = std::span<const chart::CapacityRow>(m_chartRows).subspan(1, count);
    {
        // The set-up goes with the rows, in the same transaction: a busy or read-only file
        // changes nothing.
        store::Database db;
        db.replaceChart(rows, {setupDescription().toStdString(), m_full});
    }
    emit chartStored(optInches->isChecked());
}

}  // namespace dipsheet::setup
