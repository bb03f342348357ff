#include "headingpanel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

#include "ui.h"

namespace dipsheet::app {

namespace {

constexpr int kSerialNoLength = 30;

QLabel* cyanLabel(QWidget* panel, const QString& name, const QString& caption, int top) {
    auto* label = new QLabel(caption, panel);
    label->setObjectName(name);
    ui::placeTwips(label, 120, top, 1245, 300);
    ui::setBackground(label, ui::colour::cyan);
    return label;
}

QPlainTextEdit* multiLine(QWidget* panel, const QString& name, int top) {
    auto* field = new QPlainTextEdit(panel);
    field->setObjectName(name);
    field->setTabChangesFocus(true);  // Tab moves on; Enter starts a new line
    ui::placeTwips(field, 1560, top, 3000, 600);
    ui::selectAllOnEntry(field);
    return field;
}

// An exactly empty field is given one space; a field of spaces stays as it is.
template <typename Field>
void padIfEmpty(Field* field) {
    if constexpr (std::is_same_v<Field, QLineEdit>) {
        if (field->text().isEmpty())
            field->setText(QStringLiteral(" "));
    } else {
        if (field->toPlainText().isEmpty())
            field->setPlainText(QStringLiteral(" "));
    }
}

}  // namespace

HeadingPanel::HeadingPanel(QWidget* parentArea, document::JobDocument& job)
    : QWidget(parentArea), m_job(job) {
    setObjectName(QStringLiteral("frmCustomer"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 4680, 2925).size());
    ui::setBackground(this, ui::colour::blue);

    lblCustomerCaption =
        cyanLabel(this, QStringLiteral("Label1"), QStringLiteral("Customer Name"), 720);
    txtCustomer = multiLine(this, QStringLiteral("txtCustomer"), 720);
    lblTankDesc =
        cyanLabel(this, QStringLiteral("lblTankDesc"), QStringLiteral("Tank Description"), 1560);
    txtTankDesc = multiLine(this, QStringLiteral("txtTankDesc"), 1560);
    lblSerialNoCaption =
        cyanLabel(this, QStringLiteral("Label2"), QStringLiteral("Serial Number"), 2280);
    txtSerialNo = new QLineEdit(this);
    txtSerialNo->setObjectName(QStringLiteral("txtSerialNo"));
    txtSerialNo->setMaxLength(kSerialNoLength);
    ui::keepWholeCharacters(txtSerialNo);
    ui::placeTwips(txtSerialNo, 1560, 2280, 3000, 300);
    ui::selectAllOnEntry(txtSerialNo);

    QWidget::setTabOrder(txtCustomer, txtTankDesc);
    QWidget::setTabOrder(txtTankDesc, txtSerialNo);

    showHeading();
    // Every key typed is in the job at once; the file takes it at the next save point.
    connect(txtCustomer, &QPlainTextEdit::textChanged, this,
            [this] { m_job.setCustomer(txtCustomer->toPlainText()); });
    connect(txtTankDesc, &QPlainTextEdit::textChanged, this,
            [this] { m_job.setTankDesc(txtTankDesc->toPlainText()); });
    connect(txtSerialNo, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_job.setSerialNo(text); });
    connect(&m_job, &document::JobDocument::headingReplaced, this, [this] { showHeading(); });

    // Leaving a field saves at once, before the click that took the focus acts. Tab from the
    // serial number goes on to the chart options once the focus has settled; a click leaves
    // the focus where the user put it.
    for (QWidget* field : {static_cast<QWidget*>(txtCustomer), static_cast<QWidget*>(txtTankDesc),
                           static_cast<QWidget*>(txtSerialNo)})
        ui::onLeaving(field, [this, field] { fieldLeft(field); });
    ui::onTabbedAway(txtSerialNo, [this] { moveOnToChartOptions(); });
}

void HeadingPanel::showHeading() {
    const store::JobRecord& record = m_job.record();
    txtCustomer->setPlainText(QString::fromStdString(record.customer));
    txtTankDesc->setPlainText(QString::fromStdString(record.tankDesc));
    // A longer serial number stored by other means is shown whole, so that a save never cuts
    // it; typing still stops at 30 characters for anything new.
    const QString serial = QString::fromStdString(record.serialNo);
    txtSerialNo->setMaxLength(std::max(kSerialNoLength, static_cast<int>(serial.size())));
    txtSerialNo->setText(serial);
}

void HeadingPanel::fieldLeft(QWidget* field) {
    if (field == txtCustomer)
        padIfEmpty(txtCustomer);
    else if (field == txtTankDesc)
        padIfEmpty(txtTankDesc);
    else
        padIfEmpty(txtSerialNo);
    // All three are written at every field left, whether or not anything changed.
    m_job.save(true);
}

void HeadingPanel::moveOnToChartOptions() {
    // Tab usually lands in the chart options already; then there is nothing to move.
    if (m_chart && !m_chart->isAncestorOf(QApplication::focusWidget()))
        ui::focusPanel(m_chart);
}

QList<QWidget*> HeadingPanel::keyboardOrder() const {
    return {txtCustomer, txtTankDesc, txtSerialNo};
}

}  // namespace dipsheet::app
