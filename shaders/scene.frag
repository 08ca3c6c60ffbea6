#version 330 core

// Applies the material to the light of the geometry stage (Phong reflection
// model: ambient, diffuse and specular terms); the second output carries the
// object's pick id colour unchanged.
uniform int haveColors;
uniform int haveCheckerTex;
uniform vec3 matcolor;
uniform vec3 pickIdCol;

in vec2 planePos;
in vec3 shade;
in vec3 highlight;

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 pickId;

const vec3 defaultColor = vec3(0.6, 0.62, 0.66);
const float checkerSize = 0.05;
const vec3 checkerLight = vec3(0.8);
const vec3 checkerDark = vec3(0.45);

vec3 baseColor()
{
    if (haveCheckerTex != 0) {
        ivec2 cell = ivec2(floor(planePos / checkerSize));
        return ((cell.x + cell.y) & 1) == 0 ? checkerLight : checkerDark;
    }
    return haveColors != 0 ? matcolor : defaultColor;
}

void main()
{
    fragColor = vec4(shade * baseColor() + highlight, 1.0);
    // Alpha 1 keeps the id bytes exact through the blending stage.
    pickId = vec4(pickIdCol, 1.0);
}
