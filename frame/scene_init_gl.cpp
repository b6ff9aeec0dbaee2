// What the viewer and the flight renderer set up once: the start-up choices,
// the fixed GL state and the start-up loads.
#include "frame/scene_init.h"

#include <GL/gl.h>

#include "frame/frame.h"
#include "gl/upload.h"
#include "overlay/overlay_textures.h"
#include "scene/sky.h"
#include "state/app_state.h"
#include "state/frame_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_loader.h"

void set_fixed_gl_state() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT, GL_FILL);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_TEXTURE_2D);
}

void switch_on_light() {
    send_light(LIGHT_ALL);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, light0_ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void init_scene() {
    set_frame_drawer(draw_frame);
    set_fixed_gl_state();
    load_overlay_textures();
    build_sky_box();
    build_billboard_quad();

    load_terrain(terrain_file_name, texture_file_name, texture_components, texture_width, texture_height, 0);
    switch_on_light();
}

void send_window_projection(int width, int height) {
    apply_projection(width, height);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
}
