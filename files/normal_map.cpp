// Laying the terrain's corner normals out across the ground, on every core.
#include "files/normal_map.h"

#include <algorithm>
#include <cmath>

#include "files/parallel.h"

namespace {

const unsigned char UP_TEXEL[NORMAL_MAP_TEXEL_BYTES] = {128, 128};  // x and z of straight up

// One component of a unit normal as a byte, rounded.
inline unsigned char encode_component(float c) {
    float value = c * 127.5f + 128.0f;  // + 0.5 to round
    return (unsigned char)(value < 0.0f ? 0.0f : value > 255.0f ? 255.0f : value);
}

// A texel number from a whole number of texels, held to lo..hi before it
// becomes an int (a corner far off the map must not overflow one).
inline int texel_at(float whole, int lo, int hi) {
    return whole <= (float)lo ? lo : whole >= (float)hi ? hi : (int)whole;
}

struct FaceCorners {
    float x[3], z[3];     // texel units
    const float* n[3];    // corner normals
};

// The face's corners in texel units; false when a corner number is out of
// range or a corner is not finite.
bool corners_of(const TerrainVertex* vertices, int vertex_count, const TerrainFace& face,
                const TerrainNormalMap& map, FaceCorners* out) {
    for (int k = 0; k < 3; ++k) {
        int v = face.corners[k].vertex, n = face.corners[k].normal;
        if (v < 1 || v > vertex_count || n < 1 || n > vertex_count) return false;
        const TerrainVertex& p = vertices[v - 1];
        out->x[k] = (p.x - map.x0) / map.step_x;
        out->z[k] = (p.z - map.z0) / map.step_z;
        out->n[k] = &vertices[n - 1].nx;
        if (!std::isfinite(out->x[k]) || !std::isfinite(out->z[k])) return false;
    }
    return true;
}

// Writes the texels of rows first_row .. end_row - 1 whose centres the face
// covers (edges included, so that neighbours leave no gap between them).
void lay_face(const FaceCorners& c, int first_row, int end_row, TerrainNormalMap* map) {
    double area = (double)(c.x[1] - c.x[0]) * (c.z[2] - c.z[0]) - (double)(c.x[2] - c.x[0]) * (c.z[1] - c.z[0]);
    if (std::fabs(area) < 1e-12) return;  // seen edge-on from above: it covers no ground
    float lo_x = std::min({c.x[0], c.x[1], c.x[2]}), hi_x = std::max({c.x[0], c.x[1], c.x[2]});
    float lo_z = std::min({c.z[0], c.z[1], c.z[2]}), hi_z = std::max({c.z[0], c.z[1], c.z[2]});
    int i0 = texel_at(std::ceil(lo_x - 1e-4f), 0, map->width - 1);
    int i1 = texel_at(std::floor(hi_x + 1e-4f), 0, map->width - 1);
    int j0 = texel_at(std::ceil(lo_z - 1e-4f), first_row, end_row - 1);
    int j1 = texel_at(std::floor(hi_z + 1e-4f), first_row, end_row - 1);
    if (i0 > i1 || j0 > j1 || lo_x > map->width || hi_x < -1.0f || lo_z > end_row || hi_z < first_row - 1.0f) return;
    const double slack = 1e-6;  // weights are shares of the face: 0 on an edge
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            double w[3];
            for (int k = 0; k < 3; ++k) {
                int a = (k + 1) % 3, b = (k + 2) % 3;
                w[k] = ((double)(c.x[b] - c.x[a]) * (j - c.z[a]) - (double)(c.z[b] - c.z[a]) * (i - c.x[a])) / area;
            }
            if (w[0] < -slack || w[1] < -slack || w[2] < -slack) continue;
            double n[3];
            for (int d = 0; d < 3; ++d) n[d] = w[0] * c.n[0][d] + w[1] * c.n[1][d] + w[2] * c.n[2][d];
            double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            unsigned char* texel = &map->texels[NORMAL_MAP_TEXEL_BYTES * ((size_t)j * map->width + i)];
            if (!(length > 1e-9)) continue;
            texel[0] = encode_component((float)(n[0] / length));
            texel[1] = encode_component((float)(n[2] / length));
        }
}

// Where every corner of every face stands on a texel centre (a regular
// grid's vertices do), each texel is the normal of the corner on it and no
// face needs laying out. Writes those texels and returns true; false as soon
// as a corner stands between centres (some texels may be written by then).
bool lay_grid_corners(const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces, int face_count,
                      TerrainNormalMap* map) {
    const float off_centre = 1e-3f;  // texels
    std::vector<unsigned char>& texels = map->texels;
    for (int f = 0; f < face_count; ++f)
        for (const TerrainCorner& corner : faces[f].corners) {
            if (corner.vertex < 1 || corner.vertex > vertex_count || corner.normal < 1 || corner.normal > vertex_count)
                continue;  // left out, as laying the face out would
            const TerrainVertex& p = vertices[corner.vertex - 1];
            float x = (p.x - map->x0) / map->step_x, z = (p.z - map->z0) / map->step_z;
            if (!(x > -0.5f && z > -0.5f && x < map->width - 0.5f && z < map->height - 0.5f)) return false;
            int i = (int)(x + 0.5f), j = (int)(z + 0.5f);
            if (!(std::fabs(x - i) <= off_centre && std::fabs(z - j) <= off_centre)) return false;
            // Corner normals are unit ones (or zero, for a vertex no face uses).
            const TerrainVertex& n = vertices[corner.normal - 1];
            unsigned char* texel = &texels[NORMAL_MAP_TEXEL_BYTES * ((size_t)j * map->width + (size_t)i)];
            texel[0] = encode_component(n.nx);
            texel[1] = encode_component(n.nz);
        }
    return true;
}

}  // namespace

bool build_terrain_normal_map(const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                              int face_count, int most_side, TerrainNormalMap* map) {
    *map = TerrainNormalMap();
    if (!vertices || !faces || vertex_count <= 0 || face_count <= 0 || most_side < 2) return false;
    float lo_x = INFINITY, hi_x = -INFINITY, lo_z = INFINITY, hi_z = -INFINITY;
    for (int f = 0; f < face_count; ++f)
        for (const TerrainCorner& corner : faces[f].corners) {
            if (corner.vertex < 1 || corner.vertex > vertex_count) continue;
            const TerrainVertex& p = vertices[corner.vertex - 1];
            if (!std::isfinite(p.x) || !std::isfinite(p.z)) continue;
            lo_x = std::min(lo_x, p.x), hi_x = std::max(hi_x, p.x);
            lo_z = std::min(lo_z, p.z), hi_z = std::max(hi_z, p.z);
        }
    if (!(hi_x > lo_x) || !(hi_z > lo_z)) return false;
    // A face pair a texel: a regular grid's spacing exactly.
    double span_x = (double)hi_x - lo_x, span_z = (double)hi_z - lo_z;
    double step = std::sqrt(span_x * span_z / std::max(1.0, face_count / 2.0));
    auto texels_across = [&](double span) {
        double n = std::floor(span / step + 0.5) + 1.0;
        return (int)std::clamp(n, 2.0, (double)most_side);
    };
    map->width = texels_across(span_x);
    map->height = texels_across(span_z);
    map->x0 = lo_x;
    map->z0 = lo_z;
    map->step_x = (float)(span_x / (map->width - 1));
    map->step_z = (float)(span_z / (map->height - 1));
    size_t texels = (size_t)map->width * map->height;
    map->texels.resize(NORMAL_MAP_TEXEL_BYTES * texels);
    auto point_up = [&] {
        for (size_t t = 0; t < texels; ++t)
            std::copy(UP_TEXEL, UP_TEXEL + NORMAL_MAP_TEXEL_BYTES, &map->texels[NORMAL_MAP_TEXEL_BYTES * t]);
    };
    point_up();
    if (lay_grid_corners(vertices, vertex_count, faces, face_count, map)) return true;
    point_up();
    // Each part writes its own band of rows, so no texel has two writers.
    run_parallel_parts(
        [&](int part) {
            int first, end;
            parallel_share(map->height, part, &first, &end);
            if (first >= end) return;
            FaceCorners c;
            for (int f = 0; f < face_count; ++f) {
                if (!corners_of(vertices, vertex_count, faces[f], *map, &c)) continue;
                float lo = std::min({c.z[0], c.z[1], c.z[2]}), hi = std::max({c.z[0], c.z[1], c.z[2]});
                if (hi < first - 1 || lo > end) continue;
                lay_face(c, first, end, map);
            }
        },
        (long long)face_count);
    return true;
}

void update_terrain_normal_map(const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                               int face_count, const std::vector<int>& face_ids, TerrainNormalMap* map, int rect[4]) {
    rect[0] = rect[1] = rect[2] = rect[3] = 0;
    if (map->width <= 0 || map->height <= 0 || map->texels.size() != NORMAL_MAP_TEXEL_BYTES * (size_t)map->width * map->height)
        return;
    int lo_i = map->width, hi_i = -1, lo_j = map->height, hi_j = -1;
    FaceCorners c;
    for (int f : face_ids) {
        if (f < 0 || f >= face_count || !corners_of(vertices, vertex_count, faces[f], *map, &c)) continue;
        lay_face(c, 0, map->height, map);
        lo_i = std::min(lo_i, texel_at(std::floor(std::min({c.x[0], c.x[1], c.x[2]})), 0, map->width - 1));
        hi_i = std::max(hi_i, texel_at(std::ceil(std::max({c.x[0], c.x[1], c.x[2]})), 0, map->width - 1));
        lo_j = std::min(lo_j, texel_at(std::floor(std::min({c.z[0], c.z[1], c.z[2]})), 0, map->height - 1));
        hi_j = std::max(hi_j, texel_at(std::ceil(std::max({c.z[0], c.z[1], c.z[2]})), 0, map->height - 1));
    }
    if (hi_i < lo_i || hi_j < lo_j) return;
    rect[0] = lo_i, rect[1] = lo_j, rect[2] = hi_i - lo_i + 1, rect[3] = hi_j - lo_j + 1;
}

void normal_map_texture_place(const TerrainNormalMap& map, float scale[4]) {
    // Texel i's centre is at u = (i + 0.5) / width.
    scale[0] = 1.0f / (map.step_x * map.width);
    scale[1] = (0.5f - map.x0 / map.step_x) / map.width;
    scale[2] = 1.0f / (map.step_z * map.height);
    scale[3] = (0.5f - map.z0 / map.step_z) / map.height;
}
