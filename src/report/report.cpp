#include "report.h"

#include "render.h"

#include <QApplication>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>

#include <exception>
#include <stdexcept>
#include <utility>

namespace dipsheet::report {

namespace {

std::function<QDate()>& dateSource() {
    static std::function<QDate()> source;
    return source;
}

ReportEngine::OutputHandler& previewHandler() {
    static ReportEngine::OutputHandler handler;
    return handler;
}

ReportEngine::OutputHandler& printerHandler() {
    static ReportEngine::OutputHandler handler;
    return handler;
}

}  // namespace

void setDateSource(std::function<QDate()> source) {
    dateSource() = std::move(source);
}

QDate reportDate() {
    return dateSource() ? dateSource()() : QDate::currentDate();
}

Report loadReport(const QString& definitionFile) {
    Report report;
    report.definitionName = definitionFile;
    report.definition = readDefinition(definitionFile);
    try {
        store::Database db;
        report.job = db.readJobRecord();
        report.rows = db.readCapacity();
    } catch (const store::StoreError& error) {
        throw ReportError(
            kDatabaseUnreadable,
            QStringLiteral("%1: cannot read the chart from %2: %3 (database error %4)")
                .arg(definitionFile, QString::fromUtf8(store::kDatabaseFile),
                     QString::fromStdString(error.what()))
                .arg(error.code()));
    }
    report.date = reportDate();
    return report;
}

void ReportEngine::setPreviewHandler(OutputHandler handler) {
    previewHandler() = std::move(handler);
}

void ReportEngine::setPrinterHandler(OutputHandler handler) {
    printerHandler() = std::move(handler);
}

void ReportEngine::setReportFileName(const QString& bareName) {
    m_fileName = bareName;
    m_report.reset();
}

void ReportEngine::load() {
    m_report.reset();
    m_report = loadReport(m_fileName);
}

const Report& ReportEngine::report() const {
    if (!m_report) {
        throw std::logic_error("ReportEngine: no report is loaded");
    }
    return *m_report;
}

void ReportEngine::produce() {
    const Report& loaded = report();
    switch (loaded.definition.destination) {
        case Destination::Pdf:
            writePdf(loaded, loaded.definition.file);
            break;
        case Destination::Printer:
            if (printerHandler()) {
                printerHandler()(loaded);
            } else {
                printOnDefaultPrinter(loaded);
            }
            break;
        case Destination::Preview:
            if (previewHandler()) {
                previewHandler()(loaded);
            } else {
                showPreview(loaded);
            }
            break;
    }
}

void showPreview(const Report& report) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.definition.title);
    applyPageLayout(report.definition, printer);
    paginate(report, printer);  // a layout that holds no row fails here, before any window

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
    // changed the page setup in the dialog (a paper too small for a row, say) is said there,
    // and the dialog stays open for another choice.
    std::exception_ptr failure;
    bool painted = false;
    QObject::connect(
        &dialog, &QPrintPreviewDialog::paintRequested, &dialog,
        [&report, &failure, &painted, &dialog](QPrinter* target) {
            if (failure) {
                return;
            }
            try {
                render(report, *target);
                painted = true;
            } catch (const ReportError& e) {
                if (painted) {
                    QMessageBox::warning(&dialog, QStringLiteral("Dipsheet"),
                                         QString::fromUtf8(e.what()));
                    return;
                }
                failure = std::current_exception();
                QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
            } catch (...) {
                failure = std::current_exception();
                QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
            }
        });
    dialog.exec();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void printOnDefaultPrinter(const Report& report) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        throw ReportError(kNoPrinter,
                          QStringLiteral("%1: the report goes to the printer but there is no "
                                         "default printer; set one up, or set Destination to "
                                         "preview or pdf in [Output]")
                              .arg(report.definitionName));
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(report.definition.title);
    applyPageLayout(report.definition, printer);
    render(report, printer);
}

}  // namespace dipsheet::report
