// The map thread against a GUI thread that keeps changing what it asks for.
// `make test-tsan` runs this under ThreadSanitizer as well.
#include "BasinEngine.h"
#include "ModelState.h"
#include "BasinMapper.h"
#include "BasinPainter.h"
#include "SystemData.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestView2dMapper : public QObject
{
    Q_OBJECT

private slots:
    void lastChangeWinsAfterManyRestarts();
    void destroyedWhileMapsRun();
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
    BasinRequest r = ModelState::of(d).basinRequest();
    r.maxTime = kMaxTime;
    r.left = kRegion.left();
    r.right = kRegion.right();
    r.bottom = kRegion.top();
    r.top = kRegion.bottom();
    r.width = kPixels.width();
    r.height = kPixels.height();
    BasinEngine engine;
    QVERIFY(engine.run(r));
    const BasinMap expected(engine.result(), 1, BasinPainter(engine.result()));
    QCOMPARE(mapper.viewMap().image(), expected.image());
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

QTEST_GUILESS_MAIN(TestView2dMapper)
#include "tst_view2d_mapper.moc"
