// The overlay's layout, hit-testing and tray rules, without a window.
#include <gtest/gtest.h>

#include "camera/camera.h"
#include "overlay/readouts.h"
#include "overlay/tray_layout.h"
#include "overlay/tray_logic.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/keyboard_state.h"
#include "state/mesh_edit_state.h"
#include "state/overlay_state.h"
#include "tests/support/viewer_test.h"

namespace {
using OverlayLayout = ViewerTest;
using OverlayHitTest = ViewerTest;
using TrayRules = ViewerTest;
using MouseHolds = ViewerTest;
using Readouts = ViewerTest;
}  // namespace

TEST_F(OverlayLayout, ReferenceSizeGivesTheTableExactly) {
    layout_overlay_for(1024, 768);
    for (const TrayElement& e : TRAY_ELEMENTS) {
        EXPECT_EQ(hot_spots[e.slot].cx, (float)e.x) << e.slot;
        EXPECT_EQ(hot_spots[e.slot].cy, (float)e.y) << e.slot;
        EXPECT_EQ(hot_spots[e.slot].kind, e.kind) << e.slot;
    }
    EXPECT_EQ(hot_spots[5].kind, HOT_NONE);
    EXPECT_EQ(hot_spots[50].kind, HOT_NONE);
    EXPECT_EQ(hot_half_width[HOT_BUTTON], 20.0f);
    EXPECT_EQ(hot_half_height[HOT_BUTTON], 20.0f);
    EXPECT_EQ(hot_half_width[HOT_HANDLE], 10.0f);
    EXPECT_EQ(hot_half_width[HOT_ARROW], 25.0f);
    EXPECT_EQ(hot_half_height[HOT_ARROW], 15.0f);
    EXPECT_EQ(hot_half_width[HOT_LOOK_PAD], 55.0f);
}

TEST_F(OverlayLayout, FourByThreeWindowsScaleTheTableAndWideOnesStayCentred) {
    layout_overlay_for(800, 600);
    EXPECT_FLOAT_EQ(hot_spots[0].cx, 399.21875f);
    EXPECT_FLOAT_EQ(hot_spots[0].cy, 299.21875f);
    EXPECT_EQ(hot_half_width[HOT_BUTTON], 15.0f);
    EXPECT_EQ(hot_half_height[HOT_BUTTON], 15.0f);
    EXPECT_EQ(hot_half_width[HOT_HANDLE], 7.0f);
    EXPECT_EQ(hot_half_height[HOT_HANDLE], 7.0f);
    EXPECT_EQ(hot_spots[7].cx, 351.0f);  // trunc(800 * 450 / 1024), left of the centre
    EXPECT_EQ(hot_spots[6].cx, 445.0f);  // trunc(800 * 570 / 1024)

    // Twice as wide: the overlay is drawn at the same size in the middle.
    layout_overlay_for(2048, 768);
    EXPECT_EQ(hot_spots[14].cx, 1024.0f + 619 - 512);
    EXPECT_EQ(hot_spots[11].cx, 1024.0f + 346 - 512);
    EXPECT_EQ(hot_spots[14].cy, 489.0f);
    EXPECT_EQ(hot_half_width[HOT_BUTTON], 20.0f);
    EXPECT_EQ(hot_half_width[HOT_HANDLE], 10.0f);
}

TEST_F(OverlayHitTest, LowestSlotWinsAndEdgesMiss) {
    layout_overlay_for(1024, 768);
    // Inside both the look pad (up to 566) and the folded mesh handle (560..580).
    EXPECT_EQ(find_hot_spot(562, 432), 0);
    // Extrude (599..639, 469..509) overlaps Depress (564..604, 438..478).
    EXPECT_EQ(find_hot_spot(601, 471), 14);
    EXPECT_EQ(find_hot_spot(584, 458), 15);
    // On the box edge: a miss (strict), just inside: a hit.
    EXPECT_EQ(find_hot_spot(691 + 20, 493), -1);
    EXPECT_EQ(find_hot_spot(691 + 19, 493), 22);
    EXPECT_EQ(find_hot_spot(621, 202), 29);  // laid out, though it does nothing
    EXPECT_EQ(find_hot_spot(5, 5), -1);
}

TEST_F(OverlayHitTest, EveryElementAnswersAtItsOwnCentre) {
    // Boxes overlap at their corners; none may hide another's centre, or
    // that element could never be clicked.
    const int sizes[][2] = {{1024, 768}, {800, 600}, {1920, 1080}};
    for (const auto& size : sizes) {
        layout_overlay_for(size[0], size[1]);
        for (const TrayElement& e : TRAY_ELEMENTS) {
            const HotSpot& h = hot_spots[e.slot];
            EXPECT_EQ(find_hot_spot((int)h.cx, (int)h.cy), e.slot) << size[0] << "x" << size[1];
        }
    }
}

TEST_F(TrayRules, EachToggleClearsTheFirstSetModeOfItsOwnOrder) {
    vertex_edit_mode = light_edit_mode = face_edit_mode = 1;
    ASSERT_TRUE(toggle_edit_mode(OP_EDIT_LINES));  // line: clears vertex first
    EXPECT_EQ(vertex_edit_mode, 0);
    EXPECT_EQ(light_edit_mode, 1);
    EXPECT_EQ(face_edit_mode, 1);
    EXPECT_EQ(line_edit_mode, 1);

    ASSERT_TRUE(toggle_edit_mode(OP_TRANSFORM_GEOMETRY));  // transform: clears line first
    EXPECT_EQ(line_edit_mode, 0);
    EXPECT_EQ(geometry_transform_mode, 1);
    ASSERT_TRUE(toggle_edit_mode(OP_TRANSFORM_GEOMETRY));  // light is next in its order, then it switches off
    EXPECT_EQ(light_edit_mode, 0);
    EXPECT_EQ(geometry_transform_mode, 0);

    clear_edit_modes();
    material_edit_mode = replicate_mode = 1;
    ASSERT_TRUE(toggle_edit_mode(OP_REPLICATE));  // replicate: material is last in its order
    EXPECT_EQ(material_edit_mode, 0);
    EXPECT_EQ(replicate_mode, 0);
    vertex_edit_mode = 1;
    ASSERT_TRUE(toggle_edit_mode(OP_EDIT_LIGHT));  // lighting clears nothing
    EXPECT_EQ(light_edit_mode, 1);
    EXPECT_EQ(vertex_edit_mode, 1);
    EXPECT_FALSE(toggle_edit_mode(OP_NONE));
}

TEST_F(TrayRules, HelpTextsAndTrays) {
    EXPECT_STREQ(tray_help_text(26), "Transform Geometry (Use Num Pad) ");
    EXPECT_STREQ(tray_help_text(30), "Seek to selected geometry ");
    EXPECT_STREQ(tray_help_text(16), "Select Multiple Faces (not Enabled)");
    EXPECT_STREQ(tray_help_text(29), "");
    EXPECT_STREQ(tray_help_text(5), "");
    EXPECT_STREQ(tray_help_text(69), "");
    EXPECT_STREQ(tray_help_text(-1), "");
    EXPECT_EQ(tray_flag_for_slot(14), &mesh_tray_open);
    EXPECT_EQ(tray_flag_for_slot(31), &geometry_tray_open);
    EXPECT_EQ(tray_flag_for_slot(40), &terrain_tray_open);
    EXPECT_EQ(tray_flag_for_slot(41), &view_tray_open);
    EXPECT_EQ(tray_flag_for_slot(13), nullptr);
}

TEST_F(MouseHolds, TheReleaseEndsEveryHoldAndTheDragTilts) {
    camera_fwd_speed = camera_back_speed = 30;
    hold_forward = hold_backward = hold_look_left = hold_look_right = look_drag_active = 1;
    release_mouse_holds();
    EXPECT_EQ(hold_forward + hold_backward + hold_look_left + hold_look_right + look_drag_active, 0);
    EXPECT_EQ(camera_fwd_speed, 0.0f);
    EXPECT_EQ(camera_back_speed, 0.0f);

    overlay_visible = 1;
    drag_look_pad(100);  // not dragging: only remembered
    EXPECT_EQ(camera_dir_y, 0.0f);
    look_drag_active = 1;
    drag_look_pad(120);  // down the screen: look up
    drag_look_pad(120);
    drag_look_pad(90);
    drag_look_pad(80);
    EXPECT_NEAR(camera_dir_y, -0.1f, 1e-6);
}

TEST_F(Readouts, FrameRateLineAndEditChainStayInTheirBuffers) {
    count_frame_for_readout(1000);  // not more than a second yet
    EXPECT_STREQ(frame_rate_line(), "");
    camera_eye_y = 3e38f;  // a huge height still fits the line
    count_frame_for_readout(2000);
    EXPECT_EQ(std::string(frame_rate_line()).rfind("FPS:1.00 Height:", 0), 0u);
    snprintf(item_readout_text, sizeof item_readout_text, "1.00 2.00 3.00");
    EXPECT_STREQ(frame_rate_line(), "1.00 2.00 3.00");
    count_frame_for_readout(3500);  // the next update replaces the item's position
    EXPECT_EQ(std::string(frame_rate_line()).rfind("FPS:", 0), 0u);

    char lines[3][READOUT_LINE_SIZE];
    clear_edit_modes();
    EXPECT_EQ(format_edit_readout(lines), -1);
    replicate_mode = 1;
    replicate_offset[0] = -3e38f;
    ASSERT_EQ(format_edit_readout(lines), 3);
    EXPECT_STREQ(lines[2], "Press 5 to Multi-Replicate");
    face_edit_mode = 1;
    EXPECT_EQ(format_edit_readout(lines), 0);  // face editing shows nothing, not even the prompt
}
