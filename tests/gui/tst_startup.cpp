// Start-up as the user meets it: the splash, the hidden main window laid out behind it, the
// one firing of the splash timer, and a database fault on the way reaching the fatal path.

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>

#include "app_testing.h"
#include "form1.h"
#include "frmclient.h"
#include "frmcopyright.h"

using namespace app_testing;
using dipsheet::app::FrmCustomer;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void splashThenMainWindow() {
        auto scratch = scratchDatabase(
            "UPDATE mrQRT SET mrCustomer = 'Acme Depot', mrTankDesc = 'Diesel', "
            "mrSerialNo = 'SN-1'");
        Seams seams;
        Program program;
        FrmIntro* splash = program.splash;
        QCOMPARE(program.timerMs, 7000);
        QVERIFY(!program.mainBuiltBeforeTimer);
        QVERIFY(QTest::qWaitForWindowExposed(splash));

        // The splash: borderless, blue, its caption exactly as designed, the logo.
        QCOMPARE(splash->objectName(), QStringLiteral("frmIntro"));
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(ui::background(splash), ui::colour::blue);
        QCOMPARE(splash->lblCoName->text(),
                 QStringLiteral("      This  program is            provided to you by:"));
        QVERIFY(splash->lblCoName->wordWrap());
        QCOMPARE(ui::background(splash->lblCoName), ui::colour::red);
        QCOMPARE(ui::background(splash->Label1), ui::colour::magenta);
        QVERIFY(splash->Label1->text().contains(QStringLiteral("Dipsheet")));
        QVERIFY(splash->Label1->font().bold());
        QCOMPARE(splash->Image1->pixmap().size(), QSize(261, 262));
        QCOMPARE(splash->Image1->geometry(), ui::twipsRect(1680, 2640, 2055, 2175));

        // Behind it the main window exists, laid out, and stays hidden until the timer fires.
        MdiForm1* main = program.main;
        QVERIFY(main);
        QTest::qWait(50);
        QVERIFY(!main->isVisible());
        QVERIFY(splash->isVisible());

        QPointer<FrmIntro> watch = splash;
        QVERIFY(program.start());
        QVERIFY(main->isVisible());
        QVERIFY(!watch || !watch->isVisible());
        QTRY_VERIFY(watch.isNull());  // closed and destroyed

        // The customer name has the focus with its whole text selected.
        FrmCustomer* customer = main->frmCustomer;
        QTRY_COMPARE(QApplication::focusWidget(), customer->txtCustomer);
        QTRY_COMPARE(customer->txtCustomer->textCursor().selectedText(),
                     QStringLiteral("Acme Depot"));
        QVERIFY(seams.messages.isEmpty());
        QVERIFY(seams.ends.isEmpty());
    }

    // The distributor label: the office's own name from dipsheet.ini as one spaced text that
    // fits its box; no file, only empty or commented keys, or a malformed file: today's text.
    void splashShowsTheOffice() {
        const QString product =
            QStringLiteral("Dipsheet   tank charts   for horizontal and vertical tanks");
        const std::pair<QByteArray, QString> cases[] = {
            {{}, product},
            {"[Other]\nTown=Elsewhere\n[Company]\nPhone=\"555; 0100\"\nTown=\n"
             "Address=12 High St, Unit 4\nName=  Acme   Fuels \n",
             QStringLiteral("Acme Fuels   12 High St, Unit 4   555; 0100")},
            {"[Company]\nName=\n;Town=Springfield\n", product},
            {"[Company\nName=Broken\n", product},
        };
        for (const auto& [ini, expected] : cases) {
            auto scratch = scratchDatabase();
            QFile file(QStringLiteral("dipsheet.ini"));
            QVERIFY(ini.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(ini) > 0));
            file.close();
            Seams seams;
            Program program;
            const QLabel* label = program.splash->Label1;
            QCOMPARE(label->text(), expected);
            QVERIFY(label->heightForWidth(label->width()) <= label->height());
        }
    }

    // Every panel at its Left and Top in twips, in the layout order, inside the window.
    void panelsAtTheirPlaces() {
        auto scratch = scratchDatabase();
        Seams seams;
        Program program;
        MdiForm1* main = program.main;
        QCOMPARE(main->objectName(), QStringLiteral("MDIForm1"));
        QCOMPARE(main->windowTitle(), QStringLiteral("Dipsheet"));
        QCOMPARE(ui::background(main->clientArea()), ui::colour::blue);

        struct Place {
            const char* name;
            int left, top, width, height;
        };
        const Place layout[] = {
            {"frmClient", 50, 0, 3810, 1035},        {"Form1", 3800, 0, 5490, 1110},
            {"frmCopyright", 50, 3800, 4035, 2310},  {"frmCustomer", 50, 650, 4680, 2925},
            {"frmChart", 4800, 950, 4680, 2925},     {"frmRectangular", 5550, 3845, 3180, 2175},
            {"frmVertical", 5550, 3845, 3180, 2175}, {"frmCylindrical", 5550, 3845, 3180, 2175},
            {"frmHeads", 5550, 6020, 3180, 1215},
        };
        QStringList order;
        for (QObject* child : main->clientArea()->children()) {
            if (child->isWidgetType())
                order << child->objectName();
        }
        QStringList expected;
        for (const Place& p : layout) {
            expected << QLatin1String(p.name);
            auto* panel = main->clientArea()->findChild<QWidget*>(QLatin1String(p.name),
                                                                  Qt::FindDirectChildrenOnly);
            QVERIFY2(panel, p.name);
            QCOMPARE(panel->geometry(), ui::twipsRect(p.left, p.top, p.width, p.height));
            QCOMPARE(ui::background(panel), ui::colour::blue);
            // With or without a window manager, the window holds every panel.
            QVERIFY2(QRect(QPoint(), main->size()).contains(panel->geometry()), p.name);
        }
        QCOMPARE(order, expected);  // later panels lie over earlier ones

        // The credits: the logo and texts in magenta on blue; the orientation heading.
        auto* credits = main->frmCopyright;
        QCOMPARE(main->findChild<dipsheet::app::FrmCopyright*>(), credits);
        QCOMPARE(credits->Image1->pixmap().size(), QSize(261, 262));
        QCOMPARE(credits->Label2->text(), QStringLiteral("by"));
        QVERIFY(!credits->Label1->text().isEmpty() && !credits->Label3->text().isEmpty());
        QCOMPARE(credits->Label3->palette().color(QPalette::WindowText), ui::colour::magenta);
        QCOMPARE(main->form1->Label1->text(), QStringLiteral(" Dipsheet"));
        QCOMPARE(main->form1->optHV[0]->text(), QStringLiteral("Horizontal Tank with Flat Heads"));
        QCOMPARE(main->form1->optHV[1]->text(), QStringLiteral("Vertical Tank with Flat Bottom"));
        QCOMPARE(main->form1->optHV[1]->objectName(), QStringLiteral("optHV(1)"));
        QVERIFY(main->form1->optHV[0]->isChecked());

        // The client name as stored, in its field.
        QCOMPARE(main->frmClient->txtClient->text(), QStringLiteral("Client Name"));
        QVERIFY(seams.messages.isEmpty());
    }

    // The database file is missing at start: one message with the engine's number and
    // description, the folder searched and the way out, and the program is asked to end.
    void missingDatabaseReachesFatalPath() {
        QTemporaryDir empty;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(empty.path());
        Seams seams;
        {
            Program program;
            QVERIFY(!seams.messages.isEmpty());
            const QString message = seams.messages.first();
            QVERIFY2(message.startsWith(QStringLiteral("Error 14: ")), qPrintable(message));
            const QString folder = QFileInfo(empty.path()).canonicalFilePath();
            QVERIFY2(message.contains(
                         QStringLiteral("QRTMembers.mdb in folder %1: unable to open").arg(folder)),
                     qPrintable(message));
            QVERIFY2(message.endsWith(
                         QStringLiteral("\n\nStart Dipsheet with dipsheet-launch, or make a fresh "
                                        "database: sqlite3 QRTMembers.mdb < QRTMembers.sql")),
                     qPrintable(message));
            QVERIFY(!seams.ends.isEmpty());
            QCOMPARE(seams.ends.first(), 1);
        }
        QDir::setCurrent(previous);
        QVERIFY(!QFile::exists(empty.filePath(QStringLiteral("QRTMembers.mdb"))));  // not made
    }

    // The file goes while the program runs: the next save reaches the fatal path.
    void databaseGoneDuringWork() {
        auto scratch = scratchDatabase();
        Seams seams;
        Program program;
        QVERIFY(program.start());
        QVERIFY(scratch->removeFile());
        auto* customer = program.customer();
        clickInto(customer->txtCustomer);
        clickInto(customer->txtTankDesc);  // leaving the customer name saves
        QTRY_COMPARE(seams.messages.size(), 1);
        QVERIFY2(seams.messages.first().startsWith(QStringLiteral("Error 14: ")),
                 qPrintable(seams.messages.first()));
        QCOMPARE(seams.ends, QList<int>{1});
    }
};

DIPSHEET_APP_TEST_MAIN(TestStartup)

#include "tst_startup.moc"
