#ifndef ORVALIS_SCENERENDERER_H
#define ORVALIS_SCENERENDERER_H

// epoxy must come before any Qt OpenGL header.
#include "GLShader.h"

#include "GLObject.h"
#include "LineStrip.h"
#include "PickFramebuffer.h"
#include "VecMath.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>

class Camera;
class PinnedPath;
struct PathCapture;
class SystemData;

// Draws the apparatus as the model stands: plate (chequered or mapped), post
// and arm, magnets, bob and rod, and the trail of the path played so far.
// Each frame goes into a PickFramebuffer whose id image answers pickId, and
// its picture is then copied onto the view. It owns every GL object it uses:
// make it, use it and destroy it with the view's context current.
class SceneRenderer
{
public:
    // Starts GL for the view (see initializeCommonGL) and builds the programs
    // from the GLSL files in `shaderDir`, and the meshes.
    SceneRenderer(const SystemData& data, const QString& shaderDir);
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Builds the programs again from their files.
    void reloadShaders();
    // Sizes the off-screen targets in device pixels; false when it could not.
    bool resize(QSize pixels);
    // The map to show on the plate over `region` of the plane (see
    // OpenGL3d::setPlateMap), or the chequer board for a null image. The
    // texture follows at the next frame.
    void setPlateMap(const QImage& image, const QRectF& region);
    // The pinned path to lay on the plate under the trail, whole and in a
    // muted colour (null for none); its samples are read again at the next
    // frame, so call this again after it changed.
    void setPinnedPath(const PinnedPath* path);
    // Where the path was caught, marked once the playback gets there; it
    // outlives the renderer.
    void setPathCapture(const PathCapture* capture) { pathCapture = capture; }

    // One frame: the scene seen by `camera` with magnet `chosenMagnet`
    // wearing its collar (-1 for none), then its picture onto framebuffer
    // `target` at `pixels`.
    void paint(const Camera& camera, int chosenMagnet, QSize pixels, GLuint target);
    // The pick id at a pixel of the last frame (row 0 at the bottom); `restore`
    // is bound for reading afterwards.
    int pickId(int column, int row, GLuint restore) const;
    const PickFramebuffer& framebuffer() const { return targets; }

private:
    void createShaders();
    void createMeshes();
    void renderScene(const Camera& camera, int chosenMagnet, GLuint target);
    void present(QSize pixels);
    // Binds a program of the scene's stages with the camera and the light, set
    // for a box: flat normals, the default material, id 0.
    void useSceneProgram(GLShader& program, const mat4& proj, const mat4& view,
                         const mat4& invView);
    // Plate, post and arm; the scene program stays bound.
    void drawStand(const mat4& proj, const mat4& view, const mat4& invView);
    void drawMagnets(int chosenMagnet);
    void drawBob();
    void drawRod(const mat4& proj, const mat4& view);
    // The travelled part of the path at plate height: samples up to the bob's
    // segment, then the bob.
    void drawTrail(const mat4& viewProj);
    void drawPinnedPath(const mat4& viewProj);
    // A line on the plate: `drawLine` draws it, with the trail program bound,
    // once as a dark edge and once as a core of `colour` over it.
    void strokeOnPlate(const mat4& viewProj, const QColor& colour,
                       const std::function<void()>& drawLine);
    // A ring in the attractor's colour over the point of capture, on the
    // magnets' tops, once the playback has reached it.
    void drawCaptureMark(const mat4& viewProj);
    void drawCylinder(GLShader& shader);
    // Makes, replaces or deletes the plate's texture after a change of map.
    void uploadPlateMap();
    QString shaderFile(const char* name) const;

    const SystemData& data;
    QString shaderDir;

    GLShader quadShader;
    GLShader sceneShader;
    GLShader rodShader;
    // The plate under a map: the scene program's stages with a fragment stage of its own.
    GLShader plateShader;
    GLShader trailShader;

    GLVertexArray quadArray;
    GLBuffer quadBuffer;
    GLSampler quadSampler;
    GLVertexArray boxArray;
    GLBuffer boxVertices;
    GLBuffer boxIndices;
    GLVertexArray cylinderArray;
    GLBuffer cylinderPositions;
    GLBuffer cylinderNormals;
    // Core profiles refuse draws without a vertex array, even the attribute-less rod point.
    GLVertexArray rodArray;
    GLVertexArray trailArray;
    GLBuffer trailBuffer;
    int trailCapacity = 0; // samples the trail buffer holds
    const PinnedPath* pinned = nullptr;
    LineStrip pinnedLine;
    bool pinnedStale = false;
    const PathCapture* pathCapture = nullptr;
    GLVertexArray markArray;
    GLBuffer markBuffer;

    PickFramebuffer targets;

    QImage plateMap;
    QRectF plateMapRegion;
    GLTexture plateMapTexture;
    QSize plateMapTextureSize;
    bool plateMapStale = false;
};

#endif // ORVALIS_SCENERENDERER_H
