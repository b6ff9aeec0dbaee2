// Listing asset directories into the menu and panel name tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "files/asset_dir.h"
#include "tests/support/temp_files.h"

namespace {

AssetName menu_names[MENU_TABLE_ROWS];
AssetName panel_names[PANEL_TABLE_ROWS];
std::vector<std::pair<std::string, int>> added;

void record_entry(const char* name, int value) { added.emplace_back(name, value); }

std::string dir_with(const std::vector<std::string>& files) {
    std::string dir = make_temp_dir();
    for (const std::string& f : files) {
        FILE* out = fopen((dir + "/" + f).c_str(), "w");
        if (out) fclose(out);
    }
    return dir;
}

int scan(const std::string& dir, const char* extension) {
    added.clear();
    testing::internal::CaptureStdout();
    int n = scan_asset_names(dir.c_str(), extension, menu_names, panel_names, record_entry);
    testing::internal::GetCapturedStdout();
    return n;
}

}  // namespace

TEST(AssetScan, ExtensionIsACaseSensitiveSubstring) {
    std::string dir = dir_with({"b.txt", "a.dem", "x.dem.bak", "X.DEM", "terrain.demo"});
    ASSERT_EQ(scan(dir, ".dem"), 3);
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[0], std::make_pair(std::string("a.dem"), 2));
    EXPECT_EQ(added[1], std::make_pair(std::string("terrain.demo"), 3));
    EXPECT_EQ(added[2], std::make_pair(std::string("x.dem.bak"), 4));
    EXPECT_STREQ(menu_names[2], "a.dem");
    EXPECT_STREQ(panel_names[1], "a.dem");
    EXPECT_STREQ(panel_names[3], "x.dem.bak");
    EXPECT_STREQ(menu_names[0], "");
    EXPECT_STREQ(menu_names[1], "");
    EXPECT_STREQ(panel_names[0], "");
}

TEST(AssetScan, EmptyAndMissingDirectories) {
    EXPECT_EQ(scan(dir_with({}), ".dem"), 0);  // "." and ".." never match
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(scan("/nonexistent/DEM", ".dem"), -1);
}

TEST(AssetScan, DirectoryListingGivesEveryEntryInAlphabeticalOrder) {
    std::string dir = dir_with({"zeta.flt", "Alpha.flt", "beta.flt"});
    AssetDir* d = open_dir(dir.c_str());
    ASSERT_NE(d, nullptr);
    std::vector<std::string> names;
    while (const char* name = read_dir(d)) names.push_back(name);
    close_dir(d);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Alpha.flt", "beta.flt", "zeta.flt"}));
    EXPECT_EQ(open_dir("/nonexistent"), nullptr);
    close_dir(nullptr);
}

TEST(AssetScan, MoreThan98FilesListWhatFits) {
    std::vector<std::string> files;
    for (int i = 0; i < 120; ++i) {
        char name[32];
        snprintf(name, sizeof name, "f%03d.vec", i);
        files.push_back(name);
    }
    std::string dir = dir_with(files);
    added.clear();
    testing::internal::CaptureStdout();
    int n = scan_asset_names(dir.c_str(), ".vec", menu_names, panel_names, record_entry);
    std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(n, 98);
    EXPECT_EQ(added.back().second, 99);
    EXPECT_STREQ(menu_names[99], "f097.vec");
    EXPECT_STREQ(panel_names[98], "f097.vec");
    EXPECT_STREQ(panel_names[99], "");
    EXPECT_NE(console.find("22 more .vec files"), std::string::npos) << console;
}

TEST(AssetScan, LongNamesAreSkippedAndARescanStartsFromEmptyTables) {
    std::string long_name = std::string(120, 'n') + ".dem";
    std::string dir = dir_with({long_name, "ok.dem", "zz.dem"});
    EXPECT_EQ(scan(dir, ".dem"), 2);
    EXPECT_STREQ(menu_names[2], "ok.dem");
    EXPECT_STREQ(menu_names[3], "zz.dem");
    std::remove((dir + "/zz.dem").c_str());
    EXPECT_EQ(scan(dir, ".dem"), 1);
    EXPECT_STREQ(menu_names[3], "");
    EXPECT_STREQ(panel_names[2], "");
}
