#version 330 core

// One path sample (x, y, vx, vy), laid on the plate at the trail's height.
layout(location = 0) in vec4 in_sample;

uniform mat4 mvp;
uniform float height;

void main()
{
    gl_Position = mvp * vec4(in_sample.xy, height, 1.0);
}
