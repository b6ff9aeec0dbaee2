// Raw images and the info files of drapes and maps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/texture_file.h"
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

TEST(TexelMark, NoCoordinateWritesOutsideTheImage) {
    // A 3 x 2 image between guard bytes; every odd coordinate paints one texel inside it.
    const float odd[] = {NAN, INFINITY, -INFINITY, 3.4e38f, -3.4e38f, 3e9f, -1e-45f, 0.99999994f, 1.0f, -0.0f, 7.5f};
    for (int components : {3, 1}) {
        int bytes = 3 * 2 * (components == 3 ? 3 : 1);
        for (float s : odd) {
            for (float t : odd) {
                std::string buffer(bytes + 32, '\x11');
                unsigned char* image = reinterpret_cast<unsigned char*>(&buffer[16]);
                long offset = -1;
                ASSERT_TRUE(paint_texel_white(image, 3, 2, components, s, t, &offset));
                EXPECT_TRUE(offset >= 0 && offset + (components == 3 ? 3 : 1) <= bytes) << s << " " << t;
                EXPECT_EQ(buffer.substr(0, 16), std::string(16, '\x11'));
                EXPECT_EQ(buffer.substr(16 + bytes), std::string(16, '\x11')) << s << " " << t;
            }
        }
    }
    long offset = 0;
    EXPECT_FALSE(paint_texel_white(nullptr, 3, 2, 3, 0, 0, &offset));
    unsigned char one = 0;
    EXPECT_FALSE(paint_texel_white(&one, 0, 2, 3, 0, 0, &offset));
}

TEST(RawImage, PipesAndFoldersAreRefusedWithoutWaiting) {
    std::string dir = make_temp_dir();
    std::string pipe = dir + "/pipe.raw", info_pipe = dir + "/pipe.info";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(info_pipe.c_str(), 0644), 0);
    alarm(20);  // a blocked open fails the test instead of hanging it
    unsigned char* pixels = nullptr;
    int w, h, c;
    char error[256];
    EXPECT_FALSE(read_raw_image(pipe.c_str(), 2, 2, 3, &pixels, error, sizeof error));
    EXPECT_NE(std::string(error).find("pipe.raw is not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(read_info_file(info_pipe.c_str(), &w, &h, &c, error, sizeof error));
    EXPECT_NE(std::string(error).find("pipe.info is not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(read_raw_image(dir.c_str(), 2, 2, 3, &pixels, error, sizeof error));
    EXPECT_NE(std::string(error).find("is not a regular file"), std::string::npos) << error;
    alarm(0);
}
