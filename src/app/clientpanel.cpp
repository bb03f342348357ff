#include "clientpanel.h"

#include <algorithm>

#include <QLineEdit>

#include "ui.h"

namespace dipsheet::app {

ClientPanel::ClientPanel(QWidget* parentArea, document::JobDocument& job)
    : QWidget(parentArea), m_job(job) {
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
    // A job record without a name shows nothing.
    txtClient->setText(QString::fromStdString(m_job.record().member));
    connect(txtClient, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_job.setMember(text); });
    // Leaving the field saves at once (before the click that took the focus acts); a blank
    // name is refused once the focus has settled, and the focus goes back.
    ui::onLeaving(txtClient, [this] { saveName(); });
    ui::onLostFocus(txtClient, [this] { refuseBlankName(); });
}

namespace {
// Empty, or spaces only.
bool isBlank(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c == QLatin1Char(' '); });
}
}  // namespace

void ClientPanel::saveName() {
    // Leaving the field rewrites the job even when nothing changed; a blank name is left out.
    m_job.save(!isBlank(txtClient->text()));
}

void ClientPanel::refuseBlankName() {
    if (isBlank(txtClient->text())) {
        ui::messageBox(QStringLiteral("Client Name cannot be blank. Please reenter."));
        ui::giveFocus(txtClient);
    }
}

QList<QWidget*> ClientPanel::keyboardOrder() const {
    return {txtClient};
}

bool ClientPanel::holdsPlaceholder() const {
    return txtClient->text() == QLatin1String(store::kClientPlaceholder);
}

}  // namespace dipsheet::app
