// Fuzz target: the .vec reader, and a write and read back of every layer it
// accepted, which must give the same items.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "geometry/geometry_file.h"
#include "state/geometry_state.h"

namespace {

GeometryItem first_read[MAX_GEOMETRY_ITEMS];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = write_fuzz_file("input.vec", data, size);
    char error[GEOMETRY_ERROR_SIZE];
    int before = geometry_item_count;
    int count = read_geometry_layer(path.c_str(), error, sizeof error);
    if (count < 0) {
        fuzz_require(geometry_item_count == before, "a refused layer leaves the items as they were");
        return 0;
    }
    fuzz_require(count == geometry_item_count && count <= MAX_GEOMETRY_ITEMS, "the layer holds what was read");
    for (int i = 0; i < count; ++i) first_read[i] = geometry_items[i];
    std::string copy = fuzz_scratch_dir() + "/copy.vec";
    fuzz_require(write_geometry_layer(copy.c_str(), error, sizeof error), "an accepted layer can be written");
    fuzz_require(read_geometry_layer(copy.c_str(), error, sizeof error) == count, "a written layer reads back whole");
    for (int i = 0; i < count; ++i) {
        fuzz_require(geometry_items[i].kind == first_read[i].kind && geometry_items[i].texture == first_read[i].texture,
                     "kinds and pictures survive a save and load");
    }
    return 0;
}
