// Fuzz target: a drape's info file and raw image read as a pair, then the
// texel mark on the image that loaded. The input is the info text, a NUL, the
// image bytes; the mark's (s, t) come from the input's last eight bytes. An
// empty info text leaves the info file out, an input without a NUL the image.
// The info text is also taken as a menu name whose paths are built.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "files/terrain_file.h"
#include "files/texture_file.h"
#include "fuzz/fuzz_support.h"

namespace {

// The pair lives in a Drape folder of the scratch directory, which becomes
// the working directory, so that the paths are built as a menu choice builds them.
void enter_scratch_world() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    std::string drape = fuzz_scratch_dir() + "/Drape";
    fuzz_require(mkdir(drape.c_str(), 0755) == 0 && chdir(fuzz_scratch_dir().c_str()) == 0, "scratch world made");
}

// The paths built for any menu name fit their buffers and name the info file
// after the name's first '.'.
void check_paths_of_name(const std::string& name) {
    char image_path[TEXTURE_PATH_SIZE], info_path[TEXTURE_PATH_SIZE], error[TERRAIN_ERROR_SIZE];
    int prefix = drape_paths(name.c_str(), image_path, sizeof image_path, info_path, sizeof info_path, error,
                             sizeof error);
    if (prefix < 0) return;
    const char* dot = strchr(name.c_str(), '.');
    fuzz_require(dot && prefix == dot - name.c_str() + 1, "the prefix ends at the name's first '.'");
    size_t info_length = strlen(info_path);
    fuzz_require(info_length >= 5 && strcmp(info_path + info_length - 4, "info") == 0 &&
                     strncmp(info_path + 1, name.c_str(), prefix) == 0,
                 "the info file is the name up to its first '.', then info");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    enter_scratch_world();
    const uint8_t* nul = (const uint8_t*)memchr(data, '\0', size);
    size_t info_size = nul ? (size_t)(nul - data) : size;
    size_t raw_start = nul ? info_size + 1 : size;
    std::string info_file = write_fuzz_file("Drape/input.info", data, info_size);
    std::string raw_file = write_fuzz_file("Drape/input.raw", data + raw_start, size - raw_start);
    if (info_size == 0) unlink(info_file.c_str());
    if (!nul) unlink(raw_file.c_str());
    check_paths_of_name(std::string((const char*)data, info_size));

    char image_path[TEXTURE_PATH_SIZE], info_path[TEXTURE_PATH_SIZE], error[TERRAIN_ERROR_SIZE];
    int prefix = drape_paths("/Drape/input.raw", image_path, sizeof image_path, info_path, sizeof info_path, error,
                             sizeof error);
    fuzz_require(prefix == 13, "the menu path has its extension after 13 characters");
    int width = 0, height = 0, components = 0;
    if (!read_info_file(info_path, &width, &height, &components, error, sizeof error)) return 0;
    unsigned char* pixels = nullptr;
    if (!read_raw_image(image_path, width, height, components, &pixels, error, sizeof error)) {
        fuzz_require(pixels == nullptr, "a refused image leaves nothing behind");
        return 0;
    }
    float st[2] = {0.5f, 0.5f};
    if (size >= sizeof st) memcpy(st, data + size - sizeof st, sizeof st);
    long offset = -1;
    if (paint_texel_white(pixels, width, height, components, st[0], st[1], &offset)) {
        size_t bytes = (size_t)width * height * (components == 3 ? 3 : 1);
        fuzz_require(offset >= 0 && (size_t)offset < bytes, "the marked texel is in the image");
    }
    free(pixels);
    return 0;
}
