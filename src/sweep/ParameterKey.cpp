#include "ParameterKey.h"

#include "ParameterRanges.h"

#include <QRegularExpression>

#include <charconv>
#include <iterator>

namespace {

using Parameter = ParameterRanges::Parameter;

struct KeyName
{
    const char* name;
    Parameter parameter;
};

// Indexed by ParameterKey's fields, in their order. The pendulum's names are
// the parameter file's; a magnet's are the suffixes after "magnetI.".
const KeyName kKeys[] = {
    {"pendulumHeight", Parameter::PendulumHeight},
    {"pendulumLength", Parameter::PendulumLength},
    {"gravity", Parameter::Gravity},
    {"damping", Parameter::Kappa},
    {"magFactor", Parameter::MagFactor},
    {"friction", Parameter::Damping},
    {"maxTheta", Parameter::MaxTheta},
    {"x", Parameter::MagnetPosition},
    {"y", Parameter::MagnetPosition},
    {"alpha", Parameter::MagnetStrength},
};
constexpr int kFirstMagnetField = 7;
constexpr int kFieldCount = int(std::size(kKeys));

} // namespace

std::optional<ParameterKey> ParameterKey::parse(const QString& name, const ModelParameters& model,
                                                QString* error)
{
    const auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    for (int f = 0; f < kFirstMagnetField; ++f)
        if (name == QLatin1String(kKeys[f].name))
            return ParameterKey(Field(f), -1);
    // Digits only, as the dock shows the ID: no sign, no spaces.
    static const QRegularExpression magnetKey(QStringLiteral("^magnet(0|[1-9][0-9]*)\\.([a-z]+)$"));
    const QRegularExpressionMatch match = magnetKey.match(name);
    if (!match.hasMatch())
        return refuse(QStringLiteral("unknown parameter '%1' (one of %2)")
                          .arg(name, names(model).join(QStringLiteral(", "))));
    int field = kFirstMagnetField;
    while (field < kFieldCount && match.captured(2) != QLatin1String(kKeys[field].name))
        ++field;
    if (field == kFieldCount)
        return refuse(
            QStringLiteral("unknown parameter '%1': a magnet has x, y and alpha").arg(name));
    bool ok = false;
    const int magnet = match.captured(1).toInt(&ok);
    if (!ok || magnet >= int(model.magnets.size()))
        return refuse(QStringLiteral("'%1': there is no magnet %2, the set has %3 (0 to %4)")
                          .arg(name, match.captured(1))
                          .arg(model.magnets.size())
                          .arg(int(model.magnets.size()) - 1));
    return ParameterKey(Field(field), magnet);
}

QStringList ParameterKey::names(const ModelParameters& model)
{
    QStringList list;
    for (int f = 0; f < kFirstMagnetField; ++f)
        list << QLatin1String(kKeys[f].name);
    for (std::size_t m = 0; m < model.magnets.size(); ++m)
        for (int f = kFirstMagnetField; f < kFieldCount; ++f)
            list << QStringLiteral("magnet%1.%2").arg(m).arg(QLatin1String(kKeys[f].name));
    return list;
}

QString ParameterKey::name() const
{
    const QString field = QLatin1String(kKeys[int(this->field)].name);
    return isMagnet() ? QStringLiteral("magnet%1.%2").arg(magnet).arg(field) : field;
}

double ParameterKey::value(const ModelParameters& model, double maxTheta) const
{
    switch (field) {
    case Field::PendulumHeight:
        return model.pendulumHeight;
    case Field::PendulumLength:
        return model.pendulumLength;
    case Field::Gravity:
        return model.gravity;
    case Field::Kappa:
        return model.kappa;
    case Field::MagFactor:
        return model.magFactor;
    case Field::Damping:
        return model.damping;
    case Field::MaxTheta:
        return maxTheta;
    case Field::MagnetX:
        return model.magnets.at(std::size_t(magnet)).posX;
    case Field::MagnetY:
        return model.magnets.at(std::size_t(magnet)).posY;
    case Field::MagnetAlpha:
        return model.magnets.at(std::size_t(magnet)).alpha;
    }
    return 0.0;
}

bool ParameterKey::apply(double value, ModelParameters& model, double& maxTheta,
                         QString* error) const
{
    const ParameterRange range = ParameterRanges::range(kKeys[int(field)].parameter);
    if (!range.contains(value)) {
        if (error)
            *error = range.message(name());
        return false;
    }
    if (isMagnet() && std::size_t(magnet) >= model.magnets.size()) {
        if (error)
            *error = QStringLiteral("there is no magnet %1").arg(magnet);
        return false;
    }
    switch (field) {
    case Field::PendulumHeight:
        model.pendulumHeight = value;
        break;
    case Field::PendulumLength:
        model.pendulumLength = value;
        break;
    case Field::Gravity:
        model.gravity = value;
        break;
    case Field::Kappa:
        model.kappa = value;
        break;
    case Field::MagFactor:
        model.magFactor = value;
        break;
    case Field::Damping:
        model.damping = value;
        break;
    case Field::MaxTheta:
        maxTheta = value;
        break;
    case Field::MagnetX:
        model.magnets[std::size_t(magnet)].posX = float(value);
        break;
    case Field::MagnetY:
        model.magnets[std::size_t(magnet)].posY = float(value);
        break;
    case Field::MagnetAlpha:
        model.magnets[std::size_t(magnet)].alpha = float(value);
        break;
    }
    return true;
}

QString ParameterKey::text(double value) const
{
    char buffer[32];
    const auto result = isMagnet() ? std::to_chars(buffer, buffer + sizeof buffer, float(value))
                                   : std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}
