#version 330 core

// Projects each triangle and, when the mesh brings no normals, gives it the flat
// normal of its face, turned towards the eye so that winding does not matter.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

uniform mat4 projMX;
uniform mat4 viewMX;
uniform mat4 invViewMX;
uniform int haveNormals;

in vec3 vWorldPos[];
in vec3 vWorldNormal[];

out vec3 worldPos;
out vec3 worldNormal;

void main()
{
    vec3 faceNormal = normalize(cross(vWorldPos[1] - vWorldPos[0], vWorldPos[2] - vWorldPos[0]));
    vec3 eye = invViewMX[3].xyz;
    if (dot(faceNormal, eye - vWorldPos[0]) < 0.0)
        faceNormal = -faceNormal;

    mat4 viewProj = projMX * viewMX;
    for (int i = 0; i < 3; ++i) {
        worldPos = vWorldPos[i];
        worldNormal = haveNormals != 0 ? vWorldNormal[i] : faceNormal;
        gl_Position = viewProj * vec4(vWorldPos[i], 1.0);
        EmitVertex();
    }
    EndPrimitive();
}
