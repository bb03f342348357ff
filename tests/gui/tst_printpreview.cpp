// The print preview as the program registers it with the report engine: the preview
// destination opens Qt's print preview dialog with every page of the chart; a failure of its
// first painting comes back as the report's error once the dialog has closed, and a later one
// is said in a message box while the dialog stays open.

#include <QDate>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <optional>

#include "app_testing.h"
#include "render.h"
#include "report.h"

using namespace app_testing;
namespace report = dipsheet::report;

namespace {

// Inch columns in fraction format, three pairs on A4, to the preview.
const QByteArray kDefinition =
    "[Report]\nTitle=Test Chart\nUnits=inches and US gallons\n"
    "[Columns]\nDepthUnit=in\nCapacityUnit=US gal\nDepthFormat=fraction\nPairs=3\n"
    "[Page]\nPaper=A4\n[Font]\nFamily=DejaVu Sans\n[Output]\nDestination=preview\n";

// The job record, and `count` rows of depths in eighths of an inch, each with a volume of its
// own.
QByteArray chart(int count) {
    return QStringLiteral(
               "UPDATE mrQRT SET mrQRTMember = 'Acme Tank Works', "
               "mrCustomer = 'Riverside Fuel' || char(10) || 'Dock Road', "
               "mrTankDesc = 'Horizontal cylinder' || char(13, 10) || '48 in x 96 in', "
               "mrSerialNo = 'SN-0117';"
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
               "INSERT INTO Capacity(Depth, Capacity) SELECT i / 8.0, i * 1.25 + 0.5 FROM n;")
        .arg(count)
        .toUtf8();
}

// The visible print preview dialogs: what `look` is told of each, and then each is closed.
void closePreviews(const std::function<void(QPrintPreviewDialog&)>& look = {}) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(window);
        if (dialog != nullptr && dialog->isVisible()) {
            if (look)
                look(*dialog);
            dialog->reject();
        }
    }
}

// Connects to each preview dialog as it is being built, so that its slot runs before the
// report's own painting, and shrinks the page to a 40 mm square before painting number
// `paint` (1 is the first): a page that holds no row, as a printer too small for the layout
// or the user's choice of paper would give.
class ShrinkPreviewPage : public QObject {
public:
    explicit ShrinkPreviewPage(int paint) : m_paint(paint) {
        QApplication::instance()->installEventFilter(this);
    }
    ~ShrinkPreviewPage() override { QApplication::instance()->removeEventFilter(this); }

    bool shrunk = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(watched);
        if (event->type() == QEvent::ChildAdded && dialog != nullptr && dialog != m_dialog) {
            m_dialog = dialog;
            connect(dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
                if (++m_painted == m_paint) {
                    printer->setPageSize(QPageSize(QSizeF(40.0, 40.0), QPageSize::Millimeter));
                    printer->setPageMargins(QMarginsF(), QPageLayout::Millimeter);
                    shrunk = true;
                }
            });
        }
        return false;
    }

private:
    int m_paint;
    int m_painted = 0;
    QObject* m_dialog = nullptr;
};

}  // namespace

class TestPrintPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_handed.emplace(m_outside); }

    void init() {
        m_scratch = scratchDatabase();
        QFile definition(QStringLiteral("preview.rpt"));
        QVERIFY(definition.open(QIODevice::WriteOnly));
        definition.write(kDefinition);
    }
    void cleanup() {
        closePreviews();
        m_scratch.reset();
    }

    // The default destination: the real preview opens with every page of the chart, and
    // closing it ends the print without a failure and without a file.
    void previewOpensWithEveryPage() {
        QVERIFY(m_scratch->exec(chart(600)));
        int shownPages = -1;
        QString title, printsTo;
        const QObject scope;  // fires in the dialog's own event loop, once its pages are painted
        QTimer::singleShot(0, &scope, [&] {
            closePreviews([&](QPrintPreviewDialog& dialog) {
                title = dialog.windowTitle();
                printsTo = dialog.printer()->outputFormat() == QPrinter::NativeFormat
                               ? dialog.printer()->docName() + QStringLiteral(".pdf")
                               : dialog.printer()->outputFileName();
                if (auto* preview = dialog.findChild<QPrintPreviewWidget*>())
                    shownPages = preview->pageCount();
            });
        });
        report::ReportEngine engine;
        engine.setReportFileName(QStringLiteral("preview.rpt"));
        engine.load();
        engine.produce();

        QPrinter printer(QPrinter::HighResolution);  // the device the preview lays out on
        report::applyPageLayout(engine.report().definition, printer);
        const int pages = report::paginate(engine.report(), printer).pages;
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(shownPages, pages);
        QCOMPARE(title, QStringLiteral("Test Chart - Print Preview"));
        // Printing to a file proposes the chart's own name in the data folder.
        QCOMPARE(QFileInfo(printsTo).fileName(),
                 QStringLiteral("SN-0117-%1.pdf").arg(QDate::currentDate().toString(Qt::ISODate)));
        QVERIFY(!QFile::exists(QStringLiteral("chart.pdf")));
    }

    // A preview whose first painting fails closes, and the failure comes back as the report's
    // error with its number.
    void failedFirstPaintIsReported() {
        QVERIFY(m_scratch->exec(chart(10)));
        const ShrinkPreviewPage shrink(1);
        const QObject scope;  // a dialog left open fails the test instead of waiting for a person
        bool stayedOpen = false;
        QTimer::singleShot(5000, &scope, [&] {
            stayedOpen = true;
            closePreviews();
        });
        QString what;
        int number = 0;
        try {
            produce();
        } catch (const report::ReportError& error) {
            what = QString::fromUtf8(error.what());
            number = error.number();
        }
        QVERIFY(shrink.shrunk);
        QVERIFY(!stayedOpen);
        QCOMPARE(number, int(report::kPageTooSmall));
        QVERIFY2(what.contains(QStringLiteral("preview.rpt: the page holds no chart row")),
                 qPrintable(what));
        closePreviews([](QPrintPreviewDialog&) { QFAIL("a preview is still shown"); });
    }

    // A painting that fails after the first (the user chose a paper too small for a row) is
    // said in the program's message box; the dialog stays open for another choice, and
    // closing it ends the print without a failure.
    void laterFailedPaintIsSaidAndTheDialogStays() {
        QVERIFY(m_scratch->exec(chart(10)));
        const ShrinkPreviewPage shrink(2);
        Seams seams;
        seams.realPreview = true;
        bool openAfterFailure = false;
        const QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            closePreviews([&](QPrintPreviewDialog& dialog) {
                if (auto* preview = dialog.findChild<QPrintPreviewWidget*>())
                    preview->updatePreview();  // paints again, on the shrunk page
                openAfterFailure = dialog.isVisible();
            });
        });
        produce();
        QVERIFY(shrink.shrunk);
        QVERIFY(openAfterFailure);
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY2(seams.messages.first().startsWith(
                     QStringLiteral("preview.rpt: the page holds no chart row")),
                 qPrintable(seams.messages.first()));
        QVERIFY(seams.ends.isEmpty());
    }

private:
    dipsheet::app::Outside m_outside;  // the program's own preview
    std::optional<dipsheet::app::UseOutside> m_handed;

    static void produce() {
        report::ReportEngine engine;
        engine.setReportFileName(QStringLiteral("preview.rpt"));
        engine.load();
        engine.produce();
    }

    std::unique_ptr<ScratchDatabase> m_scratch;
};

DIPSHEET_APP_TEST_MAIN(TestPrintPreview)
#include "tst_printpreview.moc"
