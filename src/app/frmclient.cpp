#include "frmclient.h"

#include <algorithm>

#include <QLineEdit>

#include "failures.h"
#include "store/store.h"
#include "ui.h"

namespace dipsheet::app {

FrmClient::FrmClient(QWidget* parentArea, const store::JobDatabase& database)
    : QWidget(parentArea), m_database(database) {
    setObjectName(QStringLiteral("frmClient"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 3810, 1035).size());
    ui::setBackground(this, ui::colour::blue);

    txtClient = new QLineEdit(this);
    txtClient->setObjectName(QStringLiteral("txtClient"));
    txtClient->setToolTip(QStringLiteral("To change Client Name, Click in Here and Type Over"));
    txtClient->setFont(ui::clientFont());
    ui::noLengthLimit(txtClient);  // the stored name's length is the file's concern
    ui::placeTwips(txtClient, 0, 0, 3735, 420);
    ui::setBackground(txtClient, ui::colour::blue);
    ui::setTextColour(txtClient, ui::colour::white);
    ui::selectAllOnEntry(txtClient);
    // Leaving the field saves a name at once (before the click that took the focus acts); a
    // blank one is refused once the focus has settled, and the focus goes back.
    ui::onLeaving(txtClient, [this] { txtClient_LostFocus(); });
    ui::onLostFocus(txtClient, [this] { refuseBlankName(); });

    ui::fatalOnFailure([this] {
        // A job table without a record shows nothing; the first save adds the record.
        const auto record = m_database.connect().findJobRecord().value_or(store::JobRecord{});
        txtClient->setText(QString::fromStdString(record.member));
    });
}

namespace {
// Empty, or spaces only.
bool isBlank(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c == QLatin1Char(' '); });
}
}  // namespace

std::optional<store::StoreError> FrmClient::keepName(bool editing) {
    if (!(editing || m_unsaved) || isBlank(txtClient->text()))
        return std::nullopt;
    return saveName();
}

std::optional<store::StoreError> FrmClient::saveName() {
    auto failure =
        writeJob([this] { m_database.connect().writeMember(txtClient->text().toStdString()); });
    m_unsaved = failure.has_value();
    return failure;
}

void FrmClient::txtClient_LostFocus() {
    if (isBlank(txtClient->text()))
        return;
    if (const auto failure = saveName())
        ui::messageWhenBack(jobNotSavedMessage(*failure));
}

void FrmClient::refuseBlankName() {
    if (isBlank(txtClient->text())) {
        ui::messageBox(QStringLiteral("Client Name cannot be blank. Please reenter."));
        ui::giveFocus(txtClient);
    }
}

}  // namespace dipsheet::app
