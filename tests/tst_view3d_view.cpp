// The 3D view rendered for real (Xvfb + Mesa): picking through the id image,
// the frame's colours, the map on the plate, the trail, and the camera and
// object drags as the window wires them to the model.
#include "GLContext.h"
#include "ModelState.h"

#include "BasinEngine.h"
#include "BasinPainter.h"
#include "Experiment.h"
#include "ModelEditor.h"
#include "OpenGL3d.h"
#include "PathCapture.h"
#include "PickFramebuffer.h"
#include "SceneLayout.h"
#include "ScenePixels.h"
#include "StderrCapture.h"
#include "SystemData.h"
#include "Wheel.h"

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <QUndoStack>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// Opens the view's protected state to the tests.
class View : public OpenGL3d
{
public:
    using OpenGL3d::OpenGL3d;
    GLuint framebuffer() const { return renderer->framebuffer().id(); }
    int selection() const { return selected; }
    float elevationAngle() const { return control.elevation(); }
    Camera& cam() { return control.camera(); }
    // The id image of the last frame, bottom row first.
    QImage idImage()
    {
        const QSize pixels = size() * devicePixelRatio();
        QImage image(pixels, QImage::Format_RGB888);
        makeCurrent();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer());
        glReadBuffer(GL_COLOR_ATTACHMENT1);
        glReadPixels(0, 0, pixels.width(), pixels.height(), GL_RGB, GL_UNSIGNED_BYTE, image.bits());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
        doneCurrent();
        return image;
    }
};

// Where the ray through a pixel meets the horizontal plane at height z.
vec3 hitOnPlane(const OpenGL3d& view, QPoint pixel, float z)
{
    const vec3 eye = view.getCamera().getEyePos();
    const vec3 ray = view.getCamera().getRayDir(pixel.x(), pixel.y());
    return eye + ((z - eye.z) / ray.z) * ray;
}

float bobZ(const SystemData& data, float x, float y)
{
    return float(data.pendulumHeight -
                 std::sqrt(data.pendulumLength * data.pendulumLength - x * x - y * y));
}

bool sameMatrix(const mat4& a, const mat4& b)
{
    return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

constexpr QRgb rodColour = 0xd9d9f2; // the rod is unlit: (0.85, 0.85, 0.95)

// A pixel next to p (within one) that has exactly colour c, or (-1, -1).
QPoint findColour(const QImage& image, QPoint p, QRgb c)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && (image.pixel(q) & 0xffffff) == c)
                return q;
        }
    return {-1, -1};
}

} // namespace

class TestView3d : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void picksMagnetsAndBob();
    void plateShowsTheMap();
    void plateMapBlendsWhenSeenFromAfar();
    void trailFollowsThePlayback();
    void captureIsMarkedWhenThePlaybackGetsThere();
    void showsObjectsInTheirColours();
    void opaqueSceneNeedsNoBlending();
    void picksNothingOnStandRodAndBackground();
    void framebufferFollowsSize();
    void shiftDragOfMagnetIsOneEdit();
    void magnetDragLeavesTheModelToTheEditor();
    void shiftDragReleasesTheBob();
    void dragIgnoresRaysMissingThePlane();
    void deleteRemovesTheChosenMagnet();
    void cameraDragsAndReset();
    void wheelZoomsWithinLimits();
    void liftKeepsTheViewFrame();
    void bobBeyondRodReachStaysDrawable();
    void startsAfreshInAnotherWindow();
    void savesImageInTheSuffixFormat();

private:
    // Renders a fresh frame (which also refreshes the id image) and returns it.
    QImage frame() { return view->grabFramebuffer(); }

    // The colour of the plate's top face at a plane point.
    QColor plateColour(const QImage& image, float x, float y)
    {
        return image.pixelColor(project(*view, {x, y, -0.01f}));
    }

    SystemData* data = nullptr;
    Experiment* experiment = nullptr;
    ModelEditor* editor = nullptr;
    View* view = nullptr;
};

void TestView3d::init()
{
    data = new SystemData;
    experiment = new Experiment(data);
    editor = new ModelEditor(data, experiment);
    view = new View(viewSurfaceFormat(), data);
    // What the main window connects.
    connect(view, &OpenGL3d::releaseRequested, experiment, &Experiment::release);
    connect(view, &OpenGL3d::magnetDragStarted, editor,
            [this](int i) { editor->beginLiveEdit(QStringLiteral("Move magnet %1").arg(i)); });
    connect(view, &OpenGL3d::magnetDragged, editor, &ModelEditor::moveMagnet);
    connect(view, &OpenGL3d::magnetDragFinished, editor, &ModelEditor::endLiveEdit);
    connect(view, &OpenGL3d::magnetRemoveRequested, editor, &ModelEditor::removeMagnet);
    view->resize(600, 600);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    // Off the axis, so that neither the bob nor the rod covers a magnet.
    data->animPos[0] = 0.045f;
    data->animPos[1] = 0.01f;
    frame();
}

void TestView3d::cleanup()
{
    delete view;
    delete editor;
    delete experiment;
    delete data;
}

void TestView3d::picksMagnetsAndBob()
{
    for (int i = 0; i < data->magnets.size(); ++i) {
        const Magnet& m = data->magnets[i];
        // The centre of the magnet, half its height below the top at z = 0.
        const QPoint p = project(*view, {m.posX, m.posY, -0.005f});
        QCOMPARE(view->pickId(p.x(), p.y()), 1000 + i);
    }
    const float x = data->animPos[0], y = data->animPos[1];
    const QPoint bob = project(*view, {x, y, bobZ(*data, x, y)});
    QCOMPARE(view->pickId(bob.x(), bob.y()), 15000);

    // A new magnet gets the next id wherever it is put.
    data->appendMagnet(-0.05f, 0.0f, 1.0f, 1.0f, 1.0f, 0.0f);
    frame();
    const QPoint added = project(*view, {-0.05f, 0.0f, 0.0f});
    QCOMPARE(view->pickId(added.x(), added.y()), 1003);
}

// The default set's map over the default square: every magnet stands on its
// own basin, the rest of the plate is one plain colour, and the id image is
// what it was. Without the map the chequer board is back.
void TestView3d::plateShowsTheMap()
{
    BasinRequest request = ModelState::of(*data).basinRequest();
    request.width = request.height = 96;
    request.progressive = false;
    BasinEngine engine;
    QVERIFY(engine.run(request));
    view->setPlateMap(BasinPainter(engine.result()).paint(engine.result()),
                      QRectF(request.left, request.bottom, request.right - request.left,
                             request.top - request.bottom));
    view->cam().setDistance(0.6f); // far enough to see past the map's edge
    QImage image = frame();

    // On both sides of each magnet, its own colour dominates.
    for (int i = 0; i < 3; ++i) {
        const Magnet& m = data->magnets[i];
        for (const float dx : {-0.009f, 0.009f}) {
            const QColor c = plateColour(image, m.posX + dx, m.posY);
            const int channel[3] = {c.red(), c.green(), c.blue()};
            QVERIFY2(channel[i] > 60 && channel[i] > 2 * channel[(i + 1) % 3] &&
                         channel[i] > 2 * channel[(i + 2) % 3],
                     qPrintable(QStringLiteral("beside magnet %1: %2").arg(i).arg(c.name())));
        }
        const QPoint p = project(*view, {m.posX, m.posY, -0.005f});
        QCOMPARE(view->pickId(p.x(), p.y()), 1000 + i);
    }
    const QPoint plate =
        project(*view, {data->magnets[0].posX + 0.009f, data->magnets[0].posY, -0.01f});
    QCOMPARE(view->pickId(plate.x(), plate.y()), 0);
    // Beyond the map one plain colour, where the chequer board has two.
    const float out = float(request.right) + 0.03f;
    const QColor a = plateColour(image, out, 0.025f);
    QVERIFY(a.isValid() && a != QColor(Qt::black));
    QCOMPARE(plateColour(image, out, 0.075f), a);

    view->clearPlateMap();
    image = frame();
    QVERIFY(plateColour(image, out, 0.025f) != plateColour(image, out, 0.075f));
}

// A map far finer than the pixels it falls on, in stripes of two colours one
// texel wide: from afar each pixel of the plate shows their mix, never one
// stripe picked at random (the moire of a plain nearest sampling).
void TestView3d::plateMapBlendsWhenSeenFromAfar()
{
    QImage stripes(1024, 1024, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? 0xff0000 : 0x0000ff);
    view->setPlateMap(stripes, QRectF(-0.1, -0.1, 0.2, 0.2));
    view->cam().setDistance(0.8f);
    const QImage image = frame();

    int plate = 0;
    int pure = 0;
    for (float x = -0.09f; x < 0.09f; x += 0.01f)
        for (float y = -0.09f; y < 0.09f; y += 0.01f) {
            const QPoint p = project(*view, {x, y, SceneLayout::plateTop});
            if (!image.rect().contains(p) || view->pickId(p.x(), p.y()) != 0)
                continue; // a magnet, the bob or off the window
            const QColor c = image.pixelColor(p);
            if (c.green() > c.red() / 2 || c.green() > c.blue() / 2)
                continue; // the rod or the post
            ++plate;
            if (std::min(c.red(), c.blue()) < std::max(c.red(), c.blue()) / 3)
                ++pure;
        }
    QVERIFY2(plate > 100, qPrintable(QString::number(plate)));
    QVERIFY2(pure == 0,
             qPrintable(QStringLiteral("%1 of %2 pixels show one stripe").arg(pure).arg(plate)));
}

// The part of the path the bob has travelled lies on the plate in the path's
// colour (white by default) on a dark edge; the rest is not drawn.
void TestView3d::trailFollowsThePlayback()
{
    experiment->release(0.09, 0.06);
    // A sample clear of the magnets and of the bob's later places.
    const int sample = 12;
    const auto& p = data->trajPoints[std::size_t(sample)];
    const QPoint pixel = project(*view, {p[0], p[1], -0.009f});
    QVERIFY(findColour(frame(), pixel, 0xffffff).x() < 0);

    while (data->animIndex <= 2 * sample)
        QVERIFY(data->animStep());
    const QPoint onTrail = findColour(frame(), pixel, 0xffffff);
    QVERIFY(onTrail.x() >= 0);
    QCOMPARE(view->pickId(onTrail.x(), onTrail.y()), 0);

    data->ResetAnim();
    QVERIFY(findColour(frame(), pixel, 0xffffff).x() < 0);
}

// A ring in the colour of the magnet that caught the bob, around the point of
// capture over the magnets' tops: drawn once the playback has got there.
void TestView3d::captureIsMarkedWhenThePlaybackGetsThere()
{
    experiment->setUntilCaught(true);
    view->setPathCapture(&experiment->capture());
    experiment->release(0.071, -0.043);
    const PathCapture& capture = experiment->capture();
    QVERIFY(capture.caught());
    const QRgb colour = capture.colour.rgb() & 0xffffff;
    // Points of the ring (radius 0.012) that show its colour.
    const auto ringPoints = [&](const QImage& image) {
        int found = 0;
        for (int k = 0; k < 16; ++k) {
            const double angle = 2.0 * std::acos(-1.0) * k / 16;
            const vec3 p{capture.x + float(0.012 * std::cos(angle)),
                         capture.y + float(0.012 * std::sin(angle)), 0.001f};
            found += findColour(image, project(*view, p), colour).x() >= 0 ? 1 : 0;
        }
        return found;
    };
    data->animTime = 0.99f * data->trajTimes[std::size_t(capture.sample)];
    QCOMPARE(ringPoints(frame()), 0);

    data->animTime = data->trajTimes[std::size_t(capture.sample)];
    data->animIndex = capture.sample - 1;
    // Most of it; the rod and the bob over it may hide a little.
    QVERIFY(ringPoints(frame()) >= 12);

    view->setPathCapture(nullptr);
    QCOMPARE(ringPoints(frame()), 0);
}

void TestView3d::showsObjectsInTheirColours()
{
    const QImage image = frame();
    QCOMPARE(image.size(), view->size());

    // Magnets red, green, blue: their own channel clearly dominates.
    for (int i = 0; i < 3; ++i) {
        const Magnet& m = data->magnets[i];
        const QColor c = image.pixelColor(project(*view, {m.posX, m.posY, 0.0f}));
        const int channel[3] = {c.red(), c.green(), c.blue()};
        QVERIFY2(channel[i] > 100 && channel[i] > 3 * channel[(i + 1) % 3] &&
                     channel[i] > 3 * channel[(i + 2) % 3],
                 qPrintable(QStringLiteral("magnet %1 shows %2").arg(i).arg(c.name())));
    }

    // The bob in its warm yellow (255, 240, 160): red >= green > blue, all lit.
    const float x = data->animPos[0], y = data->animPos[1];
    const QColor bob = image.pixelColor(project(*view, {x, y, bobZ(*data, x, y)}));
    QVERIFY2(bob.red() > 80 && bob.red() >= bob.green() && bob.green() > bob.blue(),
             qPrintable(bob.name()));

    // The plate is a grey checker: lit, neutral, and of two shades.
    const QColor a = image.pixelColor(project(*view, {-0.125f, 0.125f, -0.01f}));
    const QColor b = image.pixelColor(project(*view, {-0.075f, 0.125f, -0.01f}));
    for (const QColor& c : {a, b}) {
        QVERIFY2(c.red() > 30 && c.red() == c.green() && c.green() == c.blue(),
                 qPrintable(c.name()));
    }
    QVERIFY(a != b);

    // The rod, a band two pixels across, runs from the bob up towards the pivot.
    const float s = 0.04f; // a short way up from the bob
    const QPoint rod =
        project(*view, {x * (1 - s), y * (1 - s),
                        bobZ(*data, x, y) * (1 - s) + float(data->pendulumHeight) * s});
    int across = 0;
    for (int dx = -4; dx <= 4; ++dx)
        across += (image.pixel(rod + QPoint(dx, 0)) & 0xffffff) == rodColour ? 1 : 0;
    QVERIFY2(across >= 2 && across <= 3, qPrintable(QString::number(across)));
}

// Nothing the view draws is translucent, so it draws without blending: blending
// on would change neither the picture nor the id image.
void TestView3d::opaqueSceneNeedsNoBlending()
{
    const QImage picture = frame();
    const QImage ids = view->idImage();
    view->makeCurrent();
    QVERIFY(!glIsEnabled(GL_BLEND));
    glEnable(GL_BLEND); // with the common start's factors
    view->doneCurrent();
    QCOMPARE(frame(), picture);
    QCOMPARE(view->idImage(), ids);
}

void TestView3d::picksNothingOnStandRodAndBackground()
{
    const QPoint plate = project(*view, {-0.125f, 0.125f, -0.01f});
    QCOMPARE(view->pickId(plate.x(), plate.y()), 0);

    // From afar the post, the arm, the rod and empty space are all in sight.
    view->cam().setDistance(4.0f);
    const QImage image = frame();
    const float h = float(data->pendulumHeight);
    const QPoint post = project(*view, {-0.5f, 0.5f, 1.0f});
    const QPoint arm = project(*view, {-0.2f, 0.2f, h - 0.005f});
    for (const QPoint& p : {post, arm}) {
        QVERIFY(view->rect().contains(p));
        QVERIFY(QColor(image.pixel(p)) != QColor(Qt::black));
        QCOMPARE(view->pickId(p.x(), p.y()), 0);
    }
    QCOMPARE(QColor(image.pixel(2, 2)), QColor(Qt::black));
    QCOMPARE(view->pickId(2, 2), 0);

    // The rod is drawn where the camera puts it, in its own flat colour, and is not pickable.
    const float x = data->animPos[0], y = data->animPos[1];
    const QPoint rod = project(*view, {x / 2, y / 2, (h + bobZ(*data, x, y)) / 2});
    const QPoint onRod = findColour(image, rod, rodColour);
    QVERIFY(onRod.x() >= 0);
    QCOMPARE(view->pickId(onRod.x(), onRod.y()), 0);
}

void TestView3d::framebufferFollowsSize()
{
    const QPoint magnet = project(*view, {data->magnets[0].posX, data->magnets[0].posY, 0.0f});
    view->makeCurrent();
    QVERIFY(glIsFramebuffer(view->framebuffer()));
    {
        // A collapsed size keeps the targets there are; a new size makes them
        // anew, complete, with the id image, and leaves the bound framebuffer be.
        StderrCapture capture;
        PickFramebuffer targets;
        QVERIFY(!targets.resize(QSize(0, 200)));
        QVERIFY(!targets.exists());
        QVERIFY(targets.resize(QSize(2, 3)));
        const GLuint before = targets.id();
        QVERIFY(!targets.resize(QSize(200, 0)));
        QCOMPARE(targets.id(), before);
        QCOMPARE(targets.size(), QSize(2, 3));
        QVERIFY(glIsFramebuffer(before));

        QVERIFY(targets.resize(QSize(1, 1)));
        QCOMPARE(targets.size(), QSize(1, 1));
        GLint bound = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
        QCOMPARE(GLuint(bound), view->defaultFramebufferObject());
        glBindFramebuffer(GL_FRAMEBUFFER, targets.id());
        QCOMPARE(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        GLint idImage = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &idImage);
        QVERIFY(idImage != 0);
        glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());
        // Outside its pixels there is no id to read.
        QCOMPARE(targets.idAt(1, 0, view->defaultFramebufferObject()), 0);
        QCOMPARE(targets.idAt(0, -1, view->defaultFramebufferObject()), 0);
        QCOMPARE(capture.text(), QByteArray());
    }
    view->doneCurrent();

    // A real resize builds a framebuffer of the new size again, and picking works on it.
    view->resize(640, 600);
    QTRY_COMPARE(view->getCamera().getWidth(), 640);
    frame();
    const QPoint moved = project(*view, {data->magnets[0].posX, data->magnets[0].posY, 0.0f});
    QVERIFY(moved != magnet);
    QCOMPARE(view->pickId(moved.x(), moved.y()), 1000);
}

void TestView3d::shiftDragOfMagnetIsOneEdit()
{
    // A path released beside the magnets and played a little: the bob is off
    // the release point when the drag starts.
    experiment->release(0.045, 0.01);
    const std::vector<std::array<float, 4>> pathBefore(
        data->trajPoints.begin(), data->trajPoints.begin() + data->numTrajPoints);
    for (int tick = 0; tick < 20; ++tick)
        QVERIFY(data->animStep());
    QVERIFY(data->animPos[0] != 0.045f);
    const Magnet magnetBefore = data->magnets[1];

    QSignalSpy started(view, &OpenGL3d::magnetDragStarted);
    QSignalSpy moved(view, &OpenGL3d::magnetDragged);
    QSignalSpy finished(view, &OpenGL3d::magnetDragFinished);
    const mat4 viewMatrix = view->getCamera().getViewMatrix();
    const QPoint start = project(*view, {data->magnets[1].posX, data->magnets[1].posY, 0.0f});
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, start);
    QCOMPARE(view->selection(), 1);

    const QPoint path[] = {start + QPoint(-20, 10), start + QPoint(-40, 30)};
    for (const QPoint& p : path)
        QTest::mouseMove(view, p);
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.last().at(0).toInt(), 1);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(moved.last().at(0).toInt(), 1);

    const vec3 hit = hitOnPlane(*view, path[1], 0.0f);
    QCOMPARE(float(moved.last().at(1).toDouble()), hit.x);
    QCOMPARE(float(moved.last().at(2).toDouble()), hit.y);
    QCOMPARE(data->magnets[1].posX, hit.x);
    QCOMPARE(data->magnets[1].posY, hit.y);
    QVERIFY(std::fabs(data->magnets[1].posZ) < 1e-6f);
    // The path starts again from the release point, not from where the bob was.
    QCOMPARE(data->trajPoints[0][0], 0.045f);
    QCOMPARE(data->trajPoints[0][1], 0.01f);
    QCOMPARE(data->animIndex, 0);
    QVERIFY(data->trajPoints[data->numTrajPoints - 1] != pathBefore.back());

    // One undo step for the whole drag; the camera did not move, and the magnet
    // is picked at its new place.
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, path[1]);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(view->selection(), -1);
    QCOMPARE(editor->undoStack()->count(), 1);
    QVERIFY(sameMatrix(view->getCamera().getViewMatrix(), viewMatrix));
    frame();
    const QPoint now = project(*view, {hit.x, hit.y, 0.0f});
    QCOMPARE(view->pickId(now.x(), now.y()), 1001);

    // Undo puts the magnet back and the path with it.
    editor->undoStack()->undo();
    QCOMPARE(data->magnets[1].posX, magnetBefore.posX);
    QCOMPARE(data->magnets[1].posY, magnetBefore.posY);
    QCOMPARE(data->numTrajPoints, int(pathBefore.size()));
    QVERIFY(std::equal(pathBefore.begin(), pathBefore.end(), data->trajPoints.begin()));

    // Without Shift the same press only steers the camera.
    const vec3 eye = view->getCamera().getEyePos();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, now);
    QCOMPARE(view->selection(), -1);
    QTest::mouseMove(view, now + QPoint(15, 0));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, now + QPoint(15, 0));
    QCOMPARE(data->magnets[1].posX, magnetBefore.posX);
    QVERIFY(view->getCamera().getEyePos().x != eye.x);
    QCOMPARE(moved.count(), 2);
    QCOMPARE(editor->undoStack()->count(), 1);
}

// The view only tells where the magnet goes: unheard, a drag changes nothing.
void TestView3d::magnetDragLeavesTheModelToTheEditor()
{
    disconnect(view, &OpenGL3d::magnetDragged, editor, nullptr);
    const ModelState before = ModelState::of(*data);
    QSignalSpy dragged(view, &OpenGL3d::magnetDragged);
    const QPoint start = project(*view, {data->magnets[2].posX, data->magnets[2].posY, 0.0f});
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, start);
    QTest::mouseMove(view, start + QPoint(30, -20));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, start + QPoint(30, -20));
    QCOMPARE(dragged.count(), 1);
    QCOMPARE(dragged.last().at(0).toInt(), 2);
    QVERIFY(float(dragged.last().at(1).toDouble()) != data->magnets[2].posX);
    QVERIFY(ModelState::of(*data) == before);
    QCOMPARE(editor->undoStack()->count(), 0);
}

void TestView3d::shiftDragReleasesTheBob()
{
    QSignalSpy moved(view, &OpenGL3d::magnetDragged);
    QSignalSpy released(view, &OpenGL3d::releaseRequested);
    const float x = data->animPos[0], y = data->animPos[1];
    const QPoint start = project(*view, {x, y, bobZ(*data, x, y)});
    // Any button picks with Shift held.
    QTest::mousePress(view, Qt::RightButton, Qt::ShiftModifier, start);
    QCOMPARE(view->selection(), 14000);

    const QPoint target = start + QPoint(-60, 25);
    QTest::mouseMove(view, target);
    const vec3 hit = hitOnPlane(*view, target, float(data->pendulumHeight - data->pendulumLength));
    QCOMPARE(released.count(), 1);
    QCOMPARE(moved.count(), 0);
    // The experiment remembers the point and plays its path from there.
    QVERIFY(experiment->hasReleasePoint());
    QCOMPARE(float(experiment->releaseX()), hit.x);
    QCOMPARE(float(experiment->releaseY()), hit.y);
    QCOMPARE(data->animPos[0], hit.x);
    QCOMPARE(data->animPos[1], hit.y);
    QVERIFY(data->numTrajPoints > 1);
    QCOMPARE(data->trajPoints[0][0], hit.x);
    QCOMPARE(data->trajPoints[0][1], hit.y);
    QTest::mouseRelease(view, Qt::RightButton, Qt::ShiftModifier, target);
    QCOMPARE(editor->undoStack()->count(), 0);
}

void TestView3d::dragIgnoresRaysMissingThePlane()
{
    const float x = data->animPos[0], y = data->animPos[1];
    const float bobPlane = float(data->pendulumHeight - data->pendulumLength);
    struct Target
    {
        QPoint pixel;
        int selection;
        float planeZ;
    };
    const Target targets[] = {
        {project(*view, {data->magnets[0].posX, data->magnets[0].posY, 0.0f}), 0, 0.0f},
        {project(*view, {x, y, bobZ(*data, x, y)}), 14000, bobPlane}};
    for (const Target& target : targets) {
        QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, target.pixel);
        QCOMPARE(view->selection(), target.selection);
        QSignalSpy moved(view, &OpenGL3d::magnetDragged);
        QSignalSpy released(view, &OpenGL3d::releaseRequested);
        const Magnet magnet = data->magnets[0];
        const float animPos[2] = {data->animPos[0], data->animPos[1]};

        // Looking level, the middle row's rays run parallel to the plane; from above
        // it the upper rows, from below it the lower rows point away from it.
        const struct
        {
            float eyeZ;
            int awayRow;
        } setups[] = {{target.planeZ + 0.02f, 0}, {target.planeZ - 0.02f, view->height() - 1}};
        for (const auto& setup : setups) {
            view->cam().setPOI(0.0f, 0.0f, setup.eyeZ);
            view->cam().setEyePos(0.0f, -0.3f, setup.eyeZ);
            view->cam().orbit(0.0f, -1.5707964f);
            for (int row : {view->height() / 2, setup.awayRow})
                QTest::mouseMove(view, QPoint(target.pixel.x(), row));
        }
        QCOMPARE(moved.count() + released.count(), 0);
        QCOMPARE(data->magnets[0].posX, magnet.posX);
        QCOMPARE(data->magnets[0].posY, magnet.posY);
        QCOMPARE(data->animPos[0], animPos[0]);
        QCOMPARE(data->animPos[1], animPos[1]);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, target.pixel);
        view->resetCamera();
        frame();
    }
}

void TestView3d::cameraDragsAndReset()
{
    const Camera initial = view->getCamera();
    const QPoint centre(300, 300);

    // Left: dragging down far enough stops just short of the pole, and up likewise.
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 1000));
    QCOMPARE(view->elevationAngle(), 1.5697963f);
    const vec3 eye = view->getCamera().getEyePos();
    QVERIFY(std::fabs(eye.x) < 1e-3f && std::fabs(eye.y) < 1e-3f && eye.z > 0.299f);
    QTest::mouseMove(view, centre + QPoint(0, -3000));
    QCOMPARE(view->elevationAngle(), -1.5697963f);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, centre + QPoint(0, -3000));

    // Middle: 10 pixels down lift the point of interest and the eye by 0.1.
    const vec3 poi0 = view->getCamera().getPOI();
    const vec3 eye0 = view->getCamera().getEyePos();
    QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 10));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, centre + QPoint(0, 10));
    QCOMPARE(view->getCamera().getPOI().z, float(poi0.z + 0.1));
    QCOMPARE(view->getCamera().getEyePos().z, float(eye0.z + 0.1));

    // Right: down moves away; a drag past distance zero stops at the nearest.
    const float d0 = view->getCamera().getDistance();
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 20));
    QVERIFY(std::fabs(view->getCamera().getDistance() - (d0 + 0.2f)) < 1e-4f);
    QTest::mouseMove(view, centre + QPoint(0, -2000));
    QCOMPARE(view->getCamera().getDistance(), 0.03f);
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, centre);

    // I, upper or lower case, gives back exactly the view after construction.
    QTest::keyClick(view, Qt::Key_I);
    const Camera& c = view->getCamera();
    QVERIFY(sameMatrix(c.getViewMatrix(), initial.getViewMatrix()));
    QVERIFY(sameMatrix(c.getProjMatrix(), initial.getProjMatrix()));
    QCOMPARE(c.getFovY(), 60.0f);
    QCOMPARE(view->elevationAngle(), 1.0471976f);

    // S rebuilds the programs from disk; the frame is the same afterwards.
    const QImage before = frame();
    QTest::keyClick(view, Qt::Key_S);
    QCOMPARE(frame(), before);
}

void TestView3d::deleteRemovesTheChosenMagnet()
{
    const Magnet last = data->magnets[2];
    const auto shiftClick = [this](vec3 p) {
        QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, project(*view, p));
    };
    const auto magnet = [this](int i) -> vec3 {
        return {data->magnets[i].posX, data->magnets[i].posY, -0.005f};
    };
    const QPoint collar = project(*view, magnet(1) + vec3{0.008f, 0.0f, -0.003f});

    // A Shift-click chooses a magnet without moving it; it wears a white collar
    // until a Shift-click on anything else.
    const QColor plain = frame().pixelColor(collar);
    shiftClick(magnet(1));
    QCOMPARE(view->chosenMagnet(), 1);
    const QColor white = frame().pixelColor(collar);
    QVERIFY2(white.red() > 200 && white.red() == white.blue(), qPrintable(white.name()));
    shiftClick({-0.125f, 0.125f, -0.01f});
    QCOMPARE(view->chosenMagnet(), -1);
    QCOMPARE(frame().pixelColor(collar), plain);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(data->magnets.size(), 3);

    // Delete removes the chosen magnet as one undo step, and the choice ends.
    shiftClick(magnet(1));
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(data->magnets.size(), 2);
    QCOMPARE(data->magnets[1].posX, last.posX);
    QCOMPARE(editor->undoStack()->count(), 1);
    QCOMPARE(view->chosenMagnet(), -1);

    // Magnets that come or go elsewhere end the choice: the index may name another by then.
    frame();
    shiftClick(magnet(1));
    editor->addMagnet(-0.05, 0.05);
    QCOMPARE(view->chosenMagnet(), -1);
}

void TestView3d::wheelZoomsWithinLimits()
{
    const auto wheel = [this](int delta, int times = 1) {
        for (int i = 0; i < times; ++i)
            sendWheel(view, QPointF(300, 300), delta);
    };
    const Camera& c = view->getCamera();
    const float d0 = c.getDistance();

    // A notch away from the person comes closer by a fixed ratio; one back undoes it.
    wheel(120);
    QVERIFY(std::fabs(c.getDistance() - 0.8f * d0) < 1e-5f);
    wheel(-120);
    QVERIFY(std::fabs(c.getDistance() - d0) < 1e-5f);

    // The limits hold for the wheel and the right-drag alike.
    wheel(120, 40);
    QCOMPARE(c.getDistance(), 0.03f);
    wheel(-120, 40);
    QVERIFY(std::fabs(c.getDistance() - 8.0f) < 1e-4f);
    const QPoint centre(300, 300);
    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 50));
    QVERIFY(std::fabs(c.getDistance() - 8.0f) < 1e-4f);
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, centre + QPoint(0, 50));
}

// A middle-drag lift moves the eye and the point of interest together: the
// magnet dragged afterwards stays under the cursor and a zoom keeps the elevation.
void TestView3d::liftKeepsTheViewFrame()
{
    const QPoint centre(300, 300);
    QTest::mousePress(view, Qt::MiddleButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 10));
    QTest::mouseRelease(view, Qt::MiddleButton, Qt::NoModifier, centre + QPoint(0, 10));
    frame();

    const QPoint start = project(*view, {data->magnets[1].posX, data->magnets[1].posY, 0.0f});
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, start);
    QCOMPARE(view->selection(), 1);
    const QPoint target = start + QPoint(2, 0);
    QTest::mouseMove(view, target);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, target);
    const QPoint now = project(*view, {data->magnets[1].posX, data->magnets[1].posY, 0.0f});
    QVERIFY2((now - target).manhattanLength() <= 1,
             qPrintable(QStringLiteral("magnet at (%1, %2), cursor at (%3, %4)")
                            .arg(now.x())
                            .arg(now.y())
                            .arg(target.x())
                            .arg(target.y())));

    QTest::mousePress(view, Qt::RightButton, Qt::NoModifier, centre);
    QTest::mouseMove(view, centre + QPoint(0, 20));
    QTest::mouseRelease(view, Qt::RightButton, Qt::NoModifier, centre + QPoint(0, 20));
    const Camera& c = view->getCamera();
    const vec3 offset = c.getEyePos() - c.getPOI();
    QVERIFY(std::fabs(length(offset) - 0.5f) < 1e-4f);
    const float seen = std::asin(offset.z / length(offset));
    QVERIFY2(std::fabs(seen - 1.0471976f) < 1e-4f, qPrintable(QString::number(seen)));
}

void TestView3d::bobBeyondRodReachStaysDrawable()
{
    // A short pendulum and a bob placed past its reach: drawn level with the pivot.
    data->pendulumLength = 0.05;
    data->pendulumHeight = 0.07;
    data->animPos[0] = 0.08f;
    data->animPos[1] = 0.08f;
    const QImage image = frame();
    const QPoint bob = project(*view, {0.08f, 0.08f, 0.07f});
    QCOMPARE(view->pickId(bob.x(), bob.y()), 15000);

    QVERIFY(findColour(image, project(*view, {0.06f, 0.06f, 0.07f}), rodColour).x() >= 0);
}

void TestView3d::startsAfreshInAnotherWindow()
{
    // A new top-level window means a new context: every GL object is made again.
    auto* window = new QWidget;
    window->resize(600, 600);
    view->setParent(window);
    view->setGeometry(0, 0, 600, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    frame();
    const QPoint p = project(*view, {data->magnets[2].posX, data->magnets[2].posY, 0.0f});
    QCOMPARE(view->pickId(p.x(), p.y()), 1002);
    QVERIFY(QColor(frame().pixel(p)).blue() > 100);

    view->setParent(nullptr);
    delete window;
}

void TestView3d::savesImageInTheSuffixFormat()
{
    QTemporaryDir dir;
    const QPoint red = project(*view, {data->magnets[0].posX, data->magnets[0].posY, 0.0f});
    for (const char* format : {"png", "bmp"}) {
        const QString file = dir.filePath(QStringLiteral("view.") + QLatin1String(format));
        view->saveImage(file);
        QImageReader reader(file);
        QCOMPARE(reader.format(), QByteArray(format));
        const QImage image = reader.read();
        QCOMPARE(image.size(), view->size());
        QVERIFY(!image.hasAlphaChannel());
        QVERIFY(QColor(image.pixel(red)).red() > 3 * QColor(image.pixel(red)).green());
    }
}

QTEST_MAIN(TestView3d)
#include "tst_view3d_view.moc"
