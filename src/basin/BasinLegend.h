#ifndef ORVALIS_BASINLEGEND_H
#define ORVALIS_BASINLEGEND_H

#include <QColor>
#include <QString>

#include <vector>

class BasinMap;
class QFont;
class QImage;

// The key to a map: each magnet's colour with its share of the map shown,
// the minima over no magnet together, and the undecided pixels if any.
// Painted on a dark, half-transparent panel, readable over any colour of the map.
class BasinLegend
{
public:
    struct Entry
    {
        QColor colour;
        QString label;
        double share = 0.0;
    };

    void setMap(const BasinMap& map);
    void clear() { rows.clear(); }
    const std::vector<Entry>& entries() const { return rows; }

    // The panel at the given scale of device pixels to logical ones,
    // premultiplied ARGB; null without entries.
    QImage image(const QFont& font, double pixelRatio) const;

private:
    std::vector<Entry> rows;
};

#endif
