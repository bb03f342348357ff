// Hostile input as a user can give it. Texts with quotes, semicolons, SQL, line breaks, tabs,
// non-Latin characters and 100,000 characters are stored in the job record exactly as the
// fields hold them and shown again exactly, in the fields after a restart and in the chart
// window's heading. Dimension and increment texts of every odd form never upset the readiness
// rule or Calculate: Calculate stores exactly the chart the computation gives, or shows one
// message that names the field or the problem and stores nothing.

#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <algorithm>
#include <optional>
#include <string>

#include "app_testing.h"
#include "chart.h"
#include "chartwindow.h"
#include "clientpanel.h"
#include "orientationpanel.h"

using namespace app_testing;
using dipsheet::app::ChartWindow;
using dipsheet::setup::ChartOptionsPanel;
using dipsheet::setup::CylinderPanel;
namespace chart = dipsheet::chart;

namespace {

// The four job record fields as stored, byte for byte (UTF-8, no NUL cut-off).
QList<QByteArray> storedJob() {
    QList<QByteArray> fields;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT "
                               "ORDER BY rowid LIMIT 1",
                               -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < 4; ++i) {
                fields << QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                                     sqlite3_column_bytes(stmt, i));
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return fields;
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

bool isTypeable(QChar c) {
    return c.unicode() >= 0x20 && c.unicode() < 0x7f;
}

// Puts `text` on the clipboard and pastes it with Ctrl+V, replacing the selection.
void paste(QWidget* field, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

// Enters one character that has no key of its own, as an input method commits it.
void compose(QWidget* field, const QString& characters) {
    QInputMethodEvent event;
    event.setCommitString(characters);
    QApplication::sendEvent(field, &event);
}

// Replaces the text of a field as a user does: printable ASCII typed key by key, a line break
// in a multi-line field by Enter, other characters composed one by one (a surrogate pair is
// one character), anything else pasted. Long texts are pasted whole.
void enterText(QWidget* field, const QString& text) {
    auto* multiLine = qobject_cast<QPlainTextEdit*>(field);
    if (multiLine)
        multiLine->selectAll();
    else
        static_cast<QLineEdit*>(field)->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Delete);
        return;
    }
    if (text.size() > 200) {
        paste(field, text);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isTypeable(c)) {
            QTest::keyClick(field, c.toLatin1());
        } else if (c == QLatin1Char('\n') && multiLine) {
            QTest::keyClick(field, Qt::Key_Return);
        } else if (c.isHighSurrogate() && i + 1 < text.size()) {
            compose(field, text.mid(i, 2));
            ++i;
        } else if (c.unicode() >= 0x80) {
            compose(field, QString(c));
        } else {
            paste(field, QString(c));
        }
    }
}

QString fieldText(QWidget* field) {
    if (auto* multiLine = qobject_cast<QPlainTextEdit*>(field))
        return multiLine->toPlainText();
    return static_cast<QLineEdit*>(field)->text();
}

// The first `units` UTF-16 units of `text`, less a high surrogate whose pair was cut off: what
// a field of that length keeps of a text pasted or typed into it.
QString cutTo(const QString& text, qsizetype units) {
    QString cut = text.left(units);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

// A 100,000-character text made of every kind of hostile piece.
QString longText() {
    const QString piece =
        QStringLiteral("O'Brien's \"Best\"; '); DROP TABLE mrQRT;--\tΩμέγα 東京 שלום \U0001F6E2\n");
    QString text = QStringLiteral("x") + QStringLiteral("\U0001F6E2").repeated(20);
    while (text.size() < 100000)
        text += piece;
    return cutTo(text, 100000);
}

}  // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void textsStoredAndShownExactly_data();
    void textsStoredAndShownExactly();
    void serialNumberKeepsWholeCharacters();
    void oddDimensionTexts_data();
    void oddDimensionTexts();

private:
    void restart();
    // Enters the tank in the panel of `tank` ("rect", "cyl", "vert") with plain valid values,
    // Inside or Outside, increment 1.
    QList<QLineEdit*> chooseTank(const QString& tank, bool outside);

    std::unique_ptr<ScratchDatabase> m_scratch;
    std::unique_ptr<Seams> m_seams;
    std::unique_ptr<Program> m_program;
};

void TestHostile::init() {
    m_scratch = scratchDatabase();
    m_seams = std::make_unique<Seams>();
    m_program = std::make_unique<Program>(*m_seams);
    QVERIFY(m_program->start());
}

void TestHostile::cleanup() {
    m_program.reset();
    m_seams.reset();
    m_scratch.reset();
}

void TestHostile::restart() {
    m_program.reset();
    m_program = std::make_unique<Program>(*m_seams);
    QVERIFY(m_program->start());
}

// ---- Texts of the job record

void TestHostile::textsStoredAndShownExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes and semicolons") << QStringLiteral("O'Brien's \"Best\" Tanks; Ltd.");
    QTest::newRow("SQL") << QStringLiteral("'); DROP TABLE mrQRT;--");
    QTest::newRow("SQL in a value") << QStringLiteral("x', mrCustomer = 'pwned' WHERE 1; --");
    QTest::newRow("parameters and formats") << QStringLiteral("?1 ?2 :name @x $y %s %n");
    QTest::newRow("line breaks") << QStringLiteral("first line\nsecond line\n");
    QTest::newRow("tabs") << QStringLiteral("a\tb\t\tc");
    QTest::newRow("non-Latin") << QStringLiteral("Ωμέγα 東京 שלום \U0001F6E2");
    QTest::newRow("leading and trailing blanks") << QStringLiteral("  Acme  ");
    QTest::newRow("100,000 characters") << longText();
}

void TestHostile::textsStoredAndShownExactly() {
    QFETCH(QString, text);
    auto* client = findNamed<QLineEdit>(
        findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient");
    auto* customer = m_program->customer();
    QWidget* fields[] = {client, findNamed<QPlainTextEdit>(customer, "txtCustomer"),
                         findNamed<QPlainTextEdit>(customer, "txtTankDesc"),
                         findNamed<QLineEdit>(customer, "txtSerialNo")};

    // Each field entered by a click, given the text, and left by a click on the next one (the
    // serial number by Tab, on to the chart options).
    for (int i = 0; i < 4; ++i) {
        clickInto(fields[i]);
        settle();
        enterText(fields[i], text);
        if (i < 3)
            clickInto(fields[i + 1]);
        else
            QTest::keyClick(fields[i], Qt::Key_Tab);
        settle();
    }
    QVERIFY2(m_seams->messages.isEmpty(), qPrintable(m_seams->messages.join(QLatin1Char('\n'))));

    // The serial number field takes 30 characters; the others take the text whole.
    const QString serial = cutTo(text, 30);
    const QString expected[] = {text, text, text, serial};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(fieldText(fields[i]), expected[i]);
    const QList<QByteArray> stored = storedJob();
    QCOMPARE(stored.size(), 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(stored[i] == expected[i].toUtf8(), qPrintable(QStringLiteral("field %1").arg(i)));
    // No text ran as SQL: both tables and the one record are there, and nothing else.
    QCOMPARE(scalar("SELECT group_concat(name, ' ') FROM sqlite_master "
                    "WHERE name NOT LIKE 'ChartHistorySearch_%'"),
             QByteArray("mrQRT Capacity ChartSetup ChartHistory ChartHistoryIds "
                        "ChartHistorySearch"));
    QCOMPARE(scalar("SELECT count(*) FROM mrQRT"), QByteArray("1"));

    // The chart window's heading shows them exactly.
    ChartOptionsPanel* c = m_program->chart();
    typeInto(findNamed<QLineEdit>(c, "txtIncrement"), QStringLiteral("1"));
    typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtDiameter"), QStringLiteral("48"));
    typeInto(findNamed<QLineEdit>(c->horizontalPanel(), "txtLength"), QStringLiteral("120"));
    QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
    ChartWindow* window = m_program->main->chartWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(findNamed<QLabel>(window, "lblCustomer")->text(), text);
    QCOMPARE(findNamed<QLabel>(window, "lblTankDesc")->text(), text);
    QCOMPARE(findNamed<QLabel>(window, "lblSerialNo")->text(), serial);

    // They print: the report reads them from the file and lays them out without a failure.
    QVERIFY(copyDefinitions("pdf"));
    QTest::mouseClick(findNamed<QPushButton>(window, "cmdPrint"), Qt::LeftButton);
    QVERIFY2(m_seams->messages.isEmpty(), qPrintable(m_seams->messages.value(0).left(300)));
    const QString saved =
        findNamed<dipsheet::ui::NoticeBar>(window, "noticeBar")->text();  // "Saved to <the file>"
    QVERIFY2(saved.startsWith(QStringLiteral("Saved to ")), qPrintable(saved));
    QVERIFY(fileBytes(saved.mid(9)).startsWith("%PDF-"));
    QTest::mouseClick(findNamed<QPushButton>(window, "cmdExit"), Qt::LeftButton);
    settle();

    // After a restart the panels show what was stored.
    restart();
    auto* again = m_program->customer();
    QCOMPARE(findNamed<QLineEdit>(
                 findNamed<dipsheet::app::ClientPanel>(m_program->main, "frmClient"), "txtClient")
                 ->text(),
             text);
    QCOMPARE(findNamed<QPlainTextEdit>(again, "txtCustomer")->toPlainText(), text);
    QCOMPARE(findNamed<QPlainTextEdit>(again, "txtTankDesc")->toPlainText(), text);
    QCOMPARE(findNamed<QLineEdit>(again, "txtSerialNo")->text(), serial);
    QVERIFY2(m_seams->messages.isEmpty(), qPrintable(m_seams->messages.join(QLatin1Char('\n'))));
    QCOMPARE(storedJob(), stored);
}

// A character that does not fit whole in the last place of the serial number is refused, as
// any further typing is: the field never holds half a character.
void TestHostile::serialNumberKeepsWholeCharacters() {
    QLineEdit* serial = findNamed<QLineEdit>(m_program->customer(), "txtSerialNo");
    clickInto(serial);
    settle();
    const QString start(29, QLatin1Char('7'));
    enterText(serial, start);
    compose(serial, QStringLiteral("\U0001F6E2"));
    QCOMPARE(serial->text(), start);
    QTest::keyClick(serial, Qt::Key_Backspace);
    compose(serial, QStringLiteral("\U0001F6E2"));
    QCOMPARE(serial->text(), start.left(28) + QStringLiteral("\U0001F6E2"));
    QTest::keyClick(serial, Qt::Key_Tab);
    settle();
    QCOMPARE(storedJob().value(3), serial->text().toUtf8());
}

// ---- Dimension texts

namespace {

struct Field {
    QString tank;     // "rect", "cyl", "vert", or "" for the increment
    int index;        // the row on the dimension panel
    bool outside;     // a thickness: only read with Outside dimensions
    QString caption;  // as the messages name it
    // For a thickness, the dimensions it is taken from: what is left of them may be what the
    // message names.
    QStringList takenFrom = {};
};

const QList<Field>& allFields() {
    static const QList<Field> fields = {
        {"", 0, false, "Incremental distance"},
        {"rect", 0, false, "Length"},
        {"rect", 1, false, "Width"},
        {"rect", 2, false, "Height"},
        {"rect", 3, true, "Thickness", {"Length", "Width", "Height"}},
        {"cyl", 0, false, "Diameter"},
        {"cyl", 1, false, "Length"},
        {"cyl", 2, true, "Head Thickness", {"Length"}},
        {"cyl", 3, true, "Shell Thickness", {"Diameter"}},
        {"vert", 0, false, "Diameter"},
        {"vert", 1, false, "Height"},
        {"vert", 2, true, "Bottom Thickness", {"Height"}},
        {"vert", 3, true, "Shell Thickness", {"Diameter"}},
    };
    return fields;
}

}  // namespace

QList<QLineEdit*> TestHostile::chooseTank(const QString& tank, bool outside) {
    ChartOptionsPanel* c = m_program->chart();
    auto* m_orientationPanel = findNamed<dipsheet::app::OrientationPanel>(m_program->main, "Form1");
    clickOption(outside ? findNamed<QRadioButton>(c, "optOutside")
                        : findNamed<QRadioButton>(c, "optInside"));
    QList<QLineEdit*> edits;
    QStringList values;
    if (tank == QLatin1String("vert")) {
        clickOption(
            findNamed<QRadioButton>(m_orientationPanel, QStringLiteral("optHV(%1)").arg(1)));
        auto* p = c->verticalPanel();
        edits = {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
                 findNamed<QLineEdit>(p, "txtHeadThickness"),
                 findNamed<QLineEdit>(p, "txtShellThickness")};
        values = {"60", "96", ".25", ".25"};
    } else {
        clickOption(
            findNamed<QRadioButton>(m_orientationPanel, QStringLiteral("optHV(%1)").arg(0)));
        if (tank == QLatin1String("rect")) {
            clickOption(findNamed<QRadioButton>(c, "optRectangular"));
            auto* p = c->rectangularPanel();
            edits = {findNamed<QLineEdit>(p, "txtLength"), findNamed<QLineEdit>(p, "txtWidth"),
                     findNamed<QLineEdit>(p, "txtHeight"), findNamed<QLineEdit>(p, "txtThickness")};
            values = {"10", "20", "30", ".25"};
        } else {
            clickOption(findNamed<QRadioButton>(c, "optCylindrical"));
            auto* p = c->horizontalPanel();
            edits = {findNamed<QLineEdit>(p, "txtDiameter"), findNamed<QLineEdit>(p, "txtLength"),
                     findNamed<QLineEdit>(p, "txtHeadThickness"),
                     findNamed<QLineEdit>(p, "txtShellThickness")};
            values = {"48", "120", ".25", ".25"};
        }
    }
    for (int i = 0; i < 4; ++i)
        edits[i]->setText(values[i]);
    findNamed<QLineEdit>(c, "txtIncrement")->setText(QStringLiteral("1"));
    return edits;
}

void TestHostile::oddDimensionTexts_data() {
    QTest::addColumn<QString>("text");
    const QStringList texts = {
        "1e39",
        "-1e39",
        "-0",
        "nan",
        "inf",
        "-inf",
        "&HFFFF",
        "&H",
        "&O777",
        "&O",
        "1,5",
        " 12 ",
        "12\t",
        "+.5",
        "1.2.3",
        "0x1A",
        "1e",
        "1e-50",
        "1e-45",
        "3.4028236e38",
        "1e308",
        "1e400",
        "123456789012345678901234567890",
        "",
        ".",
        "-",
        "+",
        "e5",
        QStringLiteral("\uFF11\uFF12"),  // full-width digits
        QStringLiteral("\u0663"),        // an Arabic-Indic digit
        QStringLiteral("&H") + QString(300, QLatin1Char('F')),
        QString(100000, QLatin1Char('9')),
        QStringLiteral("0.") + QString(100000, QLatin1Char('0')) + QStringLiteral("1"),
    };
    for (const QString& text : texts) {
        QString name = text.size() > 40
                           ? text.left(20) + QStringLiteral("... (%1 characters)").arg(text.size())
                           : QStringLiteral("'%1'").arg(text);
        QTest::newRow(qPrintable(name)) << text;
    }
}

void TestHostile::oddDimensionTexts() {
    QFETCH(QString, text);
    ChartOptionsPanel* c = m_program->chart();
    for (const Field& field : allFields()) {
        const QString tank = field.tank.isEmpty() ? QStringLiteral("cyl") : field.tank;
        const QString where = QStringLiteral("%1 %2").arg(tank, field.caption);
        QList<QLineEdit*> edits = chooseTank(tank, field.outside);
        QLineEdit* target =
            field.tank.isEmpty() ? findNamed<QLineEdit>(c, "txtIncrement") : edits[field.index];

        // Typed when short, pasted when long; the field keeps what its length allows.
        target->setFocus(Qt::OtherFocusReason);
        enterText(target, text);
        QCOMPARE(target->text(), cutTo(text, target->maxLength()));

        const auto before = m_scratch->capacity();
        m_seams->messages.clear();
        const bool ready = findNamed<QPushButton>(c, "cmdCalculate")->isEnabled();
        QTest::mouseClick(findNamed<QPushButton>(c, "cmdCalculate"), Qt::LeftButton);
        QVERIFY2(m_seams->ends.isEmpty(), qPrintable(where));
        if (!ready) {
            QVERIFY2(m_seams->messages.isEmpty(), qPrintable(where));
            QVERIFY2(m_scratch->capacity() == before, qPrintable(where));
            continue;
        }

        // What the chart computation makes of the same texts.
        chart::ChartOptions options;
        options.outside = field.outside;
        options.inches = true;
        options.striker = true;
        options.increment = utf8(findNamed<QLineEdit>(c, "txtIncrement")->text());
        options.format.decimalSeparator = utf8(QLocale::system().decimalPoint());
        options.format.groupSeparator = utf8(QLocale::system().groupSeparator());
        std::optional<chart::ChartRows> expected;
        QString refusal;
        try {
            if (tank == QLatin1String("rect")) {
                expected =
                    chart::calcRect(options, {utf8(edits[0]->text()), utf8(edits[1]->text()),
                                              utf8(edits[2]->text()), utf8(edits[3]->text())});
            } else {
                const chart::CylTexts texts{utf8(edits[0]->text()), utf8(edits[1]->text()),
                                            utf8(edits[2]->text()), utf8(edits[3]->text())};
                expected = tank == QLatin1String("cyl") ? chart::calcCyl(options, texts)
                                                        : chart::calcVert(options, texts);
            }
        } catch (const chart::InputError& e) {
            refusal = QString::fromUtf8(e.what());
        }

        if (expected) {
            QVERIFY2(m_seams->messages.isEmpty(),
                     qPrintable(where + QStringLiteral(": ") + m_seams->messages.value(0)));
            const auto stored = m_scratch->capacity();
            QVERIFY2(stored.size() == expected->size() - 1, qPrintable(where));
            for (std::size_t i = 0; i < stored.size(); ++i) {
                QVERIFY2(stored[i][0] == (*expected)[i + 1].depth &&
                             stored[i][1] == (*expected)[i + 1].volume,
                         qPrintable(where));
            }
        } else {
            // One message naming the field or what is wrong; the chart before stays.
            QCOMPARE(m_seams->messages, QStringList{refusal});
            const QString message = refusal.left(60) + (refusal.size() > 60 ? "..." : "");
            qInfo("%s: %s", qPrintable(where), qPrintable(message));
            const bool named =
                refusal.contains(field.caption) ||
                std::any_of(field.takenFrom.begin(), field.takenFrom.end(),
                            [&](const QString& d) { return refusal.startsWith(d); }) ||
                refusal.contains(QLatin1String("rows")) ||
                refusal.contains(QLatin1String("striker")) ||
                refusal.contains(QLatin1String("cross-section")) ||
                refusal.contains(QLatin1String("volume"));
            QVERIFY2(named, qPrintable(where + QStringLiteral(": ") + refusal));
            QVERIFY2(m_scratch->capacity() == before, qPrintable(where));
        }
    }
}

DIPSHEET_APP_TEST_MAIN(TestHostile)

#include "tst_hostile.moc"
