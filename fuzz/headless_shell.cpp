// The GL shell without GL, for the fuzz driver: each operation that the
// callbacks call keeps its state part and leaves out what it would draw or
// upload. Where the real operation reads memory for GL (a texture upload, a
// list compile), this one reads the same bytes, so that the sanitizers see
// what GL would have been given.
#include <cstdio>
#include <cstdlib>

#include "camera/camera.h"
#include "files/asset_dir.h"
#include "flythrough/frame_modes.h"
#include "frame/frame.h"
#include "frame/shutdown.h"
#include "fuzz/fuzz_support.h"
#include "gl/asset_menus.h"
#include "gl/upload.h"
#include "scene/sky.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/terrain_draw_state.h"
#include "state/terrain_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_list.h"
#include "terrain/terrain_mesh.h"
#include "terrain/texture.h"

constexpr float EXAGGERATION_STEP = 0.25f;  // as terrain_list_gl.cpp

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

}  // namespace

void draw_frame() {
    step_frame_camera();
    ++fps_frames;
    ++frames_drawn;
}

void rebuild_terrain_list(bool) {
    // The corners compile_terrain_faces emits, in its order.
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

void release_terrain_texture() {}
void clear_view_matrix() {}

// The arrow keys and the height steps without the view transform.
void press_arrow_key(int key, int modifiers) {
    if (apply_special_key(key, modifiers)) show_frame();
}
void raise_camera() {
    change_camera_height((float)height_step);
    move_camera_eye(0);
}
void lower_camera() {
    change_camera_height(-(float)height_step);
    move_camera_eye(0);
}
void send_light(int) {}
void relight_scene() {}
void rotate_drape_quarter_turn() {}
void reverse_winding_order() {}

void toggle_fog() { fog_on = !fog_on; }
void toggle_textures() { textures_on = !textures_on; }
void set_render_mode(int mode) { render_mode = mode; }

void increase_exaggeration() {
    exaggeration += EXAGGERATION_STEP;
    scale_terrain_heights(true);
    rebuild_terrain_list();
}

void decrease_exaggeration() {
    exaggeration -= EXAGGERATION_STEP;
    scale_terrain_heights(false);
    rebuild_terrain_list();
}

void toggle_average_normals() {
    average_normals = !average_normals;
    rebuild_terrain_list();
}

void refresh_asset_menu(int, const char* directory, const char* extension, AssetName* menu_names,
                        AssetName* panel_names) {
    if (scan_asset_names(directory, extension, menu_names, panel_names, nullptr) < 0) {
        report_problem("Cannot list %s", directory);
    }
}

void exit_viewer() {
    fuzz_require(false, "the driver never asks to quit");
    abort();
}
