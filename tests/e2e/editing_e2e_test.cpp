// End to end: editing a picked face from the mesh tray, keeping the result in
// dump.dem, and loading terrains from the file list.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/e2e/viewer.h"

namespace {

constexpr int FILE_ENTRY = 0, DEM_ENTRY = 0;
const WindowSpot MESH_HANDLE = tray_spot(OP_UNFOLD_TRAY, TRAY_MESH), EDIT_BY_FACE = tray_spot(OP_EDIT_FACES);
const WindowSpot TERRAIN_HANDLE = tray_spot(OP_UNFOLD_TRAY, TRAY_TERRAIN), OPEN_DEM = tray_spot(OP_LIST_DEMS),
                 SAVE_DEM = tray_spot(OP_SAVE_DEM);

std::string read_text(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "";
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    fclose(f);
    return text;
}

}  // namespace

TEST(Editing, AFaceExtrudedWithTheDigitKeysIsSavedAndLoadsBack) {
    Viewer v;
    // A save of an earlier viewer ended by kill -9 is swept at the start.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string stale = v.dir + "/.kestrolane-" + std::to_string(gone) + "-Abc123.tmp";
    FILE* left = fopen(stale.c_str(), "w");
    ASSERT_NE(left, nullptr);
    fclose(left);
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    EXPECT_NE(v.console().find("Removed 1 unfinished save left by an earlier run\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(stale));
    ASSERT_TRUE(v.toggle_overlay());
    ASSERT_TRUE(v.click(600, 700, 1));  // pick a face of the ground close ahead
    ASSERT_TRUE(v.toggle_overlay());
    ASSERT_TRUE(v.click(MESH_HANDLE.x, MESH_HANDLE.y, 1));
    ASSERT_TRUE(v.click(EDIT_BY_FACE.x, EDIT_BY_FACE.y, 1));
    Screenshot flat = v.shot();
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(v.press_key("8"));  // twelve steps along the face's normal
    Screenshot raised = v.shot();
    keep_shot(raised, "extruded");
    EXPECT_GT(fraction_differing(flat, raised, 24), 0.002);

    ASSERT_TRUE(v.click(TERRAIN_HANDLE.x, TERRAIN_HANDLE.y, 1));
    ASSERT_TRUE(v.click(SAVE_DEM.x, SAVE_DEM.y, 1));
    ASSERT_TRUE(v.wait_for_console("Saved dump.dem: "));
    std::string dump = read_text(v.dir + "/dump.dem");
    char size[32];
    snprintf(size, sizeof size, "%.1f MB\n", dump.size() / 1e6);
    EXPECT_NE(v.console().find(std::string("Saved dump.dem: ") + size), std::string::npos) << v.console();
    ASSERT_EQ(dump.rfind("# Kestrolane DEM\n", 0), 0u);
    EXPECT_NE(dump.find("\nf "), std::string::npos);

    // In a world that holds the dump under DEM/, it loads from the menu as any terrain.
    Viewer again;
    std::filesystem::copy_file(v.dir + "/dump.dem", again.dir + "/DEM/Edited.dem");
    v.stop();  // one viewer at a time
    ASSERT_TRUE(again.start("\n"));
    ASSERT_TRUE(again.open_window());
    ASSERT_TRUE(again.choose_menu_entry({FILE_ENTRY, DEM_ENTRY, 1}));  // Canyon, Edited, Ranges, Volcano
    ASSERT_TRUE(again.wait_for_console("Edited.dem\nVertices:66049 Polygons:131072\n"));
    ASSERT_TRUE(again.wait_frames(SETTLE_FRAMES));  // the load ends inside the menu's callback
    std::string console = again.console();
    size_t compiled = console.rfind("Building Display Lists...Done!\n");
    EXPECT_GT(compiled, console.find("Edited.dem"));  // the edited terrain was compiled, not refused
    EXPECT_TRUE(again.running());
}

TEST(Editing, TheFileListOpensOnTheDemsAndARowLoadsItsTerrain) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.click(TERRAIN_HANDLE.x, TERRAIN_HANDLE.y, 1));
    Screenshot before = v.shot();
    ASSERT_TRUE(v.click(OPEN_DEM.x, OPEN_DEM.y, 1));
    Screenshot listed = v.shot();
    keep_shot(listed, "file-list");
    // The names are drawn at the top left, row by row.
    EXPECT_GT(fraction_near_colour(listed, 0, 30, 100, 110, 255, 255, 255, 40), 0.01);
    EXPECT_LT(fraction_near_colour(before, 0, 30, 100, 110, 255, 255, 255, 40), 0.001);
    ASSERT_TRUE(v.click(20, 40, 1));  // row 1: the first file, Canyon.dem
    ASSERT_TRUE(v.wait_for_console("DEM Canyon.dem"));
    ASSERT_TRUE(v.wait_for_console("Vertices:16641 Polygons:32768"));
    ASSERT_TRUE(v.wait_frames(SETTLE_FRAMES));
    EXPECT_LT(fraction_near_colour(v.shot(), 0, 30, 100, 110, 255, 255, 255, 40), 0.001);  // the list has closed
}
