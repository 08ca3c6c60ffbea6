#include "OpenGL2d.h"

#include "GLContext.h"
#include "SystemData.h"
#include "VecMath.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A program that failed to build or link draws nothing; in a core profile a draw
// without a usable program is undefined, so such a layer is skipped.
bool isUsable(const GLShader& shader)
{
    if (shader.progHandle == 0)
        return false;
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.progHandle, GL_LINK_STATUS, &linked);
    return linked == GL_TRUE;
}

} // namespace

OpenGL2d::OpenGL2d(const QSurfaceFormat& format, SystemData* data, QWidget* parent)
    : QOpenGLWidget(parent), data(data)
{
    setFormat(format);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(300, 300);
    setMouseTracking(true);

    const QString dir = shaderDirectory();
    quadVertFile = dir + "quad.vert";
    quadFragFile = dir + "quad.frag";
    pendulumVertFile = dir + "pendulum.vert";
    pendulumFragFile = dir + "pendulum.frag";
    magnetVertFile = dir + "magnet.vert";
    magnetGeomFile = dir + "magnet.geom";
    magnetFragFile = dir + "magnet.frag";
    lineVertFile = dir + "line.vert";
    lineFragFile = dir + "line.frag";
}

OpenGL2d::~OpenGL2d()
{
    // The context outlives this part of the object; keep it from calling back.
    if (context())
        disconnect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OpenGL2d::releaseGL);
    releaseGL();
}

QSize OpenGL2d::sizeHint() const
{
    return {512, 512};
}

QSize OpenGL2d::minimumSizeHint() const
{
    return {512, 512};
}

void OpenGL2d::resetView()
{
    updateViewWindow();
    update();
}

void OpenGL2d::saveImage(const QString& fileName)
{
    grabFramebuffer().convertToFormat(QImage::Format_RGB32).save(fileName);
}

void OpenGL2d::particleStep()
{
    makeCurrent();
    update();
}

void OpenGL2d::SetMaxNumPoints(int maxNumPoints)
{
    if (maxNumPoints < 2)
        return;
    data->maxNumPoints = maxNumPoints;

    // Before the first initializeGL there is no context; initializeGL sizes the buffer then.
    if (isValid())
        allocateLineBuffer(maxNumPoints);

    data->trajPoints = std::vector<std::array<float, 4>>(size_t(maxNumPoints));
    data->trajTimes.clear();
    data->animIndex = 0;
    data->animPos[0] = 0.0f;
    data->animPos[1] = 0.0f;
    data->numTrajPoints = 0;
}

void OpenGL2d::UpdateTraj()
{
    uploadTrajectory();
    update();
}

void OpenGL2d::initializeGL()
{
    initializeCommonGL(true, vaQuad, vboQuad);
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OpenGL2d::releaseGL);
    glGenVertexArrays(1, &vaEmpty);
    createShaders();
    // A new context (the view moved to another window) shows the path it had.
    allocateLineBuffer(std::max(data->maxNumPoints, data->numTrajPoints));
    data->uploadTrajectory(vboLine);
}

void OpenGL2d::resizeGL(int w, int h)
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(w * ratio), GLsizei(h * ratio));
    updateViewWindow();
}

void OpenGL2d::paintGL()
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(width() * ratio), GLsizei(height() * ratio));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);

    // Magnets come and go under a resting cursor (undo, a double-click that
    // adds one): the highlight follows the model, except during a drag.
    if (mouseButton != Qt::RightButton)
        pickMagnet();

    const float halfWidth = float(data->viewHalfWidth);
    const float halfHeight = float(data->viewHalfHeight);
    const mat4 proj = orthoMatrix(-halfWidth, halfWidth, -halfHeight, halfHeight);

    if (isUsable(magnetShader)) {
        magnetShader.bind();
        magnetShader.setUniform("mvp", proj);
        magnetShader.setUniform("magnetSize", data->magnetSize);
        glBindVertexArray(vaEmpty);
        for (int i = 0; i < data->magnets.size(); ++i) {
            const Magnet& magnet = data->magnets[i];
            magnetShader.setUniform("isActiveMagnet", i == activeMagnet ? 1 : 0);
            magnetShader.setUniform("in_pos", magnet.posX, magnet.posY);
            magnetShader.setUniform("in_col", magnet.color[0], magnet.color[1], magnet.color[2]);
            glDrawArrays(GL_POINTS, 0, 1);
        }
        glBindVertexArray(0);
        magnetShader.release();
    }

    if (vaLine != 0 && data->numTrajPoints > 0 && isUsable(lineShader)) {
        glLineWidth(float(data->lineWidth));
        lineShader.bind();
        lineShader.setUniform("mvp", proj);
        lineShader.setUniform("lineColor", data->lineColor);
        glBindVertexArray(vaLine);
        glDrawArrays(GL_LINE_STRIP, 0, data->numTrajPoints);
        glBindVertexArray(0);
        lineShader.release();
        glLineWidth(1.0f);
    }
}

void OpenGL2d::mousePressEvent(QMouseEvent* event)
{
    mouseButton = int(event->button());
    if (event->button() == Qt::LeftButton) {
        double x = 0.0;
        double y = 0.0;
        windowToWorld(event->position(), x, y);
        emit releaseRequested(x, y);
    } else if (event->button() == Qt::MiddleButton) {
        emit hidePathRequested();
    }
    event->accept();
    update();
}

void OpenGL2d::mouseReleaseEvent(QMouseEvent* event)
{
    mouseButton = 0;
    if (draggingMagnet) {
        draggingMagnet = false;
        emit magnetDragFinished();
    }
    event->accept();
    update();
}

void OpenGL2d::mouseMoveEvent(QMouseEvent* event)
{
    double x = 0.0;
    double y = 0.0;
    windowToWorld(event->position(), x, y);
    emit cursorMoved(x, y);

    if (mouseButton == Qt::LeftButton) {
        emit releaseRequested(x, y);
    } else if (mouseButton == Qt::RightButton && activeMagnet >= 0 &&
               activeMagnet < data->magnets.size()) {
        // A drag starts with the first move of a magnet, wherever the press was.
        if (!draggingMagnet) {
            draggingMagnet = true;
            emit magnetDragStarted(activeMagnet);
        }
        data->magnets[activeMagnet].posX = float(x);
        data->magnets[activeMagnet].posY = float(y);
        emit magnetMoved(activeMagnet);
    }

    // Picking after the move keeps a dragged magnet active, unless an earlier
    // magnet in the list now lies under the cursor.
    cursorX = x;
    cursorY = y;
    hovering = true;
    pickMagnet();
    event->accept();
    update();
}

void OpenGL2d::pickMagnet()
{
    activeMagnet = -1;
    if (!hovering)
        return;
    for (int i = 0; i < data->magnets.size(); ++i) {
        const double dx = cursorX - data->magnets[i].posX;
        const double dy = cursorY - data->magnets[i].posY;
        if (std::sqrt(dx * dx + dy * dy) < data->magnetSize) {
            activeMagnet = i;
            break;
        }
    }
}

void OpenGL2d::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        double x = 0.0;
        double y = 0.0;
        windowToWorld(event->position(), x, y);
        emit magnetAddRequested(x, y);
    }
    event->accept();
}

void OpenGL2d::leaveEvent(QEvent* event)
{
    hovering = false;
    emit cursorLeft();
    QOpenGLWidget::leaveEvent(event);
}

void OpenGL2d::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        pickMagnet();
        if (activeMagnet >= 0 && activeMagnet < data->magnets.size())
            emit magnetRemoveRequested(activeMagnet);
    } else if (event->key() == Qt::Key_S) {
        makeCurrent();
        quadShader.removeAllShaders();
        lineShader.removeAllShaders();
        magnetShader.removeAllShaders();
        pendulumShader.removeAllShaders();
        createShaders();
        update();
    }
    event->accept();
}

void OpenGL2d::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void OpenGL2d::createShaders()
{
    makeCurrent();

    fprintf(stderr, "Create quad shader with ...\n\t%s\n\t%s\n", qPrintable(quadVertFile),
            qPrintable(quadFragFile));
    quadShader.createProgramFromFile(quadVertFile.toStdString().c_str(),
                                     quadFragFile.toStdString().c_str(), stderr);

    fprintf(stderr, "Create line shader with ...\n\t%s\n\t%s\n", qPrintable(lineVertFile),
            qPrintable(lineFragFile));
    lineShader.createProgramFromFile(lineVertFile.toStdString().c_str(),
                                     lineFragFile.toStdString().c_str(), stderr);

    fprintf(stderr, "Create magnet shader with ...\n\t%s\n\t%s\n\t%s\n", qPrintable(magnetVertFile),
            qPrintable(magnetGeomFile), qPrintable(magnetFragFile));
    magnetShader.createProgramFromFile(magnetVertFile.toStdString().c_str(),
                                       magnetGeomFile.toStdString().c_str(),
                                       magnetFragFile.toStdString().c_str());

    fprintf(stderr, "Create pendulum shader with ...\n\t%s\n\t%s\n", qPrintable(pendulumVertFile),
            qPrintable(pendulumFragFile));
    pendulumShader.createProgramFromFile(pendulumVertFile.toStdString().c_str(),
                                         pendulumFragFile.toStdString().c_str(), stderr);
}

void OpenGL2d::updateViewWindow()
{
    constexpr double degToRad = 0.017453292519943295;
    data->maxRadius = data->pendulumLength * std::sin(data->maxTheta * degToRad);
    data->viewHalfWidth = double(width()) / double(height()) * data->maxRadius;
    data->viewHalfHeight = data->maxRadius;
    data->numSteps = 0;
}

void OpenGL2d::windowToWorld(const QPointF& pos, double& x, double& y) const
{
    const int w = width();
    const int h = height();
    x = (pos.x() - w / 2) / w * data->viewHalfWidth * 2.0;
    y = (h / 2 - pos.y()) / h * data->viewHalfHeight * 2.0;
}

void OpenGL2d::uploadTrajectory()
{
    // Nothing to fill before initializeGL has made the buffer.
    if (vboLine == 0)
        return;
    makeCurrent();
    // An undo may bring back a longer path than the buffer was made for.
    if (data->numTrajPoints > lineCapacity)
        allocateLineBuffer(data->numTrajPoints);
    data->uploadTrajectory(vboLine);
}

void OpenGL2d::allocateLineBuffer(int samples)
{
    makeCurrent();
    if (vaLine != 0) {
        glDeleteBuffers(1, &vboLine);
        glDeleteVertexArrays(1, &vaLine);
    }
    glGenVertexArrays(1, &vaLine);
    glBindVertexArray(vaLine);
    glGenBuffers(1, &vboLine);
    glBindBuffer(GL_ARRAY_BUFFER, vboLine);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(samples) * GLsizeiptr(sizeof(float[4])), nullptr,
                 GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(float[4]), nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    lineCapacity = samples;
}

void OpenGL2d::releaseGL()
{
    // Nothing was made yet, or it has been released already.
    if (vaQuad == 0)
        return;
    makeCurrent();
    quadShader.removeAllShaders();
    lineShader.removeAllShaders();
    magnetShader.removeAllShaders();
    pendulumShader.removeAllShaders();
    if (vaLine != 0) {
        glDeleteBuffers(1, &vboLine);
        glDeleteVertexArrays(1, &vaLine);
        vboLine = 0;
        vaLine = 0;
        lineCapacity = 0;
    }
    glDeleteVertexArrays(1, &vaEmpty);
    vaEmpty = 0;
    glDeleteBuffers(1, &vboQuad);
    glDeleteVertexArrays(1, &vaQuad);
    vboQuad = 0;
    vaQuad = 0;
    doneCurrent();
}
