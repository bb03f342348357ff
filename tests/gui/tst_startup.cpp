// Start-up as the user meets it: the splash with the office that dipsheet.ini names, the hidden
// main window laid out behind it, the one firing of the splash timer, and a database fault on
// the way reaching the fatal path.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app_testing.h"
#include "clientpanel.h"
#include "copyrightpanel.h"
#include "folderholder.h"
#include "folderlock.h"
#include "orientationpanel.h"
#include "report/settings.h"

using namespace app_testing;
using dipsheet::app::HeadingPanel;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    // The data folder's files are its own, by full path, whatever folder the program is in
    // now: the settings read and written are the folder's, and another folder's are untouched.
    void dataFolderKeepsToItsOwnFiles() {
        const auto scratch = scratchDatabase();  // the program's folder now
        QTemporaryDir other;
        QVERIFY(other.isValid());
        QVERIFY(writeBytes(QDir(other.path()).filePath(QStringLiteral("dipsheet.ini")),
                           "[Chart]\r\nUllage=no\r\n[Company]\r\nName=Other Tanks\r\n"));
        QVERIFY(writeBytes(QStringLiteral("dipsheet.ini"), "[Chart]\nUllage=yes\n"));
        const dipsheet::app::DataFolder folder(other.path());
        QCOMPARE(folder.database(), QDir(other.path()).filePath(QStringLiteral("QRTMembers.mdb")));
        QCOMPARE(folder.ullageChoice(), std::optional<bool>(false));
        QCOMPARE(folder.companyDetails(), QStringList{QStringLiteral("Other Tanks")});
        QVERIFY(folder.keepUllageShown(true));
        QCOMPARE(fileBytes(folder.settings()),
                 QByteArray("[Chart]\r\nUllage=yes\r\n[Company]\r\nName=Other Tanks\r\n"));
        QCOMPARE(fileBytes(QStringLiteral("dipsheet.ini")), QByteArray("[Chart]\nUllage=yes\n"));
    }

    void splashThenMainWindow() {
        auto scratch = scratchDatabase(
            "UPDATE mrQRT SET mrQRTMember = 'Acme Tanks', mrCustomer = 'Acme Depot', "
            "mrTankDesc = 'Diesel', mrSerialNo = 'SN-1'");
        Seams seams;
        Program program(seams);
        Splash* splash = program.splash;
        QCOMPARE(program.timerMs, 7000);
        QVERIFY(!program.mainBuiltBeforeTimer);
        QVERIFY(QTest::qWaitForWindowExposed(splash));

        // The splash: borderless, blue, its caption exactly as designed, the logo.
        QCOMPARE(splash->objectName(), QStringLiteral("frmIntro"));
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(ui::background(splash), ui::colour::blue);
        QCOMPARE(findNamed<QLabel>(splash, "lblCoName")->text(),
                 QStringLiteral("      This  program is            provided to you by:"));
        QVERIFY(findNamed<QLabel>(splash, "lblCoName")->wordWrap());
        QCOMPARE(ui::background(findNamed<QLabel>(splash, "lblCoName")), ui::colour::red);
        QCOMPARE(ui::background(findNamed<QLabel>(splash, "Label1")), ui::colour::magenta);
        QVERIFY(findNamed<QLabel>(splash, "Label1")->text().contains(QStringLiteral("Dipsheet")));
        QVERIFY(findNamed<QLabel>(splash, "Label1")->font().bold());
        QCOMPARE(findNamed<QLabel>(splash, "Image1")->pixmap().size(), QSize(261, 262));
        QCOMPARE(findNamed<QLabel>(splash, "Image1")->geometry(),
                 ui::twipsRect(1680, 2640, 2055, 2175));

        // Behind it the main window exists, laid out, and stays hidden until the timer fires.
        MainWindow* main = program.main;
        QVERIFY(main);
        QTest::qWait(50);
        QVERIFY(!main->isVisible());
        QVERIFY(splash->isVisible());

        QPointer<Splash> watch = splash;
        QVERIFY(program.start());
        QVERIFY(main->isVisible());
        QVERIFY(!watch || !watch->isVisible());
        QTRY_VERIFY(watch.isNull());  // closed and destroyed

        // The customer name has the focus with its whole text selected.
        HeadingPanel* customer = findNamed<dipsheet::app::HeadingPanel>(main, "frmCustomer");
        QTRY_COMPARE(QApplication::focusWidget(),
                     findNamed<QPlainTextEdit>(customer, "txtCustomer"));
        QTRY_COMPARE(
            findNamed<QPlainTextEdit>(customer, "txtCustomer")->textCursor().selectedText(),
            QStringLiteral("Acme Depot"));
        QVERIFY(seams.messages.isEmpty());
        QVERIFY(seams.ends.isEmpty());
    }

    // A key or a click (pressed and released on it) skips the rest of the splash's time: the
    // main window at once, the splash gone.
    void splashSkipsOnAKeyOrAClick_data() {
        QTest::addColumn<bool>("key");
        QTest::newRow("key") << true;
        QTest::newRow("click") << false;
    }
    void splashSkipsOnAKeyOrAClick() {
        QFETCH(bool, key);
        auto scratch = scratchDatabase();
        Seams seams;
        Program program(seams);
        QPointer<Splash> splash = program.splash;
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        if (key)
            QTest::keyClick(splash, Qt::Key_Space);
        else
            QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(40, 40), 100);
        QVERIFY(program.main->isVisible());
        QTRY_VERIFY(splash.isNull());
        QVERIFY(seams.messages.isEmpty());
    }

    // The distributor label: the office from dipsheet.ini, one item a line, each whole, all
    // inside the box, at the heading size unless they need a smaller one; no file, only empty or
    // commented keys, or a malformed file: the product's own text, wrapped in the box.
    void splashShowsTheOffice() {
        const QString product =
            QStringLiteral("Dipsheet   tank charts   for horizontal and vertical tanks");
        // The file; the lines shown, split at '|' (none: the product's text); whether they are
        // smaller than the heading.
        const std::tuple<QByteArray, QString, bool> cases[] = {
            {{}, {}, false},
            {"[Other]\nTown=Elsewhere\n[Company]\nPhone=\"555; 0100\"\nTown=\n"
             "Address=12 High St, Unit 4\nName=  Acme   Fuels \n",
             "Acme Fuels|12 High St, Unit 4|555; 0100", false},
            {"[Company]\nName=Northern Counties Bulk Fuel Distribution Ltd\n"
             "Address=Unit 14, Riverside Industrial Estate\nTown=Kingston upon Thames, Surrey\n"
             "Phone=+44 (0)20 8546 0000 extension 1234\n",
             "Northern Counties Bulk Fuel Distribution Ltd|Unit 14, Riverside Industrial Estate|"
             "Kingston upon Thames, Surrey|+44 (0)20 8546 0000 extension 1234",
             true},
            {"[Company]\nName=\n;Town=Springfield\n", {}, false},
            // ';' inside a value is no comment; a Latin-1 file reads as Latin-1
            {"[Company]\r\nName=Hill;Sons Tanks\r\nTown=K\xf6ln ; the office\r\n",
             "Hill;Sons Tanks|K\u00f6ln", false},
            {"[Company\nName=Broken\n", {}, false},
        };
        const qreal headingPt = ui::headingFont().pointSizeF();
        for (const auto& [ini, text, shrinks] : cases) {
            auto scratch = scratchDatabase();
            QFile file(QStringLiteral("dipsheet.ini"));
            QVERIFY(ini.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(ini) > 0));
            file.close();
            Seams seams;
            Program program(seams);
            const QLabel* label = findNamed<QLabel>(program.splash, "Label1");
            if (text.isEmpty()) {
                QCOMPARE(label->text(), product);
                QVERIFY(label->heightForWidth(label->width()) <= label->height());
                continue;
            }
            const QStringList items = text.split(QLatin1Char('|'));
            const QStringList shown = label->text().split(QLatin1Char('\n'));
            QVERIFY(!label->wordWrap());
            const QFontMetrics metrics(label->font());
            const QRect box = label->contentsRect();
            for (const QString& line : shown)
                QVERIFY2(metrics.horizontalAdvance(line) <= box.width(), qPrintable(line));
            QVERIFY(metrics.size(0, label->text()).height() <= box.height());
            QCOMPARE(shown, items);
            const qreal pt = label->font().pointSizeF();
            QVERIFY2(shrinks ? pt < headingPt && pt >= 6.0 : pt == headingPt,
                     qPrintable(label->text()));
        }
    }

    // A pipe named dipsheet.ini, where nothing ever writes, leaves the start-up untouched. A
    // start-up that waited on it would hang, so it runs in a child killed if it is late.
    void pipeForSettingsDoesNotHoldUpStart() {
        auto scratch = scratchDatabase();
        QCOMPARE(::mkfifo("dipsheet.ini", 0600), 0);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--splash-only")});
        const bool ended = child.waitForFinished(30000);
        if (!ended) {
            child.kill();
            child.waitForFinished(5000);
        }
        QVERIFY2(ended, "the start-up waits on the pipe");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.readAllStandardOutput().trimmed(),
                 "Dipsheet   tank charts   for horizontal and vertical tanks");
    }

    // A dipsheet.ini over 1 MiB is neither read nor rewritten, and the main window says so.
    void oversizedSettingsAreRefusedAndSaid() {
        auto scratch = scratchDatabase();
        QFile file(QStringLiteral("dipsheet.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Chart]\nUllage=yes\n") &&
                file.resize(dipsheet::report::kMaxSettingsBytes + 1));
        const auto folder = dipsheet::app::DataFolder::current();
        QVERIFY(!folder.ullageChoice() && !folder.keepUllageShown(false));
        Seams seams;
        Program program(seams);
        QVERIFY(program.start());
        QVERIFY2(program.main->noticeBar()->text().contains(QStringLiteral("larger than 1 MiB")),
                 qPrintable(program.main->noticeBar()->text()));
    }

    // Every panel at its Left and Top in twips, in the layout order, inside the window.
    void panelsAtTheirPlaces() {
        auto scratch = scratchDatabase();
        Seams seams;
        Program program(seams);
        MainWindow* main = program.main;
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
            {"frmHeads", 5550, 6020, 3180, 1215},    {"frmTilt", 5550, 7280, 3180, 1215},
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
        auto* credits = findNamed<dipsheet::app::CopyrightPanel>(main, "frmCopyright");
        QCOMPARE(main->findChild<dipsheet::app::CopyrightPanel*>(), credits);
        QCOMPARE(findNamed<QLabel>(credits, "Image1")->pixmap().size(), QSize(261, 262));
        QCOMPARE(findNamed<QLabel>(credits, "Label2")->text(), QStringLiteral("by"));
        QVERIFY(!findNamed<QLabel>(credits, "Label1")->text().isEmpty() &&
                !findNamed<QLabel>(credits, "Label3")->text().isEmpty());
        QCOMPARE(findNamed<QLabel>(credits, "Label3")->palette().color(QPalette::WindowText),
                 ui::colour::magenta);
        QCOMPARE(
            findNamed<QLabel>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"), "Label1")
                ->text(),
            QStringLiteral(" Dipsheet"));
        QCOMPARE(findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                         QStringLiteral("optHV(%1)").arg(0))
                     ->text(),
                 QStringLiteral("Horizontal Tank with Flat Heads"));
        QCOMPARE(findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                         QStringLiteral("optHV(%1)").arg(1))
                     ->text(),
                 QStringLiteral("Vertical Tank with Flat Bottom"));
        QCOMPARE(findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                         QStringLiteral("optHV(%1)").arg(1))
                     ->objectName(),
                 QStringLiteral("optHV(1)"));
        QVERIFY(findNamed<QRadioButton>(findNamed<dipsheet::app::OrientationPanel>(main, "Form1"),
                                        QStringLiteral("optHV(%1)").arg(0))
                    ->isChecked());

        // The client name as stored, in its field.
        QCOMPARE(findNamed<QLineEdit>(findNamed<dipsheet::app::ClientPanel>(main, "frmClient"),
                                      "txtClient")
                     ->text(),
                 QStringLiteral("Client Name"));
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
            Program program(seams);
            QVERIFY(!seams.messages.isEmpty());
            const QString message = seams.messages.first();
            QVERIFY2(message.startsWith(QStringLiteral("Error 14: ")), qPrintable(message));
            const QString folder = QFileInfo(empty.path()).canonicalFilePath();
            QVERIFY2(message.contains(
                         QStringLiteral("QRTMembers.mdb in folder %1: unable to open").arg(folder)),
                     qPrintable(message));
            QVERIFY2(message.endsWith(
                         QStringLiteral("start Dipsheet with dipsheet-launch, or make a fresh "
                                        "QRTMembers.mdb there: dipsheet-chart --new-database")),
                     qPrintable(message));
            QVERIFY(!seams.ends.isEmpty());
            QCOMPARE(seams.ends.first(), 1);
        }
        QDir::setCurrent(previous);
        QVERIFY(!QFile::exists(empty.filePath(QStringLiteral("QRTMembers.mdb"))));  // not made
    }

    // At start a command-line store holding the folder is waited for; no lock, the fatal path.
    void holdsTheDataFolderOrEnds() {
        const auto scratch = scratchDatabase();  // the program's folder now
        QVERIFY(QDir().mkpath(QStringLiteral("a/dipsheet.lock")));
        Seams seams;
        const pid_t store = ::fork();
        if (store == 0) {
            dipsheet::document::FolderLock lock(QDir::currentPath(),
                                                QStringLiteral("dipsheet-chart"));
            ::usleep(lock.take() == dipsheet::document::FolderLock::Outcome::Taken ? 800000 : 0);
            ::_exit(0);
        }
        for (int i = 0; i < 500 && QFileInfo(QStringLiteral("dipsheet.lock")).size() == 0; ++i)
            QThread::msleep(10);  // until the store has written its name, 5 s at most
        QVERIFY(dipsheet::app::holdDataFolder());
        QCOMPARE(seams.messages, QStringList());
        ::waitpid(store, nullptr, 0);
        QVERIFY(QDir::setCurrent(QStringLiteral("a")) && !dipsheet::app::holdDataFolder());
        QCOMPARE(seams.ends, QList<int>{1});
        QCOMPARE(seams.messages.value(0).left(34),
                 QStringLiteral("Error 21: The data folder's lock, "));
    }

    // A fresh file names no client, only the schema's placeholder, which every chart would
    // print: the program starts in the client name with it selected, ready to be typed over.
    // Once a client is named it starts in the customer name.
    void placeholderClientNameIsTheFirstField() {
        auto scratch = scratchDatabase();
        Seams seams;
        {
            Program program(seams);
            QVERIFY(program.start());
            QLineEdit* client = findNamed<QLineEdit>(
                findNamed<dipsheet::app::ClientPanel>(program.main, "frmClient"), "txtClient");
            QTRY_COMPARE(QApplication::focusWidget(), client);
            QTRY_COMPARE(client->selectedText(), QStringLiteral("Client Name"));
            QTest::keyClicks(client, QStringLiteral("Acme Tanks"));
            QTest::keyClick(client, Qt::Key_Tab);
            QTRY_COMPARE(scratch->jobRecord().first(), QStringLiteral("Acme Tanks"));
        }
        Program again(seams);
        QVERIFY(again.start());
        QTRY_COMPARE(QApplication::focusWidget(),
                     findNamed<QPlainTextEdit>(again.customer(), "txtCustomer"));
        QVERIFY(seams.messages.isEmpty());
    }
};

// The start-up alone, in a child process: prints the distributor box's text and ends.
static int splashOnlyChild(char** argv) {
    int argc = 1;
    ui::Application app(argc, argv);
    Seams seams;
    Program program(seams);
    std::printf("%s\n", qPrintable(findNamed<QLabel>(program.splash, "Label1")->text()));
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--splash-only") == 0)
        return splashOnlyChild(argv);
    ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    QApplication::setQuitOnLastWindowClosed(false);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
