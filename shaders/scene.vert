#version 330 core

// Object space in, world space out: lighting and the flat normals of the
// geometry stage both work in world coordinates.
layout(location = 0) in vec4 in_position;
layout(location = 1) in vec3 in_normal;

uniform mat4 modelMX;

out vec3 vWorldPos;
out vec3 vWorldNormal;

void main()
{
    vec4 world = modelMX * in_position;
    vWorldPos = world.xyz / world.w;
    // Boxes are scaled unevenly; normals need the inverse transpose.
    vWorldNormal = transpose(inverse(mat3(modelMX))) * in_normal;
    gl_Position = world;
}
