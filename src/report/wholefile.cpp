#include "wholefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <random>

namespace dipsheet::report {

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString systemWords(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString refusedName(const QString& path) {
    struct stat found {};
    if (lstat(QFile::encodeName(path).constData(), &found) != 0)
        return errno == ENOENT ? QString()
                               : QStringLiteral("%1 cannot be written: %2")
                                     .arg(shown(path), systemWords(errno));
    if (S_ISLNK(found.st_mode))
        return QStringLiteral(
                   "%1 is a link (to %2), and Dipsheet writes no file through a "
                   "link: remove the link, or choose another name")
            .arg(shown(path), shown(QFile::symLinkTarget(path)));
    if (!S_ISREG(found.st_mode))
        return QStringLiteral(
                   "%1 is not an ordinary file (a folder, a device or a pipe): "
                   "choose another name")
            .arg(shown(path));
    return {};
}

QString writeWholeFile(const QString& path, const QByteArray& bytes) {
    if (QString refused = refusedName(path); !refused.isEmpty())
        return refused;
    const QByteArray name = QFile::encodeName(path);
    struct stat found {};
    const bool existing = lstat(name.constData(), &found) == 0;

    // The temporary file beside the file, so that the rename stays on one file system; made
    // with O_EXCL, so that nothing planted under its name is ever opened.
    const QFileInfo info(path);
    std::random_device random;
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(info.absolutePath() + QLatin1Char('/') + QLatin1Char('.') +
                                      info.fileName() +
                                      QStringLiteral(".%1").arg(random(), 8, 16, QLatin1Char('0')));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return QStringLiteral("%1 cannot be written: no file can be made in %2 (%3)")
            .arg(shown(path), shown(info.absolutePath()), systemWords(errno));

    // A failure closes and removes the temporary file: the named file is as it was.
    const auto failed = [&](int error, bool open = true) {
        if (open)
            ::close(fd);
        ::unlink(temporary.constData());
        return QStringLiteral("%1 cannot be written: %2; nothing was written")
            .arg(shown(path), systemWords(error));
    };
    if (existing && fchmod(fd, found.st_mode & 07777) != 0)
        return failed(errno);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return failed(wrote < 0 ? errno : ENOSPC);
        done += wrote;
    }
    if (::fsync(fd) != 0)
        return failed(errno);
    if (::close(fd) != 0)
        return failed(errno, false);
    if (::rename(temporary.constData(), name.constData()) != 0)
        return failed(errno, false);
    return {};
}

}  // namespace dipsheet::report
