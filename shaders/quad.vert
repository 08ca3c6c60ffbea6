#version 330 core

// The unit square; its corner doubles as texture coordinate.
layout(location = 0) in vec2 in_vert;

uniform mat4 mvp;

out vec2 texCoord;

void main()
{
    texCoord = in_vert;
    gl_Position = mvp * vec4(in_vert, 0.0, 1.0);
}
