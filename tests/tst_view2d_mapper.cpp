// The map thread against a GUI thread that keeps changing what it asks for.
// `make test-tsan` runs this under ThreadSanitizer as well.
#include "BasinEngine.h"
#include "BasinMapper.h"
#include "BasinPainter.h"
#include "ModelState.h"
#include "SystemData.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

class TestView2dMapper : public QObject
{
    Q_OBJECT

private slots:
    void lastChangeWinsAfterManyRestarts();
    void destroyedWhileMapsRun();
    void returnsToComputedMapsAtOnce();
    void changedKeysAreComputedAnew();
    void pansTakeTheOverlapAndEndAsAFreshMap();
};

namespace {

const QRectF kRegion(-0.25, -0.25, 0.5, 0.5);
const QSize kPixels(48, 48);
constexpr double kMaxTime = 20.0;

void prepare(SystemData& d, BasinMapper& mapper)
{
    d.damping = 6.0; // short paths keep the maps quick under the sanitizers
    mapper.setMaxTime(kMaxTime);
    mapper.setPlateSize(32);
    mapper.setView(kRegion, kPixels);
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
}

// The image of a map computed afresh, as the mapper's view shows it.
QImage freshImage(const SystemData& d, const QRectF& region, double maxTime = kMaxTime,
                  const QSize& pixels = kPixels)
{
    BasinRequest r = ModelState::of(d).basinRequest();
    r.maxTime = maxTime;
    r.left = region.left();
    r.right = region.right();
    r.bottom = region.top();
    r.top = region.bottom();
    r.width = pixels.width();
    r.height = pixels.height();
    BasinEngine engine;
    engine.run(r);
    return BasinMap(engine.result(), 1, BasinPainter(engine.result())).image();
}

// The map of a request computed afresh, without a cache.
BasinMap freshOf(const BasinRequest& r)
{
    BasinEngine engine;
    engine.run(r);
    return BasinMap(engine.result(), 1, BasinPainter(engine.result()));
}

// Both maps complete, the view's of the region.
bool complete(const BasinMapper& mapper, const QRectF& region)
{
    return !mapper.isBusy() && mapper.viewMap().stride() == 1 &&
           mapper.viewMap().region() == region;
}

} // namespace

void TestView2dMapper::lastChangeWinsAfterManyRestarts()
{
    SystemData d;
    BasinMapper mapper;
    prepare(d, mapper);
    QSignalSpy plates(&mapper, &BasinMapper::plateMapReady);
    mapper.setEnabled(true);

    // Restarts while levels are in flight, with the plate's map taking turns
    // in front, as a drag across both views would.
    for (int i = 0; i < 40; ++i) {
        d.magnets[0].posX += 0.002;
        mapper.setModel(ModelState::of(d).physics, d.maxTheta);
        mapper.setPlateFirst(i % 7 < 3);
        QTest::qWait(i % 3);
    }
    mapper.setPlateFirst(false);
    // The last change is taken up by the time the posted events are handled;
    // from then on the mapper is idle only once both maps are complete.
    QCoreApplication::processEvents();
    QVERIFY(mapper.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(
        !mapper.isBusy() && !mapper.viewMap().isNull() && mapper.viewMap().stride() == 1, 120000);
    QVERIFY(!plates.isEmpty());
    QCOMPARE(plates.last().at(2).toInt(), 1);

    // What the view shows is the map of the model as it ended, pixel for pixel.
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion));
}

void TestView2dMapper::destroyedWhileMapsRun()
{
    // Switching off and destroying with work on the map thread leaves no
    // thread behind and delivers nothing afterwards.
    SystemData d;
    for (int i = 0; i < 6; ++i) {
        auto mapper = std::make_unique<BasinMapper>();
        prepare(d, *mapper);
        QSignalSpy levels(mapper.get(), &BasinMapper::viewMapReady);
        mapper->setEnabled(true);
        QTest::qWait(2 * i);
        if (i % 2) {
            mapper->setEnabled(false);
            const qsizetype seen = levels.size();
            QTest::qWait(20);
            QCOMPARE(levels.size(), seen);
        }
        mapper.reset();
    }
}

void TestView2dMapper::returnsToComputedMapsAtOnce()
{
    SystemData d;
    BasinMapper mapper;
    prepare(d, mapper);
    mapper.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);
    QVERIFY(!mapper.isViewFromCache());

    // Zoomed in, then back: the complete map at once, no coarse level, and
    // the same pixels as a fresh one.
    const QRectF zoomed(-0.1, -0.05, 0.2, 0.2);
    mapper.setView(zoomed, kPixels);
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, zoomed), 120000);
    QSignalSpy levels(&mapper, &BasinMapper::viewMapReady);
    QSignalSpy plates(&mapper, &BasinMapper::plateMapReady);
    QSignalSpy states(&mapper, &BasinMapper::mapStateChanged);
    mapper.setView(kRegion, kPixels);
    QCoreApplication::processEvents();
    QCOMPARE(levels.size(), 1);
    QVERIFY(complete(mapper, kRegion));
    QVERIFY(mapper.isViewFromCache());
    QCOMPARE(states.last().at(1).toInt(), 1);
    QVERIFY(states.last().at(2).toBool());
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion));
    QVERIFY(mapper.cacheBytesUsed() > 0);

    // An edit and its undo: the edit's maps are computed, the plate's too;
    // the undo brings both complete maps back at once.
    const ModelParameters before = ModelState::of(d).physics;
    const float x0 = d.magnets[0].posX;
    d.magnets[0].posX += 0.01f;
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
    QCoreApplication::processEvents();
    QVERIFY(mapper.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);
    QVERIFY(!mapper.isViewFromCache());
    QVERIFY(plates.size() > 1);
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion));
    levels.clear();
    plates.clear();
    d.magnets[0].posX = x0;
    mapper.setModel(before, d.maxTheta);
    QCoreApplication::processEvents();
    QVERIFY(complete(mapper, kRegion));
    QCOMPARE(levels.size(), 1);
    QCOMPARE(plates.size(), 1);
    QCOMPARE(plates.last().at(2).toInt(), 1);
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion));

    // A map left part way continues where it stopped, and ends as a fresh
    // one (a larger one, so that it is left within its levels).
    const QRectF other(0.0, 0.0, 0.2, 0.2);
    const QSize large(160, 160);
    mapper.setView(other, large);
    QTRY_VERIFY_WITH_TIMEOUT(mapper.viewMap().region() == other && mapper.viewMap().stride() <= 4,
                             120000);
    mapper.setView(kRegion, kPixels);
    QCoreApplication::processEvents();
    QVERIFY(complete(mapper, kRegion));
    states.clear();
    mapper.setView(other, large);
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), 120000);
    // How far it got before it was left depends on the machine's pace: a
    // map that was complete by then comes back whole, any other continues.
    const int backAt = states.first().at(1).toInt();
    QVERIFY(backAt <= 4);
    QVERIFY(states.first().at(2).toBool());
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, other), 120000);
    QCOMPARE(mapper.isViewFromCache(), backAt == 1);
    QCOMPARE(mapper.viewMap().image(), freshImage(d, other, kMaxTime, large));
}

void TestView2dMapper::changedKeysAreComputedAnew()
{
    // The time limit and a model value, each changed alone, never bring back
    // the map of the old one.
    SystemData d;
    BasinMapper mapper;
    prepare(d, mapper);
    mapper.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);

    mapper.setMaxTime(kMaxTime / 4);
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
    QCoreApplication::processEvents();
    QVERIFY(mapper.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);
    QVERIFY(!mapper.isViewFromCache());
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion, kMaxTime / 4));

    d.damping = std::nextafter(d.damping, 10.0);
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
    QCoreApplication::processEvents();
    QVERIFY(mapper.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);
    QVERIFY(!mapper.isViewFromCache());
    QCOMPARE(mapper.viewMap().image(), freshImage(d, kRegion, kMaxTime / 4));
}
void TestView2dMapper::pansTakeTheOverlapAndEndAsAFreshMap()
{
    SystemData d;
    BasinMapper mapper;
    prepare(d, mapper);
    mapper.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, kRegion), 120000);
    const QImage home = mapper.viewMap().image();

    // 10 pixels to the left and 6 up, as the view pans: its first level has
    // every pixel it shares with the map before, complete.
    const double pixelWidth = (kRegion.right() - kRegion.left()) / kPixels.width();
    const double pixelHeight = (kRegion.bottom() - kRegion.top()) / kPixels.height();
    const QRectF panned = kRegion.translated(-10 * pixelWidth, 6 * pixelHeight);
    QSignalSpy levels(&mapper, &BasinMapper::viewMapReady);
    mapper.setView(panned, kPixels);
    QTRY_VERIFY_WITH_TIMEOUT(!levels.isEmpty(), 120000);
    const BasinMap first = levels.first().at(0).value<BasinMap>();
    QVERIFY(first.stride() > 1);
    for (int j = 6; j < kPixels.height(); ++j)
        for (int i = 10; i < kPixels.width(); ++i)
            QCOMPARE(first.image().pixel(i, j), home.pixel(i - 10, j - 6));

    // Complete, it is the map of its grid computed afresh, bit for bit.
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, panned), 120000);
    QCOMPARE(mapper.viewRequest().column, std::int64_t(-10));
    QCOMPARE(mapper.viewRequest().row, std::int64_t(-6));
    QVERIFY(mapper.viewMap().pixels() == freshOf(mapper.viewRequest()).pixels());
    QCOMPARE(mapper.viewMap().image(), freshOf(mapper.viewRequest()).image());

    // Back: the complete map at once.
    levels.clear();
    mapper.setView(kRegion, kPixels);
    QCoreApplication::processEvents();
    QCOMPARE(levels.size(), 1);
    QVERIFY(complete(mapper, kRegion) && mapper.isViewFromCache());

    // A model changed with the pan takes no pixel of the maps before: the
    // first level has the coarsest pixels alone.
    d.damping = std::nextafter(d.damping, 10.0);
    levels.clear();
    mapper.setModel(ModelState::of(d).physics, d.maxTheta);
    mapper.setView(panned, kPixels);
    QTRY_VERIFY_WITH_TIMEOUT(!levels.isEmpty(), 120000);
    const BasinMap changed = levels.first().at(0).value<BasinMap>();
    const int stride = changed.stride();
    for (int j = 0; j < kPixels.height(); ++j)
        for (int i = 0; i < kPixels.width(); ++i) {
            const std::int16_t a = changed.pixels()[std::size_t(j * kPixels.width() + i)];
            QCOMPARE(a != BasinResult::kNotComputed, i % stride == 0 && j % stride == 0);
        }
    QTRY_VERIFY_WITH_TIMEOUT(complete(mapper, panned), 120000);
    QCOMPARE(mapper.viewMap().image(), freshOf(mapper.viewRequest()).image());
}

QTEST_GUILESS_MAIN(TestView2dMapper)
#include "tst_view2d_mapper.moc"
