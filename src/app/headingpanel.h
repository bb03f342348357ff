#pragma once

// The customer panel: the chart heading (customer name, tank description, serial number),
// kept in the first job record. Leaving any field pads it with one space if it is empty and
// saves all three; Tab from the serial number moves on to the chart options panel. The panel is
// a view on the job document: what is typed goes to the document at once, and a heading the
// program puts in (a chart of the history) comes back from it.

#include <QList>
#include <QWidget>

#include "jobdocument.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace dipsheet::app {

class HeadingPanel : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the heading of the job record `job` (loaded).
    HeadingPanel(QWidget* parentArea, document::JobDocument& job);

    // The panel that takes the focus after the serial number (the chart options panel).
    void setChartPanel(QWidget* chart) { m_chart = chart; }
    // The customer, the description and the serial number, in the keyboard's order.
    QList<QWidget*> keyboardOrder() const;

private:
    QLabel* lblCustomerCaption;
    QPlainTextEdit* txtCustomer;
    QLabel* lblTankDesc;
    QPlainTextEdit* txtTankDesc;
    QLabel* lblSerialNoCaption;
    QLineEdit* txtSerialNo;

private:
    // The heading of the job record in the three fields.
    void showHeading();
    // Leaving a field: an empty one is given one space, then the job is saved.
    void fieldLeft(QWidget* field);
    // Tab from the serial number goes on to the chart options panel.
    void moveOnToChartOptions();

    QWidget* m_chart = nullptr;
    document::JobDocument& m_job;
};

}  // namespace dipsheet::app
