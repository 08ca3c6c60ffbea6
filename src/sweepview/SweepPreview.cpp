#include "SweepPreview.h"

#include <QPainter>

#include <algorithm>

SweepPreview::SweepPreview(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SweepPreview::setImage(const QImage& image)
{
    shown = image;
    update();
}

QSize SweepPreview::sizeHint() const
{
    return {256, 256};
}

QSize SweepPreview::minimumSizeHint() const
{
    return {128, 128};
}

void SweepPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (shown.isNull())
        return;
    const int side = std::min(width(), height());
    const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    p.drawImage(square, shown);
}
