#ifndef ORVALIS_TESTS_PIXELS_H
#define ORVALIS_TESTS_PIXELS_H

#include <QImage>
#include <QPoint>

// What the view tests read back from a frame: colours without alpha.

inline QRgb rgbAt(const QImage& image, QPoint p)
{
    return image.pixel(p) & 0xffffff;
}

// Whether any pixel within `radius` of p has exactly the colour c.
inline bool colourNear(const QImage& image, QPoint p, QRgb c, int radius)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && rgbAt(image, q) == c)
                return true;
        }
    return false;
}

inline int countColour(const QImage& image, QRgb c)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += rgbAt(image, {x, y}) == c ? 1 : 0;
    return n;
}

#endif
