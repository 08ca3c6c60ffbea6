#include "GLContext.h"

#include <QCoreApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QtGlobal>

// Xlib/GLX headers come last: they define macros (None, Bool, Status) that clash with Qt.
#include <epoxy/egl.h>
#include <epoxy/glx.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fatal(const char* message)
{
    fputs(message, stderr);
    fflush(stderr);
    exit(1);
}

const char* glString(GLenum name)
{
    const GLubyte* s = glGetString(name);
    return s != nullptr ? reinterpret_cast<const char*>(s) : "";
}

// Whether GLX offers the swap-control extensions through which Qt applies a
// window's interval, looked up once per process.
enum class SwapControl { Unresolved, Absent, Present };
SwapControl glxSwapControl = SwapControl::Unresolved;

bool glxCanSwap(const QNativeInterface::QGLXContext& glx)
{
    if (glxSwapControl == SwapControl::Unresolved) {
        Display* dpy = glXGetCurrentDisplay();
        int screen = 0;
        if (dpy != nullptr &&
            glXQueryContext(dpy, glx.nativeContext(), GLX_SCREEN, &screen) != Success)
            screen = DefaultScreen(dpy);
        const bool present =
            dpy != nullptr && (epoxy_has_glx_extension(dpy, screen, "GLX_EXT_swap_control") ||
                               epoxy_has_glx_extension(dpy, screen, "GLX_MESA_swap_control"));
        glxSwapControl = present ? SwapControl::Present : SwapControl::Absent;
    }
    return glxSwapControl == SwapControl::Present;
}

// EGL applies an interval only within the range of the context's config.
bool eglCanSwap(const QNativeInterface::QEGLContext& egl, int interval)
{
    EGLint lowest = 1;
    EGLint highest = 1;
    eglGetConfigAttrib(egl.display(), egl.config(), EGL_MIN_SWAP_INTERVAL, &lowest);
    eglGetConfigAttrib(egl.display(), egl.config(), EGL_MAX_SWAP_INTERVAL, &highest);
    return lowest <= interval && interval <= highest;
}

} // namespace

QSurfaceFormat viewSurfaceFormat()
{
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setVersion(3, 3);
    format.setAlphaBufferSize(8);
    // A forward-compatible context rejects line widths above 1; the path and
    // the rod are drawn wider.
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    return format;
}

void initializeCommonGL(bool disableVSync, GLuint& vaQuad, GLuint& vboQuad)
{
    fprintf(stderr, "Initialize OpenGL...\n");
    if (QOpenGLContext::currentContext() == nullptr || epoxy_gl_version() < 30)
        fatal("OpenGL::Error: Failed to initialize gl3w.\n");

    fprintf(stderr, "Graphics board details:\n");
    fprintf(stderr, "\tVendor:         %s\n", glString(GL_VENDOR));
    fprintf(stderr, "\tGPU:            %s\n", glString(GL_RENDERER));
    fprintf(stderr, "\tOpenGL version: %s\n", glString(GL_VERSION));
    fprintf(stderr, "\tGLSL version:   %s\n\n", glString(GL_SHADING_LANGUAGE_VERSION));

    if (epoxy_gl_version() < 33)
        fatal("Error: OpenGL 3.3 or higher is not supported.\n");

    if (disableVSync && !SyncToVBlank(false))
        fprintf(stderr,
                "SyncToVBlank could not be disabled. This might lead to high performance lost!\n");

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Unit square in triangle-strip order.
    static const GLfloat quad[] = {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};
    glGenVertexArrays(1, &vaQuad);
    glGenBuffers(1, &vboQuad);
    glBindVertexArray(vaQuad);
    glBindBuffer(GL_ARRAY_BUFFER, vboQuad);
    glEnableVertexAttribArray(0);
    glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
}

bool SyncToVBlank(bool on)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (context == nullptr)
        return false;
    // A view draws off screen; its frames reach the window through the context it
    // shares with, and Qt sets that context's swap interval on the window when it
    // presents. So the interval is asked for through the surface format, not set here.
    const QOpenGLContext* presenter =
        context->shareContext() != nullptr ? context->shareContext() : context;
    const int interval = on ? 1 : 0;
    if (presenter->format().swapInterval() != interval)
        return false;

    if (auto* glx = context->nativeInterface<QNativeInterface::QGLXContext>()) {
        if (!glxCanSwap(*glx))
            return false;
    } else if (auto* egl = context->nativeInterface<QNativeInterface::QEGLContext>()) {
        if (!eglCanSwap(*egl, interval))
            return false;
    } else {
        return false;
    }
    fprintf(stderr, "+++ Windows: Sync to VBlank = %d +++\n", interval);
    return true;
}

QString dataDirectory()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" ORVALIS_DATA_FROM_BIN));
}

void uploadImageTexture(GLuint& texture, QSize& textureSize, const QImage& image)
{
    GLTexture owned(texture);
    uploadImageTexture(owned, textureSize, image);
    texture = owned.release();
}

void uploadImageTexture(GLTexture& texture, QSize& textureSize, const QImage& image)
{
    glActiveTexture(GL_TEXTURE0);
    if (!texture) {
        texture = GLTexture::create();
        glBindTexture(GL_TEXTURE_2D, texture.id());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The bottom row first, as GL counts them: a map that fills a view then
    // copies onto it unchanged. 0xAARRGGBB words, whatever the byte order.
    const bool words = image.format() == QImage::Format_RGB32 ||
                       image.format() == QImage::Format_ARGB32 ||
                       image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage rows = (words ? image : image.convertToFormat(QImage::Format_ARGB32)).mirrored();
    if (rows.size() != textureSize) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rows.width(), rows.height(), 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, rows.constBits());
        textureSize = rows.size();
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, rows.width(), rows.height(), GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, rows.constBits());
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

QString shaderDirectory()
{
    // A relative directory is taken from the working directory at start.
    const QString fromEnv = qEnvironmentVariable("ORVALIS_SHADER_DIR");
    if (!fromEnv.isEmpty())
        return QDir(fromEnv).absolutePath();
    // The build tree keeps them beside the executable, an installation under its data.
    const QDir beside(QCoreApplication::applicationDirPath() + QStringLiteral("/shaders"));
    if (beside.exists())
        return beside.absolutePath();
    const QDir installed(dataDirectory() + QStringLiteral("/shaders"));
    return installed.exists() ? installed.absolutePath() : beside.absolutePath();
}
