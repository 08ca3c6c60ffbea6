#version 330 core

// Turns the magnet's point into a square of half side magnetSize (model units);
// the fragment stage cuts the disc out of it.
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 mvp;
uniform float magnetSize;

out vec2 local; // position in the square, -1..1 on both axes

void emitCorner(vec2 corner)
{
    local = corner;
    gl_Position = mvp * vec4(gl_in[0].gl_Position.xy + corner * magnetSize, 0.0, 1.0);
    EmitVertex();
}

void main()
{
    emitCorner(vec2(-1.0, -1.0));
    emitCorner(vec2(1.0, -1.0));
    emitCorner(vec2(-1.0, 1.0));
    emitCorner(vec2(1.0, 1.0));
    EndPrimitive();
}
