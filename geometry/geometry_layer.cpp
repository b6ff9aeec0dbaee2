// The geometry layer's elementary operations (no GL).
#include "geometry/geometry_layer.h"

#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"

constexpr float NEW_ITEM_SIZE = 5.0f;

int append_geometry_item(int kind, float x, float y, float z, float rx, float ry, float rz, float size, int texture) {
    if (geometry_item_count >= MAX_GEOMETRY_ITEMS) return -1;
    int i = geometry_item_count++;
    geometry_items[i] = GeometryItem{kind, x, y, z, rx, ry, rz, kind == GEOMETRY_BILLBOARD ? texture : 0, size};
    return i;
}

int add_geometry_item(int kind, float x, float y, float z) {
    return append_geometry_item(kind, x, y, z, 0.0f, 0.0f, 0.0f, NEW_ITEM_SIZE, augment_billboard);
}

bool is_geometry_item(int i) { return i >= 0 && i < geometry_item_count; }

int replicate_selected() {
    if (!is_geometry_item(selected_item)) return -1;
    int made = 0;
    const int q = replicate_quantity;
    const bool billboard = geometry_items[selected_item].kind == GEOMETRY_BILLBOARD;
    for (int n = billboard ? 1 : 0; billboard ? n <= q : n < q; ++n) {
        // The selected item's fields are read anew for every copy.
        const GeometryItem s = geometry_items[selected_item];
        float step = (float)n;
        int copy = add_geometry_item(s.kind, s.x + step * replicate_offset[0], s.y + step * replicate_offset[1],
                                     s.z + step * replicate_offset[2]);
        if (copy < 0) break;
        if (billboard) geometry_items[copy].texture = s.texture;
        ++made;
    }
    replicate_mode = 0;
    return made;
}

void move_geometry_item(int i, float dx, float dy, float dz) {
    if (!is_geometry_item(i)) return;
    geometry_items[i].x += dx;
    geometry_items[i].y += dy;
    geometry_items[i].z += dz;
}

void rotate_geometry_item(int i, float drx, float dry, float drz) {
    if (!is_geometry_item(i)) return;
    geometry_items[i].rx += drx;
    geometry_items[i].ry += dry;
    geometry_items[i].rz += drz;
}
