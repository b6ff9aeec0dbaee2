// The whole viewer state at once: the three lifetimes' resets.
#include "state/viewer_state.h"

#include "state/session_state.h"
#include "state/view_state.h"
#include "state/world_state.h"

void reset_viewer_state() {
    reset_session_state();
    reset_world_state();
    reset_view_state();
}
