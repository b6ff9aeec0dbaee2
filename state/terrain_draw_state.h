// Terrain drawing switches, the compiled terrain lists and the tiles they are cut into.
//
// Owns: terrain_list, terrain_primitive, render_mode, textures_on,
// average_normals, exaggeration, the tiles and pieces of the compiled terrain
// with their display lists, and the counters tests read.
// Lifetime: the switches keep their values across terrain loads; the lists,
// tiles and pieces are replaced by every load and every full rebuild; a
// partial rebuild recompiles some pieces under the same list names and
// refreshes their tiles' boxes.
// Writers: the switches (terrain/terrain_switches.cpp: render mode, textures,
// normals, exaggeration; the view tray sets render_mode and textures_on
// itself, overlay/tray_actions.cpp), terrain/terrain_list_gl.cpp (lists,
// counters, tail), terrain/terrain_tiles.cpp (tiles, pieces, visibility),
// start-up ("-q": app/main.cpp).
#pragma once

constexpr int PRIMITIVE_QUADS = 1;      // face pairs drawn as quads ("-q")
constexpr int PRIMITIVE_TRIANGLES = 2;  // every face one triangle

// Faces per tile (a square of about 90 x 90 grid cells). Measured at 2
// million faces (benchmarks/draw_benchmark.cpp): frames cost the same from
// 8192 faces up, smaller tiles only add lists to call; every list costs the
// display-list compiler a few microseconds, so an exaggeration step gets
// slower the smaller the tiles; a vertex edit recompiles up to four tiles,
// 15 ms at this size.
constexpr int TERRAIN_TILE_FACES = 16384;

constexpr int RENDER_WIRE_FRAME = 1;
constexpr int RENDER_POINT_CLOUD = 2;
constexpr int RENDER_FILLED = 3;

// A square of the ground holding the faces whose pair centroid falls in it
// (or, for files whose face order does not keep a square's faces together, a
// run of consecutive faces).
struct TerrainTile {
    float box_min[3];  // x, y, z: box around the current positions of every corner of its faces
    float box_max[3];  // (after exaggeration and edits), world units; min > max for a tile without faces
    int unbounded;              // 1: a corner is not finite, so the tile is never culled
    int first_slot;             // its pieces are terrain_tile_pieces[first_slot .. first_slot + piece_count - 1]
    int piece_count;            // >= 1
    int column, row;            // its square in the ground grid (column along x, row along z); -1 for a run of faces
};

// A run of consecutive faces of one tile, compiled into its own display list
// so that drawing the visible pieces in piece order keeps the file's face order.
struct TerrainPiece {
    int first_face;  // 0-based; always even, so a -q pair never straddles two pieces
    int face_end;    // one past the last face; > first_face
    int tile;        // index into terrain_tiles
};

extern unsigned int terrain_list;   // GL list calling every piece's list in face order (draws the whole terrain); 0 before the first compile
extern int terrain_primitive;       // PRIMITIVE_TRIANGLES (2) or PRIMITIVE_QUADS (1)
extern int render_mode;             // RENDER_FILLED 3, RENDER_WIRE_FRAME 1, RENDER_POINT_CLOUD 2; others draw nothing
extern int textures_on;             // 1: the terrain is drawn with its texture
extern int average_normals;         // 1: corners carry averaged vertex normals; 0: faces carry their face normal
extern float exaggeration;          // read-out of the vertical exaggeration; +-0.25 per step the heights take
extern long terrain_faces_compiled; // faces emitted by the last compile, full or partial (tests read it)

extern TerrainTile* terrain_tiles;         // terrain_tile_count tiles; null when there are no faces
extern int terrain_tile_count;             // >= 0
extern TerrainPiece* terrain_pieces;       // terrain_piece_count pieces in face order, covering every face once
extern int terrain_piece_count;            // >= 0; at most the face count
extern int* terrain_tile_pieces;           // terrain_piece_count piece numbers grouped by tile
extern unsigned char* terrain_tile_visible; // per tile: 1 if its box met the frustum of the last draw
extern unsigned int terrain_piece_lists;   // list name of piece 0; piece i is terrain_piece_lists + i; 0 when none
extern int terrain_tile_faces;             // faces a tile should hold at the next full rebuild; >= 2 (tests and benchmarks lower it)
extern float terrain_tile_size;            // side of a square tile, world units; 0 when the tiles are runs of faces
extern int terrain_tiles_compiled;         // tiles compiled by the last rebuild, full or partial (tests read it)
extern long terrain_draws_done;            // calls of draw_visible_terrain so far (numbers their held fences)
extern long terrain_pieces_drawn;          // pieces called by the last draw of the visible tiles (tests read it)
extern int terrain_tail_set;               // 1: the whole terrain leaves a current normal and texture coordinate behind
extern float terrain_tail_normal[3];       // the normal the last emitted corner of the whole terrain leaves current
extern float terrain_tail_texcoord[2];     // the texture coordinate it leaves current (t already flipped)

// Frees the tiles and pieces (the lists are the GL side's).
void free_terrain_tiles();

// Puts every variable of the group back to its start value: frees the tile
// arrays and forgets the list names without deleting the lists (where a GL
// context holds them, release_terrain first). terrain_draws_done keeps counting.
void reset_terrain_draw_state();
