#version 330 core

// The rod has no vertices of its own: one point starts the geometry stage.
void main()
{
    gl_Position = vec4(0.0, 0.0, 0.0, 1.0);
}
