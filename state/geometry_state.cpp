// Definitions of the geometry layer.
#include "state/geometry_state.h"

GeometryItem geometry_items[MAX_GEOMETRY_ITEMS];
int geometry_item_count = 0;
