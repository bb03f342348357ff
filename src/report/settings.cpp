#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include "wholefile.h"

namespace dipsheet::report {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// A line as text: UTF-8 where it is, else Latin-1; without its '\r' and a leading byte order
// mark.
QString lineText(QByteArray bytes, bool first) {
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (first && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

}  // namespace

bool iniOnlyComment(QStringView rest) {
    const QStringView trimmed = rest.trimmed();
    return trimmed.isEmpty() || trimmed.front() == QLatin1Char(';');
}

std::optional<QString> iniValue(QStringView raw) {
    qsizetype start = 0;
    while (start < raw.size() && isBlank(raw[start]))
        ++start;
    if (start < raw.size() && raw[start] == QLatin1Char('"')) {
        const qsizetype close = raw.indexOf(QLatin1Char('"'), start + 1);
        if (close < 0 || !iniOnlyComment(raw.mid(close + 1)))
            return std::nullopt;
        return raw.mid(start + 1, close - start - 1).toString();
    }
    qsizetype end = start;
    while (end < raw.size() &&
           !(raw[end] == QLatin1Char(';') && (end == start || isBlank(raw[end - 1]))))
        ++end;
    return raw.mid(start, end - start).trimmed().toString();
}

QString Settings::value(const QString& key) const {
    const auto found = values.find(key.toLower());
    return found == values.end() ? QString() : found->second;
}

Settings parseSettings(const QByteArray& content) {
    Settings settings;
    QString section;
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lineText(lines[i], i == 0).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            if (close < 0 || !iniOnlyComment(QStringView(line).mid(close + 1))) {
                settings.readCleanly = false;
                section.clear();
                continue;
            }
            section = line.mid(1, close - 1).trimmed().toLower();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const std::optional<QString> value =
            equals > 0 ? iniValue(QStringView(line).mid(equals + 1)) : std::nullopt;
        if (!value) {
            settings.readCleanly = false;
            continue;
        }
        settings.values[section + QLatin1Char('/') + line.left(equals).trimmed().toLower()] =
            *value;
    }
    return settings;
}

namespace {

QString tooLarge(const QString& path, qint64 size) {
    return QStringLiteral(
               "%1 is larger than 1 MiB (%2 bytes), and Dipsheet does not read it: "
               "its settings are not used until it is made smaller")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))
        .arg(size);
}

}  // namespace

Settings readSettings(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Settings{{}, false, {}};
    if (file.size() > kMaxSettingsBytes)
        return Settings{{}, false, tooLarge(path, file.size())};
    return parseSettings(file.read(kMaxSettingsBytes));
}

bool writeSetting(const QString& path, const QString& section, const QString& key,
                  const QString& value, QString* why) {
    if (const QString refused = refusedName(path); !refused.isEmpty()) {
        if (why != nullptr)
            *why = refused;
        return false;
    }
    QByteArray text;
    QFile in(path);
    if (in.exists()) {
        if (!QFileInfo(path).isFile() || !in.open(QIODevice::ReadOnly)) {
            if (why != nullptr)
                *why = QStringLiteral("%1 cannot be read").arg(QDir::toNativeSeparators(path));
            return false;
        }
        if (in.size() > kMaxSettingsBytes) {
            if (why != nullptr)
                *why = tooLarge(path, in.size());
            return false;
        }
        text = in.read(kMaxSettingsBytes);
    }
    const QByteArray cr = text.contains("\r\n") ? QByteArrayLiteral("\r") : QByteArray();
    // Lines end at '\n'; a line keeps its '\r'. A last line without a line end gets one.
    QList<QByteArray> lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    const QByteArray entry = (key + QLatin1Char('=') + value).toUtf8() + cr;
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    // The key's line in its section, or the end of that section, or a new section at the end.
    qsizetype at = -1, end = lines.size();
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lineText(lines[i], i == 0).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (at >= 0) {
                end = i;
                break;
            }
            if (line.compare(header, Qt::CaseInsensitive) == 0)
                at = i;
        } else if (at >= 0 && !line.startsWith(QLatin1Char(';')) &&
                   line.section(QLatin1Char('='), 0, 0)
                           .trimmed()
                           .compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        if (at < 0)
            lines << cr << header.toUtf8() + cr << entry;
        else
            lines.insert(end, entry);
    }
    const QString failure = writeWholeFile(path, lines.join('\n') + '\n');
    if (why != nullptr)
        *why = failure;
    return failure.isEmpty();
}

}  // namespace dipsheet::report
