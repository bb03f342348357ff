#include "jobdocument.h"

#include <sqlite3.h>

#include <utility>

namespace dipsheet::document {

namespace {

const QString kFile = QString::fromUtf8(store::kDatabaseFile);
const QString kKept = QStringLiteral("your typing is kept and ");

bool sameHeading(const store::JobRecord& a, const store::JobRecord& b) {
    return a.customer == b.customer && a.tankDesc == b.tankDesc && a.serialNo == b.serialNo;
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace

QString noticeFor(const store::StoreError& error) {
    if (error.meansDamage())
        return {};
    switch (error.code() & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral(
                       "%1 is in use by another program: %2will be saved as soon as "
                       "it is free.")
                .arg(kFile, kKept);
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return QStringLiteral(
                       "%1 is read-only: %2will be saved as soon as it (and its "
                       "folder) can be written again.")
                .arg(kFile, kKept);
        case SQLITE_FULL:
            return QStringLiteral(
                       "The disk is full: %1will be saved as soon as some space is "
                       "freed.")
                .arg(kKept);
        case SQLITE_CANTOPEN:
            return QStringLiteral(
                       "%1 cannot be opened (moved, or its folder unreachable): %2"
                       "will be saved as soon as it is back.")
                .arg(kFile, kKept);
        default:
            return QStringLiteral(
                       "%1 could not be written (error %2: %3): %4will be saved as "
                       "soon as it can be.")
                .arg(kFile)
                .arg(error.code())
                .arg(QString::fromUtf8(error.what()), kKept);
    }
}

QString indexRebuiltNotice() {
    return QStringLiteral(
        "The search index of Past Charts was found damaged and has been "
        "rebuilt from the history: no chart was lost.");
}

JobDocument::JobDocument(store::JobDatabase database, QObject* parent)
    : QObject(parent), m_database(std::move(database)) {
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &JobDocument::retry);
}

void JobDocument::load() {
    m_typed = m_database.connect().findJobRecord().value_or(store::JobRecord{});
    m_saved = m_typed;
}

void JobDocument::setMember(const QString& member) {
    m_typed.member = utf8(member);
}
void JobDocument::setCustomer(const QString& customer) {
    m_typed.customer = utf8(customer);
}
void JobDocument::setTankDesc(const QString& tankDesc) {
    m_typed.tankDesc = utf8(tankDesc);
}
void JobDocument::setSerialNo(const QString& serialNo) {
    m_typed.serialNo = utf8(serialNo);
}

void JobDocument::replaceHeading(const store::JobRecord& heading) {
    m_typed.customer = heading.customer;
    m_typed.tankDesc = heading.tankDesc;
    m_typed.serialNo = heading.serialNo;
    emit headingReplaced();
}

bool JobDocument::isPending() const {
    if (!m_saved)
        return true;
    return !sameHeading(m_typed, *m_saved) ||
           (!store::isBlank(m_typed.member) && m_typed.member != m_saved->member);
}

bool JobDocument::save(bool always) {
    if (!always && !isPending()) {
        return true;
    }
    const store::JobRecord written = m_typed;
    try {
        m_database.connect().writeJob(written);
    } catch (const store::StoreError& error) {
        if (error.meansDamage())
            throw;
        setNotice(noticeFor(error));
        if (!m_retry.isActive())
            m_retry.start();
        return false;
    }
    saved(written);
    return !isPending();
}

void JobDocument::saved(const store::JobRecord& written) {
    store::JobRecord onFile = written;
    if (store::isBlank(onFile.member))  // a blank name is never written: the file keeps its own
        onFile.member = m_saved ? m_saved->member : std::string();
    m_saved = onFile;
    // The retry goes on until one of its rounds finds nothing to save: a key typed while a save
    // waited on the file is handled after it, and is saved by the next round.
    if (!isPending())
        setNotice({});
}

void JobDocument::tell(const QString& notice) {
    setNotice(notice);
}

void JobDocument::setNotice(const QString& notice) {
    if (notice == m_notice)
        return;
    m_notice = notice;
    emit noticeChanged(m_notice);
}

void JobDocument::retry() {
    if (!isPending()) {
        m_retry.stop();
        return;
    }
    try {
        save();
    } catch (...) {
        m_retry.stop();
        emit failed(std::current_exception());
    }
}

}  // namespace dipsheet::document
