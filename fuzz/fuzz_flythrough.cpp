// Fuzz target: the .flt reader, then a whole playback of what it accepted
// through the frame's camera step (the float-to-int conversions of playback);
// and the .ride reader (input that starts as a ride), then what the renderer
// makes of a ride: its story laid out, poses and read-outs along it.
#include <cstdint>
#include <cstring>
#include <string>

#include "files/ride_text.h"
#include "video/render_options.h"
#include "video/ride_story.h"

#include "flythrough/flythrough_file.h"
#include "flythrough/frame_modes.h"
#include "fuzz/fuzz_support.h"
#include "state/flythrough_state.h"

namespace {

void fuzz_ride(const uint8_t* data, size_t size) {
    Ride ride;
    std::string error;
    if (!parse_ride_text(reinterpret_cast<const char*>(data), size, "input.ride", &ride, &error)) {
        fuzz_require(ride.frames.empty() && ride.x.empty(), "a refused ride leaves nothing read");
        return;
    }
    fuzz_require(ride.x.size() >= 2 && ride.s.size() == ride.x.size() && ride.t.size() == ride.x.size() &&
                     ride.on_track.size() + 1 == ride.x.size() && !ride.frames.empty(),
                 "an accepted ride has a route and frames");
    const RideStory story = lay_out_ride_story(ride, 64, 36, 0);
    const int frames = count_ride_frames(ride, 30);
    std::string lines[STORY_READOUT_LINES];
    for (int k = 0; k < frames; k += 1 + frames / 16) {
        const RideFrame f = interpolate_ride_frame(ride, k / 30.0);
        fuzz_require(f.along >= 0.0 && f.along <= ride.s.back(), "the rider stays on the route");
        format_ride_readouts(ride, f.along, lines);
        float rider[3];
        fuzz_require(count_route_travelled(story, f.along, rider) <= story.line_s.size(),
                     "the ridden part is part of the route");
        fuzz_require(count_profile_travelled(story, f.along) <= story.profile.size() / 2, "and of the profile");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 15 && std::memcmp(data, "kestrolane ride", 15) == 0) {
        fuzz_ride(data, size);
        return 0;
    }
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
