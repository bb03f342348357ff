#include "copyrightpanel.h"

#include <QLabel>

#include "program.h"
#include "ui.h"

namespace dipsheet::app {

namespace {
QLabel* creditLabel(QWidget* panel, const QString& name, const QString& text, int left, int top,
                    int width) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    ui::placeTwips(label, left, top, width, 195);
    ui::setBackground(label, ui::colour::blue);
    ui::setTextColour(label, ui::colour::magenta);
    return label;
}
}  // namespace

CopyrightPanel::CopyrightPanel(QWidget* parentArea) : QWidget(parentArea) {
    setObjectName(QStringLiteral("frmCopyright"));
    setFont(ui::defaultFont());
    resize(ui::twipsRect(0, 0, 4035, 2310).size());
    ui::setBackground(this, ui::colour::blue);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(logo());
    Image1->setScaledContents(true);
    ui::placeTwips(Image1, 120, 120, 1995, 1995);

    lblCopyright = creditLabel(this, QStringLiteral("Label1"), QStringLiteral("Copyright \u00a9"),
                               2520, 720, 1095);
    lblBy = creditLabel(this, QStringLiteral("Label2"), QStringLiteral("by"), 3000, 1080, 195);
    lblAuthor = creditLabel(this, QStringLiteral("Label3"), QStringLiteral("the Dipsheet team"),
                            2280, 1440, 1605);
}

}  // namespace dipsheet::app
