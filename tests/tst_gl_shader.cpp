#include "GLContext.h"
#include "GLShader.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

const QString kData = QStringLiteral(ORVALIS_TEST_DATA "/");

std::string dataFile(const char* name)
{
    return (kData + QLatin1String(name)).toStdString();
}

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

// A stream the code under test writes to, read back as text afterwards.
class Capture
{
public:
    Capture() : m_file(tmpfile(), &fclose) {}
    FILE* stream() const { return m_file.get(); }
    QByteArray text() const { return readAll(m_file.get()); }

private:
    std::unique_ptr<FILE, int (*)(FILE*)> m_file;
};

// Redirects file descriptor 2 for messages that always go to stderr.
class StderrCapture
{
public:
    StderrCapture()
    {
        fflush(stderr);
        m_saved = dup(2);
        dup2(fileno(m_capture.stream()), 2);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        return m_capture.text();
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
    Capture m_capture;
    int m_saved = -1;
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray fileBytes(const char* name)
{
    QFile f(kData + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestShader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void missingVertexFile();
    void missingFileWithLongPath();
    void emptyFileBuildsNothing();
    void compileErrorListsSource();
    void crlfListsLikeLf();
    void linkErrorKeepsProgram();
    void workingProgramAndUniforms();
    void removeAllShadersIsIdempotent();
    void threeStageProgram();
    void threeStageMessagesGoToStderr();

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    QTemporaryDir m_tmp;
};

void TestShader::initTestCase()
{
    m_surface.setFormat(viewSurfaceFormat());
    m_surface.create();
    m_context.setFormat(viewSurfaceFormat());
    QVERIFY(m_context.create());
    QVERIFY(m_context.makeCurrent(&m_surface));
    QVERIFY(epoxy_gl_version() >= 33);
    QVERIFY(m_tmp.isValid());
}

void TestShader::cleanupTestCase()
{
    m_context.doneCurrent();
}

void TestShader::missingVertexFile()
{
    const std::string missing = (m_tmp.path() + "/no_such.vert").toStdString();
    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(missing.c_str(), dataFile("gl_flat.frag").c_str(),
                                          out.stream()));
    QCOMPARE(shader.progHandle, 0u);
    QCOMPARE(out.text(),
             QByteArray("Error: GLShader::readShaderFromFile() ... Cannot open file \"") +
                 missing.c_str() + "\"\n");

    // A missing fragment stage is reported the same way and leaves no program.
    Capture fragOut;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(), missing.c_str(),
                                          fragOut.stream()));
    QCOMPARE(shader.progHandle, 0u);
    QCOMPARE(fragOut.text().count("Cannot open file"), 1);

    // A directory opens on some systems but cannot be read: reported the same way.
    Capture dirOut;
    const std::string dir = m_tmp.path().toStdString();
    std::string text;
    QCOMPARE(shader.readShaderFromFile(dir.c_str(), text, dirOut.stream()), 0);
    QCOMPARE(dirOut.text(),
             QByteArray("Error: GLShader::readShaderFromFile() ... Cannot open file \"") +
                 dir.c_str() + "\"\n");
}

void TestShader::missingFileWithLongPath()
{
    QString dir = m_tmp.path();
    while (dir.size() < 400)
        dir += QStringLiteral("/a_rather_long_directory_name");
    const std::string path = (dir + "/missing.frag").toStdString();
    QVERIFY(path.size() > 400);

    Capture out;
    GLShader shader;
    std::string text = "left alone";
    QCOMPARE(shader.readShaderFromFile(path.c_str(), text, out.stream()), 0);
    const QByteArray expected =
        QByteArray("Error: GLShader::readShaderFromFile() ... Cannot open file \"") + path.c_str() +
        "\"\n";
    QCOMPARE(out.text(), expected);
}

void TestShader::emptyFileBuildsNothing()
{
    Capture out;
    GLShader shader;
    std::string text;
    QCOMPARE(shader.readShaderFromFile(dataFile("gl_empty.vert").c_str(), text, out.stream()), 0);
    QCOMPARE(shader.createShaderFromFile(dataFile("gl_empty.vert").c_str(), GL_VERTEX_SHADER,
                                         out.stream()),
             0u);
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_empty.vert").c_str(),
                                          dataFile("gl_flat.frag").c_str(), out.stream()));
    QCOMPARE(shader.progHandle, 0u);
    QVERIFY(out.text().isEmpty());
}

void TestShader::compileErrorListsSource()
{
    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                          dataFile("gl_broken.frag").c_str(), out.stream()));
    QCOMPARE(shader.progHandle, 0u);

    const QByteArray text = out.text();
    QVERIFY2(text.startsWith("InfoLog : "), text);
    const QList<QByteArray> fileLines = fileBytes("gl_broken.frag").split('\n');
    QByteArray listing = "   1 : \n";
    for (int i = 0; i < fileLines.size() - 1; ++i) // the file ends with a newline
        listing += QByteArray::number(i + 2).rightJustified(4) + " : " + fileLines[i] + "\n";
    QVERIFY2(text.endsWith(listing), text);
    // The driver's log counts lines the way the listing does: the faulty statement is listed as
    // line 6.
    const QByteArray log = text.left(text.size() - listing.size());
    QVERIFY2(QRegularExpression(QStringLiteral("\\b6\\b")).match(QString::fromUtf8(log)).hasMatch(),
             log);
}

void TestShader::crlfListsLikeLf()
{
    const QByteArray lf = fileBytes("gl_broken.frag");
    QVERIFY(!lf.contains('\r'));
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    const QString crlfPath = m_tmp.filePath("crlf_broken.frag");
    QVERIFY(writeFile(crlfPath, crlf));

    GLShader shader;
    Capture lfOut;
    Capture crlfOut;
    QCOMPARE(shader.createShaderFromFile(dataFile("gl_broken.frag").c_str(), GL_FRAGMENT_SHADER,
                                         lfOut.stream()),
             0u);
    QCOMPARE(shader.createShaderFromFile(crlfPath.toStdString().c_str(), GL_FRAGMENT_SHADER,
                                         crlfOut.stream()),
             0u);
    QVERIFY(!lfOut.text().isEmpty());
    QCOMPARE(crlfOut.text(), lfOut.text());

    std::string text;
    QCOMPARE(shader.readShaderFromFile(crlfPath.toStdString().c_str(), text, lfOut.stream()),
             lf.size());
    QCOMPARE(QByteArray::fromStdString(text), lf);

    // A CR LF stage that is valid compiles and links.
    QByteArray vert = fileBytes("gl_flat.vert");
    vert.replace("\n", "\r\n");
    const QString vertPath = m_tmp.filePath("crlf_flat.vert");
    QVERIFY(writeFile(vertPath, vert));
    Capture out;
    QVERIFY(shader.createProgramFromFile(vertPath.toStdString().c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
    QVERIFY(out.text().isEmpty());
    shader.removeAllShaders();
}

void TestShader::linkErrorKeepsProgram()
{
    Capture out;
    GLShader shader;
    QVERIFY(!shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                          dataFile("gl_nomain.frag").c_str(), out.stream()));
    QVERIFY(shader.progHandle != 0);
    QVERIFY(glIsProgram(shader.progHandle));
    const QByteArray text = out.text();
    QVERIFY2(text.startsWith("\nProgramInfoLog :\n\n"), text);
    QVERIFY2(text.size() > 20 && text.endsWith("\n"), text);
    shader.removeAllShaders();
    QCOMPARE(shader.progHandle, 0u);
}

void TestShader::workingProgramAndUniforms()
{
    Capture out;
    GLShader shader;
    QVERIFY(shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
    QVERIFY(out.text().isEmpty());
    QVERIFY(glIsProgram(shader.progHandle));

    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);
    shader.bind();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(static_cast<GLuint>(current), shader.progHandle);

    QVERIFY(shader.getUniformLocation("color") >= 0);
    QVERIFY(shader.getUniformLocation("mvp") >= 0);
    QCOMPARE(shader.getUniformLocation("notUsedAnywhere"), -1);
    glUniform4f(-1, 1.0f, 0.0f, 0.0f, 1.0f);
    QCOMPARE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    shader.release();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);
    shader.removeAllShaders();
}

void TestShader::removeAllShadersIsIdempotent()
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
    QVERIFY(!glIsShader(attached[0]));
    QVERIFY(!glIsShader(attached[1]));
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    QCOMPARE(current, 0);

    shader.removeAllShaders();
    shader.removeAllShaders();
    QCOMPARE(shader.progHandle, 0u);
    QCOMPARE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Rebuilding after removal works, as a reload does.
    QVERIFY(shader.createProgramFromFile(dataFile("gl_flat.vert").c_str(),
                                         dataFile("gl_flat.frag").c_str(), out.stream()));
    QVERIFY(out.text().isEmpty());
}

void TestShader::threeStageProgram()
{
    StderrCapture err;
    GLShader shader;
    const bool built = shader.createProgramFromFile(dataFile("gl_point.vert").c_str(),
                                                    dataFile("gl_square.geom").c_str(),
                                                    dataFile("gl_flat.frag").c_str());
    const QByteArray text = err.text();
    QVERIFY2(built, text);
    QVERIFY(text.isEmpty());
    QVERIFY(shader.getUniformLocation("halfSize") >= 0);
    GLint count = 0;
    glGetProgramiv(shader.progHandle, GL_ATTACHED_SHADERS, &count);
    QCOMPARE(count, 3);
}

void TestShader::threeStageMessagesGoToStderr()
{
    const std::string missing = (m_tmp.path() + "/missing.geom").toStdString();
    StderrCapture err;
    GLShader shader;
    const bool built = shader.createProgramFromFile(
        dataFile("gl_point.vert").c_str(), missing.c_str(), dataFile("gl_flat.frag").c_str());
    const QByteArray text = err.text();
    QVERIFY(!built);
    QCOMPARE(shader.progHandle, 0u);
    QCOMPARE(text, QByteArray("Error: GLShader::readShaderFromFile() ... Cannot open file \"") +
                       missing.c_str() + "\"\n");
}

QTEST_MAIN(TestShader)
#include "tst_gl_shader.moc"
