#include "GLContext.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurface>
#include <QtGlobal>

// Xlib/GLX headers come last: they define macros (None, Bool, Status) that clash with Qt.
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

// The X11 counterpart of the Windows swap-interval pair, resolved once per process.
enum class SwapControl { Unresolved, Absent, Ext, Mesa };
SwapControl swapControl = SwapControl::Unresolved;

// Setting an interval on a drawable the extension does not accept raises an X error;
// Xlib's default handler would end the process, so errors are trapped around the calls.
bool xErrorSeen = false;
int trapXError(Display*, XErrorEvent*)
{
    xErrorSeen = true;
    return 0;
}

class XErrorTrap
{
public:
    explicit XErrorTrap(Display* dpy) : m_dpy(dpy)
    {
        XSync(m_dpy, False);
        xErrorSeen = false;
        m_previous = XSetErrorHandler(trapXError);
    }
    ~XErrorTrap() { XSetErrorHandler(m_previous); }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    bool failed() const
    {
        XSync(m_dpy, False);
        return xErrorSeen;
    }

private:
    Display* m_dpy;
    int (*m_previous)(Display*, XErrorEvent*) = nullptr;
};

SwapControl resolveSwapControl(Display* dpy, GLXContext ctx)
{
    int screen = 0;
    if (glXQueryContext(dpy, ctx, GLX_SCREEN, &screen) != Success)
        screen = DefaultScreen(dpy);
    if (epoxy_has_glx_extension(dpy, screen, "GLX_EXT_swap_control"))
        return SwapControl::Ext;
    if (epoxy_has_glx_extension(dpy, screen, "GLX_MESA_swap_control"))
        return SwapControl::Mesa;
    return SwapControl::Absent;
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
                "SyncToVBlank could not be disabled. This might lead to high performance lost!");

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
    // Only a GLX context has a GLX drawable; EGL and other platforms find nothing.
    QOpenGLContext* context = QOpenGLContext::currentContext();
    auto* glx =
        context != nullptr ? context->nativeInterface<QNativeInterface::QGLXContext>() : nullptr;
    if (glx == nullptr)
        return false;
    // A QOpenGLWidget's context is current on an offscreen surface (a pbuffer or a hidden
    // window) whose interval governs no presentation; only a window's is worth setting.
    if (context->surface() == nullptr || context->surface()->surfaceClass() != QSurface::Window)
        return false;

    Display* dpy = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (dpy == nullptr || drawable == 0)
        return false;
    if (swapControl == SwapControl::Unresolved)
        swapControl = resolveSwapControl(dpy, glx->nativeContext());
    if (swapControl == SwapControl::Absent)
        return false;

    const int interval = on ? 1 : 0;
    fprintf(stderr, "+++ Windows: Sync to VBlank = %d +++\n", interval);

    XErrorTrap trap(dpy);
    int current = -1;
    if (swapControl == SwapControl::Ext) {
        glXSwapIntervalEXT(dpy, drawable, interval);
        unsigned int value = 0;
        glXQueryDrawable(dpy, drawable, GLX_SWAP_INTERVAL_EXT, &value);
        current = static_cast<int>(value);
    } else {
        glXSwapIntervalMESA(static_cast<unsigned int>(interval));
        current = glXGetSwapIntervalMESA();
    }
    return !trap.failed() && current == interval;
}

QString shaderDirectory()
{
    const QString fromEnv = qEnvironmentVariable("ORVALIS_SHADER_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/shaders/");
}
