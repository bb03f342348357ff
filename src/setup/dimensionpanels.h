#pragma once

// The three dimension panels: rectangular, horizontal cylinder and vertical cylinder. Each
// holds four rows (a cyan label and a text field); the last row (rectangular) or the last two
// rows (cylinders) are the plate thicknesses, shown only while Outside dimensions are chosen.
// A panel is a view: it tells whether its rows are filled and what they hold, and signals every
// edit and focus entry; the chart options panel runs the readiness rule on that signal.

#include <QList>
#include <QString>
#include <QWidget>

#include <initializer_list>
#include <utility>

#include "chart/chart.h"

class QLabel;
class QLineEdit;

namespace dipsheet::setup {

class DimensionPanel : public QWidget {
    Q_OBJECT

public:
    // Shows or hides the thickness rows; never clears their fields.
    virtual void setThicknessRowsVisible(bool visible) = 0;
    // The caption of the first row the readiness rule reads that does not read above 0 (its
    // leading number), or an empty text when every such row does. The thickness rows are read
    // only with Outside dimensions.
    virtual QString missingRow(bool outside) const = 0;
    bool isComplete(bool outside) const { return missingRow(outside).isEmpty(); }
    // The panel's fields from the top row down: the keyboard's order, and the measures a unit
    // switch converts.
    virtual QList<QLineEdit*> fields() const = 0;

signals:
    // A field changed or took the focus: the set-up may have become ready or not.
    void edited();

protected:
    using QWidget::QWidget;
    // Sets up a panel of the shared size and colours.
    void setUpPanel(const QString& name);
    // A row: a cyan label and a white field beside it, in twips row `row` (0 to 3). A field
    // with `maxLength` 0 takes any length. Its whole text is selected when it is entered.
    QLabel* makeLabel(const QString& name, const QString& caption, int row, int widthTwips);
    QLineEdit* makeField(const QString& name, const QString& tooltip, int row, int maxLength);
    // The caption of the first of `rows` (field, label) whose field does not read above 0.
    static QString firstMissing(
        std::initializer_list<std::pair<const QLineEdit*, const QLabel*>> rows);
};

// Rectangular tank: length, width, height and wall thickness. No input length limit.
class RectangularPanel : public DimensionPanel {
    Q_OBJECT

public:
    explicit RectangularPanel(QWidget* parentArea);

    void setThicknessRowsVisible(bool visible) override;
    QString missingRow(bool outside) const override;
    chart::RectTexts texts() const;
    void setTexts(const chart::RectTexts& texts);
    QList<QLineEdit*> fields() const override;

private:
    QLabel* lblLength;
    QLabel* lblWidth;
    QLabel* lblHeight;
    QLabel* lblThickness;
    QLineEdit* txtLength;
    QLineEdit* txtWidth;
    QLineEdit* txtHeight;
    QLineEdit* txtThickness;

private:
    void txtLength_Change() { emit edited(); }
    void txtLength_GotFocus() { emit edited(); }
    void txtWidth_Change() { emit edited(); }
    void txtWidth_GotFocus() { emit edited(); }
    void txtHeight_Change() { emit edited(); }
    void txtHeight_GotFocus() { emit edited(); }
    void txtThickness_Change() { emit edited(); }
    void txtThickness_GotFocus() { emit edited(); }
};

// A cylinder panel: diameter, length (height on the vertical panel), head (bottom) thickness
// and shell thickness, each field at most 9 characters. The horizontal and the vertical
// cylinder panel differ only in their name, two captions and the label width.
class CylinderPanel : public DimensionPanel {
    Q_OBJECT

public:
    void setThicknessRowsVisible(bool visible) override;
    QString missingRow(bool outside) const override;
    // On the vertical panel `length` holds the height and `headThickness` the bottom thickness.
    chart::CylTexts texts() const;
    void setTexts(const chart::CylTexts& texts);
    QList<QLineEdit*> fields() const override;
    // The diameter inside the shell as it reads (its leading number), the shell's thickness
    // taken off twice with `outside` measures.
    double insideDiameter(bool outside) const;

private:
    QLabel* lblDiameter;
    QLabel* lblLength;
    QLabel* lblHeadThickness;
    QLabel* lblShellThickness;
    QLineEdit* txtDiameter;
    QLineEdit* txtLength;
    QLineEdit* txtHeadThickness;
    QLineEdit* txtShellThickness;

protected:
    CylinderPanel(QWidget* parentArea, const QString& name, const QString& lengthCaption,
                  const QString& headCaption, int labelWidthTwips);

private:
    void txtDiameter_Change() { emit edited(); }
    void txtDiameter_GotFocus() { emit edited(); }
    void txtLength_Change() { emit edited(); }
    void txtLength_GotFocus() { emit edited(); }
    void txtHeadThickness_Change() { emit edited(); }
    void txtHeadThickness_GotFocus() { emit edited(); }
    void txtShellThickness_Change() { emit edited(); }
    void txtShellThickness_GotFocus() { emit edited(); }
};

// Horizontal cylindrical tank with flat heads.
class HorizontalCylinderPanel : public CylinderPanel {
    Q_OBJECT

public:
    explicit HorizontalCylinderPanel(QWidget* parentArea);
};

// Vertical cylindrical tank with flat bottom: txtLength holds the height, txtHeadThickness the
// bottom thickness.
class VerticalCylinderPanel : public CylinderPanel {
    Q_OBJECT

public:
    explicit VerticalCylinderPanel(QWidget* parentArea);
};

}  // namespace dipsheet::setup
