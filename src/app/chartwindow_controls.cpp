// The chart window's controls: the heading, the grid, Print and Exit, the picture, the set-up
// line and the notice bar, their layouts, and the window's commands.

#include "chartwindow.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "capacitymodel.h"
#include "chartpicture.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

QLabel* captionLabel(QWidget* window, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(name);
    label->setFixedSize(ui::twipsRect(0, 0, 1095, 255).size());
    ui::setBackground(label, ui::colour::blue);
    ui::setTextColour(label, ui::colour::white);
    return label;
}

QLabel* headingLabel(QWidget* window, const QString& name, int width, int height, bool twoLines) {
    auto* label = new QLabel(window);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(twoLines);
    label->setFixedSize(ui::twipsRect(0, 0, width, height).size());
    ui::setBackground(label, ui::colour::white);
    return label;
}

QPushButton* button(QWidget* window, const QString& name, const QString& caption,
                    const QColor& face) {
    auto* b = new QPushButton(caption, window);
    b->setObjectName(name);
    b->setFixedSize(ui::twipsRect(0, 0, 1215, 495).size());
    ui::setBackground(b, face);
    return b;
}

}  // namespace

ChartWindow::ChartWindow(document::JobDocument& job, const DataFolder& folder)
    : m_job(job), m_database(job.database()), m_folder(folder) {
    setObjectName(QStringLiteral("frmCapacity"));
    setWindowTitle(QStringLiteral("Calculated Capacity"));
    setAttribute(Qt::WA_DeleteOnClose);  // after its close event has unloaded it
    setFont(ui::defaultFont());
    ui::setBackground(this, ui::colour::cyan);

    lblCustomerCaption = captionLabel(this, QStringLiteral("Label1"), QStringLiteral("Customer:"));
    lblCustomer = headingLabel(this, QStringLiteral("lblCustomer"), 3855, 495, true);
    lblTankDescCaption =
        captionLabel(this, QStringLiteral("Label2"), QStringLiteral("Description:"));
    lblTankDesc = headingLabel(this, QStringLiteral("lblTankDesc"), 3855, 495, true);
    lblSerialNoCaption =
        captionLabel(this, QStringLiteral("Label3"), QStringLiteral("Serial Number:"));
    lblSerialNo = headingLabel(this, QStringLiteral("lblSerialNo"), 3015, 255, false);

    m_rows = new CapacityModel(this);
    dbgCapacity = new QTableView(this);
    dbgCapacity->setObjectName(QStringLiteral("dbgCapacity"));
    dbgCapacity->setModel(m_rows);
    dbgCapacity->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgCapacity->setTabKeyNavigation(false);  // Tab leaves the grid; arrows move in it
    // Rows are selected whole; Ctrl+A selects them all.
    dbgCapacity->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgCapacity->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgCapacity->setFrameShape(QFrame::Box);
    dbgCapacity->setFrameShadow(QFrame::Sunken);
    dbgCapacity->setCornerButtonEnabled(false);
    dbgCapacity->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // every column shows
    dbgCapacity->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    dbgCapacity->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    dbgCapacity->verticalHeader()->setDefaultSectionSize(ui::twips(240));
    dbgCapacity->verticalHeader()->setFixedWidth(ui::twips(180));
    dbgCapacity->setMinimumHeight(ui::twips(3735));
    ui::setBackground(dbgCapacity, ui::colour::blue);
    ui::setTextColour(dbgCapacity, ui::colour::white);
    // The selected rows in black on yellow, with the focus or without: the system's highlight
    // on the blue grid would leave the row being read the least visible of all.
    QPalette selection = dbgCapacity->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        selection.setColor(group, QPalette::Highlight, ui::colour::yellow);
        selection.setColor(group, QPalette::HighlightedText, Qt::black);
    }
    dbgCapacity->setPalette(selection);
    // Headings keep the system's button colours: white on their grey face would not show.
    for (QHeaderView* header : {dbgCapacity->horizontalHeader(), dbgCapacity->verticalHeader()}) {
        header->setFont(ui::defaultFont());
        ui::setTextColour(header, QApplication::palette().color(QPalette::ButtonText));
    }

    // The set-up of the chart on show, under the grid.
    lblSetup = new QLabel(this);
    lblSetup->setObjectName(QStringLiteral("lblSetup"));
    lblSetup->setTextFormat(Qt::PlainText);
    lblSetup->setWordWrap(true);
    lblSetup->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSetup->setMinimumHeight(ui::twips(495));
    lblSetup->setAutoFillBackground(true);
    ui::setBackground(lblSetup, ui::colour::blue);
    ui::setTextColour(lblSetup, ui::colour::white);

    // What the world did (a busy file), under the set-up line; it never takes the keyboard.
    noticeBar = new ui::NoticeBar(this);
    connect(&m_job, &document::JobDocument::noticeChanged, this, [this] { showNotice(); });
    noticeBar->say(m_job.notice());

    cmdPrint =
        button(this, QStringLiteral("cmdPrint"), QStringLiteral("Print"), ui::colour::yellow);
    cmdExit = button(this, QStringLiteral("cmdExit"), QStringLiteral("Exit"), ui::colour::green);
    QWidget::setTabOrder(dbgCapacity, cmdPrint);
    QWidget::setTabOrder(cmdPrint, cmdExit);

    // The curve and the tank beside the grid, the selected row drawn on both.
    m_picture = new ChartPicture(this);
    m_picture->setObjectName(QStringLiteral("picChart"));
    connect(dbgCapacity->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showSelectedRow(current.row()); });

    layOut();

    makeCommands();

    dbgCapacity->setFocus();
}

void ChartWindow::layOut() {
    // The heading at the top left as designed: captions, then the three heading labels.
    auto* heading = new QGridLayout;
    heading->setHorizontalSpacing(ui::twips(105));
    heading->setVerticalSpacing(ui::twips(105));
    const std::pair<QLabel*, QLabel*> lines[] = {{lblCustomerCaption, lblCustomer},
                                                 {lblTankDescCaption, lblTankDesc},
                                                 {lblSerialNoCaption, lblSerialNo}};
    for (int row = 0; row < 3; ++row) {
        heading->addWidget(lines[row].first, row, 0, Qt::AlignTop);
        heading->addWidget(lines[row].second, row, 1, Qt::AlignTop | Qt::AlignLeft);
    }
    heading->setColumnStretch(2, 1);

    // Print and Exit beside the grid, at the top of their column.
    m_buttons = new QVBoxLayout;
    m_buttons->setSpacing(ui::twips(225));
    m_buttons->addSpacing(ui::twips(240));
    m_buttons->addWidget(cmdPrint);
    m_buttons->addWidget(cmdExit);
    m_buttons->addStretch(1);

    // The grid and the picture share what the window leaves below the heading.
    m_body = new QGridLayout;
    m_body->setSpacing(ui::twips(240));

    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(ui::twips(120), ui::twips(240), ui::twips(120), ui::twips(120));
    whole->setSpacing(ui::twips(105));
    whole->addLayout(heading);
    whole->addLayout(m_body, 1);
    whole->addWidget(lblSetup);
    whole->addWidget(noticeBar);
    placeBody();
}

void ChartWindow::placeBody() {
    // Beside the grid and its buttons when the room left there is wide enough for a picture
    // of the body's height, else below them.
    const int room = width() - dbgCapacity->width() - cmdPrint->width();
    const bool beside = !m_picture || room >= height() * 2 / 3;
    if (m_body->count() > 0 && beside == m_pictureBeside)
        return;
    m_pictureBeside = beside;
    // A widget's item goes with the taking; the buttons' layout is put back below.
    while (QLayoutItem* item = m_body->takeAt(0)) {
        if (!item->layout())
            delete item;
    }
    for (int i = 0; i < 3; ++i) {
        m_body->setColumnStretch(i, 0);
        m_body->setRowStretch(i, 0);
    }
    m_body->addWidget(dbgCapacity, 0, 0);
    m_body->addLayout(m_buttons, 0, 1);
    if (m_picture && beside) {
        m_body->addWidget(m_picture, 0, 2);
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 1);
    } else if (m_picture) {
        m_body->addWidget(m_picture, 1, 0, 1, 3);
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 2);
        m_body->setRowStretch(1, 3);
    } else {
        m_body->setColumnStretch(2, 1);
        m_body->setRowStretch(0, 1);
    }
}

void ChartWindow::fitGridWidth() {
    // Wide enough for every column at once, so that none hides behind a scroll bar; at least
    // as wide as designed, the room shared out among the columns.
    QHeaderView* header = dbgCapacity->horizontalHeader();
    dbgCapacity->resizeColumnsToContents();
    const int frame = dbgCapacity->verticalHeader()->width() + 2 * dbgCapacity->frameWidth() +
                      dbgCapacity->verticalScrollBar()->sizeHint().width();
    const int columns = header->count();
    const int spare = ui::twips(3495) - frame - header->length();
    for (int c = 0; c < columns && spare > 0; ++c)
        header->resizeSection(c, header->sectionSize(c) + spare / columns);
    dbgCapacity->setFixedWidth(frame + header->length());
    placeBody();
}

void ChartWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBody();
}

void ChartWindow::makeCommands() {
    // One action per command, owned by the window: its shortcut works anywhere in the window,
    // and the grid's menu and the buttons trigger the same action.
    const auto command = [this](const QString& text, const QKeySequence& keys, auto run) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, ui::guard(std::move(run)));
        addAction(action);
        return action;
    };
    const auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    QAction* print =
        command(QStringLiteral("Print"), QKeySequence::Print, [this] { cmdPrint_Click(); });
    QAction* exit = command(QStringLiteral("Exit"), {}, [this] { cmdExit_Click(); });
    connect(cmdPrint, &QPushButton::clicked, print, &QAction::trigger);
    connect(cmdExit, &QPushButton::clicked, exit, &QAction::trigger);
    m_showSite =
        command(QStringLiteral("Show Ullage and % Full"), {}, [this](bool on) { showUllage(on); });
    m_showSite->setCheckable(true);
    // The grid's menu: copying, saving and the site's columns.
    dbgCapacity->setContextMenuPolicy(Qt::ActionsContextMenu);
    dbgCapacity->addActions({
        command(QStringLiteral("Copy"), QKeySequence::Copy, [this] { copyRows(); }),
        command(QStringLiteral("Select All"), QKeySequence::SelectAll,
                [this] { dbgCapacity->selectAll(); }),
        separator(),
        command(QStringLiteral("Save as CSV..."), QKeySequence::Save, [this] { saveAsCsv(); }),
        command(QStringLiteral("Save as PDF..."), {}, [this] { saveAsPdf(); }),
        command(QStringLiteral("Save Gauge Table..."), {}, [this] { saveGaugeTable(); }),
        separator(),
        m_showSite,
    });
}

}  // namespace dipsheet::app
