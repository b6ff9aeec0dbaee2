// Window, start-up choices and the fixed light.
//
// Owns: the window size and full-screen flag, the file names chosen in the
// start-up dialogue, the GLUT menu ids and the four GL_LIGHT0 parameters.
// Lifetime: set during start-up; the window size follows every reshape.
// Writers: the start-up dialogue (app/startup.cpp) and the defaults it and
// the flight renderer take (frame/scene_init.cpp): the file names; the window
// (app/window_gl.cpp) and every reshape (frame/reshape.cpp): the sizes;
// the menus (app/menus_gl.cpp): the menu ids; each load's terrain settings
// (terrain/terrain_mesh.cpp) move light0_position; the light keys
// (input/key_edits.cpp, 'K' in input/keyboard.cpp) change the light.
// Also home of fatal_error, the exit of every start-up failure.
#pragma once

constexpr int FILE_NAME_SIZE = 52;  // bytes of the start-up file name buffers

extern int window_width;   // picture width in pixels; 200 until start-up, then screen width, then 1024, then each reshape
                           // (one eye's picture in the full side-by-side and top-bottom modes)
extern int window_height;  // picture height in pixels; as window_width
extern int drawable_width;   // the window's (or the offscreen frame's) own width in pixels at the last reshape; 200 before
extern int drawable_height;  // its height in pixels; as drawable_width
extern int full_screen;    // 1 when the screen is exactly 1024 x 768; else 0

extern char terrain_file_name[FILE_NAME_SIZE];  // terrain model loaded at start-up; NUL-terminated
extern char texture_file_name[FILE_NAME_SIZE];  // raw texture loaded at start-up; NUL-terminated

extern int dem_menu;         // GLUT menu id of the DEM submenu; 0 until built
extern int drape_menu;       // GLUT menu id of the Raster submenu
extern int map_menu;         // GLUT menu id of the Map submenu
extern int flythrough_menu;  // GLUT menu id of the Flythrough submenu
extern int vector_menu;      // GLUT menu id of the Vector submenu
extern int file_menu;        // GLUT menu id of the File submenu

// Parts of the light, or-ed together to say which changed.
enum LightPart { LIGHT_POSITION = 1, LIGHT_AMBIENT = 2, LIGHT_DIFFUSE = 4, LIGHT_SPECULAR = 8 };
constexpr int LIGHT_ALL = LIGHT_POSITION | LIGHT_AMBIENT | LIGHT_DIFFUSE | LIGHT_SPECULAR;

extern float light0_position[4];  // GL_LIGHT0 position; (0, terrain top + 50, 0, 1) after a load
extern float light0_ambient[4];   // GL_LIGHT0 ambient and light-model ambient; 0..1 each
extern float light0_diffuse[4];   // GL_LIGHT0 diffuse; 0..1 each
extern float light0_specular[4];  // GL_LIGHT0 specular; 0..1 each

// Puts every variable of the group back to its start value (window 200 x 200,
// no file names or menus, the light at 10, 10, 10). Forgets the menu ids.
void reset_app_state();

// The one fatal exit: prints the message, waits for one character from the
// console so the user can read it, then ends the process with status 1.
[[noreturn]] void fatal_error(const char* format, ...);
