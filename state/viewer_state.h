// The whole viewer state at once, by how long it lives: the session (the
// whole run), the loaded world (one terrain) and the view.
#pragma once

// Puts every state group back to its start value, as the process starts:
// reset_session_state, reset_world_state and reset_view_state (see each for
// what it frees and which GL names it forgets without deleting).
void reset_viewer_state();
