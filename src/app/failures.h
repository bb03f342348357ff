#pragma once

// How the program's failures read to the user: the job database's in words that name the
// problem and the way out, and which of them end the program (a damaged file only).

#include <QString>

#include "store/store.h"

namespace dipsheet::app {

// What is wrong with the job database, in a few words for a sentence: "another program is
// using QRTMembers.mdb", "QRTMembers.mdb is read-only", "the disk is full", or the engine's own
// number and message for anything else.
QString databaseProblem(const store::StoreError& error);

}  // namespace dipsheet::app
