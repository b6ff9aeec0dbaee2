// The geometry layer's .vec file: the layer of the geometry state written and read whole.
#include "geometry/geometry_file.h"

#include "files/geometry_text.h"
#include "state/geometry_state.h"

bool write_geometry_layer(const char* path, char* error, size_t error_size) {
    return write_geometry_text(path, geometry_items, geometry_item_count, error, error_size);
}

int read_geometry_layer(const char* path, char* error, size_t error_size) {
    int count = read_geometry_text(path, geometry_items, error, error_size);
    if (count >= 0) geometry_item_count = count;
    return count;
}
