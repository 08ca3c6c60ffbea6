#version 330 core

// A filled disc in the magnet's colour with a dark rim, which keeps it apart from a map
// in the same colour; the magnet under the cursor gets a white rim instead.
uniform vec3 in_col;
uniform int isActiveMagnet;

in vec2 local;
out vec4 fragColor;

void main()
{
    float r = length(local);
    if (r > 1.0)
        discard;
    if (isActiveMagnet != 0 && r > 0.6)
        fragColor = vec4(1.0);
    else if (r > 0.8)
        fragColor = vec4(0.0, 0.0, 0.0, 1.0);
    else
        fragColor = vec4(in_col, 1.0);
}
