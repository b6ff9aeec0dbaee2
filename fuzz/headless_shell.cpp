// The GL work of the *_gl.cpp files left out, for the fuzz driver: every
// operation the callbacks call that would draw, upload or talk to GLUT is
// replaced by one that does nothing but read what the GL call would read (a
// texture's bytes, a list's corners), so that the sanitizers see what GL
// would have been given. The state halves of the switches are the program's
// own (they live outside the *_gl.cpp files).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/asset_menus.h"
#include "camera/camera.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "frame/shutdown.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/headless_shell.h"
#include "gl/frame_capture.h"
#include "gl/upload.h"
#include "input/mouse.h"
#include "overlay/readouts.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/terrain_list.h"
#include "terrain/texture.h"

constexpr int FRAME_MS = 20;  // the clock the frame-rate read-out is given moves this much a frame

int shell_modifier_keys;

namespace {

volatile unsigned sink;      // keeps the reads below from being optimised away
volatile float float_sink;  // the same for floats (any value, negative ones too)

void read_corner(const TerrainCorner& c) {
    fuzz_require(c.vertex >= 1 && c.vertex <= terrain_vertex_count && c.texcoord >= 1 &&
                     c.texcoord <= terrain_vertex_count && c.normal >= 1 && c.normal <= terrain_vertex_count,
                 "a compiled corner names a vertex of the mesh");
    float_sink = terrain_vertices[c.normal - 1].nx + terrain_vertices[c.texcoord - 1].s +
                 terrain_vertices[c.vertex - 1].x;
}

// The corners compile_terrain_faces emits, in its order.
void read_compiled_corners() {
    long emitted = 0;
    if (terrain_primitive == PRIMITIVE_QUADS) {
        int pairs_end = terrain_face_count - terrain_face_count % 2;
        for (int f = 0; f < pairs_end; f += 2) {
            for (const TerrainCorner& c : terrain_faces[f].corners) read_corner(c);
            read_corner(terrain_faces[f + 1].corners[1]);
        }
        emitted = terrain_face_count;
        if (pairs_end < terrain_face_count) {
            for (const TerrainCorner& c : terrain_faces[pairs_end].corners) read_corner(c);
        }
    } else {
        for (int f = 0; f < terrain_face_count; ++f) {
            for (const TerrainCorner& c : terrain_faces[f].corners) read_corner(c);
        }
        emitted = terrain_face_count;
    }
    terrain_faces_compiled = emitted;
}

}  // namespace

// The frame without its drawing: the camera's step, and the read-outs'
// texts that the overlay pass would draw (the light's, a fixed array of
// numbers, left out).
void draw_frame() {
    step_frame_camera();
    count_frame_for_readout((int)(frames_drawn * FRAME_MS));
    char lines[3][READOUT_LINE_SIZE];
    format_edit_readout(lines);
    sink = (unsigned)strlen(frame_rate_line());
    ++frames_drawn;
}

void rebuild_terrain_list(bool) { read_compiled_corners(); }

void release_terrain_lists() {}

bool read_shown_picture(unsigned char**, int*, int*, char* error, size_t error_size) {
    snprintf(error, error_size, "No window is shown");
    return false;
}

void recompile_terrain_tiles(bool) { read_compiled_corners(); }

void rebuild_terrain_tiles_for_vertices(const int* vertices, int count, bool) {
    for (int i = 0; i < count; ++i) {
        fuzz_require(vertices[i] >= 0 && vertices[i] < terrain_vertex_count, "a moved vertex is one of the mesh");
    }
    rebuild_terrain_list();
}

void upload_terrain_texture(bool) {
    size_t bytes = (size_t)texture_width * texture_height * (terrain_image_components == 3 ? 3 : 1);
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += terrain_image[i];
    sink = sum;
}

void apply_view() {}
void clear_view_matrix() {}
void send_light(int) {}
void relight_scene() {}
void rotate_drape_quarter_turn() {}
void reverse_winding_order() {}
void send_fog_switch() {}
void send_texture_switch() {}
void send_render_mode() {}

void add_asset_menu_entry(const char* name, int) { sink = (unsigned)strlen(name); }
void empty_asset_menu(int) {}

// Not a stand-in: ending the process would end the fuzzing run, so a path
// to the exit is a finding.
void exit_viewer() {
    fuzz_require(false, "the driver never asks to quit");
    abort();
}

// --- The mouse's and the reshape's GL halves ---

// The viewport is the window, as a reshape leaves it.
int window_y_up(int y) { return window_height - y - 1; }

int read_mouse_modifiers() { return shell_modifier_keys; }

// A ray straight down through the terrain's extents at the pixel's share of
// the window, so that a pick lands on a face of the mesh where there is one.
void unproject_pick_ray(int x, int y_up) {
    const double across = (double)x / (window_width > 0 ? window_width : 1);
    const double down = 1.0 - (double)y_up / (window_height > 0 ? window_height : 1);
    const double ground_x = terrain_min_x + across * (terrain_max_x - terrain_min_x);
    const double ground_z = terrain_min_z + down * (terrain_max_z - terrain_min_z);
    ray_near[0] = ray_far[0] = ground_x;
    ray_near[2] = ray_far[2] = ground_z;
    ray_near[1] = terrain_max_y + 1.0;
    ray_far[1] = terrain_min_y - 1.0;
}

void send_window_projection(int, int) {}
