#pragma once

// The orientation panel: a horizontal tank with flat heads or a vertical tank with a flat
// bottom. The choice shows or hides the chart panel's Configuration frame (visible means
// horizontal) and brings the dimension panel of the tank into view.

#include <QList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace dipsheet::setup {
class ChartOptionsPanel;
}

namespace dipsheet::app {

class OrientationPanel : public QWidget {
    Q_OBJECT

public:
    explicit OrientationPanel(QWidget* parentArea);

    // The chart options panel, which holds the orientation: a choice here applies it there, and
    // an orientation it takes by other means (a chart loaded back) is selected here.
    void setChartPanel(setup::ChartOptionsPanel* chart);

    // Applies the orientation now selected; `index` is the clicked option, not used.
    void optHV_Click(int index);
    // Horizontal, then vertical.
    QList<QWidget*> keyboardOrder() const;

private:
    QLabel* lblTitle;
    QGroupBox* fraHV;
    QRadioButton* optHV[2];

private:
    void showOrientation(bool horizontal);
    // The captions for the heads on screen: the kind named only while they are flat.
    void showHeads(bool flat);

    setup::ChartOptionsPanel* m_chart = nullptr;
};

}  // namespace dipsheet::app
