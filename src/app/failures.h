#pragma once

// How the program's failures read to the user: the job database's in words that name the
// problem and the way out, and which of them end the program (a damaged file only).

#include <QString>

#include <functional>
#include <optional>

#include "store/store.h"

namespace dipsheet::app {

// What is wrong with the job database, in a few words for a sentence: "another program is
// using QRTMembers.mdb", "QRTMembers.mdb is read-only", "the disk is full", or the engine's own
// number and message for anything else.
QString databaseProblem(const store::StoreError& error);

// The message for a job-record save that failed on a condition the user can mend: the text on
// screen is kept and saved at the next save.
QString jobNotSavedMessage(const store::StoreError& error);

// The message for job-record saves that failed as the main window closes: it stays open once.
QString jobNotSavedOnCloseMessage(const store::StoreError& error);

// Runs a write of the job record. A damaged file throws on (the fatal path); a failure the user
// can mend is returned, with nothing written.
std::optional<store::StoreError> writeJob(const std::function<void()>& write);

}  // namespace dipsheet::app
