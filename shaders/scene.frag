#version 330 core

// Applies the checker to the light of the geometry stage (Phong reflection model:
// ambient, diffuse and specular terms, the material already applied); the second
// output carries the object's pick id colour unchanged.
in vec2 planePos;
in vec3 shade;
in vec3 highlight;
flat in float checkered;
flat in vec3 pickColor;

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 pickId;

const float checkerSize = 0.05;
const vec3 checkerLight = vec3(0.8);
const vec3 checkerDark = vec3(0.45);

void main()
{
    // A software rasteriser runs both sides of a branch, so the checker is blended
    // in by weight; a cell is dark where the sum of its coordinates is odd.
    vec2 cell = floor(planePos / checkerSize);
    float dark = 2.0 * fract(0.5 * (cell.x + cell.y));
    vec3 base = mix(vec3(1.0), mix(checkerLight, checkerDark, dark), checkered);
    fragColor = vec4(shade * base + highlight, 1.0);
    pickId = vec4(pickColor, 1.0);
}
