// Faults of the job database, the report definitions and the printer as the user meets them.
// Each case drives the program to the action that touches the file and checks that the user
// sees one message with the engine's number and a description. A job database that cannot be
// read at start-up, or is damaged, ends the program with status 1 without crashing; anything
// the user can mend (a busy, read-only or missing file, a definition, the printer) leaves the
// program running with every field as typed, and once the fault is cleared the same action
// succeeds. Nothing already saved is lost or created.
//
// Start-up faults run the program's real start-up in a child process (the test binary started
// with --start-program), so that the end of the program is the real one. Faults during work
// run in this process with the message box and program end answered by the seams.

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app_testing.h"
#include "chartwindow.h"
#include "clientpanel.h"
#include "report.h"

using namespace app_testing;
using dipsheet::app::ChartWindow;

namespace {

const QString kDatabase = QStringLiteral("QRTMembers.mdb");
const QString kInchDefinition = QStringLiteral("indipsheet.rpt");

// The job and a chart saved before any fault: a row of depth 0 (the file's own) and a
// 2000-row chart, so that the chart table spans many pages of the file.
const QByteArray kSavedWork =
    "UPDATE mrQRT SET mrQRTMember = 'Acme Tanks', mrCustomer = 'Customer A', "
    "mrTankDesc = 'Tank 1', mrSerialNo = 'SN-1';"
    "INSERT INTO Capacity VALUES(0, 5);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
    "INSERT INTO Capacity SELECT i * 0.5, i * 1.25 FROM n;";

// Bytes that are no database, the same every run.
QByteArray garbage(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7919 + 13) % 251);
    return bytes;
}

// A database file with the pages of both tables overwritten: the file opens, but reading or
// writing either table meets a damaged page. The pages are found from the file's own schema.
bool damage(const QString& path) {
    const int pageSize = scalar("PRAGMA page_size").toInt();
    // A virtual table has no page of its own (root 0); its shadow tables have.
    const QByteArray roots =
        scalar("SELECT group_concat(rootpage) FROM sqlite_master WHERE rootpage > 0");
    QFile file(path);
    if (pageSize <= 0 || roots.isEmpty() || !file.open(QIODevice::ReadWrite))
        return false;
    for (const QByteArray& root : roots.split(',')) {
        const qint64 page = root.toLongLong();
        if (page < 2 || !file.seek((page - 1) * pageSize) || file.write(garbage(pageSize)) < 0)
            return false;
    }
    return true;
}

const char* const kNoOrdinaryUser =
    "running as root without the right to take an ordinary user's file-system identity, so "
    "permission bits cannot stop this process";

// Root passes every permission check, so a test run as root meets permission bits through an
// ordinary user's file-system identity: for this thread only, and only while this lives.
// Everything the program does with the file runs on this thread.
class AsOrdinaryUser {
public:
    static constexpr uid_t kNobody = 65534;

    AsOrdinaryUser() {
        if (geteuid() != 0)
            return;
        setfsgid(kNobody);
        setfsuid(kNobody);
        m_switched = true;
    }
    ~AsOrdinaryUser() {
        if (m_switched) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

    // False when root could not take an ordinary identity (no permission to change it).
    bool inEffect() const {
        return !m_switched || static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == kNobody;
    }
    // The scratch folder must let an ordinary user in when the test runs as root.
    static bool openFolder(const QString& folder) {
        return geteuid() != 0 || ::chmod(QFile::encodeName(folder).constData(), 0755) == 0;
    }

private:
    bool m_switched = false;
};

// ---- Child processes started from the test binary.

// Writes one line to the parent; line breaks inside are escaped.
void tellParent(const QByteArray& prefix, const QString& text = {}) {
    QByteArray line = text.toUtf8();
    line.replace('\\', "\\\\").replace('\n', "\\n");
    std::fprintf(stdout, "%s%s\n", prefix.constData(), line.constData());
    std::fflush(stdout);
}

// What the child does once the main window is up: "" reports "started" and ends with status
// 0; "exit" and "close" store a chart (the chart window opens), remove the database file, and
// end the program by Exit on the chart options or by closing the main window, so that the
// chart window's unload meets the missing file on the way out.
void runScenario(MainWindow* main, const QString& scenario) {
    if (scenario.isEmpty()) {
        tellParent("started");
        QCoreApplication::exit(0);
        return;
    }
    dipsheet::setup::ChartOptionsPanel* chart =
        findNamed<dipsheet::setup::ChartOptionsPanel>(main, "frmChart");
    findNamed<QLineEdit>(chart, "txtIncrement")->setText(QStringLiteral("1"));
    findNamed<QLineEdit>(chart->horizontalPanel(), "txtDiameter")->setText(QStringLiteral("48"));
    findNamed<QLineEdit>(chart->horizontalPanel(), "txtLength")->setText(QStringLiteral("120"));
    findNamed<QPushButton>(chart, "cmdCalculate")->click();
    if (!main->chartWindow()) {
        tellParent("no chart window");
        return;
    }
    QFile::remove(kDatabase);
    if (scenario == QLatin1String("exit")) {
        findNamed<QPushButton>(chart, "cmdExit")->click();
    } else {
        main->close();
    }
}

// The program as main() starts it, in the working directory it was given. Each message box is
// reported to the parent instead of shown and the splash timer fires at once; then the child
// runs `scenario`. The program's own end is left as it is: std::exit at start-up, leaving the
// event loop later, and the child's exit status is the program's.
int startProgramChild(int argc, char** argv, bool asOrdinaryUser, const QString& scenario) {
    ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    // The program's own end, and its own questions: only the boxes and the timer are played.
    struct ChildOutside : dipsheet::app::Outside {
        QString scenario;
        void showMessage(const QString& text) override { tellParent("message: ", text); }
        void startOneShot(QObject* owner, int, std::function<void()> handler) override {
            QTimer::singleShot(0, owner, [handler, scenario = scenario] {
                ui::guarded(handler);
                runScenario(main(), scenario);
            });
        }
        static QPointer<MainWindow>& main() {
            static QPointer<MainWindow> window;
            return window;
        }
    } outside;
    outside.scenario = scenario;
    const dipsheet::app::UseOutside handed(outside);
    QPointer<MainWindow>& main = ChildOutside::main();
    std::unique_ptr<AsOrdinaryUser> user;
    if (asOrdinaryUser)
        user = std::make_unique<AsOrdinaryUser>();
    ui::guarded([&main] {
        main = dipsheet::app::startProgram(dipsheet::app::DataFolder::current())->mainWindow();
    });
    return app.exec();
}

// Another process that holds the job database locked (an exclusive transaction with changes
// of its own) until its input is closed, then rolls back.
int holdLockChild() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db,
                     "BEGIN EXCLUSIVE; UPDATE mrQRT SET mrSerialNo = 'uncommitted';"
                     "INSERT INTO Capacity VALUES(99, 99);",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        tellParent("failed: ", QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return 2;
    }
    tellParent("locked");
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

// The lock-holding process, for as long as this lives.
class LockHolder {
public:
    bool start() {
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock")});
        if (!m_process.waitForStarted(10000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return false;
        }
        return m_process.readLine().trimmed() == "locked";
    }
    // Lets it roll back and end.
    bool release() {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
    }
    ~LockHolder() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.closeWriteChannel();
            if (!m_process.waitForFinished(5000))
                m_process.kill();  // our own child, by its handle
        }
    }

private:
    QProcess m_process;
};

}  // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void startUpFault_data();
    void startUpFault();
    void faultDuringWork_data();
    void faultDuringWork();
    void jobTableWithoutARecordGetsOneAtTheFirstSave();
    void headingTypedWhileBusyGoesWithTheNextChart();
    void failureOnTheWayOutEndsWithStatus1_data();
    void failureOnTheWayOutEndsWithStatus1();

private:
    // Brings the program to the point where `action` touches the file.
    void prepare(const QString& action);
    // Does what the user does for `action`.
    void act(const QString& action);
    // Applies `fault` to the files in the working directory; may start a lock holder or take
    // an ordinary user's identity, kept in the members below until the test ends.
    void applyFault(const QString& fault);
    // Undoes `fault` as the user would mend it.
    void clearFault(const QString& fault);
    // A cylinder 48 x 120 inches with increment 1: 47 rows.
    void enterTank();

    std::unique_ptr<Program> m_program;
    std::unique_ptr<LockHolder> m_lock;
    std::unique_ptr<AsOrdinaryUser> m_user;
    QByteArray m_removedFile;  // the job database as it was before a fault removed it
};

// ---- Start-up

void TestFaults::startUpFault_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("number");  // 0: the program starts
    QTest::addColumn<QString>("words");

    QTest::newRow("intact file starts") << "none" << 0 << "";
    QTest::newRow("file missing") << "removed" << 14 << "unable to open database file";
    QTest::newRow("a folder of that name") << "folder" << 14 << "unable to open database file";
    QTest::newRow("unreadable (no permissions)")
        << "unreadable" << 14 << "unable to open database file";
    QTest::newRow("not a database") << "garbage" << 26 << "file is not a database";
    QTest::newRow("damaged pages") << "damaged" << 11 << "database disk image is malformed";
    QTest::newRow("no mrQRT table") << "no mrQRT" << 1 << "no such table: mrQRT";
    QTest::newRow("no mrSerialNo field") << "no field" << 1 << "no such column: mrSerialNo";
    // Start-up only reads the job record: these start, and fail at the first action. A job
    // table without a record shows empty fields until the first save finds it missing.
    QTest::newRow("mrQRT without a record starts") << "empty mrQRT" << 0 << "";
    QTest::newRow("no Capacity table starts") << "no Capacity" << 0 << "";
    QTest::newRow("read-only file starts") << "read-only" << 0 << "";
}

void TestFaults::startUpFault() {
    QFETCH(QString, fault);
    QFETCH(int, number);
    QFETCH(QString, words);

    auto scratch = scratchDatabase(kSavedWork);
    QVERIFY(AsOrdinaryUser::openFolder(QDir::currentPath()));
    applyFault(fault);
    if (m_user && !m_user->inEffect())
        QSKIP(kNoOrdinaryUser);
    QStringList arguments{QStringLiteral("--start-program")};
    if (m_user)
        arguments << QStringLiteral("--as-ordinary-user");
    m_user.reset();  // the child takes the identity itself
    const bool existed = QFileInfo(kDatabase).isFile();
    const QByteArray before = fileBytes(kDatabase);

    QProcess child;
    child.setWorkingDirectory(QDir::currentPath());
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);  // no signal, no abort
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    if (number == 0) {
        QCOMPARE(lines, QStringList{QStringLiteral("started")});
        QCOMPARE(child.exitCode(), 0);
    } else {
        // Exactly one message, then the program ended with status 1 before showing its window.
        QCOMPARE(lines.size(), 1);
        const QString message = lines.first().mid(QStringLiteral("message: ").size());
        qInfo("%s: %s", qPrintable(fault), qPrintable(message));
        QVERIFY2(lines.first().startsWith(QStringLiteral("message: Error %1: ").arg(number)),
                 qPrintable(lines.first()));
        QVERIFY2(message.contains(words), qPrintable(message));
        // Only a missing file gets the way to a fresh database, which would mend nothing else.
        QCOMPARE(message.contains(QStringLiteral("dipsheet-launch")),
                 fault == QLatin1String("removed"));
        // Damage is said with the way out: the file put back, never tried again.
        QCOMPARE(message.contains(QStringLiteral("from your last backup")),
                 number == 11 || number == 26 || number == 1);
        QCOMPARE(child.exitCode(), 1);
    }

    // Nothing written, and a missing file not made.
    QCOMPARE(QFileInfo(kDatabase).isFile(), existed);
    QVERIFY(fileBytes(kDatabase) == before);
    QVERIFY(!QFile::exists(QStringLiteral("QRTMembers.mdb-journal")));
}

// ---- During work

void TestFaults::faultDuringWork_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("words");
    // A damaged file ends the program; anything else is a message and the program runs on.
    // Number 0: no message. A job-record save that the file refuses is said in the notice bar
    // (`words`) and goes through by itself once the fault is mended; Print prints the chart its
    // window shows without reading the file (no words: nothing to say).
    QTest::addColumn<bool>("ends");

    struct Row {
        const char* fault;
        const char* action;
        int number;
        const char* words;
        bool ends;
    };
    const Row rows[] = {
        {"removed", "client name", 0, "QRTMembers.mdb cannot be opened", false},
        {"removed", "customer", 0, "QRTMembers.mdb cannot be opened", false},
        {"removed", "Calculate", 14, "put it back", false},
        {"removed", "chart Exit", 14, "put it back", false},
        {"removed", "Print", 0, "", false},
        {"read-only", "client name", 0, "QRTMembers.mdb is read-only", false},
        {"read-only", "customer", 0, "QRTMembers.mdb is read-only", false},
        {"read-only", "Calculate", 8, "make it (and its folder) writable", false},
        {"read-only", "chart Exit", 8, "make it (and its folder) writable", false},
        {"locked", "client name", 0, "QRTMembers.mdb is in use by another program", false},
        {"locked", "customer", 0, "QRTMembers.mdb is in use by another program", false},
        {"locked", "Calculate", 5, "Another program is using QRTMembers.mdb", false},
        {"locked", "chart Exit", 5, "Another program is using QRTMembers.mdb", false},
        {"locked", "Print", 0, "", false},
        {"garbage", "client name", 26, "file is not a database", true},
        {"garbage", "customer", 26, "file is not a database", true},
        {"garbage", "Calculate", 26, "file is not a database", true},
        {"garbage", "chart Exit", 26, "file is not a database", true},
        {"garbage", "Print", 0, "", false},
        {"damaged", "client name", 11, "database disk image is malformed", true},
        {"damaged", "customer", 11, "database disk image is malformed", true},
        {"damaged", "Calculate", 11, "database disk image is malformed", true},
        {"damaged", "chart Exit", 11, "database disk image is malformed", true},
        {"damaged", "Print", 0, "", false},
        {"no mrQRT", "client name", 1, "no such table: mrQRT", true},
        {"no mrQRT", "customer", 1, "no such table: mrQRT", true},
        {"no mrQRT", "Calculate", 1, "no such table: mrQRT", true},
        {"no mrQRT", "Print", 0, "", false},
        {"no Capacity", "Calculate", 1, "no such table: Capacity", true},
        {"no Capacity", "chart Exit", 1, "no such table: Capacity", true},
        {"no Capacity", "Print", 0, "", false},
        {"no field", "customer", 1, "no such column: mrSerialNo", true},
        {"no field", "Calculate", 1, "no such column: mrSerialNo", true},
        {"no field", "Print", 0, "", false},
        {"no definition", "Print", 501, "indipsheet.rpt: cannot read the report definition", false},
        {"definition folder", "Print", 501, "indipsheet.rpt: cannot read the report definition",
         false},
        {"definition unreadable", "Print", 501, "Permission denied", false},
        {"faulty definition", "Print", 504, "Pairs", false},
        {"no printer", "Print", 507, "there is no default printer", false},
        {"unwritable pdf", "Print", 505, "no such folder/chart.pdf", false},
    };
    for (const Row& r : rows) {
        QTest::addRow("%s, %s", r.fault, r.action)
            << QString::fromLatin1(r.fault) << QString::fromLatin1(r.action) << r.number
            << QString::fromLatin1(r.words) << r.ends;
    }
}

void TestFaults::faultDuringWork() {
    QFETCH(QString, fault);
    QFETCH(QString, action);
    QFETCH(int, number);
    QFETCH(QString, words);
    QFETCH(bool, ends);

    auto scratch = scratchDatabase(kSavedWork);
    QVERIFY(AsOrdinaryUser::openFolder(QDir::currentPath()));
    QVERIFY(copyDefinitions());
    int previews = 0;
    Seams seams;
    seams.onPreview = [&](const dipsheet::report::Report&) { ++previews; };
    m_program = std::make_unique<Program>(seams);
    auto endProgram = qScopeGuard([this] {
        m_program.reset();
        m_user.reset();
        m_lock.reset();
    });
    QVERIFY(m_program->start());
    prepare(action);
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QVERIFY(seams.ends.isEmpty());

    const QStringList jobBefore = scratch->jobRecord();
    const auto rowsBefore = scratch->capacity();
    applyFault(fault);
    if (m_user && !m_user->inEffect())
        QSKIP(kNoOrdinaryUser);
    const bool existed = QFileInfo(kDatabase).isFile();
    const QByteArray faulty = fileBytes(kDatabase);

    act(action);
    settle();
    const bool jobSave =
        action == QLatin1String("client name") || action == QLatin1String("customer");
    const auto* notice = m_program->main->noticeBar();
    if (number == 0) {
        // Nothing asks: the notice bar says what happened and the way out, and never holds the
        // keyboard; or Print simply prints what its window shows.
        QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
        QCOMPARE(notice->isVisible(), jobSave);
        QVERIFY2(notice->text().contains(words), qPrintable(notice->text()));
        QVERIFY(!notice->hasFocus());
        QCOMPARE(previews, jobSave ? 0 : 1);
    } else {
        // One message with the number and a description that names the problem.
        QTRY_VERIFY(!seams.messages.isEmpty());
        settle();
        QCOMPARE(seams.messages.size(), 1);
        const QString message = seams.messages.first();
        qInfo("%s", qPrintable(message));
        QVERIFY2(message.startsWith(QStringLiteral("Error %1: ").arg(number)), qPrintable(message));
        QVERIFY2(message.contains(words), qPrintable(message));
        QCOMPARE(previews, 0);
    }
    QCOMPARE(seams.ends, ends ? QList<int>{1} : QList<int>{});
    QVERIFY(!QApplication::overrideCursor());

    // Nothing already saved is lost, and a missing file is not made.
    m_user.reset();
    if (m_lock)
        QVERIFY(m_lock->release());
    QCOMPARE(QFileInfo(kDatabase).isFile(), existed);
    QVERIFY(!QFile::exists(QStringLiteral("QRTMembers.mdb-journal")));
    // A chart goes into the file whole or not at all (its rows, set-up and history together).
    QVERIFY(fileBytes(kDatabase) == faulty);
    if (ends)
        return;
    if (existed && (jobSave || number != 0)) {  // Print has left the faulty file as it was
        QCOMPARE(scratch->jobRecord(), jobBefore);
        QCOMPARE(scratch->capacity(), rowsBefore);
    }

    // The program runs on with every field as typed and the chart on show as it was.
    if (!jobSave)
        QCOMPARE(findNamed<QLineEdit>(m_program->chart()->horizontalPanel(), "txtDiameter")->text(),
                 QStringLiteral("48"));
    if (action == QLatin1String("client name"))
        QCOMPARE(
            findNamed<QLineEdit>(
                findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient")
                ->text(),
            QStringLiteral("Beta Tanks"));
    if (action == QLatin1String("customer"))
        QCOMPARE(findNamed<QPlainTextEdit>(m_program->customer(), "txtCustomer")->toPlainText(),
                 QStringLiteral("Customer B"));
    const bool chartWindowBefore =
        action == QLatin1String("Print") || action == QLatin1String("chart Exit");
    QCOMPARE(m_program->main->chartWindow() != nullptr, chartWindowBefore);

    // Once the fault is mended, the same action succeeds; a job save by itself, without a key.
    clearFault(fault);
    if (jobSave) {
        QTRY_COMPARE_WITH_TIMEOUT(
            scratch->jobRecord().at(action == QLatin1String("client name") ? 0 : 1),
            action == QLatin1String("client name") ? QStringLiteral("Beta Tanks")
                                                   : QStringLiteral("Customer B"),
            3 * dipsheet::document::JobDocument::kRetryMs);
        QTRY_VERIFY(!notice->isVisible());
        // A key typed as the file came free, the field not left, is saved by the next round.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("!"));
        QTRY_VERIFY_WITH_TIMEOUT(scratch->jobRecord().at(2).endsWith(QLatin1Char('!')),
                                 3 * dipsheet::document::JobDocument::kRetryMs);
    } else if (number != 0) {
        act(action);
        settle();
        if (action == QLatin1String("Calculate")) {
            QVERIFY(m_program->main->chartWindow());
            QCOMPARE(scratch->capacity().size(), std::size_t(1 + 47));
        } else if (action == QLatin1String("chart Exit")) {
            QTRY_VERIFY(!m_program->main->chartWindow());
            QCOMPARE(scratch->capacity().size(), std::size_t(1));
        } else if (fault == QLatin1String("unwritable pdf")) {
            QVERIFY(QDir().entryList({QStringLiteral("*.pdf")}).size() == 1);
        } else {
            QCOMPARE(previews, 1);
        }
    }
    QVERIFY2(seams.messages.size() == (number == 0 ? 0 : 1),
             qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QVERIFY(seams.ends.isEmpty());
}

// Ending the program with the chart window open unloads it, which deletes the chart rows. When
// that meets a missing file, the user sees the one message and the program's exit status is 1,
// not the 0 of an ordinary end that the Exit or close was on its way to.
void TestFaults::failureOnTheWayOutEndsWithStatus1_data() {
    QTest::addColumn<QString>("scenario");
    QTest::newRow("Exit on the chart options") << "exit";
    QTest::newRow("closing the main window") << "close";
}

void TestFaults::failureOnTheWayOutEndsWithStatus1() {
    QFETCH(QString, scenario);
    auto scratch = scratchDatabase(kSavedWork);
    QProcess child;
    child.setWorkingDirectory(QDir::currentPath());
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--start-program"), scenario});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput())
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Nothing typed is pending, so the close asks nothing: one message, the unload's.
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.last().startsWith(QStringLiteral("message: Error 14: ")),
             qPrintable(lines.last()));
    QCOMPARE(child.exitCode(), 1);
    QVERIFY(!QFile::exists(kDatabase));
}

// A job table without a record: the panels show an empty heading, and the first save adds the
// record, which every later save writes into.
void TestFaults::jobTableWithoutARecordGetsOneAtTheFirstSave() {
    auto scratch = scratchDatabase("DELETE FROM mrQRT;");
    Seams seams;
    m_program = std::make_unique<Program>(seams);
    auto endProgram = qScopeGuard([this] { m_program.reset(); });
    QVERIFY(m_program->start());
    QLineEdit* client = findNamed<QLineEdit>(
        findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient");
    QVERIFY(client->text().isEmpty());
    QVERIFY(
        findNamed<QPlainTextEdit>(m_program->customer(), "txtCustomer")->toPlainText().isEmpty());

    clickInto(client);
    settle();
    QTest::keyClicks(client, QStringLiteral("Beta Tanks"));
    clickInto(findNamed<QPlainTextEdit>(m_program->customer(), "txtTankDesc"));
    QTest::keyClicks(findNamed<QPlainTextEdit>(m_program->customer(), "txtTankDesc"),
                     QStringLiteral("Diesel"));
    QTest::keyClick(findNamed<QPlainTextEdit>(m_program->customer(), "txtTankDesc"), Qt::Key_Tab);
    settle();
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QCOMPARE(scratch->jobRecord(), (QStringList{"Beta Tanks", " ", "Diesel", ""}));
    QCOMPARE(scalar("SELECT count(*) FROM mrQRT"), QByteArray("1"));
}

// The description and serial number typed while another program holds the file: every key
// lands, nothing asks, and Calculate pressed as soon as the file is free stores them with the
// chart: its window and its history row carry the heading the panels show.
void TestFaults::headingTypedWhileBusyGoesWithTheNextChart() {
    auto scratch = scratchDatabase(kSavedWork);
    Seams seams;
    m_program = std::make_unique<Program>(seams);
    auto endProgram = qScopeGuard([this] {
        m_program.reset();
        m_lock.reset();
    });
    QVERIFY(m_program->start());
    enterTank();
    auto* customer = m_program->customer();
    clickInto(findNamed<QPlainTextEdit>(customer, "txtTankDesc"));
    applyFault(QStringLiteral("locked"));
    QElapsedTimer typing;
    typing.start();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Diesel, 48 x 120"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("SN-77"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    settle();
    // Two fields left on a busy file hold the keyboard no longer than a short wait each.
    QVERIFY2(typing.elapsed() < 2000, qPrintable(QString::number(typing.elapsed())));
    QVERIFY2(seams.messages.isEmpty(), qPrintable(seams.messages.join(QLatin1Char('\n'))));
    QCOMPARE(findNamed<QPlainTextEdit>(customer, "txtTankDesc")->toPlainText(),
             QStringLiteral("Diesel, 48 x 120"));
    QCOMPARE(findNamed<QLineEdit>(customer, "txtSerialNo")->text(), QStringLiteral("SN-77"));
    QVERIFY(m_program->main->noticeBar()->isVisible());
    QVERIFY(m_program->chart()->isAncestorOf(QApplication::focusWidget()));

    QVERIFY(m_lock->release());
    QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdCalculate"), Qt::LeftButton);
    ChartWindow* window = m_program->main->chartWindow();
    QVERIFY(window);
    QCOMPARE(findNamed<QLabel>(window, "lblTankDesc")->text(), QStringLiteral("Diesel, 48 x 120"));
    QCOMPARE(findNamed<QLabel>(window, "lblSerialNo")->text(), QStringLiteral("SN-77"));
    QCOMPARE(scratch->jobRecord(),
             (QStringList{"Acme Tanks", "Customer A", "Diesel, 48 x 120", "SN-77"}));
    QCOMPARE(scalar("SELECT TankDesc || '|' || SerialNo FROM ChartHistory ORDER BY Id DESC"),
             QByteArray("Diesel, 48 x 120|SN-77"));
    QTRY_VERIFY(!m_program->main->noticeBar()->isVisible());
    QVERIFY(seams.messages.isEmpty());
}

void TestFaults::enterTank() {
    auto* chart = m_program->chart();
    typeInto(findNamed<QLineEdit>(chart, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(chart->horizontalPanel(), "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(chart->horizontalPanel(), "txtLength"), QStringLiteral("120"));
}

void TestFaults::prepare(const QString& action) {
    auto* customer = m_program->customer();
    if (action == QLatin1String("client name")) {
        // The user is in the client name when the fault happens.
        clickInto(findNamed<QLineEdit>(
            findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient"));
        settle();
    } else if (action == QLatin1String("customer")) {
        QTRY_VERIFY(findNamed<QPlainTextEdit>(customer, "txtCustomer")->hasFocus());
    } else {
        enterTank();
        QVERIFY(findNamed<QPushButton>(m_program->chart(), "cmdCalculate")->isEnabled());
        if (action != QLatin1String("Calculate")) {
            QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdCalculate"),
                              Qt::LeftButton);
            QVERIFY(m_program->main->chartWindow());
            QVERIFY(QTest::qWaitForWindowExposed(m_program->main->chartWindow()));
        }
    }
}

void TestFaults::act(const QString& action) {
    auto* customer = m_program->customer();
    if (action == QLatin1String("client name")) {
        QLineEdit* field = findNamed<QLineEdit>(
            findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient");
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("Beta Tanks"));
        clickInto(findNamed<QPlainTextEdit>(customer, "txtTankDesc"));
    } else if (action == QLatin1String("customer")) {
        QTest::keyClicks(findNamed<QPlainTextEdit>(customer, "txtCustomer"),
                         QStringLiteral("Customer B"));
        QTest::keyClick(findNamed<QPlainTextEdit>(customer, "txtCustomer"), Qt::Key_Tab);
    } else if (action == QLatin1String("Calculate")) {
        QTest::mouseClick(findNamed<QPushButton>(m_program->chart(), "cmdCalculate"),
                          Qt::LeftButton);
    } else {
        ChartWindow* window = m_program->main->chartWindow();
        QVERIFY(window);
        QTest::mouseClick(action == QLatin1String("Print")
                              ? findNamed<QPushButton>(window, "cmdPrint")
                              : findNamed<QPushButton>(window, "cmdExit"),
                          Qt::LeftButton);
    }
}

void TestFaults::applyFault(const QString& fault) {
    if (fault == QLatin1String("none")) {
    } else if (fault == QLatin1String("removed")) {
        m_removedFile = fileBytes(kDatabase);
        QVERIFY(QFile::remove(kDatabase));
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QFile::remove(kDatabase));
        QVERIFY(QDir().mkdir(kDatabase));
    } else if (fault == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(kDatabase, {}));
        m_user = std::make_unique<AsOrdinaryUser>();
    } else if (fault == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(kDatabase,
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        m_user = std::make_unique<AsOrdinaryUser>();
    } else if (fault == QLatin1String("locked")) {
        m_lock = std::make_unique<LockHolder>();
        QVERIFY(m_lock->start());
    } else if (fault == QLatin1String("garbage")) {
        QVERIFY(writeBytes(kDatabase, garbage(fileBytes(kDatabase).size())));
    } else if (fault == QLatin1String("damaged")) {
        QVERIFY(damage(kDatabase));
    } else if (fault == QLatin1String("no mrQRT")) {
        QVERIFY(runSql("DROP TABLE mrQRT"));
    } else if (fault == QLatin1String("no Capacity")) {
        QVERIFY(runSql("DROP TABLE Capacity"));
    } else if (fault == QLatin1String("no field")) {
        QVERIFY(runSql("ALTER TABLE mrQRT DROP COLUMN mrSerialNo"));
    } else if (fault == QLatin1String("empty mrQRT")) {
        QVERIFY(runSql("DELETE FROM mrQRT"));
    } else if (fault == QLatin1String("no definition")) {
        QVERIFY(QFile::remove(kInchDefinition));
    } else if (fault == QLatin1String("definition folder")) {
        QVERIFY(QFile::remove(kInchDefinition));
        QVERIFY(QDir().mkdir(kInchDefinition));
    } else if (fault == QLatin1String("definition unreadable")) {
        QVERIFY(QFile::setPermissions(kInchDefinition, {}));
        m_user = std::make_unique<AsOrdinaryUser>();
    } else if (fault == QLatin1String("faulty definition")) {
        QByteArray text = fileBytes(kInchDefinition);
        QVERIFY(text.contains("Pairs=4"));
        QVERIFY(writeBytes(kInchDefinition, text.replace("Pairs=4", "Pairs=99")));
    } else if (fault == QLatin1String("no printer")) {
        // The print server is one that does not exist (see the test's environment).
        QVERIFY(copyDefinitions("printer"));
    } else if (fault == QLatin1String("unwritable pdf")) {
        QVERIFY(copyDefinitions("pdf"));
        QByteArray text = fileBytes(kInchDefinition);
        QVERIFY(writeBytes(kInchDefinition,
                           text.replace("; File=chart.pdf", "File=no such folder/chart.pdf")));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown fault ") + fault));
    }
}

void TestFaults::clearFault(const QString& fault) {
    m_user.reset();
    m_lock.reset();
    if (fault == QLatin1String("removed")) {
        QVERIFY(writeBytes(kDatabase, m_removedFile));
    } else if (fault == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(kDatabase, QFile::ReadOwner | QFile::WriteOwner));
    } else if (fault == QLatin1String("unwritable pdf")) {
        QVERIFY(copyDefinitions("pdf"));
    } else if (fault.contains(QLatin1String("definition")) ||
               fault == QLatin1String("no printer")) {
        if (QFileInfo(kInchDefinition).isDir())
            QVERIFY(QDir().rmdir(kInchDefinition));
        QFile::setPermissions(kInchDefinition, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::remove(kInchDefinition) || !QFile::exists(kInchDefinition));
        QVERIFY(copyDefinitions());
    }
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--hold-lock") == 0)
        return holdLockChild();
    if (argc >= 2 && std::strcmp(argv[1], "--start-program") == 0) {
        bool asUser = false;
        QString scenario;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--as-ordinary-user") == 0)
                asUser = true;
            else
                scenario = QString::fromLocal8Bit(argv[i]);
        }
        int childArgc = 1;
        return startProgramChild(childArgc, argv, asUser, scenario);
    }
    ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    QApplication::setQuitOnLastWindowClosed(false);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
