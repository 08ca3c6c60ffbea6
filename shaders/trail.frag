#version 330 core

uniform vec3 trailColor;

layout(location = 0) out vec4 fragColor;
// The trail cannot be picked: id 0, as the plate beneath it.
layout(location = 1) out vec4 pickId;

void main()
{
    fragColor = vec4(trailColor, 1.0);
    pickId = vec4(0.0, 0.0, 0.0, 1.0);
}
