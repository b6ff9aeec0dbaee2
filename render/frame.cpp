// The one frame routine: camera step, scene, markers, swap.
#include "render/frame.h"

#include <GL/glut.h>

#include "flythrough/flythrough_file.h"
#include "input/camera.h"
#include "render/frame_report.h"
#include "render/stereo.h"
#include "state/frame_state.h"
#include "state/mouse_state.h"
#include "state/stereo_state.h"
#include "state/sky_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"

constexpr float HANDLE_STEP = 0.25f;
constexpr int MARKER_SLICES = 5;

namespace {

void draw_pick_marker(int index) {
    glTranslatef((float)pick_marker[index][0], (float)pick_marker[index][1], (float)pick_marker[index][2]);
    glutSolidSphere(marker_radius, MARKER_SLICES, MARKER_SLICES);
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

void increase_handle_size() { marker_radius += HANDLE_STEP; }

void decrease_handle_size() { marker_radius -= HANDLE_STEP; }

void draw_terrain_mono() {
    glPointSize(1.0f);
    GLenum mode;
    switch (render_mode) {
        case RENDER_FILLED: mode = GL_FILL; break;
        case RENDER_WIRE_FRAME: mode = GL_LINE; break;
        case RENDER_POINT_CLOUD: mode = GL_POINT; break;
        default: return;
    }
    glPolygonMode(GL_FRONT, mode);
    glCallList(terrain_list);
    glPolygonMode(GL_FRONT, GL_FILL);
}

void draw_frame() {
    // The camera step by mode; the frame that ends a playback is drawn with
    // the identity view.
    if (step_frame_camera()) apply_view();
    else glLoadIdentity();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);

    if (stereo_on) draw_terrain_stereo();
    else draw_terrain_mono();

    if (panoramic_sky_on) {
        glPushMatrix();
        glDisable(GL_LIGHTING);
        glCallList(skybox_list);
        glEnable(GL_LIGHTING);
        glPopMatrix();
    }

    draw_pick_markers();

    // Geometry layer, overlay, read-outs, file panel, light marker and the
    // message line join here as they are built.
    glEnable(GL_LIGHTING);

    ++fps_frames;
    ++frames_drawn;
    glutSwapBuffers();
    report_frame_count();
}
