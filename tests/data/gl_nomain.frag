#version 330 core
out vec4 fragColor;
void shade()
{
    fragColor = vec4(1.0);
}
