#ifndef ORVALIS_TESTS_VIEWPIXELS_H
#define ORVALIS_TESTS_VIEWPIXELS_H

#include "OpenGL2d.h"

#include <QPointF>
#include <QRectF>

// Where the 2D view draws the plane point (x, y), in the view's own pixels.
inline QPointF viewPixel(const OpenGL2d& view, double x, double y)
{
    const QRectF r = view.viewRegion();
    return {(x - r.left()) / r.width() * view.width(),
            (r.bottom() - y) / r.height() * view.height()};
}

#endif
