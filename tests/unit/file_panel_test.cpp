// The file-list panel's rows: which list it shows, where rows are clicked,
// scrolling.
#include <gtest/gtest.h>

#include "overlay/file_panel.h"
#include "state/asset_state.h"
#include "state/file_panel_state.h"
#include "tests/support/viewer_test.h"

namespace {

using FilePanel = ViewerTest;

}  // namespace

TEST_F(FilePanel, TheShownListIsTheOneClicksActOn) {
    EXPECT_EQ(file_panel_list(), nullptr);  // opened with 'T' before any list: nothing
    open_file_panel(&file_panel_lists_drape);
    EXPECT_EQ(file_panel_open, 1);
    EXPECT_EQ(file_panel_list(), drape_panel_names);
    open_file_panel(&file_panel_lists_flythrough);  // the other flag stays; flythroughs come first
    EXPECT_EQ(file_panel_lists_drape, 1);
    EXPECT_EQ(file_panel_list(), flythrough_panel_names);
    open_file_panel(&file_panel_lists_dem);
    EXPECT_EQ(file_panel_list(), dem_panel_names);
    file_panel_lists_dem = file_panel_lists_flythrough = file_panel_lists_drape = 0;
    open_file_panel(&file_panel_lists_vector);
    open_file_panel(&file_panel_lists_map);
    EXPECT_EQ(file_panel_list(), map_panel_names);
}

TEST_F(FilePanel, BandsLieOnTheDrawnRowsAtEveryHeight) {
    setup_file_rows(768);
    EXPECT_EQ(file_row_y[0], 747);
    EXPECT_EQ(file_row_y[19], 367);
    EXPECT_EQ(file_panel_row_at(10, 747), 0);
    EXPECT_EQ(file_panel_row_at(10, 740), 0);   // 7 below the centre: inside
    EXPECT_EQ(file_panel_row_at(10, 737), -1);  // in the gap between bands
    EXPECT_EQ(file_panel_row_at(200, 747), -1);
    EXPECT_EQ(file_panel_row_at(199, 727), 1);

    // A window 600 high draws its first row 15 pixels down: the band follows.
    setup_file_rows(600);
    EXPECT_EQ(file_panel_top(600), 15);
    EXPECT_EQ(file_row_y[0], 600 - 1 - 15);
    EXPECT_EQ(file_panel_row_at(10, 600 - 1 - 15 - 20 * 3), 3);
    setup_file_rows(768);
}

TEST_F(FilePanel, ScrollingKeepsEveryRowInsideTheLists) {
    scroll_file_panel(-1);
    EXPECT_EQ(file_panel_first_row, 0);
    for (int i = 0; i < 500; ++i) scroll_file_panel(1);
    EXPECT_EQ(file_panel_first_row, FILE_PANEL_LAST_FIRST_ROW);
    EXPECT_LE(file_panel_first_row + FILE_PANEL_ROWS, PANEL_TABLE_ROWS);
    scroll_file_panel(-3);
    EXPECT_EQ(file_panel_first_row, FILE_PANEL_LAST_FIRST_ROW - 3);
}
