#pragma once

// The data folder is held by one program at a time: the desktop program for its whole run, the
// command line while it stores a chart. Two programs writing one job file would save each
// other's headings and print each other's charts.
//
// The hold is the kernel's: an exclusive flock() on the folder's lock file, which the system
// lets go when the holding process ends, however it ends. A lock file left behind, empty or
// holding anything at all, holds nothing by itself. What the file says (program, process, host)
// only names the holder in a message. The file is never removed: a program waiting on the old
// file while another made a new one would hold the folder beside it.

#include <QString>

#include <optional>
#include <stdexcept>

namespace dipsheet::document {

// The lock's file in the data folder.
inline constexpr char kLockFile[] = "dipsheet.lock";
// The command line as a lock names it: it holds a folder for one store only.
inline constexpr char kCommandLineProgram[] = "dipsheet-chart";

// A folder whose lock cannot be taken (its file a link or a folder, another user's, or one that
// cannot be made), as the desktop's start-up meets it: the number is the system's error number.
class FolderLockError : public std::runtime_error {
public:
    FolderLockError(int code, const QString& message)
        : std::runtime_error(message.toStdString()), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

class FolderLock {
public:
    // The lock of `folder` (not yet taken); released when this goes. `program` is the name the
    // lock gives its holder; by default the file this process runs.
    explicit FolderLock(const QString& folder, const QString& program = ownProgram());
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Outcome {
        Taken,    // the folder is this program's until this goes
        Held,     // another process holds it: holder() and heldMessage() name it
        Refused,  // no lock can be had here: refusal() says why and the way out
    };
    Outcome take();

    // The holder as the held lock names it, when that is a process alive on this host; none
    // otherwise (the lock being written, or naming a process of another machine or gone).
    struct Holder {
        QString program;
        qint64 process = 0;
        QString host;
    };
    std::optional<Holder> holder() const;
    // "Dipsheet is already open on this folder (<folder>): <program>, process <pid> on <host>."
    // The holder is named only as holder() finds it.
    QString heldMessage() const;

    // Why the last take() was refused, naming the lock file and the way out; and the system's
    // error number for it.
    QString refusal() const { return m_refusal; }
    int refusalCode() const { return m_refusalCode; }

    // The file this process runs, by name: what the lock names its holder by default.
    static QString ownProgram();

private:
    Outcome refuse(int code, const QString& why, const QString& wayOut);

    QString m_folder;
    QString m_path;
    QString m_program;
    int m_fd = -1;
    QByteArray m_heldText;  // what the holder's lock said, read as take() found it held
    QString m_refusal;
    int m_refusalCode = 0;
};

}  // namespace dipsheet::document
