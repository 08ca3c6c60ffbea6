#include "MapStatusText.h"

#include <QTest>

class TestView2dStatusText : public QObject
{
    Q_OBJECT

private slots:
    void scaleIsPlaneUnitsPerPixel();
    void mapStateFollowsTheLevelAndTheCache();
};

void TestView2dStatusText::scaleIsPlaneUnitsPerPixel()
{
    MapStatusText status;
    status.setView(QRectF(-2.0, -1.0, 4.0, 2.0), QSize(800, 400));
    QCOMPARE(status.text(), QStringLiteral("0.005 per px"));
    // A deep zoom keeps its significant digits.
    status.setView(QRectF(0.1, 0.1, 1.234e-9, 1e-9), QSize(1000, 800));
    QCOMPARE(status.text(), QStringLiteral("1.23e-12 per px"));
    // A view without pixels yet shows no scale of nonsense.
    status.setView(QRectF(0, 0, 1, 1), QSize(0, 0));
    QCOMPARE(status.text(), QStringLiteral("0 per px"));
}

void TestView2dStatusText::mapStateFollowsTheLevelAndTheCache()
{
    MapStatusText status;
    status.setView(QRectF(0, 0, 1, 1), QSize(100, 100));
    status.setCacheUse(std::size_t(3) << 19, std::size_t(256) << 20);
    status.setMapState(8, false);
    QCOMPARE(status.text(), QStringLiteral("0.01 per px · map 1:8 · cache 1.5 of 256.0 MiB"));
    status.setMapState(1, false);
    QCOMPARE(status.text(), QStringLiteral("0.01 per px · map complete · cache 1.5 of 256.0 MiB"));
    status.setMapState(2, true);
    QCOMPARE(status.text(),
             QStringLiteral("0.01 per px · map 1:2 (cached) · cache 1.5 of 256.0 MiB"));
    // Switched off: no map state, and a cache of no capacity says nothing.
    status.setMapState(0, false);
    status.setCacheUse(0, 0);
    QCOMPARE(status.text(), QStringLiteral("0.01 per px"));
}

QTEST_GUILESS_MAIN(TestView2dStatusText)
#include "tst_view2d_statustext.moc"
