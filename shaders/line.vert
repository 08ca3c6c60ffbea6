#version 330 core

// One trajectory sample (x, y, vx, vy); only the position is drawn, relative to
// the view's origin so that deep zooms keep the samples' precision.
layout(location = 0) in vec4 in_sample;

uniform mat4 mvp;
uniform vec2 origin;

void main()
{
    gl_Position = mvp * vec4(in_sample.xy - origin, 0.0, 1.0);
}
