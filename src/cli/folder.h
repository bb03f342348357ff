#pragma once

// The command line stores a chart only on a data folder no other program holds.

#include <iosfwd>
#include <memory>

#include "folderlock.h"

namespace dipsheet::cli {

// The working directory's data folder, held until the result goes; none when another program
// holds it (then `err` has said who, and nothing may be written).
std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err);

}  // namespace dipsheet::cli
