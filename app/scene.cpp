// The fixed GL state, the start-up loads and the window callbacks.
#include "app/scene.h"

#include <GL/glut.h>

#include "app/menus.h"
#include "input/camera.h"
#include "input/keyboard.h"
#include "render/frame.h"
#include "render/sky.h"
#include "state/app_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_loader.h"

void init_scene() {
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

    // The overlay and billboard textures are loaded here, before the sky box.
    build_sky_box();
    // The billboard quad is compiled here, before the terrain.

    load_terrain(terrain_file_name, texture_file_name, texture_components, texture_width, texture_height, 0);

    glLightfv(GL_LIGHT0, GL_POSITION, light0_position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light0_specular);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, light0_ambient);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void on_reshape(int width, int height) {
    if (height == 0) height = 1;
    window_width = width;
    window_height = height;
    // The overlay layout follows the window size here once it is built.
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, (double)width / (double)height, 0.1, 50000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
}

void register_callbacks() {
    glutDisplayFunc(draw_frame);
    glutIdleFunc(draw_frame);
    build_menus();
    glutKeyboardFunc(on_keyboard);
    // The mouse and motion callbacks are registered here once they are built.
    glutSpecialFunc(on_special_key);
    glutSpecialUpFunc(on_special_key_up);
}
