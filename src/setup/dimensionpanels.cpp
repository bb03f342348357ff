#include "dimensionpanels.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <string>
#include <string_view>

#include "chart/numbers.h"
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

void put(QLineEdit* field, const std::string& text) {
    field->setText(QString::fromStdString(text));
}

std::string utf8(const QLineEdit* field) {
    return field->text().toUtf8().toStdString();
}

// The number a field's text begins with (blanks ignored, '.' the decimal point, 0 for none).
double leading(const QLineEdit* field) {
    const QByteArray text = field->text().toUtf8();
    return chart::leadingNumber(std::string_view(text.constData(), size_t(text.size())));
}

// Every field change and focus entry of `field` runs `change` / `gotFocus`.
template <typename Panel>
void hook(Panel* panel, QLineEdit* field, void (Panel::*change)(), void (Panel::*gotFocus)()) {
    QObject::connect(field, &QLineEdit::textChanged, panel,
                     ui::guard([panel, change] { (panel->*change)(); }));
    ui::onGotFocus(field, [panel, gotFocus] { (panel->*gotFocus)(); });
}

}  // namespace

// ---- What the three panels share.

void DimensionPanel::setUpPanel(const QString& name) {
    setObjectName(name);
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, kPanelWidth, kPanelHeight).size());
    ui::setBackground(this, ui::colour::blue);
}

QLabel* DimensionPanel::makeLabel(const QString& name, const QString& caption, int row,
                                  int widthTwips) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::placeTwips(label, kLabelLeft, kRowTops[row], widthTwips, kLabelHeight);
    ui::setBackground(label, ui::colour::cyan);
    ui::setTextColour(label, QPalette().color(QPalette::ButtonText));
    return label;
}

QLineEdit* DimensionPanel::makeField(const QString& name, const QString& tooltip, int row,
                                     int maxLength) {
    auto* field = new QLineEdit(this);
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

QString DimensionPanel::firstMissing(
    std::initializer_list<std::pair<const QLineEdit*, const QLabel*>> rows) {
    for (const auto& [field, label] : rows) {
        if (!(leading(field) > 0))  // strictly above 0: '0', 'abc' and '' are missing
            return label->text();
    }
    return {};
}

// ---- Rectangular panel.

RectangularPanel::RectangularPanel(QWidget* parentArea) : DimensionPanel(parentArea) {
    setUpPanel(QStringLiteral("frmRectangular"));
    constexpr int labelWidth = 1215;
    lblLength = makeLabel(QStringLiteral("Label1"), QStringLiteral("Length"), 0, labelWidth);
    txtLength = makeField(QStringLiteral("txtLength"), QString(), 0, 0);
    lblWidth = makeLabel(QStringLiteral("Label2"), QStringLiteral("Width"), 1, labelWidth);
    txtWidth = makeField(QStringLiteral("txtWidth"), QString(), 1, 0);
    lblHeight = makeLabel(QStringLiteral("Label3"), QStringLiteral("Height"), 2, labelWidth);
    txtHeight = makeField(QStringLiteral("txtHeight"), QString(), 2, 0);
    lblThickness = makeLabel(QStringLiteral("Label4"), QStringLiteral("Thickness"), 3, labelWidth);
    txtThickness = makeField(QStringLiteral("txtThickness"), kThicknessTip, 3, 0);
    setThicknessRowsVisible(false);

    QWidget::setTabOrder(txtLength, txtWidth);
    QWidget::setTabOrder(txtWidth, txtHeight);
    QWidget::setTabOrder(txtHeight, txtThickness);

    hook(this, txtLength, &RectangularPanel::txtLength_Change,
         &RectangularPanel::txtLength_GotFocus);
    hook(this, txtWidth, &RectangularPanel::txtWidth_Change, &RectangularPanel::txtWidth_GotFocus);
    hook(this, txtHeight, &RectangularPanel::txtHeight_Change,
         &RectangularPanel::txtHeight_GotFocus);
    hook(this, txtThickness, &RectangularPanel::txtThickness_Change,
         &RectangularPanel::txtThickness_GotFocus);
}

void RectangularPanel::setThicknessRowsVisible(bool visible) {
    lblThickness->setVisible(visible);
    txtThickness->setVisible(visible);
}

QString RectangularPanel::missingRow(bool outside) const {
    if (outside) {
        return firstMissing({{txtLength, lblLength},
                             {txtWidth, lblWidth},
                             {txtHeight, lblHeight},
                             {txtThickness, lblThickness}});
    }
    return firstMissing({{txtLength, lblLength}, {txtWidth, lblWidth}, {txtHeight, lblHeight}});
}

chart::RectTexts RectangularPanel::texts() const {
    return {utf8(txtLength), utf8(txtWidth), utf8(txtHeight), utf8(txtThickness)};
}

void RectangularPanel::setTexts(const chart::RectTexts& texts) {
    put(txtLength, texts.length);
    put(txtWidth, texts.width);
    put(txtHeight, texts.height);
    put(txtThickness, texts.thickness);
}

QList<QLineEdit*> RectangularPanel::fields() const {
    return {txtLength, txtWidth, txtHeight, txtThickness};
}

// ---- Cylinder panels.

CylinderPanel::CylinderPanel(QWidget* parentArea, const QString& name, const QString& lengthCaption,
                             const QString& headCaption, int labelWidthTwips)
    : DimensionPanel(parentArea) {
    setUpPanel(name);
    const int w = labelWidthTwips;
    lblDiameter = makeLabel(QStringLiteral("Label1"), QStringLiteral("Diameter"), 0, w);
    txtDiameter = makeField(QStringLiteral("txtDiameter"), QStringLiteral("Enter tank diameter"), 0,
                            kCylinderMaxLength);
    lblLength = makeLabel(QStringLiteral("Label2"), lengthCaption, 1, w);
    txtLength = makeField(QStringLiteral("txtLength"), QStringLiteral("Enter tank length"), 1,
                          kCylinderMaxLength);
    lblHeadThickness = makeLabel(QStringLiteral("Label3"), headCaption, 2, w);
    txtHeadThickness =
        makeField(QStringLiteral("txtHeadThickness"), kHeadThicknessTip, 2, kCylinderMaxLength);
    lblShellThickness =
        makeLabel(QStringLiteral("Label4"), QStringLiteral("Shell Thickness"), 3, w);
    txtShellThickness =
        makeField(QStringLiteral("txtShellThickness"), kThicknessTip, 3, kCylinderMaxLength);
    setThicknessRowsVisible(false);

    QWidget::setTabOrder(txtDiameter, txtLength);
    QWidget::setTabOrder(txtLength, txtHeadThickness);
    QWidget::setTabOrder(txtHeadThickness, txtShellThickness);

    hook(this, txtDiameter, &CylinderPanel::txtDiameter_Change,
         &CylinderPanel::txtDiameter_GotFocus);
    hook(this, txtLength, &CylinderPanel::txtLength_Change, &CylinderPanel::txtLength_GotFocus);
    hook(this, txtHeadThickness, &CylinderPanel::txtHeadThickness_Change,
         &CylinderPanel::txtHeadThickness_GotFocus);
    hook(this, txtShellThickness, &CylinderPanel::txtShellThickness_Change,
         &CylinderPanel::txtShellThickness_GotFocus);
}

void CylinderPanel::setThicknessRowsVisible(bool visible) {
    lblHeadThickness->setVisible(visible);
    lblShellThickness->setVisible(visible);
    txtHeadThickness->setVisible(visible);
    txtShellThickness->setVisible(visible);
}

QString CylinderPanel::missingRow(bool outside) const {
    if (outside) {
        return firstMissing({{txtDiameter, lblDiameter},
                             {txtLength, lblLength},
                             {txtHeadThickness, lblHeadThickness},
                             {txtShellThickness, lblShellThickness}});
    }
    return firstMissing({{txtDiameter, lblDiameter}, {txtLength, lblLength}});
}

chart::CylTexts CylinderPanel::texts() const {
    return {utf8(txtDiameter), utf8(txtLength), utf8(txtHeadThickness), utf8(txtShellThickness)};
}

void CylinderPanel::setTexts(const chart::CylTexts& texts) {
    put(txtDiameter, texts.diameter);
    put(txtLength, texts.length);
    put(txtHeadThickness, texts.headThickness);
    put(txtShellThickness, texts.shellThickness);
}

QList<QLineEdit*> CylinderPanel::fields() const {
    return {txtDiameter, txtLength, txtHeadThickness, txtShellThickness};
}

double CylinderPanel::insideDiameter(bool outside) const {
    double inside = leading(txtDiameter);
    if (outside)
        inside -= 2 * leading(txtShellThickness);
    return inside;
}

HorizontalCylinderPanel::HorizontalCylinderPanel(QWidget* parentArea)
    : CylinderPanel(parentArea, QStringLiteral("frmCylindrical"), QStringLiteral("Length"),
                    QStringLiteral("Head Thickness"), 1215) {}

VerticalCylinderPanel::VerticalCylinderPanel(QWidget* parentArea)
    : CylinderPanel(parentArea, QStringLiteral("frmVertical"), QStringLiteral("Height"),
                    QStringLiteral("Bottom Thickness"), 1335) {}

}  // namespace dipsheet::setup
