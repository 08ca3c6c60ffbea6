#include "CameraControl.h"

#include <algorithm>
#include <cmath>

namespace {

// World units or radians per pixel of mouse motion, and an elevation that
// stays just short of the pole.
constexpr double mouseStep = 0.01;
constexpr float maxElevation = 1.5697963f;
// The near plane lies at 0.01.
constexpr float nearestDistance = 0.03f;
constexpr float farthestDistance = 8.0f;
constexpr double wheelRatio = 0.8;

} // namespace

CameraControl::CameraControl()
{
    view.setDistanceRange(nearestDistance, farthestDistance);
    reset();
    view.setFovY(60.0f);
}

void CameraControl::reset()
{
    elevationAngle = 1.0471976f;
    azimuth = -1.5707964f;
    view.setPOI(0.0f, 0.0f, 0.0f);
    view.setEyePos(0.3f, 0.0f, 0.0f);
    view.orbit(elevationAngle, azimuth);
}

void CameraControl::setSize(int width, int height)
{
    view.setSize(width, height);
}

void CameraControl::orbitBy(int dx, int dy)
{
    elevationAngle = float(elevationAngle + mouseStep * dy);
    azimuth = float(azimuth - mouseStep * dx);
    elevationAngle = std::clamp(elevationAngle, -maxElevation, maxElevation);
    view.orbit(elevationAngle, azimuth);
}

void CameraControl::moveAwayBy(int dy)
{
    // The camera keeps to the farthest distance itself.
    view.setDistance(std::max(float(view.getDistance() + mouseStep * dy), nearestDistance));
}

void CameraControl::liftBy(int dy)
{
    view.shift({0.0f, 0.0f, float(mouseStep * dy)});
}

void CameraControl::zoomByNotches(double notches)
{
    view.setDistance(float(view.getDistance() * std::pow(wheelRatio, notches)));
}

std::optional<CameraControl::PlanePoint> CameraControl::hitOnPlane(int x, int y, double z) const
{
    const vec3 eye = view.getEyePos();
    const vec3 ray = view.getRayDir(x, y);
    if (std::fabs(ray.z) < 1e-6f)
        return std::nullopt;
    const double t = (z - eye.z) / ray.z;
    if (!(t > 0.0) || !std::isfinite(t))
        return std::nullopt;
    return PlanePoint{eye.x + t * ray.x, eye.y + t * ray.y};
}
