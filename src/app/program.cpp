#include "program.h"

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

}  // namespace dipsheet::app
