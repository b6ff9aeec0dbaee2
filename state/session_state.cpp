// Definitions of the session's options; reset_session_state resets them and
// every group that lives as long.
#include "state/session_state.h"

#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/capture_state.h"
#include "state/encoder_state.h"
#include "state/frame_state.h"
#include "state/gl_state.h"
#include "state/level_work_state.h"
#include "state/render_state.h"

float terrain_lod_error;
int terrain_lod_forced;
int terrain_tile_faces;
int level_cache_min_faces;
long terrain_exact_face_budget;
int terrain_exact_waits;

namespace {

void reset_session_options() {
    terrain_lod_error = LOD_DEFAULT_ERROR;
    terrain_lod_forced = 0;
    terrain_tile_faces = TERRAIN_TILE_FACES;
    level_cache_min_faces = LOD_DEFAULT_MIN_FACES;
    terrain_exact_face_budget = TERRAIN_EXACT_FACE_BUDGET;
    terrain_exact_waits = 0;
}

// The start values hold from before main.
[[maybe_unused]] const bool session_options_started = (reset_session_options(), true);

}  // namespace

void reset_session_state() {
    reset_session_options();
    reset_app_state();
    reset_asset_state();
    reset_frame_state();
    reset_capture_state();
    reset_encoder_state();
    reset_level_work_state();
    reset_gl_state();
    reset_render_state();
}
