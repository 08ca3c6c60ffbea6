#include "MapStatusText.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MapStatusText", text);
}

QString mebibytes(std::size_t bytes)
{
    return QString::number(double(bytes) / double(1 << 20), 'f', 1);
}

} // namespace

void MapStatusText::setView(const QRectF& region, const QSize& pixels)
{
    unitsPerPixel = pixels.width() > 0 ? region.width() / pixels.width() : 0.0;
}

void MapStatusText::setMapState(int mapStride, bool cached)
{
    stride = mapStride;
    fromCache = cached;
}

void MapStatusText::setCacheUse(std::size_t usedBytes, std::size_t capacityBytes)
{
    used = usedBytes;
    capacity = capacityBytes;
}

QString MapStatusText::text() const
{
    // Three significant digits: a deep zoom's scale is a tiny number.
    QStringList parts{tr("%1 per px").arg(unitsPerPixel, 0, 'g', 3)};
    if (stride > 0) {
        QString state = stride == 1 ? tr("map complete") : tr("map 1:%1").arg(stride);
        if (fromCache)
            state += tr(" (cached)");
        parts << state;
    }
    if (capacity > 0)
        parts << tr("cache %1 of %2 MiB").arg(mebibytes(used), mebibytes(capacity));
    return parts.join(QStringLiteral(" · "));
}
