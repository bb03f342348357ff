// Calculate to chart window shown, for the largest chart (32,766 rows), under the offscreen
// platform: the chart computed, its rows written in one transaction, the chart window loaded
// (heading and every row read back) and painted once.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <sqlite3.h>

#include <memory>

#include "../tests/gui/named.h"
#include "chart.h"
#include "chartoptionspanel.h"
#include "headingpanel.h"
#include "mainwindow.h"
#include "program.h"
#include "ui.h"

using gui_testing::findNamed;

namespace {

using dipsheet::app::ChartWindow;
using dipsheet::app::MainWindow;

// A horizontal cylinder charted in 1-inch steps, 32,766 inches across: the row-count limit.
const char* const kDiameter = "32766";
const char* const kLength = "120";
const char* const kIncrement = "1";

bool makeDatabase() {
    QFile schema(QStringLiteral(DIPSHEET_SCHEMA));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

// The main window with the tank typed in, in a scratch folder with a fresh database.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> main;
    std::string error;

    Fixture() {
        QDir::setCurrent(dir.path());
        if (!makeDatabase()) {
            error = "cannot make the scratch database";
            return;
        }
        main = std::make_unique<MainWindow>(dipsheet::app::DataFolder::current());
        main->display();
        auto* chart = findNamed<dipsheet::setup::ChartOptionsPanel>(main.get(), "frmChart");
        if (findNamed<QCheckBox>(chart, "chkStriker")->isChecked())
            findNamed<QCheckBox>(chart, "chkStriker")->click();
        findNamed<QLineEdit>(chart, "txtIncrement")->setText(QString::fromLatin1(kIncrement));
        findNamed<QLineEdit>(chart->horizontalPanel(), "txtDiameter")
            ->setText(QString::fromLatin1(kDiameter));
        findNamed<QLineEdit>(chart->horizontalPanel(), "txtLength")
            ->setText(QString::fromLatin1(kLength));
        if (!findNamed<QPushButton>(chart, "cmdCalculate")->isEnabled())
            error = "Calculate is not enabled";
    }

    // Presses Calculate and returns once the chart window is on screen and painted.
    ChartWindow* calculate() {
        findNamed<QPushButton>(
            findNamed<dipsheet::setup::ChartOptionsPanel>(main.get(), "frmChart"), "cmdCalculate")
            ->click();
        ChartWindow* window = main->chartWindow();
        if (!window)
            return nullptr;
        while (!window->windowHandle() || !window->windowHandle()->isExposed())
            QCoreApplication::processEvents();
        window->repaint();
        return window;
    }
};

// The chart is the largest one, and the window showed every row of it.
void checkRows(benchmark::State& state, ChartWindow* window, Fixture& f) {
    if (dipsheet::chart::rowCount(
            findNamed<dipsheet::setup::ChartOptionsPanel>(f.main.get(), "frmChart")->chartRows()) !=
        dipsheet::chart::kMaxRows)
        state.SkipWithError("the tank does not give the largest chart");
    if (window)
        state.counters["rows"] = findNamed<QTableView>(window, "dbgCapacity")->model()->rowCount();
}

// A fresh chart window each time (Exit between two charts).
void BM_CalculateToChartWindow(benchmark::State& state) {
    Fixture f;
    if (!f.error.empty()) {
        state.SkipWithError(f.error.c_str());
        return;
    }
    int shown = 0;
    for (auto _ : state) {
        ChartWindow* window = f.calculate();
        benchmark::DoNotOptimize(window);
        state.PauseTiming();
        if (!window) {
            state.SkipWithError("no chart window");
            break;
        }
        shown = findNamed<QTableView>(window, "dbgCapacity")->model()->rowCount();
        window->close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    checkRows(state, nullptr, f);
    state.counters["rows"] = shown;
}
BENCHMARK(BM_CalculateToChartWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

// A second chart while the window is open: the open window is refreshed and raised.
void BM_CalculateRefreshesOpenWindow(benchmark::State& state) {
    Fixture f;
    if (!f.error.empty() || !f.calculate()) {
        state.SkipWithError("no chart window");
        return;
    }
    ChartWindow* window = nullptr;
    for (auto _ : state)
        benchmark::DoNotOptimize(window = f.calculate());
    checkRows(state, window, f);
}
BENCHMARK(BM_CalculateRefreshesOpenWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    dipsheet::ui::Application app(argc, argv);
    dipsheet::app::registerErrorTranslators();
    // A failure is a result here, not a reason to stop: report it and go on.
    struct GoOn : dipsheet::app::Outside {
        void endProgram(int) override {}
    } outside;
    const dipsheet::app::UseOutside handed(outside);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
