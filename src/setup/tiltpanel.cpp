#include "setup/tiltpanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include "ui.h"

namespace dipsheet::setup {

TiltPanel::TiltPanel(QWidget* parentArea) : QWidget(parentArea) {
    setObjectName(QStringLiteral("frmTilt"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 3180, 1215).size());
    ui::setBackground(this, ui::colour::blue);

    // The rows of the heads panel: a cyan caption, a white field beside it.
    const auto row = [this](const QString& name, const QString& caption, int top) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        ui::placeTwips(label, 240, top, 1395, 255);
        ui::setBackground(label, ui::colour::cyan);
        ui::setTextColour(label, QPalette().color(QPalette::ButtonText));
        return label;
    };
    const auto field = [this](const QString& name, const QString& tip, int top) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setToolTip(tip);
        ui::noLengthLimit(edit);
        ui::placeTwips(edit, 1680, top, 1215, 285);
        ui::setBackground(edit, ui::colour::white);
        ui::selectAllOnEntry(edit);
        connect(edit, &QLineEdit::textChanged, this, ui::guard([this] { emit edited(); }));
        return edit;
    };
    lblFall = row(QStringLiteral("Label1"), QStringLiteral("Fall to end B"), 240);
    txtFall = field(QStringLiteral("txtFall"),
                    QStringLiteral("How much lower the bottom of the shell is at end B than at "
                                   "end A (negative: A is lower). Blank: level"),
                    240);
    lblDipAt = row(QStringLiteral("Label2"), QStringLiteral("Dip at, from end A"), 720);
    txtDipAt = field(QStringLiteral("txtDipAt"),
                     QStringLiteral("Where the dipstick stands on the bottom of the shell, "
                                    "measured from end A. Blank: the middle"),
                     720);
    QWidget::setTabOrder(txtFall, txtDipAt);
}

std::string TiltPanel::fall() const {
    return txtFall->text().toStdString();
}

std::string TiltPanel::dipAt() const {
    return txtDipAt->text().toStdString();
}

void TiltPanel::setTexts(const std::string& fall, const std::string& dipAt) {
    txtFall->setText(QString::fromStdString(fall));
    txtDipAt->setText(QString::fromStdString(dipAt));
}

}  // namespace dipsheet::setup
