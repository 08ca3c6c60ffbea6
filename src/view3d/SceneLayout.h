#ifndef ORVALIS_SCENELAYOUT_H
#define ORVALIS_SCENELAYOUT_H

#include "VecMath.h"

// Where the parts of the apparatus stand, as model matrices of the unit box
// and cylinder (SceneMesh) for a pendulum of the given length whose pivot
// hangs at the given height over the plane z = 0: the plate just below the
// plane, the post at the plate's corner with the arm on it reaching over the
// pivot, each magnet standing on the plate with its top in the plane, the
// chosen magnet's collar, and the bob at the end of its rod.
class SceneLayout
{
public:
    // The plate's top face, where the magnets stand and the trail lies.
    static constexpr float plateTop = -0.01f;

    SceneLayout(double pendulumLength, double pendulumHeight);

    mat4 plate() const;
    mat4 post() const;
    mat4 arm() const;
    static mat4 magnet(float x, float y);
    // A thin white disc around a magnet's foot.
    static mat4 collar(float x, float y);
    // Height of the bob hanging over plane point (x, y): on the sphere of rod
    // length around the pivot. A bob placed beyond the rod's reach is drawn
    // level with the pivot (rod horizontal) instead of getting no height.
    float bobHeight(float x, float y) const;
    mat4 bob(float x, float y) const;

private:
    double length;
    double height;
};

#endif // ORVALIS_SCENELAYOUT_H
