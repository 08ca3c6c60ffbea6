#ifndef ORVALIS_BENCH_VIEW2DBENCH_H
#define ORVALIS_BENCH_VIEW2DBENCH_H

#include "Experiment.h"
#include "OpenGL2d.h"

#include <QCoreApplication>
#include <QMouseEvent>

// What the 2D view benchmarks share: a view they can draw directly, the mouse,
// and the window's wiring of releases.

// Lets the benchmark draw a frame into the view's framebuffer directly.
class BenchView : public OpenGL2d
{
public:
    using OpenGL2d::OpenGL2d;
    using OpenGL2d::paintGL;
};

inline void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// What the window does with the view's releases: the experiment computes the
// path, and the view uploads it.
inline void wire(OpenGL2d& view, Experiment& experiment)
{
    QObject::connect(&view, &OpenGL2d::releaseRequested, &experiment, &Experiment::release);
    QObject::connect(&experiment, &Experiment::pathChanged, &view, &OpenGL2d::UpdateTraj);
}

#endif
