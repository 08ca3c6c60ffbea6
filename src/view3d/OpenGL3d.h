#ifndef ORVALIS_OPENGL3D_H
#define ORVALIS_OPENGL3D_H

// epoxy must come before any Qt OpenGL header.
#include "SceneRenderer.h"

#include "CameraControl.h"

#include <QImage>
#include <QOpenGLWidget>
#include <QRectF>
#include <QString>

#include <memory>

class PinnedPath;
struct PathCapture;
class SystemData;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

// Perspective view of the apparatus: plate, post, arm, magnets, bob and rod,
// and the part of the path the bob has travelled as a trail over the plate.
// Every frame also records an id image, so a Shift-press can tell which magnet
// (or the bob) lies under the cursor. Drags orbit (left), zoom (right) or
// raise (middle) the camera, the wheel zooms, and a Shift-drag moves the
// picked object across a horizontal plane. A Shift-click chooses a magnet
// (drawn with a white collar) for Delete to remove; I resets the camera, S
// reloads the shaders. The view reads the model and never writes it: what the
// person does goes out as signals.
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
    const Camera& getCamera() const { return control.camera(); }

    // Shows a map on the plate over `region` of the plane (left, bottom, width,
    // height, y up; the image's first row lies at the region's largest y), so
    // that each magnet stands on its own basin; the rest of the plate takes a
    // plain colour. Picking is not affected.
    void setPlateMap(const QImage& image, const QRectF& region);
    // The chequer board again.
    void clearPlateMap();
    // Lays `path` (null for none) whole on the plate in a muted colour under
    // the trail, and follows its changes.
    void showPinnedPath(const PinnedPath* path);
    // Where the path was caught, marked once the playback gets there; it
    // outlives the view.
    void setPathCapture(const PathCapture* capture);
    // The magnet the last Shift-click chose, or -1. A change in the number of
    // magnets ends the choice: the index may name another magnet by then.
    int chosenMagnet() const;

signals:
    // What the person does, for the window to carry out on the model. A magnet
    // drag tells its start, where the magnet goes in the plane at every move,
    // and its end.
    void magnetDragStarted(int index);
    void magnetDragged(int index, double x, double y);
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

    const SystemData* data;
    CameraControl control;
    // Lives from initializeGL until the context goes.
    std::unique_ptr<SceneRenderer> renderer;
    // What the last Shift-press picked (the pick id less 1000), or -1.
    int selected = -1;

private:
    // Size of the framebuffers in device pixels.
    QSize pixelSize() const;
    // Whether a selection value names an object that can be dragged: a magnet or the bob.
    bool isDraggable(int selection) const;
    // Tells where the picked magnet or the bob goes: where the ray through
    // (x, y) meets its plane.
    void dragSelected(int x, int y);
    void releaseGL();

    QString shaderDir;
    int mouseButton = 0;
    int lastMouseX = 0;
    int lastMouseY = 0;
    bool draggingMagnet = false;
    int chosen = -1;
    qsizetype chosenAmong = 0; // magnets in the model when it was chosen
    // Kept for a new context, whose renderer starts without it.
    QImage plateMap;
    QRectF plateMapRegion;
    const PinnedPath* pinned = nullptr;
    const PathCapture* pathCapture = nullptr;
};

#endif // ORVALIS_OPENGL3D_H
