#ifndef ORVALIS_BENCH_MAPSCENE_H
#define ORVALIS_BENCH_MAPSCENE_H

#include "BasinMapper.h"
#include "GLContext.h"
#include "SystemData.h"
#include "View2dBench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <functional>

// The 2D view at 800 x 600 with its map, as the window wires them, for the
// map benchmarks.

constexpr int kWidth = 800;
constexpr int kHeight = 600;

// Processes events until `done` holds; false after `ms` without it. Sleeps
// between events: a spinning GUI thread would take a core from the map.
inline bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    QTimer tick; // wakes the wait now and then to look at the clock
    tick.start(20);
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The view at 800 x 600 with a context, wired to `mapper` as the window wires them.
struct Scene
{
    SystemData data;
    BenchView view{viewSurfaceFormat(), &data};
    BasinMapper mapper;
    int presented = 0;

    bool show(benchmark::State& state)
    {
        QObject::connect(&view, &OpenGL2d::viewChanged, &mapper, &BasinMapper::setView);
        QObject::connect(&mapper, &BasinMapper::viewMapReady, &view, &OpenGL2d::setBasinMap);
        QObject::connect(&mapper, &BasinMapper::cleared, &view, &OpenGL2d::clearBasinMap);
        QObject::connect(&view, &OpenGL2d::frameSwapped, [this] { ++presented; });
        view.resize(kWidth, kHeight);
        view.show();
        if (!waitFor([this] { return view.isValid() && view.windowHandle()->isExposed(); },
                     10000)) {
            state.SkipWithError("the view was not shown with an OpenGL context");
            return false;
        }
        return true;
    }

    // Until a frame is presented after this call.
    bool present(int ms = 5000)
    {
        const int before = presented;
        return waitFor([&] { return presented > before; }, ms);
    }
};

#endif
