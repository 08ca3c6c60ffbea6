#include "OpenGL3d.h"

#include "GLContext.h"
#include "PinnedPath.h"
#include "SystemData.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

namespace {

// Pick ids: magnet i is 1000 + i, the bob 15000; `selected` holds the id minus 1000.
constexpr int magnetIdBase = 1000;
constexpr int bobSelection = 15000 - magnetIdBase;

} // namespace

OpenGL3d::OpenGL3d(const QSurfaceFormat& format, SystemData* data, QWidget* parent)
    : QOpenGLWidget(parent), data(data), shaderDir(shaderDirectory())
{
    setFormat(format);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(300, 300);
    setMouseTracking(true);
}

OpenGL3d::~OpenGL3d()
{
    releaseGL();
    // The base destructor destroys the context; the member slot must not run then.
    if (context() != nullptr)
        disconnect(context(), nullptr, this, nullptr);
}

QSize OpenGL3d::sizeHint() const
{
    return {512, 512};
}

QSize OpenGL3d::minimumSizeHint() const
{
    return {512, 512};
}

bool OpenGL3d::saveImage(const QString& fileName)
{
    return grabFramebuffer().convertToFormat(QImage::Format_RGB32).save(fileName);
}

QSize OpenGL3d::pixelSize() const
{
    return size() * devicePixelRatio();
}

void OpenGL3d::releaseGL()
{
    if (!renderer || context() == nullptr)
        return;
    makeCurrent();
    renderer.reset();
    doneCurrent();
}

void OpenGL3d::initializeGL()
{
    // A context can be replaced (the widget moving to another window); the objects
    // of the old one go with it.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OpenGL3d::releaseGL);
    renderer = std::make_unique<SceneRenderer>(*data, shaderDir);
    if (!plateMap.isNull())
        renderer->setPlateMap(plateMap, plateMapRegion);
    renderer->setPinnedPath(pinned);
    renderer->setPathCapture(pathCapture);
    // The new context of a window change comes without a resize; size the framebuffer now.
    resizeGL(width(), height());
}

void OpenGL3d::resizeGL(int width, int height)
{
    if (!renderer)
        return;
    const QSize pixels = QSize(width, height) * devicePixelRatio();
    glViewport(0, 0, pixels.width(), pixels.height());
    control.setSize(width, height);
    renderer->resize(pixels);
}

void OpenGL3d::paintGL()
{
    if (!renderer)
        return;
    renderer->paint(control.camera(), chosenMagnet(), pixelSize(), defaultFramebufferObject());
}

void OpenGL3d::setPlateMap(const QImage& image, const QRectF& region)
{
    if (image.isNull() || region.normalized().isEmpty()) {
        clearPlateMap();
        return;
    }
    plateMap = image;
    plateMapRegion = region;
    if (renderer)
        renderer->setPlateMap(plateMap, plateMapRegion);
    update();
}

void OpenGL3d::clearPlateMap()
{
    plateMap = QImage();
    if (renderer)
        renderer->setPlateMap(plateMap, plateMapRegion);
    update();
}

void OpenGL3d::showPinnedPath(const PinnedPath* path)
{
    PinnedPath::watch(this, pinned, path, [this] {
        if (renderer)
            renderer->setPinnedPath(pinned);
        update();
    });
}

void OpenGL3d::setPathCapture(const PathCapture* capture)
{
    pathCapture = capture;
    if (renderer)
        renderer->setPathCapture(capture);
    update();
}

int OpenGL3d::chosenMagnet() const
{
    const qsizetype count = data->magnets.size();
    return chosen >= 0 && chosen < count && count == chosenAmong ? chosen : -1;
}

int OpenGL3d::pickId(int x, int y)
{
    if (!renderer || context() == nullptr)
        return 0;
    // Another view may have made its own context current since our last paint.
    makeCurrent();
    const int column = int(x * devicePixelRatio());
    const int row = pixelSize().height() - 1 - int(y * devicePixelRatio());
    const int id = renderer->pickId(column, row, defaultFramebufferObject());
    doneCurrent();
    return id;
}

void OpenGL3d::resetCamera()
{
    control.reset();
}

bool OpenGL3d::isDraggable(int selection) const
{
    return (selection >= 0 && selection < data->magnets.size()) || selection == bobSelection;
}

void OpenGL3d::mousePressEvent(QMouseEvent* event)
{
    mouseButton = int(event->button());
    const QPoint pos = event->position().toPoint();
    lastMouseX = pos.x();
    lastMouseY = pos.y();

    // A Shift-click chooses the magnet under the cursor, or ends the choice
    // when it hits anything else.
    if (event->modifiers() & Qt::ShiftModifier) {
        const int k = pickId(pos.x(), pos.y()) - magnetIdBase;
        if (isDraggable(k))
            selected = k;
        const bool magnet = isDraggable(k) && k != bobSelection;
        chosen = magnet ? k : -1;
        chosenAmong = data->magnets.size();
    }
    event->accept();
    update();
}

void OpenGL3d::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const int dx = pos.x() - lastMouseX;
    const int dy = pos.y() - lastMouseY;

    if (isDraggable(selected)) {
        dragSelected(pos.x(), pos.y());
    } else if (mouseButton == Qt::LeftButton) {
        control.orbitBy(dx, dy);
        update();
    } else if (mouseButton == Qt::RightButton) {
        control.moveAwayBy(dy);
        update();
    } else if (mouseButton == Qt::MiddleButton) {
        control.liftBy(dy);
        update();
    }

    lastMouseX = pos.x();
    lastMouseY = pos.y();
    event->accept();
}

void OpenGL3d::dragSelected(int x, int y)
{
    const bool bob = selected == bobSelection;
    // Magnets slide on the plate, the bob on the plane through its lowest position.
    const double planeZ = bob ? data->pendulumHeight - data->pendulumLength : 0.0;
    const std::optional<CameraControl::PlanePoint> hit = control.hitOnPlane(x, y, planeZ);
    if (!hit)
        return;

    if (bob) {
        emit releaseRequested(hit->x, hit->y);
    } else {
        // The first move that lands starts the drag: a click alone edits nothing.
        if (!draggingMagnet) {
            draggingMagnet = true;
            emit magnetDragStarted(selected);
        }
        emit magnetDragged(selected, hit->x, hit->y);
    }
    update();
}

void OpenGL3d::mouseReleaseEvent(QMouseEvent* event)
{
    selected = -1;
    mouseButton = 0;
    if (draggingMagnet) {
        draggingMagnet = false;
        emit magnetDragFinished();
    }
    event->accept();
    update();
}

void OpenGL3d::wheelEvent(QWheelEvent* event)
{
    // Fine-grained wheels report parts of a notch (120 units).
    control.zoomByNotches(event->angleDelta().y() / 120.0);
    event->accept();
    update();
}

void OpenGL3d::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_I) {
        resetCamera();
        update();
    } else if (event->key() == Qt::Key_Delete) {
        const int magnet = chosenMagnet();
        chosen = -1;
        if (magnet >= 0)
            emit magnetRemoveRequested(magnet);
        update();
    } else if (event->key() == Qt::Key_S && renderer) {
        makeCurrent();
        renderer->reloadShaders();
        doneCurrent();
        update();
    }
    event->accept();
}

void OpenGL3d::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}
