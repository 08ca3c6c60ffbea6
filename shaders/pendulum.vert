#version 330 core

// The unit square stretched around the bob's position; the fragment stage cuts the disc.
layout(location = 0) in vec2 in_vert;

uniform mat4 mvp;
uniform vec2 pos;
uniform float size;

out vec2 local; // -1..1 across the square

void main()
{
    local = in_vert * 2.0 - 1.0;
    gl_Position = mvp * vec4(pos + local * size, 0.0, 1.0);
}
