// Fuzz target: the .flt reader, then a whole playback of what it accepted
// through the frame's camera step (the float-to-int conversions of playback).
#include <cstdint>
#include <string>

#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "fuzz/fuzz_support.h"
#include "state/flythrough_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = write_fuzz_file("input.flt", data, size);
    char error[FLYTHROUGH_ERROR_SIZE];
    int frames = read_flythrough_file(path.c_str(), error, sizeof error);
    if (frames <= 0) return 0;
    fuzz_require(frames <= FLYTHROUGH_CAPACITY, "a loaded flight fits the sample buffer");
    begin_playback(frames);
    int steps = 0;
    while (mode_playback) {
        step_frame_camera();
        fuzz_require(++steps <= frames + 1, "a playback of N samples ends after N + 1 frames");
    }
    return 0;
}
