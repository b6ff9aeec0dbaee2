// The geometry layer (GeometryLayer): placed spheres, cones and billboards.
//
// Owns: geometry_items, geometry_item_count.
// Lifetime: empty at start; grows by placing and replicating; replaced by a
// loaded .vec file.
// Writers: geometry/ (the layer's operations, the .vec reader) and the
// size digits (input/key_edits.cpp).
#pragma once

#include "files/geometry_text.h"  // GeometryItem, MAX_GEOMETRY_ITEMS and the kinds

extern GeometryItem geometry_items[MAX_GEOMETRY_ITEMS];  // entries 0 .. geometry_item_count - 1 in use
extern int geometry_item_count;                          // 0..MAX_GEOMETRY_ITEMS

// Empties the layer.
void reset_geometry_state();
