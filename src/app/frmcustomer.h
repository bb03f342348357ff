#pragma once

// The customer panel: the chart heading (customer name, tank description, serial number),
// kept in the first job record. Leaving any field pads it with one space if it is empty and
// saves all three; Tab from the serial number moves on to the chart options panel.

#include <QWidget>

#include <optional>

#include "store/store.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace dipsheet::app {

class FrmCustomer : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the heading of the first job record.
    // The job record is read from and saved to `database`.
    FrmCustomer(QWidget* parentArea, const store::JobDatabase& database);

    // The panel that takes the focus after the serial number (the chart options panel).
    void setChartPanel(QWidget* chart) { m_chart = chart; }

    // Writes the three fields, as they stand, to the first job record. A busy or read-only
    // file is said once the user is back; the text stays on screen and the next save writes it.
    void SaveCustomerRecord();
    // The window closes, or another reads the job, while `field` is the window's focus: what
    // was typed in a field of this panel is kept as leaving the field would keep it (padding an
    // empty field), and so is a heading whose save failed earlier; the focus stays. Returns the
    // failure the user can mend, if the save meets one.
    std::optional<store::StoreError> keepHeading(const QWidget* field);
    // Shows the heading of `record` in the three fields and saves it to the job record; the
    // failure the user can mend, if the save meets one (the text then waits for the next save).
    std::optional<store::StoreError> takeHeading(const store::JobRecord& record);

    QLabel* Label1;
    QPlainTextEdit* txtCustomer;
    QLabel* lblTankDesc;
    QPlainTextEdit* txtTankDesc;
    QLabel* Label2;
    QLineEdit* txtSerialNo;

private:
    // The heading of `record` in the three fields, as stored.
    void showHeading(const store::JobRecord& record);
    void txtCustomer_LostFocus();
    void txtTankDesc_LostFocus();
    void txtSerialNo_LostFocus();
    // Tab from the serial number goes on to the chart options panel.
    void moveOnToChartOptions();

    // Writes the heading; the failure the user can mend, if any (the text then waits for the
    // next save).
    std::optional<store::StoreError> saveHeading();

    QWidget* m_chart = nullptr;
    const store::JobDatabase m_database;
    bool m_unsaved = false;  // a save failed: the heading on screen is not yet in the file
};

}  // namespace dipsheet::app
