#version 330 core
out vec4 fragColor;
void main()
{
    fragColor = undeclaredColour;
}
