// End to end: the navigation disk and trays with the mouse, help mode,
// recording from the terrain tray, and picking a face.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/e2e/viewer.h"

namespace {

constexpr int FILE_ENTRY = 0, FLYTHROUGH_ENTRY = 3;  // main menu > File > Flythrough
const WindowSpot VIEW_HANDLE = tray_spot(OP_UNFOLD_TRAY, TRAY_VIEW), TERRAIN_HANDLE = tray_spot(OP_UNFOLD_TRAY, TRAY_TERRAIN);
const WindowSpot FORWARD = tray_spot(OP_MOVE_FORWARD), WIRE_FRAME = tray_spot(OP_SHOW_WIRE_FRAME);
const WindowSpot INCREASE_EXAGGERATION = tray_spot(OP_RAISE_EXAGGERATION), RECORD = tray_spot(OP_RECORD_FLYTHROUGH);

// Share of near-white pixels along the message line at the bottom left.
double message_ink(const Screenshot& s) { return fraction_near_colour(s, 10, 700, 500, 735, 255, 255, 255, 40); }

// Share of pixels in [x0,x1) x [y0,y1) that differ by more than 30 in sum.
double changed_share(const Screenshot& a, const Screenshot& b, int x0, int y0, int x1, int y1) {
    long differing = 0, all = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, a.height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, a.width); ++x, ++all) {
            const unsigned char* p = &a.rgb[(y * a.width + x) * 3];
            const unsigned char* q = &b.rgb[(y * a.width + x) * 3];
            differing += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 30;
        }
    return all ? (double)differing / all : 0.0;
}

bool type(Viewer& v, const std::string& text) {
    for (char c : text)
        if (!v.press_key(std::string(1, c))) return false;
    return true;
}

bool click(Viewer& v, WindowSpot at) { return v.click(at.x, at.y, 1); }

std::set<std::string> file_names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

// The buttons that open the file list; the list then takes every press until
// one of its rows is chosen.
bool opens_file_list(TrayOperation operation) {
    for (TrayOperation list : {OP_LIST_GEOMETRY, OP_LIST_DEMS, OP_LIST_DRAPES, OP_LIST_FLYTHROUGHS, OP_LIST_MAPS})
        if (operation == list) return true;
    return false;
}

}  // namespace

TEST(Overlay, HandlesUnfoldTraysAndTheViewTrayDrawsAWireFrame) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot folded = v.shot();
    ASSERT_TRUE(v.click(VIEW_HANDLE.x, VIEW_HANDLE.y, 1));
    Screenshot unfolded = v.shot();
    keep_shot(unfolded, "view-tray");
    // The panel appears in the upper left quarter around the disk, nowhere else.
    int w = folded.width, h = folded.height;
    EXPECT_GT(changed_share(folded, unfolded, w / 2 - 220, h / 2 - 220, w / 2, h / 2), 0.1);
    EXPECT_LT(changed_share(folded, unfolded, w / 2 + 40, h / 2 + 40, w, h), 0.001);

    ASSERT_TRUE(v.click(WIRE_FRAME.x, WIRE_FRAME.y, 1));
    Screenshot wire = v.shot();
    keep_shot(wire, "wire-frame");
    // Lines over black: the lower half is mostly background now.
    EXPECT_GT(fraction_near_colour(wire, 0, wire.height * 3 / 4, wire.width, wire.height, 0, 0, 0, 10), 0.3);
    EXPECT_LT(fraction_near_colour(unfolded, 0, wire.height * 3 / 4, wire.width, wire.height, 0, 0, 0, 10), 0.05);
}

TEST(Overlay, HoldingTheForwardArrowFliesUntilTheButtonIsReleased) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    Screenshot still = v.shot();
    ASSERT_TRUE(v.press(FORWARD.x, FORWARD.y, 1));
    ASSERT_TRUE(v.wait_frames(10));
    Screenshot moving = v.shot();
    EXPECT_GT(fraction_differing(still, moving, 24), 0.1);
    ASSERT_TRUE(v.release(5, 5, 1));  // anywhere: the hold ends
    Screenshot stopped = v.shot();
    ASSERT_TRUE(v.wait_frames(10));
    // Only the frame-rate line at the top left may still change.
    Screenshot later = v.shot();
    EXPECT_LT(fraction_differing(stopped, later, 8), 0.005);
}

TEST(Overlay, HelpModeNamesTheButtonUnderThePointerAndHidesOverEmptySpace) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    EXPECT_LT(message_ink(v.shot()), 0.001);
    ASSERT_TRUE(v.press_key("h"));  // help mode: all trays unfold, its message shows
    Screenshot help = v.shot();
    EXPECT_GT(message_ink(help), 0.01);
    ASSERT_TRUE(v.move(INCREASE_EXAGGERATION.x, INCREASE_EXAGGERATION.y));
    Screenshot named = v.shot();
    EXPECT_GT(message_ink(named), 0.01);
    EXPECT_GT(fraction_differing(help, named, 24), 0.0005);  // another text on the line
    ASSERT_TRUE(v.click(INCREASE_EXAGGERATION.x, INCREASE_EXAGGERATION.y, 1));
    EXPECT_EQ(v.console().find("\n1.250000\n"), std::string::npos);  // help mode explains, it does not act
    ASSERT_TRUE(v.move(60, 300));
    EXPECT_LT(message_ink(v.shot()), 0.001);
}

TEST(Overlay, RecordFromTheTerrainTraySpaceAndANameSaveTheFlight) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.click(TERRAIN_HANDLE.x, TERRAIN_HANDLE.y, 1));
    ASSERT_TRUE(v.click(RECORD.x, RECORD.y, 1));
    ASSERT_TRUE(v.hold_key("Right", 10));
    ASSERT_TRUE(v.press_key("space"));
    ASSERT_TRUE(type(v, "trip"));
    ASSERT_TRUE(v.press_key("Return"));
    ASSERT_TRUE(v.wait_for_console("After: numitems"));
    struct stat info;
    ASSERT_EQ(stat((v.dir + "/Flythrough/trip.flt").c_str(), &info), 0);
    EXPECT_GT(info.st_size, 100);
}

TEST(Overlay, EveryTrayClickWhileAFlightIsNamedLeavesTheNameAsTyped) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    const std::set<std::string> flights = file_names(v.dir + "/Flythrough"), layers = file_names(v.dir + "/Vector");
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.operation == OP_UNFOLD_TRAY) {
            ASSERT_TRUE(click(v, tray_spot(e)));
        }
    }
    ASSERT_TRUE(click(v, RECORD));
    ASSERT_TRUE(v.hold_key("Right", 10));
    ASSERT_TRUE(v.press_key("space"));  // "Enter FileName: ./Flythrough/"

    for (const TrayElement& e : TRAY_ELEMENTS) {
        // Folding comes last, so that every button acts.
        if (e.operation == OP_FOLD_TRAY) continue;
        ASSERT_TRUE(click(v, tray_spot(e))) << "slot " << e.slot;
        // The list's first file closes it again: a terrain, layer, drape or
        // map loads; a flythrough is refused until the recording is named.
        if (opens_file_list(e.operation)) {
            ASSERT_TRUE(v.click(20, 40, 1)) << "slot " << e.slot;
        }
    }
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.operation == OP_FOLD_TRAY) {
            ASSERT_TRUE(click(v, tray_spot(e)));
        }
    }
    std::string console = v.console();
    EXPECT_NE(console.find("before recording again"), std::string::npos);  // Record kept the samples
    EXPECT_NE(console.find("Finish typing the name on screen first"), std::string::npos);  // no second prompt
    EXPECT_NE(console.find("before loading Grand_Tour.flt"), std::string::npos);
    EXPECT_NE(console.find("DEM Canyon.dem"), std::string::npos);  // the lists were really opened
    ASSERT_EQ(console.find("After: numitems"), std::string::npos);  // nothing saved yet

    ASSERT_TRUE(type(v, "walk"));
    ASSERT_TRUE(v.press_key("Return"));
    ASSERT_TRUE(v.wait_for_console("After: numitems"));
    std::set<std::string> expected = flights;
    expected.insert("walk.flt");
    EXPECT_EQ(file_names(v.dir + "/Flythrough"), expected);
    EXPECT_EQ(file_names(v.dir + "/Vector"), layers);

    // It plays from the Flythrough menu with every sample recorded.
    int samples = 0;
    std::ifstream(v.dir + "/Flythrough/walk.flt") >> samples;
    EXPECT_GE(samples, 10);
    const int position = menu_position(v.dir + "/Flythrough", ".flt", "walk.flt");
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, FLYTHROUGH_ENTRY, position}));
    ASSERT_TRUE(v.wait_for_console("Opening Flythrough File: walk.flt"));
    ASSERT_TRUE(v.wait_for_console("No. of Frames: " + std::to_string(samples) + "\n"));
}

TEST(Picking, AClickOnAHillMarksTheCornersOfTheFaceUnderThePointer) {
    Viewer v;
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.toggle_overlay());  // a click now picks instead of hitting the disk
    Screenshot before = v.shot();
    const int x = 600, y = 640;  // the near ground, below the horizon
    ASSERT_TRUE(v.click(x, y, 1));
    Screenshot after = v.shot();
    keep_shot(after, "picked");
    // The three markers appear where the pointer was; below the frame-rate
    // line at the top, nothing else changes.
    EXPECT_GT(changed_share(before, after, x - 80, y - 80, x + 80, y + 80), 0.002);
    EXPECT_LT(changed_share(before, after, 0, 40, after.width, y - 80), 0.0005);
}
