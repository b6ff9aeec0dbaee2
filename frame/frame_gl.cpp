// The one frame routine: camera step, 3-D scene pass, 2-D overlay pass, swap.
//
// Every pass starts from, and leaves behind, the rest state of the pipeline:
// modelview matrix current and holding the camera's view (the identity on the
// frame that ends a playback), lighting on, GL_TEXTURE_2D on exactly when
// textures_on is set, depth test on (GL_LESS), back faces culled, front
// polygons filled, all colour channels written, blending off.
#include "frame/frame.h"
#include "frame/stereo_frame.h"

#include <GL/glut.h>

#include "camera/camera.h"
#include "camera/stereo_camera.h"
#include "flythrough/frame_modes.h"
#include "gl/frame_report.h"
#include "overlay/file_panel.h"
#include "overlay/overlay_draw.h"
#include "scene/geometry_draw.h"
#include "scene/stereo.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/frame_state.h"
#include "state/keyboard_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/stereo_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_lists.h"
#include "terrain/terrain_list.h"

constexpr int MARKER_SLICES = 5;

namespace {

void draw_pick_marker(int index) {
    glTranslatef((float)pick_marker[index][0], (float)pick_marker[index][1], (float)pick_marker[index][2]);
    glutSolidSphere(marker_radius, MARKER_SLICES, MARKER_SLICES);
}

// The camera step of this frame by mode, then the view it gives.
void step_camera() {
    if (step_frame_camera()) apply_view();
    else glLoadIdentity();  // playback has just ended: this frame is drawn unviewed
}

// The sky lies at infinity: the box is centred on the eye wherever it flies
// (on a large terrain the eye would leave a box fixed in the world and see
// its outside), and it is drawn at the far end of the depth range without
// writing depth, so that it shows only where nothing else was drawn.
void draw_sky_box(const double eye[3]) {
    glPushMatrix();
    glTranslated(eye[0], eye[1], eye[2]);
    glDepthRange(1.0, 1.0);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glCallList(skybox_list);
    glEnable(GL_LIGHTING);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDepthRange(0.0, 1.0);
    glPopMatrix();
}

// The visible terrain in the current render mode (nothing for an unknown
// mode), with levels chosen first when `choose`; restores GL_FILL.
void draw_terrain_in_render_mode(bool choose) {
    glPointSize(1.0f);
    GLenum mode;
    switch (render_mode) {
        case RENDER_FILLED: mode = GL_FILL; break;
        case RENDER_WIRE_FRAME: mode = GL_LINE; break;
        case RENDER_POINT_CLOUD: mode = GL_POINT; break;
        default: return;
    }
    glPolygonMode(GL_FRONT, mode);
    if (choose) choose_terrain_levels();
    draw_visible_terrain();
    glPolygonMode(GL_FRONT, GL_FILL);
}

// One eye's whole scene, its levels already chosen: terrain, the sky box
// centred on that eye, pick markers, the geometry layer.
void draw_eye_scene(const double eye[3]) {
    draw_terrain_in_render_mode(false);
    if (panoramic_sky_on) draw_sky_box(eye);
    draw_pick_markers();
    draw_geometry_layer();
    if (scene_addition) scene_addition();
}

// The 3-D scene under the camera's view: terrain (mono or the classic
// anaglyph), sky box, pick markers, the geometry layer; or every eye's
// scene in the other stereo modes.
void draw_scene_pass() {
    if (stereo_on && stereo_mode != STEREO_RED_BLUE) {
        draw_stereo_scene_pass(draw_eye_scene);
        return;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (stereo_on) draw_terrain_stereo();
    else draw_terrain_mono();
    double camera[9];
    camera_look_at(camera);
    if (panoramic_sky_on) draw_sky_box(camera);
    draw_pick_markers();
    draw_geometry_layer();
    if (scene_addition) scene_addition();
}

void draw_light_marker() {
    glPushMatrix();
    glTranslatef(light0_position[0], light0_position[1], light0_position[2]);
    glutSolidSphere(marker_radius, MARKER_SLICES, MARKER_SLICES);
    glPopMatrix();
}

// The layer over the scene: the navigation overlay (in eye space, under the
// scene's projection), then the read-outs, the file panel and the message
// line in the window's pixels; later text lies over earlier text.
void draw_overlay_pass() {
    if (overlay_visible) {
        glPushMatrix();
        glLoadIdentity();
        draw_navigation_overlay();
        glPopMatrix();
    }
    glEnable(GL_LIGHTING);
    draw_fps_readout();
    if (file_panel_open) draw_file_panel();
    if (light_edit_mode) {
        draw_light_readout();
        draw_light_marker();
    }
    draw_edit_readout();
    if (message_visible) draw_message_line();
}

}  // namespace

void draw_pick_markers() {
    glPushMatrix();
    glDisable(GL_TEXTURE_2D);
    draw_pick_marker(0);
    glPopMatrix();
    glPushMatrix();
    draw_pick_marker(1);
    glPopMatrix();
    glPushMatrix();
    draw_pick_marker(2);
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

void draw_terrain_mono() { draw_terrain_in_render_mode(true); }

void apply_projection(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(VIEW_FIELD_OF_VIEW, (double)width / (double)height, VIEW_NEAR, VIEW_FAR);
    glMatrixMode(GL_MODELVIEW);
}

void draw_frame() {
    follow_stereo_layout();
    step_camera();
    draw_scene_pass();
    draw_stereo_overlay_pass(draw_overlay_pass);
    ++frames_drawn;
    glutSwapBuffers();  // returns once the GL has drawn the frame
    release_terrain_draw_fences(terrain_draws_done);
    report_frame_count();
}

void draw_frame_unswapped(bool with_overlay) {
    follow_stereo_layout();
    step_camera();
    draw_scene_pass();
    if (with_overlay) draw_stereo_overlay_pass(draw_overlay_pass);
}

void draw_scene_unstepped() {
    follow_stereo_layout();
    apply_view();
    draw_scene_pass();
}

void draw_overlay_unswapped() { draw_stereo_overlay_pass(draw_overlay_pass); }
