#ifndef ORVALIS_OPENGL3D_H
#define ORVALIS_OPENGL3D_H

// epoxy must come before any Qt OpenGL header.
#include "GLShader.h"

#include "Camera.h"
#include "VecMath.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QRectF>
#include <QString>

class SystemData;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

// Perspective view of the apparatus: plate, post, arm, magnets, bob and rod,
// and the part of the path the bob has travelled as a trail over the plate.
// Every frame goes into an off-screen framebuffer that also records an id image,
// so a Shift-press can tell which magnet (or the bob) lies under the cursor.
// Drags orbit (left), zoom (right) or raise (middle) the camera, the wheel
// zooms, and a Shift-drag moves the picked object across a horizontal plane. A
// Shift-click chooses a magnet (drawn with a white collar) for Delete to
// remove; I resets the camera, S reloads the shaders.
class OpenGL3d : public QOpenGLWidget
{
    Q_OBJECT

public:
    OpenGL3d(const QSurfaceFormat& format, SystemData* data, QWidget* parent = nullptr);
    ~OpenGL3d() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Saves the view's frame without alpha; the file name's suffix chooses the format.
    // False when the image could not be written.
    bool saveImage(const QString& fileName);
    // Id under a widget pixel (y from the top): 1000 + i for magnet i, 15000 for
    // the bob, 0 for anything else or when there is no framebuffer.
    int pickId(int x, int y);
    const Camera& getCamera() const { return camera; }

    // Shows a map on the plate over `region` of the plane (left, bottom, width,
    // height, y up; the image's first row lies at the region's largest y), so
    // that each magnet stands on its own basin; the rest of the plate takes a
    // plain colour. Picking is not affected.
    void setPlateMap(const QImage& image, const QRectF& region);
    // The chequer board again.
    void clearPlateMap();
    // The magnet the last Shift-click chose, or -1. A change in the number of
    // magnets ends the choice: the index may name another magnet by then.
    int chosenMagnet() const;

signals:
    // What the person does; the window carries it out on the model. A magnet
    // drag moves the magnet in the model and tells its start, every move and
    // its end.
    void magnetDragStarted(int index);
    void magnetMoved(int index);
    void magnetDragFinished();
    void releaseRequested(double x, double y);
    void magnetRemoveRequested(int index);

public slots:
    void resetCamera();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    void createShaders();
    void removeShaders();
    void createObjects();
    void renderScene();
    void drawCylinder(GLShader* shader);

    void createTexture(GLuint& texture, GLint internalFormat, GLenum format, GLenum type,
                       GLint filter, int width, int height);
    bool createFBO(int width, int height);
    void deleteFBO();

    SystemData* data;
    Camera camera;

    int mouseButton = 0;
    int lastMouseX = 0;
    int lastMouseY = 0;
    float elevation = 0.0f;
    float azimuth = 0.0f;

    GLShader quadShader;
    QString quadVertFile, quadFragFile;
    GLuint vaQuad = 0;
    GLuint vboQuad = 0;
    GLuint quadSampler = 0;
    GLShader sceneShader;
    QString sceneVertFile, sceneGeomFile, sceneFragFile;
    GLShader rodShader;
    QString rodVertFile, rodGeomFile, rodFragFile;
    // Core profiles refuse draws without a vertex array, even the attribute-less rod point.
    GLuint vaRod = 0;
    // The plate under a map: the scene program's stages with a fragment stage of its own.
    GLShader plateShader;
    QString plateFragFile;
    GLShader trailShader;
    QString trailVertFile, trailFragFile;
    GLuint vaTrail = 0;
    GLuint vboTrail = 0;
    int trailCapacity = 0; // samples the trail buffer holds

    GLuint vaCube = 0;
    GLuint vboCube = 0;
    GLuint iboCube = 0;
    GLuint vaCyl = 0;
    GLuint vboCylPos = 0;
    GLuint vboCylNorm = 0;
    int numCylSegments = 0;

    vec3 plateTrans{}, plateScale{};
    vec3 poleTrans{}, poleScale{}, poleAxis{};
    vec3 armTrans{}, armScale{}, armAxis{};
    float poleAngle = 0.0f;
    float armAngle = 0.0f;

    GLuint fbo = 0;
    GLuint colTex[2] = {0, 0};
    GLuint depthTex = 0;

    // The plate's map; the texture is made from the image at the next frame.
    QImage plateMap;
    QRectF plateMapRegion;
    GLuint plateMapTex = 0;
    QSize plateMapTexSize;
    bool plateMapStale = false;

    int selected = -1;
    bool draggingMagnet = false;
    int chosen = -1;
    qsizetype chosenAmong = 0; // magnets in the model when it was chosen

private:
    // Size of the framebuffers in device pixels.
    QSize pixelSize() const;
    // Whether a selection value names an object that can be dragged: a magnet or the bob.
    bool isDraggable(int selection) const;
    // Moves the picked magnet or the bob to where the ray through (x, y) meets its plane.
    void dragSelected(int x, int y);
    // Binds a program of the scene's stages with the camera and the light, set
    // for a box: flat normals, the default material, id 0.
    void useSceneProgram(GLShader& program, const mat4& proj, const mat4& view,
                         const mat4& invView);
    // Makes, replaces or deletes the plate's texture after a change of map.
    void uploadPlateMap();
    // The travelled part of the path at plate height: samples up to the bob's
    // segment, then the bob.
    void drawTrail(const mat4& viewProj);
    void releaseGL();
};

#endif // ORVALIS_OPENGL3D_H
