// Definitions of the sky and fog state.
#include "state/sky_state.h"

int panoramic_sky_on = 0;
unsigned int skybox_list = 0;
int fog_on = 0;
float fog_start = 1.0f;
float fog_end = 500.0f;
