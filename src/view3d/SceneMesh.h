#ifndef ORVALIS_SCENEMESH_H
#define ORVALIS_SCENEMESH_H

#include <vector>

// Vertices of one shape of the scene, built on the CPU and uploaded as they
// are: positions (x, y, z, 1), normals (x, y, z) where the shape has smooth
// ones, and triangle indices where it is drawn indexed. The scene scales and
// places these unit shapes for the plate, the stand, the magnets and the bob.
struct SceneMesh
{
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<unsigned> indices;

    int vertexCount() const { return int(positions.size() / 4); }

    // Closed box with x, y in [-0.5, 0.5] and z in [0, 1]: the four corners of
    // the top face, then those of the bottom; 12 triangles wound
    // counter-clockwise seen from outside, so back faces can be culled.
    static SceneMesh box();

    // Cylinder of radius 0.5 around the z axis, z in [-0.5, 0.5], as pairs of
    // vertices (top, bottom): the cap centres, then `ringSamples` points round
    // the rim whose last repeats the first, so a strip over the pairs closes
    // the mantle and a fan over every second vertex makes a cap. Rim normals
    // point outwards, the centres' along the axis.
    static SceneMesh cylinder(int ringSamples);
};

#endif // ORVALIS_SCENEMESH_H
