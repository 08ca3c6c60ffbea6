// One step of dragging the release point in the 2D view: the mouse move event, the
// trajectory computation, its upload and the frame. BM_DragStep waits until the frame
// is composed into the window and presented (QOpenGLWidget::frameSwapped);
// BM_DragStepRendered stops when the view's own drawing has finished, leaving out
// the toolkit's composition. Runs under Xvfb with Mesa llvmpipe; the argument is the
// number of samples per trajectory.
#include "Experiment.h"
#include "GLContext.h"
#include "OpenGL2d.h"
#include "QtBenchmarkMain.h"
#include "SystemData.h"
#include "View2dBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

QPointF ringPoint(QPointF centre, int step)
{
    // The cursor circles the magnets a fraction of a degree per step.
    const double angle = 0.01 * step;
    return centre + 100.0 * QPointF(std::cos(angle), std::sin(angle));
}

// The view at its preferred size with room for `samples`, once it has a context.
bool showWithRoomFor(BenchView& view, SystemData& data, int samples, benchmark::State& state)
{
    view.resize(view.sizeHint());
    view.show();
    QElapsedTimer wait;
    wait.start();
    const auto shown = [&view] {
        return view.isValid() && view.windowHandle() != nullptr && view.windowHandle()->isExposed();
    };
    while (!shown() && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!shown()) {
        state.SkipWithError("the view was not shown with an OpenGL context");
        return false;
    }
    data.SetMaxNumPoints(samples);
    return true;
}

void BM_DragStep(benchmark::State& state)
{
    SystemData data;
    Experiment experiment(&data);
    BenchView view(viewSurfaceFormat(), &data);
    wire(view, experiment);
    if (!showWithRoomFor(view, data, int(state.range(0)), state))
        return;

    // Each step waits for its frame; the watchdog keeps a lost frame from hanging the run.
    QEventLoop frame;
    QObject::connect(&view, &OpenGL2d::frameSwapped, &frame, &QEventLoop::quit);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(2000);
    QObject::connect(&watchdog, &QTimer::timeout, &frame, [&frame] { frame.exit(1); });

    const QPointF centre(view.width() / 2.0, view.height() / 2.0);
    sendMouse(&view, QEvent::MouseButtonPress, ringPoint(centre, 0), Qt::LeftButton);
    frame.exec();
    int step = 0;
    for (auto _ : state) {
        sendMouse(&view, QEvent::MouseMove, ringPoint(centre, ++step), Qt::LeftButton);
        watchdog.start();
        if (frame.exec() != 0) {
            state.SkipWithError("no frame was presented");
            break;
        }
    }
    watchdog.stop();
    sendMouse(&view, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    state.counters["samples"] = data.numTrajPoints;
}

void BM_DragStepRendered(benchmark::State& state)
{
    SystemData data;
    Experiment experiment(&data);
    BenchView view(viewSurfaceFormat(), &data);
    wire(view, experiment);
    if (!showWithRoomFor(view, data, int(state.range(0)), state))
        return;

    const QPointF centre(view.width() / 2.0, view.height() / 2.0);
    sendMouse(&view, QEvent::MouseButtonPress, ringPoint(centre, 0), Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        sendMouse(&view, QEvent::MouseMove, ringPoint(centre, ++step), Qt::LeftButton);
        view.makeCurrent();
        view.paintGL();
        glFinish();
    }
    sendMouse(&view, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    state.counters["samples"] = data.numTrajPoints;
}

BENCHMARK(BM_DragStep)->Arg(1500)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragStepRendered)->Arg(1500)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

ORVALIS_QT_BENCHMARK_MAIN()
