#include "PickFramebuffer.h"

#include "SystemData.h"

#include <cstdio>

namespace {

GLTexture targetTexture(GLint internalFormat, GLenum format, GLenum type, QSize pixels)
{
    GLTexture texture = GLTexture::create();
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, pixels.width(), pixels.height(), 0, format, type,
                 nullptr);
    return texture;
}

const char* incompleteness(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_UNDEFINED:
        return "FBO: undefined.\n";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        return "FBO: incomplete attachment.\n";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        return "FBO: no buffers are attached to the FBO.\n";
    case GL_FRAMEBUFFER_UNSUPPORTED:
        return "FBO: combination of internal buffer formats is not supported.\n";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
        return "FBO: number of samples or the value for ... does not match.\n";
    default:
        return nullptr;
    }
}

} // namespace

bool PickFramebuffer::resize(QSize size)
{
    if (size.isEmpty())
        return false;

    // The old targets go before the new ones are made, as a window's worth of
    // each is large.
    *this = PickFramebuffer();
    pixels = size;
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    framebuffer = GLFramebuffer::create();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.id());
    colour = targetTexture(GL_RGBA, GL_RGB, GL_UNSIGNED_BYTE, size);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour.id(), 0);
    // Ids need the exact 8 bits of every channel.
    ids = targetTexture(GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, size);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, ids.id(), 0);
    depth = targetTexture(GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_FLOAT, size);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth.id(), 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    const char* message = incompleteness(glCheckFramebufferStatus(GL_FRAMEBUFFER));
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    if (message != nullptr) {
        fputs(message, stderr);
        return false;
    }
    return true;
}

void PickFramebuffer::bindForDrawing() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.id());
    static const GLenum outputs[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, outputs);
}

int PickFramebuffer::idAt(int column, int row, GLuint restore) const
{
    if (!framebuffer || column < 0 || column >= pixels.width() || row < 0 || row >= pixels.height())
        return 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer.id());
    glReadBuffer(GL_COLOR_ATTACHMENT1);
    unsigned char rgb[3] = {0, 0, 0};
    glReadPixels(column, row, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, restore);
    return SystemData::pickIdFromColor(rgb[0], rgb[1], rgb[2]);
}
