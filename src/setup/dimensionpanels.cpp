#include "dimensionpanels.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include <initializer_list>
#include <string_view>

#include "frmchart.h"
#include "numbers.h"
#include "ui.h"

namespace dipsheet::setup {

namespace {

// Layout shared by the three panels, in twips.
constexpr int kPanelWidth = 3180;
constexpr int kPanelHeight = 2175;
constexpr int kRowTops[4] = {240, 720, 1200, 1680};
constexpr int kLabelLeft = 240;
constexpr int kLabelHeight = 255;
constexpr int kFieldLeft = 1680;
constexpr int kFieldWidth = 1215;
constexpr int kFieldHeight = 285;
constexpr int kCylinderMaxLength = 9;

// The head (bottom) thickness keeps its tip as it has always read; the others are spelled out.
const QString kHeadThicknessTip =
    QStringLiteral("If Thickness is not know, choose INSIDE Dimensions");
const QString kThicknessTip = QStringLiteral("If Thickness is not known, choose INSIDE Dimensions");

void setUpPanel(QWidget* panel, const QString& name) {
    panel->setObjectName(name);
    panel->setFont(ui::defaultFont());
    panel->resize(ui::twipsRect(0, 0, kPanelWidth, kPanelHeight).size());
    ui::setBackground(panel, ui::colour::blue);
}

QLabel* makeLabel(QWidget* panel, const QString& name, const QString& caption, int row,
                  int widthTwips) {
    auto* label = new QLabel(caption, panel);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::placeTwips(label, kLabelLeft, kRowTops[row], widthTwips, kLabelHeight);
    ui::setBackground(label, ui::colour::cyan);
    ui::setTextColour(label, QPalette().color(QPalette::ButtonText));
    return label;
}

QLineEdit* makeField(QWidget* panel, const QString& name, const QString& tooltip, int row,
                     int maxLength) {
    auto* field = new QLineEdit(panel);
    field->setObjectName(name);
    field->setToolTip(tooltip);
    if (maxLength > 0)
        field->setMaxLength(maxLength);
    else
        ui::noLengthLimit(field);
    ui::placeTwips(field, kFieldLeft, kRowTops[row], kFieldWidth, kFieldHeight);
    ui::setBackground(field, ui::colour::white);
    ui::setTextColour(field, QPalette().color(QPalette::WindowText));
    ui::selectAllOnEntry(field);
    return field;
}

// The number a field's text begins with (blanks ignored, '.' the decimal point, 0 for none).
double leading(const QLineEdit* field) {
    const QByteArray text = field->text().toUtf8();
    return chart::leadingNumber(std::string_view(text.constData(), size_t(text.size())));
}

// The rows the readiness rule reads, in the order they are filled: a field and its label.
struct Needed {
    const QLineEdit* field;
    const QLabel* label;
};

// Calculate is enabled and yellow when the set-up is ready, disabled and light grey when not;
// both are set on every run. A disabled Calculate says in its tooltip what is still missing:
// the increment first, then the first field of `needed` that does not read above 0.
void applyReadiness(FrmChart* chart, std::initializer_list<Needed> needed) {
    QString missing;
    if (!(leading(chart->txtIncrement) > 0)) {
        missing = QStringLiteral("Type an increment greater than 0");
    } else {
        for (const Needed& n : needed) {
            if (!(leading(n.field) > 0)) {
                missing = QStringLiteral("Type the ") + n.label->text();
                break;
            }
        }
    }
    const bool ready = missing.isEmpty();
    chart->cmdCalculate->setEnabled(ready);
    ui::setBackground(chart->cmdCalculate, ready ? ui::colour::yellow : ui::colour::lightGrey);
    chart->cmdCalculate->setToolTip(missing);
}

}  // namespace

// ---- Rectangular panel.

FrmRectangular::FrmRectangular(FrmChart* chart, QWidget* parentArea)
    : QWidget(parentArea), m_chart(chart) {
    setUpPanel(this, QStringLiteral("frmRectangular"));
    constexpr int labelWidth = 1215;
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Length"), 0, labelWidth);
    txtLength = makeField(this, QStringLiteral("txtLength"), QString(), 0, 0);
    Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("Width"), 1, labelWidth);
    txtWidth = makeField(this, QStringLiteral("txtWidth"), QString(), 1, 0);
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("Height"), 2, labelWidth);
    txtHeight = makeField(this, QStringLiteral("txtHeight"), QString(), 2, 0);
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Thickness"), 3, labelWidth);
    txtThickness = makeField(this, QStringLiteral("txtThickness"), kThicknessTip, 3, 0);
    setThicknessRowsVisible(false);

    QWidget::setTabOrder(txtLength, txtWidth);
    QWidget::setTabOrder(txtWidth, txtHeight);
    QWidget::setTabOrder(txtHeight, txtThickness);

    connect(txtLength, &QLineEdit::textChanged, this, &FrmRectangular::txtLength_Change);
    connect(txtWidth, &QLineEdit::textChanged, this, &FrmRectangular::txtWidth_Change);
    connect(txtHeight, &QLineEdit::textChanged, this, &FrmRectangular::txtHeight_Change);
    connect(txtThickness, &QLineEdit::textChanged, this, &FrmRectangular::txtThickness_Change);
    ui::onGotFocus(txtLength, [this] { txtLength_GotFocus(); });
    ui::onGotFocus(txtWidth, [this] { txtWidth_GotFocus(); });
    ui::onGotFocus(txtHeight, [this] { txtHeight_GotFocus(); });
    ui::onGotFocus(txtThickness, [this] { txtThickness_GotFocus(); });
}

void FrmRectangular::setThicknessRowsVisible(bool visible) {
    Label4->setVisible(visible);
    txtThickness->setVisible(visible);
}

void FrmRectangular::SetCalculateRect() {
    // With Inside chosen the thickness is not read at all.
    if (m_chart->optOutside->isChecked()) {
        applyReadiness(
            m_chart,
            {{txtLength, Label1}, {txtWidth, Label2}, {txtHeight, Label3}, {txtThickness, Label4}});
    } else {
        applyReadiness(m_chart, {{txtLength, Label1}, {txtWidth, Label2}, {txtHeight, Label3}});
    }
}

QLineEdit* FrmRectangular::firstField() const {
    return txtLength;
}

void FrmRectangular::txtLength_Change() {
    ui::guarded([this] { SetCalculateRect(); });
}
void FrmRectangular::txtWidth_Change() {
    ui::guarded([this] { SetCalculateRect(); });
}
void FrmRectangular::txtHeight_Change() {
    ui::guarded([this] { SetCalculateRect(); });
}
void FrmRectangular::txtThickness_Change() {
    ui::guarded([this] { SetCalculateRect(); });
}
void FrmRectangular::txtLength_GotFocus() {
    ui::guarded([this] {
        txtLength->selectAll();
        SetCalculateRect();
    });
}
void FrmRectangular::txtWidth_GotFocus() {
    ui::guarded([this] {
        txtWidth->selectAll();
        SetCalculateRect();
    });
}
void FrmRectangular::txtHeight_GotFocus() {
    ui::guarded([this] {
        txtHeight->selectAll();
        SetCalculateRect();
    });
}
void FrmRectangular::txtThickness_GotFocus() {
    ui::guarded([this] {
        txtThickness->selectAll();
        SetCalculateRect();
    });
}

// ---- Cylinder panels.

CylinderPanel::CylinderPanel(FrmChart* chart, QWidget* parentArea, const QString& name,
                             const QString& lengthCaption, const QString& headCaption,
                             int labelWidthTwips)
    : QWidget(parentArea), m_chart(chart) {
    setUpPanel(this, name);
    const int w = labelWidthTwips;
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Diameter"), 0, w);
    txtDiameter = makeField(this, QStringLiteral("txtDiameter"),
                            QStringLiteral("Enter tank diameter"), 0, kCylinderMaxLength);
    Label2 = makeLabel(this, QStringLiteral("Label2"), lengthCaption, 1, w);
    txtLength = makeField(this, QStringLiteral("txtLength"), QStringLiteral("Enter tank length"), 1,
                          kCylinderMaxLength);
    Label3 = makeLabel(this, QStringLiteral("Label3"), headCaption, 2, w);
    txtHeadThickness = makeField(this, QStringLiteral("txtHeadThickness"), kHeadThicknessTip, 2,
                                 kCylinderMaxLength);
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Shell Thickness"), 3, w);
    txtShellThickness =
        makeField(this, QStringLiteral("txtShellThickness"), kThicknessTip, 3, kCylinderMaxLength);
    setThicknessRowsVisible(false);

    QWidget::setTabOrder(txtDiameter, txtLength);
    QWidget::setTabOrder(txtLength, txtHeadThickness);
    QWidget::setTabOrder(txtHeadThickness, txtShellThickness);

    connect(txtDiameter, &QLineEdit::textChanged, this, &CylinderPanel::txtDiameter_Change);
    connect(txtLength, &QLineEdit::textChanged, this, &CylinderPanel::txtLength_Change);
    connect(txtHeadThickness, &QLineEdit::textChanged, this,
            &CylinderPanel::txtHeadThickness_Change);
    connect(txtShellThickness, &QLineEdit::textChanged, this,
            &CylinderPanel::txtShellThickness_Change);
    ui::onGotFocus(txtDiameter, [this] { txtDiameter_GotFocus(); });
    ui::onGotFocus(txtLength, [this] { txtLength_GotFocus(); });
    ui::onGotFocus(txtHeadThickness, [this] { txtHeadThickness_GotFocus(); });
    ui::onGotFocus(txtShellThickness, [this] { txtShellThickness_GotFocus(); });
}

void CylinderPanel::setThicknessRowsVisible(bool visible) {
    Label3->setVisible(visible);
    Label4->setVisible(visible);
    txtHeadThickness->setVisible(visible);
    txtShellThickness->setVisible(visible);
}

void CylinderPanel::SetCalculateCyl() {
    // With Inside chosen the thicknesses are not read at all.
    if (m_chart->optOutside->isChecked()) {
        applyReadiness(m_chart, {{txtDiameter, Label1},
                                 {txtLength, Label2},
                                 {txtHeadThickness, Label3},
                                 {txtShellThickness, Label4}});
    } else {
        applyReadiness(m_chart, {{txtDiameter, Label1}, {txtLength, Label2}});
    }
}

QLineEdit* CylinderPanel::firstField() const {
    return txtDiameter;
}

void CylinderPanel::txtDiameter_Change() {
    ui::guarded([this] { SetCalculateCyl(); });
}
void CylinderPanel::txtLength_Change() {
    ui::guarded([this] { SetCalculateCyl(); });
}
void CylinderPanel::txtHeadThickness_Change() {
    ui::guarded([this] { SetCalculateCyl(); });
}
void CylinderPanel::txtShellThickness_Change() {
    ui::guarded([this] { SetCalculateCyl(); });
}
void CylinderPanel::txtDiameter_GotFocus() {
    ui::guarded([this] {
        txtDiameter->selectAll();
        SetCalculateCyl();
    });
}
void CylinderPanel::txtLength_GotFocus() {
    ui::guarded([this] {
        txtLength->selectAll();
        SetCalculateCyl();
    });
}
void CylinderPanel::txtHeadThickness_GotFocus() {
    ui::guarded([this] {
        txtHeadThickness->selectAll();
        SetCalculateCyl();
    });
}
void CylinderPanel::txtShellThickness_GotFocus() {
    ui::guarded([this] {
        txtShellThickness->selectAll();
        SetCalculateCyl();
    });
}

FrmCylindrical::FrmCylindrical(FrmChart* chart, QWidget* parentArea)
    : CylinderPanel(chart, parentArea, QStringLiteral("frmCylindrical"), QStringLiteral("Length"),
                    QStringLiteral("Head Thickness"), 1215) {}

FrmVertical::FrmVertical(FrmChart* chart, QWidget* parentArea)
    : CylinderPanel(chart, parentArea, QStringLiteral("frmVertical"), QStringLiteral("Height"),
                    QStringLiteral("Bottom Thickness"), 1335) {}

}  // namespace dipsheet::setup
