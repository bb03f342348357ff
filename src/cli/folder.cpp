#include "folder.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <ostream>
#include <thread>

#include "folderlock.h"

namespace dipsheet::cli {

std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err) {
    auto lock = std::make_unique<document::FolderLock>(QDir::currentPath());
    // Another run of the command line holds the folder for one store only: it is waited for, as
    // a busy job file is, 30 s at most; so is a holder not yet named (its lock being written).
    // Any other holder (the desktop, for its whole run) is said at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const auto outcome = lock->take();
        if (outcome == document::FolderLock::Outcome::Taken)
            return lock;
        if (outcome == document::FolderLock::Outcome::Refused) {
            err << "dipsheet-chart: " << lock->refusal().toStdString() << " Nothing was stored.\n";
            return nullptr;
        }
        const auto holder = lock->holder();
        const bool passing = !holder || (holder->program == document::FolderLock::ownProgram() &&
                                         holder->process != QCoreApplication::applicationPid());
        if (!passing || std::chrono::steady_clock::now() >= deadline) {
            err << "dipsheet-chart: " << lock->heldMessage().toStdString()
                << " Nothing was stored: store the chart there, or close it first.\n";
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace dipsheet::cli
