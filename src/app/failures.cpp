#include "failures.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <optional>

#include "folderlock.h"
#include "program.h"
#include "report/report.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

const QString kFile = QString::fromUtf8(store::kDatabaseFile);

bool busy(int code) {
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}
bool readOnly(int code) {
    return code == SQLITE_READONLY || code == SQLITE_PERM || code == SQLITE_AUTH;
}

// The way out of a failure of the database engine with error code `databaseCode`, as a
// paragraph after its description; empty where there is no advice.
QString wayOut(int databaseCode) {
    const int code = databaseCode & 0xff;
    if (busy(code)) {
        return QStringLiteral(
                   "Another program is using %1 (a backup, another copy of Dipsheet, a database "
                   "tool). Close it or let it finish, then try again.")
            .arg(kFile);
    }
    if (readOnly(code)) {
        return QStringLiteral("%1 is read-only: make it (and its folder) writable, then try again.")
            .arg(kFile);
    }
    if (code == SQLITE_FULL)
        return QStringLiteral("The disk is full: free some space, then try again.");
    if (code == SQLITE_IOERR)
        return QStringLiteral(
            "The file could not be read or written: check the disk, then try "
            "again.");
    if (code == SQLITE_CANTOPEN && !QFileInfo::exists(kFile)) {
        // A missing file: the launcher makes one in the program's data folder, or the shipped
        // chart tool by hand. A file that is there but cannot be opened (a folder of that name, no
        // permission) gets no such advice, since a fresh database would not mend it.
        return QStringLiteral(
                   "If it was moved, put it back in %1. Otherwise start Dipsheet with "
                   "dipsheet-launch, or make a fresh %2 there: dipsheet-chart --new-database")
            .arg(QDir::toNativeSeparators(QDir::currentPath()), kFile);
    }
    return {};
}

}  // namespace

QString databaseProblem(const store::StoreError& error) {
    const int code = error.code() & 0xff;
    if (busy(code))
        return QStringLiteral("another program is using %1").arg(kFile);
    if (readOnly(code))
        return QStringLiteral("%1 is read-only").arg(kFile);
    if (code == SQLITE_FULL)
        return QStringLiteral("the disk is full");
    return QStringLiteral("error %1: %2").arg(error.code()).arg(QString::fromUtf8(error.what()));
}

void registerErrorTranslators() {
    // A failure the database caused, whichever layer reports it, ends in the same way out.
    const auto withWayOut = [](const char* what, int databaseCode, bool damaged) {
        QString description = QString::fromUtf8(what);
        QString way = wayOut(databaseCode);
        // Damage is never mended by trying again: the file must be put back.
        if (way.isEmpty() && damaged)
            way = QStringLiteral(
                      "%1 is damaged. Dipsheet closes when you press OK: put back %1 from your "
                      "last backup, then start Dipsheet again.")
                      .arg(kFile);
        if (!way.isEmpty())
            description += QStringLiteral("\n\n") + way;
        return description;
    };
    ui::addErrorTranslator([=](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        const auto* s = dynamic_cast<const store::StoreError*>(&e);
        if (!s)
            return std::nullopt;
        return ui::ErrorInfo{s->code(), withWayOut(s->what(), s->code(), s->meansDamage()),
                             s->meansDamage()};
    });
    ui::addErrorTranslator([=](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        const auto* r = dynamic_cast<const report::ReportError*>(&e);
        if (!r)
            return std::nullopt;
        return ui::ErrorInfo{r->number(),
                             withWayOut(r->what(), r->databaseCode(), r->databaseDamaged()),
                             r->databaseDamaged()};
    });
    // A data folder that cannot be held: the program does not run on it.
    ui::addErrorTranslator([](const std::exception& e) -> std::optional<ui::ErrorInfo> {
        const auto* l = dynamic_cast<const document::FolderLockError*>(&e);
        if (!l)
            return std::nullopt;
        return ui::ErrorInfo{l->code(), QString::fromStdString(l->what()), true};
    });
}

}  // namespace dipsheet::app
