// Sky box and fog switches and distances.
//
// Owns: panoramic_sky_on, skybox_list, fog_on, fog_start, fog_end.
// Lifetime: the switches start off; fog_end follows every terrain load.
// Writers: the 's' key, the view tray and the flight renderer
// (input/keyboard.cpp, overlay/tray_actions.cpp, video/): panoramic_sky_on;
// the fog switch (scene/sky.cpp): fog_on; building the sky box
// (scene/sky_gl.cpp): skybox_list; each load's terrain settings
// (terrain/terrain_mesh.cpp): fog_end. fog_start never changes.
#pragma once

extern int panoramic_sky_on;        // 1: the frame pass draws the sky box
extern unsigned int skybox_list;    // GL display list of the sky box; 0 until built
extern int fog_on;                  // 1 while GL_FOG is enabled
extern float fog_start;             // distance where linear fog begins, world units
extern float fog_end;               // distance where fog is complete; 5/6 of the terrain's largest x after a load

// Puts the switches and distances back to their start values; skybox_list,
// made once for the GL context, stays.
void reset_sky_state();
