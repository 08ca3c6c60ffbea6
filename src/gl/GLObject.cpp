#include "GLObject.h"

namespace {

template <GLObjectKind kind> struct Calls;

template <> struct Calls<GLObjectKind::Buffer>
{
    static void make(GLuint* name) { glGenBuffers(1, name); }
    static void remove(const GLuint* name) { glDeleteBuffers(1, name); }
};

template <> struct Calls<GLObjectKind::VertexArray>
{
    static void make(GLuint* name) { glGenVertexArrays(1, name); }
    static void remove(const GLuint* name) { glDeleteVertexArrays(1, name); }
};

template <> struct Calls<GLObjectKind::Texture>
{
    static void make(GLuint* name) { glGenTextures(1, name); }
    static void remove(const GLuint* name) { glDeleteTextures(1, name); }
};

template <> struct Calls<GLObjectKind::Framebuffer>
{
    static void make(GLuint* name) { glGenFramebuffers(1, name); }
    static void remove(const GLuint* name) { glDeleteFramebuffers(1, name); }
};

template <> struct Calls<GLObjectKind::Sampler>
{
    static void make(GLuint* name) { glGenSamplers(1, name); }
    static void remove(const GLuint* name) { glDeleteSamplers(1, name); }
};

} // namespace

template <GLObjectKind kind> GLObject<kind> GLObject<kind>::create()
{
    GLuint made = 0;
    Calls<kind>::make(&made);
    return GLObject(made);
}

template <GLObjectKind kind> void GLObject<kind>::reset()
{
    if (name != 0)
        Calls<kind>::remove(&name);
    name = 0;
}

template class GLObject<GLObjectKind::Buffer>;
template class GLObject<GLObjectKind::VertexArray>;
template class GLObject<GLObjectKind::Texture>;
template class GLObject<GLObjectKind::Framebuffer>;
template class GLObject<GLObjectKind::Sampler>;
