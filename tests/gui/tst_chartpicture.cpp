// The picture beside the chart window's grid: white with no chart; the curve beside the tank
// when wide, above it when tall; a selected row puts a dot on the curve and lowers the surface.

#include <QtTest>

#include "chart/tank.h"
#include "chartpicture.h"
#include "report/report.h"

using dipsheet::app::ChartPicture;

class TestChartPicture : public QObject {
    Q_OBJECT

    // The pixels of the picture within `area` of the colour `rgb` (give or take 3).
    static int count(ChartPicture& picture, const QRect& area, QRgb rgb) {
        const QImage image = picture.grab().toImage();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb p = image.pixel(x, y);
                n += std::abs(qRed(p) - qRed(rgb)) + std::abs(qGreen(p) - qGreen(rgb)) +
                                 std::abs(qBlue(p) - qBlue(rgb)) <=
                             3
                         ? 1
                         : 0;
            }
        return n;
    }

private slots:
    void drawsTheChartAndTheSelectedRow() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
        const QDir data = QFileInfo(QString::fromLocal8Bit(qgetenv("DIPSHEET_SCHEMA"))).dir();
        QVERIFY(QFile::copy(data.filePath("indipsheet.rpt"), "indipsheet.rpt"));
        const QRgb white = qRgb(255, 255, 255), liquid = qRgb(217, 217, 241),
                   curve = qRgb(0, 0, 160), dot = qRgb(210, 70, 0);

        ChartPicture picture;
        QCOMPARE(picture.objectName(), QStringLiteral("picChart"));
        QCOMPARE(picture.focusPolicy(), Qt::NoFocus);
        picture.resize(640, 380);
        QCOMPARE(count(picture, picture.rect(), white), 640 * 380);

        const auto tank = dipsheet::chart::Tank::fromText(
            "tank=1; shape=cyl; units=in; measures=inside; striker=yes; increment=1; "
            "diameter=72; length=120; heads=2:1; tilt-fall=10; dip-at=100; decimal=.; group=,");
        QVERIFY(tank);
        const auto chart = tank->chart();
        const std::vector rows(chart.rows.begin() + 1, chart.rows.end());
        picture.setReport(dipsheet::report::chartReport("indipsheet.rpt", {}, rows,
                                                        {tank->describe(), chart.full, *tank}));
        const QRect left(0, 0, 340, 380), right(400, 0, 240, 380);
        QVERIFY(count(picture, left, curve) > 100);
        const int full = count(picture, right, liquid);
        QVERIFY(full > 1000 && count(picture, left, liquid) < 50);
        QCOMPARE(count(picture, left, dot), 0);

        picture.setSelectedRow(rows[15]);
        QVERIFY(count(picture, left, dot) > 10);
        QVERIFY(count(picture, right, liquid) < full / 2);

        picture.setSelectedRow(std::nullopt);
        picture.resize(400, 560);
        QVERIFY(count(picture, QRect(0, 0, 400, 250), curve) > 100);
        QVERIFY(count(picture, QRect(0, 0, 400, 250), liquid) < 50);
        QVERIFY(count(picture, QRect(0, 330, 400, 230), liquid) > 1000);
    }
};

QTEST_MAIN(TestChartPicture)

#include "tst_chartpicture.moc"
