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

#include "chartoptionspanel.h"
#include "headingpanel.h"
#include "mainwindow.h"
#include "named.h"
#include "played_outside.h"
#include "program.h"
#include "scratch_database.h"
#include "splash.h"
#include "ui.h"

namespace app_testing {

namespace ui = dipsheet::ui;
using dipsheet::app::MainWindow;
using dipsheet::app::Splash;

using gui_testing::clickOption;
using gui_testing::copyDefinitions;
using gui_testing::fileBytes;
using gui_testing::findNamed;
using gui_testing::runSql;
using gui_testing::scalar;
using gui_testing::ScratchDatabase;
using gui_testing::settle;
using gui_testing::typeInto;
using gui_testing::writeBytes;

// The program's world as a test plays it, handed for the Seams' lifetime: the windows' boxes,
// questions and end kept (PlayedOutside), the report's day fixed when `day` is set, and the
// preview and the printer handed to the test when it says so (else the report engine's own:
// no preview, the default printer).
struct Seams : gui_testing::PlayedOutside<dipsheet::app::Outside> {
    QDate day;
    std::function<void(const dipsheet::report::Report&)> onPreview;
    std::function<void(const dipsheet::report::Report&)> onPrint;
    bool realPreview = false;  // Qt's print preview dialog, as the program shows it

    QDate today() const override { return day.isValid() ? day : Outside::today(); }
    void preview(const dipsheet::report::Report& report) override {
        if (onPreview)
            onPreview(report);
        else if (realPreview)
            Outside::preview(report);
        else
            dipsheet::report::Surroundings::preview(report);
    }
    void print(const dipsheet::report::Report& report) override {
        if (onPrint)
            onPrint(report);
        else
            dipsheet::report::Surroundings::print(report);
    }

private:
    dipsheet::app::UseOutside m_handed{*this};
};

// The program as main() starts it, with the splash timer held by the test.
struct Program {
    QPointer<Splash> splash;
    QPointer<MainWindow> main;
    std::function<void()> timer;
    int timerMs = 0;
    bool mainBuiltBeforeTimer = false;  // the seven seconds must count from the splash

    explicit Program(Seams& seams) {
        seams.oneShot = [this](QObject*, int ms, std::function<void()> handler) {
            timerMs = ms;
            timer = std::move(handler);
            const auto windows = QApplication::topLevelWidgets();
            mainBuiltBeforeTimer = std::any_of(windows.begin(), windows.end(), [](QWidget* w) {
                return w->objectName() == QLatin1String("MDIForm1");
            });
        };
        splash = dipsheet::app::startProgram(dipsheet::app::DataFolder::current());
        main = splash->mainWindow();
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

    dipsheet::setup::ChartOptionsPanel* chart() const {
        return findNamed<dipsheet::setup::ChartOptionsPanel>(main, "frmChart");
    }
    dipsheet::app::HeadingPanel* customer() const {
        return findNamed<dipsheet::app::HeadingPanel>(main, "frmCustomer");
    }
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
