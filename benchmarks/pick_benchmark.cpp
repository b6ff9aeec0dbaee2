// Picking speed: one pick_face for a ray across a generated grid terrain of
// 32 thousand, 500 thousand and 2 million faces, from a low eye looking
// across it (the ray crosses many faces' planes, as a user's clicks do).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "files/terrain_normals.h"
#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/world_state.h"
#include "terrain/picking.h"
#include "tests/support/pick_reference.h"

namespace {

// Rolling hills, cells x cells squares of two faces each, 12.5 units apart.
void install_grid(int cells) {
    static int installed = 0;
    if (installed == cells) return;
    free(terrain_vertices);
    free(terrain_faces);
    int n = cells + 1;
    terrain_vertex_count = n * n;
    terrain_face_count = 2 * cells * cells;
    terrain_vertices = (TerrainVertex*)calloc((size_t)terrain_vertex_count, sizeof(TerrainVertex));
    terrain_faces = (TerrainFace*)calloc((size_t)terrain_face_count, sizeof(TerrainFace));
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            TerrainVertex& v = terrain_vertices[r * n + c];
            v.x = (c - n / 2) * 12.5f;
            v.z = -(float)r * 12.5f;
            v.y = 120.0f * std::sin(c * 0.031f) * std::cos(r * 0.027f) + 35.0f * std::sin(c * 0.17f + r * 0.11f);
        }
    int f = 0;
    for (int r = 0; r < cells; ++r)
        for (int c = 0; c < cells; ++c) {
            int a = r * n + c + 1, b = a + n, d = a + 1, e = b + 1;
            int corners[2][3] = {{a, b, d}, {d, b, e}};
            for (auto& face : corners) {
                TerrainFace& t = terrain_faces[f++];
                for (int k = 0; k < 3; ++k) t.corners[k] = TerrainCorner{face[k], face[k], face[k]};
                compute_face_normal(terrain_vertices, &t);
            }
        }
    installed = cells;
}

// An eye low over the near edge, the ray aimed at the middle of the grid.
void aim_ray(int cells) {
    camera_eye_x = 0.0f, camera_eye_y = 300.0f, camera_eye_z = 50.0f;
    double target[3] = {40.0, 0.0, -cells * 12.5 / 2};
    double d[3] = {target[0] - camera_eye_x, target[1] - camera_eye_y, target[2] - camera_eye_z};
    ray_near[0] = camera_eye_x, ray_near[1] = camera_eye_y, ray_near[2] = camera_eye_z;
    for (int k = 0; k < 3; ++k) ray_far[k] = ray_near[k] + d[k] * 100.0;
}

void pick_across(benchmark::State& state) {
    int cells = (int)state.range(0);
    install_grid(cells);
    aim_ray(cells);
    int expected = pick_by_testing_every_face();
    int picked = -1;
    for (auto _ : state) {
        picked_face = -1;
        benchmark::DoNotOptimize(pick_face());
        picked = picked_face;
    }
    if (picked != expected) state.SkipWithError("pick_face chose another face than the reference");
    state.counters["faces"] = terrain_face_count;
    state.counters["picked"] = picked;
}

// The first pick after the mesh changed also makes the boxes of the faces.
void pick_after_edit(benchmark::State& state) {
    int cells = (int)state.range(0);
    install_grid(cells);
    aim_ray(cells);
    for (auto _ : state) {
        ++terrain_revision;
        benchmark::DoNotOptimize(pick_face());
    }
    state.counters["faces"] = terrain_face_count;
}

void reference(benchmark::State& state) {
    int cells = (int)state.range(0);
    install_grid(cells);
    aim_ray(cells);
    for (auto _ : state) benchmark::DoNotOptimize(pick_by_testing_every_face());
    state.counters["faces"] = terrain_face_count;
}

}  // namespace

BENCHMARK(pick_across)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(pick_after_edit)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(reference)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
