#ifndef ORVALIS_BASINLEGEND_H
#define ORVALIS_BASINLEGEND_H

#include <QColor>
#include <QString>

#include <vector>

class BasinMap;
class QPainter;
class QRect;

// The key to a map: each magnet's colour with its share of the map shown,
// the minima over no magnet together, and the undecided pixels if any.
// Painted in a corner on a dark panel, readable over any colour of the map.
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

    // In the lower left corner of `area`.
    void paint(QPainter& painter, const QRect& area) const;

private:
    std::vector<Entry> rows;
};

#endif
