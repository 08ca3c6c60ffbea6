#version 330 core

// The rod from the pivot (0, 0, pendulumHeight) to the bob at pos, which hangs on
// the sphere of radius pendulumLength around the pivot. A bob beyond the rod's
// reach is put on the rim, level with the pivot, rather than at an undefined height.
layout(points) in;
layout(line_strip, max_vertices = 2) out;

uniform mat4 projMX;
uniform mat4 viewMX;
uniform float pendulumHeight;
uniform float pendulumLength;
uniform vec2 pos;

void main()
{
    float ratio = pendulumLength > 0.0 ? min(length(pos) / pendulumLength, 1.0) : 1.0;
    float bobZ = pendulumHeight - pendulumLength * cos(asin(ratio));
    mat4 viewProj = projMX * viewMX;
    gl_Position = viewProj * vec4(0.0, 0.0, pendulumHeight, 1.0);
    EmitVertex();
    gl_Position = viewProj * vec4(pos, bobZ, 1.0);
    EmitVertex();
    EndPrimitive();
}
