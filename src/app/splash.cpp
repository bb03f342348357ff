#include "splash.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include "mainwindow.h"
#include "program.h"
#include "store/store.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

constexpr int kTitleMs = 7000;

// The distributor's lines shrink in these steps, down to the smallest size still read at a
// glance; a line too wide even then is cut short.
constexpr qreal kShrinkStepPt = 0.5;
constexpr qreal kSmallestPt = 6.0;

// Whether `lines`, one to a line, fit a box of `size` at `font`.
bool linesFit(const QFont& font, const QStringList& lines, const QSize& size) {
    const QFontMetrics metrics(font);
    for (const QString& line : lines) {
        if (metrics.horizontalAdvance(line) > size.width())
            return false;
    }
    return metrics.size(0, lines.join(QLatin1Char('\n'))).height() <= size.height();
}

// Shows `items` in `label` one to a line, never wrapped inside one: at the label's own font
// when they fit its box, else at the largest smaller size that fits them; a line still too
// wide at the smallest size ends in an ellipsis.
void showOneToALine(QLabel* label, const QStringList& items) {
    label->setWordWrap(false);
    const int margin = label->margin();
    const QSize box = label->contentsRect().adjusted(margin, margin, -margin, -margin).size();
    QFont font = label->font();
    while (!linesFit(font, items, box) && font.pointSizeF() - kShrinkStepPt >= kSmallestPt)
        font.setPointSizeF(font.pointSizeF() - kShrinkStepPt);
    const QFontMetrics metrics(font);
    QStringList lines;
    for (const QString& item : items)
        lines << metrics.elidedText(item, Qt::ElideRight, box.width());
    label->setFont(font);
    label->setText(lines.join(QLatin1Char('\n')));
}

}  // namespace

Splash::Splash(const DataFolder& folder) {
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

    // The distributor: the office's own name, address, town and phone from dipsheet.ini, each
    // on a line of its own; without them the product itself, wrapped in the box.
    const QStringList company = folder.companyDetails();
    lblOffice = new QLabel(
        QStringLiteral("Dipsheet   tank charts   for horizontal and vertical tanks"), this);
    lblOffice->setObjectName(QStringLiteral("Label1"));
    lblOffice->setTextFormat(Qt::PlainText);
    lblOffice->setWordWrap(true);
    lblOffice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblOffice->setFont(ui::headingFont());
    ui::placeTwips(lblOffice, 1320, 1080, 2775, 1335);
    ui::setBackground(lblOffice, ui::colour::magenta);
    ui::setTextColour(lblOffice, ui::colour::white);
    if (!company.isEmpty())
        showOneToALine(lblOffice, company);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(logo());
    Image1->setScaledContents(true);
    ui::placeTwips(Image1, 1680, 2640, 2055, 2175);

    // A desk of an office's server says which desk and which server, under the picture.
    if (const std::optional<DataFolder::Server> server = folder.server()) {
        lblServer = new QLabel(
            QStringLiteral("Desk \"%1\" on %2").arg(server->desk, server->shown()), this);
        lblServer->setObjectName(QStringLiteral("lblServer"));
        lblServer->setTextFormat(Qt::PlainText);
        lblServer->setAlignment(Qt::AlignCenter);
        ui::placeTwips(lblServer, 240, 4860, 4815, 375);
        ui::setTextColour(lblServer, ui::colour::white);
    }

    // The seven seconds count from the splash's creation: the timer starts before the main
    // window is built, so a slow start never lengthens them.
    ui::startOneShot(this, kTitleMs, [this] { tmrTitle_Timer(); });
}

void Splash::handTo(MainWindow* mainWindow) {
    m_mainWindow = mainWindow;
    // The time ran out while the main window was being built: hand over once the splash's
    // creator has shown it, as soon as the event loop runs.
    if (m_timeUp)
        QMetaObject::invokeMethod(
            this, [this] { ui::guarded([this] { handOver(); }); }, Qt::QueuedConnection);
}

void Splash::display() {
    // Maximised: without a window manager to maximise it, cover the screen ourselves.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    showMaximized();
    // The keyboard to the splash, which a key skips (the program's only window yet).
    setFocusPolicy(Qt::StrongFocus);
    activateWindow();
    setFocus();
}

void Splash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    ui::guarded([this] { tmrTitle_Timer(); });
}

// On the release, so that the press and release of one click both land on the splash.
void Splash::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    ui::guarded([this] { tmrTitle_Timer(); });
}

void Splash::tmrTitle_Timer() {
    m_timeUp = true;
    handOver();
}

void Splash::handOver() {
    if (!m_timeUp || !m_mainWindow || m_handedOver || ui::endRequested())
        return;
    m_handedOver = true;
    MainWindow* mainWindow = m_mainWindow;
    close();  // destroyed once this event has been handled
    mainWindow->display();
}

}  // namespace dipsheet::app
