#pragma once

// The customer panel: the chart heading (customer name, tank description, serial number),
// kept in the first job record. Leaving any field pads it with one space if it is empty and
// saves all three; Tab from the serial number moves on to the chart options panel.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace dipsheet::app {

class FrmCustomer : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the heading of the first job record.
    explicit FrmCustomer(QWidget* parentArea);

    // The panel that takes the focus after the serial number (the chart options panel).
    void setChartPanel(QWidget* chart) { m_chart = chart; }

    // Writes the three fields, as they stand, to the first job record.
    void SaveCustomerRecord();
    // The window closes while `field` of this panel has the focus: keep what was typed as
    // leaving the field would (padding an empty field), without moving the focus on.
    void keepFieldBeingEdited(const QWidget* field);

    QLabel* Label1;
    QPlainTextEdit* txtCustomer;
    QLabel* lblTankDesc;
    QPlainTextEdit* txtTankDesc;
    QLabel* Label2;
    QLineEdit* txtSerialNo;

private:
    void txtCustomer_LostFocus();
    void txtTankDesc_LostFocus();
    void txtSerialNo_LostFocus();
    // Tab from the serial number goes on to the chart options panel.
    void moveOnToChartOptions();

    QWidget* m_chart = nullptr;
};

}  // namespace dipsheet::app
