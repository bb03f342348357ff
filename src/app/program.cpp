#include "program.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

bool ullageShown() {
    return report::readSetting(settingsPath(), QStringLiteral("Chart/Ullage"))
               .compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QString markPercents() {
    return report::readMarkPercents(settingsPath());
}

bool keepUllageShown(bool shown) {
    QStringList lines;
    QFile in(settingsPath());
    if (in.exists()) {
        if (!QFileInfo(settingsPath()).isFile() || !in.open(QIODevice::ReadOnly | QIODevice::Text))
            return false;
        lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QString entry = QStringLiteral("Ullage=") + (shown ? "yes" : "no");
    // The key's line in [Chart], or the end of that section, or a new section at the end.
    qsizetype section = -1, end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (section >= 0) {
                end = i;
                break;
            }
            if (line.compare(QLatin1String("[Chart]"), Qt::CaseInsensitive) == 0)
                section = i;
        } else if (section >= 0 &&
                   line.section(QLatin1Char('='), 0, 0)
                           .trimmed()
                           .compare(QLatin1String("Ullage"), Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            section = -2;
            break;
        }
    }
    if (section == -1)
        lines << QString() << QStringLiteral("[Chart]") << entry;
    else if (section >= 0)
        lines.insert(end, entry);
    QSaveFile out(settingsPath());
    const QByteArray text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}

}  // namespace dipsheet::app
