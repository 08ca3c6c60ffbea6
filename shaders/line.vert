#version 330 core

// One trajectory sample (x, y, vx, vy); only the position is drawn.
layout(location = 0) in vec4 in_sample;

uniform mat4 mvp;

void main()
{
    gl_Position = mvp * vec4(in_sample.xy, 0.0, 1.0);
}
