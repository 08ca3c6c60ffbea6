#version 330 core

// One point per magnet, placed in the model plane; the geometry stage builds the mark.
uniform vec2 in_pos;

void main()
{
    gl_Position = vec4(in_pos, 0.0, 1.0);
}
