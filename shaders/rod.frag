#version 330 core

layout(location = 0) out vec4 fragColor;
// The rod cannot be picked: id 0.
layout(location = 1) out vec4 pickId;

const vec3 rodColor = vec3(0.85, 0.85, 0.95);

void main()
{
    fragColor = vec4(rodColor, 1.0);
    pickId = vec4(0.0, 0.0, 0.0, 1.0);
}
