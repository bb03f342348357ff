#pragma once

#include <algorithm>

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
#include "scratch_database.h"
#include "ui.h"

namespace app_testing {

namespace ui = dipsheet::ui;
using dipsheet::app::FrmIntro;
using dipsheet::app::MdiForm1;

using gui_testing::clickOption;
using gui_testing::copyDefinitions;
using gui_testing::fileBytes;
using gui_testing::runSql;
using gui_testing::scalar;
using gui_testing::ScratchDatabase;
using gui_testing::settle;
using gui_testing::typeInto;
using gui_testing::writeBytes;

// Message boxes, questions with a way back (answered No) and program end are recorded instead
// of shown and done.
struct Seams {
    QStringList messages;
    QStringList questions;
    QList<int> ends;
    Seams() {
        ui::setMessageBoxHandler([this](const QString& text) { messages << text; });
        ui::setYesNoCancelAsker([this](const QString& question) {
            questions << question;
            return ui::Answer::No;
        });
        ui::setEndProgramHandler([this](int status) { ends << status; });
    }
    ~Seams() {
        ui::setMessageBoxHandler(nullptr);
        ui::setYesNoCancelAsker(nullptr);
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
    bool mainBuiltBeforeTimer = false;  // the seven seconds must count from the splash

    Program() {
        ui::setOneShotStarter([this](QObject*, int ms, std::function<void()> handler) {
            timerMs = ms;
            timer = std::move(handler);
            const auto windows = QApplication::topLevelWidgets();
            mainBuiltBeforeTimer = std::any_of(windows.begin(), windows.end(), [](QWidget* w) {
                return w->objectName() == QLatin1String("MDIForm1");
            });
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

// Moves the focus as a click there would (the field left runs its lost-focus handler), and lets
// the events a click brings with it be handled, as a person's pause before typing does.
inline void clickInto(QWidget* widget) {
    widget->setFocus(Qt::MouseFocusReason);
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
