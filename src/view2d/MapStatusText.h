#ifndef ORVALIS_MAPSTATUSTEXT_H
#define ORVALIS_MAPSTATUSTEXT_H

#include <QRectF>
#include <QSize>
#include <QString>

#include <cstddef>

// The status bar's word on the map: how far the view is zoomed (plane units
// per pixel), how far its map got (the level shown, or complete, and whether
// it came from the cache) and how full the cache is.
class MapStatusText
{
public:
    void setView(const QRectF& region, const QSize& pixels);
    // stride 1 is the complete map; 0, no map shown.
    void setMapState(int stride, bool fromCache);
    void setCacheUse(std::size_t usedBytes, std::size_t capacityBytes);

    QString text() const;

private:
    double unitsPerPixel = 0.0;
    int stride = 0;
    bool fromCache = false;
    std::size_t used = 0;
    std::size_t capacity = 0;
};

#endif
