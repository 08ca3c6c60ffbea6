#version 330 core

// The rod from the pivot (0, 0, pendulumHeight) to the bob at pos, which hangs on
// the sphere of radius pendulumLength around the pivot. A bob beyond the rod's
// reach is put on the rim, level with the pivot, rather than at an undefined height.
// Core contexts without wide lines would draw it one pixel thin, so the line is
// widened here into a band lineWidth pixels across.
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;

uniform mat4 projMX;
uniform mat4 viewMX;
uniform float pendulumHeight;
uniform float pendulumLength;
uniform vec2 pos;
uniform vec2 viewport;   // pixels
uniform float lineWidth; // pixels

void main()
{
    float ratio = pendulumLength > 0.0 ? min(length(pos) / pendulumLength, 1.0) : 1.0;
    float bobZ = pendulumHeight - pendulumLength * cos(asin(ratio));
    mat4 viewProj = projMX * viewMX;
    vec4 a = viewProj * vec4(0.0, 0.0, pendulumHeight, 1.0);
    vec4 b = viewProj * vec4(pos, bobZ, 1.0);

    // Cut the segment at the near plane (z = -w) so the perspective division
    // below only sees points in front of the eye.
    float da = a.z + a.w;
    float db = b.z + b.w;
    if (da < 0.0 && db < 0.0)
        return;
    if (da < 0.0)
        a = mix(a, b, da / (da - db));
    else if (db < 0.0)
        b = mix(b, a, db / (db - da));

    vec2 halfViewport = 0.5 * viewport;
    vec2 along = (b.xy / b.w - a.xy / a.w) * halfViewport;
    // Seen end-on the rod is a point; any side direction will do.
    vec2 side = length(along) > 1e-6 ? normalize(vec2(-along.y, along.x)) : vec2(1.0, 0.0);
    vec2 offset = side * (0.5 * lineWidth) / halfViewport;

    gl_Position = vec4(a.xy + offset * a.w, a.zw);
    EmitVertex();
    gl_Position = vec4(a.xy - offset * a.w, a.zw);
    EmitVertex();
    gl_Position = vec4(b.xy + offset * b.w, b.zw);
    EmitVertex();
    gl_Position = vec4(b.xy - offset * b.w, b.zw);
    EmitVertex();
    EndPrimitive();
}
