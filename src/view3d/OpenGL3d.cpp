#include "OpenGL3d.h"

#include "GLContext.h"
#include "SystemData.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

// Pick ids: magnet i is 1000 + i, the bob 15000; `selected` holds the id minus 1000.
constexpr int magnetIdBase = 1000;
constexpr int bobId = 15000;
constexpr int bobSelection = bobId - magnetIdBase;

// Camera steering: world units or radians per pixel of mouse motion, and an
// elevation that stays just short of the pole.
constexpr double mouseStep = 0.01;
constexpr float maxElevation = 1.5697963f;
// Zoom: from just outside the near plane (0.01), where a magnet fills the view,
// to where the whole stand is small; a wheel notch away from the person brings
// the eye closer by this ratio.
constexpr float nearestDistance = 0.03f;
constexpr float farthestDistance = 8.0f;
constexpr double wheelRatio = 0.8;

constexpr float plateTop = -0.01f;
constexpr float magnetHeight = 0.01f;
constexpr float bobSize = 0.01f;
constexpr float rodWidth = 2.0f; // pixels
// The chosen magnet's collar: a thin white disc around its foot.
constexpr float collarDiameter = 0.02f;
constexpr float collarHeight = 0.002f;
// The trail lies just above the plate (clear of its depth values from as far as
// the camera goes), its light core on a dark edge so it reads on every colour.
constexpr float trailLift = 0.001f;
constexpr float trailEdgeWidth = 4.0f; // pixels
constexpr float trailCoreWidth = 2.0f;
constexpr float trailEdgeColour[3] = {0.05f, 0.05f, 0.07f};
// Texture unit of the plate's map; unit 0 shows the frame.
constexpr int plateMapUnit = 1;

// Height of the bob hanging at horizontal distance r from the axis. A bob placed
// beyond the rod's reach is drawn at the rim (rod horizontal) instead of getting
// an undefined height.
float bobHeight(double x, double y, double length, double height)
{
    const double r = std::sqrt(x * x + y * y);
    const double ratio = length > 0.0 ? std::min(r / length, 1.0) : 1.0;
    return float(height - length * std::cos(std::asin(ratio)));
}

} // namespace

OpenGL3d::OpenGL3d(const QSurfaceFormat& format, SystemData* data, QWidget* parent)
    : QOpenGLWidget(parent), data(data)
{
    setFormat(format);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(300, 300);
    setMouseTracking(true);

    const QDir dir(shaderDirectory());
    quadVertFile = dir.filePath(QStringLiteral("quad.vert"));
    quadFragFile = dir.filePath(QStringLiteral("quad.frag"));
    sceneVertFile = dir.filePath(QStringLiteral("scene.vert"));
    sceneGeomFile = dir.filePath(QStringLiteral("scene.geom"));
    sceneFragFile = dir.filePath(QStringLiteral("scene.frag"));
    rodVertFile = dir.filePath(QStringLiteral("rod.vert"));
    rodGeomFile = dir.filePath(QStringLiteral("rod.geom"));
    rodFragFile = dir.filePath(QStringLiteral("rod.frag"));
    plateFragFile = dir.filePath(QStringLiteral("plate.frag"));
    trailVertFile = dir.filePath(QStringLiteral("trail.vert"));
    trailFragFile = dir.filePath(QStringLiteral("trail.frag"));

    camera.setDistanceRange(nearestDistance, farthestDistance);
    resetCamera();
    data->animPos[0] = 0.0f;
    data->animPos[1] = 0.0f;
    camera.setFovY(60.0f);
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

void OpenGL3d::removeShaders()
{
    quadShader.removeAllShaders();
    sceneShader.removeAllShaders();
    rodShader.removeAllShaders();
    plateShader.removeAllShaders();
    trailShader.removeAllShaders();
}

void OpenGL3d::releaseGL()
{
    if (context() == nullptr)
        return;
    makeCurrent();
    removeShaders();
    deleteFBO();
    const GLuint arrays[] = {vaQuad, vaRod, vaCube, vaCyl, vaTrail};
    glDeleteVertexArrays(GLsizei(std::size(arrays)), arrays);
    const GLuint buffers[] = {vboQuad, vboCube, iboCube, vboCylPos, vboCylNorm, vboTrail};
    glDeleteBuffers(GLsizei(std::size(buffers)), buffers);
    vaQuad = vaRod = vaCube = vaCyl = vaTrail = 0;
    vboQuad = vboCube = iboCube = vboCylPos = vboCylNorm = vboTrail = 0;
    trailCapacity = 0;
    glDeleteSamplers(1, &quadSampler);
    quadSampler = 0;
    glDeleteTextures(1, &plateMapTex);
    plateMapTex = 0;
    plateMapTexSize = QSize();
    doneCurrent();
}

void OpenGL3d::initializeGL()
{
    // A context can be replaced (the widget moving to another window); the objects
    // of the old one go with it.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &OpenGL3d::releaseGL);

    initializeCommonGL(false, vaQuad, vboQuad);
    // Everything this view draws is opaque (alpha 1 or a cleared 0 that shows the
    // cleared window): blending would give the same pixels at a software
    // rasteriser's cost of reading every target back.
    glDisable(GL_BLEND);
    createShaders();
    createObjects();
    // A new context has no texture of the map yet.
    plateMapStale = !plateMap.isNull();
    // The new context of a window change comes without a resize; size the framebuffer now.
    resizeGL(width(), height());
}

void OpenGL3d::resizeGL(int width, int height)
{
    const QSize pixels = QSize(width, height) * devicePixelRatio();
    glViewport(0, 0, pixels.width(), pixels.height());
    camera.setSize(width, height);
    createFBO(pixels.width(), pixels.height());
}

void OpenGL3d::paintGL()
{
    renderScene();

    const QSize pixels = pixelSize();
    glViewport(0, 0, pixels.width(), pixels.height());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    quadShader.bind();
    quadShader.setUniform("mvp", orthoMatrix(0.0f, 1.0f, 0.0f, 1.0f));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colTex[0]);
    glBindSampler(0, quadSampler);
    quadShader.setUniform("tex", 0);
    glBindVertexArray(vaQuad);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    glBindSampler(0, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    quadShader.release();
}

void OpenGL3d::createShaders()
{
    makeCurrent();
    quadShader.createProgramFromFile(quadVertFile.toStdString().c_str(),
                                     quadFragFile.toStdString().c_str(), stderr);
    sceneShader.createProgramFromFile(sceneVertFile.toStdString().c_str(),
                                      sceneGeomFile.toStdString().c_str(),
                                      sceneFragFile.toStdString().c_str());
    rodShader.createProgramFromFile(rodVertFile.toStdString().c_str(),
                                    rodGeomFile.toStdString().c_str(),
                                    rodFragFile.toStdString().c_str());
    plateShader.createProgramFromFile(sceneVertFile.toStdString().c_str(),
                                      sceneGeomFile.toStdString().c_str(),
                                      plateFragFile.toStdString().c_str());
    trailShader.createProgramFromFile(trailVertFile.toStdString().c_str(),
                                      trailFragFile.toStdString().c_str(), stderr);
}

void OpenGL3d::createObjects()
{
    makeCurrent();

    // Box with x, y in [-0.5, 0.5] and z in [0, 1]: top face first, then the bottom.
    static const GLfloat boxVertices[] = {0.5f,  -0.5f, 1.0f, 1.0f, 0.5f,  0.5f,  1.0f, 1.0f,
                                          -0.5f, 0.5f,  1.0f, 1.0f, -0.5f, -0.5f, 1.0f, 1.0f,
                                          0.5f,  -0.5f, 0.0f, 1.0f, 0.5f,  0.5f,  0.0f, 1.0f,
                                          -0.5f, 0.5f,  0.0f, 1.0f, -0.5f, -0.5f, 0.0f, 1.0f};
    static const GLuint boxIndices[] = {0, 1, 3, 1, 2, 3, 4, 7, 5, 5, 7, 6, 4, 5, 0, 0, 5, 1,
                                        5, 6, 1, 1, 6, 2, 6, 7, 2, 7, 3, 2, 7, 4, 3, 4, 0, 3};
    glGenVertexArrays(1, &vaCube);
    glBindVertexArray(vaCube);
    glGenBuffers(1, &vboCube);
    glBindBuffer(GL_ARRAY_BUFFER, vboCube);
    glBufferData(GL_ARRAY_BUFFER, sizeof(boxVertices), boxVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glGenBuffers(1, &iboCube);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, iboCube);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(boxIndices), boxIndices, GL_STATIC_DRAW);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    plateTrans = {0.0f, 0.0f, -0.03f};
    plateScale = {1.0f, 1.0f, 0.02f};
    poleTrans = {-0.5f, 0.5f, -0.03f};
    poleScale = {0.05f, 0.05f, 2.0f};
    poleAxis = {0.0f, 0.0f, 1.0f};
    poleAngle = 45.0f;
    armTrans = {-0.25f, 0.25f, float(data->pendulumHeight - 0.03)};
    armScale = {0.1f, 1.0f, 0.05f};
    armAxis = {0.0f, 0.0f, 1.0f};
    armAngle = 45.0f;
    numCylSegments = 50;

    // Cylinder of radius 0.5 around z in [-0.5, 0.5], as pairs (top, bottom): the
    // cap centres, then the ring, whose last sample repeats the first so it closes.
    const int n = numCylSegments;
    std::vector<GLfloat> positions;
    std::vector<GLfloat> normals;
    positions.reserve(std::size_t(n + 1) * 8);
    normals.reserve(std::size_t(n + 1) * 6);
    positions.insert(positions.end(), {0.0f, 0.0f, 0.5f, 1.0f, 0.0f, 0.0f, -0.5f, 1.0f});
    normals.insert(normals.end(), {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, -1.0f});
    const float step = 6.2831852f / float(n - 1);
    for (int k = 1; k <= n; ++k) {
        const float a = float(k - 1) * step;
        const float c = std::cos(a);
        const float s = std::sin(a);
        positions.insert(positions.end(),
                         {0.5f * c, 0.5f * s, 0.5f, 1.0f, 0.5f * c, 0.5f * s, -0.5f, 1.0f});
        normals.insert(normals.end(), {c, s, 0.0f, c, s, 0.0f});
    }

    glGenVertexArrays(1, &vaCyl);
    glBindVertexArray(vaCyl);
    glGenBuffers(1, &vboCylPos);
    glBindBuffer(GL_ARRAY_BUFFER, vboCylPos);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(positions.size() * sizeof(GLfloat)), positions.data(),
                 GL_STATIC_DRAW);
    glGenBuffers(1, &vboCylNorm);
    glBindBuffer(GL_ARRAY_BUFFER, vboCylNorm);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(normals.size() * sizeof(GLfloat)), normals.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    glGenVertexArrays(1, &vaRod);

    // The trail's samples (x, y, vx, vy) as the model stores them; the buffer
    // grows with the path at draw time.
    glGenVertexArrays(1, &vaTrail);
    glBindVertexArray(vaTrail);
    glGenBuffers(1, &vboTrail);
    glBindBuffer(GL_ARRAY_BUFFER, vboTrail);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Texels and window pixels match one to one: nearest sampling shows the same
    // picture as the texture's linear filter and costs a software rasteriser less.
    glGenSamplers(1, &quadSampler);
    glSamplerParameteri(quadSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(quadSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(quadSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(quadSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void OpenGL3d::renderScene()
{
    if (!glIsFramebuffer(fbo))
        return;
    if (plateMapStale)
        uploadPlateMap();

    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    // Output 0 is the picture, output 1 the id image.
    static const GLenum drawBuffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, drawBuffers);
    const QSize pixels = pixelSize();
    glViewport(0, 0, pixels.width(), pixels.height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The post reaches up to the pivot and the arm sits on it, whatever the model says now.
    poleScale = {0.05f, 0.05f, float(data->pendulumLength)};
    armTrans = {-0.25f, 0.25f, float(data->pendulumHeight - 0.03)};

    const mat4 proj = camera.getProjMatrix();
    const mat4 view = camera.getViewMatrix();
    const mat4 id = mat4::identity();
    const mat4 plate = scale(translate(id, plateTrans), plateScale);
    const mat4 post = rotate(scale(translate(id, poleTrans), poleScale), poleAngle, poleAxis);
    const mat4 arm = scale(rotate(translate(id, armTrans), armAngle, armAxis), armScale);

    glEnable(GL_DEPTH_TEST);
    const mat4 invView = inverse(view);

    // The boxes are closed and wound counter-clockwise outside: their back faces are
    // hidden anyway, and the plate's bottom would cost a window's worth of fragments.
    glEnable(GL_CULL_FACE);
    glBindVertexArray(vaCube);
    // The plate's pattern comes from the fragment stage, on white material:
    // the map's program when there is a map, else the scene's chequer board.
    if (plateMapTex != 0) {
        useSceneProgram(plateShader, proj, view, invView);
        plateShader.setUniform("haveCheckerTex", 1);
        glActiveTexture(GL_TEXTURE0 + plateMapUnit);
        glBindTexture(GL_TEXTURE_2D, plateMapTex);
        plateShader.setUniform("plateMap", plateMapUnit);
        // Texture coordinates start at the region's left and smallest y (the
        // image's last row, the texture's first); a normalised QRectF's top()
        // is that smallest y.
        const QRectF r = plateMapRegion.normalized();
        plateShader.setUniform("mapOrigin", float(r.left()), float(r.top()));
        plateShader.setUniform("mapScale", float(1.0 / r.width()), float(1.0 / r.height()));
        plateShader.setUniform("modelMX", plate);
        glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
    }
    useSceneProgram(sceneShader, proj, view, invView);
    if (plateMapTex == 0) {
        sceneShader.setUniform("haveCheckerTex", 1);
        sceneShader.setUniform("modelMX", plate);
        glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
        sceneShader.setUniform("haveCheckerTex", 0);
    }
    sceneShader.setUniform("modelMX", post);
    glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
    sceneShader.setUniform("modelMX", arm);
    glDrawElements(GL_TRIANGLES, 36, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
    glDisable(GL_CULL_FACE);

    sceneShader.setUniform("haveColors", 1);
    glBindVertexArray(vaCyl);
    // Each magnet stands on the plate's top face (z = -0.01) with its own top at
    // z = 0; the chosen one wears its collar, which picks as the magnet does.
    const int chosenIndex = chosenMagnet();
    for (int i = 0; i < data->magnets.size(); ++i) {
        const Magnet& magnet = data->magnets[i];
        const mat4 model = scale(translate(id, {magnet.posX, magnet.posY, -magnetHeight / 2}),
                                 {magnetHeight, magnetHeight, magnetHeight});
        sceneShader.setUniform("pickIdCol", magnet.pickColor[0], magnet.pickColor[1],
                               magnet.pickColor[2]);
        sceneShader.setUniform("modelMX", model);
        sceneShader.setUniform("matcolor", magnet.color[0], magnet.color[1], magnet.color[2]);
        drawCylinder(&sceneShader);
        if (i == chosenIndex) {
            const mat4 collar =
                scale(translate(id, {magnet.posX, magnet.posY, plateTop + collarHeight / 2}),
                      {collarDiameter, collarDiameter, collarHeight});
            sceneShader.setUniform("modelMX", collar);
            sceneShader.setUniform("matcolor", 1.0f, 1.0f, 1.0f);
            drawCylinder(&sceneShader);
        }
    }

    // The bob sits on the sphere of rod length around the pivot (0, 0, pendulumHeight).
    const float x = data->animPos[0];
    const float y = data->animPos[1];
    const float z = bobHeight(x, y, data->pendulumLength, data->pendulumHeight);
    sceneShader.setUniform("modelMX", scale(translate(id, {x, y, z}), {bobSize, bobSize, bobSize}));
    sceneShader.setUniform("matcolor", data->pendulumColor);
    const std::array<float, 3> bobPick = SystemData::pickColorFromId(bobId);
    sceneShader.setUniform("pickIdCol", bobPick[0], bobPick[1], bobPick[2]);
    drawCylinder(&sceneShader);
    glBindVertexArray(0);
    sceneShader.release();

    // The rod is generated from a single point; the vertex array only keeps the
    // draw legal in a core profile.
    glLineWidth(rodWidth);
    rodShader.bind();
    rodShader.setUniform("projMX", proj);
    rodShader.setUniform("viewMX", view);
    rodShader.setUniform("pendulumHeight", float(data->pendulumHeight));
    rodShader.setUniform("pendulumLength", float(data->pendulumLength));
    rodShader.setUniform("pos", x, y);
    glBindVertexArray(vaRod);
    glDrawArrays(GL_POINTS, 0, 1);
    glBindVertexArray(0);
    rodShader.release();
    glLineWidth(1.0f);

    drawTrail(proj * view);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

void OpenGL3d::useSceneProgram(GLShader& program, const mat4& proj, const mat4& view,
                               const mat4& invView)
{
    program.bind();
    program.setUniform("projMX", proj);
    program.setUniform("viewMX", view);
    program.setUniform("invViewMX", invView);
    program.setUniform("ambient", data->ambientColor);
    program.setUniform("diffuse", data->diffuseColor);
    program.setUniform("specular", data->specularColor);
    program.setUniform("k_amb", data->k_amb);
    program.setUniform("k_diff", data->k_diff);
    program.setUniform("k_spec", data->k_spec);
    program.setUniform("k_exp", data->k_exp);
    program.setUniform("haveNormals", 0);
    program.setUniform("haveColors", 0);
    program.setUniform("haveCheckerTex", 0);
    program.setUniform("pickIdCol", 0.0f, 0.0f, 0.0f);
}

void OpenGL3d::drawTrail(const mat4& viewProj)
{
    const int samples = std::min(data->numTrajPoints, int(data->trajPoints.size()));
    const int travelled = data->animIndex + 1;
    if (samples < 2 || travelled < 1 || travelled > samples)
        return;

    // The samples as they are, then the bob as one more vertex. The buffer
    // takes a whole path at once, so a playback does not grow it step by step.
    constexpr GLsizeiptr vertexSize = sizeof(data->trajPoints[0]);
    const int vertices = travelled + 1;
    glBindBuffer(GL_ARRAY_BUFFER, vboTrail);
    if (vertices > trailCapacity) {
        trailCapacity = samples + 1;
        glBufferData(GL_ARRAY_BUFFER, trailCapacity * vertexSize, nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, travelled * vertexSize, data->trajPoints.data());
    const GLfloat bob[4] = {data->animPos[0], data->animPos[1], 0.0f, 0.0f};
    glBufferSubData(GL_ARRAY_BUFFER, travelled * vertexSize, vertexSize, bob);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // The edge, then the core over it. The trail writes no depth, so its core
    // is not hidden by its own edge, while the magnets still stand in front.
    glDepthMask(GL_FALSE);
    trailShader.bind();
    trailShader.setUniform("mvp", viewProj);
    trailShader.setUniform("height", plateTop + trailLift);
    glBindVertexArray(vaTrail);
    glLineWidth(trailEdgeWidth);
    trailShader.setUniform("trailColor", trailEdgeColour[0], trailEdgeColour[1],
                           trailEdgeColour[2]);
    glDrawArrays(GL_LINE_STRIP, 0, vertices);
    glLineWidth(trailCoreWidth);
    trailShader.setUniform("trailColor", data->lineColor);
    glDrawArrays(GL_LINE_STRIP, 0, vertices);
    glBindVertexArray(0);
    trailShader.release();
    glLineWidth(1.0f);
    glDepthMask(GL_TRUE);
}

void OpenGL3d::drawCylinder(GLShader* shader)
{
    Q_ASSERT_X(shader != nullptr, "OpenGL3d::drawCylinder", "shader!=NULL");

    const int n = numCylSegments;
    const auto offset = [](std::size_t bytes) { return reinterpret_cast<const void*>(bytes); };
    const auto pointAttributes = [&](GLsizei posStride, std::size_t posOffset, GLsizei normStride,
                                     std::size_t normOffset) {
        glBindBuffer(GL_ARRAY_BUFFER, vboCylPos);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, posStride, offset(posOffset));
        glBindBuffer(GL_ARRAY_BUFFER, vboCylNorm);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, normStride, offset(normOffset));
    };

    // Mantle: the ring pairs after the cap centres, with their smooth normals.
    shader->setUniform("haveNormals", 1);
    pointAttributes(0, 0, 0, 0);
    glDrawArrays(GL_TRIANGLE_STRIP, 2, 2 * n);

    // Caps: every second vertex gives the top (offset 0) or bottom (one vertex on)
    // centre and ring; their normals come flat from the geometry stage.
    shader->setUniform("haveNormals", 0);
    pointAttributes(8 * sizeof(GLfloat), 0, 6 * sizeof(GLfloat), 0);
    glDrawArrays(GL_TRIANGLE_FAN, 0, n + 1);
    pointAttributes(8 * sizeof(GLfloat), 4 * sizeof(GLfloat), 6 * sizeof(GLfloat),
                    3 * sizeof(GLfloat));
    glDrawArrays(GL_TRIANGLE_FAN, 0, n + 1);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void OpenGL3d::createTexture(GLuint& texture, GLint internalFormat, GLenum format, GLenum type,
                             GLint filter, int width, int height)
{
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, nullptr);
}

bool OpenGL3d::createFBO(int width, int height)
{
    // A collapsed view keeps the framebuffer it had.
    if (width < 1 || height < 1)
        return false;

    deleteFBO();
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    createTexture(colTex[0], GL_RGBA, GL_RGB, GL_UNSIGNED_BYTE, GL_LINEAR, width, height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colTex[0], 0);
    // Ids need the exact 8 bits of every channel.
    createTexture(colTex[1], GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, GL_LINEAR, width, height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, colTex[1], 0);
    createTexture(depthTex, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_FLOAT, GL_LINEAR, width,
                  height);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depthTex, 0);

    const char* message = nullptr;
    switch (glCheckFramebufferStatus(GL_FRAMEBUFFER)) {
    case GL_FRAMEBUFFER_UNDEFINED:
        message = "FBO: undefined.\n";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        message = "FBO: incomplete attachment.\n";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        message = "FBO: no buffers are attached to the FBO.\n";
        break;
    case GL_FRAMEBUFFER_UNSUPPORTED:
        message = "FBO: combination of internal buffer formats is not supported.\n";
        break;
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
        message = "FBO: number of samples or the value for ... does not match.\n";
        break;
    default:
        break;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    if (message != nullptr) {
        fputs(message, stderr);
        return false;
    }
    return true;
}

void OpenGL3d::deleteFBO()
{
    if (fbo != 0) {
        glDeleteFramebuffers(1, &fbo);
        fbo = 0;
    }
    if (depthTex != 0) {
        glDeleteTextures(1, &depthTex);
        depthTex = 0;
    }
    if (colTex[0] != 0) {
        glDeleteTextures(2, colTex);
        colTex[0] = colTex[1] = 0;
    }
}

void OpenGL3d::setPlateMap(const QImage& image, const QRectF& region)
{
    if (image.isNull() || region.normalized().isEmpty()) {
        clearPlateMap();
        return;
    }
    plateMap = image;
    plateMapRegion = region;
    plateMapStale = true;
    update();
}

void OpenGL3d::clearPlateMap()
{
    plateMap = QImage();
    plateMapStale = true;
    update();
}

void OpenGL3d::uploadPlateMap()
{
    plateMapStale = false;
    if (plateMap.isNull()) {
        glDeleteTextures(1, &plateMapTex);
        plateMapTex = 0;
        plateMapTexSize = QSize();
        return;
    }
    // Each pixel of a map is a result of its own, shown as a block as in the 2D
    // view. Nearest sampling also keeps the plate cheap: on a software
    // rasteriser filtering or mipmaps would add a third to the frame.
    uploadImageTexture(plateMapTex, plateMapTexSize, plateMap);
}

int OpenGL3d::chosenMagnet() const
{
    const qsizetype count = data->magnets.size();
    return chosen >= 0 && chosen < count && count == chosenAmong ? chosen : -1;
}

int OpenGL3d::pickId(int x, int y)
{
    if (context() == nullptr)
        return 0;
    // Another view may have made its own context current since our last paint.
    makeCurrent();
    int id = 0;
    const QSize pixels = pixelSize();
    const int column = int(x * devicePixelRatio());
    const int row = pixels.height() - 1 - int(y * devicePixelRatio());
    if (glIsFramebuffer(fbo) && column >= 0 && column < pixels.width() && row >= 0 &&
        row < pixels.height()) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glReadBuffer(GL_COLOR_ATTACHMENT1);
        unsigned char rgb[3] = {0, 0, 0};
        glReadPixels(column, row, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
        id = SystemData::pickIdFromColor(rgb[0], rgb[1], rgb[2]);
    }
    doneCurrent();
    return id;
}

void OpenGL3d::resetCamera()
{
    elevation = 1.0471976f;
    azimuth = -1.5707964f;
    camera.setPOI(0.0f, 0.0f, 0.0f);
    camera.setEyePos(0.3f, 0.0f, 0.0f);
    camera.orbit(elevation, azimuth);
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
        // Dragging down raises the eye, dragging right turns it clockwise.
        elevation = float(elevation + mouseStep * dy);
        azimuth = float(azimuth - mouseStep * dx);
        elevation = std::clamp(elevation, -maxElevation, maxElevation);
        camera.orbit(elevation, azimuth);
        update();
    } else if (mouseButton == Qt::RightButton) {
        // Down moves away. A drag past the nearest distance stops there, however
        // fast; the camera keeps to the farthest itself.
        camera.setDistance(std::max(float(camera.getDistance() + mouseStep * dy), nearestDistance));
        update();
    } else if (mouseButton == Qt::MiddleButton) {
        // Eye and point of interest rise together, so the view keeps its direction:
        // later zooms and drags work from the same frame.
        camera.shift({0.0f, 0.0f, float(mouseStep * dy)});
        update();
    }

    lastMouseX = pos.x();
    lastMouseY = pos.y();
    event->accept();
}

void OpenGL3d::dragSelected(int x, int y)
{
    const vec3 eye = camera.getEyePos();
    const vec3 ray = camera.getRayDir(x, y);
    const bool bob = selected == bobSelection;
    // Magnets slide on the plate, the bob on the plane through its lowest position.
    const double planeZ = bob ? data->pendulumHeight - data->pendulumLength : 0.0;

    // A ray (nearly) parallel to the plane meets it far away or never, and one that
    // meets it behind the eye would mirror the drag; such moves are skipped.
    if (std::fabs(ray.z) < 1e-6f)
        return;
    const double t = (planeZ - eye.z) / ray.z;
    if (!(t > 0.0) || !std::isfinite(t))
        return;
    const double hitX = eye.x + t * ray.x;
    const double hitY = eye.y + t * ray.y;

    if (bob) {
        emit releaseRequested(hitX, hitY);
    } else {
        // The first move that lands starts the drag: a click alone edits nothing.
        if (!draggingMagnet) {
            draggingMagnet = true;
            emit magnetDragStarted(selected);
        }
        Magnet& magnet = data->magnets[selected];
        magnet.posX = float(hitX);
        magnet.posY = float(hitY);
        magnet.posZ = float(eye.z + t * ray.z);
        emit magnetMoved(selected);
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
    // Fine-grained wheels report parts of a notch (120 units); they zoom by
    // the same part of the ratio.
    const double notches = event->angleDelta().y() / 120.0;
    camera.setDistance(float(camera.getDistance() * std::pow(wheelRatio, notches)));
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
    } else if (event->key() == Qt::Key_S) {
        makeCurrent();
        removeShaders();
        createShaders();
        doneCurrent();
        update();
    }
    event->accept();
}

void OpenGL3d::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}
