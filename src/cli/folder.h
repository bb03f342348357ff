#pragma once

// The command line stores a chart only on a data folder no other program holds.

#include <iosfwd>
#include <memory>

#include "folderlock.h"

namespace dipsheet::cli {

// The working directory's data folder, held until the result goes; none when another program
// holds it (then `err` has said who, and nothing may be written). Another run of the command
// line, holding it for its own store, is waited for (30 s at most). A folder where no lock can
// be had (its lock a link, a folder or another user's file; a read-only folder; a full disk) is
// said in `err` too: the command line never stores into a folder it does not hold.
std::unique_ptr<document::FolderLock> holdFolder(std::ostream& err);

}  // namespace dipsheet::cli
