#version 330 core

uniform vec3 color;

in vec2 local;
out vec4 fragColor;

void main()
{
    if (dot(local, local) > 1.0)
        discard;
    fragColor = vec4(color, 1.0);
}
