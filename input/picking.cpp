// Picking a terrain face with a ray through the scene.
#include "input/picking.h"

#include <cmath>
#include <cstdio>

#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/terrain_state.h"

constexpr double FULL_TURN = 6.283185307179586;
constexpr double INSIDE_SUM = 6.28;      // a little below 2 pi, for rounding
constexpr double ON_CORNER = 1e-7;       // |a| |b| at or below this: the point is on a corner

double angle_sum(double px, double py, double pz, const double (*corners)[3], int n) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double* c0 = corners[i];
        const double* c1 = corners[(i + 1) % n];
        double ax = c0[0] - px, ay = c0[1] - py, az = c0[2] - pz;
        double bx = c1[0] - px, by = c1[1] - py, bz = c1[2] - pz;
        double m = std::sqrt(ax * ax + ay * ay + az * az) * std::sqrt(bx * bx + by * by + bz * bz);
        if (m <= ON_CORNER) {
            printf("Found Node\n\n");
            return FULL_TURN;
        }
        double c = (ax * bx + ay * by + az * bz) / m;
        // Rounding can push the cosine a hair past 1; acos would give NaN there.
        if (c > 1.0) c = 1.0;
        if (c < -1.0) c = -1.0;
        sum += std::acos(c);
    }
    return sum;
}

void mark_picked_corners(int face) {
    if (face < 0 || face >= terrain_face_count) return;
    const TerrainFace& f = terrain_faces[face];
    for (int k = 0; k < 3; ++k) {
        const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
        pick_marker[k][0] = v.x;
        pick_marker[k][1] = v.y;
        pick_marker[k][2] = v.z;
    }
}

bool pick_face() {
    const float dx = (float)(ray_far[0] - ray_near[0]);
    const float dy = (float)(ray_far[1] - ray_near[1]);
    const float dz = (float)(ray_far[2] - ray_near[2]);
    const double ex = camera_eye_x, ey = camera_eye_y, ez = camera_eye_z;
    bool found = false;
    float best_distance = 0.0f;
    int best_face = -1;
    for (int i = 0; i < terrain_face_count; ++i) {
        const TerrainFace& f = terrain_faces[i];
        const TerrainVertex& p0 = terrain_vertices[f.corners[0].vertex - 1];
        float d = -(f.nx * p0.x + f.ny * p0.y + f.nz * p0.z);
        float s_near = (float)(f.nx * ray_near[0] + f.ny * ray_near[1] + f.nz * ray_near[2] + d);
        float s_far = (float)(f.nx * ray_far[0] + f.ny * ray_far[1] + f.nz * ray_far[2] + d);
        if (!(s_near * s_far < 0.0f)) continue;  // the segment does not cross the plane
        float num = -s_near;
        float den = f.nx * dx + f.ny * dy + f.nz * dz;
        if (den == 0.0f) {
            printf("Denom 0");
            fflush(stdout);
            return false;
        }
        float mu = num / den;
        double px = ray_near[0] + mu * (double)dx;
        double py = ray_near[1] + mu * (double)dy;
        double pz = ray_near[2] + mu * (double)dz;
        double corners[3][3];
        for (int k = 0; k < 3; ++k) {
            const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
            corners[k][0] = v.x;
            corners[k][1] = v.y;
            corners[k][2] = v.z;
        }
        if (angle_sum(px, py, pz, corners, 3) < INSIDE_SUM) continue;
        float distance = (float)std::sqrt((ex - px) * (ex - px) + (ey - py) * (ey - py) + (ez - pz) * (ez - pz));
        // The nearest so far wins; at an equal distance the earlier face stays.
        if (!found || distance < best_distance) {
            found = true;
            best_distance = distance;
            best_face = i;
        }
    }
    if (!found) return false;
    picked_face = best_face;
    mark_picked_corners(best_face);
    return true;
}
