#include "SceneMesh.h"

#include <cmath>
#include <cstddef>

SceneMesh SceneMesh::box()
{
    SceneMesh mesh;
    mesh.positions = {0.5f, -0.5f, 1.0f,  1.0f, 0.5f, 0.5f, 1.0f,  1.0f,  -0.5f, 0.5f, 1.0f,
                      1.0f, -0.5f, -0.5f, 1.0f, 1.0f, 0.5f, -0.5f, 0.0f,  1.0f,  0.5f, 0.5f,
                      0.0f, 1.0f,  -0.5f, 0.5f, 0.0f, 1.0f, -0.5f, -0.5f, 0.0f,  1.0f};
    mesh.indices = {0, 1, 3, 1, 2, 3, 4, 7, 5, 5, 7, 6, 4, 5, 0, 0, 5, 1,
                    5, 6, 1, 1, 6, 2, 6, 7, 2, 7, 3, 2, 7, 4, 3, 4, 0, 3};
    return mesh;
}

SceneMesh SceneMesh::cylinder(int ringSamples)
{
    const int n = ringSamples;
    SceneMesh mesh;
    mesh.positions.reserve(std::size_t(n + 1) * 8);
    mesh.normals.reserve(std::size_t(n + 1) * 6);
    mesh.positions.insert(mesh.positions.end(), {0.0f, 0.0f, 0.5f, 1.0f, 0.0f, 0.0f, -0.5f, 1.0f});
    mesh.normals.insert(mesh.normals.end(), {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, -1.0f});
    // The last sample lies at a full turn (to float precision) and closes the ring.
    const float step = 6.2831852f / float(n - 1);
    for (int k = 1; k <= n; ++k) {
        const float a = float(k - 1) * step;
        const float c = std::cos(a);
        const float s = std::sin(a);
        mesh.positions.insert(mesh.positions.end(),
                              {0.5f * c, 0.5f * s, 0.5f, 1.0f, 0.5f * c, 0.5f * s, -0.5f, 1.0f});
        mesh.normals.insert(mesh.normals.end(), {c, s, 0.0f, c, s, 0.0f});
    }
    return mesh;
}
