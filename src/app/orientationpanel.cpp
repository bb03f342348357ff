#include "orientationpanel.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "setup/chartoptionspanel.h"
#include "ui.h"

namespace dipsheet::app {

OrientationPanel::OrientationPanel(QWidget* parentArea) : QWidget(parentArea) {
    setObjectName(QStringLiteral("Form1"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 5490, 1110).size());
    ui::setBackground(this, ui::colour::blue);

    lblTitle = new QLabel(QStringLiteral(" Dipsheet"), this);
    lblTitle->setObjectName(QStringLiteral("Label1"));
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(ui::headingFont());
    ui::placeTwips(lblTitle, 0, 0, 2415, 405);
    // The window system's window colours, not the panel's blue.
    const QPalette system = QApplication::palette();
    ui::setBackground(lblTitle, system.color(QPalette::Window));
    ui::setTextColour(lblTitle, system.color(QPalette::WindowText));

    fraHV = new QGroupBox(this);
    fraHV->setObjectName(QStringLiteral("fraHV"));
    ui::placeTwips(fraHV, 2520, 0, 2895, 855);
    ui::setBackground(fraHV, ui::colour::blue);

    for (int i = 0; i < 2; ++i) {
        optHV[i] = new QRadioButton(fraHV);
        optHV[i]->setObjectName(QStringLiteral("optHV(%1)").arg(i));
        ui::placeTwips(optHV[i], 120, i == 0 ? 120 : 480, 2655, 285);
        ui::setBackground(optHV[i], ui::colour::blue);
        ui::setCaptionColour(optHV[i], ui::colour::white);
        connect(optHV[i], &QRadioButton::clicked, this, ui::guard([this, i] { optHV_Click(i); }));
    }
    optHV[0]->setChecked(true);
    showHeads(true);
    QWidget::setTabOrder(optHV[0], optHV[1]);
    ui::oneTabStopPerGroup({optHV[0], optHV[1]});
}

void OrientationPanel::setChartPanel(setup::ChartOptionsPanel* chart) {
    m_chart = chart;
    connect(chart, &setup::ChartOptionsPanel::orientationShown, this,
            [this](bool horizontal) { showOrientation(horizontal); });
    connect(chart, &setup::ChartOptionsPanel::headsShown, this,
            [this](bool flat) { showHeads(flat); });
}

void OrientationPanel::showHeads(bool flat) {
    // While other heads (another bottom) are chosen, the captions leave the kind out, so that
    // the screen never contradicts the choice.
    optHV[0]->setText(flat ? QStringLiteral("Horizontal Tank with Flat Heads")
                           : QStringLiteral("Horizontal Tank"));
    optHV[1]->setText(flat ? QStringLiteral("Vertical Tank with Flat Bottom")
                           : QStringLiteral("Vertical Tank"));
}

void OrientationPanel::showOrientation(bool horizontal) {
    optHV[horizontal ? 0 : 1]->setChecked(true);
}

void OrientationPanel::optHV_Click(int /*index*/) {
    if (m_chart)
        m_chart->applyOrientation(optHV[0]->isChecked());
}

QList<QWidget*> OrientationPanel::keyboardOrder() const {
    return {optHV[0], optHV[1]};
}

}  // namespace dipsheet::app
