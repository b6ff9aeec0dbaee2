// The loaded world: the terrain mesh, the tiles and display lists it is cut
// into, and its levels of detail. Everything here describes one loaded
// terrain and goes as a whole when another one loads.
//
// Owns: the mesh (terrain_vertices, terrain_faces, counts, extents,
// terrain_revision), the tiles, pieces and their lists (terrain_list,
// terrain_tiles, terrain_pieces, ...) and which tiles hold their own-face
// lists (terrain_tile_exact, ...), the whole terrain's tail, the heights'
// scale, generation and revision, the level nodes the frame keeps
// (level_nodes, level_group_tiles, level_roots, level_tile_cover,
// level_tile_faces, level_ground_min/max), the levels' cache file and what
// it is checked against (level_cache_*), the level flags, the pick index
// (pick_blocks) and the counters tests read.
// Lifetime: empty until the start-up load; each successful load stops the
// level threads, deletes the lists and calls reset_world_state before it
// installs the new mesh (a refused file leaves the world as it was). The
// generation, the revisions and terrain_draws_done only grow.
// Writers: terrain/terrain_mesh.cpp installs each mesh and scales every y
// (the exaggeration steps; under terrain_mesh_lock); mesh editing
// (terrain/mesh_edit.cpp) moves vertices; each of them bumps
// terrain_revision. terrain/terrain_tiles.cpp cuts the tiles and pieces;
// terrain/terrain_list_gl.cpp compiles and draws their lists (counters, tail,
// terrain_level_faces_drawn, terrain_level_draws); terrain/level_lists.cpp keeps the level
// nodes, the pending and announced flags and which tiles keep their own-face
// lists (terrain_tile_exact, ...; terrain_list_gl.cpp starts them); the loader announces the
// levels and names their cache (level_cache_*), which terrain/level_lists.cpp
// reads and writes; picking (terrain/picking.cpp) keeps the pick index; release_terrain
// (terrain/terrain_list_gl.cpp) frees it all at exit.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

#include "files/terrain_records.h"

// A square of the ground holding the faces whose pair centroid falls in it
// (or, for files whose face order does not keep a square's faces together
// and a terrain drawn exactly, a run of consecutive faces).
struct TerrainTile {
    float box_min[3];  // x, y, z: box around the current positions of every corner of its faces
    float box_max[3];  // (after exaggeration and edits), world units; min > max for a tile without faces
    int unbounded;     // 1: a corner is not finite, so the tile is never culled
    int first_slot;    // its pieces are terrain_tile_pieces[first_slot .. first_slot + piece_count - 1]
    int piece_count;   // >= 1
    int column, row;   // its square in the ground grid (column along x, row along z); -1 for a run of faces
};

// A run of consecutive faces of one tile, compiled into its own display list
// so that drawing the visible pieces in piece order keeps the file's face order.
// With terrain_face_order, the run is of that order's places instead (a
// terrain drawn with levels whose file scatters its squares: one piece a tile).
struct TerrainPiece {
    int first_face;  // 0-based face, or place in terrain_face_order; a -q pair never straddles two pieces
    int face_end;    // one past the last; > first_face
    int tile;        // index into terrain_tiles
};

// One coarse level: triangles whose corners are corners of the real faces,
// so they carry the real vertices' positions, normals and texture coordinates.
struct TerrainLevel {
    std::vector<int> corners;  // 3 corner ids (3 x face + corner number) per triangle, counter-clockwise as the faces
    float error_across = 0.0f; // largest horizontal (x, z) part of a real vertex's offset from this surface, world units
    float error_up = 0.0f;     // largest vertical part, divided by terrain_height_scale at the time it was measured
    // Where the level's border is simplified it may pass above or below its
    // neighbour's: a skirt hangs from each border edge inside the terrain,
    // deep enough to close the gap. 3 corner ids per edge: the edge's two in
    // the order of its triangle, then the triangle's third.
    std::vector<int> skirt;
    float skirt_up = 0.0f;     // the skirts' depth divided by terrain_height_scale at the time it was measured
    float lift_up = 0.0f;      // drawn this much higher (divided likewise), so that its crests do not sink
    // The distinct corner ids of corners and skirt, ascending, and for each
    // x, y, z of the sum of the real normals of the ground it stands for (its
    // length their weight), drawn normalised in averaged-normals mode. Empty:
    // the corners' own normals.
    std::vector<int> normal_corners;
    std::vector<float> normals;
};

// A tile (nodes 0 .. terrain_tile_count - 1, in tile order) or a group of
// neighbouring nodes, with what the frame keeps of its levels (main thread only).
struct LevelNode {
    std::vector<int> members;          // a group's member nodes (two to four); empty for a tile
    int parent = -1;                   // the group holding it; -1 for none
    int first_tile = 0, tile_end = 0;  // a group's tiles are level_group_tiles[first_tile .. tile_end - 1]
    TerrainLevel base;                 // what its group is built from; no corners: none built yet (or let go, below)
    bool base_dropped = false;         // a tile's base let go once its group was built (the cache written): built again when the group must be
    std::vector<TerrainLevel> levels;  // drawn, finest first; may be empty with a base
    unsigned lists = 0;                // list of levels[0]; levels[i] is lists + i; 0 when none compiled
    bool drawable = false;             // the lists hold the current heights and normals
    bool queued = false;               // a build is queued or running
    bool compiling = false;            // its levels are with a compile job (and `levels` empty) until it is installed
    float box_min[3], box_max[3];      // around its tiles' boxes, as of the last choice
    bool unbounded = false;            // a tile of it is never culled
    int chosen = 0;                    // level of the last choice; 0: not drawn as a whole
    long drawn_in = -1;                // the draw that last called its list
};

constexpr int PICK_BLOCK = 64;  // consecutive faces under one box of the pick index

// The box of PICK_BLOCK consecutive faces, which a pick ray skips at once.
struct PickBlock {
    double low[3], high[3];  // box of the block's corners, widened by the margin its faces allow
};

// The mesh.
extern TerrainVertex* terrain_vertices;     // terrain_vertex_count records; null before the first load
extern TerrainFace* terrain_faces;          // terrain_face_count records; null before the first load
extern int terrain_vertex_count;            // number of "v " lines of the loaded file; >= 0
extern int terrain_face_count;              // number of "f " lines of the loaded file; >= 0
extern float terrain_min_x, terrain_max_x;  // extent in x; always contains 0
extern float terrain_min_y, terrain_max_y;  // extent in y (height); always contains 0
extern float terrain_min_z, terrain_max_z;  // extent in z; always contains 0
extern long terrain_revision;               // grows with every change of the mesh or its vertex positions; caches compare it

// The tiles, pieces and their lists.
extern unsigned int terrain_list;           // GL list calling every piece's list in face order (draws the whole terrain); 0 before the first compile
extern long terrain_faces_compiled;         // faces emitted by the last compile, full or partial (tests read it)
extern TerrainTile* terrain_tiles;          // terrain_tile_count tiles; null when there are no faces
extern int terrain_tile_count;              // >= 0
extern TerrainPiece* terrain_pieces;        // terrain_piece_count pieces in face order, covering every face once
extern int terrain_piece_count;             // >= 0; at most the face count
extern int* terrain_tile_pieces;            // terrain_piece_count piece numbers grouped by tile
extern int* terrain_face_order;             // null: pieces run over the faces themselves; else terrain_face_count face numbers, tile by tile, each tile's in file order
extern int* terrain_pair_tile;              // with terrain_face_order: per pair of faces (2u, 2u + 1), its tile; null otherwise
extern unsigned char* terrain_tile_visible; // per tile: 1 if its box met the frustum of the last draw
extern std::vector<std::pair<double, int>> terrain_level_tiles;  // the last draw's tiles drawn by levels: distance from the eye, tile; kept for its room
extern unsigned int terrain_piece_lists;    // list name of piece 0; piece i is terrain_piece_lists + i; 0 when none
extern float terrain_tile_size;             // side of a square tile, world units; 0 when the tiles are runs of faces
extern int terrain_tiles_compiled;          // tiles compiled by the last rebuild, full or partial (tests read it)
extern long terrain_draws_done;             // calls of draw_visible_terrain so far (numbers their held fences); only grows
extern long terrain_pieces_drawn;           // pieces called by the last draw of the visible tiles (tests read it)
extern int terrain_tail_set;                // 1: the whole terrain leaves a current normal and texture coordinate behind
extern float terrain_tail_normal[3];        // the normal the last emitted corner of the whole terrain leaves current
extern float terrain_tail_texcoord[2];      // the texture coordinate it leaves current (t already flipped)

// A terrain drawn with levels keeps a tile's own-face lists only while the
// frame draws it with its own faces: Mesa holds every compiled vertex, and
// every tile's would not fit for the largest terrains.
constexpr unsigned char EXACT_NONE = 0;    // its pieces' lists are empty (or were never compiled)
constexpr unsigned char EXACT_QUEUED = 1;  // being compiled in the background
constexpr unsigned char EXACT_READY = 2;   // its pieces' lists hold its faces
extern int terrain_exact_on_demand;                // 1: own-face lists are compiled when drawn and dropped when not; 0: every piece always holds its faces
extern std::vector<unsigned char> terrain_tile_exact;  // per tile while on demand: EXACT_NONE, _QUEUED or _READY
extern std::vector<long> terrain_tile_exact_used;  // per tile while on demand: the choice that last drew its own faces; -1 never
extern long terrain_exact_faces_held;              // faces of the tiles EXACT_READY while on demand; >= 0
extern long terrain_level_choices;                 // calls of choose_terrain_levels so far; only grows

// The heights and the levels.
extern float terrain_height_scale;     // product of the exaggeration factors applied since the load; > 0
extern long terrain_mesh_generation;   // grows with each installed mesh, so work on an older one is dropped
extern long terrain_heights_revision;  // grows with each exaggeration step, so lists of older heights are dropped
extern int terrain_levels_pending;     // tiles whose levels (or own-face lists) are being built or compiled; >= 0
extern int terrain_levels_announced;   // 1: "Building detail levels..." awaits its "Done!"
extern long terrain_level_faces_drawn; // faces called by the last draw of the visible tiles, levels included
extern long terrain_level_draws;       // draws of the visible tiles that called a level's list (tests wait on it); only grows
extern std::vector<LevelNode> level_nodes;  // while levels are in use; empty otherwise
extern std::vector<int> level_group_tiles;  // the tiles of each group, group by group
extern std::vector<int> level_roots;        // the nodes no group holds
extern std::vector<int> level_tile_cover;   // per tile: the node the last choice draws it with; -1 its own faces
extern std::vector<long> level_tile_faces;  // per tile: its faces
extern float level_ground_min[2];           // the terrain's extent across the ground (x, z) at the load: its edges
extern float level_ground_max[2];           // keep every vertex at every level and hang no skirts

// The levels' cache beside the terrain's file (written once every level of
// the mesh as loaded is built, read by the next load of the same bytes).
constexpr int LEVEL_CACHE_PATH_SIZE = 4096;          // bytes of a cache path with its NUL
extern char level_cache_path[LEVEL_CACHE_PATH_SIZE]; // the loaded terrain's cache file; "" for none
extern unsigned long long level_cache_terrain_size;  // bytes of the terrain file as loaded
extern unsigned long long level_cache_terrain_hash;  // hash_content of those bytes
extern long level_cache_revision;                    // terrain_revision of the mesh as loaded: only its levels are kept
extern int level_cache_to_write;                     // 1: the levels are being built and go to the cache once all are

// The pick index: made again when the mesh changed.
extern std::vector<PickBlock> pick_blocks;  // one per PICK_BLOCK faces, in face order
extern long pick_blocks_revision;           // terrain_revision the boxes were made for; -1 none

// Held by every writer of the mesh arrays (and of the scale and generation)
// while the level threads may read them; the level threads hold it only
// while they copy one tile out.
extern std::mutex terrain_mesh_lock;

// Frees the tiles and pieces (the lists are the GL side's) and forgets
// which tiles hold their own-face lists.
void free_terrain_tiles();

// Puts the whole world back to its start: frees the mesh, the tiles and the
// level nodes, forgets every list name without deleting it (where a GL context
// holds them, delete them first; the level threads must be stopped). The
// generation and terrain_revision grow instead, so no cache or level work of
// an earlier mesh matches a later one; terrain_draws_done and
// terrain_level_draws keep counting.
void reset_world_state();
