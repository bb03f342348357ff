#pragma once

// Shared by the application tests: a scratch job database in a temporary working directory,
// the message box and program end answered without a modal loop, and a started program whose
// splash timer fires when the test says so.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "frmchart.h"
#include "frmcustomer.h"
#include "frmintro.h"
#include "mdiform1.h"
#include "program.h"
#include "ui.h"

namespace app_testing {

namespace ui = dipsheet::ui;
using dipsheet::app::FrmIntro;
using dipsheet::app::MdiForm1;

// A fresh QRTMembers.mdb made from the schema in a temporary working directory; the previous
// working directory comes back when it goes.
class ScratchDatabase {
public:
    ScratchDatabase() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~ScratchDatabase() { QDir::setCurrent(m_previous); }

    bool create(QString* error) {
        QFile schema(QString::fromLocal8Bit(qgetenv("DIPSHEET_SCHEMA")));
        if (!schema.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the schema '%1'").arg(schema.fileName());
            return false;
        }
        return exec(schema.readAll(), error, SQLITE_OPEN_CREATE);
    }

    // Runs SQL on the file behind the program's back; false with the reason on failure.
    bool exec(const QByteArray& sql, QString* error = nullptr, int extraFlags = 0) {
        sqlite3* db = nullptr;
        int rc =
            sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE | extraFlags, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rc == SQLITE_OK;
    }

    // The first mrQRT record: member, customer, tank description, serial number.
    QStringList jobRecord() {
        QStringList fields;
        query(
            "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT "
            "ORDER BY rowid LIMIT 1",
            [&](sqlite3_stmt* s) {
                for (int i = 0; i < 4; ++i)
                    fields << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
            });
        return fields;
    }

    // Every Capacity row in table order, as singles.
    std::vector<std::array<float, 2>> capacity() {
        std::vector<std::array<float, 2>> rows;
        query("SELECT Depth, Capacity FROM Capacity ORDER BY rowid", [&](sqlite3_stmt* s) {
            rows.push_back({static_cast<float>(sqlite3_column_double(s, 0)),
                            static_cast<float>(sqlite3_column_double(s, 1))});
        });
        return rows;
    }

    bool removeFile() { return QFile::remove(QStringLiteral("QRTMembers.mdb")); }

private:
    void query(const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
                while (sqlite3_step(stmt) == SQLITE_ROW)
                    row(stmt);
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

// Message boxes and program end are recorded instead of shown and done.
struct Seams {
    QStringList messages;
    QList<int> ends;
    Seams() {
        ui::setMessageBoxHandler([this](const QString& text) { messages << text; });
        ui::setEndProgramHandler([this](int status) { ends << status; });
    }
    ~Seams() {
        ui::setMessageBoxHandler(nullptr);
        ui::setEndProgramHandler(nullptr);
        ui::setOneShotStarter(nullptr);
    }
};

// The program as main() starts it, with the splash timer held by the test.
struct Program {
    QPointer<FrmIntro> splash;
    QPointer<MdiForm1> main;
    std::function<void()> timer;
    int timerMs = 0;

    Program() {
        ui::setOneShotStarter([this](QObject*, int ms, std::function<void()> handler) {
            timerMs = ms;
            timer = std::move(handler);
        });
        splash = new FrmIntro();
        main = splash->mainWindow();
        splash->display();
    }
    ~Program() {
        delete splash.data();
        delete main.data();
    }

    // Fires the splash timer and waits until the main window has the keyboard.
    bool start() {
        timer();
        return QTest::qWaitForWindowActive(main.data());
    }

    dipsheet::setup::FrmChart* chart() const { return main->frmChart; }
    dipsheet::app::FrmCustomer* customer() const { return main->frmCustomer; }
};

// Clicks an option button or check box on its indicator.
inline void clickOption(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, button->height() / 2));
}

// Replaces a field's text by typing.
inline void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::OtherFocusReason);
    field->clear();
    QTest::keyClicks(field, text);
}

// Moves the focus as a click there would (the field left runs its lost-focus handler).
inline void clickInto(QWidget* widget) {
    widget->setFocus(Qt::MouseFocusReason);
}

// Lets queued focus handlers run.
inline void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Data a test puts into a fresh database before the program starts.
inline std::unique_ptr<ScratchDatabase> scratchDatabase(const QByteArray& extraSql = {}) {
    auto scratch = std::make_unique<ScratchDatabase>();
    QString error;
    if (!scratch->create(&error))
        qFatal("scratch database: %s", qPrintable(error));
    if (!extraSql.isEmpty() && !scratch->exec(extraSql, &error))
        qFatal("scratch data: %s", qPrintable(error));
    return scratch;
}

// Runs a test class under the program's own application object (Fusion style, fatal path).
#define DIPSHEET_APP_TEST_MAIN(TestClass)               \
    int main(int argc, char** argv) {                   \
        dipsheet::ui::Application app(argc, argv);      \
        dipsheet::app::registerErrorTranslators();      \
        QApplication::setQuitOnLastWindowClosed(false); \
        TestClass test;                                 \
        return QTest::qExec(&test, argc, argv);         \
    }

}  // namespace app_testing
