#include "form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "frmchart.h"
#include "ui.h"

namespace dipsheet::app {

Form1::Form1(QWidget* parentArea) : QWidget(parentArea) {
    setObjectName(QStringLiteral("Form1"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 5490, 1110).size());
    ui::setBackground(this, ui::colour::blue);

    Label1 = new QLabel(QStringLiteral(" Dipsheet"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(ui::headingFont());
    ui::placeTwips(Label1, 0, 0, 2415, 405);
    // The window system's window colours, not the panel's blue.
    const QPalette system = QApplication::palette();
    ui::setBackground(Label1, system.color(QPalette::Window));
    ui::setTextColour(Label1, system.color(QPalette::WindowText));

    fraHV = new QGroupBox(this);
    fraHV->setObjectName(QStringLiteral("fraHV"));
    ui::placeTwips(fraHV, 2520, 0, 2895, 855);
    ui::setBackground(fraHV, ui::colour::blue);

    const QString captions[2] = {QStringLiteral("Horizontal Tank with Flat Heads"),
                                 QStringLiteral("Vertical Tank with Flat Bottom")};
    for (int i = 0; i < 2; ++i) {
        optHV[i] = new QRadioButton(captions[i], fraHV);
        optHV[i]->setObjectName(QStringLiteral("optHV(%1)").arg(i));
        ui::placeTwips(optHV[i], 120, i == 0 ? 120 : 480, 2655, 285);
        ui::setBackground(optHV[i], ui::colour::blue);
        // White caption; the indicator keeps the system's mark colour on its white face.
        const QColor mark = optHV[i]->palette().color(QPalette::Text);
        ui::setTextColour(optHV[i], ui::colour::white);
        QPalette p = optHV[i]->palette();
        p.setColor(QPalette::Text, mark);
        optHV[i]->setPalette(p);
        connect(optHV[i], &QRadioButton::clicked, this, ui::guard([this, i] { optHV_Click(i); }));
    }
    optHV[0]->setChecked(true);
    QWidget::setTabOrder(optHV[0], optHV[1]);
    ui::oneTabStopPerGroup({optHV[0], optHV[1]});
}

void Form1::optHV_Click(int /*index*/) {
    if (!m_chart)
        return;
    setup::FrmChart* chart = m_chart;
    const bool outside = chart->optOutside->isChecked();
    if (optHV[0]->isChecked()) {
        // Horizontal: the Configuration choice decides the shape; the other horizontal panel
        // is already hidden by that choice.
        chart->frmConfiguration->show();
        chart->frmVertical()->hide();
        if (chart->optCylindrical->isChecked()) {
            chart->frmCylindrical()->show();
            chart->frmCylindrical()->setThicknessRowsVisible(outside);
        } else {
            chart->frmRectangular()->show();
            chart->frmRectangular()->setThicknessRowsVisible(outside);
        }
    } else {
        chart->frmConfiguration->hide();
        chart->frmCylindrical()->hide();
        chart->frmRectangular()->hide();
        chart->frmVertical()->show();
        chart->frmVertical()->setThicknessRowsVisible(outside);
    }
    chart->SetCalculateCurrent();
}

}  // namespace dipsheet::app
