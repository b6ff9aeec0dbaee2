// Definitions of the loaded world; reset_world_state gives every start value.
#include "state/world_state.h"

#include <cstdlib>

TerrainVertex* terrain_vertices;
TerrainFace* terrain_faces;
int terrain_vertex_count;
int terrain_face_count;
float terrain_min_x, terrain_max_x;
float terrain_min_y, terrain_max_y;
float terrain_min_z, terrain_max_z;
long terrain_revision;  // only grows, a reset too

unsigned int terrain_list;
long terrain_faces_compiled;
TerrainTile* terrain_tiles;
int terrain_tile_count;
TerrainPiece* terrain_pieces;
int terrain_piece_count;
int* terrain_tile_pieces;
int* terrain_face_order;
int* terrain_pair_tile;
unsigned char* terrain_tile_visible;
std::vector<std::pair<double, int>> terrain_level_tiles;
unsigned int terrain_piece_lists;
float terrain_tile_size;
int terrain_tiles_compiled;
long terrain_draws_done;  // only grows: it numbers fences that a reset does not release
long terrain_pieces_drawn;
int terrain_tail_set;
float terrain_tail_normal[3];
float terrain_tail_texcoord[2];
int terrain_exact_on_demand;
std::vector<unsigned char> terrain_tile_exact;
std::vector<long> terrain_tile_exact_used;
long terrain_exact_faces_held;
long terrain_level_choices;  // only grows, as terrain_draws_done

float terrain_height_scale;
long terrain_mesh_generation;   // only grows, a reset too
long terrain_heights_revision;  // only grows
int terrain_levels_pending;
int terrain_levels_announced;
long terrain_level_faces_drawn;
long terrain_level_draws;  // only grows, as terrain_draws_done
std::vector<LevelNode> level_nodes;
std::vector<int> level_group_tiles;
std::vector<int> level_roots;
std::vector<int> level_tile_cover;
std::vector<long> level_tile_faces;
float level_ground_min[2];
float level_ground_max[2];
char level_cache_path[LEVEL_CACHE_PATH_SIZE];
unsigned long long level_cache_terrain_size;
unsigned long long level_cache_terrain_hash;
long level_cache_revision;
int level_cache_to_write;
std::vector<PickBlock> pick_blocks;
long pick_blocks_revision;
std::mutex terrain_mesh_lock;

void free_terrain_tiles() {
    free(terrain_tiles);
    free(terrain_pieces);
    free(terrain_tile_pieces);
    free(terrain_tile_visible);
    free(terrain_face_order);
    free(terrain_pair_tile);
    terrain_face_order = nullptr;
    terrain_pair_tile = nullptr;
    terrain_tiles = nullptr;
    terrain_pieces = nullptr;
    terrain_tile_pieces = nullptr;
    terrain_tile_visible = nullptr;
    terrain_level_tiles.clear();
    terrain_tile_count = terrain_piece_count = 0;
    terrain_tile_size = 0.0f;
    terrain_exact_on_demand = 0;
    terrain_tile_exact.clear();
    terrain_tile_exact_used.clear();
    terrain_exact_faces_held = 0;
}

namespace {

void reset_terrain_mesh() {
    free(terrain_vertices);
    free(terrain_faces);
    terrain_vertices = nullptr;
    terrain_faces = nullptr;
    terrain_vertex_count = terrain_face_count = 0;
    terrain_min_x = terrain_max_x = 0.0f;
    terrain_min_y = terrain_max_y = 0.0f;
    terrain_min_z = terrain_max_z = 0.0f;
    // The mesh is gone, which is a change: a cache of an earlier mesh must
    // never match the next one.
    ++terrain_revision;
}

void reset_terrain_lists() {
    free_terrain_tiles();
    terrain_list = 0;
    terrain_faces_compiled = 0;
    terrain_piece_lists = 0;
    terrain_tiles_compiled = 0;
    terrain_pieces_drawn = 0;
    terrain_tail_set = 0;
    terrain_tail_normal[0] = terrain_tail_normal[1] = terrain_tail_normal[2] = 0.0f;
    terrain_tail_texcoord[0] = terrain_tail_texcoord[1] = 0.0f;
}

void reset_terrain_levels() {
    terrain_height_scale = 1.0f;
    // The mesh a reset leaves is not the one any level work was for.
    ++terrain_mesh_generation;
    terrain_levels_pending = 0;
    terrain_levels_announced = 0;
    terrain_level_faces_drawn = 0;
    level_nodes.clear();
    level_group_tiles.clear();
    level_roots.clear();
    level_tile_cover.clear();
    level_tile_faces.clear();
    level_ground_min[0] = level_ground_min[1] = 0.0f;
    level_ground_max[0] = level_ground_max[1] = 0.0f;
    level_cache_path[0] = '\0';
    level_cache_terrain_size = level_cache_terrain_hash = 0;
    level_cache_revision = -1;
    level_cache_to_write = 0;
}

}  // namespace

void reset_world_state() {
    std::lock_guard<std::mutex> hold(terrain_mesh_lock);
    reset_terrain_mesh();
    reset_terrain_lists();
    reset_terrain_levels();
    pick_blocks.clear();
    pick_blocks_revision = -1;
}

// The start values hold from before main.
[[maybe_unused]] static const bool world_state_started = (reset_world_state(), true);
