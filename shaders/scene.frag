#version 330 core

// Phong shading under one distant light from above, a little towards the
// default viewpoint; the second output carries the object's pick id colour unchanged.
uniform mat4 invViewMX;
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

in vec3 worldPos;
in vec3 worldNormal;

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 pickId;

const vec3 lightDir = normalize(vec3(0.25, -0.5, 0.9));
const vec3 defaultColor = vec3(0.6, 0.62, 0.66);
const float checkerSize = 0.05;
const vec3 checkerLight = vec3(0.8);
const vec3 checkerDark = vec3(0.45);

vec3 baseColor()
{
    if (haveCheckerTex != 0) {
        ivec2 cell = ivec2(floor(worldPos.xy / checkerSize));
        return ((cell.x + cell.y) & 1) == 0 ? checkerLight : checkerDark;
    }
    return haveColors != 0 ? matcolor : defaultColor;
}

void main()
{
    vec3 n = normalize(worldNormal);
    float diff = max(dot(n, lightDir), 0.0);
    vec3 colour = (k_amb * ambient + k_diff * diff * diffuse) * baseColor();
    // The highlight is off by default; the plate fills the window, so skip its cost then.
    if (k_spec > 0.0 && diff > 0.0) {
        vec3 v = normalize(invViewMX[3].xyz - worldPos);
        colour += k_spec * pow(max(dot(reflect(-lightDir, n), v), 0.0), k_exp) * specular;
    }

    fragColor = vec4(colour, 1.0);
    // Alpha 1 keeps the id bytes exact through the blending stage.
    pickId = vec4(pickIdCol, 1.0);
}
