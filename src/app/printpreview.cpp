#include "printpreview.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QScreen>

#include <exception>

#include "report/render.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

// While it lives, the print dialog's print-to-file proposes `path`: Qt's own proposal is the
// home folder whenever the data folder lies outside it.
class PrintToFileName : public QObject {
public:
    explicit PrintToFileName(QString path) : m_path(std::move(path)) {
        qApp->installEventFilter(this);
    }
    ~PrintToFileName() override { qApp->removeEventFilter(this); }
    PrintToFileName(const PrintToFileName&) = delete;
    PrintToFileName& operator=(const PrintToFileName&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* dialog = qobject_cast<QPrintDialog*>(watched)) {
                if (auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
                    file->setText(m_path);
            }
        }
        return false;
    }

private:
    QString m_path;
};

}  // namespace

void showPreview(const report::Report& report) {
    QPrinter printer(QPrinter::HighResolution);
    // Print to file, and the PDF printer where there is no other, offer the chart's own name
    // in the data folder.
    const QString proposed = QDir::current().filePath(report::chartFileName(report, "pdf"));
    printer.setDocName(QFileInfo(proposed).completeBaseName());
    if (printer.outputFormat() != QPrinter::NativeFormat)
        printer.setOutputFileName(proposed);
    const PrintToFileName printToFile(proposed);
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
