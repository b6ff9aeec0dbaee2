// Definitions of the terrain drawing state.
#include "state/terrain_draw_state.h"

unsigned int terrain_list = 0;
int terrain_primitive = PRIMITIVE_TRIANGLES;
int render_mode = RENDER_FILLED;
int textures_on = 1;
int average_normals = 1;
float exaggeration = 1.0f;
long terrain_faces_compiled = 0;

TerrainTile* terrain_tiles = nullptr;
int terrain_tile_count = 0;
TerrainPiece* terrain_pieces = nullptr;
int terrain_piece_count = 0;
int* terrain_tile_pieces = nullptr;
unsigned char* terrain_tile_visible = nullptr;
unsigned int terrain_piece_lists = 0;
int terrain_tile_faces = TERRAIN_TILE_FACES;
float terrain_tile_size = 0.0f;
int terrain_tiles_compiled = 0;
long terrain_draws_done = 0;
long terrain_pieces_drawn = 0;
int terrain_tail_set = 0;
float terrain_tail_normal[3] = {0.0f, 0.0f, 0.0f};
float terrain_tail_texcoord[2] = {0.0f, 0.0f};
