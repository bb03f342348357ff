#include "folderlock.h"

#include <QDir>

namespace dipsheet::document {

FolderLock::FolderLock(const QString& folder)
    : m_folder(QDir(folder).absolutePath()),
      m_lock(QDir(folder).absoluteFilePath(QString::fromLatin1(kLockFile))) {
    // A lock is never taken for stale by its age: only when its process is gone.
    m_lock.setStaleLockTime(0);
}

bool FolderLock::take() {
    if (m_lock.tryLock(0))
        return true;
    return m_lock.error() != QLockFile::LockFailedError;
}

std::optional<FolderLock::Holder> FolderLock::holder() const {
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return std::nullopt;
    return Holder{program, pid};
}

QString FolderLock::heldMessage() const {
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return QStringLiteral("Dipsheet is already open on this folder (%1).")
            .arg(QDir::toNativeSeparators(m_folder));
    return QStringLiteral("Dipsheet is already open on this folder (%1): %2, process %3 on %4.")
        .arg(QDir::toNativeSeparators(m_folder),
             program.isEmpty() ? QStringLiteral("Dipsheet") : program)
        .arg(pid)
        .arg(host);
}

}  // namespace dipsheet::document
