#include "folderlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace dipsheet::document {

namespace {

// The system's words for an error number.
QString systemWords(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Whether process `pid` of this machine is alive (one of another user's counts).
bool alive(qint64 pid) {
    if (pid <= 0 || pid != static_cast<pid_t>(pid))
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Writes all of `text` at the start of `fd`; false with errno set when it cannot.
bool writeAll(int fd, const QByteArray& text) {
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::pwrite(fd, text.constData() + done, static_cast<size_t>(text.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

}  // namespace

FolderLock::FolderLock(const QString& folder, const QString& program)
    : m_folder(QDir(folder).absolutePath()),
      m_path(QDir(folder).absoluteFilePath(QString::fromLatin1(kLockFile))),
      m_program(program) {}

FolderLock::~FolderLock() {
    if (m_fd < 0)
        return;
    // Left empty: a lock file that names nobody once its holder is gone.
    (void)::ftruncate(m_fd, 0);
    ::close(m_fd);
}

QString FolderLock::ownProgram() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName();
}

FolderLock::Outcome FolderLock::refuse(int code, const QString& why, const QString& wayOut) {
    m_refusalCode = code;
    m_refusal = QStringLiteral("The data folder's lock, %1, %2. %3")
                    .arg(QDir::toNativeSeparators(m_path), why, wayOut);
    return Outcome::Refused;
}

FolderLock::Outcome FolderLock::take() {
    if (m_fd >= 0)
        return Outcome::Taken;
    m_refusal.clear();
    m_refusalCode = 0;
    m_heldText.clear();
    const QByteArray path = QFile::encodeName(m_path);
    // Never through a link, never blocking on a pipe planted under the name, and never emptied
    // before it is this program's: another's lock keeps its text.
    const int fd = ::open(path.constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    const int openError = errno;
    struct stat st {};
    const bool seen = fd >= 0 ? ::fstat(fd, &st) == 0 : ::lstat(path.constData(), &st) == 0;
    const auto drop = [fd] {
        if (fd >= 0)
            ::close(fd);
    };
    if (seen && !S_ISREG(st.st_mode)) {
        drop();
        if (S_ISLNK(st.st_mode))
            return refuse(ELOOP,
                          QStringLiteral("is a symbolic link, which Dipsheet does not follow"),
                          QStringLiteral("Remove the link and try again."));
        if (S_ISDIR(st.st_mode))
            return refuse(EISDIR, QStringLiteral("is a folder, not a file"),
                          QStringLiteral("Remove or rename that folder and try again."));
        return refuse(EINVAL, QStringLiteral("is not a plain file"),
                      QStringLiteral("Remove it and try again."));
    }
    if (seen && st.st_uid != ::geteuid()) {
        drop();
        return refuse(EACCES,
                      QStringLiteral("belongs to another user (user %1): Dipsheet holds a folder "
                                     "only with a lock of its own")
                          .arg(st.st_uid),
                      QStringLiteral("Run Dipsheet as that user, or remove the file once no "
                                     "Dipsheet of theirs is open on this folder."));
    }
    const auto cannotBeMade = [this](int code) {
        const QString wayOut =
            code == ENOSPC || code == EDQUOT
                ? QStringLiteral("Free space on the folder's disk and try again.")
            : code == EACCES || code == EPERM || code == EROFS
                ? QStringLiteral(
                      "Make the folder writable, or work on a copy of it, and try "
                      "again.")
                : QStringLiteral("Mend that and try again.");
        return refuse(code,
                      QStringLiteral("cannot be made (%1): Dipsheet does not work on a folder it "
                                     "cannot hold")
                          .arg(systemWords(code)),
                      wayOut);
    };
    if (fd < 0)
        return cannotBeMade(openError);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        if (code == EWOULDBLOCK) {
            char text[512];
            const ssize_t n = ::pread(fd, text, sizeof text, 0);
            m_heldText = n > 0 ? QByteArray(text, n) : QByteArray();
            drop();
            return Outcome::Held;
        }
        drop();
        return cannotBeMade(code);
    }
    // The folder is this program's: its lock now names it, for a message only.
    const QByteArray text = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                            m_program.toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(fd, 0) != 0 || !writeAll(fd, text)) {
        const int code = errno;
        drop();
        return cannotBeMade(code);
    }
    m_fd = fd;
    return Outcome::Taken;
}

std::optional<FolderLock::Holder> FolderLock::holder() const {
    const QList<QByteArray> lines = m_heldText.split('\n');
    if (lines.size() < 3)
        return std::nullopt;
    bool number = false;
    const qint64 pid = lines[0].toLongLong(&number);
    const QString host = QString::fromUtf8(lines[2]);
    if (!number || host != QSysInfo::machineHostName() || !alive(pid))
        return std::nullopt;
    return Holder{QString::fromUtf8(lines[1]), pid, host};
}

QString FolderLock::heldMessage() const {
    const auto named = holder();
    if (!named)
        return QStringLiteral("Dipsheet is already open on this folder (%1).")
            .arg(QDir::toNativeSeparators(m_folder));
    return QStringLiteral("Dipsheet is already open on this folder (%1): %2, process %3 on %4.")
        .arg(QDir::toNativeSeparators(m_folder),
             named->program.isEmpty() ? QStringLiteral("Dipsheet") : named->program)
        .arg(named->process)
        .arg(named->host);
}

}  // namespace dipsheet::document
