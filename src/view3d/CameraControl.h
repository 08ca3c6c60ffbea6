#ifndef ORVALIS_CAMERACONTROL_H
#define ORVALIS_CAMERACONTROL_H

#include "Camera.h"

#include <optional>

// How the mouse steers the 3D view's camera, in pixels of motion: it orbits
// the point of interest at an elevation kept short of the poles, moves nearer
// or farther within a range (from just outside the near plane, where a magnet
// fills the view, to where the whole stand is small), and rises with the
// point of interest. It also finds where a pixel's ray meets a horizontal
// plane, for the drags that move objects.
class CameraControl
{
public:
    struct PlanePoint
    {
        double x;
        double y;
    };

    CameraControl();

    const Camera& camera() const { return view; }
    Camera& camera() { return view; }
    float elevation() const { return elevationAngle; }

    // The view from above the plate's near side, at an angle.
    void reset();
    void setSize(int width, int height);
    // Left-drag: down raises the eye, right turns it clockwise.
    void orbitBy(int dx, int dy);
    // Right-drag: down moves away. However fast a drag, it stops at the nearest distance.
    void moveAwayBy(int dy);
    // Middle-drag: the eye and the point of interest rise together, so the view
    // keeps its direction and later zooms and drags work from the same frame.
    void liftBy(int dy);
    // Wheel notches away from the person bring the eye closer by a fixed ratio
    // each; parts of a notch by the same part of the ratio.
    void zoomByNotches(double notches);
    // Where the ray through widget pixel (x, y) meets the plane at height z;
    // nothing for a ray (nearly) parallel to it, which would meet it far away
    // or never, or one meeting it behind the eye, which would mirror a drag.
    std::optional<PlanePoint> hitOnPlane(int x, int y, double z) const;

private:
    Camera view;
    float elevationAngle = 0.0f;
    float azimuth = 0.0f;
};

#endif // ORVALIS_CAMERACONTROL_H
