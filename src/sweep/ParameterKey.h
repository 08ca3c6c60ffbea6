#ifndef ORVALIS_PARAMETERKEY_H
#define ORVALIS_PARAMETERKEY_H

#include "ModelParameters.h"

#include <QString>
#include <QStringList>

#include <optional>

// One value of a parameter set, named as on the command line: the parameter
// file's keys ("damping" is kappa there, "friction" the velocity damping) and
// "magnetI.x", "magnetI.y", "magnetI.alpha" for magnet I, counted from 0 as the
// dock's ID. maxTheta is not part of the physics and travels beside it.
class ParameterKey
{
public:
    ParameterKey() = default; // pendulumHeight

    // Empty, with *error set (when given), for a name that is unknown or a
    // magnet that `model` does not have.
    static std::optional<ParameterKey> parse(const QString& name, const ModelParameters& model,
                                             QString* error);
    // Every key valid for `model`: the pendulum's in a fixed order, magnets last.
    static QStringList names(const ModelParameters& model);

    QString name() const;
    double value(const ModelParameters& model, double maxTheta) const;
    // Sets the value; false, with *error (when given) the range's message and
    // nothing changed, when it lies out of the parameter's range. Magnets keep
    // single precision: they store the nearest float.
    bool apply(double value, ModelParameters& model, double& maxTheta, QString* error) const;
    // Shortest text that reads back as the value the model keeps of `value`.
    QString text(double value) const;

    bool operator==(const ParameterKey& other) const
    {
        return field == other.field && magnet == other.magnet;
    }
    bool operator!=(const ParameterKey& other) const { return !(*this == other); }

private:
    enum class Field {
        PendulumHeight,
        PendulumLength,
        Gravity,
        Kappa,
        MagFactor,
        Damping,
        MaxTheta,
        MagnetX,
        MagnetY,
        MagnetAlpha,
    };

    ParameterKey(Field field, int magnet) : field(field), magnet(magnet) {}
    bool isMagnet() const { return magnet >= 0; }

    Field field = Field::PendulumHeight;
    int magnet = -1; // for the magnet fields
};

#endif
