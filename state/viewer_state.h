// The whole viewer state at once: every group's reset.
#pragma once

// Puts every state group back to its start value, as the process starts (see
// each group's reset for what it frees and which GL names it forgets or keeps).
void reset_viewer_state();
