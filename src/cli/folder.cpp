#include "folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <ostream>
#include <thread>

#include "folderlock.h"

namespace dipsheet::cli {

namespace {

// This program's name as a lock names its holder: the file the process runs.
QString ownName() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).fileName();
}

}  // namespace

std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err) {
    auto lock = std::make_unique<document::FolderLock>(QDir::currentPath());
    // Another run of the command line holds the folder for one store only: it is waited for, as
    // a busy job file is, 30 s at most. Any other holder (the desktop, for its whole run) is
    // said at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!lock->take()) {
        const auto holder = lock->holder();
        const bool passing = !holder || (holder->program == ownName() &&
                                         holder->process != QCoreApplication::applicationPid());
        if (!passing || std::chrono::steady_clock::now() >= deadline) {
            err << "dipsheet-chart: " << lock->heldMessage().toStdString()
                << " Nothing was stored: store the chart there, or close it first.\n";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lock;
}

}  // namespace dipsheet::cli
