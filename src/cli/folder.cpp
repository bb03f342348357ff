#include "folder.h"

#include <QDir>

#include <ostream>

#include "folderlock.h"

namespace dipsheet::cli {

std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err) {
    auto lock = std::make_unique<document::FolderLock>(QDir::currentPath());
    if (lock->take())
        return lock;
    err << "dipsheet-chart: " << lock->heldMessage().toStdString()
        << " Nothing was stored: store the chart there, or close it first.\n";
    return nullptr;
}

}  // namespace dipsheet::cli
