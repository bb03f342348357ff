#pragma once

// The history window, "Past Charts": every chart the office has made, newest first, found by
// a search that filters as it is typed (serial number, customer, description; every word, any
// order and case). Load puts a chart back on the main window and calculates it; Reprint prints
// the rows kept with it through its unit's report definition without touching the form (a chart
// made before charts kept their rows is charted again, said under the list); Delete takes it out of
// the history after asking. Top-level, not modal; it deletes itself once closed.

#include <QWidget>

#include "program.h"
#include "store/store.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace dipsheet::app {

class HistoryModel;

class PastChartsWindow : public QWidget {
    Q_OBJECT

public:
    PastChartsWindow(const store::JobDatabase& database, const DataFolder& folder);

    // The list again for the search text as it stands (after a chart was made, say).
    void search();
    // The chart of the current row; nullptr when the list is empty.
    const store::HistoryEntry* currentEntry() const;

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

    const store::JobDatabase m_database;
    const DataFolder m_folder;
    HistoryModel* m_model;
    QString m_found;  // what the line under the list says of the charts found
};

}  // namespace dipsheet::app
