// Menu handlers and keyboard commands on real Mesa.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/menus.h"
#include "files/asset_dir.h"
#include "app/asset_menus.h"
#include "input/keyboard.h"
#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/camera_state.h"
#include "state/file_panel_state.h"
#include "state/flythrough_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/sky_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

float flat_height(int, int) { return 0.0f; }

// A scratch world with asset directories, entered for the test and left after.
class MenusGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_NE(getcwd(previous_dir, sizeof previous_dir), nullptr);
        world = make_temp_dir();
        for (const char* d : {"DEM", "Drape", "Map", "Flythrough", "Vector"}) mkdir((world + "/" + d).c_str(), 0755);
        put_file(world + "/DEM/small.dem", grid_terrain_text(3, 3, flat_height));
        put_file(world + "/DEM/bad.dem", "v 0 0 0\nf 1/1/1 1/1/1 7/7/7\n");
        put_file(world + "/Drape/shade.raw", std::string(8 * 8 * 3, '\x40'));
        put_file(world + "/Drape/shade.info", "8 8 3\n");
        put_file(world + "/Map/grey.raw", std::string(8 * 8, '\x90'));
        put_file(world + "/Map/grey.info", "8 8 1\n");
        ASSERT_EQ(chdir(world.c_str()), 0);
        testing::internal::CaptureStdout();
        scan_asset_names("./DEM", ".dem", dem_menu_names, dem_panel_names, nullptr);
        scan_asset_names("./Drape", ".raw", drape_menu_names, drape_panel_names, nullptr);
        scan_asset_names("./Map", ".raw", map_menu_names, map_panel_names, nullptr);
        testing::internal::GetCapturedStdout();
        load_startup_terrain(grid_terrain_text(9, 9, dome_height));
    }
    void TearDown() override { ASSERT_EQ(chdir(previous_dir), 0); }

    std::string world;
    char previous_dir[1024];
};

GLint front_face() {
    GLint v;
    glGetIntegerv(GL_FRONT_FACE, &v);
    return v;
}

}  // namespace

TEST_F(MenusGl, TerrainMenuEntriesActAndEditAmountMovesTheRightWay) {
    on_terrain_menu(0);
    EXPECT_EQ(render_mode, RENDER_POINT_CLOUD);
    on_terrain_menu(1);
    EXPECT_EQ(render_mode, RENDER_WIRE_FRAME);
    on_terrain_menu(2);
    EXPECT_EQ(render_mode, RENDER_FILLED);
    EXPECT_FLOAT_EQ(edit_amount, 1.0f);  // a load sets it
    on_terrain_menu(8);
    EXPECT_FLOAT_EQ(edit_amount, 2.5f);
    on_terrain_menu(9);
    on_terrain_menu(9);
    EXPECT_FLOAT_EQ(edit_amount, -0.5f);
    testing::internal::CaptureStdout();
    on_terrain_menu(3);
    on_terrain_menu(4);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "\n1.250000\n\n1.000000\n");
    int textures = textures_on;
    on_terrain_menu(5);
    EXPECT_EQ(textures_on, !textures);
    on_terrain_menu(5);
    on_terrain_menu(7);
    on_terrain_menu(7);
    EXPECT_EQ(front_face(), GL_CW);
}

TEST_F(MenusGl, DemMenuLoadsResetsToolModesAndKeepsTheTexture) {
    unsigned texture = terrain_texture;
    light_edit_mode = vertex_edit_mode = replicate_mode = material_edit_mode = 1;
    file_panel_open = file_panel_lists_dem = file_panel_lists_map = 1;
    ASSERT_STREQ(dem_menu_names[3], "small.dem");
    testing::internal::CaptureStdout();
    on_dem_menu(3);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console.rfind("small.dem", 0), 0u) << console;
    EXPECT_NE(console.find("\nVertices:9 Polygons:8\n\n"), std::string::npos);
    EXPECT_EQ(terrain_vertex_count, 9);
    EXPECT_EQ(light_edit_mode + vertex_edit_mode + replicate_mode + material_edit_mode, 0);
    EXPECT_EQ(file_panel_open, 0);
    EXPECT_EQ(file_panel_lists_dem, 0);
    EXPECT_EQ(file_panel_lists_map, 1);
    EXPECT_EQ(terrain_texture, texture);
}

TEST_F(MenusGl, DemMenuRefusalsKeepTheTerrainAndTheProgram) {
    testing::internal::CaptureStdout();
    on_dem_menu(2);  // bad.dem
    remove("DEM/small.dem");
    on_dem_menu(3);  // deleted since the scan
    on_dem_menu(57);  // no such entry
    on_dem_menu(-4);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("./DEM/bad.dem line 2"), std::string::npos) << console;
    // The chosen name is printed without a line end; the refusal starts a line of its own.
    EXPECT_NE(console.find("small.dem\nDEM file not found ./DEM/small.dem\n"), std::string::npos) << console;
    EXPECT_STREQ(message_text, "DEM file not found ./DEM/small.dem");
    EXPECT_EQ(message_visible, 1);
    EXPECT_EQ(terrain_vertex_count, 81);
    EXPECT_TRUE(glIsList(terrain_list));
}

TEST_F(MenusGl, RasterAndMapMenusRetextureAndClearOnlyTheirListFlag) {
    file_panel_open = file_panel_lists_drape = file_panel_lists_map = 1;
    testing::internal::CaptureStdout();
    on_map_menu(2);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console.rfind("grey.raw", 0), 0u) << console;
    EXPECT_EQ(file_panel_lists_map, 0);
    EXPECT_EQ(file_panel_lists_drape, 1);
    EXPECT_EQ(file_panel_open, 0);
    EXPECT_EQ(terrain_image_components, 1);
    testing::internal::CaptureStdout();
    on_raster_menu(2);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_image_components, 3);
    EXPECT_EQ(texture_width, 8);
    remove("Drape/shade.info");
    unsigned texture = terrain_texture;
    testing::internal::CaptureStdout();
    on_raster_menu(2);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_texture, texture);
    EXPECT_NE(std::string(message_text).find("./Drape/shade.info"), std::string::npos);
}

TEST_F(MenusGl, AugmentationAndMainMenuHelp) {
    on_augmentation_menu(1);
    EXPECT_EQ(augment_kind, 1);
    on_augmentation_menu(4);
    EXPECT_EQ(augment_billboard, 2);
    EXPECT_EQ(augment_kind, 1);
    on_augmentation_menu(0);
    EXPECT_EQ(augment_kind, 0);
    on_main_menu(1);
    EXPECT_STREQ(message_text, "Help Mode (h) to Toggle");
    EXPECT_EQ(message_visible, 1);
    on_main_menu(1);
    EXPECT_EQ(message_visible, 0);
    on_main_menu(2);
    EXPECT_EQ(message_visible, 1);
    EXPECT_GT(strlen(message_text), 10u);
}

TEST_F(MenusGl, RefreshEmptiesTheMenuAndListsTheDirectoryAgain) {
    int menu = glutCreateMenu([](int) {});
    glutAddMenuEntry("old one", 2);
    glutAddMenuEntry("old two", 3);
    glutAddMenuEntry("old three", 4);
    put_file("Flythrough/tour.flt", "0\n");
    testing::internal::CaptureStdout();
    refresh_asset_menu(menu, "./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "BEfore: numitems 3\nAfter: numitems 0\n");
    EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 1);
    EXPECT_STREQ(flythrough_menu_names[2], "tour.flt");
    EXPECT_STREQ(flythrough_panel_names[1], "tour.flt");

    // An empty folder keeps one entry that chooses nothing: GLUT cannot show
    // an empty submenu.
    remove("Flythrough/tour.flt");
    testing::internal::CaptureStdout();
    refresh_asset_menu(menu, "./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names);
    console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "BEfore: numitems 1\nAfter: numitems 0\n");
    EXPECT_EQ(glutGet(GLUT_MENU_NUM_ITEMS), 1);
    EXPECT_STREQ(flythrough_menu_names[2], "");
    on_dem_menu(1);  // the placeholder's value names no file
    EXPECT_EQ(terrain_vertex_count, 81);
    glutDestroyMenu(menu);
}

TEST_F(MenusGl, CommandKeysFlipTheirSwitches) {
    int overlay = overlay_visible, sky = panoramic_sky_on;
    press("I");
    EXPECT_EQ(overlay_visible, !overlay);
    press("Is");
    EXPECT_EQ(overlay_visible, overlay);
    EXPECT_EQ(panoramic_sky_on, !sky);
    press("s");
    press("t");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    press("t");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    press("a");
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    GLfloat end = 0;
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_FLOAT_EQ(end, fog_end);
    press("a");
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    float radius = marker_radius;
    press("[[]");
    EXPECT_FLOAT_EQ(marker_radius, radius + 0.25f);
    press(",.mnTr");
    EXPECT_EQ(terrain_tray_open + mesh_tray_open + view_tray_open + geometry_tray_open, 4);
    EXPECT_EQ(file_panel_open, 1);
    press("<>MNUy");
    EXPECT_EQ(terrain_tray_open + mesh_tray_open + view_tray_open + geometry_tray_open + file_panel_open, 0);
}

TEST_F(MenusGl, HelpKeyOpensTheTraysWhichStayOpen) {
    long frames = frames_drawn;
    press("h");
    EXPECT_EQ(frames_drawn, frames + 1);
    EXPECT_STREQ(message_text, "Help Mode (h) to Toggle");
    EXPECT_EQ(terrain_tray_open + mesh_tray_open + view_tray_open + geometry_tray_open, 4);
    press("h");
    EXPECT_EQ(message_visible, 0);
    EXPECT_EQ(terrain_tray_open + mesh_tray_open + view_tray_open + geometry_tray_open, 4);
}

TEST_F(MenusGl, DrapeRotationFourTimesIsTheIdentity) {
    press("d");
    GLfloat m[16];
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_NEAR(m[0], 0.0f, 1e-6);
    EXPECT_NEAR(m[1], 1.0f, 1e-6);
    press("ddd");
    glGetFloatv(GL_TEXTURE_MATRIX, m);
    EXPECT_NEAR(m[0], 1.0f, 1e-6);
    EXPECT_NEAR(m[1], 0.0f, 1e-6);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(MenusGl, LightingDigitsReachGl) {
    light_edit_mode = 1;
    float before = light0_ambient[0];
    press("1");
    GLfloat ambient[4];
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], before + 0.1f);
    press("4");
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], before);
    float y = light0_position[1];
    glPushMatrix();
    glLoadIdentity();
    press("K");
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    glPopMatrix();
    EXPECT_FLOAT_EQ(position[1], y + 50.0f);
}

TEST_F(MenusGl, TexelMarkPaintsTheTexelOfCornerZero) {
    // Corner 0 of face 0 is vertex 1 at s 0, t 0: the last image row (3 of 4), column 0.
    picked_face = 0;
    testing::internal::CaptureStdout();
    press("^");
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(console.rfind("\n4 4\n", 0), 0u) << console;
    EXPECT_NE(console.find("\n36\n"), std::string::npos) << console;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(terrain_image[36 + k], 255);
    EXPECT_EQ(terrain_image[33], 0xff);  // the texel before keeps its colour (red 0xff, 0x20, 0x20)
    EXPECT_EQ(terrain_image[34], 0x20);
    EXPECT_TRUE(glIsTexture(terrain_texture));

    picked_face = 100000;  // outside the faces: nothing is painted
    unsigned texture = terrain_texture;
    testing::internal::CaptureStdout();
    press("^");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(terrain_texture, texture);
}

TEST_F(MenusGl, TexelMarkOnAGreyImageStaysGrey) {
    testing::internal::CaptureStdout();
    on_map_menu(2);  // 8 x 8, one component
    press("^");
    std::string console = testing::internal::GetCapturedStdout();
    // s 0, t 0: row 7, column 0 of an 8-wide image, one byte a pixel.
    EXPECT_EQ(terrain_image[56], 255);
    EXPECT_EQ(terrain_image[57], 0x90);
    EXPECT_EQ(terrain_image[55], 0x90);
    GLint format;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_TRUE(format == GL_LUMINANCE || format == 1) << format;
}

TEST_F(MenusGl, SpaceStopsARecordingAndAsksForAName) {
    press(" ");
    EXPECT_EQ(filename_entry_active, 0);  // not recording: nothing
    mode_record = 1;
    mode_normal = 0;
    press(" ");
    EXPECT_EQ(mode_normal, 1);
    EXPECT_EQ(mode_record, 0);
    EXPECT_EQ(filename_entry_active, 1);
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/");
    press("t");  // commands go into the name
    EXPECT_STREQ(filename_text, "./Flythrough/t");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    press("\x1b");  // Esc cancels the name, not the program; the recording stays
    EXPECT_EQ(filename_entry_active, 0);
    EXPECT_NE(std::string(message_text).find("Not saved"), std::string::npos) << message_text;
    press(" ");  // and Space asks for its name again
    EXPECT_EQ(filename_entry_active, 1);
    EXPECT_STREQ(filename_prompt, "Enter FileName: ./Flythrough/");
}

TEST_F(MenusGl, PlacingKeysAddItemsAtTheEyeAndStepBack) {
    int count = geometry_item_count;
    press("SDY");
    EXPECT_EQ(geometry_item_count, count + 3);
    EXPECT_EQ(geometry_items[count + 1].kind, 1);
    EXPECT_EQ(geometry_items[count + 2].kind, 4);
    EXPECT_FLOAT_EQ(camera_back_speed, 0.0f);
}

using KeyboardExit = GlTest;

TEST_F(KeyboardExit, EscapeSaysThankYouAndExitsCleanly) {
    std::string out = "escape_console.txt";
    EXPECT_EXIT(
        {
            freopen(out.c_str(), "w", stdout);
            load_startup_terrain(grid_terrain_text(3, 3, flat_height));
            on_keyboard(27, 0, 0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_NE(read_file(out).find("\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n"), std::string::npos);
    remove(out.c_str());
}

TEST_F(KeyboardExit, MainMenuExitSaysTheSameFarewell) {
    std::string out = "exit_console.txt";
    EXPECT_EXIT(
        {
            freopen(out.c_str(), "w", stdout);
            load_startup_terrain(grid_terrain_text(3, 3, flat_height));
            on_main_menu(3);
        },
        testing::ExitedWithCode(0), "");
    std::string farewell = "\n\n\n\n\n\n THANK YOU FOR USING KESTROLANE \n\n\n\n\n\n\n\n";
    std::string console = read_file(out);
    ASSERT_GE(console.size(), farewell.size());
    EXPECT_EQ(console.substr(console.size() - farewell.size()), farewell);
    remove(out.c_str());
}

using MenuScan = GlTest;

TEST_F(MenuScan, AMissingAssetFolderIsFatalWithTheExactText) {
    // Fixed names: the death test's child runs this body again from the start.
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    std::string dir = std::string(cwd) + "/no_asset_folders", out = std::string(cwd) + "/scan_console.txt";
    mkdir(dir.c_str(), 0755);
    EXPECT_EQ(console_of_quitting(build_menus, out, dir), "Invalid Directory Supplied\n./DEM\n");
    remove(out.c_str());
    rmdir(dir.c_str());
}
