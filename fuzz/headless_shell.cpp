// The GL work of the *_gl.cpp files left out, for the fuzz driver: every
// operation the callbacks call that would draw, upload or talk to GLUT is
// replaced by one that does nothing but read what the GL call would read (a
// texture's bytes, a list's corners), so that the sanitizers see what GL
// would have been given. The state halves of the switches are the program's
// own (they live outside the *_gl.cpp files).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/asset_menus.h"
#include "camera/camera.h"
#include "files/normal_map.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "frame/shutdown.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/headless_shell.h"
#include "gl/frame_capture.h"
#include "gl/list_worker.h"
#include "gl/upload.h"
#include "input/mouse.h"
#include "overlay/readouts.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/session_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/level_shading.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_tiles.h"
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

// The tiles hold every face of the mesh as it is now (the viewer's check
// also asks for compiled lists, which the shell has none of).
bool shell_tiles_match_mesh() {
    return terrain_piece_count > 0 && terrain_pieces[terrain_piece_count - 1].face_end == terrain_face_count;
}

unsigned next_list_name = 1;  // the names compile_level_lists hands out

}  // namespace

// The frame without its drawing: the camera's step, the levels' choice and
// what the draw would call for each tile, and the read-outs' texts that the
// overlay pass would draw (the light's, a fixed array of numbers, left out).
void draw_frame() {
    step_frame_camera();
    choose_terrain_levels();
    ++terrain_draws_done;
    for (int t = 0; t < terrain_tile_count; ++t) {
        unsigned list = 0;
        long faces = 0;
        if (terrain_tile_drawn_by_level(t, terrain_draws_done, &list, &faces)) {
            fuzz_require(faces >= 0, "a level's faces are counted");
            fuzz_require(terrain_tile_level(t) > 0, "a tile drawn by a level has a level");
        }
    }
    count_frame_for_readout((int)(frames_drawn * FRAME_MS));
    char lines[3][READOUT_LINE_SIZE];
    format_edit_readout(lines);
    sink = (unsigned)strlen(frame_rate_line());
    ++frames_drawn;
}

// The tiles are cut and their levels built as the viewer does; only the
// lists are not compiled.
void rebuild_terrain_list(bool) {
    stop_terrain_levels();
    if (!build_terrain_tiles(terrain_tile_faces)) build_terrain_tiles(terrain_face_count + 1);
    read_compiled_corners();
    terrain_tiles_compiled = terrain_tile_count;
    start_terrain_levels();
}

void release_terrain_lists() { stop_terrain_levels(); }

// The shell compiles no own-face lists: it never keeps them on demand.
long compile_terrain_tile_lists(int, int, bool) { return 0; }
void empty_terrain_tile_lists(int) {}

bool read_shown_picture(unsigned char**, int*, int*, char* error, size_t error_size) {
    snprintf(error, error_size, "No window is shown");
    return false;
}

void recompile_terrain_tiles(bool) {
    if (!shell_tiles_match_mesh()) {
        rebuild_terrain_list(false);
        return;
    }
    refresh_terrain_tile_boxes();
    read_compiled_corners();
    recompile_terrain_levels();
}

void rebuild_terrain_tiles_for_vertices(const int* vertices, int count, bool) {
    for (int i = 0; i < count; ++i) {
        fuzz_require(vertices[i] >= 0 && vertices[i] < terrain_vertex_count, "a moved vertex is one of the mesh");
    }
    if (!shell_tiles_match_mesh()) {
        rebuild_terrain_list(false);
        return;
    }
    std::vector<unsigned char> marks((size_t)terrain_tile_count, 0);
    mark_terrain_tiles_for_vertices(vertices, count, marks.data());
    for (int t = 0; t < terrain_tile_count; ++t) {
        if (!marks[t]) continue;
        refresh_terrain_tile_box(t);
        rebuild_terrain_tile_levels(t);
    }
    read_compiled_corners();
}

// --- The levels' GL half: names without lists, and the view of the camera ---

unsigned compile_level_lists(const std::vector<LevelDrawing>& drawings, int) {
    float sum = 0.0f;
    for (const LevelDrawing& d : drawings)
        for (const LevelCorner& c : d.corners) sum += c.position[0] + c.normal[1] + c.texcoord[0];
    float_sink = sum;
    unsigned first = next_list_name;
    next_list_name += (unsigned)drawings.size();
    return drawings.empty() ? 0 : first;
}

void finish_level_lists() {}

// The levels' lighting: the map is laid out (so that hostile meshes reach
// the layout) and never sent anywhere.
void lay_out_level_shading() {
    TerrainNormalMap map;
    build_terrain_normal_map(terrain_vertices, terrain_vertex_count, terrain_faces, terrain_face_count, 256, &map);
}

void update_level_shading_for_vertices(const int*, int) {}

void drop_level_shading() {}

void begin_level_shading() {}

void end_level_shading() {}

void delete_level_lists(unsigned, int) {}

// A 60 degree perspective looking along the camera's direction from its eye,
// as the frame's projection and view would be.
void read_level_view(double projection[16], double modelview[16], int* viewport_height) {
    const double aspect = (double)window_width / (window_height > 0 ? window_height : 1);
    const double f = 1.0 / tan(M_PI / 6.0), near_z = 1.0, far_z = 100000.0;
    for (int i = 0; i < 16; ++i) projection[i] = modelview[i] = 0.0;
    projection[0] = f / aspect;
    projection[5] = f;
    projection[10] = (far_z + near_z) / (near_z - far_z);
    projection[11] = -1.0;
    projection[14] = 2.0 * far_z * near_z / (near_z - far_z);
    double look[9];
    camera_look_at(look);  // eye, target, up
    double fwd[3] = {look[3] - look[0], look[4] - look[1], look[5] - look[2]};
    double length = sqrt(fwd[0] * fwd[0] + fwd[1] * fwd[1] + fwd[2] * fwd[2]);
    if (!(length > 0.0)) fwd[0] = 0, fwd[1] = 0, fwd[2] = -1, length = 1.0;
    for (double& v : fwd) v /= length;
    double side[3] = {fwd[1] * look[8] - fwd[2] * look[7], fwd[2] * look[6] - fwd[0] * look[8],
                      fwd[0] * look[7] - fwd[1] * look[6]};
    double side_length = sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    if (!(side_length > 0.0)) side[0] = 1, side[1] = 0, side[2] = 0, side_length = 1.0;
    for (double& v : side) v /= side_length;
    double up[3] = {side[1] * fwd[2] - side[2] * fwd[1], side[2] * fwd[0] - side[0] * fwd[2],
                    side[0] * fwd[1] - side[1] * fwd[0]};
    for (int k = 0; k < 3; ++k) {
        modelview[4 * k] = side[k];
        modelview[4 * k + 1] = up[k];
        modelview[4 * k + 2] = -fwd[k];
    }
    modelview[12] = -(side[0] * look[0] + side[1] * look[1] + side[2] * look[2]);
    modelview[13] = -(up[0] * look[0] + up[1] * look[1] + up[2] * look[2]);
    modelview[14] = fwd[0] * look[0] + fwd[1] * look[1] + fwd[2] * look[2];
    modelview[15] = 1.0;
    *viewport_height = window_height;
}

// No second context: the levels are compiled on the frame's thread, as on a
// display that cannot share lists.
SharedGlContext* make_shared_gl_context() { return nullptr; }
bool bind_shared_gl_context(SharedGlContext*, bool) { return false; }

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
