// The basin map in the 2D view at 800 x 600, under Xvfb with Mesa llvmpipe:
//  - BM_MoveToFirstLevel / BM_MoveToFullMap: from a magnet's move (the model's
//    change reaching the mapper) to the first coarse level, and to the full map,
//    drawn and presented;
//  - BM_Frame: the view's frame without the map, with it, and with a new level
//    to upload;
//  - BM_ReleaseDrag: one step of dragging the release point, presented, with the
//    map off and with the map computing behind it;
//  - BM_Restart: what the GUI thread spends when it restarts a running map, and
//    what BasinEngine::start spends cancelling one (the mapper calls it on a
//    thread of its own).
#include "BasinEngine.h"
#include "BasinMapper.h"
#include "BasinPainter.h"
#include "Experiment.h"
#include "GLContext.h"
#include "MapScene.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "QtBenchmarkMain.h"
#include "SystemData.h"
#include "View2dBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace {

// From a magnet's move until the level that `wanted` accepts is on the screen.
void moveToLevel(benchmark::State& state, const std::function<bool(int)>& wanted, int timeout)
{
    Scene scene;
    if (!scene.show(state))
        return;
    scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
    scene.mapper.setEnabled(true);
    int step = 0;
    int levelStride = 0;
    int framesBefore = -1; // presented when the wanted level arrived
    QObject::connect(&scene.mapper, &BasinMapper::viewMapReady, [&](const BasinMap& map) {
        levelStride = map.stride();
        if (framesBefore < 0 && wanted(levelStride))
            framesBefore = scene.presented;
    });
    for (auto _ : state) {
        framesBefore = -1;
        const auto start = std::chrono::steady_clock::now();
        scene.data.magnets[1].posX = float(0.03 + 0.001 * (++step % 10));
        scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
        if (!waitFor([&] { return framesBefore >= 0 && scene.presented > framesBefore; },
                     timeout)) {
            state.SkipWithError("no map came");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["stride"] = levelStride;
}

void BM_MoveToFirstLevel(benchmark::State& state)
{
    moveToLevel(
        state, [](int) { return true; }, 20000);
}

void BM_MoveToFullMap(benchmark::State& state)
{
    moveToLevel(
        state, [](int stride) { return stride == 1; }, 600000);
}

// A map of the view's size, made once: a coarse level has the full-size image.
BasinMap coarseMap(const BenchView& view, const SystemData& data)
{
    BasinRequest r = ModelState::of(data).basinRequest();
    const QRectF region = view.viewRegion();
    r.left = region.left();
    r.right = region.right();
    r.bottom = region.top();
    r.top = region.bottom();
    r.width = kWidth;
    r.height = kHeight;
    BasinEngine engine;
    BasinMap map;
    engine.setLevelCallback([&](const BasinResult& result, int stride) {
        map = BasinMap(result, stride, BasinPainter(result));
        engine.cancel();
    });
    engine.run(r);
    return map;
}

// 0: no map; 1: the map, uploaded; 2: a new level of it every frame.
void BM_Frame(benchmark::State& state)
{
    Scene scene;
    if (!scene.show(state))
        return;
    scene.data.computeTrajectory(0.05, 0.05);
    scene.view.UpdateTraj();
    const BasinMap map = coarseMap(scene.view, scene.data);
    if (state.range(0) > 0)
        scene.view.setBasinMap(map);
    scene.view.makeCurrent();
    scene.view.paintGL();
    glFinish();
    for (auto _ : state) {
        if (state.range(0) == 2)
            scene.view.setBasinMap(map);
        scene.view.makeCurrent();
        scene.view.paintGL();
        glFinish();
    }
}

// 0: map off; 1: the map computing all along (it needs far longer than the run).
void BM_ReleaseDrag(benchmark::State& state)
{
    Scene scene;
    if (!scene.show(state))
        return;
    // As the window carries releases out: the path is computed, uploaded and drawn.
    Experiment experiment(&scene.data);
    wire(scene.view, experiment);
    if (state.range(0) == 1) {
        scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
        scene.mapper.setEnabled(true);
        if (!waitFor([&] { return !scene.mapper.viewMap().isNull(); }, 20000)) {
            state.SkipWithError("no map came");
            return;
        }
    }
    const QPointF centre(kWidth / 2.0, kHeight / 2.0);
    const auto ring = [&](int step) {
        return centre + 150.0 * QPointF(std::cos(0.01 * step), std::sin(0.01 * step));
    };
    sendMouse(&scene.view, QEvent::MouseButtonPress, ring(0), Qt::LeftButton);
    scene.present();
    int step = 0;
    for (auto _ : state) {
        sendMouse(&scene.view, QEvent::MouseMove, ring(++step), Qt::LeftButton);
        if (!scene.present(2000)) {
            state.SkipWithError("no frame was presented");
            break;
        }
    }
    sendMouse(&scene.view, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    state.counters["mapBusyAtEnd"] = scene.mapper.isBusy() ? 1 : 0;
}

// 0: what the GUI thread spends cancelling a running map and starting another
// (the mapper's switch off and on); 1: BasinEngine::start cancelling a running map.
void BM_Restart(benchmark::State& state)
{
    if (state.range(0) == 0) {
        Scene scene;
        if (!scene.show(state))
            return;
        scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
        scene.mapper.setEnabled(true);
        waitFor([&] { return !scene.mapper.viewMap().isNull(); }, 20000);
        for (auto _ : state) {
            scene.mapper.setEnabled(false);
            scene.mapper.setModel(ModelState::of(scene.data).physics, scene.data.maxTheta);
            scene.mapper.setEnabled(true);
            state.PauseTiming();
            // Let the new map get going before the next restart cancels it.
            waitFor([] { return false; }, 30);
            state.ResumeTiming();
        }
        return;
    }
    SystemData data;
    BasinRequest r = ModelState::of(data).basinRequest();
    r.width = kWidth;
    r.height = kHeight;
    BasinEngine engine;
    engine.setLevelCallback([](const BasinResult& result, int stride) {
        // What the mapper does with every level on the engine's thread.
        benchmark::DoNotOptimize(BasinMap(result, stride, BasinPainter(result)));
    });
    engine.start(r);
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        state.ResumeTiming();
        engine.start(r);
    }
    engine.cancel();
    engine.wait();
}

BENCHMARK(BM_MoveToFirstLevel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_MoveToFullMap)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK(BM_Frame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReleaseDrag)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(300);
BENCHMARK(BM_Restart)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Iterations(30);

} // namespace

ORVALIS_QT_BENCHMARK_MAIN()
