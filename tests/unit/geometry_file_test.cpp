// The .vec file against what a hostile folder may hold.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/geometry_file.h"
#include "state/geometry_state.h"
#include "tests/support/temp_files.h"
#include "tests/support/viewer_test.h"

using VectorFile = ViewerTest;

TEST_F(VectorFile, PipesAreNeitherReadNorSavedOntoAndTheLayerStays) {
    std::string dir = make_temp_dir(), pipe = dir + "/pipe.vec";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    geometry_item_count = 1;
    geometry_items[0] = GeometryItem{0, 1, 2, 3, 0, 0, 0, 0, 5};
    alarm(20);  // a blocked open fails the test instead of hanging it
    char error[GEOMETRY_ERROR_SIZE];
    EXPECT_EQ(read_geometry_layer(pipe.c_str(), error, sizeof error), -1);
    EXPECT_NE(std::string(error).find("pipe.vec is not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(write_geometry_layer(pipe.c_str(), error, sizeof error));
    EXPECT_NE(std::string(error).find("it exists and is not a regular file"), std::string::npos) << error;
    alarm(0);
    struct stat info;
    ASSERT_EQ(stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));  // not replaced by a file
    EXPECT_EQ(geometry_item_count, 1);

    std::string odd = write_temp_file("odd.vec", "1\n0 nan inf 0 0 0 0 5 0\n");
    EXPECT_EQ(read_geometry_layer(odd.c_str(), error, sizeof error), -1);
    EXPECT_EQ(geometry_item_count, 1);
}
