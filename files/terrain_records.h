// The records a terrain model file is read into: vertices with their face
// lists and normals, faces with their corner numbers (no GL).
#pragma once

constexpr int MAX_VERTEX_FACES = 8;  // faces a vertex may belong to; a file with more is refused

struct TerrainVertex {
    float x, y, z;                 // position, world units
    float s, t;                    // texture coordinate from the matching "vt" line
    int faces[MAX_VERTEX_FACES];   // 0-based numbers of the faces using this vertex, file order
    int face_count;                // entries used in faces; 0..8
    float nx, ny, nz;              // averaged unit normal; zero for an unused vertex
};

struct TerrainCorner {
    int vertex;    // 1-based vertex record giving the position; 1..vertex count
    int texcoord;  // 1-based vertex record giving s, t; 1..vertex count
    int normal;    // 1-based vertex record giving the normal; 1..vertex count
};

struct TerrainFace {
    TerrainCorner corners[3];  // corner 0 first, as in the file
    float nx, ny, nz;          // unit face normal; zero for a degenerate face
};
