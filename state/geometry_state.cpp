// Definitions of the geometry layer; reset_geometry_state gives every start value.
#include "state/geometry_state.h"

#include <cstring>

GeometryItem geometry_items[MAX_GEOMETRY_ITEMS];
int geometry_item_count;

void reset_geometry_state() {
    memset(geometry_items, 0, sizeof geometry_items);
    geometry_item_count = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool geometry_state_started = (reset_geometry_state(), true);
