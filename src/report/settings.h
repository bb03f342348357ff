#pragma once

// The office's settings file, dipsheet.ini, read and written in one place. Its lines are
// "[Section]", "Key=Value", blank, or a comment, by the rule of the report definitions too: a
// ';' that starts a line, or follows a blank in a value, starts a comment, and a value in
// double quotes is taken as it stands between them. So "Name=Hill;Sons Tanks" is the name
// "Hill;Sons Tanks", "Phone=555 ; the shop" the number "555", and "Phone=\"555; 0100\"" the
// number "555; 0100". A line that is not UTF-8 is read as Latin-1 (a file an office wrote on
// an older system); the file itself is never rewritten in another encoding.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <map>
#include <optional>

namespace dipsheet::report {

// The value of a "Key=Value" line from just after its '=': a quoted value as it stands between
// its quotes (none when the quote is not closed or text other than a comment follows it),
// else up to a comment, blanks around it dropped.
std::optional<QString> iniValue(QStringView afterEquals);
// Whether what follows a value or a section header is nothing, blanks, or a comment.
bool iniOnlyComment(QStringView rest);

// The values of a settings file by "section/key" in lower case (the last line of a key wins),
// and whether every line read as a header, a key, a blank or a comment.
struct Settings {
    std::map<QString, QString> values;
    bool readCleanly = true;
    // Why the file was not read at all when it is larger than kMaxSettingsBytes, naming it and
    // the way out; empty otherwise.
    QString refusal;

    // The value of "Section/Key" (any case), empty when missing.
    QString value(const QString& key) const;
};
Settings parseSettings(const QByteArray& content);
// The largest settings file read (1 MiB): an office's settings take a few lines, and a larger
// file would hold up the start for as long as it took to read.
inline constexpr qint64 kMaxSettingsBytes = 1 << 20;

// The settings file `path`; empty and not clean when it is missing, unreadable or no regular
// file (a pipe of that name would hold up the start for ever), or larger than kMaxSettingsBytes
// (then with its refusal).
Settings readSettings(const QString& path);

// Writes `key`=`value` in [`section`] of the settings file `path`, replacing the key's line or
// adding it at the end of its section (the section at the end of the file when it has none).
// Every other byte stays as the office wrote it: its lines, comments, encoding and each line's
// own line end (the new line ends as the file's lines do). The file is replaced whole or not at
// all (writeWholeFile: a link under its name is refused, never followed); false when it cannot
// be (a file larger than kMaxSettingsBytes is not rewritten), and `why` says why.
bool writeSetting(const QString& path, const QString& section, const QString& key,
                  const QString& value, QString* why = nullptr);

}  // namespace dipsheet::report
