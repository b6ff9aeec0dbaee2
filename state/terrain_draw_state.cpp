// Definitions of the terrain drawing state; reset_terrain_draw_state gives
// every start value.
#include "state/terrain_draw_state.h"

#include <cstdlib>

unsigned int terrain_list;
int terrain_primitive;
int render_mode;
int textures_on;
int average_normals;
float exaggeration;
long terrain_faces_compiled;

TerrainTile* terrain_tiles;
int terrain_tile_count;
TerrainPiece* terrain_pieces;
int terrain_piece_count;
int* terrain_tile_pieces;
unsigned char* terrain_tile_visible;
unsigned int terrain_piece_lists;
int terrain_tile_faces;
float terrain_tile_size;
int terrain_tiles_compiled;
long terrain_draws_done;  // only grows: it numbers fences that a reset does not release
long terrain_pieces_drawn;
int terrain_tail_set;
float terrain_tail_normal[3];
float terrain_tail_texcoord[2];

void free_terrain_tiles() {
    free(terrain_tiles);
    free(terrain_pieces);
    free(terrain_tile_pieces);
    free(terrain_tile_visible);
    terrain_tiles = nullptr;
    terrain_pieces = nullptr;
    terrain_tile_pieces = nullptr;
    terrain_tile_visible = nullptr;
    terrain_tile_count = terrain_piece_count = 0;
    terrain_tile_size = 0.0f;
}

void reset_terrain_draw_state() {
    terrain_list = 0;
    terrain_primitive = PRIMITIVE_TRIANGLES;
    render_mode = RENDER_FILLED;
    textures_on = 1;
    average_normals = 1;
    exaggeration = 1.0f;
    terrain_faces_compiled = 0;

    free_terrain_tiles();
    terrain_piece_lists = 0;
    terrain_tile_faces = TERRAIN_TILE_FACES;
    terrain_tiles_compiled = 0;
    terrain_pieces_drawn = 0;
    terrain_tail_set = 0;
    terrain_tail_normal[0] = terrain_tail_normal[1] = terrain_tail_normal[2] = 0.0f;
    terrain_tail_texcoord[0] = terrain_tail_texcoord[1] = 0.0f;
}

// The start values hold from before main.
[[maybe_unused]] static const bool terrain_draw_state_started = (reset_terrain_draw_state(), true);
