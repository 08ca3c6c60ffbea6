// Frame time of the 3D view at 1270 x 700 with 3 and with 100 magnets, and
// with 3 on a mapped plate under a path played half-way (its trail). Run under Xvfb; with Mesa this
// measures llvmpipe's software rasteriser, so the times are wall-clock (the work runs on llvmpipe's
// threads) and end with glFinish.
#include "BasinRequest.h"
#include "GLContext.h"
#include "OpenGL3d.h"
#include "QtBenchmarkMain.h"
#include "SystemData.h"
#include "ViewRadius.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRectF>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>

namespace {

// Counts the frames the view really paints: repaint() may be deferred by the
// window's compositor until its previous frame is out.
class CountingView : public OpenGL3d
{
public:
    using OpenGL3d::OpenGL3d;
    int frames = 0;
    // The view's own work for one frame: scene into the off-screen framebuffer, then the quad.
    void paintNow()
    {
        makeCurrent();
        paintGL();
        glFinish();
        doneCurrent();
    }

protected:
    void paintGL() override
    {
        ++frames;
        OpenGL3d::paintGL();
    }
};

bool waitForExposed(QWidget& widget)
{
    QElapsedTimer clock;
    clock.start();
    while (widget.windowHandle() == nullptr || !widget.windowHandle()->isExposed()) {
        if (clock.elapsed() > 5000)
            return false;
        qApp->processEvents(QEventLoop::AllEvents, 50);
    }
    qApp->processEvents();
    return true;
}

// The default three magnets plus more on rings around them, all in the camera's view.
void addMagnets(SystemData& data, int count)
{
    for (int i = int(data.magnets.size()); i < count; ++i) {
        const double angle = 6.283185307179586 * i / count;
        const double radius = 0.06 + 0.02 * (i % 3);
        data.appendMagnet(float(radius * std::cos(angle)), float(radius * std::sin(angle)), 1.0f,
                          0.2f, 0.4f, 0.9f);
    }
}

// The default model with `count` magnets and the bob off the axis, in a view of
// the main window's size. Exploring adds a map of the plate's size on the
// default square and a path played to its middle.
struct Scene
{
    Scene(int count, bool exploring) : view(viewSurfaceFormat(), &data)
    {
        addMagnets(data, count);
        data.animPos[0] = 0.02f; // the view's constructor centred the bob
        if (exploring) {
            // The texture's cost does not depend on its colours: a stripe pattern will do.
            QImage map(512, 512, QImage::Format_RGB32);
            for (int y = 0; y < map.height(); ++y)
                for (int x = 0; x < map.width(); ++x)
                    map.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
            const double r = viewRadius(data.pendulumLength, data.maxTheta);
            view.setPlateMap(map, QRectF(-r, -r, 2 * r, 2 * r));
            data.computeTrajectory(0.1, 0.08);
            data.animIndex = data.numTrajPoints / 2;
            data.animPos[0] = data.trajPoints[std::size_t(data.animIndex)][0];
            data.animPos[1] = data.trajPoints[std::size_t(data.animIndex)][1];
        }
        view.resize(1270, 700);
        view.show();
    }

    SystemData data;
    CountingView view;
};

// One complete frame as the application shows it: repaint, composition into the
// window included, waited for until the driver is done.
void BM_View3dRepaint(benchmark::State& state)
{
    Scene scene(int(state.range(0)), state.range(1) != 0);
    CountingView& view = scene.view;
    if (!waitForExposed(view)) {
        state.SkipWithError("the view was not exposed");
        return;
    }

    for (auto _ : state) {
        const int before = view.frames;
        view.repaint();
        while (view.frames == before)
            qApp->processEvents(QEventLoop::WaitForMoreEvents);
        view.makeCurrent();
        glFinish();
        view.doneCurrent();
    }
    state.counters["magnets"] = double(scene.data.magnets.size());
}

// The view's own share of a frame (paintGL + glFinish), without Qt's composition.
void BM_View3dPaintGL(benchmark::State& state)
{
    Scene scene(int(state.range(0)), state.range(1) != 0);
    CountingView& view = scene.view;
    if (!waitForExposed(view)) {
        state.SkipWithError("the view was not exposed");
        return;
    }

    // llvmpipe spreads a frame over its threads; the CPU time of the whole process
    // shows the work done, which stays comparable when other jobs share the machine.
    const std::clock_t start = std::clock();
    for (auto _ : state)
        view.paintNow();
    state.counters["process_cpu_ms"] = benchmark::Counter(
        1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC, benchmark::Counter::kAvgIterations);
    state.counters["magnets"] = double(scene.data.magnets.size());
}

// Arguments: magnets, exploring (map and trail).
void scenes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"magnets", "map"})
        ->Args({3, 0})
        ->Args({100, 0})
        ->Args({3, 1})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}
BENCHMARK(BM_View3dRepaint)->Apply(scenes);
BENCHMARK(BM_View3dPaintGL)->Apply(scenes);

} // namespace

ORVALIS_QT_BENCHMARK_MAIN()
