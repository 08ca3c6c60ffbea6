#ifndef ORVALIS_OPENGL2D_H
#define ORVALIS_OPENGL2D_H

// epoxy must come before any Qt OpenGL header.
#include "GLShader.h"

#include <QOpenGLWidget>
#include <QString>

class SystemData;
class QKeyEvent;
class QMouseEvent;
class QPointF;

// Top-down view of the magnet plane: the magnets as coloured discs, the one under
// the cursor highlighted, and the computed path of the bob as a line strip.
// The left button releases the bob, the middle one hides the path, the right one
// drags magnets; S rebuilds the shader programs from their files.
class OpenGL2d : public QOpenGLWidget
{
    Q_OBJECT

public:
    OpenGL2d(const QSurfaceFormat& format, SystemData* data, QWidget* parent = nullptr);
    ~OpenGL2d() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Re-frames the view to the model's pendulum and repaints.
    void resetView();
    // Saves the current frame without alpha; the suffix chooses the format.
    void saveImage(const QString& fileName);
    int getActiveMagnet() const { return activeMagnet; }

public slots:
    void particleStep();
    void SetMaxNumPoints(int maxNumPoints);
    void UpdateTraj();

signals:
    void magnetMoved(int index);
    // What the person asks for; the window carries it out on the model.
    void releaseRequested(double x, double y);
    void hidePathRequested();
    void magnetDragStarted(int index);
    void magnetDragFinished();
    void magnetAddRequested(double x, double y);
    void magnetRemoveRequested(int index);
    // The cursor over the plane, in model coordinates, and its leaving the view.
    void cursorMoved(double x, double y);
    void cursorLeft();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void createShaders();
    void updateViewWindow();
    void windowToWorld(const QPointF& pos, double& x, double& y) const;
    // The magnet under the last cursor position, if the cursor is over the view.
    void pickMagnet();
    void uploadTrajectory();
    void allocateLineBuffer(int samples);
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
    // Core profiles refuse draws without a vertex array, even attribute-less ones.
    GLuint vaEmpty = 0;
};

#endif // ORVALIS_OPENGL2D_H
