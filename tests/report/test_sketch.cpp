// The drawing of the tank beside the curve, looked at as printed: the PDF's first page
// rasterised by poppler's pdftoppm and compared with the same chart printed without it.

#include "painters.h"
#include "render.h"
#include "report.h"

#include "chart/tank.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

using namespace dipsheet::report;
using dipsheet::chart::CapacityRow;
using dipsheet::chart::Tank;
using dipsheet::store::ChartSetup;

namespace {

constexpr int kDpi = 100;
const std::string kBase =
    "[Columns]\nDepthUnit=in\nCapacityUnit=US gal\n[Font]\nFamily=DejaVu Sans\n"
    "[Output]\nDestination=pdf\nFile=chart.pdf\n";

std::string run(const QStringList& command) {
    QProcess process;
    process.start(command.front(), command.mid(1));
    EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0)
        << qPrintable(command.join(QLatin1Char(' ')));
    return process.readAllStandardOutput().toStdString();
}

// A 2:1-headed cylinder 48 by 120 inches lying with B 12 lower and the stick 30 from A, or an
// upright one 48 wide and 72 high on a 2:1 bottom.
Tank cylinder(bool upright) {
    Tank tank;
    tank.shape = upright ? dipsheet::chart::Shape::VerticalCylinder
                         : dipsheet::chart::Shape::HorizontalCylinder;
    tank.heads.kind = dipsheet::chart::HeadKind::TwoToOne;
    tank.diameter = "48";
    tank.length = upright ? "72" : "120";
    tank.fall = upright ? "" : "12";
    tank.dipAt = upright ? "" : "30";
    tank.increment = "0.125";
    return tank;
}

bool isInk(QRgb p) {
    return qGray(p) < 235;
}
bool isLiquid(QRgb p) {
    return qRed(p) > 180 && qBlue(p) - qRed(p) > 10 && qBlue(p) - qRed(p) < 60;
}
bool isSurface(QRgb p) {
    return qBlue(p) > 120 && qBlue(p) - qRed(p) > 60;
}

// The pixels of `area` that `is` picks: how many, and the rectangle around them.
std::pair<int, QRect> find(const QImage& image, const QRect& area, bool (*is)(QRgb)) {
    std::pair<int, QRect> found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (is(image.pixel(x, y))) {
                ++found.first;
                found.second |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

// A printed chart: its first page as pixels and text, how its rows fell, and the pixel row of
// the column labels over the rows (the lowest of the words "Depth"; the axis title is above).
struct Printout {
    QImage page;
    std::string text;
    std::tuple<int, int, int, int, int> layout;
    int rowsTop = 0;
};

class SketchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
        m_handed.emplace(m_day);
    }
    void TearDown() override {
        QDir::setCurrent(m_previous);
        m_handed.reset();
    }
    // Every page dated the same day.
    struct FixedDay : Surroundings {
        QDate today() const override { return QDate(2024, 3, 5); }
    };

    // A fresh job file with `rows` and, unless none, the set-up.
    static void store(const std::vector<CapacityRow>& rows,
                      const std::optional<ChartSetup>& setup) {
        QFile::remove(QStringLiteral("QRTMembers.mdb"));
        std::ifstream in(DIPSHEET_SCHEMA, std::ios::binary);
        const std::string schema((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open("QRTMembers.mdb", &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        dipsheet::store::Database file;
        setup ? file.replaceChart(rows, *setup) : file.replaceChartRows(rows);
    }

    static Printout print(const std::string& definition) {
        std::ofstream("test.rpt", std::ios::binary) << definition;
        ReportEngine engine;
        engine.setReportFileName(QStringLiteral("test.rpt"));
        engine.load();
        engine.produce();
        QPdfWriter writer(QStringLiteral("unused.pdf"));
        applyPageLayout(engine.report().definition, writer);
        const Pagination p = paginate(engine.report(), writer);
        Printout out{
            {},
            {},
            {p.rowsPerColumnFirst, p.rowsPerColumn, p.rowsOnFirstPage, p.rowsPerPage, p.pages}};
        const QStringList first{"-f", "1", "-l", "1"};
        run(QStringList{"pdftoppm", "-png", "-r", QString::number(kDpi), "-singlefile"} + first +
            QStringList{"chart.pdf", "page"});
        out.page = QImage(QStringLiteral("page.png")).convertToFormat(QImage::Format_RGB32);
        out.text = run(QStringList{"pdftotext", "-layout"} + first + QStringList{"chart.pdf", "-"});
        const std::string words =
            run(QStringList{"pdftotext", "-bbox"} + first + QStringList{"chart.pdf", "-"});
        const std::regex depth(R"re(yMin="([0-9.]+)"[^>]*>Depth<)re");
        for (std::sregex_iterator at(words.begin(), words.end(), depth), end; at != end; ++at) {
            out.rowsTop = std::max(out.rowsTop, static_cast<int>(std::stod((*at)[1]) * kDpi / 72));
        }
        return out;
    }

    QTemporaryDir m_dir;
    FixedDay m_day;
    std::optional<UseSurroundings> m_handed;
    QString m_previous;
};

// With Draw=yes the tank is drawn in the right part of the curve's box: more ink there than the
// curve has, the measures written, the liquid's surface level however the tank lies, and the
// liquid's floor following the tank's bottom, lower at the share `lower` of the liquid's width
// than at `higher`. Nothing else moves: the rows and where they fall, every pixel below the curve.
TEST_F(SketchTest, TheTankIsDrawnBesideTheCurveAndNothingElseMoves) {
    const struct {
        Tank tank;
        std::vector<std::string> labels;
        double higher, lower;
        double deepToWide;  // the liquid's depth over its width, where that is simply known
    } cases[] = {
        // End B lower; the shell's bottom runs from a twelfth to eleven twelfths across.
        {cylinder(false), {"D 48 in", "L 120 in", "head 12 in"}, 0.15, 0.75, 0.0},
        // The bottom hangs below the shell, lowest in the middle. It holds as much as 8 inches
        // of shell (2/3 of its 12), the tank as much as 80: at 90 % (72) the surface stands 64
        // over the seam, 76 over the lowest point, on liquid 48 wide.
        {cylinder(true), {"D 48 in", "H 72 in", "bottom 12 in"}, 0.1, 0.5, 76.0 / 48.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tank.describe());
        const Tank::Chart chart = c.tank.chart();
        store({chart.rows.begin() + 1, chart.rows.end()},
              ChartSetup{c.tank.describe(), chart.full, c.tank});
        const Printout plain = print(kBase + "[Sketch]\nDraw=no\n");
        const Printout drawn = print(kBase + "[Sketch]\nDraw=yes\n");
        EXPECT_EQ(drawn.layout, plain.layout);
        EXPECT_GE(std::get<4>(drawn.layout), 2);  // pages

        ASSERT_TRUE(!drawn.page.isNull() && drawn.page.size() == plain.page.size());
        // The rows of pixels that differ, all above the rows of the chart.
        int top = -1, bottom = -1;
        for (int y = 0; y < drawn.page.height(); ++y) {
            const uchar* line = drawn.page.constScanLine(y);
            if (!std::equal(line, line + drawn.page.bytesPerLine(), plain.page.constScanLine(y))) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        ASSERT_GE(top, 0);
        EXPECT_GT(drawn.rowsTop, bottom);
        EXPECT_EQ(drawn.rowsTop, plain.rowsTop);
        // The right quarter of the page across those rows lies in the drawing's part of the box.
        const int width = drawn.page.width();
        const QRect part(width * 3 / 4, top, width / 4, bottom - top + 1);
        EXPECT_GT(find(drawn.page, part, isInk).first, 2 * find(plain.page, part, isInk).first);
        for (const std::string& label : c.labels) {
            EXPECT_NE(drawn.text.find(label), std::string::npos) << label << "\n" << drawn.text;
            EXPECT_EQ(plain.text.find(label), std::string::npos) << label;
        }

        // The liquid: the columns with more than a few pixels of it (not a blue line's edge).
        const auto column = [&](int x, int across) {
            return find(drawn.page, QRect(x, top, across, bottom - top + 1), isLiquid);
        };
        int first = width, last = -1;
        for (int x = width / 2; x < width; ++x) {
            if (column(x, 1).first >= 10) {
                first = std::min(first, x);
                last = x;
            }
        }
        ASSERT_LT(first, last) << "no liquid";
        // Its lowest pixel in a few columns about `share` across (the stick may stand there).
        const auto floorAt = [&](double share) {
            return column(first + static_cast<int>(share * (last - first)) - 3, 7).second.bottom();
        };
        EXPECT_GT(floorAt(c.lower), floorAt(c.higher) + 4);
        const QRect surface =
            find(drawn.page, QRect(first, top, last - first + 1, bottom - top + 1), isSurface)
                .second;
        EXPECT_LE(surface.height(), 4);
        EXPECT_GT(surface.width(), (last - first) / 2);
        if (c.deepToWide > 0.0) {
            EXPECT_NEAR((floorAt(0.5) - surface.center().y()) / (last - first + 1.0), c.deepToWide,
                        0.03);
        }
    }
}

// No drawing, and the curve across the whole box, for a chart stored without its set-up (an
// old file), with a set-up but no tank, and with a tank whose measures do not read.
TEST_F(SketchTest, WithoutATankThatReadsThePageIsAsBefore) {
    const Tank::Chart chart = cylinder(false).chart();
    Tank unreadable = cylinder(false);
    unreadable.diameter = "forty-eight";
    const std::optional<ChartSetup> setups[] = {
        std::nullopt,
        ChartSetup{"Horizontal cylinder", chart.full, std::nullopt},
        ChartSetup{"Horizontal cylinder", chart.full, unreadable},
    };
    for (const auto& setup : setups) {
        SCOPED_TRACE(setup ? setup->tank ? "unreadable tank" : "no tank" : "no set-up");
        store({chart.rows.begin() + 1, chart.rows.end()}, setup);
        const auto stored = dipsheet::store::Database().readChartSetup();
        ASSERT_EQ(stored && stored->tank, setup && setup->tank);
        const Printout plain = print(kBase + "[Sketch]\nDraw=no\n");
        const Printout drawn = print(kBase + "[Sketch]\nDraw=yes\n");
        EXPECT_TRUE(drawn.page == plain.page);
        EXPECT_EQ(drawn.layout, plain.layout);
    }
}

// The drawing as a window shows it, painted into an image at 96 dpi: a report of `tank` as
// the shipped definition prints it, with the fill marks of the settings (90 and 95 %).
class PictureTest : public SketchTest {
protected:
    static Report reportOf(const Tank& tank) {
        QFile::copy(QStringLiteral(DIPSHEET_DATA "/indipsheet.rpt"), QStringLiteral("pic.rpt"));
        const Tank::Chart chart = tank.chart();
        return chartReport(QStringLiteral("pic.rpt"), {},
                           {chart.rows.begin() + 1, chart.rows.end()},
                           ChartSetup{tank.describe(), chart.full, tank});
    }
    // The tank in `box` and the curve left of it on a white image.
    static QImage paint(const Report& report, const QRectF& box,
                        std::optional<CapacityRow> shown = std::nullopt) {
        QImage image(640, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const PageContext page(report, image, image.size());
        EXPECT_TRUE(paintSketch(page, painter, box, shown));
        paintCurve(page, painter, QRectF(0, 0, box.left() - 10, image.height()), shown);
        return image;
    }
    // The middle row of the pixels of `area` that `is` picks; -1 for none.
    static double middleRow(const QImage& image, const QRect& area, bool (*is)(QRgb)) {
        const auto [count, around] = find(image, area, is);
        return count == 0 ? -1.0 : around.center().y();
    }
};

// A grey line on white, however it falls across the pixels.
bool isRule(QRgb p) {
    return qRed(p) >= 110 && qRed(p) <= 235 && std::abs(qRed(p) - qGreen(p)) < 8 &&
           std::abs(qBlue(p) - qRed(p)) < 8;
}
bool isShown(QRgb p) {
    return qRed(p) > 150 && qGreen(p) < 140 && qBlue(p) < 100;
}

// The measures and the fill marks' percents stand clear of the stick (a millimetre and more)
// and of each other, inside the box, wherever the stick stands and however the box is shaped;
// the width of a rectangular tank is said to run across, not written over its top edge.
TEST_F(PictureTest, LabelsKeepClearOfTheStickAndOfEachOther) {
    const struct {
        const char* tank;
        std::vector<QString> texts;
    } cases[] = {
        {"shape=vert; units=mm; increment=10; diameter=2400; height=3000; bottom=conical; "
         "bottom-depth=600",
         {"D 2400 mm", "H 3000 mm", "bottom 600 mm", "90 %", "95 %"}},
        {"shape=rect; units=in; increment=1; length=120; width=48; height=40",
         {"H 40 in", "L 120 in, W 48 in across", "90 %", "95 %"}},
        // The stick by head B, under the head's measure.
        {"shape=cyl; units=in; increment=1; diameter=48; length=120; heads=2:1; tilt-fall=12; "
         "dip-at=118",
         {"D 48 in", "L 120 in", "head 12 in"}},
        {"shape=cyl; units=in; increment=1; diameter=48; length=120; heads=2:1",
         {"D 48 in", "L 120 in", "head 12 in", "90 %", "95 %"}},
    };
    QImage device(10, 10, QImage::Format_RGB32);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tank);
        const auto tank = Tank::fromText(
            std::string("tank=1; measures=inside; striker=yes; decimal=.; group=,; ") + c.tank);
        ASSERT_TRUE(tank);
        const Report report = reportOf(*tank);
        ASSERT_EQ(report.markDepths.size(), 2u) << report.marks.toStdString();
        const PageContext page(report, device, QSizeF(640, 400));
        for (const QRectF area :
             {QRectF(300, 20, 280, 200), QRectF(20, 20, 150, 240), QRectF(0, 0, 420, 120)}) {
            const auto placed = sketchLabels(page, area);
            ASSERT_TRUE(placed);
            const QRectF stick = QRectF(placed->stick.p1(), placed->stick.p2())
                                     .normalized()
                                     .adjusted(-page.mm, -page.mm, page.mm, page.mm);
            QStringList written;
            for (std::size_t i = 0; i < placed->labels.size(); ++i) {
                const PlacedLabel& label = placed->labels[i];
                written << label.text;
                EXPECT_FALSE(label.box.intersects(stick)) << label.text.toStdString();
                EXPECT_TRUE(area.contains(label.box)) << label.text.toStdString();
                EXPECT_FALSE(label.text.startsWith(QLatin1Char('W')));
                for (std::size_t j = i + 1; j < placed->labels.size(); ++j) {
                    EXPECT_FALSE(label.box.intersects(placed->labels[j].box))
                        << label.text.toStdString() << " / "
                        << placed->labels[j].text.toStdString();
                }
            }
            // Every measure is written; the percents where the box has room for them.
            for (const QString& text : c.texts) {
                EXPECT_TRUE(written.contains(text) ||
                            (text.endsWith(QLatin1Char('%')) && area.height() < 150))
                    << text.toStdString() << " in " << written.join(" | ").toStdString();
            }
        }
    }
}

// On an upright tank with a flat bottom, heights are drawn to one scale: the surface of three
// selected rows lies on one straight line against their depths plus the striker allowance, and
// the fill marks' dashed lines (and nothing else of them on the tank) stand where that line puts
// the marks' depths. The curve shows the selected row as a dot, further right and higher for a
// deeper row, and none without one.
TEST_F(PictureTest, TheSurfaceAndTheMarksStandAtTheirHeights) {
    Tank tank = cylinder(true);
    tank.heads = {dipsheet::chart::HeadKind::Flat, ""};
    tank.increment = "1";
    const Report report = reportOf(tank);
    ASSERT_EQ(report.markDepths.size(), 2u);
    const double striker = tank.volume().striker();
    // Two shapes of box, so that the lines fall differently across the pixels.
    for (const QRectF box : {QRectF(360, 20, 260, 360), QRectF(390, 35, 210, 291)}) {
        SCOPED_TRACE(box.height());
        // The columns of the tank's inside, clear of its walls and of the stick in its middle.
        const QImage plain = paint(report, box);
        const QRect inside = find(plain, box.toRect(), isLiquid).second;
        ASSERT_GT(inside.width(), 40);
        const QRect left(inside.left() + 3, static_cast<int>(box.top()), inside.width() / 2 - 8,
                         static_cast<int>(box.height()));

        const auto surfaceAt = [&](int depth) {
            const CapacityRow row = report.rows[static_cast<std::size_t>(depth) - 1];
            EXPECT_EQ(row.depth, static_cast<float>(depth));
            return middleRow(paint(report, box, row), left, isSurface);
        };
        const double y10 = surfaceAt(10), y40 = surfaceAt(40), y60 = surfaceAt(60);
        const double perInch = (y10 - y60) / 50.0;
        ASSERT_GT(perInch, 2.0);
        EXPECT_NEAR(y40, y10 - 30.0 * perInch, 1.0);
        const auto yOf = [&](double depth) { return y10 - (depth - 10.0) * perInch; };
        // Without a selected row, the tank stands 90 % full.
        EXPECT_NEAR(middleRow(plain, left, isSurface), yOf(0.9 * 72.0 - striker), 1.5);

        // The grey of the marks' dashed lines inside the tank, which stands low: rows of it at the
        // marks' heights and nowhere else.
        const QImage lowTank = paint(report, box, report.rows[9]);
        std::vector<int> dashed;
        for (int y = static_cast<int>(yOf(72.0 - striker)) + 3; y < yOf(-striker) - 3; ++y) {
            if (find(lowTank, QRect(left.left(), y, left.width(), 1), isRule).first >
                left.width() / 4) {
                dashed.push_back(y);
            }
        }
        ASSERT_FALSE(dashed.empty());

        for (const double depth : report.markDepths) {
            EXPECT_TRUE(std::any_of(dashed.begin(), dashed.end(),
                                    [&](int y) { return std::abs(y - yOf(depth)) <= 2.0; }))
                << "mark at " << depth;
        }
        for (const int y : dashed) {
            EXPECT_TRUE(std::any_of(report.markDepths.begin(), report.markDepths.end(),
                                    [&](double depth) { return std::abs(y - yOf(depth)) <= 3.0; }))
                << "a grey line at " << y;
        }

        const QRect curve(0, 0, static_cast<int>(box.left()), 400);
        EXPECT_EQ(find(plain, curve, isShown).first, 0);
        const QRect low = find(lowTank, curve, isShown).second;
        const QRect high = find(paint(report, box, report.rows[59]), curve, isShown).second;
        ASSERT_FALSE(low.isEmpty() || high.isEmpty());
        EXPECT_GT(high.center().x(), low.center().x() + 50);
        EXPECT_LT(high.center().y(), low.center().y() - 50);
    }
}

}  // namespace
