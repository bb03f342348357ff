#include "frmintro.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "mdiform1.h"
#include "program.h"
#include "ui.h"

namespace dipsheet::app {

namespace {
constexpr int kTitleMs = 7000;
}

FrmIntro::FrmIntro() {
    setObjectName(QStringLiteral("frmIntro"));
    setWindowTitle(QStringLiteral("Dipsheet"));
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(ui::defaultFont());
    ui::setBackground(this, ui::colour::blue);
    resize(ui::twipsRect(0, 0, 5295, 5325).size());

    lblCoName =
        new QLabel(QStringLiteral("      This  program is            provided to you by:"), this);
    lblCoName->setObjectName(QStringLiteral("lblCoName"));
    lblCoName->setTextFormat(Qt::PlainText);
    lblCoName->setWordWrap(true);
    lblCoName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::placeTwips(lblCoName, 1920, 360, 1695, 495);
    ui::setBackground(lblCoName, ui::colour::red);
    ui::setTextColour(lblCoName, ui::colour::white);

    // The distributor: the office's own name and address from dipsheet.ini, spaced as one
    // text that wraps in the box; without them the product itself.
    const QStringList company = companyDetails();
    const QString distributor =
        company.isEmpty()
            ? QStringLiteral("Dipsheet   tank charts   for horizontal and vertical tanks")
            : company.join(QStringLiteral("   "));
    Label1 = new QLabel(distributor, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(ui::headingFont());
    ui::placeTwips(Label1, 1320, 1080, 2775, 1335);
    ui::setBackground(Label1, ui::colour::magenta);
    ui::setTextColour(Label1, ui::colour::white);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(logo());
    Image1->setScaledContents(true);
    ui::placeTwips(Image1, 1680, 2640, 2055, 2175);

    // The seven seconds count from the splash's creation: the timer starts before the main
    // window is built, so a slow start never lengthens them.
    ui::startOneShot(this, kTitleMs, [this] { tmrTitle_Timer(); });
    // Form_Load: the main window lays itself out hidden while the splash is on screen.
    m_mainWindow = new MdiForm1();
}

void FrmIntro::display() {
    // Maximised: without a window manager to maximise it, cover the screen ourselves.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    showMaximized();
}

void FrmIntro::tmrTitle_Timer() {
    if (!m_tmrTitleEnabled)
        return;
    m_tmrTitleEnabled = false;
    MdiForm1* mainWindow = m_mainWindow;
    close();  // destroyed once this event has been handled
    mainWindow->display();
}

}  // namespace dipsheet::app
