#version 330 core
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;
uniform float halfSize;
void main()
{
    vec4 c = gl_in[0].gl_Position;
    gl_Position = c + vec4(-halfSize, -halfSize, 0.0, 0.0); EmitVertex();
    gl_Position = c + vec4( halfSize, -halfSize, 0.0, 0.0); EmitVertex();
    gl_Position = c + vec4(-halfSize,  halfSize, 0.0, 0.0); EmitVertex();
    gl_Position = c + vec4( halfSize,  halfSize, 0.0, 0.0); EmitVertex();
    EndPrimitive();
}
