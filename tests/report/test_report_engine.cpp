#include "render.h"
#include "report.h"
#include "settings.h"
#include "wholefile.h"

#include "chart/tank.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <span>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace dipsheet::report;

namespace {

using Rows = std::vector<std::pair<float, float>>;

struct Job {
    std::string member = "Acme Tank Works";
    std::string customer = "Riverside Fuel\nDock Road";
    std::string tankDesc = "Horizontal cylinder\r\n48 in x 96 in";
    std::string serialNo = "SN-0117";
};

// The definition every test starts from: inch columns, fractions, a PDF in the working folder.
const std::string kBase =
    "; test layout\n"
    "[Report]\n"
    "Title=Test Chart\n"
    "DateFormat=d MMMM yyyy\n"
    "Units=inches and US gallons\n"
    "[Columns]\n"
    "DepthUnit=in\n"
    "CapacityUnit=US gal\n"
    "DepthFormat=fraction\n"
    "Pairs=3\n"
    "[Page]\n"
    "Paper=A4\n"
    "[Font]\n"
    "Family=DejaVu Sans\n"
    "[Output]\n"
    "Destination=pdf   ; no dialog\n"
    "File=chart.pdf\n";

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    }
    return process.readAllStandardOutput().toStdString();
}

// The text of a PDF as pdftotext lays it out; one page, or all when `page` is 0.
std::string pdfText(const QString& path, int page = 0) {
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0) {
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    }
    arguments << path << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), arguments);
}

int pdfPages(const QString& path) {
    const std::string info = run(QStringLiteral("pdfinfo"), {path});
    std::smatch match;
    if (!std::regex_search(info, match, std::regex(R"(Pages:\s+(\d+))"))) {
        ADD_FAILURE() << "no page count in " << info;
        return -1;
    }
    return std::stoi(match[1]);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A printed row: its depth and volume texts next to each other, as whole cells.
std::regex rowPattern(const QString& depth, const QString& volume) {
    const auto quote = [](const QString& s) {
        return std::regex_replace(s.toStdString(), std::regex(R"([.+\-/()])"), R"(\$&)");
    };
    return std::regex("(^|\\s)" + quote(depth) + "\\s+" + quote(volume) + "(\\s|$)");
}

bool hasRow(const std::string& text, const char* depth, const char* volume) {
    return std::regex_search(text, rowPattern(QString::fromUtf8(depth), QString::fromUtf8(volume)));
}

// The texts of a line that stand apart by two blanks or more (a cell may hold one blank).
std::vector<std::string> cellsOf(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t at = line.find_first_not_of(' ');
    while (at != std::string::npos) {
        std::size_t end = line.find("  ", at);
        cells.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    return cells;
}

// The number of the first line matching `pattern`, or -1.
int lineOf(const std::vector<std::string>& lines, const std::regex& pattern) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (std::regex_search(lines[i], pattern)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Depths in eighths of an inch, each with a volume of its own.
Rows eighths(int count) {
    Rows rows;
    for (int i = 1; i <= count; ++i) {
        rows.emplace_back(static_cast<float>(i) / 8.0f, static_cast<float>(i) * 1.25f + 0.5f);
    }
    return rows;
}

// The report's surroundings as a test plays them: the day fixed, the preview and the printer
// the test's own when it gives them (else the engine's: no preview, the default printer).
struct PlayedSurroundings : Surroundings {
    std::function<void(const Report&)> onPreview;
    std::function<void(const Report&)> onPrint;
    QDate today() const override { return QDate(2024, 3, 5); }
    void preview(const Report& report) override {
        onPreview ? onPreview(report) : Surroundings::preview(report);
    }
    void print(const Report& report) override {
        onPrint ? onPrint(report) : Surroundings::print(report);
    }
};

class ReportEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
        m_handed.emplace(m_surroundings);
    }

    void TearDown() override {
        QDir::setCurrent(m_previous);
        m_handed.reset();
    }

    // QRTMembers.mdb in the working folder, made from the shipped schema, holding the job
    // record and the rows in this order.
    static void makeDatabase(const Rows& rows, const Job& job = {}) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                  nullptr),
                  SQLITE_OK);
        const auto exec = [db](const std::string& sql) {
            char* error = nullptr;
            EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
                << (error != nullptr ? error : "");
            sqlite3_free(error);
        };
        exec(readText(DIPSHEET_SCHEMA));
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "UPDATE mrQRT SET mrQRTMember=?1, mrCustomer=?2, mrTankDesc=?3, "
                           "mrSerialNo=?4",
                           -1, &statement, nullptr);
        const std::string fields[] = {job.member, job.customer, job.tankDesc, job.serialNo};
        for (int i = 0; i < 4; ++i) {
            sqlite3_bind_text(statement, i + 1, fields[i].c_str(), -1, SQLITE_TRANSIENT);
        }
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
        exec("BEGIN");
        sqlite3_prepare_v2(db, "INSERT INTO Capacity(Depth, Capacity) VALUES(?1, ?2)", -1,
                           &statement, nullptr);
        for (const auto& [depth, volume] : rows) {
            sqlite3_bind_double(statement, 1, static_cast<double>(depth));
            sqlite3_bind_double(statement, 2, static_cast<double>(volume));
            EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
        exec("COMMIT");
        sqlite3_close_v2(db);
    }

    static void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }

    // Loads and produces the definition `name`; returns the engine for its report. The file
    // a PDF went to is `written`.
    static ReportEngine produce(const std::string& name) {
        ReportEngine engine;
        engine.setReportFileName(QString::fromStdString(name));
        engine.load();
        written = engine.produce();
        return engine;
    }
    static inline QString written;

    // Expects the engine to fail on `name`, in load or produce, with `number`; returns what().
    static std::string failure(const std::string& name, int number) {
        try {
            produce(name);
        } catch (const ReportError& error) {
            EXPECT_EQ(error.number(), number) << error.what();
            // Only a failure of the job database carries the engine's code, for its way out.
            EXPECT_EQ(error.databaseCode() != 0, number == kDatabaseUnreadable) << error.what();
            return error.what();
        }
        ADD_FAILURE() << name << " did not fail";
        return {};
    }

    // Pagination of a loaded report on the PDF writer that writePdf uses.
    static Pagination pagination(const Report& report) {
        QPdfWriter writer(QStringLiteral("unused.pdf"));
        applyPageLayout(report.definition, writer);
        return paginate(report, writer);
    }

    QTemporaryDir m_dir;
    PlayedSurroundings m_surroundings;
    std::optional<UseSurroundings> m_handed;
    QString m_previous;
};

// Under the heading: heads other than flat by name, as the stored tank has them, and the chart's
// set-up with the full tank in the definition's volume decimals; a chart without a stored set-up
// prints neither line.
TEST_F(ReportEngineTest, HeadingNamesTheHeadsAndTheChartSetup) {
    makeDatabase({{0.0f, 0.0f}, {1.0f, 2.0f}});
    const std::vector<dipsheet::chart::CapacityRow> rows{{1.0f, 2.0f}};
    dipsheet::chart::Tank tank;
    tank.heads.kind = dipsheet::chart::HeadKind::TwoToOne;
    tank.diameter = "48";
    dipsheet::store::Database().replaceChart(
        rows, {"Rectangular tank; inside Length 10", 21.64352, tank});
    writeFile("test.rpt", kBase + "[Columns]\nVolumeDecimals=2\n");
    produce("test.rpt");
    std::string text = pdfText(QStringLiteral("chart.pdf"));
    for (const char* expected : {"Heads:", "2:1 Ellipsoidal heads, depth 12",
                                 "Rectangular tank; inside Length 10; full 21.64 US gal"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    dipsheet::store::Database().deleteChartRows();
    produce("test.rpt");
    text = pdfText(QStringLiteral("chart.pdf"));
    EXPECT_EQ(text.find("Heads:"), std::string::npos) << text;
    EXPECT_EQ(text.find("Rectangular tank"), std::string::npos) << text;
}

// A page laid out in fractions prints a chart stepped by .1 as people typed it: each depth
// rounded to a tenth, never in 64ths, though its running sum drifts in the last digits.
TEST_F(ReportEngineTest, DepthsPrintAsTheIncrementSteps) {
    makeDatabase({{0.0f, 0.0f}});
    dipsheet::chart::Tank tank;
    tank.shape = dipsheet::chart::Shape::VerticalCylinder;
    tank.diameter = "48";
    tank.length = "48";
    tank.increment = ".1";
    tank.striker = false;
    const dipsheet::chart::Tank::Chart chart = tank.chart();
    const std::vector<dipsheet::chart::CapacityRow> rows(chart.rows.begin() + 1, chart.rows.end());
    ASSERT_NE(dipsheet::chart::singleText(rows[96].depth), "9.7");  // the sum has drifted
    dipsheet::store::Database().replaceChart(rows, {"Vertical", chart.full, tank});
    writeFile("test.rpt", kBase);
    produce("test.rpt");
    const std::string text = pdfText(QStringLiteral("chart.pdf"));
    for (const char* depth : {"9.7", "37.5", "47.7", "48"})
        EXPECT_NE(text.find(depth), std::string::npos) << depth;
    for (const char* drift : {"9.700001", "47.69984", "37 1/2", " 1/2 "})
        EXPECT_EQ(text.find(drift), std::string::npos) << drift << "\n" << text;
}

TEST_F(ReportEngineTest, PrintsTheHeadingAndTheRows) {
    makeDatabase({{0.0f, 0.0f}, {0.125f, 0.16951725f}, {10.125f, 42.5f}, {47.984375f, 751.0625f}});
    writeFile("test.rpt", kBase);
    produce("test.rpt");

    ASSERT_TRUE(QFile::exists(QStringLiteral("chart.pdf")));
    EXPECT_EQ(pdfPages(QStringLiteral("chart.pdf")), 1);
    const std::string text = pdfText(QStringLiteral("chart.pdf"));
    for (const char* expected :
         {"Test Chart", "Acme Tank Works", "Customer:", "Description:", "Serial number:", "SN-0117",
          "5 March 2024", "inches and US gallons", "Page 1 of 1"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // Line breaks in the customer and the description are kept (CR LF as well as LF).
    const auto lines = linesOf(text);
    const int riverside = lineOf(lines, std::regex("Riverside Fuel"));
    const int dock = lineOf(lines, std::regex("Dock Road"));
    ASSERT_GE(riverside, 0);
    EXPECT_EQ(dock, riverside + 1) << text;
    const int cylinder = lineOf(lines, std::regex("Horizontal cylinder"));
    ASSERT_GE(cylinder, 0);
    EXPECT_EQ(lineOf(lines, std::regex("48 in x 96 in")), cylinder + 1) << text;
    EXPECT_EQ(text.find("\r"), std::string::npos);

    EXPECT_TRUE(hasRow(text, "0", "0")) << text;
    EXPECT_TRUE(hasRow(text, "1/8", "0.1695172")) << text;  // as the grid shows 0.16951725
    EXPECT_TRUE(hasRow(text, "10 1/8", "42.5")) << text;
    EXPECT_TRUE(hasRow(text, "47 63/64", "751.0625")) << text;
}

TEST_F(ReportEngineTest, LongDescriptionKeepsTheSerialNumberAndTheRows) {
    Job job;
    job.tankDesc.clear();
    for (int line = 1; line <= 40; ++line) {
        job.tankDesc += "Description line " + std::to_string(line) + "\n";
    }
    makeDatabase(eighths(400), job);
    writeFile("test.rpt", kBase);
    const ReportEngine engine = produce("test.rpt");

    const std::string first = pdfText(QStringLiteral("chart.pdf"), 1);
    EXPECT_NE(first.find("Description line 1\n"), std::string::npos) << first;
    EXPECT_EQ(first.find("Description line 40"), std::string::npos) << first;
    EXPECT_NE(first.find("SN-0117"), std::string::npos) << first;
    EXPECT_GE(pagination(engine.report()).rowsPerColumnFirst, 10);
    EXPECT_TRUE(hasRow(first, "1/8", "1.75")) << first;
}

TEST_F(ReportEngineTest, RowsAtOrBelowZeroDepthPrintInTableOrder) {
    makeDatabase({{0.0f, 0.0f}, {-1.5f, 7.25f}, {0.5f, 2.75f}, {0.1f, 3.5f}});
    writeFile("test.rpt", kBase);
    produce("test.rpt");

    const auto lines = linesOf(pdfText(QStringLiteral("chart.pdf")));
    const int zero = lineOf(lines, rowPattern(QStringLiteral("0"), QStringLiteral("0")));
    const int negative =
        lineOf(lines, rowPattern(QStringLiteral("-1 1/2"), QStringLiteral("7.25")));
    const int half = lineOf(lines, rowPattern(QStringLiteral("1/2"), QStringLiteral("2.75")));
    const int tenth = lineOf(lines, rowPattern(QStringLiteral("0.1"), QStringLiteral("3.5")));
    ASSERT_GE(zero, 0);
    EXPECT_EQ(negative, zero + 1);
    EXPECT_EQ(half, zero + 2);
    EXPECT_EQ(tenth, zero + 3);  // not a 1/64 step: decimal
}

TEST_F(ReportEngineTest, LongChartRunsDownEachColumnThenAcrossOnNumberedPages) {
    const Rows rows = eighths(1500);
    makeDatabase(rows);
    writeFile("test.rpt", kBase);
    const ReportEngine engine = produce("test.rpt");
    const Pagination layout = pagination(engine.report());
    const QString pdf = QStringLiteral("chart.pdf");

    ASSERT_GE(layout.pages, 3);
    EXPECT_EQ(pdfPages(pdf), layout.pages);
    EXPECT_EQ(layout.rowsOnFirstPage, 3 * layout.rowsPerColumnFirst);
    EXPECT_LT(layout.rowsOnFirstPage, layout.rowsPerPage);  // the curve takes its share

    const auto text = [&](int page) { return pdfText(pdf, page); };
    const auto cell = [&](std::size_t i) {
        return rowPattern(depthText(rows[i].first, DepthFormat::Fraction),
                          volumeText(rows[i].second, kShortestVolume));
    };
    // Every row exactly once, on the page its position gives it.
    std::vector<std::string> pages;
    for (int page = 1; page <= layout.pages; ++page) {
        pages.push_back(text(page));
        EXPECT_NE(pages.back().find("Page " + std::to_string(page) + " of " +
                                    std::to_string(layout.pages)),
                  std::string::npos);
    }
    // (depth, volume) cells side by side on each page → the pages they stand on.
    std::map<std::pair<std::string, std::string>, std::vector<int>> printed;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (const std::string& line : linesOf(pages[p])) {
            const auto cells = cellsOf(line);
            for (std::size_t c = 0; c + 1 < cells.size(); c += 2) {
                printed[{cells[c], cells[c + 1]}].push_back(static_cast<int>(p));
            }
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int index = static_cast<int>(i);
        const int page = index < layout.rowsOnFirstPage
                             ? 0
                             : 1 + (index - layout.rowsOnFirstPage) / layout.rowsPerPage;
        const std::pair<std::string, std::string> row{
            depthText(rows[i].first, DepthFormat::Fraction).toStdString(),
            volumeText(rows[i].second, kShortestVolume).toStdString()};
        EXPECT_EQ(printed[row], std::vector<int>{page}) << "row " << i;
    }
    // Down then across: rows 0, R and 2R share the first line of the first page, in that order.
    const std::size_t r = static_cast<std::size_t>(layout.rowsPerColumnFirst);
    const auto firstPage = linesOf(pages[0]);
    const int line = lineOf(firstPage, cell(0));
    ASSERT_GE(line, 0);
    EXPECT_EQ(lineOf(firstPage, cell(r)), line);
    EXPECT_EQ(lineOf(firstPage, cell(2 * r)), line);
    EXPECT_EQ(lineOf(firstPage, cell(r - 1)), line + layout.rowsPerColumnFirst - 1);
    std::smatch a, b;
    const std::string& first = firstPage[static_cast<std::size_t>(line)];
    ASSERT_TRUE(std::regex_search(first, a, cell(r)));
    ASSERT_TRUE(std::regex_search(first, b, cell(2 * r)));
    EXPECT_LT(a.position(), b.position());
    // The last row closes the last page.
    EXPECT_TRUE(std::regex_search(pages.back(), cell(rows.size() - 1)));
}

TEST_F(ReportEngineTest, CurveOnTheFirstPageOnlyAndOnlyWhenAsked) {
    makeDatabase(eighths(600));
    writeFile("curve.rpt", kBase);
    writeFile("plain.rpt", kBase + "[Curve]\nDraw=no\n");

    const ReportEngine withCurve = produce("curve.rpt");
    // The curve's depth axis is the one place "Depth (in)" stands on one line.
    EXPECT_NE(pdfText(QStringLiteral("chart.pdf"), 1).find("Depth (in)"), std::string::npos);
    EXPECT_EQ(pdfText(QStringLiteral("chart.pdf"), 2).find("Depth (in)"), std::string::npos);

    const ReportEngine plain = produce("plain.rpt");
    EXPECT_EQ(pdfText(QStringLiteral("chart.pdf"), 1).find("Depth (in)"), std::string::npos);
    EXPECT_EQ(pagination(plain.report()).rowsOnFirstPage, pagination(plain.report()).rowsPerPage);
    EXPECT_GT(pagination(plain.report()).rowsOnFirstPage,
              pagination(withCurve.report()).rowsOnFirstPage);
}

TEST_F(ReportEngineTest, DecimalDepthsAndFixedVolumeDecimals) {
    makeDatabase({{10.125f, 42.5f}, {0.3f, 1.23456f}, {2.0f, 1.005f}});
    std::string text = kBase;
    text.replace(text.find("DepthFormat=fraction"), 20, "DepthFormat=decimal");
    writeFile("test.rpt", text + "[Columns]\nVolumeDecimals=2\n");
    produce("test.rpt");
    text = pdfText(QStringLiteral("chart.pdf"));
    EXPECT_TRUE(hasRow(text, "10.125", "42.50")) << text;
    EXPECT_TRUE(hasRow(text, "0.3", "1.23")) << text;
    EXPECT_TRUE(hasRow(text, "2", "1.00")) << text;
    EXPECT_EQ(text.find("1/8"), std::string::npos);
}

// The shipped layouts: their units, volumes to 2 decimals, depths that are no 1/64 step as the
// grid shows them, and the curve's divisions in plain digits.
TEST_F(ReportEngineTest, ShippedLayoutsPrintTheirUnits) {
    makeDatabase({{0.0f, 0.0f}, {0.70000005f, 1.0000001f}, {10.125f, 42.5f}, {20.0f, 5e8f}});
    const auto toPdf = [](std::string text) {
        const std::string from = "Destination=preview";
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos);
        return text.replace(at, from.size(), "Destination=pdf");
    };
    writeFile("indipsheet.rpt", toPdf(readText(DIPSHEET_DATA "/indipsheet.rpt")));
    writeFile("mmdipsheet.rpt", toPdf(readText(DIPSHEET_DATA "/mmdipsheet.rpt")));

    // The shipped layouts name no file: each chart's PDF is named for it and the day.
    produce("indipsheet.rpt");
    EXPECT_EQ(written, QStringLiteral("SN-0117-2024-03-05.pdf"));
    std::string text = pdfText(written);
    EXPECT_NE(text.find("(US gal)"), std::string::npos) << text;
    EXPECT_NE(text.find("Depth (in)"), std::string::npos) << text;
    EXPECT_NE(text.find("March 5, 2024"), std::string::npos) << text;
    EXPECT_TRUE(hasRow(text, "10 1/8", "42.50")) << text;
    EXPECT_TRUE(hasRow(text, "0.7", "1.00")) << text;
    EXPECT_NE(text.find("500,000,000"), std::string::npos) << text;
    EXPECT_EQ(text.find("e+08"), std::string::npos) << text;

    produce("mmdipsheet.rpt");
    EXPECT_EQ(written, QStringLiteral("SN-0117-2024-03-05-2.pdf"));  // the first one kept
    text = pdfText(written);
    EXPECT_NE(text.find("(L)"), std::string::npos) << text;
    EXPECT_NE(text.find("Depth (mm)"), std::string::npos) << text;
    EXPECT_EQ(text.find("US gal"), std::string::npos) << text;
    EXPECT_TRUE(hasRow(text, "10.125", "42.50")) << text;
    EXPECT_TRUE(hasRow(text, "0.7", "1.00")) << text;
}

TEST_F(ReportEngineTest, PreviewAndPrinterGoThroughTheirHandlers) {
    makeDatabase(eighths(10));
    int previews = 0;
    int prints = 0;
    m_surroundings.onPreview = [&](const Report& report) {
        ++previews;
        EXPECT_EQ(report.rows.size(), 10u);
        EXPECT_EQ(report.job.serialNo, "SN-0117");
        EXPECT_EQ(report.date, QDate(2024, 3, 5));
    };
    m_surroundings.onPrint = [&](const Report&) { ++prints; };

    writeFile("preview.rpt", "[Output]\nDestination=preview\n");
    writeFile("printer.rpt", "[Output]\nDestination=printer\n");
    produce("preview.rpt");
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(prints, 0);
    produce("printer.rpt");
    EXPECT_EQ(prints, 1);
    EXPECT_FALSE(QFile::exists(QStringLiteral("chart.pdf")));
}

// Output that cannot be made comes back as a ReportError with its number: the printer
// destination without a default printer, and the preview destination where no preview was
// registered (the engine has no window of its own), which writes nothing either.
TEST_F(ReportEngineTest, NoPrinterAndNoPreviewAreReported) {
    makeDatabase(eighths(10));
    ASSERT_TRUE(QPrinterInfo::defaultPrinter().isNull());  // main() hides the machine's printers
    writeFile("printer.rpt", "[Output]\nDestination=printer\n");
    std::string what = failure("printer.rpt", kNoPrinter);
    EXPECT_NE(what.find("printer.rpt: the report goes to the printer but there is no default "
                        "printer"),
              std::string::npos)
        << what;

    writeFile("preview.rpt", "[Output]\nDestination=preview\n");
    what = failure("preview.rpt", kOutputUnwritable);
    EXPECT_NE(what.find("preview.rpt: the report goes to the print preview but no preview is "
                        "available"),
              std::string::npos)
        << what;
    EXPECT_FALSE(QFile::exists(QStringLiteral("chart.pdf")));
}

TEST_F(ReportEngineTest, MissingDefinitionFailsAndLeavesNothingLoaded) {
    makeDatabase(eighths(3));
    writeFile("test.rpt", kBase);
    ReportEngine engine;
    engine.setReportFileName(QStringLiteral("test.rpt"));
    engine.load();
    ASSERT_TRUE(engine.isLoaded());

    engine.setReportFileName(QStringLiteral("nothere.rpt"));
    try {
        engine.load();
        FAIL() << "loaded a missing definition";
    } catch (const ReportError& error) {
        EXPECT_EQ(error.number(), kDefinitionUnreadable);
        EXPECT_NE(std::string(error.what()).find("nothere.rpt"), std::string::npos);
    }
    EXPECT_FALSE(engine.isLoaded());
    EXPECT_THROW(engine.produce(), std::logic_error);
    EXPECT_FALSE(QFile::exists(QStringLiteral("chart.pdf")));
}

TEST_F(ReportEngineTest, BadValueAndBrokenLineNameFileAndLine) {
    makeDatabase(eighths(3));
    writeFile("fax.rpt",
              "[Report]\nTitle=x\n\n[Output]\nDestination=fax   ; preview | printer | pdf\n");
    std::string what = failure("fax.rpt", kBadValue);
    EXPECT_NE(what.find("fax.rpt, line 5: "), std::string::npos) << what;
    EXPECT_NE(what.find("\"fax\""), std::string::npos) << what;

    writeFile("broken.rpt", "[Report]\nTitle=x\nPaper A4\n");
    what = failure("broken.rpt", kMalformedLine);
    EXPECT_NE(what.find("broken.rpt, line 3: "), std::string::npos) << what;

    writeFile("unknown.rpt", "[Report]\nTitel=x\n");
    what = failure("unknown.rpt", kUnknownName);
    EXPECT_NE(what.find("unknown.rpt, line 2: "), std::string::npos) << what;
    EXPECT_FALSE(QFile::exists(QStringLiteral("chart.pdf")));
}

TEST_F(ReportEngineTest, DatabaseFaultsAreReportErrors) {
    writeFile("test.rpt", kBase);
    std::string what = failure("test.rpt", kDatabaseUnreadable);
    EXPECT_NE(what.find("QRTMembers.mdb"), std::string::npos) << what;
    EXPECT_FALSE(QFile::exists(QStringLiteral("QRTMembers.mdb")));  // never created

    makeDatabase(eighths(3));
    sqlite3* db = nullptr;
    sqlite3_open("QRTMembers.mdb", &db);
    sqlite3_exec(db, "DELETE FROM mrQRT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    failure("test.rpt", kDatabaseUnreadable);
}

TEST_F(ReportEngineTest, UnwritablePdfIsNamed) {
    makeDatabase(eighths(3));
    std::string text = kBase;
    text.replace(text.find("File=chart.pdf"), 14, "File=no such folder/chart.pdf");
    writeFile("nowhere.rpt", text);
    const std::string what = failure("nowhere.rpt", kOutputUnwritable);
    EXPECT_NE(what.find("no such folder/chart.pdf"), std::string::npos) << what;
}

TEST_F(ReportEngineTest, PageWithoutRoomFailsBeforeTouchingTheFile) {
    makeDatabase(eighths(3));
    writeFile("chart.pdf", "the previous chart");
    writeFile("cramped.rpt",
              kBase +
                  "[Page]\nOrientation=landscape\nMarginTop=60mm\nMarginBottom=60mm\n"
                  "[Curve]\nHeight=40mm\n[Font]\nSize=20\n");
    const std::string what = failure("cramped.rpt", kPageTooSmall);
    EXPECT_NE(what.find("cramped.rpt"), std::string::npos) << what;
    EXPECT_EQ(readText("chart.pdf"), "the previous chart");
}

TEST_F(ReportEngineTest, PairsTooNarrowForTheirTextsAreRefused) {
    makeDatabase(eighths(3));
    std::string text = kBase;
    text.replace(text.find("Pairs=3"), 7, "Pairs=8");
    text.replace(text.find("Paper=A4"), 8, "Paper=A5\nMarginLeft=1.5in\nMarginRight=1.5in");
    text += "[Curve]\nDraw=no\n";
    writeFile("narrow.rpt", text);
    const std::string what = failure("narrow.rpt", kPageTooSmall);
    EXPECT_NE(what.find("too narrow for 8 column pairs"), std::string::npos) << what;
    // With the site's columns the groups are fewer than Pairs; a page narrower than one is
    // refused, not printed past its edge.
    dipsheet::chart::Tank tank;
    tank.increment = std::string("12");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    const auto chart = tank.chart();
    dipsheet::store::Database().replaceChart(std::span(chart.rows).subspan(1),
                                             {tank.describe(), chart.full, tank});
    text.replace(text.find("Pairs=8"), 7, "Pairs=8\nUllage=yes\nPercent=yes");
    writeFile("narrow.rpt", text + "[Font]\nSize=16\n");
    const std::string site = failure("narrow.rpt", kPageTooSmall);
    EXPECT_NE(site.find("too narrow for the ullage and percent columns"), std::string::npos)
        << site;
}

TEST_F(ReportEngineTest, ADefinitionThatIsNoRegularFileIsRefusedWithoutWaiting) {
    makeDatabase(eighths(3));
    ASSERT_EQ(::mkfifo("pipe.rpt", 0600), 0);  // opening a pipe to read would wait for a writer
    const std::string what = failure("pipe.rpt", kDefinitionUnreadable);
    EXPECT_NE(what.find("not a regular file"), std::string::npos) << what;
}

}  // namespace

namespace {

// Where each cell of a pdftotext line ends: a right-aligned text stops there.
std::vector<std::size_t> cellEnds(const std::string& line) {
    std::vector<std::size_t> ends;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (line[at] != ' ' && (at + 1 == line.size() || line[at + 1] == ' ')) {
            ends.push_back(at + 1);
        }
    }
    return ends;
}

// A chart from 1/8 to 48 1/2 inches by eighths: every whole inch once, in order, on numbered
// pages under the labels; each volume under the label of its eighth, blank where the chart
// has no row (the 0 of the first inch, the eighths past 48 1/2).
TEST_F(ReportEngineTest, EighthsLayoutPrintsALinePerWholeInch) {
    makeDatabase(eighths(8 * 48 + 4));  // depth i/8 holds i * 1.25 + 0.5
    writeFile("test.rpt", kBase + "[Columns]\nLayout=eighths\nVolumeDecimals=2\n");
    const Pagination layout = pagination(produce("test.rpt").report());
    ASSERT_EQ(layout.pages, 2);
    ASSERT_EQ(pdfPages(QStringLiteral("chart.pdf")), 2);
    using Cells = std::vector<std::string>;  // the inch, then the volume at each eighth
    std::vector<std::pair<int, Cells>> printed;
    for (int page = 1; page <= 2; ++page) {
        const auto lines = linesOf(pdfText(QStringLiteral("chart.pdf"), page));
        const int labels =
            lineOf(lines, std::regex(R"(\s0\s+1/8\s+1/4\s+3/8\s+1/2\s+5/8\s+3/4\s+7/8$)"));
        ASSERT_GE(labels, 0);
        EXPECT_GT(lineOf(lines, std::regex("Page " + std::to_string(page) + " of 2")), labels);
        const auto labelEnds = cellEnds(lines[static_cast<std::size_t>(labels)]);
        const std::vector<std::size_t> columns(labelEnds.end() - 8, labelEnds.end());
        const auto off = [](std::size_t a, std::size_t b) { return a > b ? a - b : b - a; };
        for (auto line = lines.begin() + labels + 1; line != lines.end(); ++line) {
            const Cells cells = cellsOf(*line);
            if (cells.empty() || !std::regex_match(cells[0], std::regex(R"(\d+)"))) {
                continue;
            }
            Cells row(9);
            row[0] = cells[0];
            const auto ends = cellEnds(*line);
            for (std::size_t c = 1; c < cells.size(); ++c) {
                std::size_t best = 0;
                for (std::size_t e = 1; e < 8; ++e) {
                    best = off(ends[c], columns[e]) < off(ends[c], columns[best]) ? e : best;
                }
                row[best + 1] = cells[c];
            }
            printed.emplace_back(page, row);
        }
    }
    ASSERT_EQ(printed.size(), 49u);
    for (int inch = 0; inch <= 48; ++inch) {
        const auto& [page, cells] = printed[static_cast<std::size_t>(inch)];
        EXPECT_EQ(cells[0], std::to_string(inch));
        EXPECT_EQ(page, inch < layout.rowsOnFirstPage ? 1 : 2) << inch;
    }
    EXPECT_EQ(printed[0].second,
              (Cells{"0", "", "1.75", "3.00", "4.25", "5.50", "6.75", "8.00", "9.25"}));
    EXPECT_EQ(printed[10].second, (Cells{"10", "100.50", "101.75", "103.00", "104.25", "105.50",
                                         "106.75", "108.00", "109.25"}));
    EXPECT_EQ(printed[48].second,
              (Cells{"48", "480.50", "481.75", "483.00", "484.25", "485.50", "", "", ""}));
}

// A chart that cannot be read by eighths prints as the list, with a line that says why.
TEST_F(ReportEngineTest, EighthsFallBackToTheListAndSayWhy) {
    const std::vector<std::tuple<Rows, std::string, std::string, const char*>> cases = {
        {{{0.1f, 1.0f}, {0.2f, 2.0f}},
         "in",
         "the depth 0.1 is not a whole multiple of 1/8 inch.",
         "0.2"},
        {{{1.0f, 1.0f}, {2.0f, 2.0f}}, "mm", "the depths are in mm.", "2"},
        {{{0.5f, 1.0f}, {-0.25f, 2.0f}}, "in", "the depth -0.25 is below 0.", "-0.25"},
        {{{0.5f, 1.0f}, {0.5f, 2.0f}}, "in", "two rows have the depth 0.5.", "0.5"},
    };
    for (const auto& [rows, unit, says, depth] : cases) {
        SCOPED_TRACE(says);
        QFile::remove(QStringLiteral("QRTMembers.mdb"));
        makeDatabase(rows);
        writeFile("test.rpt", "[Columns]\nLayout=eighths\nVolumeDecimals=2\nDepthUnit=" + unit +
                                  "\n[Output]\nDestination=pdf\n");
        produce("test.rpt");
        const std::string text = pdfText(written);
        EXPECT_NE(text.find("Printed as a list, not by eighths of an inch: " + says),
                  std::string::npos)
            << text;
        EXPECT_TRUE(hasRow(text, depth, "2.00")) << text;
        EXPECT_EQ(text.find("7/8"), std::string::npos) << text;  // no eighth labels
    }
}

// Company=yes prints the office from dipsheet.ini above the title; without the file, or with
// Company=no, nothing of it is printed and nothing fails.
TEST_F(ReportEngineTest, CompanyFromTheSettingsFileStandsAboveTheTitle) {
    makeDatabase(eighths(3));
    writeFile("company.rpt", kBase + "[Report]\nCompany=yes\n");
    writeFile("plain.rpt", kBase);
    const QString pdf = QStringLiteral("chart.pdf");
    const std::regex titleFirst(R"(^\s*Test Chart\n)");
    produce("company.rpt");
    EXPECT_TRUE(std::regex_search(pdfText(pdf), titleFirst));
    // An unquoted value with a comma, no Phone, and another group with the same keys.
    writeFile("dipsheet.ini",
              "[Splash]\nName=Not this one\n[Company]\nName = Hill & Sons Tank Calibration\n"
              "Address=12 Dock Road, Unit 4\nTown=Westbury\n");
    produce("company.rpt");
    const std::string text = pdfText(pdf);
    EXPECT_TRUE(
        std::regex_search(text, std::regex("^\\s*Hill & Sons Tank Calibration\\n\\s*12 Dock "
                                           "Road, Unit 4 \u00B7 Westbury\\s*Test Chart\\n")))
        << text;
    produce("plain.rpt");
    EXPECT_TRUE(std::regex_search(pdfText(pdf), titleFirst));
}

}  // namespace

// At the site on paper: the fill marks end the set-up line; Ullage and Percent add their
// columns to each group of the list, and only when asked; the eighths table gives way to the
// list for them, saying why.
TEST_F(ReportEngineTest, SiteColumnsAndFillMarks) {
    dipsheet::chart::Tank tank;
    tank.striker = false;
    tank.increment = std::string("12");
    tank.diameter = std::string("48");
    tank.length = std::string("120");
    const auto chart = tank.chart();
    makeDatabase({{0.0f, 0.0f}});
    dipsheet::store::Database().replaceChart(std::span(chart.rows).subspan(1),
                                             {tank.describe(), chart.full, tank});
    const std::string columns = "[Columns]\nVolumeDecimals=2\n";
    writeFile("plain.rpt", kBase + columns);
    produce("plain.rpt");
    std::string text = pdfText(QStringLiteral("chart.pdf"));
    // 95 % of 48 x 120 in is at 43.329 in: the mark stops at the eighth below
    EXPECT_NE(text.find("95 % at 43 1/4 in (891.8 US gal)"), std::string::npos) << text;
    EXPECT_NE(text.find("90 % at"), std::string::npos) << text;
    EXPECT_EQ(text.find("Ullage"), std::string::npos);
    EXPECT_EQ(text.find("% Full"), std::string::npos);

    writeFile("site.rpt", kBase + columns + "Ullage=yes\nPercent=yes\n");
    produce("site.rpt");
    text = pdfText(QStringLiteral("chart.pdf"));
    EXPECT_NE(text.find("Ullage"), std::string::npos) << text;
    EXPECT_NE(text.find("% Full"), std::string::npos) << text;
    // the row at 24 in holds half the tank: as much again would fit
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(24\s+469\.98\s+469\.98\s+50\.0)"))) << text;
    // five rows fill the first of three groups: the others stand empty and unlabelled
    const auto count = [&text](const std::string& word) {
        std::size_t n = 0;
        for (std::size_t at = text.find(word); at != std::string::npos;
             at = text.find(word, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("Ullage"), 1u) << text;
    EXPECT_EQ(count("% Full"), 1u) << text;

    // Five-figure volumes at eighths: the columns of a group take the room their widest text
    // needs, so fewer groups stand across the page than Pairs asks, and none is squeezed; plain
    // pairs keep the Pairs asked.
    dipsheet::chart::Tank large = tank;
    large.increment = std::string("0.125");
    large.diameter = std::string("120");
    large.length = std::string("480");
    const auto big = large.chart();
    for (const char* name : {"plain.rpt", "site.rpt"}) {
        SCOPED_TRACE(name);
        const Report report =
            chartReport(QString::fromLatin1(name), {}, {big.rows.begin() + 1, big.rows.end()},
                        {large.describe(), big.full, large});
        QPdfWriter writer(QStringLiteral("unused.pdf"));
        applyPageLayout(report.definition, writer);
        const ListLayout layout = listLayout(report, writer);
        if (!report.definition.ullage) {
            EXPECT_EQ(layout.groups, 3);
            continue;
        }
        EXPECT_EQ(layout.groups, 2);
        ASSERT_EQ(layout.widest.size(), 4u);
        ASSERT_EQ(layout.room.size(), 4u);
        for (std::size_t column = 0; column < 4; ++column)
            EXPECT_GE(layout.room[column], layout.widest[column]) << "column " << column;
        EXPECT_GT(layout.widest[1], layout.widest[3]);  // "23499.12" against "100.0"
    }

    writeFile("eighths.rpt", kBase + columns + "Layout=eighths\nUllage=yes\n");
    produce("eighths.rpt");
    EXPECT_NE(
        pdfText(QStringLiteral("chart.pdf")).find("ullage and percent columns print in the list"),
        std::string::npos);
}

// The set-up line's marks as a dipstick reads them: rounded down to the step shown, so the tank
// filled to the mark holds at most its percent, with the volume at the depth shown; a percent
// the first reading passes is below the stick. Worked: a 48 x 96 in cylinder with the striker
// plate holds 95 % at 43.079 in; 100 x 1000 mm with 6 mm of striker holds 2.45 % under it; 48 x
// 120 in falling 10 in to B and dipped at A holds 6.2 % at reading 0.
TEST(FillMarksText, MarksStopAtOrBelowTheirLevel) {
    dipsheet::chart::Tank cyl;
    cyl.increment = std::string("1");
    cyl.diameter = std::string("48");
    cyl.length = std::string("96");
    dipsheet::chart::Tank mm = cyl;
    mm.inches = false;
    mm.diameter = std::string("100");
    mm.length = std::string("1000");
    dipsheet::chart::Tank tilted = cyl;
    tilted.striker = false;
    tilted.length = std::string("120");
    tilted.fall = std::string("10");
    tilted.dipAt = std::string("0");
    const struct {
        const dipsheet::chart::Tank& tank;
        DepthFormat depths;
        std::vector<double> percents;
        QString text;
    } cases[] = {
        {cyl, DepthFormat::Fraction, {95}, "95 % at 43 in (713.4 US gal)"},
        {cyl, DepthFormat::Decimal, {95}, "95 % at 43.07 in (714.3 US gal)"},
        {mm,
         DepthFormat::Decimal,
         {1, 2, 50},
         "1 % below the stick, 2 % below the stick, 50 % at 44 mm (3.9 L)"},
        {tilted, DepthFormat::Fraction, {5, 7}, "5 % below the stick, 7 % at 1/2 in (65."},
    };
    for (const auto& c : cases) {
        const QString unit = QString::fromLatin1(dipsheet::chart::volumeUnit(c.tank.inches));
        const QString text =
            fillMarksText(dipsheet::chart::fillMarks(c.tank.volume(), c.percents,
                                                     markStep(c.depths, c.tank.inches)),
                          c.depths, c.tank.inches, unit);
        EXPECT_TRUE(text.startsWith(c.text)) << text.toStdString();
    }
}

// A reprint of a chart of the history is dated the day it was made, and says the day of the
// reprint below; a Made text that is no date dates it today, as a chart printed when made.
TEST_F(ReportEngineTest, ReprintIsDatedTheDayTheChartWasMade) {
    writeFile("plain.rpt", kBase);
    EXPECT_EQ(madeDate("2019-11-30 16:45:09"), QDate(2019, 11, 30));
    EXPECT_FALSE(madeDate("made by hand").isValid());
    EXPECT_FALSE(madeDate("").isValid());
    std::vector<dipsheet::chart::CapacityRow> chartRows;
    for (const auto& [depth, volume] : eighths(16))
        chartRows.push_back({depth, volume});
    ReportEngine engine;
    engine.setReportFileName(QStringLiteral("plain.rpt"));
    engine.load({}, chartRows, {}, madeDate("2019-11-30 16:45:09"));
    EXPECT_EQ(engine.report().date, QDate(2019, 11, 30));
    EXPECT_EQ(engine.report().reprinted, QDate(2024, 3, 5));
    engine.produce();
    const auto lines = linesOf(pdfText(QStringLiteral("chart.pdf")));
    const auto has = [&lines](const std::string& words) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(words) != std::string::npos;
        });
    };
    EXPECT_TRUE(has("30 November 2019")) << pdfText(QStringLiteral("chart.pdf"));
    EXPECT_TRUE(has("Reprinted:"));
    EXPECT_TRUE(has("5 March 2024"));

    engine.load({}, chartRows, {}, madeDate("made by hand"));
    EXPECT_EQ(engine.report().date, QDate(2024, 3, 5));
    EXPECT_FALSE(engine.report().reprinted.isValid());
}

// A chart by volume prints as a list, each group the capacity then the depth, on a page laid
// out by eighths too (its depths fall between them), and says why.
TEST_F(ReportEngineTest, ChartByVolumePrintsTheCapacityFirst) {
    makeDatabase({{0.0f, 0.0f}});
    dipsheet::chart::Tank tank;
    tank.shape = dipsheet::chart::Shape::Rectangular;
    tank.byVolume = true;
    tank.striker = false;
    tank.increment = "10";
    tank.length = tank.width = tank.height = "24";
    const dipsheet::chart::Tank::Chart chart = tank.chart();
    const std::vector<dipsheet::chart::CapacityRow> rows(chart.rows.begin() + 1, chart.rows.end());
    dipsheet::store::Database().replaceChart(rows, {tank.describe(), chart.full, tank});
    writeFile("test.rpt", kBase + "[Columns]\nLayout=eighths\nVolumeDecimals=2\n");
    produce("test.rpt");
    const std::string text = pdfText(QStringLiteral("chart.pdf"));
    EXPECT_NE(text.find("Printed as a list, not by eighths of an inch: the chart steps by volume"),
              std::string::npos)
        << text;
    const auto lines = linesOf(text);
    // The list's headings over the one group its six rows fill (not the curve's axes).
    EXPECT_GE(lineOf(lines, std::regex("^\\s*Capacity\\s+Depth\\s*$")), 0) << text;
    EXPECT_EQ(lineOf(lines, std::regex("^\\s*Depth\\s+Capacity")), -1) << text;
    // 10 US gal stand a little over 4 in deep in a 24 in square tank.
    ASSERT_EQ(static_cast<int>(rows[0].depth), 4);
    EXPECT_TRUE(std::regex_search(text, std::regex("(^|\\s)10\\.00\\s+4[ .0-9/]*\\s"))) << text;
    EXPECT_EQ(text.find("7/8  "), std::string::npos) << text;  // no eighth labels
}

// Every file the program writes (dipsheet.ini, a PDF, a CSV chart or gauge table) is written
// whole, never through a link planted under its name: a link, dangling or not, or a device is
// refused with a message, nothing outside touched; a write cut short (the file size limit here,
// as a full disk) is said, the file as it was and no temporary file left.
TEST_F(ReportEngineTest, NoFileWrittenThroughALinkAndAFailedWriteSaid) {
    writeFile("plain.rpt", kBase);
    ReportEngine engine;
    engine.setReportFileName(QStringLiteral("plain.rpt"));
    engine.load({}, {{1.0f, 2.0f}, {2.0f, 5.0f}}, {}, QDate(2024, 3, 5));
    const std::function<QString(const QString&)> writers[] = {
        [](const QString& path) {
            QString why;
            const bool written = writeSetting(path, QStringLiteral("Chart"),
                                              QStringLiteral("Ullage"), QStringLiteral("y"), &why);
            return written == why.isEmpty() ? why : QStringLiteral("no reason");
        },
        [&engine](const QString& path) {
            try {
                writePdf(engine.report(), path);
            } catch (const ReportError& error) {
                return QString::fromUtf8(error.what());
            }
            return QString();
        },
        [](const QString& path) { return writeWholeFile(path, "Depth,Capacity\n1,2\n"); },
    };
    const std::string outside = QDir::current().filePath(QStringLiteral("outside")).toStdString();
    const auto entries = [] { return QDir::current().entryList(QDir::Hidden | QDir::Files); };
    const QString name = QStringLiteral("written");
    for (const auto& write : writers) {
        writeFile(outside, "kept");
        ASSERT_EQ(symlink(outside.c_str(), "written"), 0);
        EXPECT_TRUE(write(name).contains(QStringLiteral("written is a link")));
        EXPECT_EQ(readText(outside), "kept");
        std::remove(outside.c_str());  // dangling now
        EXPECT_TRUE(write(name).contains(QStringLiteral("written is a link")));
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(outside)));
        std::remove("written");
        EXPECT_TRUE(write(QStringLiteral("/dev/full")).contains(QStringLiteral("not an ordinary")));
        writeFile("written", "[Old]\n");  // written, keeping the permissions of the file
        ASSERT_EQ(chmod("written", 0640), 0);
        const QStringList before = entries();
        struct stat made {};
        EXPECT_TRUE(write(name).isEmpty() && lstat("written", &made) == 0 &&
                    S_ISREG(made.st_mode) && (made.st_mode & 0777) == 0640);
        EXPECT_NE(readText("written"), "[Old]\n");
        writeFile("written", "[Old]\n");
        rlimit limit{}, small{};
        getrlimit(RLIMIT_FSIZE, &limit);
        small = {8, limit.rlim_max};
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const QString said = write(name);
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, oldSignal);
        EXPECT_TRUE(said.contains(QStringLiteral("cannot be written"))) << said.toStdString();
        EXPECT_EQ(readText("written"), "[Old]\n");
        EXPECT_EQ(entries(), before);  // no temporary file left
        std::remove("written");
    }
}
