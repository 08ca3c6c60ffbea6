#include "MapDescription.h"

#include "BasinResult.h"
#include "ShortestNumber.h"

#include <QCryptographicHash>
#include <QStringList>

namespace {

QStringList geometry(const BasinRequest& r)
{
    return {QStringLiteral("size %1 %2").arg(r.width).arg(r.height),
            QStringLiteral("region %1 %2 %3 %4")
                .arg(shortestText(r.left), shortestText(r.bottom), shortestText(r.right),
                     shortestText(r.top)),
            QStringLiteral("tolerance %1").arg(shortestText(r.tolerance)),
            QStringLiteral("max-time %1").arg(shortestText(r.maxTime))};
}

QString parameters(const ModelParameters& m)
{
    const auto number = shortestText;
    QString text = QStringLiteral("pendulumHeight %1\npendulumLength %2\ngravity %3\n")
                       .arg(number(m.pendulumHeight), number(m.pendulumLength), number(m.gravity));
    text += QStringLiteral("kappa %1\nmagFactor %2\ndamping %3\n")
                .arg(number(m.kappa), number(m.magFactor), number(m.damping));
    for (const Magnet& g : m.magnets)
        text += QStringLiteral("magnet %1 %2 %3 %4 %5 %6 %7\n")
                    .arg(number(g.posX), number(g.posY), number(g.posZ), number(g.alpha),
                         number(g.color[0]), number(g.color[1]), number(g.color[2]));
    return text;
}

} // namespace

QString MapDescription::text(const BasinRequest& request)
{
    return geometry(request).join(QLatin1Char('\n')) + QLatin1Char('\n') +
           parameters(request.model);
}

BandHeader MapDescription::bandHeader(const BasinResult& result, int index, int count)
{
    const BasinRequest& r = result.request;
    const QByteArray digest =
        QCryptographicHash::hash(parameters(r.model).toUtf8(), QCryptographicHash::Sha256);
    BandHeader header;
    header.map =
        (geometry(r) << QStringLiteral("parameters sha256:") + QString::fromLatin1(digest.toHex()))
            .join(QStringLiteral("; "));
    header.index = index;
    header.count = count;
    header.rowBegin = result.rowBegin();
    header.rowEnd = result.rowEnd();
    header.width = r.width;
    header.height = r.height;
    return header;
}
