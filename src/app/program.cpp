#include "program.h"

#include <QFileInfo>
#include <QSettings>

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
    const QString path = QString::fromLatin1(report::kSettingsFile);
    // The reader keeps what it can of a damaged file, but the splash names the office only from
    // a file that reads cleanly. The status shows on the file's first parse only (later ones
    // reuse it), so it is asked before the reader parses; a pipe is never opened.
    if (!QFileInfo(path).isFile() ||
        QSettings(path, QSettings::IniFormat).status() != QSettings::NoError)
        return {};
    const report::Company company = report::readCompany(path);
    QStringList details;
    for (const QString& field : {company.name, company.address, company.town, company.phone}) {
        if (!field.isEmpty())
            details << field;
    }
    return details;
}

}  // namespace dipsheet::app
