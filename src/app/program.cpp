#include "program.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScreen>
#include <QWidget>

#include "printpreview.h"
#include "report/report.h"

namespace dipsheet::app {

void registerPrintPreview() {
    report::ReportEngine::setPreviewHandler(showPreview);
}

QPixmap logo() {
    return QPixmap(QStringLiteral(":/dipsheet/logo.png"));
}

QStringList companyDetails() {
    // The splash names the office only from a file that reads cleanly.
    const report::Company company = report::readCompany(QString::fromLatin1(report::kSettingsFile));
    if (!company.readCleanly)
        return {};
    QStringList details;
    for (const QString& field : {company.name, company.address, company.town, company.phone}) {
        if (!field.isEmpty())
            details << field;
    }
    return details;
}

namespace {

QString settingsPath() {
    return QString::fromLatin1(report::kSettingsFile);
}

}  // namespace

std::optional<bool> ullageChoice() {
    const QString value = report::readSetting(settingsPath(), QStringLiteral("Chart/Ullage"));
    if (value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QString markPercents() {
    return report::readMarkPercents(settingsPath());
}

bool keepSetting(const QString& section, const QString& key, const QString& value) {
    // The file is kept as bytes: lines the office wrote keep their encoding and each its own
    // line end; only the key's own line is written (ASCII), ending as the file's lines do.
    QByteArray text;
    QFile in(settingsPath());
    if (in.exists()) {
        if (!QFileInfo(settingsPath()).isFile() || !in.open(QIODevice::ReadOnly))
            return false;
        text = in.readAll();
    }
    const QByteArray cr = text.contains("\r\n") ? QByteArrayLiteral("\r") : QByteArray();
    // Lines end at '\n'; a line keeps its '\r'. A last line without a line end gets one.
    QList<QByteArray> lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    const QByteArray entry = (key + QLatin1Char('=') + value).toUtf8() + cr;
    const QByteArray header = ('[' + section + ']').toUtf8();
    const auto content = [&lines](qsizetype i) {
        QByteArray line = lines[i].trimmed();
        if (i == 0 && line.startsWith("\xEF\xBB\xBF"))  // a UTF-8 byte order mark
            line = line.mid(3).trimmed();
        return line;
    };
    // The key's line in its section, or the end of that section, or a new section at the end.
    qsizetype at = -1, end = lines.size();
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = content(i);
        if (line.startsWith('[')) {
            if (at >= 0) {
                end = i;
                break;
            }
            if (line.compare(header, Qt::CaseInsensitive) == 0)
                at = i;
        } else if (at >= 0 && line.split('=').first().trimmed().compare(
                                  key.toUtf8(), Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        if (at < 0)
            lines << cr << header + cr << entry;
        else
            lines.insert(end, entry);
    }
    QSaveFile out(settingsPath());
    const QByteArray written = lines.join('\n') + '\n';
    return out.open(QIODevice::WriteOnly) && out.write(written) == written.size() && out.commit();
}

bool keepUllageShown(bool shown) {
    return keepSetting(QStringLiteral("Chart"), QStringLiteral("Ullage"),
                       shown ? QStringLiteral("yes") : QStringLiteral("no"));
}

bool restorePlace(QWidget* window, const QString& name) {
    const QByteArray kept = QByteArray::fromBase64(
        report::readSetting(settingsPath(), QStringLiteral("Windows/") + name).toLatin1());
    return !kept.isEmpty() && window->restoreGeometry(kept);
}

void keepPlace(const QWidget* window, const QString& name) {
    // A maximised window opens as it does the first time (maximised where a window manager
    // does it, beside the main window where none does), so no place is kept for it. A place
    // that cannot be kept is no fault: the window opens as designed next time.
    const QScreen* screen = window->screen();
    const bool wholeScreen =
        screen && window->frameGeometry().contains(screen->availableGeometry());
    const bool asDesigned = window->isMaximized() || window->isFullScreen() || wholeScreen;
    keepSetting(QStringLiteral("Windows"), name,
                asDesigned ? QString() : QString::fromLatin1(window->saveGeometry().toBase64()));
}

}  // namespace dipsheet::app
