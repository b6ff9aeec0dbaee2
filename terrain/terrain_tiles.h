// Cutting the terrain into tiles and pieces, their boxes, and the view frustum
// test that decides which tiles a frame draws. No GL: the list code and the
// tests call these.
#pragma once

#include "state/world_state.h"

// The six planes of a clip volume in the object coordinates of the matrices
// it was made from; a point p is inside plane i when
// plane[i][0] p.x + plane[i][1] p.y + plane[i][2] p.z + plane[i][3] >= 0.
struct TerrainFrustum {
    double plane[6][4];  // left, right, bottom, top, near, far
    double scale[6][4];  // the same sums over absolute values, bounding the rounding of the GL's own transform
};

// Cuts the installed mesh (terrain_vertices, terrain_faces) into tiles of
// about `faces_per_tile` faces and their pieces, replacing the previous ones,
// with boxes from the current positions. Faces are taken in pairs (f, f + 1)
// that always share a tile. When the file's face order scatters each square
// over many short runs, a terrain drawn with levels (terrain_levels_wanted)
// still gets its squares, each one piece of terrain_face_order; one drawn
// exactly gets runs of consecutive faces, keeping the file's order.
// Returns false, with no tiles, if memory runs out.
bool build_terrain_tiles(int faces_per_tile);

// The face at place `place` of the pieces' order (the face itself when the
// pieces run over the faces).
inline int terrain_piece_face(int place) { return terrain_face_order ? terrain_face_order[place] : place; }

// Recomputes a tile's box from the current positions of its faces' corners.
void refresh_terrain_tile_box(int tile);

// refresh_terrain_tile_box for every tile (on every core).
void refresh_terrain_tile_boxes();

// The tile holding `face`, or -1 for a face outside the mesh.
int terrain_face_tile(int face);

// Sets marks[t] = 1 for every tile t holding a face that uses one of the
// `count` vertex records in `vertices` (0-based; others are ignored) as a
// corner position. Returns how many tiles it newly marked.
int mark_terrain_tiles_for_vertices(const int* vertices, int count, unsigned char* marks);

// The frustum of clip = projection x modelview (column-major, as GL returns
// them), with the side planes moved outwards by margin_x and margin_y in
// normalised device units, so that points and lines wider than a pixel are
// not lost at the edges.
void make_terrain_frustum(const double projection[16], const double modelview[16], double margin_x,
                          double margin_y, TerrainFrustum* frustum);

// False only when the box lies wholly outside one plane by more than the
// GL's rounding could move it: such a box draws nothing.
bool box_meets_frustum(const TerrainFrustum* frustum, const float lo[3], const float hi[3]);

// Sets terrain_tile_visible for every tile against `frustum` (unbounded tiles
// are always visible, empty ones never). Returns the number visible.
int mark_visible_terrain_tiles(const TerrainFrustum* frustum);
