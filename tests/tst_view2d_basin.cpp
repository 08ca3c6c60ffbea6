// The basin map under the 2D view, and the view's zoom and pan: rendered for real
// (Xvfb + Mesa), the maps computed by the engine on its threads. Views of the
// smallest size and a strong damping keep the maps quick.

#define QTEST_QPA_MOUSE_HANDLING
#include "BasinMapper.h"
#include "BasinPainter.h"
#include "Experiment.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "Pixels.h"
#include "PrivateShaders.h"
#include "SystemData.h"
#include "ViewPixels.h"
#include "ViewRadius.h"
#include "Wheel.h"

#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace {

constexpr QRgb white = 0xffffff, black = 0;
constexpr int kMapWait = 60000; // ms; a generous bound on a small map, on a busy machine

// Regions of a view and of its map agree to a millionth of their size, far below
// a pixel, or to the rounding of their coordinates: the map's comes back through
// the engine's left, right, bottom and top.
bool sameRegion(const QRectF& a, const QRectF& b)
{
    const double scale = std::max(
        {std::abs(a.left()), std::abs(a.right()), std::abs(a.top()), std::abs(a.bottom())});
    const double tolerance = 1e-6 * std::max(a.width(), a.height()) + 4 * DBL_EPSILON * scale;
    return std::abs(a.left() - b.left()) < tolerance && std::abs(a.top() - b.top()) < tolerance &&
           std::abs(a.width() - b.width()) < tolerance &&
           std::abs(a.height() - b.height()) < tolerance;
}

} // namespace

class TestView2dBasin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void mapLiesUnderMagnetsAndPath();
    void mapFollowsTheModel();
    void mapFollowsADragAtItsCoarseLevels();
    void levelsInFlightNeverShowOnceSwitchedOff();
    void oldMapMovesWithThePanUntilTheNewOne();
    void zoomKeepsThePointUnderTheCursor();
    void pickingAndDraggingWorkWhenZoomed();
    void deepZoomKeepsTheMapInPlace();

private:
    void makeView(int w, int h, bool withMapper);
    // The view's complete map, once it has come.
    bool mapComplete() const
    {
        return !mapper->viewMap().isNull() && mapper->viewMap().stride() == 1 &&
               sameRegion(mapper->viewMap().region(), view->viewRegion());
    }
    // Where the view draws the plane point (x, y), from its own window.
    QPointF toPixel(double x, double y) const { return viewPixel(*view, x, y); }
    QPoint magnetPixel(int i) const
    {
        return toPixel(data->magnets[i].posX, data->magnets[i].posY).toPoint();
    }
    // The plane point under the cursor at p, as the view reports it.
    QPointF worldAt(QPoint p);
    // A drag with Ctrl and the left button: a pan.
    void pan(QPoint from, QPoint to)
    {
        QTest::mousePress(view.get(), Qt::LeftButton, Qt::ControlModifier, from);
        QTest::mouseMove(view.get(), to);
        QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::ControlModifier, to);
    }

    std::unique_ptr<SystemData> data;
    std::unique_ptr<Experiment> experiment;
    std::unique_ptr<ModelEditor> editor;
    std::unique_ptr<BasinMapper> mapper;
    std::unique_ptr<OpenGL2d> view;
    QTemporaryDir shaderDir;
};

void TestView2dBasin::init()
{
    QVERIFY(usePrivateShaders(shaderDir));
    data = std::make_unique<SystemData>();
    data->damping = 6.0;
    experiment = std::make_unique<Experiment>(data.get());
    editor = std::make_unique<ModelEditor>(data.get(), experiment.get());
    mapper = std::make_unique<BasinMapper>();
    mapper->setMaxTime(20.0);
    mapper->setPlateSize(32);
}

void TestView2dBasin::cleanup()
{
    view.reset();
    mapper.reset();
    editor.reset();
    experiment.reset();
    data.reset();
}

void TestView2dBasin::makeView(int w, int h, bool withMapper)
{
    view = std::make_unique<OpenGL2d>(viewSurfaceFormat(), data.get());
    connect(view.get(), &OpenGL2d::releaseRequested, experiment.get(), &Experiment::release);
    connect(experiment.get(), &Experiment::pathChanged, view.get(), &OpenGL2d::UpdateTraj);
    connect(view.get(), &OpenGL2d::magnetDragged, editor.get(), &ModelEditor::moveMagnet);
    if (withMapper) {
        connect(view.get(), &OpenGL2d::viewChanged, mapper.get(), &BasinMapper::setView);
        connect(mapper.get(), &BasinMapper::viewMapReady, view.get(), &OpenGL2d::setBasinMap);
        connect(mapper.get(), &BasinMapper::cleared, view.get(), &OpenGL2d::clearBasinMap);
    }
    view->resize(w, h);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->grabFramebuffer();
}

QPointF TestView2dBasin::worldAt(QPoint p)
{
    QSignalSpy cursor(view.get(), &OpenGL2d::cursorMoved);
    QTest::mouseMove(view.get(), p + QPoint(1, 0));
    QTest::mouseMove(view.get(), p);
    if (cursor.isEmpty())
        return {qQNaN(), qQNaN()};
    return {cursor.last().at(0).toDouble(), cursor.last().at(1).toDouble()};
}

void TestView2dBasin::mapLiesUnderMagnetsAndPath()
{
    makeView(300, 300, true);
    view->setLegendVisible(false);
    QVERIFY(mapper->viewMap().isNull());
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
    const BasinMap map = mapper->viewMap();
    QCOMPARE(map.image().size(), QSize(300, 300));

    // The map fills the view pixel for pixel, upright, except under the magnets.
    const QImage frame = view->grabFramebuffer();
    const double radius = data->magnetSize / data->viewHalfHeight * 150.0 + 1.5;
    int covered = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            if (rgbAt(frame, {x, y}) == rgbAt(map.image(), {x, y})) {
                ++covered;
                continue;
            }
            bool onMagnet = false;
            for (int i = 0; i < data->magnets.size(); ++i)
                onMagnet = onMagnet || QLineF(QPointF(x, y),
                                              toPixel(data->magnets[i].posX, data->magnets[i].posY))
                                               .length() < radius;
            QVERIFY2(onMagnet, qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    QVERIFY(covered > 300 * 300 * 9 / 10);

    // In the magnets' colours: each one's pixel shows its own channel, and the hover
    // text names it.
    for (int i = 0; i < 3; ++i) {
        const QRgb c = map.image().pixel(magnetPixel(i));
        const int channels[] = {qRed(c), qGreen(c), qBlue(c)};
        QVERIFY2(channels[i] > 100 && channels[(i + 1) % 3] == 0, qPrintable(QString::number(i)));
        QVERIFY(map.describeAt(data->magnets[i].posX, data->magnets[i].posY)
                    .startsWith(QStringLiteral("Caught by magnet %1 after ").arg(i)));
    }
    QVERIFY(map.describeAt(1.0, 0.0).isEmpty());

    // A click still draws the white path, over the map.
    const QPoint start(40, 250);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, start);
    QImage withPath = view->grabFramebuffer();
    QVERIFY(colourNear(withPath, start, white, 1));
    QVERIFY(withPath != frame);

    // The legend: one row per magnet, shares adding up to the whole map, drawn in the
    // lower left corner only.
    const std::vector<BasinLegend::Entry> rows = [&] {
        BasinLegend legend;
        legend.setMap(map);
        return legend.entries();
    }();
    QCOMPARE(int(rows.size()), 3);
    double total = 0.0;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i].label, QStringLiteral("Magnet %1").arg(i));
        QCOMPARE(rows[i].colour.rgb(), map.colour(i));
        QVERIFY(rows[i].share > 0.05);
        total += rows[i].share;
    }
    QVERIFY(std::abs(total - 1.0) < 1e-9);
    view->setLegendVisible(true);
    const QImage withLegend = view->grabFramebuffer();
    QVERIFY(withLegend.copy(0, 240, 60, 60) != withPath.copy(0, 240, 60, 60));
    QCOMPARE(withLegend.copy(0, 0, 300, 200), withPath.copy(0, 0, 300, 200));

    // Switched off, the view is its plain self again.
    mapper->setEnabled(false);
    QVERIFY(mapper->viewMap().isNull());
    QCOMPARE(rgbAt(view->grabFramebuffer(), {290, 5}), black);
}

void TestView2dBasin::mapFollowsTheModel()
{
    makeView(300, 300, true);
    QSignalSpy plate(mapper.get(), &BasinMapper::plateMapReady);
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
    const QImage before = mapper->viewMap().image();

    // The plate's map follows the view's, over the square of maxTheta, coarse
    // levels first.
    const auto plateDone = [&plate] { return !plate.isEmpty() && plate.last().at(2).toInt() == 1; };
    QTRY_VERIFY_WITH_TIMEOUT(plateDone(), kMapWait);
    const double r = viewRadius(data->pendulumLength, data->maxTheta);
    QVERIFY(plate.first().at(2).toInt() > 1);
    QCOMPARE(plate.last().at(0).value<QImage>().size(), QSize(32, 32));
    QCOMPARE(plate.last().at(1).toRectF(), QRectF(-r, -r, 2 * r, 2 * r));
    QTRY_VERIFY(!mapper->isBusy());

    // Magnet 0 moves into another magnet's basin: the map follows, and there now
    // magnet 0 catches the bob.
    const float x = -0.1f, y = 0.05f;
    QVERIFY(!mapper->viewMap().describeAt(x, y).startsWith("Caught by magnet 0"));
    const QImage firstPlate = plate.last().at(0).value<QImage>();
    plate.clear();
    data->magnets[0].posX = x;
    data->magnets[0].posY = y;
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete() && mapper->viewMap().image() != before, kMapWait);
    QVERIFY(mapper->viewMap().describeAt(x, y).startsWith("Caught by magnet 0"));
    QTRY_VERIFY_WITH_TIMEOUT(plateDone(), kMapWait);
    QVERIFY(plate.last().at(0).value<QImage>() != firstPlate);

    // Another view of the same model leaves the plate's map as it is.
    plate.clear();
    QTest::mouseMove(view.get(), QPoint(60, 45));
    sendWheel(view.get(), QPointF(60, 45), 120);
    QVERIFY(!sameRegion(mapper->viewMap().region(), view->viewRegion()));
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete() && !mapper->isBusy(), kMapWait);
    QCOMPARE(plate.count(), 0);

    // While the 3D view shows, the plate's map comes before the view's.
    QSignalSpy viewLevels(mapper.get(), &BasinMapper::viewMapReady);
    int viewLevelsBeforePlate = -1;
    const auto order = connect(mapper.get(), &BasinMapper::plateMapReady, this,
                               [&](const QImage&, const QRectF&, int stride) {
                                   if (stride == 1)
                                       viewLevelsBeforePlate = int(viewLevels.count());
                               });
    mapper->setPlateFirst(true);
    data->magnets[0].posX = 0.05f;
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    QTRY_VERIFY_WITH_TIMEOUT(viewLevelsBeforePlate >= 0, kMapWait);
    QCOMPARE(viewLevelsBeforePlate, 0);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete() && viewLevels.count() > 0, kMapWait);
    disconnect(order);
}

void TestView2dBasin::mapFollowsADragAtItsCoarseLevels()
{
    // The first level takes tens of milliseconds here, far longer than the moves
    // come apart: restarting on every move would never show a map during the drag.
    data->damping = 1.0;
    makeView(800, 600, true);
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(!mapper->viewMap().isNull(), kMapWait);
    const int coarsest = mapper->viewMap().stride();
    QVERIFY(coarsest >= 16);

    // A coarse level shows each computed pixel as the block below and right of it,
    // in the colour of what that pixel does.
    const BasinMap first = mapper->viewMap();
    const QRectF region = first.region();
    const BasinPainter painter = [&] {
        BasinResult shades;
        shades.request = ModelState::of(*data).basinRequest();
        shades.request.maxTime = 20.0;
        shades.attractors = first.attractors();
        return BasinPainter(shades);
    }();
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 5) {
            const QPoint corner(x - x % coarsest, y - y % coarsest);
            QCOMPARE(first.image().pixel(x, y), first.image().pixel(corner));
            int attractor = 0;
            float time = 0.0f;
            QVERIFY(first.sampleAt(region.left() + (x + 0.5) / 800 * region.width(),
                                   region.bottom() - (y + 0.5) / 600 * region.height(), attractor,
                                   time));
            QCOMPARE(first.image().pixel(corner), painter.colour(attractor, time));
        }
    QSignalSpy levels(mapper.get(), &BasinMapper::viewMapReady);

    // Magnet 1 goes into magnet 0's broad basin on the left, a move every few
    // milliseconds, and stays there.
    const float x0 = data->magnets[1].posX, y0 = data->magnets[1].posY;
    const float x1 = -0.12f, y1 = 0.0f;
    QVERIFY(mapper->viewMap().describeAt(x1, y1).startsWith("Caught by magnet 0"));
    // The drag goes on until a few levels have come, at whatever pace they come.
    QElapsedTimer drag;
    drag.start();
    for (int step = 0; step <= 200 || (levels.count() < 3 && drag.elapsed() < kMapWait); ++step) {
        const float f = std::min(1.0f, float(step) / 200.0f);
        data->magnets[1].posX = x0 + f * (x1 - x0);
        data->magnets[1].posY = y0 + f * (y1 - y0);
        mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
        QTest::qWait(5);
    }
    QVERIFY2(levels.count() >= 3, qPrintable(QString::number(levels.count())));
    for (const auto& level : levels)
        QCOMPARE(level.at(0).value<BasinMap>().stride(), coarsest);

    // The drag stops: the map refines, with the magnet's basin where it is now.
    QTRY_VERIFY_WITH_TIMEOUT(mapper->viewMap().stride() < coarsest, kMapWait);
    QVERIFY(mapper->viewMap().describeAt(x1, y1).startsWith("Caught by magnet 1"));
}

void TestView2dBasin::levelsInFlightNeverShowOnceSwitchedOff()
{
    mapper->setView(QRectF(-0.1, -0.1, 0.2, 0.2), QSize(40, 40));
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY(mapper->isBusy());
    // The engine posts its levels while this thread looks away; a generous wait lets
    // the whole small map arrive in the queue.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    QSignalSpy shown(mapper.get(), &BasinMapper::viewMapReady);
    QSignalSpy plate(mapper.get(), &BasinMapper::plateMapReady);
    mapper->setEnabled(false);
    QTest::qWait(200);
    QCOMPARE(shown.count(), 0);
    QCOMPARE(plate.count(), 0);
    QVERIFY(mapper->viewMap().isNull());
    QVERIFY(!mapper->isBusy());
}

void TestView2dBasin::oldMapMovesWithThePanUntilTheNewOne()
{
    makeView(300, 300, true);
    view->setLegendVisible(false);
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
    const BasinMap map = mapper->viewMap();
    // From here the view keeps the map it has.
    disconnect(mapper.get(), &BasinMapper::viewMapReady, view.get(), &OpenGL2d::setBasinMap);

    QSignalSpy releases(view.get(), &OpenGL2d::releaseRequested);
    pan({150, 150}, {170, 140});
    QCOMPARE(releases.count(), 0);

    // Shifted by the drag, the old map shows where it was computed; the part of the
    // view it does not cover is empty.
    const QImage frame = view->grabFramebuffer();
    int same = 0;
    for (int y = 0; y < 290; y += 5)
        for (int x = 20; x < 300; x += 5)
            same += rgbAt(frame, {x, y}) == rgbAt(map.image(), {x - 20, y + 10}) ? 1 : 0;
    QVERIFY2(same > 58 * 56 * 9 / 10, qPrintable(QString::number(same)));
    QCOMPARE(rgbAt(frame, {5, 60}), black);
    QCOMPARE(rgbAt(frame, {250, 295}), black);
    // Meanwhile the map of what is shown now is on its way.
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
}

void TestView2dBasin::zoomKeepsThePointUnderTheCursor()
{
    makeView(300, 300, false);
    const QPoint p(70, 250);
    const QPointF before = worldAt(p);
    QSignalSpy changed(view.get(), &OpenGL2d::viewChanged);

    sendWheel(view.get(), p, 3 * 120);
    QCOMPARE(changed.count(), 1);
    QVERIFY(std::abs(view->zoom() - 1.25 * 1.25 * 1.25) < 1e-12);
    QCOMPARE(changed.last().at(0).toRectF(), view->viewRegion());
    QCOMPARE(changed.last().at(1).toSize(), QSize(300, 300));
    QVERIFY(std::abs(view->viewRegion().height() * view->zoom() - 2 * data->maxRadius) < 1e-12);
    const QPointF after = worldAt(p);
    QVERIFY(std::abs(after.x() - before.x()) < 1e-15);
    QVERIFY(std::abs(after.y() - before.y()) < 1e-15);
    // Other pixels come closer together.
    const QPointF corner = worldAt(QPoint(270, 20));
    QVERIFY(std::abs((corner.x() - after.x()) / 200.0 - data->viewHalfWidth * 2 / 300) < 1e-12);
    QVERIFY(std::abs((corner.y() - after.y()) / 230.0 - data->viewHalfHeight * 2 / 300) < 1e-12);

    // Out again, and deep in: the zoom stops only where neighbouring pixels would be
    // the same point of the plane.
    sendWheel(view.get(), p, -3 * 120);
    QVERIFY(std::abs(view->zoom() - 1.0) < 1e-12);
    for (int i = 0; i < 20; ++i)
        sendWheel(view.get(), p, 10 * 120);
    QVERIFY(view->zoom() > 1e12);
    const QPointF a = worldAt(p), b = worldAt(p + QPoint(1, 1));
    QVERIFY(a.x() < b.x() && a.y() > b.y());
    QVERIFY(std::abs(a.x() - before.x()) < 1e-12 && std::abs(a.y() - before.y()) < 1e-12);

    // Reset view returns to the square of maxTheta, and tells where a cursor
    // resting on the view now points.
    QCursor::setPos(view->mapToGlobal(p));
    QTRY_VERIFY(view->underMouse());
    QSignalSpy cursor(view.get(), &OpenGL2d::cursorMoved);
    view->resetView();
    QCOMPARE(view->zoom(), 1.0);
    QCOMPARE(view->viewRegion(), QRectF(-data->viewHalfWidth, -data->maxRadius,
                                        2 * data->viewHalfWidth, 2 * data->maxRadius));
    QCOMPARE(cursor.count(), 1);
    QVERIFY(std::abs(cursor[0][0].toDouble() - (p.x() - 150) / 150.0 * data->viewHalfWidth) <
            1e-12);
    QVERIFY(std::abs(cursor[0][1].toDouble() - (150 - p.y()) / 150.0 * data->maxRadius) < 1e-12);
}

void TestView2dBasin::pickingAndDraggingWorkWhenZoomed()
{
    makeView(300, 300, false);
    data->lineColor = QColor(255, 255, 0);
    sendWheel(view.get(), magnetPixel(1) + QPoint(10, 5), 5 * 120);
    // Panned as well: Ctrl and the left button drag the plane, and release nothing.
    pan({150, 100}, {130, 110});
    QCOMPARE(data->numTrajPoints, 0);

    // The magnet is drawn, picked and dragged where the zoomed window puts it.
    const QPoint start = magnetPixel(1);
    QVERIFY(view->rect().contains(start));
    QCOMPARE(rgbAt(view->grabFramebuffer(), start), QRgb(0x00ff00));
    // Six pixels off its centre: inside the disc only when its radius has grown with the zoom.
    QTest::mouseMove(view.get(), start + QPoint(6, 0));
    QCOMPARE(view->getActiveMagnet(), 1);
    const QPoint target(60, 40);
    QTest::mousePress(view.get(), Qt::RightButton, {}, start + QPoint(6, 0));
    QTest::mouseMove(view.get(), target);
    QTest::mouseRelease(view.get(), Qt::RightButton, {}, target);
    const QPointF world = worldAt(target);
    QCOMPARE(data->magnets[1].posX, float(world.x()));
    QCOMPARE(data->magnets[1].posY, float(world.y()));
    QCOMPARE(rgbAt(view->grabFramebuffer(), target), QRgb(0x00ff00));

    // A click releases the bob at the zoomed point, and the path starts there.
    const QPoint click(240, 160);
    QSignalSpy releases(view.get(), &OpenGL2d::releaseRequested);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, click);
    QCOMPARE(releases.count(), 1);
    const QPointF released = worldAt(click);
    QCOMPARE(releases.at(0).at(0).toDouble(), released.x());
    QCOMPARE(releases.at(0).at(1).toDouble(), released.y());
    QVERIFY(colourNear(view->grabFramebuffer(), click, 0xffff00, 1));
}

void TestView2dBasin::deepZoomKeepsTheMapInPlace()
{
    // So deep that the plane's coordinates differ only in their thirteenth digit
    // across the view: a map placed in single precision would miss it altogether,
    // and a pan moves the view by less than Qt's fuzzy comparisons can tell.
    makeView(300, 300, true);
    view->setLegendVisible(false);
    const QPoint p(40, 150); // in a smooth basin: every pixel there is quick

    for (int i = 0; i < 12; ++i)
        sendWheel(view.get(), p, 10 * 120);
    QVERIFY(view->viewRegion().width() < 1e-11);
    mapper->setModel(ModelState::of(*data).physics, data->maxTheta);
    mapper->setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
    const QImage frame = view->grabFramebuffer();
    const QImage& image = mapper->viewMap().image();
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            QCOMPARE(rgbAt(frame, {x, y}), rgbAt(image, {x, y}));

    // A pan by a few of these pixels: the old map moves along, placed as precisely,
    // and the new view gets its own map.
    disconnect(mapper.get(), &BasinMapper::viewMapReady, view.get(), &OpenGL2d::setBasinMap);
    const QRectF before = view->viewRegion();
    pan(p, p + QPoint(3, 0));
    QVERIFY(view->viewRegion().left() < before.left());
    const QImage panned = view->grabFramebuffer();
    for (int y = 0; y < 300; y += 7) {
        for (int x = 0; x < 3; ++x)
            QCOMPARE(rgbAt(panned, {x, y}), black);
        for (int x = 3; x < 300; x += 7)
            QCOMPARE(rgbAt(panned, {x, y}), rgbAt(image, {x - 3, y}));
    }
    QTRY_VERIFY_WITH_TIMEOUT(mapComplete(), kMapWait);
}

QTEST_MAIN(TestView2dBasin)
#include "tst_view2d_basin.moc"
