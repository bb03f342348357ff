#include "frmcustomer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

#include "failures.h"
#include "store/store.h"
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

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
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

FrmCustomer::FrmCustomer(QWidget* parentArea, const store::JobDatabase& database)
    : QWidget(parentArea), m_database(database) {
    setObjectName(QStringLiteral("frmCustomer"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 4680, 2925).size());
    ui::setBackground(this, ui::colour::blue);

    Label1 = cyanLabel(this, QStringLiteral("Label1"), QStringLiteral("Customer Name"), 720);
    txtCustomer = multiLine(this, QStringLiteral("txtCustomer"), 720);
    lblTankDesc =
        cyanLabel(this, QStringLiteral("lblTankDesc"), QStringLiteral("Tank Description"), 1560);
    txtTankDesc = multiLine(this, QStringLiteral("txtTankDesc"), 1560);
    Label2 = cyanLabel(this, QStringLiteral("Label2"), QStringLiteral("Serial Number"), 2280);
    txtSerialNo = new QLineEdit(this);
    txtSerialNo->setObjectName(QStringLiteral("txtSerialNo"));
    txtSerialNo->setMaxLength(kSerialNoLength);
    ui::keepWholeCharacters(txtSerialNo);
    ui::placeTwips(txtSerialNo, 1560, 2280, 3000, 300);
    ui::selectAllOnEntry(txtSerialNo);

    QWidget::setTabOrder(txtCustomer, txtTankDesc);
    QWidget::setTabOrder(txtTankDesc, txtSerialNo);

    // Leaving a field saves at once, before the click that took the focus acts. Tab from the
    // serial number goes on to the chart options once the focus has settled; a click leaves
    // the focus where the user put it.
    ui::onLeaving(txtCustomer, [this] { txtCustomer_LostFocus(); });
    ui::onLeaving(txtTankDesc, [this] { txtTankDesc_LostFocus(); });
    ui::onLeaving(txtSerialNo, [this] { txtSerialNo_LostFocus(); });
    ui::onTabbedAway(txtSerialNo, [this] { moveOnToChartOptions(); });

    ui::fatalOnFailure([this] {
        // A job table without a record shows nothing; the first save adds the record.
        showHeading(m_database.connect().findJobRecord().value_or(store::JobRecord{}));
    });
}

void FrmCustomer::showHeading(const store::JobRecord& record) {
    txtCustomer->setPlainText(QString::fromStdString(record.customer));
    txtTankDesc->setPlainText(QString::fromStdString(record.tankDesc));
    // A longer serial number stored by other means is shown whole, so that a save never cuts
    // it; typing still stops at 30 characters for anything new.
    const QString serial = QString::fromStdString(record.serialNo);
    txtSerialNo->setMaxLength(std::max(kSerialNoLength, static_cast<int>(serial.size())));
    txtSerialNo->setText(serial);
}

std::optional<store::StoreError> FrmCustomer::takeHeading(const store::JobRecord& record) {
    showHeading(record);
    return saveHeading();
}

std::optional<store::StoreError> FrmCustomer::saveHeading() {
    auto failure = writeJob([this] {
        m_database.connect().writeHeading(utf8(txtCustomer->toPlainText()),
                                          utf8(txtTankDesc->toPlainText()),
                                          utf8(txtSerialNo->text()));
    });
    m_unsaved = failure.has_value();
    return failure;
}

void FrmCustomer::SaveCustomerRecord() {
    if (const auto failure = saveHeading())
        ui::messageWhenBack(jobNotSavedMessage(*failure));
}

std::optional<store::StoreError> FrmCustomer::keepHeading(const QWidget* field) {
    if (field == txtCustomer) {
        padIfEmpty(txtCustomer);
    } else if (field == txtTankDesc) {
        padIfEmpty(txtTankDesc);
    } else if (field == txtSerialNo) {
        padIfEmpty(txtSerialNo);
    } else if (!m_unsaved) {
        return std::nullopt;
    }
    return saveHeading();
}

void FrmCustomer::txtCustomer_LostFocus() {
    padIfEmpty(txtCustomer);
    SaveCustomerRecord();
}

void FrmCustomer::txtTankDesc_LostFocus() {
    padIfEmpty(txtTankDesc);
    SaveCustomerRecord();
}

void FrmCustomer::txtSerialNo_LostFocus() {
    padIfEmpty(txtSerialNo);
    SaveCustomerRecord();
}

void FrmCustomer::moveOnToChartOptions() {
    // Tab usually lands in the chart options already; then there is nothing to move.
    if (m_chart && !m_chart->isAncestorOf(QApplication::focusWidget()))
        ui::focusPanel(m_chart);
}

}  // namespace dipsheet::app
