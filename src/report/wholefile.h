#pragma once

// Every file Dipsheet writes (dipsheet.ini, the PDFs, the CSV charts and gauge tables) is
// written in one way: whole or not at all, never through a link planted under its name.

#include <QByteArray>
#include <QString>

namespace dipsheet::report {

// Writes `bytes` as the file `path`: into a temporary file made exclusively (O_EXCL) beside it,
// flushed to the disk, then renamed over the name, so that a reader finds the old file or the
// new one, never a part, and a link under the name would be replaced, never followed. A name that
// is a link, or anything but an ordinary file (a folder, a device such as /dev/full, a pipe), is
// refused; an existing file keeps its permissions. Returns empty when the file is written, else
// what went wrong and the way out, naming the file; nothing is left behind on a failure.
QString writeWholeFile(const QString& path, const QByteArray& bytes);
// What writeWholeFile would say of the name `path` before writing: a link or no ordinary file
// refused, a name that cannot be looked at; empty for an ordinary file or none.
QString refusedName(const QString& path);

}  // namespace dipsheet::report
