// The terrain's corner normals laid out across the ground as a picture, so
// that coarse levels of detail can be lit per pixel from the real surface's
// normals instead of from their few corners' (which loses the fine relief).
#pragma once

#include <vector>

#include "files/terrain_records.h"

constexpr int NORMAL_MAP_MOST_SIDE = 8192;  // texels a side at most, whatever the terrain
constexpr int NORMAL_MAP_TEXEL_BYTES = 2;   // x and z: the ground's normals point up, so y follows

// Normals on a grid of texels over the terrain's extent across the ground:
// texel (i, j) lies at x = x0 + i * step_x, z = z0 + j * step_z, so that a
// regular grid's vertices fall on texel centres. Each texel holds the normal
// of the surface above it (the corner normals interpolated across the face
// that covers it) as its x and z, each n * 127.5 + 127.5 rounded (y is
// sqrt(1 - x^2 - z^2): a terrain's normals point up); texels no face covers
// hold straight up.
struct TerrainNormalMap {
    int width = 0, height = 0;       // texels; 0 when there is no map
    float x0 = 0.0f, z0 = 0.0f;      // the first texel's centre, world units
    float step_x = 1.0f, step_z = 1.0f;  // texel spacing, world units; > 0
    std::vector<unsigned char> texels;   // width * height * NORMAL_MAP_TEXEL_BYTES, rows along x, row j at z0 + j * step_z
};

// Lays out the normals of `faces` (corner normals from `vertices`, whose
// normals and positions must be current) with about one texel a vertex,
// at most `most_side` texels a side. Faces whose corners are not finite are
// left out. False (and an empty map) when there is nothing to lay out.
bool build_terrain_normal_map(const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                              int face_count, int most_side, TerrainNormalMap* map);

// Lays out again the faces listed in `face_ids` (after their corners moved),
// into an existing map whose texels are held; returns the texel rectangle
// touched as first column, first row, columns, rows in `rect` (columns 0
// when none, or when the map holds no texels).
void update_terrain_normal_map(const TerrainVertex* vertices, int vertex_count, const TerrainFace* faces,
                               int face_count, const std::vector<int>& face_ids, TerrainNormalMap* map, int rect[4]);

// Where a world point (x, z) lies on the map as texture coordinates
// (0..1 across the texels' outer edges): u = x * scale[0] + scale[1],
// v = z * scale[2] + scale[3].
void normal_map_texture_place(const TerrainNormalMap& map, float scale[4]);
