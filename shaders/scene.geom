#version 330 core

// Projects each triangle and lights its corners. When the mesh brings no normals
// the face gets its flat normal, turned towards the eye so that winding does not
// matter. Lighting per corner, with the material applied here too, keeps the
// fragment stage cheap: the plate fills most of the window, and a software
// rasteriser pays there for every instruction and every uniform it reads.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

uniform mat4 projMX;
uniform mat4 viewMX;
uniform mat4 invViewMX;
uniform int haveNormals;
uniform vec3 ambient;
uniform vec3 diffuse;
uniform vec3 specular;
uniform float k_amb;
uniform float k_diff;
uniform float k_spec;
uniform float k_exp;
uniform int haveColors;
uniform int haveCheckerTex;
uniform vec3 matcolor;
uniform vec3 pickIdCol;

in vec3 vWorldPos[];
in vec3 vWorldNormal[];

out vec2 planePos;
out vec3 shade;     // ambient and diffuse light times the material (the checker's is left to the fragments)
out vec3 highlight; // specular light, independent of the material
flat out float checkered;
flat out vec3 pickColor;

// One distant light from above, a little towards the default viewpoint.
const vec3 lightDir = normalize(vec3(0.25, -0.5, 0.9));
const vec3 defaultColor = vec3(0.6, 0.62, 0.66);

void lightCorner(vec3 p, vec3 n, vec3 eye, vec3 material)
{
    float diff = max(dot(n, lightDir), 0.0);
    shade = (k_amb * ambient + k_diff * diff * diffuse) * material;
    highlight = vec3(0.0);
    if (k_spec > 0.0 && diff > 0.0) {
        vec3 v = normalize(eye - p);
        highlight = k_spec * pow(max(dot(reflect(-lightDir, n), v), 0.0), k_exp) * specular;
    }
}

void main()
{
    vec3 eye = invViewMX[3].xyz;
    vec3 faceNormal = normalize(cross(vWorldPos[1] - vWorldPos[0], vWorldPos[2] - vWorldPos[0]));
    if (dot(faceNormal, eye - vWorldPos[0]) < 0.0)
        faceNormal = -faceNormal;

    vec3 material = haveCheckerTex != 0 ? vec3(1.0) : haveColors != 0 ? matcolor : defaultColor;
    mat4 viewProj = projMX * viewMX;
    for (int i = 0; i < 3; ++i) {
        vec3 n = haveNormals != 0 ? normalize(vWorldNormal[i]) : faceNormal;
        lightCorner(vWorldPos[i], n, eye, material);
        planePos = vWorldPos[i].xy;
        checkered = float(haveCheckerTex != 0);
        pickColor = pickIdCol;
        gl_Position = viewProj * vec4(vWorldPos[i], 1.0);
        EmitVertex();
    }
    EndPrimitive();
}
