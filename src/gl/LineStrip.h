#ifndef ORVALIS_LINESTRIP_H
#define ORVALIS_LINESTRIP_H

#include "GLObject.h"

#include <array>
#include <vector>

// A fixed line of path samples (x, y, vx, vy) in a buffer of its own, for a
// program that reads them at attribute 0. Make, fill, draw and reset it with
// the owning view's context current.
class LineStrip
{
public:
    // Replaces the line's samples; an empty list leaves nothing to draw.
    void upload(const std::vector<std::array<float, 4>>& samples);
    // The samples as one strip with the program bound; nothing without two.
    void draw() const;
    int size() const { return count; }
    // Deletes the GL objects, before their context goes.
    void reset();

private:
    GLVertexArray array;
    GLBuffer buffer;
    int count = 0;
};

#endif // ORVALIS_LINESTRIP_H
