#ifndef ORVALIS_OPENGL2D_H
#define ORVALIS_OPENGL2D_H

// epoxy must come before any Qt OpenGL header.
#include "GLShader.h"

#include "BasinLegend.h"
#include "BasinMap.h"
#include "LineStrip.h"

#include <QOpenGLWidget>
#include <QPointF>
#include <QString>

class PinnedPath;
struct PathCapture;
class SystemData;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
struct mat4;

// Top-down view of the magnet plane: the magnets as coloured discs, the one under
// the cursor highlighted, and the computed path of the bob as a line strip.
// The left button releases the bob, the middle one hides the path, the right one
// drags magnets; S rebuilds the shader programs from their files. The wheel
// zooms around the cursor and a left drag with Ctrl held pans. Under it all a
// basin map may lie, drawn where it was computed, with its legend.
class OpenGL2d : public QOpenGLWidget
{
    Q_OBJECT

public:
    OpenGL2d(const QSurfaceFormat& format, SystemData* data, QWidget* parent = nullptr);
    ~OpenGL2d() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Re-frames the view to the model's pendulum, unzoomed, and repaints.
    void resetView();
    // Saves the current frame without alpha; the suffix chooses the format.
    // False when the image could not be written.
    bool saveImage(const QString& fileName);
    int getActiveMagnet() const { return activeMagnet; }

    // The point of the plane at the view's centre, and the magnification of
    // the square of maxTheta.
    double viewCentreX() const { return centreX; }
    double viewCentreY() const { return centreY; }
    double zoom() const { return zoomFactor; }
    // What the view shows: the plane's rectangle (left, bottom, width,
    // height; y up), and the size of the view in device pixels.
    QRectF viewRegion() const;
    // Shows the whole of `region` (as viewRegion gives it) centred, as far
    // as the zoom's limits allow; a window of another shape shows more.
    void showRegion(const QRectF& region);
    QSize viewPixels() const;

    // The map under the magnets and the path, placed at its own region.
    void setBasinMap(const BasinMap& map);
    void clearBasinMap();
    void setLegendVisible(bool visible);
    // Draws `path` (null for none) in a muted colour under the current path,
    // and follows its changes.
    void showPinnedPath(const PinnedPath* path);
    // Where the path was caught, marked with a ring in the attractor's
    // colour; it outlives the view.
    void setPathCapture(const PathCapture* capture);

public slots:
    void particleStep();
    void UpdateTraj();

signals:
    // What the person asks for; the window carries it out on the model.
    void releaseRequested(double x, double y);
    void hidePathRequested();
    void magnetDragStarted(int index);
    // The magnet under a drag is to be at (x, y) of the plane.
    void magnetDragged(int index, double x, double y);
    void magnetDragFinished();
    void magnetAddRequested(double x, double y);
    void magnetRemoveRequested(int index);
    // The cursor over the plane, in model coordinates, and its leaving the view.
    void cursorMoved(double x, double y);
    void cursorLeft();
    // The view shows another part of the plane, or at another size.
    void viewChanged(const QRectF& region, const QSize& pixels);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void createShaders();
    void removeShaders();
    void updateViewWindow();
    // The deepest zoom at which pixels around (x, y) are still apart in doubles.
    double deepestZoom(double x, double y) const;
    void windowToWorld(const QPointF& pos, double& x, double& y) const;
    void zoomAt(const QPointF& pos, double factor);
    // A pan's drag has reached pos.
    void panTo(const QPointF& pos);
    // Whether the map is of just what the view shows, one texel per pixel.
    bool mapFillsView() const;
    void drawMap(const mat4& proj, double originX, double originY, bool fills);
    void drawLegend();
    // The quad program's unit square, with `texture`, through `mvp`.
    void drawTexture(GLuint texture, const mat4& mvp);
    // The magnet under the last cursor position, if the cursor is over the view.
    void pickMagnet();
    void drawCaptureMark(const mat4& proj, double originX, double originY);
    void uploadTrajectory();
    // Copies the model's samples into the line buffer, which is current.
    void fillLineBuffer();
    void allocateLineBuffer(int samples);
    // The pinned path, filled into its line first if it changed.
    void drawPinnedPath(const mat4& proj, double originX, double originY, bool mapShown);
    void releaseGL();

    SystemData* data;
    int mouseButton = 0;
    GLShader quadShader;
    QString quadVertFile, quadFragFile;
    GLShader pendulumShader;
    QString pendulumVertFile, pendulumFragFile;
    GLShader magnetShader;
    QString magnetVertFile, magnetGeomFile, magnetFragFile;
    GLShader lineShader;
    QString lineVertFile, lineFragFile;
    GLuint vaQuad = 0;
    GLuint vboQuad = 0;
    GLuint vaLine = 0;
    GLuint vboLine = 0;
    int activeMagnet = -1;
    bool draggingMagnet = false;
    bool hovering = false;
    double cursorX = 0.0;
    double cursorY = 0.0;
    int lineCapacity = 0; // samples the line buffer holds
    const PathCapture* capture = nullptr;
    GLuint vaMark = 0;
    GLuint vboMark = 0;
    // Core profiles refuse draws without a vertex array, even attribute-less ones.
    GLuint vaEmpty = 0;

    // The view window: its centre and the magnification of the square of maxTheta.
    double centreX = 0.0;
    double centreY = 0.0;
    double zoomFactor = 1.0;
    bool panning = false;
    QPointF panFrom;       // where the drag started
    double panFromX = 0.0; // and the view's centre then
    double panFromY = 0.0;

    BasinMap basinMap;
    BasinLegend legend;
    bool legendVisible = true;
    GLuint mapTexture = 0;
    GLuint mapFramebuffer = 0; // reads the map texture for copies
    QSize mapTextureSize;
    bool mapUploaded = false;
    GLuint legendTexture = 0;
    QSize legendTextureSize;
    QSize legendSize; // in device pixels; empty without a legend
    bool legendUploaded = false;

    const PinnedPath* pinned = nullptr;
    LineStrip pinnedLine;
    bool pinnedStale = false;
};

#endif // ORVALIS_OPENGL2D_H
