#include "report.h"

#include "chart/numbers.h"
#include "chart/tank.h"
#include "report/render.h"
#include "report/settings.h"

#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace dipsheet::report {

// ---- Surroundings

namespace {
Surroundings*& handedSurroundings() {
    static Surroundings real;
    static Surroundings* handed = &real;
    return handed;
}
}  // namespace

QDate Surroundings::today() const {
    return QDate::currentDate();
}

void Surroundings::preview(const Report& report) {
    throw ReportError(kOutputUnwritable,
                      QStringLiteral("%1: the report goes to the print preview but no preview is "
                                     "available; set Destination to printer or pdf in [Output]")
                          .arg(report.definitionName));
}

void Surroundings::print(const Report& report) {
    printOnDefaultPrinter(report);
}

Surroundings& surroundings() {
    return *handedSurroundings();
}

UseSurroundings::UseSurroundings(Surroundings& handed) : m_before(handedSurroundings()) {
    handedSurroundings() = &handed;
}

UseSurroundings::~UseSurroundings() {
    handedSurroundings() = m_before;
}

QDate reportDate() {
    return surroundings().today();
}

QString readSetting(const QString& path, const QString& key) {
    return readSettings(path).value(key);
}

Company readCompany(const QString& path) {
    const Settings settings = readSettings(path);
    Company company;
    company.readCleanly = settings.readCleanly;
    const auto value = [&settings](const char* key) {
        return settings.value(QStringLiteral("Company/") + QLatin1String(key)).simplified();
    };
    company.name = value("Name");
    company.address = value("Address");
    company.town = value("Town");
    company.phone = value("Phone");
    return company;
}

namespace {

// What every report takes besides its chart: the heads the set-up's tank names, the date, and
// the office when the definition asks for it.
void complete(Report& report) {
    report.depths =
        chart::depthWritingOf(report.setup ? report.setup->tank : std::nullopt,
                              report.definition.depthFormat == DepthFormat::Fraction, report.rows);
    if (report.setup && report.setup->tank) {
        const chart::Tank& tank = *report.setup->tank;
        report.heads = QString::fromStdString(tank.headsDescription());
        const DepthFormat depths = depthFormatFor(report.definition.depthFormat, tank);
        try {
            const auto marks = chart::fillMarks(
                tank.volume(),
                chart::percentList(
                    readMarkPercents(QString::fromLatin1(kSettingsFile)).toStdString(), "Marks"),
                markStep(depths, tank.inches));
            const QString unit = report.definition.capacityUnit.isEmpty()
                                     ? QString::fromLatin1(chart::volumeUnit(tank.inches))
                                     : report.definition.capacityUnit;
            report.marks = fillMarksText(marks, depths, tank.inches, unit);
            for (const chart::FillMark& mark : marks) {
                if (!mark.belowStick) {
                    report.markDepths.push_back(mark.depth);
                    report.markPercents.push_back(mark.percent);
                }
            }
        } catch (const chart::InputError&) {
            // marks the settings cannot give are left out; the chart prints as ever
        }
    }
    report.date = reportDate();
    if (report.definition.company) {
        report.company = readCompany(QString::fromLatin1(kSettingsFile));
    }
}

}  // namespace

QString readMarkPercents(const QString& path) {
    const QString percents = readSetting(path, QStringLiteral("Marks/Percent"));
    return percents.isEmpty() ? QStringLiteral("90,95") : percents;
}

QString definitionFor(bool inches) {
    return inches ? QStringLiteral("indipsheet.rpt") : QStringLiteral("mmdipsheet.rpt");
}

DepthFormat depthFormatFor(DepthFormat asked, const std::optional<chart::Tank>& tank) {
    const chart::DepthWriting rows = chart::depthWritingOf(tank, asked == DepthFormat::Fraction);
    return rows.known() && !rows.inSixtyFourths() ? DepthFormat::Decimal : asked;
}

double markStep(DepthFormat depths, bool inches) {
    if (!inches)
        return 1;
    return depths == DepthFormat::Fraction ? 0.125 : 0.01;
}

QString fillMarksText(const std::vector<chart::FillMark>& marks, DepthFormat depths, bool inches,
                      const QString& unit) {
    return fillMarksText(
        marks, [depths](float depth) { return depthText(depth, depths); }, inches, unit);
}

QString fillMarksText(const std::vector<chart::FillMark>& marks,
                      const std::function<QString(float)>& depthText, bool inches,
                      const QString& unit) {
    const QString length = inches ? QStringLiteral(" in") : QStringLiteral(" mm");
    QStringList parts;
    for (const chart::FillMark& mark : marks) {
        const QString percent =
            QString::fromStdString(chart::singleDefaultText(static_cast<float>(mark.percent)));
        if (mark.belowStick) {
            parts << QStringLiteral("%1 % below the stick").arg(percent);
            continue;
        }
        parts << QStringLiteral("%1 % at %2%3 (%4 %5)")
                     .arg(percent, depthText(static_cast<float>(mark.depth)), length,
                          QString::number(mark.volume, 'f', 1), unit);
    }
    return parts.join(QStringLiteral(", "));
}

Report loadReport(const QString& definitionFile, const store::JobDatabase& database) {
    Report report;
    report.definitionName = definitionFile;
    report.definition = readDefinition(definitionFile);
    try {
        store::Database db = database.connect();
        report.job = db.readJobRecord();
        report.rows = db.readCapacity();
        report.setup = db.readChartSetup();
    } catch (const store::StoreError& error) {
        throw ReportError(
            kDatabaseUnreadable,
            QStringLiteral("%1: cannot read the chart from %2: %3 (database error %4)")
                .arg(definitionFile, QString::fromUtf8(store::kDatabaseFile),
                     QString::fromStdString(error.what()))
                .arg(error.code()),
            error.meansDamage(), error.code());
    }
    complete(report);
    return report;
}

Report chartReport(const QString& definitionFile, store::JobRecord job,
                   std::vector<chart::CapacityRow> rows, store::ChartSetup setup, QDate made) {
    Report report;
    report.definitionName = definitionFile;
    report.definition = readDefinition(definitionFile);
    report.job = std::move(job);
    report.rows = std::move(rows);
    report.setup = std::move(setup);
    complete(report);
    if (made.isValid()) {
        report.reprinted = report.date;
        report.date = made;
    }
    return report;
}

QDate madeDate(std::string_view made) {
    return QDate::fromString(QString::fromUtf8(made.substr(0, 10)), Qt::ISODate);
}

void ReportEngine::setReportFileName(const QString& bareName) {
    m_fileName = bareName;
    m_report.reset();
}

void ReportEngine::load() {
    m_report.reset();
    m_report = loadReport(m_fileName, m_database);
}

void ReportEngine::load(store::JobRecord job, std::vector<chart::CapacityRow> rows,
                        store::ChartSetup setup, QDate made) {
    m_report.reset();
    m_report = chartReport(m_fileName, std::move(job), std::move(rows), std::move(setup), made);
}

void ReportEngine::showSiteColumns(bool ullage, bool percent) {
    if (!m_report)
        throw std::logic_error("ReportEngine: no report is loaded");
    m_report->definition.ullage = ullage;
    m_report->definition.percent = percent;
}

const Report& ReportEngine::report() const {
    if (!m_report) {
        throw std::logic_error("ReportEngine: no report is loaded");
    }
    return *m_report;
}

QString ReportEngine::produce() {
    const Report& loaded = report();
    switch (loaded.definition.destination) {
        case Destination::Pdf: {
            // Each chart its own file, unless the definition names one: a name already taken
            // (another chart of the serial number that day) gets "-2", "-3", ... so that no
            // printed chart is overwritten without a word.
            QString file = loaded.definition.file;
            if (file.isEmpty()) {
                const QString stem = QFileInfo(chartFileName(loaded, "pdf")).completeBaseName();
                file = stem + QStringLiteral(".pdf");
                for (int n = 2; QFileInfo::exists(file); ++n)
                    file = QStringLiteral("%1-%2.pdf").arg(stem).arg(n);
            }
            writePdf(loaded, file);
            return file;
        }
        case Destination::Printer:
            surroundings().print(loaded);
            break;
        case Destination::Preview:
            surroundings().preview(loaded);
            break;
    }
    return {};
}

QString chartFileStem(const QString& serialNo, const QString& customer, QDate day) {
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
    return name + QLatin1Char('-') + (day.isValid() ? day : reportDate()).toString(Qt::ISODate);
}

QString chartFileName(const Report& report, const char* suffix) {
    return chartFileStem(QString::fromStdString(report.job.serialNo),
                         QString::fromStdString(report.job.customer), report.date) +
           QLatin1Char('.') + QLatin1String(suffix);
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
