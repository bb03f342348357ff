#pragma once

// The command line stores a chart only on a data folder no other program holds.

#include <iosfwd>
#include <memory>

#include "folderlock.h"

namespace dipsheet::cli {

// The working directory's data folder, held until the result goes; none when another program
// holds it (then `err` has said who, and nothing may be written). Another run of the command
// line, holding it for its own store, is waited for (30 s at most).
std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err);

}  // namespace dipsheet::cli
