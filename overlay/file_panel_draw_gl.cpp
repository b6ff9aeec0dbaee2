// Drawing the file-list panel's rows.
#include <GL/glut.h>

#include "overlay/file_panel.h"
#include "overlay/overlay_draw.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/terrain_draw_state.h"

constexpr int ROW_STEP = 20;  // pixels between rows at every window size

namespace {

void* const list_font = GLUT_BITMAP_8_BY_13;

}  // namespace

void draw_file_panel() {
    AssetName* list = file_panel_list();
    if (!list) return;
    begin_overlay_2d();
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    int top = file_panel_top(window_height);
    for (int k = 0; k < FILE_PANEL_ROWS; ++k) {
        int entry = file_panel_first_row + k;
        if (entry < 0 || entry >= PANEL_TABLE_ROWS) break;
        draw_text(0.0f, (float)(top + k * ROW_STEP), list_font, list[entry]);
    }
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glPopMatrix();
    end_overlay_2d();
}
