// The 2D view's map at 800 x 600 returned to and panned, under Xvfb with Mesa
// llvmpipe; each from the request to the map handed to the view (arg 0) and
// to the frame that shows it presented (arg 1):
//  - BM_ResetToCompleteMap: Ctrl+0 after a zoom, back to a complete map;
//  - BM_UndoToCompleteMap: a magnet moved and moved back (an undo), the map of
//    the edit complete, back to the complete map before it;
//  - BM_PanFirstLevel / BM_PanCompleteMap: a pan by 40 pixels of a complete map
//    to the first level (counter overlapComplete: 1 when it held every kept
//    pixel) and to the complete map.
//  - BM_PanFirstFrame: the same pan to the first frame presented after it
//    (counter overlapShown: the share of the kept pixels it shows as the
//    complete map before had them, magnets and path aside);
//  - BM_PanSeed: what the map's thread does for such a pan before the engine
//    starts, without the view or the threads: the kept pixels taken from the
//    cached map, and that level painted with their colours taken from its image.
#include "BasinCache.h"
#include "BasinEngine.h"
#include "BasinPainter.h"
#include "MapScene.h"
#include "ModelState.h"
#include "QtBenchmarkMain.h"

#include <QMouseEvent>

#include <algorithm>
#include <chrono>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// The last map handed to the view, and the frames presented before it came.
struct Handed
{
    BasinMap map;
    int frames = 0;
};

// Until the view's map is one that `wanted` accepts, and with arg 1 until a
// frame showing it is presented; the seconds it took from `start`.
double timeToMap(benchmark::State& state, Scene& scene, Clock::time_point start,
                 const std::function<bool(const BasinMap&)>& wanted, const Handed& handed)
{
    if (!waitFor([&] { return !handed.map.isNull() && wanted(handed.map); }, 600000)) {
        state.SkipWithError("no map came");
        return 0.0;
    }
    if (state.range(0) == 1 && !waitFor([&] { return scene.presented > handed.frames; }, 5000)) {
        state.SkipWithError("no frame was presented");
        return 0.0;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The scene with the map on, its first complete map shown.
bool start(benchmark::State& state, Scene& scene, Handed& handed)
{
    if (!scene.show(state))
        return false;
    QObject::connect(&scene.mapper, &BasinMapper::viewMapReady, [&](const BasinMap& map) {
        handed.map = map;
        handed.frames = scene.presented;
    });
    scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
    scene.mapper.setEnabled(true);
    if (!waitFor([&] { return !scene.mapper.isBusy() && handed.map.stride() == 1; }, 600000)) {
        state.SkipWithError("no complete map came");
        return false;
    }
    return true;
}

bool completeAndCached(const BasinMap& map)
{
    return map.stride() == 1;
}

void BM_ResetToCompleteMap(benchmark::State& state)
{
    Scene scene;
    Handed handed;
    if (!start(state, scene, handed))
        return;
    const QRectF home = scene.view.viewRegion();
    // Zoomed in once, its map complete as well.
    scene.view.showRegion(QRectF(home.x() / 4, home.y() / 4, home.width() / 4, home.height() / 4));
    const QRectF zoomed = scene.view.viewRegion();
    const auto isHome = [&](const BasinMap& map) {
        return completeAndCached(map) && map.region() == home;
    };
    for (auto _ : state) {
        scene.view.showRegion(zoomed);
        waitFor(
            [&] {
                return !scene.mapper.isBusy() && handed.map.stride() == 1 &&
                       handed.map.region() == zoomed;
            },
            600000);
        const auto t0 = Clock::now();
        scene.view.resetView();
        state.SetIterationTime(timeToMap(state, scene, t0, isHome, handed));
        if (state.error_occurred())
            break;
        if (!scene.mapper.isViewFromCache()) {
            state.SkipWithError("the map was computed again");
            break;
        }
    }
}

void BM_UndoToCompleteMap(benchmark::State& state)
{
    Scene scene;
    Handed handed;
    if (!start(state, scene, handed))
        return;
    const ModelParameters before = ModelState::of(scene.data).physics;
    ModelParameters edited = before;
    edited.magnets[1].posX += 0.004f;
    const double theta = scene.data.maxTheta;
    const auto isBefore = [&](const BasinMap& map) {
        return completeAndCached(map) && map.request().model == before;
    };
    for (auto _ : state) {
        scene.mapper.setModel(edited, theta);
        waitFor([&] { return handed.map.request().model == edited && handed.map.stride() == 1; },
                600000);
        const auto t0 = Clock::now();
        scene.mapper.setModel(before, theta);
        state.SetIterationTime(timeToMap(state, scene, t0, isBefore, handed));
        if (state.error_occurred())
            break;
        if (!scene.mapper.isViewFromCache()) {
            state.SkipWithError("the map was computed again");
            break;
        }
    }
}

void sendPanMouse(QWidget* view, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, view->mapToGlobal(pos), button, buttons, Qt::ControlModifier);
    QCoreApplication::sendEvent(view, &event);
}

// A Ctrl drag 40 pixels to the right, each time over a strip not seen before,
// until the level that `complete` asks for.
void panBy40(benchmark::State& state, bool complete)
{
    Scene scene;
    Handed handed;
    if (!start(state, scene, handed))
        return;
    int overlapComplete = 1;
    for (auto _ : state) {
        waitFor([&] { return !scene.mapper.isBusy() && handed.map.stride() == 1; }, 600000);
        const QImage before = handed.map.image();
        const BasinMap old = handed.map;
        const auto t0 = Clock::now();
        const QPointF from(200.0, 300.0);
        sendPanMouse(&scene.view, QEvent::MouseButtonPress, from, Qt::LeftButton);
        sendPanMouse(&scene.view, QEvent::MouseMove, from + QPointF(40.0, 0.0), Qt::LeftButton);
        sendPanMouse(&scene.view, QEvent::MouseButtonRelease, from + QPointF(40.0, 0.0),
                     Qt::NoButton);
        const auto arrived = [&](const BasinMap& map) {
            return map.region() != old.region() && (!complete || map.stride() == 1);
        };
        state.SetIterationTime(timeToMap(state, scene, t0, arrived, handed));
        if (state.error_occurred())
            break;
        for (int y = 0; y < kHeight && overlapComplete; y += 3)
            for (int x = 40; x < kWidth; x += 3)
                if (handed.map.image().pixel(x, y) != before.pixel(x - 40, y)) {
                    overlapComplete = 0;
                    break;
                }
    }
    state.counters["overlapComplete"] = overlapComplete;
}

void BM_PanFirstFrame(benchmark::State& state)
{
    Scene scene;
    Handed handed;
    if (!start(state, scene, handed))
        return;
    scene.view.setLegendVisible(false);
    double shown = 1.0;
    for (auto _ : state) {
        waitFor([&] { return !scene.mapper.isBusy() && handed.map.stride() == 1; }, 600000);
        const QImage before = handed.map.image();
        const int frames = scene.presented;
        const auto t0 = Clock::now();
        const QPointF from(200.0, 300.0);
        sendPanMouse(&scene.view, QEvent::MouseButtonPress, from, Qt::LeftButton);
        sendPanMouse(&scene.view, QEvent::MouseMove, from + QPointF(40.0, 0.0), Qt::LeftButton);
        sendPanMouse(&scene.view, QEvent::MouseButtonRelease, from + QPointF(40.0, 0.0),
                     Qt::NoButton);
        if (!waitFor([&] { return scene.presented > frames; }, 5000)) {
            state.SkipWithError("no frame was presented");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        const QImage frame = scene.view.grabFramebuffer();
        long long same = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 40; x < kWidth; ++x)
                same += (frame.pixel(x, y) & 0xffffff) == (before.pixel(x - 40, y) & 0xffffff);
        shown = std::min(shown, double(same) / double((kWidth - 40) * kHeight));
    }
    state.counters["overlapShown"] = shown;
}

void BM_PanFirstLevel(benchmark::State& state)
{
    panBy40(state, false);
}

void BM_PanCompleteMap(benchmark::State& state)
{
    panBy40(state, true);
}

void BM_PanSeed(benchmark::State& state)
{
    SystemData data;
    data.damping = 6.0; // the map's values do not matter here, only its size
    BasinRequest r = ModelState::of(data).basinRequest();
    r.width = kWidth;
    r.height = kHeight;
    r.coarsest = 16;
    const BasinGrid grid{r.left, r.top, (r.right - r.left) / kWidth, (r.top - r.bottom) / kHeight};
    r.placeOn(grid, 0, 0);
    BasinEngine engine;
    engine.run(r);
    BasinCache cache;
    auto entry = std::make_shared<BasinCache::Entry>();
    entry->result = engine.result();
    entry->map = BasinMap(entry->result, 1, BasinPainter(entry->result));
    cache.store(entry);
    BasinRequest panned = r;
    panned.placeOn(grid, -40, 0);
    for (auto _ : state) {
        const auto seed = cache.assemble(panned);
        benchmark::DoNotOptimize(
            BasinMap(*seed, panned.coarsest, BasinPainter(*seed), cache.paintedNeighbour(panned)));
    }
}

BENCHMARK(BM_ResetToCompleteMap)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK(BM_UndoToCompleteMap)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);
BENCHMARK(BM_PanFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PanFirstLevel)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_PanCompleteMap)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK(BM_PanSeed)->Unit(benchmark::kMillisecond);

} // namespace

ORVALIS_QT_BENCHMARK_MAIN()
