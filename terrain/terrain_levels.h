// Levels of detail: coarser versions of a tile's faces with their geometric
// error, and the per-frame choice of level within a screen-space bound. No GL:
// the level threads, the frame and the tests call these.
#pragma once

#include <cmath>
#include <vector>

#include "state/world_state.h"

constexpr int TERRAIN_MAX_LEVELS = 8;  // coarse levels a tile may have beyond its own faces

// A tile's faces copied out of the mesh, one local vertex per distinct
// (vertex, texcoord, normal) corner, for simplifying without holding the mesh.
struct TileMeshCopy {
    std::vector<int> corner;          // per local vertex: a corner it stands for, 3 x face + corner number (0-based)
    std::vector<float> position;      // per local vertex: x, y, z, world units
    std::vector<unsigned> triangles;  // 3 local vertices per face of the tile, in face order
    std::vector<float> normal;        // per local vertex: x, y, z of the sum of the real normals it stands for (its length their weight; a real corner: its own)
    bool finite = true;               // every position is finite; no levels are built otherwise
    // The terrain's extent across the ground (x, z): border vertices on its
    // edges are kept by every level and hang no skirt. None by default.
    float ground_min[2] = {INFINITY, INFINITY}, ground_max[2] = {-INFINITY, -INFINITY};
};

// TerrainLevel, one coarse level, is a record of the loaded world (state/world_state.h).

// One corner as the GL draws it.
struct LevelCorner {
    float normal[3];    // the averaged normal of the corner's normal record
    float texcoord[2];  // s and 1 - t of its texcoord record (as the faces are drawn)
    float position[3];  // x, y, z of its vertex record
};

// The eye and the scale of the projection a frame chooses its levels with.
struct LevelView {
    double eye[3];            // world position of the eye
    double pixels_per_unit;   // pixels covered by one world unit seen face-on at distance 1; > 0
};

// Whether the installed terrain is drawn with levels: a bound above 0, and
// more than LOD_DEFAULT_MIN_FACES faces or a bound given on the command line.
bool terrain_levels_wanted();

// Reads a --lod-error value: a number of pixels from 0 to 1000000 (far
// beyond any screen). False (out unchanged) for anything else.
bool parse_lod_error(const char* text, float* out);

// Sets up level_nodes for the installed tiles, none with levels yet: a node
// per tile, then groups of two by two neighbouring nodes, level after level
// up to one (none for tiles that are runs of faces), with level_group_tiles,
// level_roots, level_tile_faces and the terrain's extent across the ground.
void make_level_nodes();

// Builds the base and levels of every node now, on every core, as the level
// threads do: the tiles' from their faces, then each group's from its
// members' bases (a group with a member that has no base gets none). For a
// program without a window (the importer), after make_level_nodes. False
// when memory ran out (the nodes are then not all built).
bool build_level_nodes_now();

// Copies the faces of `tile` (terrain_tiles, terrain_pieces, the mesh): the
// caller holds terrain_mesh_lock or is the only thread that may change them.
void copy_tile_mesh(int tile, TileMeshCopy* copy);

// Copies the union of several levels' triangles (the finest levels of the
// members of a group of tiles), one local vertex per distinct corner, so that
// they simplify as one: their shared borders become inner edges, and only the
// group's outer border is kept. The same rule for the caller as copy_tile_mesh.
void copy_group_mesh(const std::vector<const std::vector<int>*>& levels, TileMeshCopy* copy);

// copy_group_mesh of the bases' corners, each corner with the normal sum its
// base holds for it (TerrainLevel::normals; its own where it holds none).
void copy_group_bases(const std::vector<const TerrainLevel*>& bases, TileMeshCopy* copy);

// The normal sum `level` holds for corner `id` (3 floats), or null.
const float* level_corner_normal(const TerrainLevel& level, int id);

// Builds the base and the levels of the copied faces. The base, about a
// quarter of the faces, keeps the copy's border edges as they are: a group
// is built from its members' bases, which must meet. The levels are drawn:
// the first thins the base's border where it runs straight across the
// ground (keeping its turns and the terrain's own edges), each after it
// about a quarter of the one before; each hangs skirts that close any gap
// against a neighbour drawn at another level, and is drawn raised by part
// of the height by which real crests stand above it, so that outlines
// against the sky keep their height. Stops when a level would no longer
// shrink by a fifth, when its error would grow more than sixteen times over
// the one before, or at TERRAIN_MAX_LEVELS. Each error bounds the distance
// from every copied vertex to the surface as drawn (raised). Each corner's
// normal sums the copied vertices' normals nearest it, shared out as the
// corners of the triangle nearest each vertex share its place, so that a
// coarse level shades as the relief it stands for (a corner on the copy's
// border takes only the border's, as its neighbour's level sees them). No
// base and no levels for a copy with positions that are not finite.
void build_tile_levels(const TileMeshCopy& copy, float height_scale, std::vector<TerrainLevel>* levels,
                       TerrainLevel* base);

// Adds a bound on the distance of the real vertices from the copied surface
// (the members' error, for a group) to every level's error.
void add_level_error(std::vector<TerrainLevel>* levels, float across, float up);

// The corners of `corners` as the GL draws them (reads the mesh: the same
// rule for the caller as copy_tile_mesh).
void copy_level_corners(const std::vector<int>& corners, std::vector<LevelCorner>* out);

// A level's error in world units now that the heights are `height_scale`
// times those of the load: a bound on every real vertex's distance from it.
double terrain_level_error(const TerrainLevel& level, float height_scale);

// The eye and scale of projection x modelview (column-major, as GL returns
// them; the modelview a rotation and translation) for a viewport
// `viewport_height` pixels high. False when the projection is not a perspective one.
bool make_level_view(const double projection[16], const double modelview[16], int viewport_height, LevelView* view);

// Distance from `eye` to the nearest point of the box lo..hi (0 inside it).
double distance_to_box(const double eye[3], const float lo[3], const float hi[3]);

// The coarsest level (1..count) whose error errors[level - 1], seen from
// `distance` at `pixels_per_unit`, covers at most `bound_pixels`; 0 (the
// real faces) when none does, when the bound is 0 or when the distance is 0.
int choose_terrain_level(const double* errors, int count, double distance, double pixels_per_unit,
                         double bound_pixels);
