#ifndef ORVALIS_GLCONTEXT_H
#define ORVALIS_GLCONTEXT_H

// epoxy must come before any Qt OpenGL header.
#include <epoxy/gl.h>

#include "GLObject.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QSurfaceFormat>

// Surface format every view asks for: core profile, OpenGL 3.3, an alpha channel.
QSurfaceFormat viewSurfaceFormat();

// Common start of every view's initializeGL (context current): reports the board,
// ends the process with status 1 when functions cannot be loaded or the context is
// older than 3.3, optionally switches vertical sync off, enables alpha blending and
// creates the unit-square VAO/VBO (attribute 0, two floats per vertex).
void initializeCommonGL(bool disableVSync, GLuint& vaQuad, GLuint& vboQuad);

// With a view's context current: whether the window presenting the view's frames
// asks for the swap interval (true = 1, false = 0) through its surface format and
// the window system can apply it there.
bool SyncToVBlank(bool on);

// Makes `texture` (created on first use, nearest sampling, clamped) hold `image`
// with its bottom row first, as GL counts rows; `size` is what the texture holds,
// so an image of the same size replaces its texels without reallocating.
void uploadImageTexture(GLTexture& texture, QSize& size, const QImage& image);
void uploadImageTexture(GLuint& texture, QSize& size, const QImage& image);

// Read-only data of an installed Orvalis (<prefix>/share/orvalis beside
// <prefix>/bin), absolute; it need not exist.
QString dataDirectory();

// Absolute path of the directory of GLSL sources: $ORVALIS_SHADER_DIR when set,
// else "shaders" beside the executable, else the one under dataDirectory().
QString shaderDirectory();

#endif // ORVALIS_GLCONTEXT_H
