#include "program.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QWidget>

#include "mainwindow.h"
#include "printpreview.h"
#include "report/report.h"
#include "report/settings.h"
#include "server/desk.h"
#include "splash.h"

namespace dipsheet::app {

void Outside::preview(const report::Report& report) {
    showPreview(report);
}

QPixmap logo() {
    return QPixmap(QStringLiteral(":/dipsheet/logo.png"));
}

DataFolder::DataFolder(const QString& path) : m_path(QDir(path).absolutePath()) {}

DataFolder DataFolder::current() {
    return DataFolder(QDir::currentPath());
}

QString DataFolder::database() const {
    return QDir(m_path).filePath(QString::fromUtf8(store::kDatabaseFile));
}

QString DataFolder::settings() const {
    return QDir(m_path).filePath(QString::fromLatin1(report::kSettingsFile));
}

store::JobDatabase DataFolder::jobDatabase(int busyTimeoutMs) const {
    // A desk of an office's server queues each chart for the server as it stores it.
    return store::JobDatabase(QFile::encodeName(database()).toStdString(), busyTimeoutMs,
                              server().has_value());
}

std::optional<DataFolder::Server> DataFolder::server() const {
    const report::Settings kept = report::readSettings(settings());
    const QString uri = kept.value(QStringLiteral("Database/Server")).trimmed();
    if (uri.isEmpty())
        return std::nullopt;
    QString desk = kept.value(QStringLiteral("Database/Desk")).trimmed();
    if (desk.isEmpty())
        desk = QString::fromStdString(server::defaultDeskName());
    return Server{uri, desk};
}

QString DataFolder::Server::shown() const {
    return QString::fromStdString(server::serverShown(uri.toStdString()));
}

QStringList DataFolder::companyDetails() const {
    // The splash names the office only from a file that reads cleanly.
    const report::Company company = report::readCompany(settings());
    if (!company.readCleanly)
        return {};
    QStringList details;
    for (const QString& field : {company.name, company.address, company.town, company.phone}) {
        if (!field.isEmpty())
            details << field;
    }
    return details;
}

QString DataFolder::settingsRefusal() const {
    return report::readSettings(settings()).refusal;
}

std::optional<bool> DataFolder::ullageChoice() const {
    const QString value = report::readSetting(settings(), QStringLiteral("Chart/Ullage"));
    if (value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

QString DataFolder::markPercents() const {
    return report::readMarkPercents(settings());
}

bool DataFolder::keepUllageShown(bool shown, QString* why) const {
    return report::writeSetting(settings(), QStringLiteral("Chart"), QStringLiteral("Ullage"),
                                shown ? QStringLiteral("yes") : QStringLiteral("no"), why);
}

bool DataFolder::restorePlace(QWidget* window, const QString& name) const {
    const QByteArray kept = QByteArray::fromBase64(
        report::readSetting(settings(), QStringLiteral("Windows/") + name).toLatin1());
    return !kept.isEmpty() && window->restoreGeometry(kept);
}

void DataFolder::keepPlace(const QWidget* window, const QString& name) const {
    // A maximised window opens as it does the first time (maximised where a window manager
    // does it, beside the main window where none does), so no place is kept for it. A place
    // that cannot be kept is no fault: the window opens as designed next time.
    const QScreen* screen = window->screen();
    const bool wholeScreen =
        screen && window->frameGeometry().contains(screen->availableGeometry());
    const bool asDesigned = window->isMaximized() || window->isFullScreen() || wholeScreen;
    QString why;
    if (!report::writeSetting(
            settings(), QStringLiteral("Windows"), name,
            asDesigned ? QString() : QString::fromLatin1(window->saveGeometry().toBase64()), &why))
        qWarning("dipsheet: the place of a window was not kept: %s", qPrintable(why));
}

Splash* startProgram(const DataFolder& folder) {
    auto* splash = new Splash(folder);
    // The main window lays itself out hidden while the splash is on screen.
    splash->handTo(new MainWindow(folder));
    splash->display();
    return splash;
}

}  // namespace dipsheet::app
