// Fuzz target: the start-up dialogue and its Config Utility, answered by the
// input as a console would answer them (the whole input is what stdin holds).
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/startup.h"
#include "fuzz/fuzz_support.h"
#include "state/app_state.h"
#include "state/texture_state.h"

namespace {

bool is_terminated(const char* text, size_t size) { return memchr(text, '\0', size) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Values no answer gives, so that an answer that sets nothing shows.
    memset(terrain_file_name, 'x', sizeof terrain_file_name);
    memset(texture_file_name, 'x', sizeof texture_file_name);
    texture_width = texture_height = texture_components = -1;

    // fmemopen refuses an empty buffer; an empty console is a closed one.
    static const uint8_t nothing[1] = {0};
    FILE* in = fmemopen((void*)(size ? data : nothing), size ? size : 1, "r");
    fuzz_require(in != nullptr, "the answers open as a stream");
    if (size == 0) fgetc(in);
    run_start_dialogue(in);
    fclose(in);

    fuzz_require(is_terminated(terrain_file_name, sizeof terrain_file_name) &&
                     is_terminated(texture_file_name, sizeof texture_file_name),
                 "both file names end inside their buffers");
    const int side = texture_width;
    fuzz_require(texture_height == side && (side == 256 || side == 512 || side == 1024 || side == 2048),
                 "the texture is one of the four square sizes");
    fuzz_require(texture_components == 1 || texture_components == 3, "the texture is colour or greyscale");
    if (size == 0 || data[0] != 'n') {
        fuzz_require(strcmp(terrain_file_name, "Default.obj") == 0 && strcmp(texture_file_name, "Default.raw") == 0 &&
                         side == 256 && texture_components == 3,
                     "any first answer but n starts with the defaults");
    } else {
        fuzz_require(!strchr(terrain_file_name, '\n') && !strchr(texture_file_name, '\n'),
                     "a name is one line of the console");
    }
    return 0;
}
