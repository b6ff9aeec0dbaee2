// Reshaping the terrain by hand: moving the picked vertex, edge or face (no
// GL; the callers rebuild the display list).
#pragma once

constexpr int MAX_MOVED_VERTICES = 18;  // the most vertices one edit moves (six faces of three corners)

// The vertices (0-based) that one edit moved, so that only their part of the
// terrain needs compiling again.
struct MovedVertices {
    int vertex[MAX_MOVED_VERTICES];
    int count;
};

enum MeshEditTarget { MESH_EDIT_VERTEX, MESH_EDIT_LINE, MESH_EDIT_FACE };

// Moves each of the face's three corner vertices, corner 0 first, by
// edit_amount times the face's normal (x of all three, then y, then z).
// A face outside the mesh (or an empty mesh) is left alone; returns whether
// anything moved. The moved vertices are added to `moved` when given.
bool extrude_face(int face, MovedVertices* moved = nullptr);

// The same with -edit_amount.
bool depress_face(int face, MovedVertices* moved = nullptr);

// Digits 1-6 and 8, 9 in the vertex, line and face edit modes, on the picked
// face: 1-3 add edit_amount to x, y, z, 4-6 subtract it; 8 moves along the
// normal (the vertex's own averaged normal, or the face's normal in face
// mode) by +edit_amount, 9 by -edit_amount. The markers of the moved corners
// follow (only the changed axis for 1-6). Normals are not recomputed. Nothing
// moves for another digit, a picked face outside the mesh, or an empty mesh;
// returns whether anything moved, with the vertices in `moved`.
bool edit_picked_mesh(MeshEditTarget target, int digit, MovedVertices* moved);
