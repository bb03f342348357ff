#pragma once

// Shared by the chart set-up tests: a plain window that hosts the chart options panel and the
// three dimension panels at their places in the main window, a scratch job database in a
// temporary working directory, and small helpers that act as the user would.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <sqlite3.h>

#include <memory>

#include "chartoptionspanel.h"
#include "named.h"
#include "played_outside.h"
#include "scratch_database.h"
#include "ui.h"

namespace setup_testing {

using dipsheet::setup::ChartOptionsPanel;

// The main window's client area as far as the chart set-up needs it.
struct Host {
    dipsheet::store::JobDatabase database;  // QRTMembers.mdb in the working directory
    QWidget window;
    ChartOptionsPanel* chart;

    Host() {
        window.setObjectName(QStringLiteral("host"));
        window.resize(dipsheet::ui::twipsRect(0, 0, 10000, 6500).size());
        chart = new ChartOptionsPanel(&window, database);
        chart->move(dipsheet::ui::twipsRect(4800, 950, 0, 0).topLeft());
        const QPoint panelAt = dipsheet::ui::twipsRect(5550, 3845, 0, 0).topLeft();
        chart->rectangularPanel()->move(panelAt);
        chart->verticalPanel()->move(panelAt);
        chart->horizontalPanel()->move(panelAt);
    }

    // Shows the window and waits until it has the keyboard, as focus checks need.
    bool showActive() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

// The dimension panels that are not hidden, by object name.
inline QStringList panelsInView(ChartOptionsPanel* chart) {
    QStringList names;
    for (QWidget* panel : {static_cast<QWidget*>(chart->rectangularPanel()),
                           static_cast<QWidget*>(chart->horizontalPanel()),
                           static_cast<QWidget*>(chart->verticalPanel())}) {
        if (!panel->isHidden())
            names << panel->objectName();
    }
    return names;
}

using gui_testing::clickOption;
using gui_testing::findNamed;
using gui_testing::ScratchDatabase;
using gui_testing::settle;
using gui_testing::typeInto;

}  // namespace setup_testing
