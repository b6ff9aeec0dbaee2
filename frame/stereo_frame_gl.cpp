// The true stereo camera's frame passes: each eye stands beside the camera
// along its right vector, looks the same way, and sees through a frustum
// shifted so that both meet at the convergence distance. Side-by-side and
// top-bottom eyes draw into parts of their own; anaglyph and row eyes draw
// over the whole drawable in turn and are mixed.
#include "frame/stereo_frame.h"

#include <GL/gl.h>

#include <cstdio>

#include "camera/camera.h"
#include "camera/stereo_camera.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "gl/eye_mix.h"
#include "scene/stereo_depth.h"
#include "state/app_state.h"
#include "state/stereo_state.h"
#include "state/texture_state.h"
#include "terrain/level_lists.h"

namespace {

void current_layout(StereoLayout* layout) {
    layout_stereo_frame(stereo_mode, stereo_on != 0, drawable_width, drawable_height, layout);
}

void use_eye_part(const int* viewport) {
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glScissor(viewport[0], viewport[1], viewport[2], viewport[3]);
    glEnable(GL_SCISSOR_TEST);
}

// The eye's frustum, and the camera's `view` moved along its own x axis (the
// camera's right vector) to the eye: the same as the eye's look-at, and the
// identity view of a frame that ends a playback stays one.
void apply_eye_view(const StereoEyeView& v, const GLdouble view[16]) {
    const double* f = v.frustum;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(f[0], f[1], f[2], f[3], f[4], f[5]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(-v.offset, 0.0, 0.0);
    glMultMatrixd(view);
}

}  // namespace

void follow_stereo_layout() {
    int split = stereo_on && stereo_mode_splits(stereo_mode) ? stereo_mode : -1;
    if (split != stereo_split_laid_out) on_reshape(drawable_width, drawable_height);
}

void draw_stereo_scene_pass(void (*draw_scene_for_eye)(const double eye[3])) {
    StereoLayout layout;
    current_layout(&layout);
    double aspect = (double)window_width / (window_height > 0 ? window_height : 1);
    double camera[9];
    camera_look_at(camera);
    GLdouble view[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    update_stereo_depth(camera, VIEW_FIELD_OF_VIEW, aspect, VIEW_FAR);
    // Under the picture's own viewport and projection: both eyes draw the
    // levels chosen once from the camera's view.
    choose_terrain_levels();

    bool mixed = stereo_mode == STEREO_RED_CYAN || stereo_mode == STEREO_ROWS;
    for (int eye : {0, 1}) {
        StereoEyeView v;
        make_stereo_eye_view(camera, eye, stereo_baseline, stereo_convergence, VIEW_FIELD_OF_VIEW, aspect,
                             VIEW_NEAR, VIEW_FAR, &v);
        bool offscreen = mixed && eye == 0 && draw_left_eye_offscreen(drawable_width, drawable_height);
        use_eye_part(layout.eye_viewport[eye]);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        apply_eye_view(v, view);
        glBindTexture(GL_TEXTURE_2D, terrain_texture);
        draw_scene_for_eye(v.look_at);
        glDisable(GL_SCISSOR_TEST);
        if (offscreen) finish_left_eye_offscreen();
        else if (mixed && eye == 0) keep_left_eye_picture(drawable_width, drawable_height);
    }
    if (mixed) {
        read_eye_pictures(drawable_width, drawable_height);
        draw_eye_mix(drawable_width, drawable_height, stereo_mode == STEREO_ROWS);
    }

    apply_projection(window_width, window_height);
    glLoadMatrixd(view);
}

void draw_stereo_overlay_pass(void (*draw_overlay)()) {
    StereoLayout layout;
    current_layout(&layout);
    if (!layout.split) {
        draw_overlay();
        return;
    }
    for (const int* part : layout.eye_viewport) {
        use_eye_part(part);
        draw_overlay();
    }
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, window_width, window_height);
}
