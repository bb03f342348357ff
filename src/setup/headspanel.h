#pragma once

// The heads panel: the kind of the two heads of a horizontal cylinder, or of the bottom of a
// vertical one, and the head's depth. It stands below the dimension panels, shown with the
// horizontal cylinder and the vertical tank. The horizontal and the vertical tank keep their
// own choice. The depth field is hidden for flat heads; for the kinds whose depth follows from
// the diameter it shows that depth and cannot be edited; for the others it is typed.

#include <QList>
#include <QString>
#include <QWidget>

#include "chart/chart.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace dipsheet::setup {

class HeadsPanel : public QWidget {
    Q_OBJECT

public:
    explicit HeadsPanel(QWidget* parentArea);

    // Shows the choice of the vertical tank's bottom, or of the horizontal tank's heads; each
    // keeps its kind and typed depth while the other is shown.
    void setVertical(bool vertical);
    bool isVertical() const { return m_vertical; }

    chart::HeadKind kind() const;
    chart::HeadTexts texts() const;
    // Shows `heads` as the choice of the tank on screen (a depth only for a kind that takes one).
    void setHeads(const chart::HeadTexts& heads);
    // "Head Depth" ("Bottom Depth") while a depth must be typed and does not read above 0;
    // otherwise an empty text.
    QString missingRow() const;
    // The inside diameter the fixed depths follow from (0 or less: none shown).
    void showDiameter(double insideDiameter);
    // The choice and the depth field, in the keyboard's order; the depth is the one measure.
    QList<QWidget*> keyboardOrder() const;
    QList<QLineEdit*> fields() const { return {txtHeadDepth}; }

private:
    QLabel* lblHeads;
    QComboBox* cboHeads;
    QLabel* lblHeadDepth;
    QLineEdit* txtHeadDepth;

signals:
    // The kind or the typed depth changed, or the depth field took the focus.
    void edited();

private:
    void cboHeads_Click();
    // Shows, hides and fills the depth row for the kind chosen.
    void showDepthRow();

    struct Choice {
        int index = 0;  // Flat
        QString depth;
    };
    Choice m_choice[2];  // horizontal, vertical
    bool m_vertical = false;
    double m_insideDiameter = 0;
};

}  // namespace dipsheet::setup
