#pragma once

// The history window, "Past Charts": every chart the office has made, newest first, found by
// a search that filters as it is typed (serial number, customer, description; every word, any
// order and case). Load puts a chart back on the main window and calculates it; Reprint prints
// the rows kept with it through its unit's report definition without touching the form (a chart
// made before charts kept their rows is charted again, said under the list); Delete takes it out of
// the history after asking. Top-level, not modal; it deletes itself once closed.
//
// A desk of an office's server lists the office's shared history, every desk's charts with the
// desk that made each; Delete names that desk. Until the server answers, and whenever it fails,
// the list is the data folder's own file and the line under it says why.

#include <QWidget>

#include <memory>

#include "program.h"
#include "store/store.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace dipsheet::server {
class ServerStore;
}

namespace dipsheet::app {

class HistoryModel;

class PastChartsWindow : public QWidget {
    Q_OBJECT

public:
    PastChartsWindow(const store::JobDatabase& database, const DataFolder& folder);
    ~PastChartsWindow() override;

    // The list again for the search text as it stands (after a chart was made, say).
    void search();
    // The chart of the current row; nullptr when the list is empty.
    const store::HistoryEntry* currentEntry() const;
    // The list is the office's shared history (the server answered), not the file's.
    bool listsOffice() const { return m_server != nullptr; }

private:
    QLineEdit* txtSearch;
    QTableView* grdHistory;
    QLabel* lblFound;
    QPushButton* cmdLoad;
    QPushButton* cmdReprint;
    QPushButton* cmdDelete;
    QPushButton* cmdClose;

signals:
    // Load was asked for a chart whose tank can be read.
    void loadRequested(const store::HistoryEntry& entry);
    // Something the program mended that the user should hear of (the search index rebuilt).
    void noticed(const QString& notice);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Keeps the window's size and place for the next time it opens.
    void closeEvent(QCloseEvent* event) override;

private:
    // The current chart when its tank can be read; otherwise says why not and gives nullptr.
    const store::HistoryEntry* readableEntry();
    void load();
    void reprint();
    void remove();
    // The office's server reached off the window's thread (a server far away never holds the
    // keyboard); once it answers the list is the office's.
    void reachServer();
    // The server failed: the list goes back to the file, the line under it says why, and the
    // server is tried again.
    void serverFailed(const store::StoreError& error);
    // The store the list is of, for one action: the office's server once reached, else a
    // connection to the file, kept in `file` for the action.
    store::ChartStore& listed(std::unique_ptr<store::ChartStore>& file) const;
    // The line under the list: what was found, and where from when the server is not there.
    void showFound();

    const store::JobDatabase m_database;
    const DataFolder m_folder;
    HistoryModel* m_model;
    QString m_found;  // what the line under the list says of the charts found
    std::unique_ptr<server::ServerStore> m_server;  // none: the file's history
    bool m_reaching = false;
    QString m_serverNotice;  // why the list is the file's though the desk has a server
};

}  // namespace dipsheet::app
