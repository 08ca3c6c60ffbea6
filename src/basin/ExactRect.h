#ifndef ORVALIS_EXACTRECT_H
#define ORVALIS_EXACTRECT_H

#include <QRectF>

// Whether two rectangles of the plane are the same to the bit. QRectF's own
// comparison is fuzzy, and a deep zoom's pan moves the view by less than its
// tolerance.
inline bool exactlyEqual(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

#endif
