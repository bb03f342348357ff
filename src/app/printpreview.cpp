#include "printpreview.h"

#include <QApplication>
#include <QDate>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QScreen>

#include <exception>

#include "report/render.h"
#include "ui.h"

namespace dipsheet::app {

QString chartFileStem(const QString& serialNo, const QString& customer) {
    QString name = serialNo.trimmed();
    if (name.isEmpty())
        name = customer.simplified();
    // Only characters every file system takes; the rest become '-'.
    for (QChar& c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
              c == QLatin1Char('_') || c == QLatin1Char('.')))
            c = QLatin1Char('-');
    }
    if (name.isEmpty())
        name = QStringLiteral("chart");
    return name + QLatin1Char('-') + QDate::currentDate().toString(Qt::ISODate);
}

void showPreview(const report::Report& report) {
    QPrinter printer(QPrinter::HighResolution);
    // The print dialog's print-to-file offers this name, in the data folder.
    printer.setDocName(chartFileStem(QString::fromStdString(report.job.serialNo),
                                     QString::fromStdString(report.job.customer)));
    report::applyPageLayout(report.definition, printer);
    report::paginate(report, printer);  // a layout that holds no row fails here, before any window

    QPrintPreviewDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(report.definition.title.isEmpty()
                              ? QStringLiteral("Print Preview")
                              : report.definition.title + QStringLiteral(" - Print Preview"));
    // A starting size that shows a whole page, also where no window manager sizes it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const QSize size(room.width() * 4 / 5, room.height() * 9 / 10);
        dialog.setGeometry(QRect(QPoint(0, 0), size)
                               .translated(room.center() - QRect(QPoint(0, 0), size).center()));
    }
    // The preview repaints whenever its page setup changes. A failure of the first painting,
    // with the definition's own layout, is the report's: the dialog closes and it is raised
    // once the dialog has returned, so nothing escapes into Qt. A failure after the user
    // changed the page setup in the dialog (a paper too small for a row, say) is said in a
    // message box, and the dialog stays open for another choice.
    std::exception_ptr failure;
    bool painted = false;
    QObject::connect(
        &dialog, &QPrintPreviewDialog::paintRequested, &dialog,
        [&report, &failure, &painted, &dialog](QPrinter* target) {
            if (failure) {
                return;
            }
            try {
                report::render(report, *target);
                painted = true;
            } catch (const report::ReportError& e) {
                if (painted) {
                    ui::messageBox(QString::fromUtf8(e.what()));
                    return;
                }
                failure = std::current_exception();
                QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
            } catch (...) {
                failure = std::current_exception();
                QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
            }
        });
    // The preview is for reading: the arrow, not the hourglass of the Print that opened it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    dialog.exec();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace dipsheet::app
