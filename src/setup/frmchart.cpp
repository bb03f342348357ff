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

#include "store.h"
#include "ui.h"

namespace dipsheet::setup {

namespace {

std::string utf8(const QLineEdit* field) {
    return field->text().toUtf8().toStdString();
}

// White caption on blue. The indicator's mark keeps the system's text colour, so that it stays
// visible on the indicator's white face.
void whiteCaption(QAbstractButton* button) {
    const QColor mark = QPalette().color(QPalette::Text);
    ui::setTextColour(button, ui::colour::white);
    QPalette p = button->palette();
    p.setColor(QPalette::Text, mark);
    button->setPalette(p);
}

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
    whiteCaption(option);
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
    whiteCaption(chkStriker);

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
    // the order of the main window's layout.
    m_frmRectangular = new FrmRectangular(this, parentArea);
    m_frmVertical = new FrmVertical(this, parentArea);
    m_frmCylindrical = new FrmCylindrical(this, parentArea);

    // An option's Click runs when it becomes the selected one of its frame.
    connect(optCylindrical, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optCylindrical_Click();
    });
    connect(optRectangular, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optRectangular_Click();
    });
    connect(optOutside, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optOutside_Click();
    });
    connect(optInside, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optInside_Click();
    });
    connect(txtIncrement, &QLineEdit::textChanged, this, &FrmChart::txtIncrement_Change);
    ui::onGotFocus(txtIncrement, [this] { txtIncrement_GotFocus(); });
    ui::onTabbedAway(txtIncrement, [this] { txtIncrement_LostFocus(); });
    connect(cmdCalculate, &QPushButton::clicked, this, &FrmChart::cmdCalculate_Click);
    connect(cmdExit, &QPushButton::clicked, this, &FrmChart::cmdExit_Click);

    Form_Load();
    SetCalculateCurrent();  // nothing typed yet: disabled, and its tooltip says what to type
}

void FrmChart::Form_Load() {
    show();
    m_frmCylindrical->show();
    m_frmRectangular->hide();
    m_frmVertical->hide();
}

void FrmChart::SetCalculateCurrent() {
    if (!m_frmCylindrical->isHidden()) {
        m_frmCylindrical->SetCalculateCyl();
    } else if (!m_frmRectangular->isHidden()) {
        m_frmRectangular->SetCalculateRect();
    } else {
        m_frmVertical->SetCalculateCyl();
    }
}

// ---- Configuration: the shape of a horizontal tank.

void FrmChart::optCylindrical_Click() {
    ui::guarded([this] {
        m_frmCylindrical->show();
        m_frmRectangular->hide();
        m_frmVertical->hide();
        m_frmCylindrical->setThicknessRowsVisible(optOutside->isChecked());
        optCylindrical->setFocus();
        m_frmCylindrical->SetCalculateCyl();
    });
}

void FrmChart::optRectangular_Click() {
    ui::guarded([this] {
        m_frmRectangular->show();
        m_frmCylindrical->hide();
        m_frmVertical->hide();
        m_frmRectangular->setThicknessRowsVisible(optOutside->isChecked());
        optRectangular->setFocus();
        m_frmRectangular->SetCalculateRect();
    });
}

// ---- Dimensions: inside or outside measures. Only the panel on screen changes; a hidden
// panel gets its thickness rows when it is next shown.

void FrmChart::setThicknessRowsOnScreen(bool visible) {
    if (!frmConfiguration->isHidden()) {
        if (optCylindrical->isChecked()) {
            m_frmCylindrical->setThicknessRowsVisible(visible);
        } else {
            m_frmRectangular->setThicknessRowsVisible(visible);
        }
    } else {
        m_frmVertical->setThicknessRowsVisible(visible);
    }
}

void FrmChart::optOutside_Click() {
    ui::guarded([this] {
        setThicknessRowsOnScreen(true);
        SetCalculateCurrent();
    });
}

void FrmChart::optInside_Click() {
    ui::guarded([this] {
        setThicknessRowsOnScreen(false);
        SetCalculateCurrent();
    });
}

// ---- Increment.

void FrmChart::txtIncrement_Change() {
    ui::guarded([this] { SetCalculateCurrent(); });
}

void FrmChart::txtIncrement_GotFocus() {
    ui::guarded([this] { txtIncrement->selectAll(); });
}

void FrmChart::txtIncrement_LostFocus() {
    ui::guarded([this] {
        // Tab from the increment goes on to the first dimension of the tank on screen.
        QLineEdit* next = !m_frmCylindrical->isHidden()   ? m_frmCylindrical->txtDiameter
                          : !m_frmRectangular->isHidden() ? m_frmRectangular->txtLength
                                                          : m_frmVertical->txtDiameter;
        next->setFocus(Qt::OtherFocusReason);
    });
}

// ---- Commands.

void FrmChart::cmdCalculate_Click() {
    ui::guarded([this] {
        try {
            if (!frmConfiguration->isHidden()) {
                if (optCylindrical->isChecked()) {
                    CalcCyl();
                } else {
                    CalcRect();
                }
            } else {
                CalcVert();
            }
        } catch (const chart::InputError& e) {
            // Input the user can mend: say what is wrong; nothing was kept or written.
            ui::messageBox(QString::fromUtf8(e.what()));
        }
    });
}

void FrmChart::cmdExit_Click() {
    ui::guarded([this] {
        emit aboutToExit();
        ui::endProgram();
    });
}

// ---- The chart algorithms and the row writer.

chart::ChartOptions FrmChart::chartOptions() const {
    chart::ChartOptions options;
    options.outside = optOutside->isChecked();
    options.inches = optInches->isChecked();
    options.striker = chkStriker->checkState() == Qt::Checked;
    options.increment = utf8(txtIncrement);
    const QLocale locale = QLocale::system();
    options.format.decimalSeparator = locale.decimalPoint().toStdString();
    options.format.groupSeparator = locale.groupSeparator().toStdString();
    return options;
}

void FrmChart::CalcRect() {
    const FrmRectangular* p = m_frmRectangular;
    const chart::RectTexts texts{utf8(p->txtLength), utf8(p->txtWidth), utf8(p->txtHeight),
                                 utf8(p->txtThickness)};
    m_chartRows = chart::calcRect(chartOptions(), texts);
    CapFile(chart::rowCount(m_chartRows));
}

namespace {
// The field texts of a cylinder panel; on the vertical one txtLength holds the height and
// txtHeadThickness the bottom thickness.
chart::CylTexts cylinderTexts(const CylinderPanel* p) {
    return {utf8(p->txtDiameter), utf8(p->txtLength), utf8(p->txtHeadThickness),
            utf8(p->txtShellThickness)};
}
}  // namespace

void FrmChart::CalcCyl() {
    m_chartRows = chart::calcCyl(chartOptions(), cylinderTexts(m_frmCylindrical));
    CapFile(chart::rowCount(m_chartRows));
}

void FrmChart::CalcVert() {
    m_chartRows = chart::calcVert(chartOptions(), cylinderTexts(m_frmVertical));
    CapFile(chart::rowCount(m_chartRows));
}

void FrmChart::CapFile(std::int16_t n) {
    // Rows 1 to n; row 0 is never stored. n never reaches past the chart in memory.
    const std::size_t available = m_chartRows.empty() ? 0 : m_chartRows.size() - 1;
    const std::size_t count = n > 0 ? std::min(std::size_t(n), available) : 0;
    std::span<const chart::ChartRow> rows;
    if (count > 0)
        rows = std::span<const chart::ChartRow>(m_chartRows).subspan(1, count);
    {
        store::Database db;
        db.replaceChartRows(rows);
    }
    emit chartStored(optInches->isChecked());
}

}  // namespace dipsheet::setup
