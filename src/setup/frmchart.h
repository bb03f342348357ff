#pragma once

// The chart options panel: tank shape (for a horizontal tank), units, inside or outside
// dimensions, striker plate and depth increment, with the Calculate and Exit commands. It owns
// the three dimension panels, keeps exactly one of them visible, and owns the in-memory chart.

#include <QWidget>

#include <cstdint>

#include "chart.h"
#include "dimensionpanels.h"

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
    // Builds the panel and the three dimension panels as children of `parentArea` (the main
    // window's client area), then runs Form_Load: the horizontal cylinder panel is shown, the
    // rectangular and vertical panels hidden. Positions are left to the caller; sizes are the
    // panels' own.
    explicit FrmChart(QWidget* parentArea);

    FrmRectangular* frmRectangular() const { return m_frmRectangular; }
    FrmCylindrical* frmCylindrical() const { return m_frmCylindrical; }
    FrmVertical* frmVertical() const { return m_frmVertical; }

    // Runs the readiness rule of the dimension panel in view: the horizontal cylinder panel if
    // it is shown, else the rectangular one if it is shown, else the vertical one. Called after
    // a change of orientation, a Dimensions choice and every change of the increment.
    void SetCalculateCurrent();

    // The chart algorithms. Each reads the options of this panel and the texts of its own
    // dimension panel, computes the chart into chartRows() and hands it to CapFile. A text the
    // chart cannot use throws chart::InputError before anything is kept or written (Calculate
    // turns it into a message); a database failure throws store::StoreError.
    void CalcRect();
    void CalcCyl();
    void CalcVert();
    // Writes rows 1 to n of the chart into table Capacity of the job database, replacing the
    // previous chart in one transaction, then emits chartStored.
    void CapFile(std::int16_t n);

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

private slots:
    void optCylindrical_Click();
    void optRectangular_Click();
    void optOutside_Click();
    void optInside_Click();
    void txtIncrement_Change();
    void txtIncrement_GotFocus();
    void txtIncrement_LostFocus();
    void cmdCalculate_Click();
    void cmdExit_Click();

private:
    void Form_Load();
    // Shows or hides the thickness rows of the panel of the tank on screen only.
    void setThicknessRowsOnScreen(bool visible);
    chart::ChartOptions chartOptions() const;

    FrmRectangular* m_frmRectangular;
    FrmVertical* m_frmVertical;
    FrmCylindrical* m_frmCylindrical;
    chart::ChartRows m_chartRows;
};

}  // namespace dipsheet::setup
