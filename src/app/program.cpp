#include "program.h"

#include <QScreen>
#include <QWidget>

#include "printpreview.h"
#include "report/report.h"
#include "report/settings.h"

namespace dipsheet::app {

void Outside::preview(const report::Report& report) {
    showPreview(report);
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

bool keepUllageShown(bool shown) {
    return report::writeSetting(settingsPath(), QStringLiteral("Chart"), QStringLiteral("Ullage"),
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
    report::writeSetting(
        settingsPath(), QStringLiteral("Windows"), name,
        asDesigned ? QString() : QString::fromLatin1(window->saveGeometry().toBase64()));
}

}  // namespace dipsheet::app
