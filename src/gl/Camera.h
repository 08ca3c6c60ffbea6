#ifndef ORVALIS_CAMERA_H
#define ORVALIS_CAMERA_H

#include "VecMath.h"

#include <limits>

// Perspective camera orbiting a point of interest; +z is up, angles in radians
// except the field of view (degrees).
class Camera
{
public:
    Camera();
    virtual ~Camera();

    void reset();
    void setFovY(float degrees);
    void setSize(int width, int height);

    vec3 getEyePos() const;
    vec3 getPOI() const;
    float getDistance() const;

    void setEyePos(float x, float y, float z);
    void setPOI(float x, float y, float z);
    // Moves the eye along the viewing direction to distance d from the point of
    // interest, kept within the distance range; a d that is not positive is ignored.
    void setDistance(float d);
    // The orbit radii setDistance keeps to; by default every positive distance.
    void setDistanceRange(float nearest, float farthest);
    void orbit(float elevation, float azimuth);
    // Moves the eye and the point of interest together; the viewing frame and
    // the orbit radius stay as they are.
    void shift(vec3 offset);

    vec3 getRayDir(int x, int y) const;
    mat4 getViewMatrix() const;
    mat4 getProjMatrix() const;

    vec3 getDir() const { return dir; }
    vec3 getUp() const { return up; }
    vec3 getRight() const { return right; }
    float getAspect() const { return aspect; }
    float getFovY() const { return fovY; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

private:
    vec3 eyePos{};
    vec3 dir{};
    vec3 up{};
    float nearZ = 0.0f;
    float farZ = 0.0f;
    float aspect = 0.0f;
    int width = 0;
    int height = 0;
    float fovY = 0.0f;
    vec3 right{};
    vec3 poi{};
    vec3 orbitFrame[3]{};
    float distance = 0.0f;
    float minDistance = 0.0f;
    float maxDistance = std::numeric_limits<float>::infinity();
};

#endif // ORVALIS_CAMERA_H
