// Drawing the navigation overlay and the text read-outs over the scene.
#include "overlay/overlay_draw.h"

#include <GL/glut.h>

#include "overlay/readouts.h"
#include "overlay/tray_logic.h"
#include "overlay/tray_table.h"
#include "state/app_state.h"
#include "state/keyboard_state.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"

constexpr float OVERLAY_TURN = -45.0f;  // degrees: the disk is a diamond
constexpr float HANDLE_FOLDED = 0.25f;  // handle on the disk's edge
constexpr float HANDLE_UNFOLDED = 0.75f;  // handle on the panel's outer edge

namespace {

void* const text_font = GLUT_BITMAP_9_BY_15;

void draw_overlay_element(float x, float y, unsigned int texture, unsigned int list) {
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glCallList(list);
    glDisable(GL_BLEND);
    glPopMatrix();
}

// Pixel position scaled from the 1024 x 768 reference, as integers do.
float at_width(int a) { return (float)((long)window_width * a / 1024); }
float at_height(int b) { return (float)((long)window_height * b / 768); }

void begin_text_block() {
    begin_overlay_2d();
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
}

void end_text_block() {
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    end_overlay_2d();
}

}  // namespace

void begin_overlay_2d() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, window_width, window_height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

void end_overlay_2d() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void draw_text(float x, float y, void* font, const char* text) {
    glRasterPos2f(x, y);
    for (const char* c = text; *c; ++c) glutBitmapCharacter(font, (unsigned char)*c);
}

void draw_navigation_overlay() {
    if (!textures_on) glEnable(GL_TEXTURE_2D);
    glRotatef(OVERLAY_TURN, 0.0f, 0.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    draw_overlay_element(0.0f, 0.0f, overlay_textures[0], tray_panel_list);
    for (const TrayPanel& t : TRAY_PANELS) {
        if (*tray_open_flag(t.tray)) {
            draw_overlay_element((float)(t.dx * TRAY_PANEL_OFFSET), (float)(t.dy * TRAY_PANEL_OFFSET),
                                 overlay_textures[t.picture], tray_panel_list);
            draw_overlay_element(t.dx * HANDLE_UNFOLDED, t.dy * HANDLE_UNFOLDED, handle_texture, tray_handle_list);
        } else {
            draw_overlay_element(t.dx * HANDLE_FOLDED, t.dy * HANDLE_FOLDED, handle_texture, tray_handle_list);
        }
    }
    if (!textures_on) glDisable(GL_TEXTURE_2D);
}

void draw_fps_readout() {
    count_frame_for_readout(glutGet(GLUT_ELAPSED_TIME));
    begin_overlay_2d();
    glPushMatrix();
    glLoadIdentity();
    if (textures_on) glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor3ub(255, 255, 255);
    draw_text(0.0f, at_height(20), text_font, frame_rate_line());
    glColor3ub(255, 255, 255);
    glEnable(GL_LIGHTING);
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glColor3ub(255, 255, 255);
    glPopMatrix();
    end_overlay_2d();
}

void draw_light_readout() {
    char lines[4][READOUT_LINE_SIZE];
    format_light_readout(lines);
    begin_text_block();
    for (int i = 0; i < 4; ++i) draw_text(at_width(800), at_height(20 + 30 * i), text_font, lines[i]);
    end_text_block();
}

void draw_edit_readout() {
    char lines[3][READOUT_LINE_SIZE];
    int count = format_edit_readout(lines);
    if (count < 0) {
        if (filename_entry_active) draw_filename_prompt();
        return;
    }
    begin_text_block();
    for (int i = 0; i < count; ++i) draw_text(at_width(725), at_height(10 + 20 * i), text_font, lines[i]);
    end_text_block();
}

void draw_filename_prompt() {
    begin_text_block();
    draw_text(at_width(10), at_height(50), text_font, filename_prompt);
    end_text_block();
}

void draw_message_line() {
    begin_text_block();
    draw_text(at_width(10), at_height(725), text_font, message_text);
    end_text_block();
}
