// Drawing the navigation overlay and the text read-outs over the scene.
#pragma once

// Pixel coordinates, origin top left, y down: pushes the projection.
void begin_overlay_2d();
// Pops the projection pushed by begin_overlay_2d.
void end_overlay_2d();

// Draws text at pixel (x, y) with a GLUT bitmap font; no wrapping or clipping.
void draw_text(float x, float y, void* font, const char* text);

// The disk, the tray panels and the handles, in eye space under the scene's
// projection with the modelview at the identity. Leaves lighting off (the
// frame turns it on next) and texturing as textures_on says.
void draw_navigation_overlay();

// Each read-out leaves lighting on and texturing as textures_on says.
void draw_fps_readout();     // frame rate and eye height (or a moved item's position), every frame
void draw_light_readout();   // the light's position and colours, while light editing is on
void draw_edit_readout();    // the current edit mode's values, or the file-name prompt
void draw_filename_prompt(); // "Enter FileName: ..." while a name is typed
void draw_message_line();    // message_text at the bottom left, while message_visible
