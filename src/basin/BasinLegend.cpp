#include "BasinLegend.h"

#include "BasinMap.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>

void BasinLegend::setMap(const BasinMap& map)
{
    rows.clear();
    const std::vector<Attractor>& attractors = map.attractors();
    const std::vector<double>& shares = map.shares();
    Entry noMagnet;
    bool anyNoMagnet = false;
    for (std::size_t k = 0; k < attractors.size(); ++k) {
        if (attractors[k].magnet >= 0) {
            rows.push_back(
                {QColor(map.colour(int(k))),
                 QCoreApplication::translate("BasinLegend", "Magnet %1").arg(attractors[k].magnet),
                 shares[k]});
        } else {
            // All minima over no magnet share one colour, and so one row.
            noMagnet.colour = QColor(map.colour(int(k)));
            noMagnet.share += shares[k];
            anyNoMagnet = true;
        }
    }
    if (anyNoMagnet) {
        noMagnet.label = QCoreApplication::translate("BasinLegend", "No magnet");
        rows.push_back(noMagnet);
    }
    if (!shares.empty() && shares.back() > 0.0)
        rows.push_back({QColor(map.colour(BasinResult::kUndecided)),
                        QCoreApplication::translate("BasinLegend", "Undecided"), shares.back()});
}

QImage BasinLegend::image(const QFont& baseFont, double pixelRatio) const
{
    if (rows.empty())
        return {};
    QFont font = baseFont;
    font.setPointSizeF(std::max(7.0, font.pointSizeF() * 0.9));
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied); // measures as the panel will draw
    probe.setDevicePixelRatio(pixelRatio);
    const QFontMetrics metrics(font, &probe);
    const int line = metrics.height() + 2;
    const int swatch = metrics.ascent();
    const int pad = 6;
    int labelWidth = 0;
    for (const Entry& row : rows)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(row.label));
    const int shareWidth = metrics.horizontalAdvance(QStringLiteral("100.0 %"));
    const int width = pad + swatch + pad + labelWidth + 2 * pad + shareWidth + pad;
    const int height = pad + int(rows.size()) * line + pad - 2;

    QImage panel(QSize(width, height) * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    panel.setDevicePixelRatio(pixelRatio);
    panel.fill(Qt::transparent);
    QPainter painter(&panel);
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(QRectF(0, 0, width, height), 4, 4);
    painter.setRenderHint(QPainter::Antialiasing, false);

    int y = pad;
    for (const Entry& row : rows) {
        const QRect patch(pad, y + (line - 2 - swatch) / 2, swatch, swatch);
        painter.setPen(QColor(255, 255, 255, 190));
        painter.setBrush(row.colour);
        painter.drawRect(patch);
        painter.setPen(Qt::white);
        const QRect label(patch.right() + pad + 1, y, labelWidth, line - 2);
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, row.label);
        const QRect share(width - pad - shareWidth, y, shareWidth, line - 2);
        painter.drawText(share, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 %").arg(100.0 * row.share, 0, 'f', 1));
        y += line;
    }
    return panel;
}
