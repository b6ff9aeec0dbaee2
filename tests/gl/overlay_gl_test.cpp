// The overlay on real Mesa: its pictures, where its buttons are drawn, what
// clicks and hovers do, and the state each drawing routine leaves.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/asset_dir.h"
#include "frame/frame.h"
#include "frame/scene_init.h"
#include "input/mouse.h"
#include "overlay/file_panel.h"
#include "overlay/overlay_draw.h"
#include "overlay/overlay_textures.h"
#include "overlay/tray_actions.h"
#include "overlay/tray_layout.h"
#include "overlay/tray_table.h"
#include "state/app_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/geometry_edit_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/overlay_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int W = 1024, H = 768;  // the window of the GL tests, laid out by their reset

void all_trays(int open) { geometry_tray_open = view_tray_open = terrain_tray_open = mesh_tray_open = open; }

// Centre of hot spot `slot` in GLUT's top-down window coordinates.
void click_slot(int slot) { hit_test_overlay((int)hot_spots[slot].cx, (int)hot_spots[slot].cy); }

class OverlayGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);  // every action leaves GL without an error
    }
};

}  // namespace

TEST_F(OverlayGl, EveryButtonsIconIsDrawnOnItsHotSpot) {
    all_trays(1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    draw_navigation_overlay();
    glPopMatrix();
    glEnable(GL_LIGHTING);
    std::vector<unsigned char> rgb(W * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.kind != HOT_BUTTON || e.operation == OP_NONE) continue;  // blank tiles show no icon
        // The icon is what stands out from its panel: bright pixels in its box.
        const int slot = e.slot;
        int cx = (int)hot_spots[slot].cx, cy = (int)hot_spots[slot].cy;
        double sx = 0, sy = 0, n = 0;
        for (int y = cy - 16; y <= cy + 16; ++y) {
            for (int x = cx - 16; x <= cx + 16; ++x) {
                const unsigned char* p = &rgb[(y * W + x) * 3];
                double brightness = (p[0] + p[1] + p[2]) / 3.0;
                if (brightness < 60) continue;
                sx += x * brightness;
                sy += y * brightness;
                n += brightness;
            }
        }
        ASSERT_GT(n, 0) << "no icon at slot " << slot;
        EXPECT_LE(std::hypot(sx / n - cx, sy / n - cy), 4.0) << "slot " << slot;
    }
}

TEST_F(OverlayGl, HandlesFoldTraysAndButtonsActOnlyWhileTheirTrayIsOpen) {
    click_slot(48);  // Wire frame, view tray folded: nothing
    EXPECT_EQ(render_mode, RENDER_FILLED);
    click_slot(7);  // the view tray's folded handle
    EXPECT_EQ(view_tray_open, 1);
    click_slot(48);
    EXPECT_EQ(render_mode, RENDER_WIRE_FRAME);
    EXPECT_EQ(textures_on, 0);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
    click_slot(46);
    EXPECT_EQ(render_mode, RENDER_FILLED);
    EXPECT_EQ(textures_on, 1);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_TRUE);
    click_slot(11);  // its unfolded handle folds it
    EXPECT_EQ(view_tray_open, 0);

    click_slot(9);  // terrain tray, then Record Flythrough
    click_slot(38);
    EXPECT_EQ(mode_record, 1);
    EXPECT_STREQ(message_text, "Recording...SPACE to stop");
    click_slot(41);  // lighting needs the view tray
    EXPECT_EQ(light_edit_mode, 0);
    click_slot(7);
    vertex_edit_mode = 1;
    click_slot(41);  // lighting is toggled alone
    EXPECT_EQ(light_edit_mode, 1);
    EXPECT_EQ(vertex_edit_mode, 1);
}

TEST_F(OverlayGl, AReshapeMovesTheHotSpotsAndAPressIsCountedFromItsViewport) {
    on_reshape(640, 480);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    // A press at the view tray's folded handle, in GLUT's top-down window coordinates.
    const int x = (int)hot_spots[7].cx, y = 480 - 1 - (int)hot_spots[7].cy;
    on_mouse(MOUSE_LEFT_BUTTON, MOUSE_BUTTON_DOWN, x, y);
    on_mouse(MOUSE_LEFT_BUTTON, !MOUSE_BUTTON_DOWN, x, y);
    EXPECT_EQ(view_tray_open, 1);
    on_reshape(300, 0);  // a height of 0 is taken as 1
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(window_height, 1);
    EXPECT_EQ(viewport[3], 1);
    EXPECT_EQ(window_y_up(0), 0);
}

TEST_F(OverlayGl, HelpModeExplainsInsteadOfActing) {
    help_mode = 1;
    all_trays(1);
    float exaggeration_before = exaggeration;
    click_slot(44);
    EXPECT_STREQ(message_text, "Increase Exaggeration");
    EXPECT_EQ(message_visible, 1);
    EXPECT_EQ(exaggeration, exaggeration_before);
    hit_test_overlay(5, 5);  // over nothing: the text goes
    EXPECT_EQ(message_visible, 0);
    click_slot(26);
    EXPECT_STREQ(message_text, "Transform Geometry (Use Num Pad) ");
    click_slot(29);  // no function: hides as empty space does
    EXPECT_EQ(message_visible, 0);
    mesh_tray_open = 0;
    click_slot(22);  // its text needs the mesh tray: the old text shows again
    EXPECT_EQ(message_visible, 1);
    EXPECT_STREQ(message_text, "Transform Geometry (Use Num Pad) ");
    mesh_tray_open = 1;
    click_slot(22);
    EXPECT_STREQ(message_text, "Reserved for Future Use");

    // Hovering explains the elements also with the overlay hidden.
    overlay_visible = 0;
    glViewport(0, 0, W, H);
    on_passive_motion((int)hot_spots[42].cx, H - 1 - (int)hot_spots[42].cy);
    EXPECT_STREQ(message_text, "Toggle Panoramic Sky");
    EXPECT_EQ(message_visible, 1);
    on_passive_motion(5, 5);
    EXPECT_EQ(message_visible, 0);
}

TEST_F(OverlayGl, ReadoutsAndTheOverlayLeaveLightingOnAndTexturingAsSet) {
    all_trays(1);
    filename_entry_active = 1;
    light_edit_mode = 1;
    show_message("a message");
    for (int textured = 0; textured < 2; ++textured) {
        textures_on = textured;
        if (textured) glEnable(GL_TEXTURE_2D);
        else glDisable(GL_TEXTURE_2D);
        draw_frame();
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), (GLboolean)textured);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        GLint depth = 0, projection_depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projection_depth);
        EXPECT_EQ(depth, 1);
        EXPECT_EQ(projection_depth, 1);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    }
}

using OverlayPictures = GlTest;

TEST_F(OverlayPictures, AMissingOrShortPictureIsFatalAndNamesIt) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string dir = std::string(cwd) + "/short_pictures", out = std::string(cwd) + "/pictures_console.txt";
    mkdir(dir.c_str(), 0755);
    // First a short navi_0.raw, then none at all.
    const char* expected[2] = {"navi_0.raw holds 9 bytes",
                               "Loading Navi TexturesTexture file not found: navi_0.raw...Quitting."};
    for (int missing = 0; missing < 2; ++missing) {
        if (missing) remove((dir + "/navi_0.raw").c_str());
        else put_file(dir + "/navi_0.raw", "too short");
        std::string console = console_of_quitting(load_overlay_textures, out, dir);
        if (missing) EXPECT_EQ(console, expected[missing]);  // the whole transcript, exactly
        else EXPECT_NE(console.find(expected[missing]), std::string::npos) << console;
    }
    remove(out.c_str());
    rmdir(dir.c_str());
}

TEST_F(OverlayGl, APanelRowLoadsTheFileDrawnOnItAndEmptyRowsDoNothing) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string world = make_temp_dir();
    for (const char* d : {"/DEM", "/Drape"}) mkdir((world + d).c_str(), 0755);
    FILE* f = fopen((world + "/DEM/small.dem").c_str(), "w");
    fputs(grid_terrain_text(3, 3, dome_height).c_str(), f);
    fclose(f);
    f = fopen((world + "/Drape/red.raw").c_str(), "wb");
    fwrite("\xff\0\0\xff\0\0\xff\0\0\xff\0\0", 1, 12, f);
    fclose(f);
    f = fopen((world + "/Drape/red.info").c_str(), "w");
    fputs("2 2 3\n", f);
    fclose(f);
    ASSERT_EQ(chdir(world.c_str()), 0);
    scan_asset_names("./DEM", ".dem", dem_menu_names, dem_panel_names, nullptr);
    scan_asset_names("./Drape", ".raw", drape_menu_names, drape_panel_names, nullptr);

    setup_file_rows(H);
    open_file_panel(&file_panel_lists_drape);
    open_file_panel(&file_panel_lists_dem);  // both flags: the DEM list is drawn, and it acts
    vertex_edit_mode = 1;
    testing::internal::CaptureStdout();
    file_panel_click(10, file_row_y[0]);  // row 0 is the lists' empty first entry
    EXPECT_EQ(file_panel_open, 1);
    file_panel_click(10, file_row_y[2]);  // past the end of the list
    EXPECT_EQ(file_panel_open, 1);
    file_panel_click(10, file_row_y[1]);
    EXPECT_EQ(terrain_vertex_count, 9);
    EXPECT_EQ(file_panel_open, 0);
    EXPECT_EQ(file_panel_lists_dem, 0);
    EXPECT_EQ(file_panel_lists_drape, 1);
    EXPECT_EQ(vertex_edit_mode, 0);

    file_panel_open = 1;  // 'T' reopens it on the drape list still chosen
    unsigned int texture_before = terrain_texture;
    file_panel_click(10, file_row_y[1]);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(terrain_texture, texture_before);
    EXPECT_EQ(texture_width, 2);
    EXPECT_NE(console.find("DEM small.dem"), std::string::npos) << console;
    EXPECT_NE(console.find("Drape red.raw"), std::string::npos) << console;
    ASSERT_EQ(chdir(cwd), 0);
}
