// The picture beside the chart window's grid: white with no chart; the curve and the tank of a
// chart, side by side when wide and the tank below when tall; a selected row puts a dot on the
// curve and moves the tank's surface.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "chart/tank.h"
#include "chartpicture.h"
#include "report/report.h"

using dipsheet::app::ChartPicture;

namespace {

// The pixels of `image` within `area` for which `is` holds.
int count(const QImage& image, const QRect& area, bool (*is)(QRgb)) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += is(image.pixel(x, y)) ? 1 : 0;
    return n;
}
bool isCurve(QRgb p) {
    return qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) > 120;
}
// The tank's liquid, the curve's blue thinly over white (a curve's edge may come close).
bool isLiquid(QRgb p) {
    return std::abs(qRed(p) - 217) <= 3 && std::abs(qGreen(p) - 217) <= 3 &&
           std::abs(qBlue(p) - 241) <= 3;
}
bool isDot(QRgb p) {
    return qRed(p) > 150 && qGreen(p) < 140 && qBlue(p) < 100;
}
bool isWhite(QRgb p) {
    return p == qRgb(255, 255, 255);
}

}  // namespace

class TestChartPicture : public QObject {
    Q_OBJECT

private slots:
    void drawsTheChartAndTheSelectedRow() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        const QDir data = QFileInfo(QString::fromLocal8Bit(qgetenv("DIPSHEET_SCHEMA"))).dir();
        QVERIFY(QFile::copy(data.filePath("indipsheet.rpt"), "indipsheet.rpt"));

        ChartPicture picture;
        QCOMPARE(picture.objectName(), QStringLiteral("picChart"));
        QCOMPARE(picture.focusPolicy(), Qt::NoFocus);
        picture.resize(640, 380);
        const QRect all(QPoint(0, 0), picture.size());
        QCOMPARE(count(picture.grab().toImage(), all, isWhite), all.width() * all.height());

        const auto tank = dipsheet::chart::Tank::fromText(
            "tank=1; shape=cyl; units=in; measures=inside; striker=yes; increment=1; "
            "diameter=72; length=120; heads=2:1; tilt-fall=10; dip-at=100; decimal=.; group=,");
        QVERIFY(tank);
        const auto chart = tank->chart();
        const std::vector<dipsheet::chart::CapacityRow> rows(chart.rows.begin() + 1,
                                                             chart.rows.end());
        picture.setReport(dipsheet::report::chartReport("indipsheet.rpt", {}, rows,
                                                        {tank->describe(), chart.full, *tank}));

        // Wide: the curve on the left, the tank on the right.
        const QImage wide = picture.grab().toImage();
        const QRect left(0, 0, 340, 380), right(400, 0, 240, 380);
        QVERIFY(count(wide, left, isCurve) > 300);
        QVERIFY(count(wide, right, isLiquid) > 1000 && count(wide, left, isLiquid) < 50);
        QCOMPARE(count(wide, all, isDot), 0);

        // A row low in the tank: a dot on the curve, less liquid in the tank.
        picture.setSelectedRow(rows[15]);
        const QImage low = picture.grab().toImage();
        QVERIFY(count(low, left, isDot) > 10);
        QVERIFY(count(low, right, isLiquid) < count(wide, right, isLiquid) / 2);
        picture.setSelectedRow(std::nullopt);
        QVERIFY(picture.grab().toImage() == wide);

        // Tall: the tank below the curve.
        picture.resize(400, 560);
        const QImage tall = picture.grab().toImage();
        QVERIFY(count(tall, QRect(0, 0, 400, 250), isCurve) > 300);
        QVERIFY(count(tall, QRect(0, 0, 400, 250), isLiquid) < 50);
        QVERIFY(count(tall, QRect(0, 330, 400, 230), isLiquid) > 1000);
    }
};

QTEST_MAIN(TestChartPicture)

#include "tst_chartpicture.moc"
