// The picking method at its plainest, for tests and benchmarks to compare with.
#include "tests/support/pick_reference.h"

#include <cmath>

#include "state/camera_state.h"
#include "state/mouse_state.h"
#include "state/terrain_state.h"
#include "terrain/picking.h"

int pick_by_testing_every_face() {
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
