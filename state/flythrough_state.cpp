// Definitions of the flythrough mode flags.
#include "state/flythrough_state.h"

int mode_normal = 1;
int mode_record = 0;
int mode_playback = 0;
