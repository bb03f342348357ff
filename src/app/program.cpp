#include "program.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <sqlite3.h>

#include <optional>

#include "printpreview.h"
#include "report.h"
#include "store.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

// A database failure as the user reads it. When the job database cannot be opened because no
// file of that name is in the working directory, the user is told how to get one: the
// launcher makes it in the program's data folder, or the shipped schema makes it by hand. A
// file that is there but cannot be opened (a folder of that name, no permission) gets no such
// advice, since a fresh database would not mend it.
ui::ErrorInfo describeStoreError(const store::StoreError& error) {
    QString description = QString::fromUtf8(error.what());
    const QString file = QString::fromUtf8(store::kDatabaseFile);
    if (error.code() == SQLITE_CANTOPEN && !QFileInfo::exists(file)) {
        description += QStringLiteral(
                           "\n\nStart Dipsheet with dipsheet-launch, or make a fresh database: "
                           "sqlite3 %1 < QRTMembers.sql")
                           .arg(file);
    }
    return {error.code(), description};
}

}  // namespace

void registerErrorTranslators() {
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        if (const auto* s = dynamic_cast<const store::StoreError*>(&e))
            return describeStoreError(*s);
        return std::nullopt;
    });
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        if (const auto* r = dynamic_cast<const report::ReportError*>(&e))
            return ui::ErrorInfo{r->number(), QString::fromUtf8(r->what())};
        return std::nullopt;
    });
}

void registerPrintPreview() {
    report::ReportEngine::setPreviewHandler(showPreview);
}

QPixmap logo() {
    return QPixmap(QStringLiteral(":/dipsheet/logo.png"));
}

QStringList companyDetails() {
    QSettings settings(QDir::current().absoluteFilePath(QStringLiteral("dipsheet.ini")),
                       QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return {};
    settings.beginGroup(QStringLiteral("Company"));
    QStringList details;
    for (const char* key : {"Name", "Address", "Town", "Phone"}) {
        const QVariant value = settings.value(QLatin1String(key));
        // An unquoted value with a comma reads as a list ("12 High St, Unit 4"): the office
        // meant one text.
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QStringLiteral(", "))
                                 : value.toString();
        if (!text.simplified().isEmpty())
            details << text.simplified();
    }
    return details;
}

}  // namespace dipsheet::app
