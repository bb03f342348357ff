#pragma once

// What the whole program shares: the error numbers of the lower layers, what it is handed at
// start-up (its Outside), the logo, the data folder with the office's choices, and the start.

#include <QPixmap>
#include <QStringList>

#include <optional>

#include "outside.h"
#include "report/report.h"
#include "store/store.h"

class QWidget;

namespace dipsheet::app {

// Lets the fatal-error path show a database or report failure with its number and message; a
// missing job database also gets the way to start with one.
void registerErrorTranslators();

// What the desktop program is handed at start-up: the boxes, dialogs, clock and end of the
// windows (ui::Outside), and the day, preview and printer of the reports
// (report::Surroundings), the preview being Qt's print preview dialog (showPreview). A test
// derives its own, overriding what it answers itself, and hands it with UseOutside.
class Outside : public ui::Outside, public report::Surroundings {
public:
    void preview(const report::Report& report) override;
};

// Hands `handed` to the windows and the reports for as long as this lives.
class UseOutside {
public:
    explicit UseOutside(Outside& handed) : m_windows(handed), m_reports(handed) {}

private:
    ui::UseOutside m_windows;
    report::UseSurroundings m_reports;
};

// The program's logo (a tank with a dipstick), 261 x 262 pixels.
QPixmap logo();

// The data folder the program works in, by full paths: the job database and dipsheet.ini in
// it. main() makes it from the folder the program started in (the launcher starts it there,
// where the report definitions are read too) and hands it to the windows. Reading dipsheet.ini
// never fails the program; a key that cannot be written is said by the caller.
class DataFolder {
public:
    explicit DataFolder(const QString& path);
    // The working directory the program started in.
    static DataFolder current();

    const QString& path() const { return m_path; }
    QString database() const;  // QRTMembers.mdb
    QString settings() const;  // dipsheet.ini
    store::JobDatabase jobDatabase(int busyTimeoutMs = store::kBusyTimeoutMs) const;

    // The office's own name from [Company]: Name, Address, Town and Phone in that order, each
    // on one line, leaving out keys that are missing or empty. Empty when the file is missing,
    // unreadable, malformed or no regular file (a pipe of that name would hold up the start for
    // ever).
    QStringList companyDetails() const;
    // The chart window's choices: [Chart] Ullage=yes shows the ullage and percent columns;
    // [Marks] Percent=90,95 the fill marks (90 and 95 when the key is missing). [Chart] Ullage
    // as written: yes or no; none when the key is missing or says neither, and the definition
    // decides.
    std::optional<bool> ullageChoice() const;
    // Why dipsheet.ini is not read at all (larger than report::kMaxSettingsBytes), for the
    // notice bar; empty when it is read, or missing.
    QString settingsRefusal() const;
    QString markPercents() const;
    // Keeps the choice (report::writeSetting, every other byte as it was). False when the file
    // cannot be written, and `why` says why.
    bool keepUllageShown(bool shown, QString* why = nullptr) const;
    // A window's size and place as the user left it, in [Windows] `name`: restorePlace puts the
    // window there (maximised if it was), before it is shown, and is false when none is kept or
    // it does not read; keepPlace keeps where it is now (nothing for a maximised window, or one
    // as big as the screen, which opens as the first time). A place that cannot be kept is no
    // fault of the window's: it is said on standard error only.
    bool restorePlace(QWidget* window, const QString& name) const;
    void keepPlace(const QWidget* window, const QString& name) const;

    // An office's server and this desk's name on it, from [Database] Server (libpq's connection
    // URI; the password is libpq's to find, never written here) and Desk (the user and host
    // name when missing). None without a Server: the data folder's file alone.
    struct Server {
        QString uri;
        QString desk;
        // The server as the title names it: its host (or socket folder) and database, never
        // the user's password.
        QString shown() const;
    };
    std::optional<Server> server() const;

private:
    QString m_path;
};

class Splash;
// Starts the program on `folder`: the splash, whose seconds count from here, then the main
// window built hidden behind it and handed to it; the splash shows the main window when its
// time is up. Returns the splash, on screen.
Splash* startProgram(const DataFolder& folder);

}  // namespace dipsheet::app
