#include "EnergyCurve.h"

#include "Lanes.h"

#include "CashKarp.h"
#include "ModelState.h"
#include "SystemData.h"

EnergyCurve EnergyCurve::of(const SystemData& data)
{
    EnergyCurve curve;
    const int n = data.storedSamples();
    if (n < 1)
        return curve;
    curve.time.reserve(std::size_t(n));
    curve.energy.reserve(std::size_t(n));
    const MagnetModel model(ModelState::of(data).physics);
    const FieldConstants& c = model.constants();
    cashkarp::withPower(c, [&](auto power) {
        for (int i = 0; i < n; ++i) {
            const auto& s = data.trajPoints[std::size_t(i)];
            const double y[4] = {s[0], s[1], s[2], s[3]};
            double dydx[4];
            double potential = 0.0;
            cashkarp::laneDerivs<true>(c, power, y, dydx, &potential);
            curve.time.push_back(0.5 * double(data.trajTimes[std::size_t(i)]));
            curve.energy.push_back(0.5 * (y[2] * y[2] + y[3] * y[3]) + potential);
        }
    });
    return curve;
}
