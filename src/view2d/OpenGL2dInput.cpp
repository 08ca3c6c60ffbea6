// The 2D view's mouse and key input: releases, magnet drags and picks, zoom
// and pan. What changes the model is asked for through the view's signals.
#include "OpenGL2d.h"

#include "SystemData.h"
#include "ViewRadius.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// One notch of the wheel zooms by this factor.
constexpr double kZoomStep = 1.25;
// The view shows at most this many times the square of maxTheta.
constexpr double kLeastZoom = 0.25;
// Finer pixels than this many units in the last place of the plane's
// coordinates would no longer be distinct points.
constexpr double kFinestPixelUlps = 4.0;

} // namespace

void OpenGL2d::mousePressEvent(QMouseEvent* event)
{
    mouseButton = int(event->button());
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        mouseButton = 0;
        panning = true;
        panFrom = event->position();
        panFromX = centreX;
        panFromY = centreY;
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        double x = 0.0;
        double y = 0.0;
        windowToWorld(event->position(), x, y);
        emit releaseRequested(x, y);
    } else if (event->button() == Qt::MiddleButton) {
        emit hidePathRequested();
    }
    event->accept();
    update();
}

void OpenGL2d::mouseReleaseEvent(QMouseEvent* event)
{
    mouseButton = 0;
    if (panning) {
        panning = false;
        unsetCursor();
    }
    if (draggingMagnet) {
        draggingMagnet = false;
        emit magnetDragFinished();
    }
    event->accept();
    update();
}

void OpenGL2d::mouseMoveEvent(QMouseEvent* event)
{
    if (panning)
        panTo(event->position());
    double x = 0.0;
    double y = 0.0;
    windowToWorld(event->position(), x, y);
    emit cursorMoved(x, y);

    if (mouseButton == Qt::LeftButton) {
        emit releaseRequested(x, y);
    } else if (mouseButton == Qt::RightButton && activeMagnet >= 0 &&
               activeMagnet < data->magnets.size()) {
        // A drag starts with the first move of a magnet, wherever the press was.
        if (!draggingMagnet) {
            draggingMagnet = true;
            emit magnetDragStarted(activeMagnet);
        }
        emit magnetDragged(activeMagnet, x, y);
    }

    // Picking after the move keeps a dragged magnet active, unless an earlier
    // magnet in the list now lies under the cursor.
    cursorX = x;
    cursorY = y;
    hovering = true;
    pickMagnet();
    event->accept();
    update();
}

void OpenGL2d::panTo(const QPointF& pos)
{
    // The point under the cursor follows it to the nearest whole pixel of
    // the view, counted from the drag's start: the map's pixels that stay in
    // view keep their values, and the map moves without a jump.
    const QPointF moved = (pos - panFrom) * devicePixelRatioF();
    const QSize pixels = viewPixels();
    const double x =
        panFromX - std::round(moved.x()) * (2.0 * data->viewHalfWidth / pixels.width());
    const double y =
        panFromY + std::round(moved.y()) * (2.0 * data->viewHalfHeight / pixels.height());
    if (x == centreX && y == centreY)
        return;
    centreX = x;
    centreY = y;
    emit viewChanged(viewRegion(), viewPixels());
}

void OpenGL2d::pickMagnet()
{
    activeMagnet = -1;
    if (!hovering)
        return;
    for (int i = 0; i < data->magnets.size(); ++i) {
        const double dx = cursorX - data->magnets[i].posX;
        const double dy = cursorY - data->magnets[i].posY;
        if (std::sqrt(dx * dx + dy * dy) < data->magnetSize) {
            activeMagnet = i;
            break;
        }
    }
}

void OpenGL2d::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        double x = 0.0;
        double y = 0.0;
        windowToWorld(event->position(), x, y);
        emit magnetAddRequested(x, y);
    }
    event->accept();
}

void OpenGL2d::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0.0)
        zoomAt(event->position(), std::pow(kZoomStep, notches));
    event->accept();
}

void OpenGL2d::zoomAt(const QPointF& pos, double factor)
{
    double x = 0.0;
    double y = 0.0;
    windowToWorld(pos, x, y);
    const double zoomed = std::clamp(zoomFactor * factor, kLeastZoom, deepestZoom(x, y));
    if (zoomed == zoomFactor)
        return;
    zoomFactor = zoomed;
    updateViewWindow();

    // The point under the cursor stays where it is.
    const int w = width();
    const int h = height();
    centreX = x - (pos.x() - w / 2) / w * data->viewHalfWidth * 2.0;
    centreY = y - (h / 2 - pos.y()) / h * data->viewHalfHeight * 2.0;
    emit viewChanged(viewRegion(), viewPixels());
    update();
}

double OpenGL2d::deepestZoom(double x, double y) const
{
    const double radius = data->maxRadius;
    const double finestPixel =
        kFinestPixelUlps * DBL_EPSILON * std::max({std::abs(x), std::abs(y), radius});
    return std::max(2.0 * radius / (finestPixel * height()), kLeastZoom);
}

void OpenGL2d::showRegion(const QRectF& region)
{
    const QRectF r = region.normalized();
    if (r.isEmpty() || width() <= 0 || height() <= 0)
        return;
    // The half height that fits both sides, as a zoom of the pendulum's square.
    const double aspect = double(width()) / double(height());
    const double halfHeight = std::max(0.5 * r.height(), 0.5 * r.width() / aspect);
    data->maxRadius = viewRadius(data->pendulumLength, data->maxTheta);
    const double zoomed = data->maxRadius / halfHeight;
    if (!std::isfinite(zoomed))
        return;
    centreX = r.center().x();
    centreY = r.center().y();
    zoomFactor = std::clamp(zoomed, kLeastZoom, deepestZoom(centreX, centreY));
    updateViewWindow();
    emit viewChanged(viewRegion(), viewPixels());
    update();
}

void OpenGL2d::leaveEvent(QEvent* event)
{
    hovering = false;
    emit cursorLeft();
    QOpenGLWidget::leaveEvent(event);
}

void OpenGL2d::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        pickMagnet();
        if (activeMagnet >= 0 && activeMagnet < data->magnets.size())
            emit magnetRemoveRequested(activeMagnet);
    } else if (event->key() == Qt::Key_S) {
        makeCurrent();
        removeShaders();
        createShaders();
        update();
    }
    event->accept();
}

void OpenGL2d::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void OpenGL2d::windowToWorld(const QPointF& pos, double& x, double& y) const
{
    const int w = width();
    const int h = height();
    x = centreX + (pos.x() - w / 2) / w * data->viewHalfWidth * 2.0;
    y = centreY + (h / 2 - pos.y()) / h * data->viewHalfHeight * 2.0;
}
