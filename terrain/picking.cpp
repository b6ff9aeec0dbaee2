// Picking a terrain face with a ray through the scene.
#include "terrain/picking.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/world_state.h"

constexpr float HANDLE_STEP = 0.25f;  // marker radius change per press, world units
constexpr double FULL_TURN = 6.283185307179586;
constexpr double INSIDE_SUM = 6.28;      // a little below 2 pi, for rounding
constexpr double ON_CORNER = 1e-7;       // |a| |b| at or below this: the point is on a corner
// A point farther than this share of a triangle's box size (plus the corner
// tolerance) outside the box has an angle sum far below INSIDE_SUM: seen
// from there the triangle spans much less than half a turn.
constexpr double BOX_MARGIN_SHARE = 0.01;
constexpr double BOX_MARGIN_ABSOLUTE = 4e-4;  // above sqrt(ON_CORNER)

namespace {

// False only when p lies so far outside the box of the corners that the
// angle sum cannot reach INSIDE_SUM; the exact test decides the rest.
bool near_corner_box(double px, double py, double pz, const double (*c)[3]) {
    double p[3] = {px, py, pz};
    double low[3], high[3], size = 0.0;
    for (int k = 0; k < 3; ++k) {
        low[k] = std::fmin(c[0][k], std::fmin(c[1][k], c[2][k]));
        high[k] = std::fmax(c[0][k], std::fmax(c[1][k], c[2][k]));
        size = std::fmax(size, high[k] - low[k]);
    }
    double margin = size * BOX_MARGIN_SHARE + BOX_MARGIN_ABSOLUTE;
    for (int k = 0; k < 3; ++k) {
        if (p[k] < low[k] - margin || p[k] > high[k] + margin) return false;
    }
    return true;
}

// Boxes of every PICK_BLOCK consecutive faces, made again when the mesh changed.
void update_pick_blocks() {
    if (pick_blocks_revision == terrain_revision && pick_blocks.size() == (size_t)(terrain_face_count + PICK_BLOCK - 1) / PICK_BLOCK) return;
    pick_blocks.assign((size_t)(terrain_face_count + PICK_BLOCK - 1) / PICK_BLOCK, PickBlock{});
    for (size_t b = 0; b < pick_blocks.size(); ++b) {
        float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
        int end = std::min(terrain_face_count, (int)(b + 1) * PICK_BLOCK);
        for (int i = (int)b * PICK_BLOCK; i < end; ++i) {
            for (const TerrainCorner& c : terrain_faces[i].corners) {
                const TerrainVertex& v = terrain_vertices[c.vertex - 1];
                low[0] = v.x < low[0] ? v.x : low[0];
                low[1] = v.y < low[1] ? v.y : low[1];
                low[2] = v.z < low[2] ? v.z : low[2];
                high[0] = v.x > high[0] ? v.x : high[0];
                high[1] = v.y > high[1] ? v.y : high[1];
                high[2] = v.z > high[2] ? v.z : high[2];
            }
        }
        double size = 0.0;
        for (int k = 0; k < 3; ++k) size = std::fmax(size, (double)high[k] - low[k]);
        double margin = size * BOX_MARGIN_SHARE + BOX_MARGIN_ABSOLUTE;
        PickBlock& block = pick_blocks[b];
        for (int k = 0; k < 3; ++k) block.low[k] = low[k] - margin, block.high[k] = high[k] + margin;
    }
    pick_blocks_revision = terrain_revision;
}

// Whether the segment from `a` along `d` (parameter 0..1), widened by
// `slack`, meets the box.
bool segment_meets_box(const double a[3], const double d[3], double slack, const PickBlock& box) {
    double t0 = 0.0, t1 = 1.0;
    for (int k = 0; k < 3; ++k) {
        double low = box.low[k] - slack, high = box.high[k] + slack;
        if (d[k] == 0.0) {
            if (a[k] < low || a[k] > high) return false;
            continue;
        }
        double ta = (low - a[k]) / d[k], tb = (high - a[k]) / d[k];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::fmax(t0, ta);
        t1 = std::fmin(t1, tb);
        if (t0 > t1) return false;
    }
    return true;
}

// The unit normal of the plane through three corners, (c0 - c1) x (c1 - c2)
// as the loader's face normals; zero for a degenerate triangle.
void plane_normal(const double (*c)[3], double* n) {
    double ax = c[0][0] - c[1][0], ay = c[0][1] - c[1][1], az = c[0][2] - c[1][2];
    double bx = c[1][0] - c[2][0], by = c[1][1] - c[2][1], bz = c[1][2] - c[2][2];
    n[0] = ay * bz - az * by;
    n[1] = az * bx - ax * bz;
    n[2] = ax * by - ay * bx;
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0) {
        n[0] /= length;
        n[1] /= length;
        n[2] /= length;
    }
}

// Where the ray from `a` along `d` enters the box (parameter >= 0), or
// INFINITY when it misses it before `reach`.
double ray_box_entry(const double a[3], const double d[3], double reach, const float* low, const float* high) {
    double t0 = 0.0, t1 = reach;
    for (int k = 0; k < 3; ++k) {
        if (d[k] == 0.0) {
            if (a[k] < low[k] || a[k] > high[k]) return INFINITY;
            continue;
        }
        double ta = (low[k] - a[k]) / d[k], tb = (high[k] - a[k]) / d[k];
        if (ta > tb) std::swap(ta, tb);
        t0 = std::fmax(t0, ta);
        t1 = std::fmin(t1, tb);
        if (t0 > t1) return INFINITY;
    }
    return t0;
}

// The ray's parameter where it crosses face `face` (either side), or INFINITY.
double ray_face_crossing(const double a[3], const double d[3], int face) {
    const TerrainFace& f = terrain_faces[face];
    double c[3][3];
    for (int k = 0; k < 3; ++k) {
        const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
        c[k][0] = v.x, c[k][1] = v.y, c[k][2] = v.z;
    }
    double e1[3], e2[3], s[3];
    for (int k = 0; k < 3; ++k) e1[k] = c[1][k] - c[0][k], e2[k] = c[2][k] - c[0][k], s[k] = a[k] - c[0][k];
    double p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    double det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
    if (det == 0.0 || !std::isfinite(det)) return INFINITY;
    double u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) / det;
    if (u < 0.0 || u > 1.0) return INFINITY;
    double q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    double v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
    if (v < 0.0 || u + v > 1.0) return INFINITY;
    double t = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det;
    return t >= 0.0 ? t : INFINITY;
}

}  // namespace

double probe_ground_distance(const double origin[3], const double direction[3], double reach) {
    if (!terrain_tiles || terrain_tile_count <= 0 || terrain_face_count <= 0) return INFINITY;
    update_pick_blocks();
    // Tiles in the order the ray enters them: once a tile is entered beyond
    // the nearest crossing found, none after it can hold a nearer one.
    std::vector<std::pair<double, int>> entered;
    for (int t = 0; t < terrain_tile_count; ++t) {
        const TerrainTile& tile = terrain_tiles[t];
        if (!tile.unbounded && tile.box_min[0] > tile.box_max[0]) continue;  // no faces
        double entry = tile.unbounded ? 0.0 : ray_box_entry(origin, direction, reach, tile.box_min, tile.box_max);
        if (entry < INFINITY) entered.push_back({entry, t});
    }
    std::sort(entered.begin(), entered.end());
    const double segment[3] = {direction[0] * reach, direction[1] * reach, direction[2] * reach};
    const double slack = reach * 1e-6 + BOX_MARGIN_ABSOLUTE;
    double best = INFINITY;
    for (const auto& e : entered) {
        if (e.first > best) break;
        const TerrainTile& tile = terrain_tiles[e.second];
        for (int s = 0; s < tile.piece_count; ++s) {
            const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[tile.first_slot + s]];
            for (int i = piece.first_face; i < piece.face_end; ++i) {
                int block_end = std::min(piece.face_end, (i / PICK_BLOCK + 1) * PICK_BLOCK);
                if (!segment_meets_box(origin, segment, slack, pick_blocks[(size_t)(i / PICK_BLOCK)])) {
                    i = block_end - 1;
                    continue;
                }
                for (; i < block_end; ++i) best = std::fmin(best, ray_face_crossing(origin, direction, i));
                --i;
            }
        }
    }
    return best <= reach ? best : INFINITY;
}

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
    const double dx = ray_far[0] - ray_near[0];
    const double dy = ray_far[1] - ray_near[1];
    const double dz = ray_far[2] - ray_near[2];
    const double ex = camera_eye_x, ey = camera_eye_y, ez = camera_eye_z;
    // Whole blocks of faces away from the ray cannot hold the point where it
    // meets a face; the slack covers the rounding of that point.
    update_pick_blocks();
    const double segment[3] = {dx, dy, dz};
    const double slack = std::sqrt(dx * dx + dy * dy + dz * dz) * 1e-6 + BOX_MARGIN_ABSOLUTE;
    bool found = false;
    double best_distance = 0.0;
    int best_face = -1;
    for (int i = 0; i < terrain_face_count; ++i) {
        if (i % PICK_BLOCK == 0 && !segment_meets_box(ray_near, segment, slack, pick_blocks[(size_t)(i / PICK_BLOCK)])) {
            i += PICK_BLOCK - 1;
            continue;
        }
        // The plane comes from the corners where they are now: exaggeration
        // and mesh edits move them, while the stored face normals keep their
        // values from the load (the lighting and the dump use those). The
        // crossing is found in doubles, so that a ray through a corner meets
        // it closely enough for the corner case of angle_sum.
        const TerrainFace& f = terrain_faces[i];
        double corners[3][3];
        for (int k = 0; k < 3; ++k) {
            const TerrainVertex& v = terrain_vertices[f.corners[k].vertex - 1];
            corners[k][0] = v.x;
            corners[k][1] = v.y;
            corners[k][2] = v.z;
        }
        double n[3];
        plane_normal(corners, n);
        double d = -(n[0] * corners[0][0] + n[1] * corners[0][1] + n[2] * corners[0][2]);
        double s_near = n[0] * ray_near[0] + n[1] * ray_near[1] + n[2] * ray_near[2] + d;
        double s_far = n[0] * ray_far[0] + n[1] * ray_far[1] + n[2] * ray_far[2] + d;
        if (!(s_near * s_far < 0.0)) continue;  // the segment does not cross the plane
        double den = n[0] * segment[0] + n[1] * segment[1] + n[2] * segment[2];
        if (den == 0.0) {
            printf("Denom 0");
            fflush(stdout);
            return false;
        }
        double mu = -s_near / den;
        double px = ray_near[0] + mu * segment[0];
        double py = ray_near[1] + mu * segment[1];
        double pz = ray_near[2] + mu * segment[2];
        if (!near_corner_box(px, py, pz, corners)) continue;
        if (angle_sum(px, py, pz, corners, 3) < INSIDE_SUM) continue;
        double distance = std::sqrt((ex - px) * (ex - px) + (ey - py) * (ey - py) + (ez - pz) * (ez - pz));
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

void increase_handle_size() { marker_radius += HANDLE_STEP; }

void decrease_handle_size() { marker_radius -= HANDLE_STEP; }
