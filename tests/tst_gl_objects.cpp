// The owning handles of GL objects: each kind is deleted when its last owner
// lets it go and not before, and a move hands the object over whole.
#include "GLContext.h"
#include "GLObject.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QtTest>

namespace {

// How a test brings each kind into being and asks whether it still is.
template <GLObjectKind kind> struct Probe;

template <> struct Probe<GLObjectKind::Buffer>
{
    static void bind(GLuint name) { glBindBuffer(GL_ARRAY_BUFFER, name); }
    static bool exists(GLuint name) { return glIsBuffer(name) == GL_TRUE; }
};

template <> struct Probe<GLObjectKind::VertexArray>
{
    static void bind(GLuint name) { glBindVertexArray(name); }
    static bool exists(GLuint name) { return glIsVertexArray(name) == GL_TRUE; }
};

template <> struct Probe<GLObjectKind::Texture>
{
    static void bind(GLuint name) { glBindTexture(GL_TEXTURE_2D, name); }
    static bool exists(GLuint name) { return glIsTexture(name) == GL_TRUE; }
};

template <> struct Probe<GLObjectKind::Framebuffer>
{
    static void bind(GLuint name) { glBindFramebuffer(GL_FRAMEBUFFER, name); }
    static bool exists(GLuint name) { return glIsFramebuffer(name) == GL_TRUE; }
};

template <> struct Probe<GLObjectKind::Sampler>
{
    static void bind(GLuint name) { glBindSampler(0, name); }
    static bool exists(GLuint name) { return glIsSampler(name) == GL_TRUE; }
};

// A new object, bound once and unbound, so that it exists for glIs*.
template <GLObjectKind kind> GLObject<kind> made()
{
    GLObject<kind> object = GLObject<kind>::create();
    Probe<kind>::bind(object.id());
    Probe<kind>::bind(0);
    return object;
}

template <GLObjectKind kind> void checkOwnership()
{
    using P = Probe<kind>;
    GLuint first = 0;
    GLuint second = 0;
    {
        GLObject<kind> a = made<kind>();
        first = a.id();
        QVERIFY(first != 0 && a && P::exists(first));

        // A move hands the object over without deleting it.
        GLObject<kind> b(std::move(a));
        QCOMPARE(a.id(), GLuint(0));
        QVERIFY(!a);
        QCOMPARE(b.id(), first);
        QVERIFY(P::exists(first));

        // Assigning over a handle deletes what it held.
        GLObject<kind> c = made<kind>();
        second = c.id();
        c = std::move(b);
        QCOMPARE(c.id(), first);
        QVERIFY(!P::exists(second));
        QVERIFY(P::exists(first));
        GLObject<kind>& self = c;
        c = std::move(self);
        QCOMPARE(c.id(), first);
        QVERIFY(P::exists(first));
    }
    // The last owner going deletes it.
    QVERIFY(!P::exists(first));

    // Released, the name is the caller's: nothing deletes it but the caller.
    GLuint kept = 0;
    {
        GLObject<kind> d = made<kind>();
        kept = d.release();
        QVERIFY(!d);
    }
    QVERIFY(P::exists(kept));
    GLObject<kind> adopted(kept);
    adopted.reset();
    QVERIFY(!adopted && !P::exists(kept));
}

} // namespace

class TestGLObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void handlesOwnTheirObjects();

private:
    QOffscreenSurface surface;
    QOpenGLContext context;
};

void TestGLObjects::initTestCase()
{
    surface.setFormat(viewSurfaceFormat());
    surface.create();
    context.setFormat(viewSurfaceFormat());
    QVERIFY(context.create());
    QVERIFY(context.makeCurrent(&surface));
}

void TestGLObjects::cleanupTestCase()
{
    context.doneCurrent();
}

void TestGLObjects::handlesOwnTheirObjects()
{
    checkOwnership<GLObjectKind::Buffer>();
    checkOwnership<GLObjectKind::VertexArray>();
    checkOwnership<GLObjectKind::Texture>();
    checkOwnership<GLObjectKind::Framebuffer>();
    checkOwnership<GLObjectKind::Sampler>();
}

QTEST_MAIN(TestGLObjects)
#include "tst_gl_objects.moc"
