// Raw images and the info files of drapes and maps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "terrain/texture_file.h"
#include "tests/support/temp_files.h"

TEST(InfoFile, ReadsSizeAndComponents) {
    int w, h, c;
    char error[256];
    ASSERT_TRUE(read_info_file(write_temp_file("v.info", "512 256 3\n").c_str(), &w, &h, &c, error, sizeof error));
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 256);
    EXPECT_EQ(c, 3);
}

TEST(InfoFile, MissingMalformedOrUnusableIsRefused) {
    int w = 7, h = 7, c = 7;
    char error[256];
    EXPECT_FALSE(read_info_file("/nonexistent.info", &w, &h, &c, error, sizeof error));
    EXPECT_NE(std::string(error).find("/nonexistent.info"), std::string::npos);
    for (const char* text : {"", "512 512", "abc", "0 512 3", "512 -1 3", "512 512 0", "512 512 5", "99999 2 3"}) {
        EXPECT_FALSE(read_info_file(write_temp_file("b.info", text).c_str(), &w, &h, &c, error, sizeof error)) << text;
    }
    EXPECT_EQ(w, 7);  // nothing written on refusal
}

TEST(RawImage, ReadsExactlyTheSizeAndRefusesShortFiles) {
    std::string bytes(2 * 3 * 3, '\x10');
    std::string path = write_temp_file("i.raw", bytes + "extra");
    unsigned char* pixels = nullptr;
    char error[256];
    ASSERT_TRUE(read_raw_image(path.c_str(), 2, 3, 3, &pixels, error, sizeof error));
    EXPECT_EQ(pixels[17], 0x10);
    free(pixels);

    pixels = nullptr;
    std::string short_path = write_temp_file("s.raw", std::string(10, 'x'));
    EXPECT_FALSE(read_raw_image(short_path.c_str(), 2, 3, 3, &pixels, error, sizeof error));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_NE(std::string(error).find("holds 10 bytes"), std::string::npos) << error;
    EXPECT_FALSE(read_raw_image("/nonexistent.raw", 2, 2, 1, &pixels, error, sizeof error));
    EXPECT_NE(std::string(error).find("Texture file not found: /nonexistent.raw"), std::string::npos);
}

TEST(DrapePaths, InfoNameEndsAtTheFirstDot) {
    char image[160], info[160], error[256];
    EXPECT_EQ(drape_paths("/Drape/valley.raw", image, sizeof image, info, sizeof info, error, sizeof error), 14);
    EXPECT_STREQ(image, "./Drape/valley.raw");
    EXPECT_STREQ(info, "./Drape/valley.info");
    EXPECT_EQ(drape_paths("/Map/hills.old.raw", image, sizeof image, info, sizeof info, error, sizeof error), 11);
    EXPECT_STREQ(info, "./Map/hills.info");
}

TEST(DrapePaths, NoDotOrTooLongIsRefused) {
    char image[160], info[160], error[256];
    EXPECT_EQ(drape_paths("/Drape/valley", image, sizeof image, info, sizeof info, error, sizeof error), -1);
    std::string long_name = "/Drape/" + std::string(200, 'a') + ".raw";
    EXPECT_EQ(drape_paths(long_name.c_str(), image, sizeof image, info, sizeof info, error, sizeof error), -1);
}
