#pragma once

// The data folder is held by one program at a time: the desktop program for its whole run, the
// command line while it stores a chart. Two programs writing one job file would save each
// other's headings and print each other's charts. A lock left by a program that died does not
// count: the lock file names its process, and a process that is gone holds nothing.

#include <QLockFile>
#include <QString>

#include <optional>

namespace dipsheet::document {

// The lock's file in the data folder.
inline constexpr char kLockFile[] = "dipsheet.lock";

class FolderLock {
public:
    // The lock of `folder` (not yet taken); released when this goes.
    explicit FolderLock(const QString& folder);

    // Takes the folder. False when another living program holds it; heldMessage() then names
    // it. A folder where no lock file can be made (read-only, say) is not refused here: what
    // the program then meets in the job file is said as usual.
    bool take();
    // "Dipsheet is already open on this folder (<folder>): <program>, process <pid> on <host>."
    QString heldMessage() const;
    // The program holding the folder and its process, as its lock names them; none while they
    // cannot be read (the lock being written, or gone).
    struct Holder {
        QString program;
        qint64 process = 0;
    };
    std::optional<Holder> holder() const;

private:
    QString m_folder;
    QLockFile m_lock;
};

}  // namespace dipsheet::document
