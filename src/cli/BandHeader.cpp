#include "BandHeader.h"

#include <QRegularExpression>

QByteArray BandHeader::line() const
{
    return QStringLiteral("# orvalis band %1/%2 rows %3-%4; %5\n")
        .arg(index)
        .arg(count)
        .arg(rowBegin)
        .arg(rowEnd)
        .arg(map)
        .toUtf8();
}

bool BandHeader::parse(const QByteArray& line, BandHeader& header)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^# orvalis band (\\d+)/(\\d+) rows (\\d+)-(\\d+); (size (\\d+) (\\d+);[^\\n]*)\\n?$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(line));
    if (!match.hasMatch())
        return false;
    BandHeader h;
    h.map = match.captured(5);
    bool ok = true;
    const auto field = [&match, &ok](int n) {
        bool fits = false;
        const int value = match.captured(n).toInt(&fits);
        ok = ok && fits;
        return value;
    };
    h.index = field(1);
    h.count = field(2);
    h.rowBegin = field(3);
    h.rowEnd = field(4);
    h.width = field(6);
    h.height = field(7);
    if (!ok || h.index < 1 || h.index > h.count || h.rowBegin >= h.rowEnd || h.rowEnd > h.height ||
        h.width < 1)
        return false;
    header = h;
    return true;
}
