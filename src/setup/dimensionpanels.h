#pragma once

// The three dimension panels: rectangular, horizontal cylinder and vertical cylinder. Each
// holds four rows (a cyan label and a text field); the last row (rectangular) or the last two
// rows (cylinders) are the plate thicknesses, shown only while Outside dimensions are chosen.
// Each panel owns the readiness rule of the chart set-up: after every edit or focus entry it
// enables Calculate on the chart options panel (yellow) or disables it (light grey).

#include <QWidget>

class QLabel;
class QLineEdit;

namespace dipsheet::setup {

class FrmChart;

// Rectangular tank: length, width, height and wall thickness. No input length limit.
class FrmRectangular : public QWidget {
    Q_OBJECT

public:
    // `chart` is the chart options panel whose increment, Inside/Outside choice and Calculate
    // button the readiness rule uses; `parentArea` is the main window's client area.
    FrmRectangular(FrmChart* chart, QWidget* parentArea);

    // Shows or hides the thickness row (Label4, txtThickness); never clears the field.
    void setThicknessRowsVisible(bool visible);
    // The readiness rule: increment, length, width and height read above 0, and with Outside
    // chosen the thickness too. Enables Calculate (yellow) or disables it (light grey).
    void SetCalculateRect();
    // The field that takes the focus first (txtLength).
    QLineEdit* firstField() const;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* txtLength;
    QLineEdit* txtWidth;
    QLineEdit* txtHeight;
    QLineEdit* txtThickness;

private slots:
    void txtLength_Change();
    void txtLength_GotFocus();
    void txtWidth_Change();
    void txtWidth_GotFocus();
    void txtHeight_Change();
    void txtHeight_GotFocus();
    void txtThickness_Change();
    void txtThickness_GotFocus();

private:
    FrmChart* m_chart;
};

// A cylinder panel: diameter, length (height on the vertical panel), head (bottom) thickness
// and shell thickness, each field at most 9 characters. The horizontal and the vertical
// cylinder panel differ only in their name, one caption and the label width.
class CylinderPanel : public QWidget {
    Q_OBJECT

public:
    // Shows or hides the thickness rows (Label3, Label4, txtHeadThickness, txtShellThickness);
    // never clears the fields.
    void setThicknessRowsVisible(bool visible);
    // The readiness rule: increment, diameter and length read above 0, and with Outside chosen
    // both thicknesses too. Enables Calculate (yellow) or disables it (light grey).
    void SetCalculateCyl();
    // The field that takes the focus first (txtDiameter).
    QLineEdit* firstField() const;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* txtDiameter;
    QLineEdit* txtLength;
    QLineEdit* txtHeadThickness;
    QLineEdit* txtShellThickness;

protected:
    CylinderPanel(FrmChart* chart, QWidget* parentArea, const QString& name,
                  const QString& lengthCaption, const QString& headCaption, int labelWidthTwips);

private slots:
    void txtDiameter_Change();
    void txtDiameter_GotFocus();
    void txtLength_Change();
    void txtLength_GotFocus();
    void txtHeadThickness_Change();
    void txtHeadThickness_GotFocus();
    void txtShellThickness_Change();
    void txtShellThickness_GotFocus();

private:
    FrmChart* m_chart;
};

// Horizontal cylindrical tank with flat heads.
class FrmCylindrical : public CylinderPanel {
    Q_OBJECT

public:
    FrmCylindrical(FrmChart* chart, QWidget* parentArea);
};

// Vertical cylindrical tank with flat bottom: txtLength holds the height, txtHeadThickness the
// bottom thickness.
class FrmVertical : public CylinderPanel {
    Q_OBJECT

public:
    FrmVertical(FrmChart* chart, QWidget* parentArea);
};

}  // namespace dipsheet::setup
