// Hostile files and answers, chosen the way a user chooses them (menus, keys,
// start-up answers): each is refused with its message and what was loaded
// before stays.
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "app/menus.h"
#include "app/startup.h"
#include "files/asset_dir.h"
#include "flythrough/flythrough.h"
#include "frame/frame.h"
#include "input/keyboard.h"
#include "state/app_state.h"
#include "state/asset_state.h"
#include "state/flythrough_state.h"
#include "state/keyboard_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/terrain_loader.h"
#include "tests/gl/gl_support.h"
#include "tests/support/temp_files.h"

namespace {

// The menu value a file got in its folder's scan.
int menu_value(AssetName* names, const char* name) {
    for (int v = FIRST_MENU_VALUE; v <= LAST_MENU_VALUE; ++v)
        if (strcmp(names[v], name) == 0) return v;
    ADD_FAILURE() << name << " is not listed";
    return 0;
}

// Twenty samples at speed 2.
std::string tour() {
    std::string text = "20\n0 5 0 0 5 -1\n";
    for (int i = 0; i < 20; ++i) text += "2 " + std::to_string(i * 0.01) + " 5 -0.1\n";
    return text;
}

// A scratch world whose folders hold hostile files beside good ones. Every
// test runs under a watchdog: a read that blocks fails it instead of hanging.
class HostileGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        alarm(60);
        ASSERT_NE(getcwd(previous_dir, sizeof previous_dir), nullptr);
        world = make_temp_dir();
        for (const char* d : {"DEM", "Drape", "Map", "Flythrough", "Vector"}) mkdir((world + "/" + d).c_str(), 0755);
        ASSERT_EQ(chdir(world.c_str()), 0);
        put_file("DEM/empty.dem", "");
        put_file("DEM/noise.dem", std::string("\x01\xfe\x7f v\x00\n\xff\xee", 10));
        put_file("DEM/talk.dem", "usemtl rock\nvn 0 1 0\n# nothing else\n");
        put_file("DEM/nan.dem", "v 0 0 0\nv 1 nan 0\nv 0 0 1\nf 1/1/1 2/2/2 3/3/3\n");
        put_file("DEM/farvt.dem", "v 0 0 0\nv 1 0 0\nv 0 0 1\nvt 0 0\nvt 0 1e39\nf 1/1/1 2/2/2 3/3/3\n");
        put_file("DEM/inf.dem", "v 0 0 0\nv 1 0 0\nv 0 0 1\nvt inf 0\nf 1/1/1 2/2/2 3/3/3\n");
        mkfifo("DEM/pipe.dem", 0644);
        put_file("Drape/huge.raw", "0123456789");
        put_file("Drape/huge.info", "16384 16384 4\n");
        mkfifo("Drape/pipe.raw", 0644);
        put_file("Drape/pipe.info", "2 2 3\n");
        put_file("Map/infopipe.raw", "abcd");
        mkfifo("Map/infopipe.info", 0644);
        put_file("Flythrough/tour.flt", tour());
        put_file("Flythrough/nan.flt", "2\n0 0 0 0 0 -1\n1 0 0 0\nnan 0 0 0\n");
        put_file("Flythrough/inf.flt", "1\n0 0 0 0 0 -1\n1 inf 0 0\n");
        put_file("Flythrough/big.flt", "2\n0 0 0 0 0 -1\n1e39 0 0 0\n1 0 0 0\n");
        put_file("Flythrough/fast.flt", "1\n0 0 0 0 0 -1\n3e9 0 0 0\n");
        mkfifo("Flythrough/pipe.flt", 0644);
        testing::internal::CaptureStdout();
        scan_asset_names("./DEM", ".dem", dem_menu_names, dem_panel_names, nullptr);
        scan_asset_names("./Drape", ".raw", drape_menu_names, drape_panel_names, nullptr);
        scan_asset_names("./Map", ".raw", map_menu_names, map_panel_names, nullptr);
        scan_asset_names("./Flythrough", ".flt", flythrough_menu_names, flythrough_panel_names, nullptr);
        testing::internal::GetCapturedStdout();
        load_startup_terrain(grid_terrain_text(9, 9, dome_height));
        flythrough_menu = glutCreateMenu([](int) {});
    }
    void TearDown() override {
        glutDestroyMenu(flythrough_menu);
        ASSERT_EQ(chdir(previous_dir), 0);
        alarm(0);
    }

    // Chooses `name` from a menu and returns the console it printed.
    std::string choose(void (*handler)(int), AssetName* names, const char* name) {
        testing::internal::CaptureStdout();
        handler(menu_value(names, name));
        return testing::internal::GetCapturedStdout();
    }

    std::string world;
    char previous_dir[1024];
};

}  // namespace

TEST_F(HostileGl, DemsWithoutVerticesOrFacesOrWithNumbersThatAreNotFiniteKeepTheTerrain) {
    unsigned list = terrain_list;
    const char* cases[][2] = {
        {"empty.dem", "./DEM/empty.dem is not a terrain: it has 0 vertices and 0 faces"},
        {"noise.dem", "./DEM/noise.dem is not a terrain"},
        {"talk.dem", "./DEM/talk.dem is not a terrain"},
        {"nan.dem", "./DEM/nan.dem line 2: a vertex line needs three finite numbers"},
        {"farvt.dem", "./DEM/farvt.dem line 5: a texture coordinate line needs two finite numbers"},
        {"inf.dem", "./DEM/inf.dem line 4: a texture coordinate line needs two finite numbers"},
        {"pipe.dem", "./DEM/pipe.dem is not a regular file"},
    };
    for (auto& c : cases) {
        std::string console = choose(on_dem_menu, dem_menu_names, c[0]);
        EXPECT_NE(console.find(c[1]), std::string::npos) << console;
        EXPECT_NE(std::string(message_text).find(c[1]), std::string::npos) << message_text;
        EXPECT_EQ(terrain_vertex_count, 81) << c[0];
        EXPECT_EQ(terrain_face_count, 128) << c[0];
        EXPECT_EQ(terrain_list, list);
    }
}

TEST_F(HostileGl, TheTexelMarkStaysInsideTheImageWhateverTheCoordinates) {
    // A refused file cannot bring its far coordinate in; the loaded grid's
    // corner then marks its own texel. Coordinates set on the mesh directly
    // (as no file can) still land inside the 4 x 4 image.
    choose(on_dem_menu, dem_menu_names, "farvt.dem");
    const float odd[] = {NAN, INFINITY, -INFINITY, 1e38f, -1e38f, 3e9f, -1e-45f, 0.99999994f, -0.0f};
    std::string before(reinterpret_cast<char*>(terrain_image), 48);
    for (float s : odd) {
        for (float t : odd) {
            picked_face = 0;
            TerrainVertex& v = terrain_vertices[terrain_faces[0].corners[0].texcoord - 1];
            v.s = s;
            v.t = t;
            testing::internal::CaptureStdout();
            press("^");
            std::string console = testing::internal::GetCapturedStdout();
            // The last line printed is the byte offset written.
            size_t end = console.find_last_not_of('\n'), start = console.find_last_of('\n', end);
            long offset = strtol(console.substr(start + 1, end - start).c_str(), nullptr, 10);
            EXPECT_TRUE(offset >= 0 && offset <= 45 && offset % 3 == 0) << s << " " << t << ": " << console;
        }
    }
    // Only whole white texels were written, all inside the image's 48 bytes.
    std::string after(reinterpret_cast<char*>(terrain_image), 48);
    for (int i = 0; i < 48; i += 3) {
        bool white = (unsigned char)after[i] == 255 && (unsigned char)after[i + 1] == 255 &&
                     (unsigned char)after[i + 2] == 255;
        EXPECT_TRUE(white || after.compare(i, 3, before, i, 3) == 0) << i;
    }
    EXPECT_TRUE(glIsTexture(terrain_texture));
}

TEST_F(HostileGl, FlightsWithSamplesThatAreNotFiniteOrTooFastAreRefusedAndTheFlightGoesOn) {
    std::string console = choose(on_flythrough_menu, flythrough_menu_names, "tour.flt");
    ASSERT_EQ(mode_playback, 1);
    draw_frame();  // the start pose
    draw_frame();  // sample 1
    const char* cases[][2] = {
        {"nan.flt", "./Flythrough/nan.flt: sample 2 of 2 holds a number that is not finite"},
        {"inf.flt", "./Flythrough/inf.flt: sample 1 of 1 holds a number that is not finite"},
        {"big.flt", "./Flythrough/big.flt: sample 1 of 2"},
        {"fast.flt", "./Flythrough/fast.flt: sample 1 of 1"},
        {"pipe.flt", "./Flythrough/pipe.flt is not a regular file"},
    };
    int played = flythrough_frame;
    for (auto& c : cases) {
        console = choose(on_flythrough_menu, flythrough_menu_names, c[0]);
        EXPECT_NE(console.find(c[1]), std::string::npos) << console;
        EXPECT_NE(std::string(message_text).find(c[1]), std::string::npos) << message_text;
        // The tour plays on from where it was (the choice drew one frame of it).
        EXPECT_EQ(mode_playback, 1);
        EXPECT_EQ(flythrough_frame_count, 20);
        EXPECT_EQ(flythrough_frame, ++played);
        EXPECT_FLOAT_EQ(flythrough_speed[0], 2.0f);
        EXPECT_FLOAT_EQ(flythrough_start_eye[1], 5.0f);
    }
}

TEST_F(HostileGl, DrapesThatTheFileCannotHoldOrThatArePipesKeepTheTexture) {
    unsigned texture = terrain_texture;
    unsigned char* image = terrain_image;
    std::string console = choose(on_raster_menu, drape_menu_names, "huge.raw");
    EXPECT_NE(console.find("Texture ./Drape/huge.raw holds 10 bytes; 16384 x 16384 x 4 needs 1073741824"),
              std::string::npos)
        << console;
    console = choose(on_raster_menu, drape_menu_names, "pipe.raw");
    EXPECT_NE(console.find("./Drape/pipe.raw is not a regular file"), std::string::npos) << console;
    console = choose(on_map_menu, map_menu_names, "infopipe.raw");
    EXPECT_NE(console.find("./Map/infopipe.info is not a regular file"), std::string::npos) << console;
    EXPECT_EQ(terrain_texture, texture);
    EXPECT_EQ(terrain_image, image);
    EXPECT_EQ(texture_width, 4);
}

TEST_F(HostileGl, SavingAFlightOntoAPipeAsksAgainAndKeepsTheSamples) {
    mkfifo("Flythrough/taken.flt", 0644);
    start_recording();
    for (int i = 0; i < 4; ++i) draw_frame();
    press(" ");
    testing::internal::CaptureStdout();
    press("taken\r");
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("Cannot create ./Flythrough/taken.flt: it exists and is not a regular file"),
              std::string::npos)
        << console;
    EXPECT_EQ(filename_entry_active, 1);
    EXPECT_EQ(flythrough_frame, 5);
    testing::internal::CaptureStdout();
    press("other\r");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file("Flythrough/other.flt").rfind("5\n", 0), 0u);
}

// At start-up the same refusals end the program with their message, after a
// key press: the terrain named at the Config Utility is chosen there.
using HostileStartUp = GlTest;

TEST_F(HostileStartUp, AnEmptyOrPipeTerrainNamedAtTheConfigUtilityIsFatalWithItsMessage) {
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    std::string dir = std::string(cwd) + "/hostile_startup";
    mkdir(dir.c_str(), 0755);
    put_file(dir + "/tex.raw", std::string(4 * 4 * 3, '\x20'));
    put_file(dir + "/My Empty.obj", "# nothing here\n");
    remove((dir + "/pipe.obj").c_str());
    mkfifo((dir + "/pipe.obj").c_str(), 0644);
    struct Case { const char* answers; const char* message; } cases[] = {
        {"n\nMy Empty.obj\ntex.raw\n1\n1\n",
         "\nMy Empty.obj is not a terrain: it has 0 vertices and 0 faces...Quitting.\n"},
        {"n\npipe.obj\ntex.raw\n1\n1\n", "\npipe.obj is not a regular file...Quitting.\n"},
    };
    for (const Case& c : cases) {
        std::string answers = dir + "/answers.txt", out = dir + "/console.txt";
        put_file(answers, std::string(c.answers) + "x");  // "x": the key the fatal message waits for
        std::string console = console_of_quitting(
            [] {
                alarm(30);
                run_start_dialogue(stdin);
                load_terrain(terrain_file_name, texture_file_name, texture_components, texture_width,
                             texture_height, 0);
                exit(0);
            },
            out, dir, answers);
        EXPECT_NE(console.find(c.message), std::string::npos) << console;
    }
}
