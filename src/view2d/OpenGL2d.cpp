#include "OpenGL2d.h"

#include "GLContext.h"
#include "PathCapture.h"
#include "PinnedPath.h"
#include "SystemData.h"
#include "VecMath.h"
#include "ViewRadius.h"

#include <QDir>
#include <QImage>
#include <QOpenGLContext>

#include <algorithm>
#include <array>
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

// The capture ring: its least radius in pixels of the widget, its radius
// against a magnet's (it rings the magnet the bob rests over), its corners.
constexpr double kMarkRadius = 8.0;
constexpr double kMarkOverMagnet = 1.6;
constexpr int kMarkCorners = 32;
const double kPi = std::acos(-1.0);

} // namespace

OpenGL2d::OpenGL2d(const QSurfaceFormat& format, SystemData* data, QWidget* parent)
    : QOpenGLWidget(parent), data(data)
{
    setFormat(format);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(300, 300);
    setMouseTracking(true);

    const QDir dir(shaderDirectory());
    quadVertFile = dir.filePath(QStringLiteral("quad.vert"));
    quadFragFile = dir.filePath(QStringLiteral("quad.frag"));
    pendulumVertFile = dir.filePath(QStringLiteral("pendulum.vert"));
    pendulumFragFile = dir.filePath(QStringLiteral("pendulum.frag"));
    magnetVertFile = dir.filePath(QStringLiteral("magnet.vert"));
    magnetGeomFile = dir.filePath(QStringLiteral("magnet.geom"));
    magnetFragFile = dir.filePath(QStringLiteral("magnet.frag"));
    lineVertFile = dir.filePath(QStringLiteral("line.vert"));
    lineFragFile = dir.filePath(QStringLiteral("line.frag"));
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
    centreX = 0.0;
    centreY = 0.0;
    zoomFactor = 1.0;
    updateViewWindow();
    emit viewChanged(viewRegion(), viewPixels());
    update();
    // A cursor resting on the view now points at another place of the plane.
    if (underMouse()) {
        double x = 0.0;
        double y = 0.0;
        windowToWorld(mapFromGlobal(QCursor::pos()), x, y);
        emit cursorMoved(x, y);
    }
}

QRectF OpenGL2d::viewRegion() const
{
    return {centreX - data->viewHalfWidth, centreY - data->viewHalfHeight,
            2.0 * data->viewHalfWidth, 2.0 * data->viewHalfHeight};
}

QSize OpenGL2d::viewPixels() const
{
    const qreal ratio = devicePixelRatioF();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

void OpenGL2d::setBasinMap(const BasinMap& map)
{
    basinMap = map;
    legend.setMap(map);
    mapUploaded = false;
    legendUploaded = false;
    update();
}

void OpenGL2d::clearBasinMap()
{
    basinMap = BasinMap();
    legend.clear();
    update();
}

void OpenGL2d::setLegendVisible(bool visible)
{
    legendVisible = visible;
    update();
}

void OpenGL2d::showPinnedPath(const PinnedPath* path)
{
    PinnedPath::watch(this, pinned, path, [this] {
        pinnedStale = true;
        update();
    });
}

void OpenGL2d::setPathCapture(const PathCapture* pathCapture)
{
    capture = pathCapture;
    update();
}

bool OpenGL2d::saveImage(const QString& fileName)
{
    return grabFramebuffer().convertToFormat(QImage::Format_RGB32).save(fileName);
}

void OpenGL2d::particleStep()
{
    makeCurrent();
    update();
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
    mapUploaded = false;
    legendUploaded = false;
    createShaders();
    // A new context (the view moved to another window) shows the path it had.
    allocateLineBuffer(std::max(data->maxNumPoints, data->numTrajPoints));
    fillLineBuffer();
    pinnedStale = true;
}

void OpenGL2d::resizeGL(int w, int h)
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(w * ratio), GLsizei(h * ratio));
    legendUploaded = false; // its panel is drawn for the pixel ratio
    updateViewWindow();
    emit viewChanged(viewRegion(), viewPixels());
}

void OpenGL2d::paintGL()
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(width() * ratio), GLsizei(height() * ratio));
    // A map of just what is shown is copied over every pixel: nothing to clear.
    const bool mapShown = !basinMap.isNull();
    const bool mapFills = mapShown && mapFillsView();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(mapFills ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);

    // Magnets come and go under a resting cursor (undo, a double-click that
    // adds one): the highlight follows the model, except during a drag.
    if (mouseButton != Qt::RightButton)
        pickMagnet();

    // Everything is drawn relative to an origin at the view's centre rounded
    // to a float: the path's float samples subtract it exactly, and the map
    // and the magnets, placed in double, keep their precision at any zoom.
    const double originX = double(float(centreX));
    const double originY = double(float(centreY));
    const double offsetX = centreX - originX;
    const double offsetY = centreY - originY;
    const mat4 proj =
        orthoMatrix(float(offsetX - data->viewHalfWidth), float(offsetX + data->viewHalfWidth),
                    float(offsetY - data->viewHalfHeight), float(offsetY + data->viewHalfHeight));
    if (mapShown)
        drawMap(proj, originX, originY, mapFills);

    if (isUsable(magnetShader)) {
        magnetShader.bind();
        magnetShader.setUniform("mvp", proj);
        magnetShader.setUniform("magnetSize", data->magnetSize);
        glBindVertexArray(vaEmpty);
        for (int i = 0; i < data->magnets.size(); ++i) {
            const Magnet& magnet = data->magnets[i];
            magnetShader.setUniform("isActiveMagnet", i == activeMagnet ? 1 : 0);
            magnetShader.setUniform("in_pos", float(magnet.posX - originX),
                                    float(magnet.posY - originY));
            magnetShader.setUniform("in_col", magnet.color[0], magnet.color[1], magnet.color[2]);
            glDrawArrays(GL_POINTS, 0, 1);
        }
        glBindVertexArray(0);
        magnetShader.release();
    }

    drawPinnedPath(proj, originX, originY, mapShown);
    if (vaLine != 0 && data->numTrajPoints > 0 && isUsable(lineShader)) {
        lineShader.bind();
        lineShader.setUniform("mvp", proj);
        lineShader.setUniform("origin", float(originX), float(originY));
        glBindVertexArray(vaLine);
        // Over a map a dark edge keeps the path readable on any colour.
        if (mapShown) {
            glLineWidth(float(data->lineWidth + 2));
            lineShader.setUniform("lineColor", 0.0f, 0.0f, 0.0f);
            glDrawArrays(GL_LINE_STRIP, 0, data->numTrajPoints);
        }
        glLineWidth(float(data->lineWidth));
        lineShader.setUniform("lineColor", data->lineColor);
        glDrawArrays(GL_LINE_STRIP, 0, data->numTrajPoints);
        glBindVertexArray(0);
        lineShader.release();
        glLineWidth(1.0f);
        drawCaptureMark(proj, originX, originY);
    }

    if (mapShown && legendVisible)
        drawLegend();
}

void OpenGL2d::drawPinnedPath(const mat4& proj, double originX, double originY, bool mapShown)
{
    if (pinnedStale) {
        pinnedLine.upload(pinned ? pinned->samples() : std::vector<std::array<float, 4>>());
        pinnedStale = false;
    }
    if (pinnedLine.size() < 2 || !isUsable(lineShader))
        return;
    lineShader.bind();
    lineShader.setUniform("mvp", proj);
    lineShader.setUniform("origin", float(originX), float(originY));
    // The same dark edge as the current path's over a map.
    if (mapShown) {
        glLineWidth(float(data->lineWidth + 2));
        lineShader.setUniform("lineColor", 0.0f, 0.0f, 0.0f);
        pinnedLine.draw();
    }
    glLineWidth(float(data->lineWidth));
    lineShader.setUniform("lineColor", PinnedPath::mutedColor(data->lineColor));
    pinnedLine.draw();
    lineShader.release();
    glLineWidth(1.0f);
}

void OpenGL2d::drawCaptureMark(const mat4& proj, double originX, double originY)
{
    if (!capture || !capture->caught() || capture->sample >= data->numTrajPoints)
        return;
    // Around the caught sample, wider than the magnet and never too small to see.
    const double pixel = 2.0 * data->viewHalfHeight / std::max(height(), 1);
    const double radius = std::max(kMarkRadius * pixel, kMarkOverMagnet * data->magnetSize);
    std::array<std::array<float, 4>, kMarkCorners> ring;
    for (int i = 0; i < kMarkCorners; ++i) {
        const double angle = 2.0 * kPi * i / kMarkCorners;
        ring[std::size_t(i)] = {float(capture->x + radius * std::cos(angle)),
                                float(capture->y + radius * std::sin(angle)), 0.0f, 0.0f};
    }
    if (vaMark == 0) {
        glGenVertexArrays(1, &vaMark);
        glBindVertexArray(vaMark);
        glGenBuffers(1, &vboMark);
        glBindBuffer(GL_ARRAY_BUFFER, vboMark);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(sizeof ring), nullptr, GL_DYNAMIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(ring[0]), nullptr);
    }
    glBindBuffer(GL_ARRAY_BUFFER, vboMark);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(sizeof ring), ring.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Its colour on a dark edge, readable over the path and any map.
    lineShader.bind();
    lineShader.setUniform("mvp", proj);
    lineShader.setUniform("origin", float(originX), float(originY));
    glBindVertexArray(vaMark);
    glLineWidth(4.0f);
    lineShader.setUniform("lineColor", 0.0f, 0.0f, 0.0f);
    glDrawArrays(GL_LINE_LOOP, 0, kMarkCorners);
    glLineWidth(2.0f);
    lineShader.setUniform("lineColor", capture->colour);
    glDrawArrays(GL_LINE_LOOP, 0, kMarkCorners);
    glBindVertexArray(0);
    lineShader.release();
    glLineWidth(1.0f);
}

bool OpenGL2d::mapFillsView() const
{
    const QSize pixels = viewPixels();
    if (basinMap.isNull() || basinMap.image().size() != pixels)
        return false;
    const QRectF map = basinMap.region();
    const QRectF view = viewRegion();
    const double quarterPixel = 0.25 * view.width() / pixels.width();
    return std::abs(map.left() - view.left()) < quarterPixel &&
           std::abs(map.top() - view.top()) < quarterPixel &&
           std::abs(map.width() - view.width()) < quarterPixel &&
           std::abs(map.height() - view.height()) < quarterPixel;
}

void OpenGL2d::drawMap(const mat4& proj, double originX, double originY, bool fills)
{
    if (!mapUploaded) {
        uploadImageTexture(mapTexture, mapTextureSize, basinMap.image());
        // A texture given new storage stays attached: the framebuffer is made once.
        if (mapFramebuffer == 0) {
            glGenFramebuffers(1, &mapFramebuffer);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, mapFramebuffer);
            glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                                   mapTexture, 0);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
        }
        mapUploaded = true;
    }
    if (fills) {
        // The map of just what is shown: a plain copy, far cheaper than texturing
        // every pixel of the view.
        const int w = mapTextureSize.width();
        const int h = mapTextureSize.height();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, mapFramebuffer);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
        return;
    }
    // Another part of the plane, while its own map is on the way: the unit
    // square onto the region the map was computed for.
    const QRectF region = basinMap.region();
    mat4 mvp =
        translate(proj, {float(region.left() - originX), float(region.top() - originY), 0.0f});
    mvp = scale(mvp, {float(region.width()), float(region.height()), 1.0f});
    drawTexture(mapTexture, mvp);
}

void OpenGL2d::drawLegend()
{
    const qreal ratio = devicePixelRatioF();
    if (!legendUploaded) {
        const QImage image = legend.image(font(), ratio);
        legendSize = image.size();
        if (!image.isNull())
            uploadImageTexture(legendTexture, legendTextureSize, image);
        legendUploaded = true;
    }
    if (legendSize.isEmpty())
        return;
    // In the lower left corner, in device pixels; the panel is premultiplied.
    const float margin = float(8.0 * ratio);
    const QSize pixels = viewPixels();
    mat4 mvp = orthoMatrix(0.0f, float(pixels.width()), 0.0f, float(pixels.height()));
    mvp = translate(mvp, {margin, margin, 0.0f});
    mvp = scale(mvp, {float(legendSize.width()), float(legendSize.height()), 1.0f});
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    drawTexture(legendTexture, mvp);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void OpenGL2d::drawTexture(GLuint texture, const mat4& mvp)
{
    if (!isUsable(quadShader))
        return;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    quadShader.bind();
    quadShader.setUniform("mvp", mvp);
    quadShader.setUniform("tex", 0);
    glBindVertexArray(vaQuad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    quadShader.release();
    glBindTexture(GL_TEXTURE_2D, 0);
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
    data->maxRadius = viewRadius(data->pendulumLength, data->maxTheta);
    data->viewHalfHeight = data->maxRadius / zoomFactor;
    data->viewHalfWidth = double(width()) / double(height()) * data->viewHalfHeight;
    data->numSteps = 0;
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
    fillLineBuffer();
}

void OpenGL2d::fillLineBuffer()
{
    glBindBuffer(GL_ARRAY_BUFFER, vboLine);
    glBufferSubData(GL_ARRAY_BUFFER, 0,
                    GLsizeiptr(data->numTrajPoints) * GLsizeiptr(sizeof(data->trajPoints[0])),
                    data->trajPoints.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void OpenGL2d::allocateLineBuffer(int samples)
{
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

void OpenGL2d::removeShaders()
{
    quadShader.removeAllShaders();
    lineShader.removeAllShaders();
    magnetShader.removeAllShaders();
    pendulumShader.removeAllShaders();
}

void OpenGL2d::releaseGL()
{
    // Nothing was made yet, or it has been released already.
    if (vaQuad == 0)
        return;
    makeCurrent();
    removeShaders();
    if (vaLine != 0) {
        glDeleteBuffers(1, &vboLine);
        glDeleteVertexArrays(1, &vaLine);
        vboLine = 0;
        vaLine = 0;
        lineCapacity = 0;
    }
    pinnedLine.reset();
    glDeleteVertexArrays(1, &vaEmpty);
    vaEmpty = 0;
    glDeleteBuffers(1, &vboMark);
    glDeleteVertexArrays(1, &vaMark);
    vboMark = 0;
    vaMark = 0;
    glDeleteFramebuffers(1, &mapFramebuffer);
    mapFramebuffer = 0;
    glDeleteTextures(1, &mapTexture);
    mapTexture = 0;
    mapTextureSize = QSize();
    glDeleteTextures(1, &legendTexture);
    legendTexture = 0;
    legendTextureSize = QSize();
    glDeleteBuffers(1, &vboQuad);
    glDeleteVertexArrays(1, &vaQuad);
    vboQuad = 0;
    vaQuad = 0;
    doneCurrent();
}
