#ifndef ORVALIS_GLOBJECT_H
#define ORVALIS_GLOBJECT_H

#include <epoxy/gl.h>

#include <utility>

// The kinds of GL object a handle can own; each has its own pair of calls
// that make and delete it.
enum class GLObjectKind { Buffer, VertexArray, Texture, Framebuffer, Sampler };

// Owns one GL object name and deletes it when reset, reassigned or destroyed.
// Deleting needs the context that made the object current: owners drop their
// handles while their context is current (the views do so on the context's
// aboutToBeDestroyed). An empty handle makes no GL call.
template <GLObjectKind kind> class GLObject
{
public:
    GLObject() = default;
    // Takes over a name made elsewhere.
    explicit GLObject(GLuint name) : name(name) {}
    ~GLObject() { reset(); }
    GLObject(const GLObject&) = delete;
    GLObject& operator=(const GLObject&) = delete;
    GLObject(GLObject&& other) noexcept : name(other.release()) {}
    GLObject& operator=(GLObject&& other) noexcept
    {
        if (this != &other) {
            reset();
            name = other.release();
        }
        return *this;
    }

    // A new object of this kind (context current).
    static GLObject create();

    GLuint id() const { return name; }
    explicit operator bool() const { return name != 0; }
    // Hands the name over without deleting the object.
    GLuint release() { return std::exchange(name, 0); }
    // Deletes the object, if any.
    void reset();

private:
    GLuint name = 0;
};

using GLBuffer = GLObject<GLObjectKind::Buffer>;
using GLVertexArray = GLObject<GLObjectKind::VertexArray>;
using GLTexture = GLObject<GLObjectKind::Texture>;
using GLFramebuffer = GLObject<GLObjectKind::Framebuffer>;
using GLSampler = GLObject<GLObjectKind::Sampler>;

extern template class GLObject<GLObjectKind::Buffer>;
extern template class GLObject<GLObjectKind::VertexArray>;
extern template class GLObject<GLObjectKind::Texture>;
extern template class GLObject<GLObjectKind::Framebuffer>;
extern template class GLObject<GLObjectKind::Sampler>;

#endif // ORVALIS_GLOBJECT_H
