// End to end: the navigation disk and trays with the mouse, help mode,
// recording from the terrain tray, and picking a face.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/e2e/viewer.h"

namespace {

// A hot spot's place at 1024 x 768, given from the bottom, in window pixels from the top.
struct Spot {
    int x, y;
};
Spot spot(int a, int b) { return Spot{a, 767 - b}; }

const Spot VIEW_HANDLE = spot(450, 440), TERRAIN_HANDLE = spot(454, 325), FORWARD = spot(511, 469);
const Spot WIRE_FRAME = spot(369, 456), INCREASE_EXAGGERATION = spot(368, 525), RECORD = spot(333, 275);

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
