#pragma once

// The chart options panel: tank shape (for a horizontal tank), units, inside or outside
// dimensions, striker plate and depth increment, with the Calculate and Exit commands. It owns
// the three dimension panels, keeps exactly one of them visible, and owns the in-memory chart.

#include <QWidget>

#include <cstdint>

#include "chart.h"
#include "dimensionpanels.h"
#include "frmheads.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dipsheet::setup {

class FrmChart : public QWidget {
    Q_OBJECT

public:
    // The tank on screen: horizontal cylinder, horizontal rectangular, or vertical cylinder.
    enum class Tank { Cylindrical, Rectangular, Vertical };

    // Builds the panel and the three dimension panels as children of `parentArea` (the main
    // window's client area), then runs Form_Load: the horizontal cylinder panel is shown, the
    // rectangular and vertical panels hidden. Positions are left to the caller; sizes are the
    // panels' own.
    explicit FrmChart(QWidget* parentArea);

    FrmRectangular* frmRectangular() const { return m_frmRectangular; }
    FrmCylindrical* frmCylindrical() const { return m_frmCylindrical; }
    FrmVertical* frmVertical() const { return m_frmVertical; }
    // The heads of the horizontal cylinder and the bottom of the vertical tank.
    FrmHeads* frmHeads() const { return m_frmHeads; }

    // The tank on screen, the one place that decides it: a hidden Configuration frame means a
    // vertical tank; otherwise the shape chosen in it.
    Tank currentTank() const;
    // The dimension panel of a tank, and of the tank on screen.
    DimensionPanel* panel(Tank tank) const;
    DimensionPanel* currentPanel() const { return panel(currentTank()); }
    // The orientation choice: shows the Configuration frame for a horizontal tank and hides it
    // for a vertical one, then brings the panel of the tank into view.
    void applyOrientation(bool horizontal);

    // The readiness rule: the increment and the rows of a dimension panel read above 0 (the
    // thicknesses only with Outside chosen). Enables Calculate (yellow) or disables it (light
    // grey, its tooltip saying what is missing). SetCalculateRect runs it on the rectangular
    // panel, SetCalculateCyl on a cylinder panel (horizontal or vertical), SetCalculateCurrent
    // on the panel on screen; the last runs after a change of orientation, a Dimensions choice
    // and every change of the increment.
    void SetCalculateRect();
    void SetCalculateCyl(const CylinderPanel* panel);
    void SetCalculateCurrent();

    // The chart algorithms. Each reads the options of this panel and the texts of its own
    // dimension panel, computes the chart into chartRows() and hands it to CapFile. A text the
    // chart cannot use throws chart::InputError before anything is kept or written (Calculate
    // turns it into a message); a database failure throws store::StoreError.
    void CalcRect();
    void CalcCyl();
    void CalcVert();
    // Writes rows 1 to n of the chart into table Capacity of the job database, with its set-up,
    // replacing the previous chart in one transaction, then emits chartStored.
    void CapFile(std::int16_t n);

    // The heads (bottom) of the tank on screen as the printout names them: empty for flat ones
    // and for the rectangular tank.
    QString headsDescription() const;
    // The set-up the inputs on screen describe, as stored with a chart made from them.
    QString setupDescription() const;

    // The last chart computed: rows 0 to N (row 0 zero). Empty before the first calculation.
    const chart::ChartRows& chartRows() const { return m_chartRows; }

    QGroupBox* frmConfiguration;
    QRadioButton* optCylindrical;
    QRadioButton* optRectangular;
    QGroupBox* frmUnits;
    QRadioButton* optInches;
    QRadioButton* optMillimeters;
    QGroupBox* frmDimension;
    QRadioButton* optOutside;
    QRadioButton* optInside;
    QCheckBox* chkStriker;
    QLineEdit* txtIncrement;
    QPushButton* cmdCalculate;
    QPushButton* cmdExit;
    QLabel* Label2;

signals:
    // The chart rows are in the database; `inches` tells the unit of the chart.
    void chartStored(bool inches);
    // Exit was pressed; the program ends right after this signal's receivers return.
    void aboutToExit();
    // The heads (bottom) of the tank on screen changed kind; `flat` tells whether they are flat.
    void headsChanged(bool flat);
    // An input of the chart may have changed (an edit, a choice, the unit, the striker plate).
    void inputsChanged();

private:
    void Form_Load();
    void optCylindrical_Click();
    void optRectangular_Click();
    void optOutside_Click();
    void optInside_Click();
    void txtIncrement_Change();
    void txtIncrement_LostFocus();
    void cmdCalculate_Click();
    void cmdExit_Click();

    // Brings the panel of `tank` into view, hides the other two, sets its thickness rows from
    // Inside/Outside and runs the readiness rule on it.
    void showTank(Tank tank);
    // The readiness rule on `panel`, applied to Calculate.
    void applyReadiness(const DimensionPanel* panel);
    // The heads panel follows the tank on screen and the diameter typed for it.
    void refreshHeads();
    chart::ChartOptions chartOptions() const;
    // Makes `rows` (with the tank's full capacity) the chart in memory and hands it to
    // CapFile; when that fails, the previous chart stays in memory as it does in the file.
    void keepChart(chart::ChartRows rows, double full);

    FrmRectangular* m_frmRectangular;
    FrmVertical* m_frmVertical;
    FrmCylindrical* m_frmCylindrical;
    FrmHeads* m_frmHeads;
    chart::ChartRows m_chartRows;
    double m_full = 0;  // the full capacity of the tank last charted
};

}  // namespace dipsheet::setup
