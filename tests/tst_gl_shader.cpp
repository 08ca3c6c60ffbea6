#include "GLContext.h"
#include "GLShader.h"
#include "VecMath.h"

#include <QDir>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// Xlib macros last, after every Qt header.
#include <epoxy/glx.h>

#include <cstdio>
#include <memory>

namespace {

std::string dataFile(const char* name)
{
    return std::string(ORVALIS_TEST_DATA "/") + name;
}

QByteArray fileBytes(const char* name)
{
    QFile f(QString::fromStdString(dataFile(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray cannotOpen(const std::string& path)
{
    return QByteArray("Error: GLShader::readShaderFromFile() ... Cannot open file \"") +
           path.c_str() + "\"\n";
}

// A stream handed to the code under test, read back afterwards.
class Capture
{
public:
    FILE* stream() const { return m_file.get(); }
    QByteArray text() const
    {
        fflush(stream());
        rewind(stream());
        QByteArray bytes;
        char buf[4096];
        size_t n = 0;
        while ((n = fread(buf, 1, sizeof buf, stream())) > 0)
            bytes.append(buf, static_cast<qsizetype>(n));
        return bytes;
    }

private:
    std::unique_ptr<FILE, int (*)(FILE*)> m_file{tmpfile(), &fclose};
};

// Redirects file descriptor 2 for the messages that always go to stderr.
class StderrCapture
{
public:
    StderrCapture() : m_saved(dup(2))
    {
        fflush(stderr);
        dup2(fileno(m_capture.stream()), 2);
    }
    ~StderrCapture() { text(); }
    QByteArray text()
    {
        if (m_saved >= 0) {
            fflush(stderr);
            dup2(m_saved, 2);
            close(m_saved);
            m_saved = -1;
        }
        return m_capture.text();
    }

private:
    Capture m_capture;
    int m_saved;
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

const char* const kChildVar = "ORVALIS_GL_CHILD";

// Child process: the start-up in a situation that must end the process.
int runChild(const QByteArray& mode)
{
    GLuint va = 0;
    GLuint vbo = 0;
    QOffscreenSurface surface;
    surface.setFormat(viewSurfaceFormat());
    surface.create();
    // Ask for no more than MESA_GL_VERSION_OVERRIDE offers: EGL refuses a 3.3 request there.
    QSurfaceFormat format = viewSurfaceFormat();
    format.setVersion(3, 2);
    QOpenGLContext context;
    context.setFormat(format);
    if (mode != "nocontext" && (!context.create() || !context.makeCurrent(&surface)))
        return 2;
    initializeCommonGL(false, va, vbo);
    return 0;
}

} // namespace

class TestGL : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void surfaceFormatAndShaderDirectory();
    void commonStart();
    void unitSquareDrawsWithBlending();
    void vsyncClaims();
    void fatalStarts_data();
    void fatalStarts();

    void unreadableFiles();
    void emptyFileBuildsNothing();
    void compileErrorListing();
    void linkErrorKeepsProgram();
    void removeAllShaders();
    void threeStageProgram();

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QTemporaryDir m_tmp;
    GLuint m_va = 0;
    GLuint m_vbo = 0;
    QByteArray m_startText;
};

void TestGL::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    m_surface.setFormat(viewSurfaceFormat());
    m_surface.create();
    m_context.setFormat(viewSurfaceFormat());
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    StderrCapture err;
    initializeCommonGL(false, m_va, m_vbo);
    m_startText = err.text();
}

void TestGL::cleanupTestCase()
{
    glDeleteVertexArrays(1, &m_va);
    glDeleteBuffers(1, &m_vbo);
    m_context.doneCurrent();
}

void TestGL::surfaceFormatAndShaderDirectory()
{
    const QSurfaceFormat f = viewSurfaceFormat();
    QCOMPARE(f.profile(), QSurfaceFormat::CoreProfile);
    QCOMPARE(f.version(), qMakePair(3, 3));
    QCOMPARE(f.alphaBufferSize(), 8);
    QCOMPARE(m_context.format().profile(), QSurfaceFormat::CoreProfile);

    const QByteArray saved = qgetenv("ORVALIS_SHADER_DIR");
    // A directory, not a prefix: file names are joined to it as paths.
    qputenv("ORVALIS_SHADER_DIR", "/some/where/else/");
    QCOMPARE(shaderDirectory(), QStringLiteral("/some/where/else"));
    qputenv("ORVALIS_SHADER_DIR", "some/where");
    QCOMPARE(shaderDirectory(), QDir::current().absoluteFilePath(QStringLiteral("some/where")));
    qunsetenv("ORVALIS_SHADER_DIR");
    QCOMPARE(shaderDirectory(), QCoreApplication::applicationDirPath() + "/shaders");
    if (!saved.isNull())
        qputenv("ORVALIS_SHADER_DIR", saved);
}

void TestGL::commonStart()
{
    QCOMPARE(m_startText, "Initialize OpenGL...\n" + boardDetails());

    GLint src = 0;
    GLint dst = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    QVERIFY(glIsEnabled(GL_BLEND));
    QCOMPARE(src, GL_SRC_ALPHA);
    QCOMPARE(dst, GL_ONE_MINUS_SRC_ALPHA);

    GLint bound = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    QCOMPARE(bound, 0);
    glBindVertexArray(m_va);
    GLint enabled = 0;
    GLint size = 0;
    GLint buffer = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glBindVertexArray(0);
    QCOMPARE(enabled, GL_TRUE);
    QCOMPARE(size, 2);
    QCOMPARE(static_cast<GLuint>(buffer), m_vbo);

    glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
    GLint bytes = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    float corners[8] = {};
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof corners, corners);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    QCOMPARE(bytes, 32);
    const float strip[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    QVERIFY(std::equal(corners, corners + 8, strip));
}

void TestGL::unitSquareDrawsWithBlending()
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

    Capture out;
    GLShader shader;
    QVERIFY(shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
    QVERIFY(out.text().isEmpty());
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);

    glViewport(0, 0, kSize, kSize);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    shader.bind();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(static_cast<GLuint>(current), shader.progHandle);
    glUniformMatrix4fv(shader.getUniformLocation("mvp"), 1, GL_FALSE,
                       orthoMatrix(0, 1, 0, 1).data());
    glUniform4f(shader.getUniformLocation("color"), 1.0f, 0.0f, 0.0f, 0.5f);
    // A uniform the program does not use is -1, and setting it is ignored.
    QCOMPARE(shader.getUniformLocation("notUsedAnywhere"), -1);
    glUniform4f(-1, 0.0f, 1.0f, 0.0f, 1.0f);
    glBindVertexArray(m_va);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    shader.release();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);
    QCOMPARE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Half-transparent red over blue, in every corner of the viewport.
    for (int x : {0, kSize - 1}) {
        for (int y : {0, kSize - 1}) {
            unsigned char px[4] = {};
            glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
            QVERIFY2(qAbs(px[0] - 128) <= 1 && px[1] == 0 && qAbs(px[2] - 127) <= 1,
                     QByteArray::number(px[0]) + "," + QByteArray::number(px[2]));
        }
    }
    shader.removeAllShaders();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &fbo);
}

void TestGL::vsyncClaims()
{
    // A view's frames reach the window through the context it shares with, and Qt
    // sets that context's interval on the window. Asked for nothing, the claim
    // fails, and the warning is a line of its own.
    {
        GLuint va = 0;
        GLuint vbo = 0;
        StderrCapture err;
        initializeCommonGL(true, va, vbo);
        const QByteArray text = err.text();
        glDeleteVertexArrays(1, &va);
        glDeleteBuffers(1, &vbo);
        QCOMPARE(text, "Initialize OpenGL...\n" + boardDetails() +
                           "SyncToVBlank could not be disabled. This might lead to high "
                           "performance lost!\n");
    }

    // A presenting context that asks for interval 0, and a view's context beside it.
    QSurfaceFormat unthrottled = viewSurfaceFormat();
    unthrottled.setSwapInterval(0);
    QOpenGLContext presenter;
    presenter.setFormat(unthrottled);
    QVERIFY(presenter.create());
    QOpenGLContext view;
    view.setFormat(viewSurfaceFormat());
    view.setShareContext(&presenter);
    QVERIFY(view.create());
    QVERIFY(view.makeCurrent(&m_surface));

    // Whether this display can switch the interval at all: Xvfb cannot.
    const bool glx = view.nativeInterface<QNativeInterface::QGLXContext>() != nullptr;
    Display* dpy = glx ? glXGetCurrentDisplay() : nullptr;
    const bool canSwap =
        dpy && (epoxy_has_glx_extension(dpy, DefaultScreen(dpy), "GLX_EXT_swap_control") ||
                epoxy_has_glx_extension(dpy, DefaultScreen(dpy), "GLX_MESA_swap_control"));
    for (int interval : {0, 1}) {
        StderrCapture err;
        const bool claimed = SyncToVBlank(interval == 1);
        const QByteArray text = err.text();
        const bool expected = interval == 0 && canSwap;
        QCOMPARE(claimed, expected);
        QCOMPARE(text,
                 expected ? QByteArray("+++ Windows: Sync to VBlank = 0 +++\n") : QByteArray());
    }
    view.doneCurrent();
    QVERIFY(!SyncToVBlank(false)); // nothing current
    QVERIFY(m_context.makeCurrent(&m_surface));
}

void TestGL::fatalStarts_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no current context")
        << QByteArray("nocontext")
        << QByteArray("Initialize OpenGL...\nOpenGL::Error: Failed to initialize gl3w.\n");
    QTest::newRow("OpenGL 3.2") << QByteArray("3.2") << QByteArray("\tOpenGL version: 3.2");
}

void TestGL::fatalStarts()
{
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, expected);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildVar, mode);
    if (mode != "nocontext")
        env.insert("MESA_GL_VERSION_OVERRIDE", mode);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray err = child.readAllStandardError();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 1, err);
    if (mode == "nocontext") {
        QVERIFY2(err.endsWith(expected) && !err.contains("Graphics board"), err);
    } else {
        // The board is always shown before the version test.
        QVERIFY2(err.contains("Graphics board details:\n") && err.contains(expected), err);
        QVERIFY2(err.endsWith("\n\nError: OpenGL 3.3 or higher is not supported.\n"), err);
    }
}

void TestGL::unreadableFiles()
{
    const std::string missing = (m_tmp.path() + "/no_such.vert").toStdString();
    const std::string frag = dataFile("gl_flat.frag");
    GLShader shader;
    Capture out;
    QVERIFY(!shader.createProgramFromFile(missing.c_str(), frag.c_str(), out.stream()));
    QCOMPARE(shader.progHandle, 0u);
    QCOMPARE(out.text(), cannotOpen(missing));

    // A long path is reported in full; a directory like a missing file.
    QString longDir = m_tmp.path();
    while (longDir.size() < 400)
        longDir += QStringLiteral("/a_rather_long_directory_name");
    for (const std::string& path :
         {(longDir + "/missing.frag").toStdString(), m_tmp.path().toStdString()}) {
        Capture pathOut;
        std::string text;
        QCOMPARE(shader.readShaderFromFile(path.c_str(), text, pathOut.stream()), 0);
        QCOMPARE(pathOut.text(), cannotOpen(path));
    }
}

void TestGL::emptyFileBuildsNothing()
{
    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_empty.vert").c_str(),
                                          dataFile("gl_flat.frag").c_str(), out.stream()));
    QCOMPARE(shader.progHandle, 0u);
    QVERIFY(out.text().isEmpty());
}

void TestGL::compileErrorListing()
{
    const QByteArray lf = fileBytes("gl_broken.frag");
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    const QString crlfPath = m_tmp.filePath("crlf_broken.frag");
    QFile crlfFile(crlfPath);
    QVERIFY(crlfFile.open(QIODevice::WriteOnly) && crlfFile.write(crlf) == crlf.size());
    crlfFile.close();

    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                          dataFile("gl_broken.frag").c_str(), out.stream()));
    QCOMPARE(shader.progHandle, 0u);
    const QByteArray text = out.text();

    QByteArray listing = "   1 : \n";
    const QList<QByteArray> lines = lf.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) // the file ends with a newline
        listing += QByteArray::number(i + 2).rightJustified(4) + " : " + lines[i] + "\n";
    QVERIFY2(text.startsWith("InfoLog : ") && text.endsWith(listing), text);
    // The driver's log counts lines like the listing: the faulty statement is line 6.
    const QString log = QString::fromUtf8(text.left(text.size() - listing.size()));
    QVERIFY2(log.contains(QRegularExpression(QStringLiteral("\\b6\\b"))), qPrintable(log));

    // CR LF line ends read, compile and list exactly like LF ones.
    Capture crlfOut;
    QCOMPARE(shader.createShaderFromFile(crlfPath.toStdString().c_str(), GL_FRAGMENT_SHADER,
                                         crlfOut.stream()),
             0u);
    QCOMPARE(crlfOut.text(), text);
    std::string read;
    QCOMPARE(shader.readShaderFromFile(crlfPath.toStdString().c_str(), read, crlfOut.stream()),
             lf.size());
    QCOMPARE(QByteArray::fromStdString(read), lf);
}

void TestGL::linkErrorKeepsProgram()
{
    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                          dataFile("gl_nomain.frag").c_str(), out.stream()));
    QVERIFY(glIsProgram(shader.progHandle));
    const QByteArray text = out.text();
    QVERIFY2(text.startsWith("\nProgramInfoLog :\n\n") && text.size() > 20, text);
}

void TestGL::removeAllShaders()
{
    GLShader shader;
    shader.removeAllShaders();
    QCOMPARE(shader.progHandle, 0u);

    Capture out;
    QVERIFY(shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
    const GLuint program = shader.progHandle;
    GLuint attached[4] = {};
    GLsizei count = 0;
    glGetAttachedShaders(program, 4, &count, attached);
    QCOMPARE(count, 2);

    shader.bind();
    shader.removeAllShaders();
    QCOMPARE(shader.progHandle, 0u);
    QVERIFY(!glIsProgram(program));
    QVERIFY(!glIsShader(attached[0]) && !glIsShader(attached[1]));
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);

    shader.removeAllShaders();
    QCOMPARE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // A reload builds again on the same object.
    QVERIFY(shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
}

void TestGL::threeStageProgram()
{
    GLShader shader;
    {
        StderrCapture err;
        QVERIFY(shader.createProgramFromFile(dataFile("gl_point.vert").c_str(),
                                             dataFile("gl_square.geom").c_str(),
                                             dataFile("gl_flat.frag").c_str()));
        QVERIFY(err.text().isEmpty());
    }
    GLint count = 0;
    glGetProgramiv(shader.progHandle, GL_ATTACHED_SHADERS, &count);
    QCOMPARE(count, 3);
    QVERIFY(shader.getUniformLocation("halfSize") >= 0);

    // Its messages go to stderr.
    const std::string missing = (m_tmp.path() + "/missing.geom").toStdString();
    GLShader broken;
    StderrCapture err;
    QVERIFY(!broken.createProgramFromFile(dataFile("gl_point.vert").c_str(), missing.c_str(),
                                          dataFile("gl_flat.frag").c_str()));
    QCOMPARE(err.text(), cannotOpen(missing));
    QCOMPARE(broken.progHandle, 0u);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QByteArray childMode = qgetenv(kChildVar);
    if (!childMode.isEmpty())
        return runChild(childMode);
    TestGL test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gl_shader.moc"
