// Fog (and, with the sky box, the panoramic sky).
#pragma once

// Sends every fog parameter to GL: linear, grey, fog_start .. fog_end.
void apply_fog_settings();

// Flips fog_on with GL_FOG; switching on sends the current distances.
void toggle_fog();
