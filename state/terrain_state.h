// The loaded terrain mesh (TerrainMesh): vertex and face arrays, counts, extents.
//
// Owns: terrain_vertices, terrain_faces, their counts and the six extents.
// Lifetime: empty until the start-up load; replaced whole by each successful
// load (a refused file leaves the previous mesh in place).
// Writers: terrain/terrain_mesh.cpp installs each loaded mesh and scales
// every y (the exaggeration steps); mesh editing (terrain/mesh_edit.cpp)
// moves vertices; each of them bumps terrain_revision. release_terrain
// (terrain/terrain_list_gl.cpp) frees the mesh at exit.
#pragma once

constexpr int MAX_VERTEX_FACES = 8;  // faces a vertex may belong to

struct TerrainVertex {
    float x, y, z;                 // position, world units
    float s, t;                    // texture coordinate from the matching "vt" line
    int faces[MAX_VERTEX_FACES];   // 0-based numbers of the faces using this vertex, file order
    int face_count;                // entries used in faces; 0..8
    float nx, ny, nz;              // averaged unit normal; zero for an unused vertex
};

struct TerrainCorner {
    int vertex;    // 1-based vertex record giving the position; 1..terrain_vertex_count
    int texcoord;  // 1-based vertex record giving s, t; 1..terrain_vertex_count
    int normal;    // 1-based vertex record giving the normal; 1..terrain_vertex_count
};

struct TerrainFace {
    TerrainCorner corners[3];  // corner 0 first, as in the file
    float nx, ny, nz;          // unit face normal; zero for a degenerate face
};

extern TerrainVertex* terrain_vertices;  // terrain_vertex_count records; null before the first load
extern TerrainFace* terrain_faces;       // terrain_face_count records; null before the first load
extern int terrain_vertex_count;         // number of "v " lines of the loaded file; >= 0
extern int terrain_face_count;           // number of "f " lines of the loaded file; >= 0
extern float terrain_min_x, terrain_max_x;  // extent in x; always contains 0
extern float terrain_min_y, terrain_max_y;  // extent in y (height); always contains 0
extern float terrain_min_z, terrain_max_z;  // extent in z; always contains 0
extern long terrain_revision;            // grows with every change of the mesh or its vertex positions; caches compare it

// Frees the mesh arrays and puts counts and extents back to 0; terrain_revision
// grows instead, so no cache of an earlier mesh matches a later one.
void reset_terrain_state();
