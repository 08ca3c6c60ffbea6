#ifndef ORVALIS_PICKFRAMEBUFFER_H
#define ORVALIS_PICKFRAMEBUFFER_H

#include "GLObject.h"

#include <QSize>

// The off-screen target of the 3D scene: output 0 the picture, output 1 an
// id image that tells which object covers each pixel, and a depth buffer.
// Every call needs the owner's context current.
class PickFramebuffer
{
public:
    // Makes the targets anew at `pixels`. An empty size keeps the targets it
    // had (a collapsed view) and returns false; an incomplete framebuffer is
    // reported on stderr and returns false too.
    bool resize(QSize pixels);
    bool exists() const { return bool(framebuffer); }
    QSize size() const { return pixels; }
    GLuint id() const { return framebuffer.id(); }
    GLuint picture() const { return colour.id(); }

    // Binds it for the scene, writing both outputs.
    void bindForDrawing() const;
    // The id at a pixel (row 0 at the bottom): 0 outside the targets or when
    // there are none. `restore` is the framebuffer bound for reading after.
    int idAt(int column, int row, GLuint restore) const;

private:
    GLFramebuffer framebuffer;
    GLTexture colour;
    GLTexture ids;
    GLTexture depth;
    QSize pixels;
};

#endif // ORVALIS_PICKFRAMEBUFFER_H
