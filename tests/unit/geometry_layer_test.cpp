// The geometry layer: its .vec file, replication and a full layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/geometry_file.h"
#include "geometry/geometry_layer.h"
#include "geometry/placement.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/overlay_state.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

namespace {

using GeometryLayer = ViewerTest;

std::string save(const char* name) {
    std::string path = make_temp_dir() + "/" + name;
    char error[GEOMETRY_ERROR_SIZE];
    EXPECT_TRUE(write_geometry_layer(path.c_str(), error, sizeof error)) << error;
    return path;
}

int load(const std::string& path, std::string* message = nullptr) {
    char error[GEOMETRY_ERROR_SIZE] = "";
    int n = read_geometry_layer(path.c_str(), error, sizeof error);
    if (message) *message = error;
    return n;
}

}  // namespace

TEST_F(GeometryLayer, FileIsWrittenExactlyAndReadsBack) {
    EXPECT_EQ(read_file(save("empty.vec")), "0\n");
    append_geometry_item(GEOMETRY_SPHERE, 120.5f, 35.0f, -80.25f, 0, 0, 0, 5.0f, 0);
    append_geometry_item(GEOMETRY_BILLBOARD, 10.0f, 40.0f, -12.0f, 0, 90.0f, 0, 5.0f, 2);
    append_geometry_item(7, 1.0f / 3.0f, 0, 0, 0, 0, 0, 1.0f, 0);  // unknown kinds are kept
    std::string path = save("layer.vec");
    EXPECT_EQ(read_file(path),
              "3\n"
              "0 120.500000 35.000000 -80.250000 0.000000 0.000000 0.000000 5.000000 0\n"
              "4 10.000000 40.000000 -12.000000 0.000000 90.000000 0.000000 5.000000 2\n"
              "7 0.333333 0.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0\n");
    geometry_item_count = 0;
    ASSERT_EQ(load(path), 3);
    EXPECT_EQ(geometry_items[1].texture, 2);
    EXPECT_EQ(geometry_items[2].kind, 7);
    EXPECT_FLOAT_EQ(geometry_items[2].x, 0.333333f);  // six decimals
    EXPECT_FLOAT_EQ(geometry_items[1].ry, 90.0f);

    // Whole numbers written with a decimal point read as "%d" reads them.
    std::string decimals = write_temp_file("d.vec", "2.0\n4.0 1 2 3 0 0 0 5 1.5\n-1.9 0 0 0 0 0 0 5 0\n");
    ASSERT_EQ(load(decimals), 2);
    EXPECT_EQ(geometry_items[0].kind, GEOMETRY_BILLBOARD);
    EXPECT_EQ(geometry_items[0].texture, 1);
    EXPECT_EQ(geometry_items[1].kind, -1);

    // A sphere line whose last field is 2 loads with picture 0.
    std::string sphere = write_temp_file("s.vec", "1\n0 1 2 3 0 0 0 5 2\n");
    ASSERT_EQ(load(sphere), 1);
    EXPECT_EQ(geometry_items[0].texture, 0);
    ASSERT_EQ(load(path), 3);  // a bigger layer replaces it whole
}

TEST_F(GeometryLayer, FilesThatDoNotScanAreRefusedAndTheLayerStays) {
    append_geometry_item(GEOMETRY_CONE, 1, 2, 3, 0, 0, 0, 5, 0);
    struct {
        const char* text;
        const char* line;
    } bad[] = {
        {"2\n0 1 2 3 0 0 0 5 0\n", "line 2: the file ends before item 2 of 2"},
        {"1\n0 1 2 3\n", "line 2: item 1"},  // a short last line is named, not the line after it
        {"1\n0 1 2 3 0 0 0 5\n\n\n", "line 2: item 1"},
        {"1\n4e0 1 2 3 0 0 0 5 0\n", "line 2"},  // what "%d" would not read stays refused
        {"1\n.5 1 2 3 0 0 0 5 0\n", "line 2"},
        {"1\n4 1 2 3 0 0 0 5 2x\n", "line 2"},
        {"1\n0 1 2 x 0 0 0 5 0\n", "line 2"},  // a number that does not scan
        {"-1\n", "line 1"},
        {"5001\n", "line 1"},
        {"", "line 1"},
        {"2\n0 1 2 3 0 0 0 5 0\n1 1 nan 3 0 0 0 5 0\n", "line 3"},
    };
    for (auto& b : bad) {
        geometry_item_count = 1;
        std::string message;
        EXPECT_EQ(load(write_temp_file("bad.vec", b.text), &message), -1) << b.text;
        EXPECT_NE(message.find(b.line), std::string::npos) << message;
        EXPECT_EQ(geometry_item_count, 1);
        EXPECT_EQ(geometry_items[0].kind, GEOMETRY_CONE);
    }
    std::string message;
    EXPECT_EQ(load("/nonexistent/x.vec", &message), -1);
    EXPECT_EQ(message, "Did not Find Vector File /nonexistent/x.vec");
    char error[GEOMETRY_ERROR_SIZE];
    EXPECT_FALSE(write_geometry_layer("/nonexistent/x.vec", error, sizeof error));
}

TEST_F(GeometryLayer, ReplicatesSpheresFromThemselvesAndBillboardsBeyondThem) {
    append_geometry_item(GEOMETRY_SPHERE, 10, 0, 0, 30, 40, 50, 9, 0);
    replicate_quantity = 3;
    replicate_mode = 1;
    ASSERT_EQ(replicate_selected(), 3);
    EXPECT_EQ(replicate_mode, 0);
    ASSERT_EQ(geometry_item_count, 4);
    float expected_x[] = {10, 15, 20};
    for (int i = 0; i < 3; ++i) {
        const GeometryItem& c = geometry_items[i + 1];
        EXPECT_FLOAT_EQ(c.x, expected_x[i]);
        EXPECT_EQ(c.rx, 0.0f);  // copies are unturned and of the new size
        EXPECT_EQ(c.size, 5.0f);
    }
    EXPECT_EQ(selected_item, 0);

    geometry_item_count = 0;
    append_geometry_item(GEOMETRY_BILLBOARD, 10, 0, 0, 0, 0, 0, 5, 2);
    augment_billboard = 0;  // the copies take the billboard's own picture
    ASSERT_EQ(replicate_selected(), 3);
    EXPECT_FLOAT_EQ(geometry_items[1].x, 15.0f);
    EXPECT_FLOAT_EQ(geometry_items[3].x, 25.0f);
    EXPECT_EQ(geometry_items[3].texture, 2);

    for (int q : {0, -2}) {
        replicate_quantity = q;
        int before = geometry_item_count;
        EXPECT_EQ(replicate_selected(), 0);
        EXPECT_EQ(geometry_item_count, before);
    }
    selected_item = 99;  // names no item: nothing happens
    replicate_quantity = 2;
    EXPECT_EQ(replicate_selected(), -1);
}

TEST_F(GeometryLayer, AFullLayerTakesWhatFitsAndNothingMore) {
    for (int i = 0; i < MAX_GEOMETRY_ITEMS - 2; ++i) add_geometry_item(GEOMETRY_CONE, (float)i, 0, 0);
    replicate_quantity = 5;
    EXPECT_EQ(replicate_selected(), 2);
    EXPECT_EQ(geometry_item_count, MAX_GEOMETRY_ITEMS);
    EXPECT_EQ(add_geometry_item(GEOMETRY_SPHERE, 0, 0, 0), -1);
    EXPECT_EQ(geometry_item_count, MAX_GEOMETRY_ITEMS);
}

TEST_F(GeometryLayer, AGoodLoadAfterARefusedOneClearsTheRefusal) {
    char previous[1024];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    std::string world = make_temp_dir();
    ASSERT_EQ(chdir(world.c_str()), 0);
    mkdir("Vector", 0755);
    for (const char* name : {"bad", "good"}) {
        std::string text = name[0] == 'b' ? "1\n0 1 2\n" : "1\n0 1 2 3 0 0 0 5 0\n";
        FILE* f = fopen((std::string("Vector/") + name + ".vec").c_str(), "w");
        ASSERT_NE(f, nullptr);
        fputs(text.c_str(), f);
        fclose(f);
    }
    testing::internal::CaptureStdout();
    EXPECT_FALSE(load_geometry_layer("bad.vec"));
    EXPECT_EQ(message_visible, 1);
    show_message("Recording...SPACE to stop");
    EXPECT_TRUE(load_geometry_layer("good.vec"));
    EXPECT_EQ(message_visible, 1);  // only a refusal goes
    EXPECT_FALSE(load_geometry_layer("bad.vec"));
    EXPECT_TRUE(load_geometry_layer("good.vec"));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(message_visible, 0);
    EXPECT_EQ(geometry_item_count, 1);
    ASSERT_EQ(chdir(previous), 0);
}
