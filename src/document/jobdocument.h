#pragma once

// The job of one desk: the job record as the user typed it, what of it the job file holds, and
// the chart on show. Every window is a view on it: the panels tell it what is typed and ask it
// to save at their save points (a field left, another window of the program active, Calculate,
// Print, Load, closing); the document writes what is pending. A save the file refuses for a
// reason that passes or that the user can mend (another program holding it, read-only, a full
// disk, the file gone) keeps the typing, becomes a notice the windows show, and is tried again
// every few seconds until it goes through, which clears the notice. Nothing typed is dropped.

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <exception>
#include <optional>

#include "store/store.h"

namespace dipsheet::document {

// The notice for a write that failed on a condition that passes or the user can mend, saying
// what happened and the way out; empty for damage (which takes the fatal path).
QString noticeFor(const store::StoreError& error);

// The notice for a search index that a search or a chart found damaged and rebuilt from the
// history.
QString indexRebuiltNotice();

class JobDocument : public QObject {
    Q_OBJECT

public:
    // Between two tries of a pending save.
    static constexpr int kRetryMs = 2000;

    explicit JobDocument(store::JobDatabase database, QObject* parent = nullptr);

    const store::JobDatabase& database() const { return m_database; }

    // Reads the job record on file as the record typed and saved (a table without a record
    // gives an empty one). Throws store::StoreError: at start-up every failure is fatal.
    void load();

    // The job record as typed.
    const store::JobRecord& record() const { return m_typed; }
    // What the user typed in a field: pending until saved.
    void setMember(const QString& member);
    void setCustomer(const QString& customer);
    void setTankDesc(const QString& tankDesc);
    void setSerialNo(const QString& serialNo);
    // The program puts a heading in (a chart of the history loaded): the views show it
    // (headingReplaced) and it is pending until saved.
    void replaceHeading(const store::JobRecord& heading);

    // Whether the record typed differs from what the file holds (a blank client name, which
    // is never stored, does not count).
    bool isPending() const;
    // A save point: writes the record typed when it is pending, or, with `always`, in any case
    // (a field left rewrites its record). True when nothing is pending afterwards. A failure
    // that passes or can be mended becomes the notice and is retried; damage throws
    // store::StoreError.
    bool save(bool always = false);
    // The record typed has been written by another write of the same transaction (a chart
    // stored with its heading): it is no longer pending.
    void saved(const store::JobRecord& written);

    // No more tries of a pending save (the program is ending on damage).
    void stopRetrying() { m_retry.stop(); }

    // What the windows show in their notice bars; empty when all is well.
    const QString& notice() const { return m_notice; }
    // A notice of something the program mended itself (it stays until the next save clears it).
    void tell(const QString& notice);

    // The chart on show: the heading it was stored (or last printed) with, which its window
    // shows and its history row carries, and that row's id (0: none).
    const store::JobRecord& chartHeading() const { return m_chartHeading; }
    std::int64_t chartHistoryId() const { return m_chartHistoryId; }
    void setChart(const store::JobRecord& heading, std::int64_t historyId) {
        m_chartHeading = heading;
        m_chartHistoryId = historyId;
    }

signals:
    // The heading was put in by the program: the views show record().
    void headingReplaced();
    // The notice changed (empty: none).
    void noticeChanged(const QString& notice);
    // A retry met damage: the owner takes the fatal path.
    void failed(std::exception_ptr error);

private:
    void setNotice(const QString& notice);
    void retry();

    store::JobDatabase m_database;
    store::JobRecord m_typed;
    std::optional<store::JobRecord> m_saved;  // as the file holds it, when known
    store::JobRecord m_chartHeading;
    std::int64_t m_chartHistoryId = 0;
    QString m_notice;
    QTimer m_retry;
};

}  // namespace dipsheet::document
