#include "SceneRenderer.h"

#include "Camera.h"
#include "GLContext.h"
#include "PathCapture.h"
#include "PinnedPath.h"
#include "SceneLayout.h"
#include "SceneMesh.h"
#include "SystemData.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Pick id of the bob; magnet i carries its own (see Magnet::pickColor).
constexpr int bobId = 15000;

constexpr int cylinderRingSamples = 50;
constexpr GLsizei boxIndexCount = 36;
constexpr float rodWidth = 2.0f; // pixels
// The trail lies just above the plate (clear of its depth values from as far as
// the camera goes), its light core on a dark edge so it reads on every colour.
constexpr float trailLift = 0.001f;
constexpr float trailEdgeWidth = 4.0f; // pixels
constexpr float trailCoreWidth = 2.0f;
constexpr float trailEdgeColour[3] = {0.05f, 0.05f, 0.07f};
// The capture ring: wider than a magnet, its collar and the bob, just over
// the magnets' tops (the plane z = 0), under the resting bob.
constexpr float markRadius = 0.012f;
constexpr float markLift = 0.001f;
constexpr int markCorners = 32;
constexpr float markWidth = 3.0f; // pixels
// Texture unit of the plate's map; unit 0 shows the frame.
constexpr int plateMapUnit = 1;
// Texels the plate's map averages along a slant, at most.
constexpr GLfloat kPlateAnisotropy = 8.0f;

template <typename T> GLBuffer filledBuffer(GLenum target, const std::vector<T>& values)
{
    GLBuffer buffer = GLBuffer::create();
    glBindBuffer(target, buffer.id());
    glBufferData(target, GLsizeiptr(values.size() * sizeof(T)), values.data(), GL_STATIC_DRAW);
    return buffer;
}

const void* byteOffset(std::size_t bytes)
{
    return reinterpret_cast<const void*>(bytes);
}

} // namespace

SceneRenderer::SceneRenderer(const SystemData& data, const QString& shaderDir)
    : data(data), shaderDir(shaderDir)
{
    GLuint quadVertexArray = 0;
    GLuint quadVertices = 0;
    initializeCommonGL(false, quadVertexArray, quadVertices);
    quadArray = GLVertexArray(quadVertexArray);
    quadBuffer = GLBuffer(quadVertices);
    // Everything this view draws is opaque (alpha 1 or a cleared 0 that shows the
    // cleared window): blending would give the same pixels at a software
    // rasteriser's cost of reading every target back.
    glDisable(GL_BLEND);
    createShaders();
    createMeshes();
}

QString SceneRenderer::shaderFile(const char* name) const
{
    return QDir(shaderDir).filePath(QLatin1String(name));
}

void SceneRenderer::createShaders()
{
    const auto path = [this](const char* name) { return shaderFile(name).toStdString(); };
    quadShader.createProgramFromFile(path("quad.vert").c_str(), path("quad.frag").c_str(), stderr);
    sceneShader.createProgramFromFile(path("scene.vert").c_str(), path("scene.geom").c_str(),
                                      path("scene.frag").c_str());
    rodShader.createProgramFromFile(path("rod.vert").c_str(), path("rod.geom").c_str(),
                                    path("rod.frag").c_str());
    plateShader.createProgramFromFile(path("scene.vert").c_str(), path("scene.geom").c_str(),
                                      path("plate.frag").c_str());
    trailShader.createProgramFromFile(path("trail.vert").c_str(), path("trail.frag").c_str(),
                                      stderr);
}

void SceneRenderer::reloadShaders()
{
    for (GLShader* shader : {&quadShader, &sceneShader, &rodShader, &plateShader, &trailShader})
        shader->removeAllShaders();
    createShaders();
}

void SceneRenderer::createMeshes()
{
    const SceneMesh box = SceneMesh::box();
    boxArray = GLVertexArray::create();
    glBindVertexArray(boxArray.id());
    boxVertices = filledBuffer(GL_ARRAY_BUFFER, box.positions);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    boxIndices = filledBuffer(GL_ELEMENT_ARRAY_BUFFER, box.indices);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // The cylinder's attribute layout changes between its mantle and its caps
    // (see drawCylinder), so its pointers are set at each draw.
    const SceneMesh cylinder = SceneMesh::cylinder(cylinderRingSamples);
    cylinderArray = GLVertexArray::create();
    glBindVertexArray(cylinderArray.id());
    cylinderPositions = filledBuffer(GL_ARRAY_BUFFER, cylinder.positions);
    cylinderNormals = filledBuffer(GL_ARRAY_BUFFER, cylinder.normals);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    rodArray = GLVertexArray::create();

    // The trail's samples (x, y, vx, vy) as the model stores them; the buffer
    // grows with the path at draw time.
    trailArray = GLVertexArray::create();
    glBindVertexArray(trailArray.id());
    trailBuffer = GLBuffer::create();
    glBindBuffer(GL_ARRAY_BUFFER, trailBuffer.id());
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // The capture ring's corners around the origin, moved to its place by the mvp.
    std::vector<std::array<float, 4>> ring;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < markCorners; ++i) {
        const double angle = 2.0 * pi * i / markCorners;
        ring.push_back(
            {float(markRadius * std::cos(angle)), float(markRadius * std::sin(angle)), 0.0f, 0.0f});
    }
    markArray = GLVertexArray::create();
    glBindVertexArray(markArray.id());
    markBuffer = filledBuffer(GL_ARRAY_BUFFER, ring);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Texels and window pixels match one to one: nearest sampling shows the same
    // picture as the texture's linear filter and costs a software rasteriser less.
    quadSampler = GLSampler::create();
    glSamplerParameteri(quadSampler.id(), GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(quadSampler.id(), GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(quadSampler.id(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(quadSampler.id(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

bool SceneRenderer::resize(QSize pixels)
{
    return targets.resize(pixels);
}

void SceneRenderer::setPlateMap(const QImage& image, const QRectF& region)
{
    plateMap = image;
    plateMapRegion = region;
    plateMapStale = true;
}

void SceneRenderer::setPinnedPath(const PinnedPath* path)
{
    pinned = path;
    pinnedStale = true;
}

void SceneRenderer::uploadPlateMap()
{
    plateMapStale = false;
    if (plateMap.isNull()) {
        plateMapTexture.reset();
        plateMapTextureSize = QSize();
        return;
    }
    uploadImageTexture(plateMapTexture, plateMapTextureSize, plateMap);
    // Up close each pixel of the map is a result of its own, shown as a block
    // as in the 2D view. Far off and at a grazing angle many texels fall on a
    // pixel: one picked of them shimmers into moire, their mean (a mipmap,
    // sharpened along the slant by anisotropic filtering where there is such)
    // keeps each basin's colour and mixes only at the borders.
    glBindTexture(GL_TEXTURE_2D, plateMapTexture.id());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) {
        GLfloat most = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &most);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                        std::min(most, kPlateAnisotropy));
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

int SceneRenderer::pickId(int column, int row, GLuint restore) const
{
    return targets.idAt(column, row, restore);
}

void SceneRenderer::paint(const Camera& camera, int chosenMagnet, QSize pixels, GLuint target)
{
    renderScene(camera, chosenMagnet, target);
    present(pixels);
}

void SceneRenderer::present(QSize pixels)
{
    glViewport(0, 0, pixels.width(), pixels.height());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    quadShader.bind();
    quadShader.setUniform("mvp", orthoMatrix(0.0f, 1.0f, 0.0f, 1.0f));
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, targets.picture());
    glBindSampler(0, quadSampler.id());
    quadShader.setUniform("tex", 0);
    glBindVertexArray(quadArray.id());
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
    glBindSampler(0, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    quadShader.release();
}

void SceneRenderer::renderScene(const Camera& camera, int chosenMagnet, GLuint target)
{
    if (!targets.exists())
        return;
    if (plateMapStale)
        uploadPlateMap();

    targets.bindForDrawing();
    const QSize pixels = targets.size();
    glViewport(0, 0, pixels.width(), pixels.height());
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    const mat4 proj = camera.getProjMatrix();
    const mat4 view = camera.getViewMatrix();
    const mat4 invView = inverse(view);
    glEnable(GL_DEPTH_TEST);
    drawStand(proj, view, invView);
    sceneShader.setUniform("haveColors", 1);
    glBindVertexArray(cylinderArray.id());
    drawMagnets(chosenMagnet);
    drawBob();
    glBindVertexArray(0);
    sceneShader.release();
    drawRod(proj, view);
    drawPinnedPath(proj * view);
    drawTrail(proj * view);
    drawCaptureMark(proj * view);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
}

void SceneRenderer::useSceneProgram(GLShader& program, const mat4& proj, const mat4& view,
                                    const mat4& invView)
{
    program.bind();
    program.setUniform("projMX", proj);
    program.setUniform("viewMX", view);
    program.setUniform("invViewMX", invView);
    program.setUniform("ambient", data.ambientColor);
    program.setUniform("diffuse", data.diffuseColor);
    program.setUniform("specular", data.specularColor);
    program.setUniform("k_amb", data.k_amb);
    program.setUniform("k_diff", data.k_diff);
    program.setUniform("k_spec", data.k_spec);
    program.setUniform("k_exp", data.k_exp);
    program.setUniform("haveNormals", 0);
    program.setUniform("haveColors", 0);
    program.setUniform("haveCheckerTex", 0);
    program.setUniform("pickIdCol", 0.0f, 0.0f, 0.0f);
}

void SceneRenderer::drawStand(const mat4& proj, const mat4& view, const mat4& invView)
{
    // The post reaches up to the pivot and the arm sits on it, whatever the model says now.
    const SceneLayout layout(data.pendulumLength, data.pendulumHeight);
    const mat4 plate = layout.plate();

    // The boxes are closed and wound counter-clockwise outside: their back faces are
    // hidden anyway, and the plate's bottom would cost a window's worth of fragments.
    glEnable(GL_CULL_FACE);
    glBindVertexArray(boxArray.id());
    // The plate's pattern comes from the fragment stage, on white material:
    // the map's program when there is a map, else the scene's chequer board.
    if (plateMapTexture) {
        useSceneProgram(plateShader, proj, view, invView);
        plateShader.setUniform("haveCheckerTex", 1);
        glActiveTexture(GL_TEXTURE0 + plateMapUnit);
        glBindTexture(GL_TEXTURE_2D, plateMapTexture.id());
        plateShader.setUniform("plateMap", plateMapUnit);
        // Texture coordinates start at the region's left and smallest y (the
        // image's last row, the texture's first); a normalised QRectF's top()
        // is that smallest y.
        const QRectF r = plateMapRegion.normalized();
        plateShader.setUniform("mapOrigin", float(r.left()), float(r.top()));
        plateShader.setUniform("mapScale", float(1.0 / r.width()), float(1.0 / r.height()));
        plateShader.setUniform("modelMX", plate);
        glDrawElements(GL_TRIANGLES, boxIndexCount, GL_UNSIGNED_INT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
    }
    useSceneProgram(sceneShader, proj, view, invView);
    if (!plateMapTexture) {
        sceneShader.setUniform("haveCheckerTex", 1);
        sceneShader.setUniform("modelMX", plate);
        glDrawElements(GL_TRIANGLES, boxIndexCount, GL_UNSIGNED_INT, nullptr);
        sceneShader.setUniform("haveCheckerTex", 0);
    }
    sceneShader.setUniform("modelMX", layout.post());
    glDrawElements(GL_TRIANGLES, boxIndexCount, GL_UNSIGNED_INT, nullptr);
    sceneShader.setUniform("modelMX", layout.arm());
    glDrawElements(GL_TRIANGLES, boxIndexCount, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
    glDisable(GL_CULL_FACE);
}

void SceneRenderer::drawMagnets(int chosenMagnet)
{
    // The chosen magnet wears its collar, which picks as the magnet does.
    for (int i = 0; i < data.magnets.size(); ++i) {
        const Magnet& magnet = data.magnets[i];
        sceneShader.setUniform("pickIdCol", magnet.pickColor[0], magnet.pickColor[1],
                               magnet.pickColor[2]);
        sceneShader.setUniform("modelMX", SceneLayout::magnet(magnet.posX, magnet.posY));
        sceneShader.setUniform("matcolor", magnet.color[0], magnet.color[1], magnet.color[2]);
        drawCylinder(sceneShader);
        if (i == chosenMagnet) {
            sceneShader.setUniform("modelMX", SceneLayout::collar(magnet.posX, magnet.posY));
            sceneShader.setUniform("matcolor", 1.0f, 1.0f, 1.0f);
            drawCylinder(sceneShader);
        }
    }
}

void SceneRenderer::drawBob()
{
    const SceneLayout layout(data.pendulumLength, data.pendulumHeight);
    sceneShader.setUniform("modelMX", layout.bob(data.animPos[0], data.animPos[1]));
    sceneShader.setUniform("matcolor", data.pendulumColor);
    const std::array<float, 3> bobPick = SystemData::pickColorFromId(bobId);
    sceneShader.setUniform("pickIdCol", bobPick[0], bobPick[1], bobPick[2]);
    drawCylinder(sceneShader);
}

void SceneRenderer::drawRod(const mat4& proj, const mat4& view)
{
    // The rod is generated from a single point; the vertex array only keeps the
    // draw legal in a core profile.
    glLineWidth(rodWidth);
    rodShader.bind();
    rodShader.setUniform("projMX", proj);
    rodShader.setUniform("viewMX", view);
    rodShader.setUniform("pendulumHeight", float(data.pendulumHeight));
    rodShader.setUniform("pendulumLength", float(data.pendulumLength));
    rodShader.setUniform("pos", data.animPos[0], data.animPos[1]);
    glBindVertexArray(rodArray.id());
    glDrawArrays(GL_POINTS, 0, 1);
    glBindVertexArray(0);
    rodShader.release();
    glLineWidth(1.0f);
}

void SceneRenderer::drawTrail(const mat4& viewProj)
{
    const int samples = std::min(data.numTrajPoints, int(data.trajPoints.size()));
    const int travelled = data.animIndex + 1;
    if (samples < 2 || travelled < 1 || travelled > samples)
        return;

    // The samples as they are, then the bob as one more vertex. The buffer
    // takes a whole path at once, so a playback does not grow it step by step.
    constexpr GLsizeiptr vertexSize = sizeof(data.trajPoints[0]);
    const int vertices = travelled + 1;
    glBindBuffer(GL_ARRAY_BUFFER, trailBuffer.id());
    if (vertices > trailCapacity) {
        trailCapacity = samples + 1;
        glBufferData(GL_ARRAY_BUFFER, trailCapacity * vertexSize, nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, travelled * vertexSize, data.trajPoints.data());
    const GLfloat bob[4] = {data.animPos[0], data.animPos[1], 0.0f, 0.0f};
    glBufferSubData(GL_ARRAY_BUFFER, travelled * vertexSize, vertexSize, bob);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    strokeOnPlate(viewProj, data.lineColor, [this, vertices] {
        glBindVertexArray(trailArray.id());
        glDrawArrays(GL_LINE_STRIP, 0, vertices);
        glBindVertexArray(0);
    });
}

void SceneRenderer::drawPinnedPath(const mat4& viewProj)
{
    if (pinnedStale) {
        pinnedLine.upload(pinned ? pinned->samples() : std::vector<std::array<float, 4>>());
        pinnedStale = false;
    }
    // Drawn before the trail, which lies over it where the two cross.
    if (pinnedLine.size() >= 2)
        strokeOnPlate(viewProj, PinnedPath::mutedColor(data.lineColor),
                      [this] { pinnedLine.draw(); });
}

void SceneRenderer::strokeOnPlate(const mat4& viewProj, const QColor& colour,
                                  const std::function<void()>& drawLine)
{
    // The edge, then the core over it. The line writes no depth, so its core
    // is not hidden by its own edge, while the magnets still stand in front.
    glDepthMask(GL_FALSE);
    trailShader.bind();
    trailShader.setUniform("mvp", viewProj);
    trailShader.setUniform("height", SceneLayout::plateTop + trailLift);
    glLineWidth(trailEdgeWidth);
    trailShader.setUniform("trailColor", trailEdgeColour[0], trailEdgeColour[1],
                           trailEdgeColour[2]);
    drawLine();
    glLineWidth(trailCoreWidth);
    trailShader.setUniform("trailColor", colour);
    drawLine();
    trailShader.release();
    glLineWidth(1.0f);
    glDepthMask(GL_TRUE);
}

void SceneRenderer::drawCaptureMark(const mat4& viewProj)
{
    const PathCapture* c = pathCapture;
    if (!c || !c->caught() || c->sample >= data.numTrajPoints || data.animTime < c->stamp)
        return;
    trailShader.bind();
    trailShader.setUniform("mvp", translate(viewProj, {c->x, c->y, 0.0f}));
    trailShader.setUniform("height", markLift);
    trailShader.setUniform("trailColor", c->colour);
    glBindVertexArray(markArray.id());
    glLineWidth(markWidth);
    glDrawArrays(GL_LINE_LOOP, 0, markCorners);
    glLineWidth(1.0f);
    glBindVertexArray(0);
    trailShader.release();
}

void SceneRenderer::drawCylinder(GLShader& shader)
{
    const int n = cylinderRingSamples;
    const auto pointAttributes = [this](GLsizei posStride, std::size_t posOffset,
                                        GLsizei normStride, std::size_t normOffset) {
        glBindBuffer(GL_ARRAY_BUFFER, cylinderPositions.id());
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, posStride, byteOffset(posOffset));
        glBindBuffer(GL_ARRAY_BUFFER, cylinderNormals.id());
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, normStride, byteOffset(normOffset));
    };

    // Mantle: the ring pairs after the cap centres, with their smooth normals.
    shader.setUniform("haveNormals", 1);
    pointAttributes(0, 0, 0, 0);
    glDrawArrays(GL_TRIANGLE_STRIP, 2, 2 * n);

    // Caps: every second vertex gives the top (offset 0) or bottom (one vertex on)
    // centre and ring; their normals come flat from the geometry stage.
    shader.setUniform("haveNormals", 0);
    pointAttributes(8 * sizeof(GLfloat), 0, 6 * sizeof(GLfloat), 0);
    glDrawArrays(GL_TRIANGLE_FAN, 0, n + 1);
    pointAttributes(8 * sizeof(GLfloat), 4 * sizeof(GLfloat), 6 * sizeof(GLfloat),
                    3 * sizeof(GLfloat));
    glDrawArrays(GL_TRIANGLE_FAN, 0, n + 1);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}
