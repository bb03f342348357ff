#pragma once

// The chart options panel: tank shape (for a horizontal tank), units, inside or outside
// dimensions, striker plate and depth increment, with the Calculate and Exit commands. It owns
// the three dimension panels, keeps exactly one of them visible, and owns the in-memory chart.

#include <QWidget>

#include <cstdint>
#include <optional>

#include "chart/tank.h"
#include "jobdocument.h"
#include "setup/dimensionpanels.h"
#include "setup/headspanel.h"
#include "setup/tiltpanel.h"
#include "store/store.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dipsheet::setup {

class ChartOptionsPanel : public QWidget {
    Q_OBJECT

public:
    // Builds the panel and the three dimension panels as children of `parentArea` (the main
    // window's client area), then runs Form_Load: the horizontal cylinder panel is shown, the
    // rectangular and vertical panels hidden. Positions are left to the caller; sizes are the
    // panels' own. Charts are stored in `database`.
    ChartOptionsPanel(QWidget* parentArea, const store::JobDatabase& database);

    RectangularPanel* rectangularPanel() const { return m_rectangularPanel; }
    HorizontalCylinderPanel* horizontalPanel() const { return m_horizontalPanel; }
    VerticalCylinderPanel* verticalPanel() const { return m_verticalPanel; }
    // The heads of the horizontal cylinder and the bottom of the vertical tank.
    HeadsPanel* headsPanel() const { return m_headsPanel; }
    // How a horizontal tank lies: its fall and the dip point.
    TiltPanel* tiltPanel() const { return m_tiltPanel; }

    // The shape on screen: the orientation this panel was given, and for a horizontal tank the
    // shape chosen in the Configuration frame.
    chart::Shape currentShape() const;
    // The dimension panel of a shape, and of the shape on screen.
    DimensionPanel* panel(chart::Shape shape) const;
    DimensionPanel* currentPanel() const { return panel(currentShape()); }
    // The orientation choice: keeps it, shows the Configuration frame for a horizontal tank and
    // hides it for a vertical one, then brings the panel of the tank into view.
    void applyOrientation(bool horizontal);

    // The tank the inputs on screen describe (normalised: what a chart made now would be made
    // from), and the one a shape's panel describes.
    chart::Tank tank() const { return tankOf(currentShape()); }
    chart::Tank tankOf(chart::Shape shape) const;
    // Shows `tank` on screen as if typed: its orientation, shape, options, increment, the texts
    // of its dimension panel (in the user's number format, whatever format they were stored
    // in) and its heads. The focus stays where it is.
    void setTank(const chart::Tank& tank);
    // Calculate, as the button runs it (a text the chart cannot use is said in a message).
    void calculate() { cmdCalculate_Click(); }
    // The chart `historyId` of the history is on screen (its tank and heading put back):
    // Calculate shows it without adding it to the history again, until the tank or the heading
    // changes.
    void calculateFromHistory(std::int64_t historyId);
    // The tank on screen is that of the chart `historyId` of the history, made with `heading`:
    // until the tank or the heading changes, Calculate adds it to the history no more.
    void rememberHistoryChart(std::int64_t historyId, const store::JobRecord& heading);
    // Converts every figure typed to the unit chosen, when that is on offer (conversionOffered):
    // a measure to 0.01 in or 0.1 mm, a volume step to 0.01 US gal or 0.1 L.
    void convertTypedFigures();

    // The job whose heading every chart is stored with, in the same transaction, and whose
    // chart heading it becomes. Without one the chart goes with the job record on file.
    void setJobDocument(document::JobDocument* job) { m_job = job; }

    // The readiness rule: the increment and the rows of a dimension panel read above 0 (the
    // thicknesses only with Outside chosen). Enables Calculate (yellow) or disables it (light
    // grey, its tooltip saying what is missing). applyReadinessOnScreen runs it on the panel on
    // screen, after a change of orientation, a Dimensions choice and every change of the
    // increment; an edit of a panel runs it on that panel.
    void applyReadinessOnScreen();

    // Writes rows 1 to n of the chart into table Capacity of the job database, with its set-up,
    // replacing the previous chart in one transaction, then emits chartStored.
    void storeChart(std::int16_t n);

    // The last chart computed: rows 0 to N (row 0 zero). Empty before the first calculation.
    const chart::ChartRows& chartRows() const { return m_chartRows; }
    // The panel's controls in the order a job is filled: the options up to the increment, the
    // fields of the two cylinder panels and of the rectangle, the heads, the tilt, Calculate,
    // Past Charts and Exit. Qt skips the hidden ones.
    QList<QWidget*> keyboardOrder() const;

private:
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
    // How the chart steps: by depth (the increment) or by volume (the field holds the volume
    // step, and the chart gives the depth of each step).
    QComboBox* cboStep;
    QPushButton* cmdCalculate;
    QPushButton* cmdHistory;
    QPushButton* cmdExit;
    QLabel* lblIncrement;

signals:
    // A chart is in the database: its rows, and `setup` with it (the tank it was made from).
    void chartStored(const store::ChartSetup& setup);
    // Past Charts was pressed: the owner shows the history of charts.
    void historyRequested();
    // Exit was pressed: the owner ends the program.
    void exitRequested();
    // An input of the chart may have changed (an edit, a choice, the unit, the striker plate).
    void inputsChanged();
    // The orientation is the panel's: a tank put on screen may change it, and the main
    // window's orientation options follow.
    void orientationShown(bool horizontal);
    // Converting the figures typed to the unit just chosen is offered under `caption` (empty:
    // the offer is withdrawn, at the next edit or a switch back).
    void conversionOffered(const QString& caption);
    // The heads (bottom) of the tank on screen: `flat` when they are flat (or it has none).
    void headsShown(bool flat);

private:
    // The panel's own controls, at their places, in their first state and Tab order.
    void createControls();
    // The horizontal cylinder panel on screen, the others hidden, as the program starts.
    void showStartingPanel();
    void optCylindrical_Click();
    void optRectangular_Click();
    void optOutside_Click();
    void optInside_Click();
    void txtIncrement_Change();
    void txtIncrement_LostFocus();
    // Whether the chart steps by volume, as chosen.
    bool byVolume() const;
    // The increment's caption and tooltip follow the step and the unit.
    void showStepCaption();
    // The unit was switched to inches (`inches`) or millimetres: the figures stay as typed;
    // with figures typed, converting them is offered.
    void unitSwitched(bool inches);
    // Offers converting the figures to inches (true) or millimetres, or withdraws the offer.
    void offerConversion(std::optional<bool> toInches);
    // Every figure typed for a measure: the dimension panels, the heads' depth, the tilt and
    // the increment. Converts each to the unit now chosen.
    QList<QLineEdit*> measureFields() const;
    void convertFigures(bool toInches);
    void cmdCalculate_Click();
    void cmdExit_Click();

    // Brings the panel of `shape` into view, hides the other two, sets its thickness rows from
    // Inside/Outside and runs the readiness rule on it.
    void showShape(chart::Shape shape);
    // The readiness rule on `panel`, applied to Calculate.
    void applyReadiness(const DimensionPanel* panel);
    // The heads panel follows the tank on screen and the diameter typed for it.
    void refreshHeads();
    // Says headsShown for the heads on screen.
    void tellHeads();
    // Makes the chart of `tank` the chart in memory and hands it to storeChart; when that fails,
    // the previous chart stays in memory as it does in the file.
    void keepChart(const chart::Tank& tank);

    RectangularPanel* m_rectangularPanel;
    VerticalCylinderPanel* m_verticalPanel;
    HorizontalCylinderPanel* m_horizontalPanel;
    HeadsPanel* m_headsPanel;
    TiltPanel* m_tiltPanel;
    const store::JobDatabase m_database;
    bool m_horizontal = true;  // the orientation chosen in the main window
    chart::ChartRows m_chartRows;
    store::ChartSetup m_chartSetup;  // of the chart in memory
    document::JobDocument* m_job = nullptr;
    // The chart of the history put back on screen, if any.
    struct FromHistory {
        std::int64_t id;
        chart::Tank tank;
        store::JobRecord heading;
    };
    std::optional<FromHistory> m_fromHistory;
    std::optional<bool> m_conversionOffered;  // to inches (true) or millimetres
    bool m_converting = false;
};

}  // namespace dipsheet::setup
