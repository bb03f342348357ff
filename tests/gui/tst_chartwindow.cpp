// The chart window: opened by Calculate with the heading and every Capacity row, read-only;
// Exit and closing delete the chart rows; a second chart refreshes the open window.

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "app_testing.h"
#include "clientpanel.h"
#include "numbers.h"
#include "report.h"

using namespace app_testing;
using dipsheet::app::ChartWindow;
using dipsheet::setup::ChartOptionsPanel;

class TestChartWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // A row at depth 0 is the file's own: shown with every chart and never deleted.
        m_scratch = scratchDatabase(
            "UPDATE mrQRT SET mrCustomer = 'Acme' || char(10) || 'Depot', "
            "mrTankDesc = 'Diesel', mrSerialNo = 'SN-9';"
            "INSERT INTO Capacity VALUES(0, 1.00000011920928955078125);");
        m_seams = std::make_unique<Seams>();
        m_program = std::make_unique<Program>(*m_seams);
        QVERIFY(m_program->start());
    }
    void cleanup() {
        m_program.reset();
        m_seams.reset();
        m_scratch.reset();
    }

    void showsHeadingAndEveryRow() {
        ChartWindow* w = calculate(QStringLiteral(".1"));
        QVERIFY(w);
        QCOMPARE(w->objectName(), QStringLiteral("frmCapacity"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Calculated Capacity"));
        QVERIFY(w->isWindow() && w->isVisible() && !w->isModal());
        QCOMPARE(ui::background(w), ui::colour::cyan);
        QVERIFY(w->size().width() >= ui::twips(5370) && w->size().height() >= ui::twips(5595));
        QCOMPARE(findNamed<QLabel>(w, "lblCustomer")->text(),
                 QStringLiteral("Acme\nDepot"));  // two lines
        QCOMPARE(findNamed<QLabel>(w, "lblTankDesc")->text(), QStringLiteral("Diesel"));
        QCOMPARE(findNamed<QLabel>(w, "lblSerialNo")->text(), QStringLiteral("SN-9"));
        QCOMPARE(ui::background(findNamed<QPushButton>(w, "cmdPrint")), ui::colour::yellow);
        QCOMPARE(ui::background(findNamed<QPushButton>(w, "cmdExit")), ui::colour::green);

        // The grid: every row in table order, headed Depth and Capacity, each value the single
        // it holds, as the CSV writes it.
        QTableView* grid = findNamed<QTableView>(w, "dbgCapacity");
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Depth"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Capacity"));
        const auto rows = m_scratch->capacity();
        QVERIFY(rows.size() > 33);
        QCOMPARE(model->rowCount(), int(rows.size()));
        QCOMPARE(model->columnCount(), 2);
        const auto exact = [](float v) {
            return QString::fromStdString(dipsheet::chart::singleText(v));
        };
        for (int r = 0; r < model->rowCount(); ++r) {
            QCOMPARE(model->index(r, 0).data().toString(), exact(rows[r][0]));
            QCOMPARE(model->index(r, 1).data().toString(), exact(rows[r][1]));
        }
        QCOMPARE(model->index(33, 0).data().toString(), QStringLiteral("3.299999"));  // not 3.3
        QCOMPARE(grid->palette().color(QPalette::Base), ui::colour::blue);
        QCOMPARE(grid->palette().color(QPalette::Text), ui::colour::white);
        for (auto group : {QPalette::Active, QPalette::Inactive})  // the selected row stands out
            QVERIFY(grid->palette().color(group, QPalette::Highlight) == ui::colour::yellow &&
                    grid->palette().color(group, QPalette::HighlightedText) == Qt::black);
        QVERIFY(grid->verticalHeader()->isVisible());
        const QPalette heading = grid->horizontalHeader()->palette();
        QVERIFY(heading.color(QPalette::ButtonText) != heading.color(QPalette::Button));
        QTRY_COMPARE(QApplication::focusWidget(), grid);
    }

    // A file made elsewhere: Capacity with its fields in another order and one of its own. The
    // grid shows every field in the table's order under its name, numbers as the singles they
    // hold, texts as they are, NULL empty; the chart's rows go into their named fields.
    void gridShowsEveryFieldInTheTablesOrder() {
        QVERIFY(m_scratch->exec(
            "DROP TABLE Capacity;"
            "CREATE TABLE Capacity(Capacity REAL, Note TEXT, Depth REAL, Reading INTEGER);"
            "INSERT INTO Capacity VALUES(0.70000005, 'dip A', 0, 7),"
            "(129.86111, NULL, -0.044999998, NULL), (1.882795e-06, '', -1.0000001, 12),"
            "(21.64352, 'x', -1000000, 0);"));
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        const QAbstractItemModel* model = findNamed<QTableView>(w, "dbgCapacity")->model();
        QStringList headings;
        for (int c = 0; c < model->columnCount(); ++c)
            headings << model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"Capacity", "Note", "Depth", "Reading"}));
        const auto rowTexts = [model](int row) {
            QStringList texts;
            for (int c = 0; c < model->columnCount(); ++c)
                texts << model->index(row, c).data().toString();
            return texts;
        };
        const QList<QStringList> kept = {{"0.70000005", "dip A", "0", "7"},
                                         {"129.86111", "", "-0.044999998", ""},
                                         {"1.882795e-06", "", "-1.0000001", "12"},
                                         {"21.64352", "x", "-1000000", "0"}};
        for (int r = 0; r < kept.size(); ++r)
            QCOMPARE(rowTexts(r), kept[r]);
        findNamed<QTableView>(w, "dbgCapacity")->selectRow(0);  // and Copy takes them as shown
        QCOMPARE(w->selectedRowsText(),
                 "Capacity\tNote\tDepth\tReading\n" + kept[0].join('\t') + '\n');
        const auto rows = m_scratch->capacity();  // (Depth, Capacity) by name
        QVERIFY(rows.size() > 40);
        QCOMPARE(model->rowCount(), int(rows.size()));
        const auto text = [](float v) {
            return QString::fromStdString(dipsheet::chart::singleText(v));
        };
        for (int r = int(kept.size()); r < model->rowCount(); ++r)
            QCOMPARE(rowTexts(r), (QStringList{text(rows[r][1]), "", text(rows[r][0]), ""}));
    }

    // No typing, no new row, no deletion.
    void gridRefusesEdits() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QTableView* grid = findNamed<QTableView>(w, "dbgCapacity");
        const QModelIndex cell = grid->model()->index(1, 1);
        const QString before = cell.data().toString();
        QVERIFY(!(cell.flags() & Qt::ItemIsEditable));
        QVERIFY(!grid->model()->setData(cell, QStringLiteral("5")));
        const int rows = grid->model()->rowCount();
        grid->setCurrentIndex(cell);
        const QRect box = grid->visualRect(cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, box.center());
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::keyClicks(grid, QStringLiteral("5"));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(!grid->findChild<QLineEdit*>());  // no editor opened
        QCOMPARE(grid->model()->index(1, 1).data().toString(), before);
        QCOMPARE(grid->model()->rowCount(), rows);
        QCOMPARE(int(m_scratch->capacity().size()), rows);
    }

    // Exit: chart rows gone, Depth 0 row kept, window gone, customer name focused and selected.
    void exitDeletesChartRows() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QVERIFY(m_scratch->capacity().size() > 1);
        QPointer<ChartWindow> watch = w;
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdExit"), Qt::LeftButton);
        const auto left = m_scratch->capacity();
        QCOMPARE(left.size(), std::size_t(1));
        QCOMPARE(left[0][0], 0.0f);
        QVERIFY(!m_program->main->chartWindow());
        QTRY_VERIFY(watch.isNull());
        auto* customer = findNamed<QPlainTextEdit>(m_program->customer(), "txtCustomer");
        QTRY_COMPARE(QApplication::focusWidget(), customer);
        QTRY_COMPARE(customer->textCursor().selectedText(), QStringLiteral("Acme\u2029Depot"));

        // The next chart opens a fresh window that reads the table again.
        ChartWindow* next = calculate(QStringLiteral("2"));
        QVERIFY(next);
        QCOMPARE(findNamed<QTableView>(next, "dbgCapacity")->model()->rowCount(),
                 int(m_scratch->capacity().size()));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // Closing from the title bar deletes the rows just as Exit does.
    void closingDeletesChartRows() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QVERIFY(w->close());
        QCOMPARE(m_scratch->capacity().size(), std::size_t(1));
        QVERIFY(!m_program->main->chartWindow());
        QVERIFY(m_seams->ends.isEmpty());
    }

    // A second chart while the window is open: same window, new rows and heading, in front.
    void secondChartRefreshesOpenWindow() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        const int first = findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount();
        auto* serial = findNamed<QLineEdit>(m_program->customer(), "txtSerialNo");
        m_program->main->activateWindow();  // back to the panels while the chart is open
        QVERIFY(QTest::qWaitForWindowActive(m_program->main.data()));
        typeInto(serial, QStringLiteral("SN-10"));
        QTest::keyClick(serial, Qt::Key_Tab);
        QCOMPARE(m_scratch->jobRecord().at(3), QStringLiteral("SN-10"));  // saved as it is left
        QTRY_VERIFY(m_program->chart()->isAncestorOf(QApplication::focusWidget()));

        ChartWindow* again = calculate(QStringLiteral("2"));
        QCOMPARE(again, w);
        QCOMPARE(findNamed<QLabel>(w, "lblSerialNo")->text(), QStringLiteral("SN-10"));
        QCOMPARE(findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount(),
                 int(m_scratch->capacity().size()));
        QVERIFY(findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount() < first);
        QTRY_VERIFY(w->isActiveWindow());
    }

    // Ending the program normally (Exit on the chart panel, closing the main window) leaves no
    // chart rows behind.
    void programEndUnloadsChartWindow() {
        QVERIFY(calculate(QStringLiteral("1")));
        QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdExit"), Qt::LeftButton);
        QCOMPARE(m_scratch->capacity().size(), std::size_t(1));
        QCOMPARE(m_seams->ends, QList<int>{0});

        QVERIFY(calculate(QStringLiteral("1")));
        QVERIFY(m_scratch->capacity().size() > 1);
        QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->capacity().size(), std::size_t(1));
    }

    // The unload runs exactly once, whichever way the window goes first and whatever would
    // unload it after: a chart row stored after the first unload survives every later way.
    void unloadRunsOnceWhicheverWayTheWindowGoes_data() {
        QTest::addColumn<QString>("first");
        for (const char* way : {"Exit", "title bar", "chart options Exit", "main window"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }
    void unloadRunsOnceWhicheverWayTheWindowGoes() {
        QFETCH(QString, first);
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QPointer<ChartWindow> watch = w;
        if (first == QLatin1String("Exit"))
            QTest::mouseClick(findNamed<QPushButton>(w, "cmdExit"), Qt::LeftButton);
        else if (first == QLatin1String("title bar"))
            QVERIFY(w->close());
        else if (first == QLatin1String("chart options Exit"))
            QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdExit"),
                              Qt::LeftButton);
        else
            QVERIFY(m_program->main->close());
        QCOMPARE(m_scratch->capacity().size(), std::size_t(1));
        QVERIFY(!m_program->main || !m_program->main->chartWindow());

        QVERIFY(m_scratch->exec("INSERT INTO Capacity VALUES(5, 50);"));
        if (watch) {
            watch->close();
            findNamed<QPushButton>(watch, "cmdExit")->click();
        }
        if (m_program->main) {
            findNamed<QPushButton>(m_program->chart(), "cmdExit")->click();
            m_program->main->close();
        }
        QTRY_VERIFY(watch.isNull());  // the window deletes itself
        QCOMPARE(m_scratch->capacity().size(), std::size_t(2));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // The file gone before Exit: the delete fails with a message naming the number, the text
    // and the way out; the window stays with its chart.
    void deleteFailureIsSaidAndTheWindowStays() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        const int shown = findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount();
        QVERIFY(m_scratch->removeFile());
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdExit"), Qt::LeftButton);
        QCOMPARE(m_seams->messages.size(), 1);
        QVERIFY2(m_seams->messages.first().startsWith(QStringLiteral("Error 14: ")),
                 qPrintable(m_seams->messages.first()));
        QVERIFY2(m_seams->messages.first().contains(QStringLiteral("put it back")),
                 qPrintable(m_seams->messages.first()));
        QVERIFY(m_seams->ends.isEmpty());
        QCOMPARE(m_program->main->chartWindow(), w);
        QVERIFY(w->isVisible());
        QCOMPARE(findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount(), shown);
    }

    // Print follows the chart on show: an inch chart prints with the inch definition even after
    // the unit option moved to millimetres, and the other way round. The hourglass shows over
    // the window while the engine works.
    void printUsesTheDefinitionOfTheChartsUnit() {
        QVERIFY(copyDefinitions("preview"));
        QStringList printed;
        QList<Qt::CursorShape> cursors;
        std::size_t rowsPrinted = 0;
        m_seams->onPreview = [&](const dipsheet::report::Report& report) {
            printed << report.definitionName;
            cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                       : Qt::ArrowCursor);
            rowsPrinted = report.rows.size();
        };
        const auto restore = qScopeGuard([this] { m_seams->onPreview = nullptr; });
        ChartOptionsPanel* c = m_program->chart();
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QTest::mouseClick(findNamed<QRadioButton>(c, "optMillimeters"), Qt::LeftButton);
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(printed, QStringList{QStringLiteral("indipsheet.rpt")});
        QCOMPARE(rowsPrinted, m_scratch->capacity().size());  // Depth 0 row included

        // A millimetre chart replaces it in the open window; the option goes back to inches.
        QVERIFY(calculate(QStringLiteral("10")) == w);
        QTest::mouseClick(findNamed<QRadioButton>(c, "optInches"), Qt::LeftButton);
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(printed.size(), 2);
        QCOMPARE(printed.at(1), QStringLiteral("mmdipsheet.rpt"));
        QCOMPARE(cursors, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(m_seams->messages.isEmpty());
        QVERIFY(m_seams->ends.isEmpty());
    }

    // A definition with the pdf destination and no file named writes each chart, without any
    // dialog, to a file named for its serial number and the day, and the window says where.
    void printToPdfWritesTheFile() {
        QVERIFY(copyDefinitions("pdf"));
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QVERIFY(m_seams->messages.isEmpty());
        const QString path = QDir::current().absoluteFilePath(
            QStringLiteral("SN-9-%1.pdf").arg(QDate::currentDate().toString(Qt::ISODate)));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        QVERIFY(findNamed<dipsheet::ui::NoticeBar>(w, "noticeBar")->isVisible());
        QCOMPARE(findNamed<dipsheet::ui::NoticeBar>(w, "noticeBar")->text(),
                 QStringLiteral("Saved to ") + QDir::toNativeSeparators(path));
    }

    // Without its definition the report cannot be made: one message with the number and a
    // description naming the file; the window and the chart stay, the cursor is the arrow
    // again.
    void printWithoutDefinitionIsSaid() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        const auto rows = m_scratch->capacity();
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(m_seams->messages.size(), 1);
        const QString message = m_seams->messages.first();
        QVERIFY2(message.startsWith(QStringLiteral("Error 501: ")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("indipsheet.rpt")), qPrintable(message));
        QVERIFY(m_seams->ends.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(m_program->main->chartWindow(), w);
        QCOMPARE(m_scratch->capacity(), rows);
    }

    // The file matches the screen before Print reads it: a field being edited in the main
    // window is kept, padded as leaving it by Tab would, as soon as another window becomes
    // active, and Print keeps it again should the main window still be the active one. A blank
    // client name is never saved, and nothing is asked while the user is away.
    void printCarriesTheHeadingBeingEdited() {
        QVERIFY(copyDefinitions("preview"));
        QStringList customers;
        m_seams->onPreview = [&](const dipsheet::report::Report& report) {
            customers << QString::fromStdString(report.job.customer);
        };
        const auto restore = qScopeGuard([this] { m_seams->onPreview = nullptr; });
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        MainWindow* main = m_program->main;
        auto* customer = m_program->customer();
        const auto editInMain = [&](QWidget* field, const QString& text) {
            main->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(main));
            clickInto(field);
            settle();
            if (auto* line = qobject_cast<QLineEdit*>(field))
                line->clear();
            else
                static_cast<QPlainTextEdit*>(field)->clear();
            QTest::keyClicks(field, text);
        };
        const auto toChartWindow = [&] {
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            settle();
        };

        editInMain(findNamed<QPlainTextEdit>(customer, "txtCustomer"),
                   QStringLiteral("Corrected Fuel"));
        toChartWindow();
        QCOMPARE(m_scratch->jobRecord().at(1), QStringLiteral("Corrected Fuel"));
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(customers, QStringList{QStringLiteral("Corrected Fuel")});
        QCOMPARE(findNamed<QLabel>(w, "lblCustomer")->text(),
                 QStringLiteral("Corrected Fuel"));  // as printed

        // Print with the main window still the active one: the field being edited is kept first.
        editInMain(findNamed<QPlainTextEdit>(customer, "txtCustomer"),
                   QStringLiteral("Second Fuel"));
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(customers.last(), QStringLiteral("Second Fuel"));

        editInMain(findNamed<QPlainTextEdit>(customer, "txtTankDesc"),
                   QString());  // emptied: padded as a Tab would
        toChartWindow();
        QCOMPARE(findNamed<QPlainTextEdit>(customer, "txtTankDesc")->toPlainText(),
                 QStringLiteral(" "));
        editInMain(findNamed<QLineEdit>(findNamed<dipsheet::app::ClientPanel>(main, "frmClient"),
                                        "txtClient"),
                   QString());
        toChartWindow();
        QCOMPARE(m_scratch->jobRecord(), (QStringList{"Client Name", "Second Fuel", " ", "SN-9"}));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // The longest set-up (outside measures, heads with a typed depth) is shown whole, full
    // capacity first, in blue and while red, inside the window.
    void longSetupLineIsShownWhole() {
        ChartOptionsPanel* c = m_program->chart();
        clickOption(findNamed<QRadioButton>(c, "optOutside"));
        auto* heads = c->headsPanel();
        findNamed<QComboBox>(heads, "cboHeads")
            ->setCurrentIndex(
                findNamed<QComboBox>(heads, "cboHeads")->findText(QStringLiteral("Dished")));
        typeInto(findNamed<QLineEdit>(heads, "txtHeadDepth"), QStringLiteral("10.125"));
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtHeadThickness"),
                 QStringLiteral("0.3125"));
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtShellThickness"),
                 QStringLiteral("0.3125"));
        ChartWindow* w = calculate(QStringLiteral("0.125"));
        QVERIFY2(w, qPrintable(m_seams->messages.join(QLatin1Char('\n'))));
        for (bool stale : {false, true}) {
            if (stale)
                clickOption(findNamed<QCheckBox>(c, "chkStriker"));
            const QString text = findNamed<QLabel>(w, "lblSetup")->text();
            QVERIFY2(text.startsWith(stale ? QStringLiteral("The inputs have changed")
                                           : QStringLiteral("Full ")),
                     qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("Head Depth 10.125; increment 0.125")),
                     qPrintable(text));
            QVERIFY(findNamed<QLabel>(w, "lblSetup")
                        ->heightForWidth(findNamed<QLabel>(w, "lblSetup")->width()) <=
                    findNamed<QLabel>(w, "lblSetup")->height());
            QVERIFY(w->rect().contains(findNamed<QLabel>(w, "lblSetup")->geometry()));
        }
    }

    // Ctrl+A and Ctrl+C copy every row as the grid shows it, under a heading line; Ctrl+S
    // saves the chart as the chart tool prints it, to the file chosen in a dialog that suggests
    // one in the data folder; Save as PDF lays it out by the unit's definition; a cancelled
    // dialog writes nothing.
    void copyAndSaveTheChart() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        QTest::keyClick(findNamed<QTableView>(w, "dbgCapacity"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(findNamed<QTableView>(w, "dbgCapacity"), Qt::Key_C, Qt::ControlModifier);
        const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(copied.value(0), QStringLiteral("Depth\tCapacity"));
        QCOMPARE(copied.value(1), QStringLiteral("0\t1.0000001"));  // the file's own row
        QCOMPARE(copied.value(2), QStringLiteral("1\t6.653365"));
        QCOMPARE(copied.size(), findNamed<QTableView>(w, "dbgCapacity")->model()->rowCount() +
                                    2);  // and a last newline

        QString suggested;
        QString answer = QStringLiteral("saved.csv");
        m_seams->saveAs = [&](const QString&, const QString& at, const QString&) {
            suggested = at;
            return answer;
        };
        const auto restore = qScopeGuard([this] { m_seams->saveAs = nullptr; });
        QTest::keyClick(findNamed<QTableView>(w, "dbgCapacity"), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QFileInfo(suggested).absolutePath(), QDir::current().absolutePath());
        QCOMPARE(QFileInfo(suggested).fileName(),
                 QStringLiteral("SN-9-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate)));
        // the window says where the file went
        QVERIFY2(findNamed<dipsheet::ui::NoticeBar>(w, "noticeBar")
                     ->text()
                     .contains(QFileInfo(QStringLiteral("saved.csv")).fileName()),
                 qPrintable(findNamed<dipsheet::ui::NoticeBar>(w, "noticeBar")->text()));
        QVERIFY(findNamed<dipsheet::ui::NoticeBar>(w, "noticeBar")->isVisibleTo(w));
        const QList<QByteArray> csv = fileBytes(answer).split('\n');
        QCOMPARE(csv.value(0), QByteArray("Depth,Capacity"));
        QCOMPARE(csv.value(1), QByteArray("1,6.653365"));
        QCOMPARE(csv.value(2), QByteArray("2,15.964993"));
        QCOMPARE(csv.size(), int(m_scratch->capacity().size()) + 1);  // row 0 left out, last \n

        answer = QStringLiteral("saved.pdf");
        QVERIFY(copyDefinitions("preview"));  // Save as PDF never opens the preview
        w->saveAsPdf();
        QVERIFY(fileBytes(answer).startsWith("%PDF-"));
        answer.clear();  // cancelled
        QVERIFY(QFile::remove(QStringLiteral("saved.csv")));
        QTest::keyClick(findNamed<QTableView>(w, "dbgCapacity"), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QFile::exists(QStringLiteral("saved.csv")));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // At the site: the fill marks of dipsheet.ini under the grid; Show Ullage and % Full adds
    // two columns to the grid, its copy, its CSV and its printout, and is kept in dipsheet.ini
    // (the office's own lines stay byte for byte, Latin-1 and their line ends) for the next
    // chart; Save Gauge Table saves the table and says its error.
    void siteColumnsMarksAndGaugeTable() {
        const QByteArray office =
            "; the office's own note\r\n[Company]\nName=M\xfcller\r\n[Marks]\r\nPercent=50,90\r\n";
        QVERIFY(writeBytes(QStringLiteral("dipsheet.ini"), office));
        QVERIFY(copyDefinitions("preview"));
        std::optional<bool> printedSite;
        m_seams->onPreview = [&](const dipsheet::report::Report& report) {
            printedSite = report.definition.ullage && report.definition.percent;
        };
        const auto noPreview = qScopeGuard([this] { m_seams->onPreview = nullptr; });
        ChartWindow* w = calculate(QStringLiteral("12"));
        QVERIFY(w);
        QVERIFY2(findNamed<QLabel>(w, "lblSetup")
                     ->text()
                     .contains(QLatin1String("50 % at 23.75 in (470.0 US gal), 90 % at")),
                 qPrintable(findNamed<QLabel>(w, "lblSetup")->text()));
        QCOMPARE(findNamed<QTableView>(w, "dbgCapacity")->model()->columnCount(), 2);

        findNamed<QTableView>(w, "dbgCapacity")->selectRow(2);
        w->showUllage(true);
        const QAbstractItemModel* grid = findNamed<QTableView>(w, "dbgCapacity")->model();
        QCOMPARE(grid->columnCount(), 4);
        QCOMPARE(w->selectedRowsText().count(QLatin1Char('\n')), 2);  // the row read stays
        QVERIFY(w->selectedRowsText().contains(QLatin1String("\n24\t")));
        QCOMPARE(grid->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Ullage"));
        findNamed<QTableView>(w, "dbgCapacity")->selectAll();
        QVERIFY(
            w->selectedRowsText().startsWith(QLatin1String("Depth\tCapacity\tUllage\t% Full\n")));
        // each row's ullage and volume make the full tank; % Full to one decimal, as printed
        for (const QString& line : w->selectedRowsText().split(QLatin1Char('\n')).mid(1, 3)) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            QCOMPARE(cells.size(), 4);
            QVERIFY(qAbs(cells[1].toDouble() + cells[2].toDouble() - 939.9646) < 1e-3);
            QCOMPARE(cells[3], QString::number(100 * cells[1].toDouble() / 939.9646, 'f', 1));
        }
        const QByteArray ini = fileBytes(QStringLiteral("dipsheet.ini"));
        QVERIFY2(ini.startsWith(office) && ini.endsWith("\r\n[Chart]\r\nUllage=yes\r\n"),
                 ini.constData());
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(printedSite, std::optional<bool>(true));  // as on screen

        QString answer = QStringLiteral("site.csv");
        m_seams->saveAs = [&](const QString&, const QString&, const QString&) { return answer; };
        m_seams->askedNumber = [](const QString&, int suggested) { return suggested; };
        const auto restore = qScopeGuard([this] {
            m_seams->saveAs = nullptr;
            m_seams->askedNumber = nullptr;
        });
        w->saveAsCsv();
        QVERIFY(fileBytes(answer).startsWith("Depth,Capacity,Ullage,Percent\n12,"));
        answer = QStringLiteral("gauge.csv");
        w->saveGaugeTable();
        QCOMPARE(fileBytes(answer).count('\n'), 21);  // a heading and 20 points
        QCOMPARE(m_seams->messages.size(), 1);
        QVERIFY2(m_seams->messages.takeFirst().contains(
                     QLatin1String("largest interpolation error is 0.5")),
                 "");

        QTest::mouseClick(findNamed<QPushButton>(w, "cmdExit"), Qt::LeftButton);
        ChartWindow* next = calculate(QStringLiteral("24"));
        QVERIFY(next);
        QCOMPARE(findNamed<QTableView>(next, "dbgCapacity")->model()->columnCount(),
                 4);  // remembered
        next->showUllage(false);
        QCOMPARE(findNamed<QTableView>(next, "dbgCapacity")->model()->columnCount(), 2);
        QVERIFY(fileBytes(QStringLiteral("dipsheet.ini")).contains("[Chart]\r\nUllage=no\r\n"));
        QTest::mouseClick(findNamed<QPushButton>(next, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(printedSite, std::optional<bool>(false));
        QVERIFY(m_seams->messages.isEmpty());
    }

    // The grid and the picture fill the window as it is sized: every column of the grid in
    // view at once, the picture beside the grid in a wide window and below it in a tall one.
    // The window opens again at the size it was left.
    void gridAndPictureFillTheWindow() {
        ChartWindow* w = calculate(QStringLiteral("1"));
        QVERIFY(w);
        w->showUllage(true);
        QTableView* grid = findNamed<QTableView>(w, "dbgCapacity");
        const auto* picture = w->findChild<QWidget*>(QStringLiteral("picChart"));
        QVERIFY(picture);
        for (const QSize size : {QSize(1280, 1000), QSize(760, 1000)}) {
            w->resize(size);
            QTRY_COMPARE(w->size(), size);
            w->layout()->activate();
            const QHeaderView* header = grid->horizontalHeader();
            QCOMPARE(header->count(), 4);
            for (int c = 0; c < header->count(); ++c) {
                QVERIFY(header->sectionViewportPosition(c) >= 0);
                QVERIFY(header->sectionViewportPosition(c) + header->sectionSize(c) <=
                        grid->viewport()->width());
            }
            const QRect g = grid->geometry(), p = picture->geometry();
            QVERIFY(picture->isVisible() && !g.intersects(p));
            QVERIFY2(size.width() > size.height() ? p.left() > g.right() : p.top() > g.bottom(),
                     "beside in a wide window, below in a tall one");
            const double covered = g.width() * g.height() + p.width() * p.height();
            // Most of the window (the heading, the set-up line and the buttons have the rest).
            QVERIFY2(covered > 0.55 * size.width() * size.height(),
                     qPrintable(QString::number(covered)));
        }
        w->resize(900, 700);
        QTest::mouseClick(findNamed<QPushButton>(w, "cmdExit"), Qt::LeftButton);
        ChartWindow* again = calculate(QStringLiteral("2"));
        QVERIFY(again && again != w);
        QCOMPARE(again->size(), QSize(900, 700));
    }

private:
    // Copies the shipped definitions into the working directory with the given destination.
    // Calculates a 48 x 120 inch horizontal cylinder with the given increment; returns the
    // chart window it opens.
    ChartWindow* calculate(const QString& increment) {
        ChartOptionsPanel* c = m_program->chart();
        typeInto(findNamed<QLineEdit>(c, "txtIncrement"), increment);
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter"), QStringLiteral("48"));
        typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtLength"), QStringLiteral("120"));
        if (!findNamed<QPushButton>(c, "cmdCalculate")->isEnabled())
            return nullptr;
        QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
        ChartWindow* w = m_program->main->chartWindow();
        if (w && !QTest::qWaitForWindowExposed(w))
            return nullptr;
        return w;
    }

    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
};

DIPSHEET_APP_TEST_MAIN(TestChartWindow)

#include "tst_chartwindow.moc"
