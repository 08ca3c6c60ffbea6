#include "GLContext.h"
#include "GLShader.h"
#include "VecMath.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QProcess>
#include <QWindow>
#include <QtTest>

#include <unistd.h>

// Xlib macros last, after every Qt header.
#include <epoxy/glx.h>

#include <cstdio>
#include <memory>

namespace {

const char* const kChildVar = "ORVALIS_GL_CHILD";

QByteArray readAll(FILE* f)
{
    fflush(f);
    rewind(f);
    QByteArray bytes;
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, static_cast<qsizetype>(n));
    return bytes;
}

// Redirects file descriptor 2: the start-up messages always go to stderr.
class StderrCapture
{
public:
    StderrCapture() : m_file(tmpfile(), &fclose)
    {
        fflush(stderr);
        m_saved = dup(2);
        dup2(fileno(m_file.get()), 2);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        return readAll(m_file.get());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
        m_saved = -1;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> m_file;
    int m_saved = -1;
};

QByteArray boardDetails()
{
    auto str = [](GLenum name) {
        return QByteArray(reinterpret_cast<const char*>(glGetString(name)));
    };
    return "Graphics board details:\n\tVendor:         " + str(GL_VENDOR) +
           "\n\tGPU:            " + str(GL_RENDERER) + "\n\tOpenGL version: " + str(GL_VERSION) +
           "\n\tGLSL version:   " + str(GL_SHADING_LANGUAGE_VERSION) + "\n\n";
}

// Child process: runs the start-up in a situation that must end the process.
int runChild(const QByteArray& mode)
{
    GLuint va = 0;
    GLuint vbo = 0;
    if (mode == "nocontext") {
        initializeCommonGL(false, va, vbo);
        return 0;
    }
    QOffscreenSurface surface;
    surface.setFormat(viewSurfaceFormat());
    surface.create();
    QOpenGLContext context;
    context.setFormat(viewSurfaceFormat());
    if (!context.create() || !context.makeCurrent(&surface))
        return 2;
    initializeCommonGL(false, va, vbo);
    return 0;
}

} // namespace

class TestContext : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void surfaceFormat();
    void shaderDirectoryFollowsEnvironment();
    void commonStartMessagesAndState();
    void unitSquareDrawsWithBlending();
    void vsyncOnOffscreenSurfaceIsNotClaimed();
    void syncToVBlankMatchesDriver();
    void fatalStarts_data();
    void fatalStarts();

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    GLuint m_va = 0;
    GLuint m_vbo = 0;
    QByteArray m_startText;
};

void TestContext::initTestCase()
{
    m_surface.setFormat(viewSurfaceFormat());
    m_surface.create();
    m_context.setFormat(viewSurfaceFormat());
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    StderrCapture err;
    initializeCommonGL(false, m_va, m_vbo);
    m_startText = err.text();
}

void TestContext::cleanupTestCase()
{
    glDeleteVertexArrays(1, &m_va);
    glDeleteBuffers(1, &m_vbo);
    m_context.doneCurrent();
}

void TestContext::surfaceFormat()
{
    const QSurfaceFormat f = viewSurfaceFormat();
    QCOMPARE(f.profile(), QSurfaceFormat::CoreProfile);
    QCOMPARE(f.majorVersion(), 3);
    QCOMPARE(f.minorVersion(), 3);
    QCOMPARE(f.alphaBufferSize(), 8);
    // The context really is a core one: no compatibility entry points behind it.
    QCOMPARE(m_context.format().profile(), QSurfaceFormat::CoreProfile);
    QVERIFY(m_context.format().version() >= qMakePair(3, 3));
}

void TestContext::shaderDirectoryFollowsEnvironment()
{
    const QByteArray saved = qgetenv("ORVALIS_SHADER_DIR");
    qputenv("ORVALIS_SHADER_DIR", "/some/where/else/");
    QCOMPARE(shaderDirectory(), QStringLiteral("/some/where/else/"));
    qunsetenv("ORVALIS_SHADER_DIR");
    QCOMPARE(shaderDirectory(), QCoreApplication::applicationDirPath() + "/shaders/");
    if (!saved.isNull())
        qputenv("ORVALIS_SHADER_DIR", saved);
}

void TestContext::commonStartMessagesAndState()
{
    QCOMPARE(m_startText, "Initialize OpenGL...\n" + boardDetails());

    QVERIFY(glIsEnabled(GL_BLEND));
    GLint src = 0;
    GLint dst = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    QCOMPARE(src, GL_SRC_ALPHA);
    QCOMPARE(dst, GL_ONE_MINUS_SRC_ALPHA);

    QVERIFY(glIsVertexArray(m_va));
    GLint bound = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    QCOMPARE(bound, 0);

    glBindVertexArray(m_va);
    GLint enabled = 0;
    GLint size = 0;
    GLint type = 0;
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glBindVertexArray(0);
    QCOMPARE(enabled, GL_TRUE);
    QCOMPARE(size, 2);
    QCOMPARE(type, GL_FLOAT);
    QCOMPARE(static_cast<GLuint>(buffer), m_vbo);

    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
    GLint bytes = 0;
    GLint usage = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_USAGE, &usage);
    float corners[8] = {};
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof corners, corners);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    QCOMPARE(bytes, 32);
    QCOMPARE(usage, GL_STATIC_DRAW);
    const float strip[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(corners[i], strip[i]);
}

void TestContext::unitSquareDrawsWithBlending()
{
    constexpr int kSize = 16;
    GLuint fbo = 0;
    GLuint colour = 0;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kSize, kSize);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    QCOMPARE(glCheckFramebufferStatus(GL_FRAMEBUFFER),
             static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    GLShader shader;
    QVERIFY(shader.createProgramFromFile(ORVALIS_TEST_DATA "/gl_flat.vert",
                                         ORVALIS_TEST_DATA "/gl_flat.frag", stderr));
    glViewport(0, 0, kSize, kSize);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    shader.bind();
    glUniformMatrix4fv(shader.getUniformLocation("mvp"), 1, GL_FALSE,
                       orthoMatrix(0, 1, 0, 1).data());
    glUniform4f(shader.getUniformLocation("color"), 1.0f, 0.0f, 0.0f, 0.5f);
    glBindVertexArray(m_va);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    shader.release();

    // Half-transparent red over blue, in every corner of the viewport.
    for (int xy : {0, kSize - 1}) {
        for (int y : {0, kSize - 1}) {
            unsigned char px[4] = {};
            glReadPixels(xy, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
            QVERIFY2(qAbs(px[0] - 128) <= 1 && px[1] == 0 && qAbs(px[2] - 127) <= 1,
                     QByteArray::number(px[0]) + "," + QByteArray::number(px[1]) + "," +
                         QByteArray::number(px[2]));
        }
    }
    shader.removeAllShaders();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &fbo);
}

void TestContext::vsyncOnOffscreenSurfaceIsNotClaimed()
{
    // An offscreen surface presents nothing, so no interval can be verified for it.
    GLuint va = 0;
    GLuint vbo = 0;
    StderrCapture err;
    initializeCommonGL(true, va, vbo);
    const QByteArray text = err.text();
    glDeleteVertexArrays(1, &va);
    glDeleteBuffers(1, &vbo);
    QCOMPARE(text,
             "Initialize OpenGL...\n" + boardDetails() +
                 "SyncToVBlank could not be disabled. This might lead to high performance lost!");
}

void TestContext::syncToVBlankMatchesDriver()
{
    m_context.doneCurrent();
    {
        StderrCapture err;
        QVERIFY(!SyncToVBlank(false));
        QVERIFY(err.text().isEmpty());
    }

    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setFormat(viewSurfaceFormat());
    window.resize(64, 64);
    window.create();
    QOpenGLContext context;
    context.setFormat(viewSurfaceFormat());
    QVERIFY(context.create());
    QVERIFY(context.makeCurrent(&window));

    if (context.nativeInterface<QNativeInterface::QGLXContext>() == nullptr) {
        StderrCapture err;
        QVERIFY(!SyncToVBlank(false));
        QVERIFY(err.text().isEmpty());
    } else {
        Display* dpy = glXGetCurrentDisplay();
        const GLXDrawable drawable = glXGetCurrentDrawable();
        QVERIFY(dpy != nullptr && drawable != 0);
        const bool ext = epoxy_has_glx_extension(dpy, DefaultScreen(dpy), "GLX_EXT_swap_control");
        const bool mesa = epoxy_has_glx_extension(dpy, DefaultScreen(dpy), "GLX_MESA_swap_control");
        for (bool on : {false, true}) {
            StderrCapture err;
            const bool verified = SyncToVBlank(on);
            const QByteArray text = err.text();
            if (!ext && !mesa) {
                QVERIFY(!verified);
                QVERIFY(text.isEmpty());
                continue;
            }
            QCOMPARE(text,
                     QByteArray("+++ Windows: Sync to VBlank = ") + (on ? "1" : "0") + " +++\n");
            int actual = -1;
            if (ext) {
                unsigned int value = 0;
                glXQueryDrawable(dpy, drawable, GLX_SWAP_INTERVAL_EXT, &value);
                actual = static_cast<int>(value);
            } else {
                actual = glXGetSwapIntervalMESA();
            }
            QCOMPARE(verified, actual == (on ? 1 : 0));
        }
    }
    context.doneCurrent();
    QVERIFY(m_context.makeCurrent(&m_surface));
}

void TestContext::fatalStarts_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("versionOverride");
    QTest::addColumn<QByteArray>("expectedTail");
    QTest::addColumn<bool>("boardShown");
    QTest::newRow("no current context")
        << QByteArray("nocontext") << QByteArray()
        << QByteArray("Initialize OpenGL...\nOpenGL::Error: Failed to initialize gl3w.\n") << false;
    QTest::newRow("OpenGL 3.2") << QByteArray("old") << QByteArray("3.2")
                                << QByteArray("\tOpenGL version: 3.2") << true;
}

void TestContext::fatalStarts()
{
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, versionOverride);
    QFETCH(QByteArray, expectedTail);
    QFETCH(bool, boardShown);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildVar, mode);
    if (!versionOverride.isEmpty())
        env.insert("MESA_GL_VERSION_OVERRIDE", versionOverride);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray err = child.readAllStandardError();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 1, err);
    QCOMPARE(err.contains("Graphics board details:\n\tVendor:"), boardShown);
    if (boardShown) {
        QVERIFY2(err.contains(expectedTail), err);
        QVERIFY2(err.endsWith("\n\nError: OpenGL 3.3 or higher is not supported.\n"), err);
    } else {
        QVERIFY2(err.endsWith(expectedTail), err);
    }
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QByteArray childMode = qgetenv(kChildVar);
    if (!childMode.isEmpty())
        return runChild(childMode);
    TestContext test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gl_context.moc"
