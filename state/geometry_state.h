// The geometry layer (GeometryLayer): placed spheres, cones and billboards.
//
// Owns: geometry_items, geometry_item_count.
// Lifetime: empty at start; grows by placing and replicating; replaced by a
// loaded .vec file.
// Writers: geometry/ (the layer's operations, the .vec reader) and the
// size digits (input/key_edits.cpp).
#pragma once

constexpr int MAX_GEOMETRY_ITEMS = 5000;
constexpr int GEOMETRY_SPHERE = 0;
constexpr int GEOMETRY_CONE = 1;
constexpr int GEOMETRY_BILLBOARD = 4;

struct GeometryItem {
    int kind;          // 0 sphere, 1 cone, 4 billboard; others draw nothing
    float x, y, z;     // position, world units
    float rx, ry, rz;  // rotation about x, y, z, degrees
    int texture;       // billboard picture 0..2; 0 for other kinds
    float size;        // radius (sphere, cone base); billboard scale is size / 5
};

extern GeometryItem geometry_items[MAX_GEOMETRY_ITEMS];  // entries 0 .. geometry_item_count - 1 in use
extern int geometry_item_count;                          // 0..MAX_GEOMETRY_ITEMS

// Empties the layer.
void reset_geometry_state();
