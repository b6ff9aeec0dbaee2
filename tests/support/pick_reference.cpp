// The picking method at its plainest, for tests and benchmarks to compare with.
#include "tests/support/pick_reference.h"

#include <cmath>

#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/world_state.h"
#include "terrain/picking.h"

int pick_by_testing_every_face() {
    const double dx = ray_far[0] - ray_near[0], dy = ray_far[1] - ray_near[1], dz = ray_far[2] - ray_near[2];
    double best = 0.0;
    int chosen = -1;
    for (int i = 0; i < terrain_face_count; ++i) {
        const TerrainFace& f = terrain_faces[i];
        double c[3][3];
        for (int k = 0; k < 3; ++k) {
            const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
            c[k][0] = v.x, c[k][1] = v.y, c[k][2] = v.z;
        }
        // The face's plane as its corners stand now.
        double a[3] = {c[0][0] - c[1][0], c[0][1] - c[1][1], c[0][2] - c[1][2]};
        double b[3] = {c[1][0] - c[2][0], c[1][1] - c[2][1], c[1][2] - c[2][2]};
        double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        double d = -(n[0] * c[0][0] + n[1] * c[0][1] + n[2] * c[0][2]);
        double sn = n[0] * ray_near[0] + n[1] * ray_near[1] + n[2] * ray_near[2] + d;
        double sf = n[0] * ray_far[0] + n[1] * ray_far[1] + n[2] * ray_far[2] + d;
        if (!(sn * sf < 0.0)) continue;
        double den = n[0] * dx + n[1] * dy + n[2] * dz;
        if (den == 0.0) return -2;
        double mu = -sn / den;
        double p[3] = {ray_near[0] + mu * dx, ray_near[1] + mu * dy, ray_near[2] + mu * dz};
        if (angle_sum(p[0], p[1], p[2], c, 3) < 6.28) continue;
        double dist = std::sqrt((camera_eye_x - p[0]) * (camera_eye_x - p[0]) +
                                (camera_eye_y - p[1]) * (camera_eye_y - p[1]) +
                                (camera_eye_z - p[2]) * (camera_eye_z - p[2]));
        if (chosen < 0 || dist < best) best = dist, chosen = i;
    }
    return chosen;
}
