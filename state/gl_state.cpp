// Definitions of the session's GL and X objects; reset_gl_state gives every
// start value.
#include "state/gl_state.h"

GlEyeMix gl_eye_mix;
GlListWorker gl_list_worker;
bool gl_list_worker_x_error;
int frame_report_switch;
Atom frame_report_atom;
std::vector<TerrainDrawFence> terrain_draw_fences;

namespace {

void start_gl_state() {
    gl_list_worker = GlListWorker();
    gl_eye_mix = GlEyeMix();
    gl_list_worker_x_error = false;
    frame_report_switch = -1;
    frame_report_atom = None;
}

// The start values hold from before main.
[[maybe_unused]] const bool gl_state_started = (start_gl_state(), true);

}  // namespace

void reset_gl_state() {
    gl_list_worker_x_error = false;
    terrain_draw_fences.clear();
}
