// Picking speed: one pick_face for a ray across a generated grid terrain of
// 32 thousand, 500 thousand and 2 million faces, from a low eye looking
// across it (the ray crosses many faces' planes, as a user's clicks do).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "input/picking.h"
#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/terrain_state.h"
#include "terrain/normals.h"

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

// The method as first written: every face in order, the angle sum for every
// face whose plane the ray crosses. The reference for speed and for the face.
int reference_pick() {
    const float dx = (float)(ray_far[0] - ray_near[0]), dy = (float)(ray_far[1] - ray_near[1]),
                dz = (float)(ray_far[2] - ray_near[2]);
    float best = 0.0f;
    int chosen = -1;
    for (int i = 0; i < terrain_face_count; ++i) {
        const TerrainFace& f = terrain_faces[i];
        const TerrainVertex& p0 = terrain_vertices[f.corners[0].vertex - 1];
        float d = -(f.nx * p0.x + f.ny * p0.y + f.nz * p0.z);
        float sn = (float)(f.nx * ray_near[0] + f.ny * ray_near[1] + f.nz * ray_near[2] + d);
        float sf = (float)(f.nx * ray_far[0] + f.ny * ray_far[1] + f.nz * ray_far[2] + d);
        if (!(sn * sf < 0.0f)) continue;
        float den = f.nx * dx + f.ny * dy + f.nz * dz;
        if (den == 0.0f) return -2;
        float mu = -sn / den;
        double p[3] = {ray_near[0] + mu * (double)dx, ray_near[1] + mu * (double)dy, ray_near[2] + mu * (double)dz};
        double c[3][3];
        for (int k = 0; k < 3; ++k) {
            const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
            c[k][0] = v.x, c[k][1] = v.y, c[k][2] = v.z;
        }
        if (angle_sum(p[0], p[1], p[2], c, 3) < 6.28) continue;
        float dist = (float)std::sqrt((camera_eye_x - p[0]) * (camera_eye_x - p[0]) +
                                      (camera_eye_y - p[1]) * (camera_eye_y - p[1]) +
                                      (camera_eye_z - p[2]) * (camera_eye_z - p[2]));
        if (chosen < 0 || dist < best) best = dist, chosen = i;
    }
    return chosen;
}

void pick_across(benchmark::State& state) {
    int cells = (int)state.range(0);
    install_grid(cells);
    aim_ray(cells);
    int expected = reference_pick();
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
    for (auto _ : state) benchmark::DoNotOptimize(reference_pick());
    state.counters["faces"] = terrain_face_count;
}

}  // namespace

BENCHMARK(pick_across)->Arg(128)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(pick_after_edit)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(reference)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
