#include "UnsettledShading.h"

#include <stdexcept>

void UnsettledShading::apply(QImage& image, const std::vector<std::uint8_t>& settled, int firstRow)
{
    const int width = image.width();
    if (settled.size() != std::size_t(width) * std::size_t(image.height()))
        throw std::invalid_argument("UnsettledShading: not one value per pixel");
    for (int j = 0; j < image.height(); ++j) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(j));
        for (int i = 0; i < width; ++i) {
            if (settled[std::size_t(j) * std::size_t(width) + std::size_t(i)])
                continue;
            // Lines across the image, not the pixel: neighbouring unsettled
            // pixels join into one hatched patch. The grey keeps some of the
            // shading so that the time to rest still reads.
            const int grey = (i + firstRow + j) % 4 == 0 ? 24 : 96 + qGray(line[i]) / 4;
            line[i] = qRgb(grey, grey, grey);
        }
    }
}
