#ifndef ORVALIS_SYSTEMDATA_H
#define ORVALIS_SYSTEMDATA_H

#include "Magnet.h"
#include "ParamFileReport.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <vector>

// The one model object: pendulum parameters, magnets, the computed
// trajectory and its playback, and the display settings both views read.
// Fields are public by design: views and panel read them directly, and every
// change made on a person's behalf goes through ModelEditor.
class SystemData : public QObject
{
    Q_OBJECT

public:
    SystemData();

    SystemData(const SystemData&) = delete;
    SystemData& operator=(const SystemData&) = delete;

    // Equations of motion: y = (x, y, vx, vy) -> dydx. The integrator works on
    // these four components only, so n must not exceed 4 in rkck and rkqs.
    void derivs(const double* y, double* dydx) const;

    // One Cash-Karp step of size h with its error estimate.
    void rkck(const double* y, const double* dydx, int n, double h, double* yout,
              double* yerr) const;
    // Quality-controlled step: tries steps until the scaled error is below eps.
    void rkqs(double* y, const double* dydx, int n, double& t, double htry, double eps,
              const double* yscal, double& hdid, double& hnext) const;

    void computeTrajectory(double x0, double y0);
    // Room for `maxNumPoints` samples, at least 2; the current path is discarded.
    void SetMaxNumPoints(int maxNumPoints);
    // Samples of the current path that have both a state and a stamp.
    int storedSamples() const;
    // The playback's tick: its timer's interval, and a single step.
    static constexpr double kTickMilliseconds = 10.0;
    // Advances the playback clock by `milliseconds` of wall time, one unit of
    // the clock per second; false once the clock has passed the last sample.
    bool animStep(double milliseconds = kTickMilliseconds);

    // The ".par" file, as ParamFile reads and writes it.
    ParamFileReport readParams(const QString& fileName);
    ParamFileReport writeParams(const QString& fileName) const;

    static std::array<float, 3> pickColorFromId(int id);
    static int pickIdFromColor(unsigned char r, unsigned char g, unsigned char b);

    void appendMagnet(float posX, float posY, float alpha, float r, float g, float b);

    double pendulumLength = 0;
    double pendulumHeight = 0;
    double gravity = 0;
    double damping = 0;
    double kappa = 0;
    double magFactor = 0;
    double maxTheta = 0;
    double maxRadius = 0;
    double viewHalfWidth = 0;
    double viewHalfHeight = 0;
    QList<Magnet> magnets;
    float magnetSize = 0;
    std::vector<std::array<float, 4>> trajPoints; // x, y, vx, vy per sample
    std::vector<float> trajTimes;
    int maxNumPoints = 0;
    int numTrajPoints = 0;
    int lineWidth = 0;
    QColor lineColor;
    int numSteps = 0;
    double tScale = 0;
    float animPos[2] = {0, 0};
    int animIndex = 0;
    float animTime = 0;
    QColor pendulumColor;
    QColor ambientColor;
    QColor diffuseColor;
    QColor specularColor;
    float k_amb = 0;
    float k_diff = 0;
    float k_spec = 0;
    float k_exp = 0;

signals:
    void dataRead();

public slots:
    void ResetParams();
    void ResetAnim();

private:
    friend class ParamFile;

    void appendDefaultMagnets();
};

#endif
