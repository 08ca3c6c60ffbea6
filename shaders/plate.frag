#version 330 core

// The plate under a map: the map over its region and a quiet plain colour
// around it, lit by the geometry stage as the scene program's plate is. A
// program of its own keeps the texture's cost off every other object.
in vec2 planePos;
in vec3 shade;
in vec3 highlight;

// Texture coordinates are (planePos - mapOrigin) * mapScale.
uniform sampler2D plateMap;
uniform vec2 mapOrigin;
uniform vec2 mapScale;

layout(location = 0) out vec4 fragColor;
// The plate cannot be picked: id 0.
layout(location = 1) out vec4 pickId;

// A grey a little darker than the map's bright colours.
const vec3 surround = vec3(0.42, 0.43, 0.45);

void main()
{
    vec2 uv = (planePos - mapOrigin) * mapScale;
    vec2 within = step(vec2(0.0), uv) * step(uv, vec2(1.0));
    vec3 base = mix(surround, texture(plateMap, uv).rgb, within.x * within.y);
    fragColor = vec4(shade * base + highlight, 1.0);
    pickId = vec4(0.0, 0.0, 0.0, 1.0);
}
