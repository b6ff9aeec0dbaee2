// The flight-rendering command line, and the PNG files its output goes through.
#include <gtest/gtest.h>
#include <png.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "camera/stereo_camera.h"
#include "files/png_file.h"
#include "tests/support/temp_files.h"
#include "video/render_options.h"
#include "video/video_encoder.h"

namespace {

// Parses the words after "--render-flight"; the message goes to *message.
bool parse(const std::vector<const char*>& words, RenderOptions* o, std::string* message = nullptr) {
    char error[RENDER_ERROR_SIZE] = "";
    bool ok = parse_render_options((int)words.size(), words.data(), o, error, sizeof error);
    if (message) *message = error;
    return ok;
}

// Reads a PNG as top-down RGB; empty if it does not read.
std::vector<unsigned char> read_png(const std::string& path, int* width, int* height) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    *width = (int)image.width;
    *height = (int)image.height;
    return rgb;
}

}  // namespace

TEST(RenderOptions, AFlightAndAnOutputGiveAFullHdVideoAtThirtyFrames) {
    RenderOptions o;
    ASSERT_TRUE(parse({"Flythrough/Grand_Tour.flt", "tour.mp4"}, &o));
    EXPECT_STREQ(o.flight_path, "Flythrough/Grand_Tour.flt");
    EXPECT_STREQ(o.output_path, "tour.mp4");
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.fps, 30);
    EXPECT_EQ(o.still_frame, -1);
    EXPECT_FALSE(o.stereo || o.fog || o.sky || o.overlay || o.help);
    EXPECT_STREQ(o.terrain, "");
}

TEST(RenderOptions, EveryOptionInEitherFormAndInAnyPlace) {
    RenderOptions o;
    ASSERT_TRUE(parse({"--size=1281x721", "a.flt", "--terrain", "DEM/Canyon.dem", "--map=Topo.raw", "--vector",
                       "Summit_Flags.vec", "--fps", "25", "--stereo", "--fog", "--sky", "--overlay", "--still", "7",
                       "b.png"},
                      &o));
    EXPECT_STREQ(o.flight_path, "a.flt");
    EXPECT_STREQ(o.output_path, "b.png");
    EXPECT_STREQ(o.terrain, "Canyon.dem");  // the folder is implied
    EXPECT_STREQ(o.map, "Topo.raw");
    EXPECT_STREQ(o.vector, "Summit_Flags.vec");
    EXPECT_EQ(o.width, 1281);  // a still may have odd sides
    EXPECT_EQ(o.height, 721);
    EXPECT_EQ(o.fps, 25);
    EXPECT_EQ(o.still_frame, 7);
    EXPECT_TRUE(o.stereo && o.fog && o.sky && o.overlay);

    ASSERT_TRUE(parse({"--drape", "Drape/Relief.raw", "a.flt", "b.mp4"}, &o));
    EXPECT_STREQ(o.drape, "Relief.raw");
    ASSERT_TRUE(parse({"a.flt", "--help", "--no-such-option"}, &o));
    EXPECT_TRUE(o.help);
}

TEST(RenderOptions, WrongCommandLinesAreRefusedWithTheReason) {
    struct Case {
        std::vector<const char*> words;
        const char* said;
    } cases[] = {
        {{}, "name the flight"},
        {{"a.flt"}, "name the output"},
        {{"a.flt", "b.mp4", "c.mp4"}, "one too many"},
        {{"a.flt", "b.mp4", "--speed", "2"}, "unknown option --speed"},
        {{"a.flt", "b.mp4", "--fps"}, "--fps needs a value"},
        {{"a.flt", "b.mp4", "--fps", "0"}, "from 1 to 240"},
        {{"a.flt", "b.mp4", "--fps", "241"}, "from 1 to 240"},
        {{"a.flt", "b.mp4", "--fps", "24.5"}, "from 1 to 240"},
        {{"a.flt", "b.mp4", "--size", "1280"}, "WIDTHxHEIGHT"},
        {{"a.flt", "b.mp4", "--size", "x720"}, "WIDTHxHEIGHT"},
        {{"a.flt", "b.mp4", "--size", "1280x"}, "WIDTHxHEIGHT"},
        {{"a.flt", "b.mp4", "--size", "12a0x720"}, "WIDTHxHEIGHT"},
        {{"a.flt", "b.mp4", "--size", "-2x720"}, "WIDTHxHEIGHT"},
        {{"a.flt", "b.mp4", "--size", "1281x720"}, "odd side"},
        {{"a.flt", "b.mp4", "--size", "8x8"}, "outside 16 to 65535"},
        {{"a.flt", "b.png", "--still", "0", "--size", "70000x16"}, "outside 16 to 65535"},
        {{"a.flt", "b.mp4", "--size", "8194x4352"}, "larger than a frame may be"},
        {{"a.flt", "b.png", "--still", "-1"}, "frame number"},
        {{"a.flt", "b.mp4", "--drape", "Relief.raw", "--map", "Topo.raw"}, "give one of them"},
    };
    for (const Case& c : cases) {
        RenderOptions o;
        std::string message;
        EXPECT_FALSE(parse(c.words, &o, &message)) << c.said;
        EXPECT_NE(message.find(c.said), std::string::npos) << message;
    }
    std::string long_name(RENDER_PATH_SIZE, 'a');
    RenderOptions o;
    std::string message;
    EXPECT_FALSE(parse({long_name.c_str(), "b.mp4"}, &o, &message));
    EXPECT_NE(message.find("too long"), std::string::npos);
}

TEST(RenderOptions, StereoTakesAModeNameAndSizeIsEachEyesPicture) {
    struct Case {
        std::vector<const char*> words;
        int mode, width, height;
        const char* flight;
    } cases[] = {
        // A bare --stereo stays red/blue and takes no path for a mode.
        {{"--stereo", "a.flt", "b.mp4"}, STEREO_RED_BLUE, 1920, 1080, "a.flt"},
        {{"a.flt", "b.mp4", "--stereo", "--fog"}, STEREO_RED_BLUE, 1920, 1080, "a.flt"},
        {{"--stereo", "side-by-side", "a.flt", "b.mp4", "--size", "640x360"}, STEREO_SIDE_BY_SIDE, 1280, 360, "a.flt"},
        {{"a.flt", "b.mp4", "--size=640x360", "--stereo=top-bottom"}, STEREO_TOP_BOTTOM, 640, 720, "a.flt"},
        {{"a.flt", "b.mp4", "--size=640x360", "--stereo", "side-by-side-half"}, STEREO_SIDE_BY_SIDE_HALF, 640, 360,
         "a.flt"},
        {{"a.flt", "b.mp4", "--size=640x360", "--stereo", "top-bottom-half"}, STEREO_TOP_BOTTOM_HALF, 640, 360, "a.flt"},
        {{"a.flt", "b.png", "--still", "3", "--stereo", "red-cyan"}, STEREO_RED_CYAN, 1920, 1080, "a.flt"},
        {{"--stereo", "rows", "rows.flt", "b.mp4"}, STEREO_ROWS, 1920, 1080, "rows.flt"},
    };
    for (const Case& c : cases) {
        RenderOptions o;
        std::string message;
        ASSERT_TRUE(parse(c.words, &o, &message)) << message;
        EXPECT_TRUE(o.stereo);
        EXPECT_EQ(o.stereo_mode, c.mode);
        EXPECT_EQ(o.width, c.width);
        EXPECT_EQ(o.height, c.height);
        EXPECT_STREQ(o.flight_path, c.flight);
    }
    struct Refusal {
        std::vector<const char*> words;
        const char* said;
    } refusals[] = {
        {{"a.flt", "b.mp4", "--stereo=side-by-sides"}, "--stereo wants red-blue"},
        {{"a.flt", "b.mp4", "--stereo="}, "--stereo wants"},
        // The doubled frame must still fit and be even.
        {{"a.flt", "b.mp4", "--size", "4400x4352", "--stereo", "side-by-side"}, "8800 x 4352 (both eyes) is larger"},
        {{"a.flt", "b.png", "--still", "0", "--size", "40000x16", "--stereo", "side-by-side"}, "outside 16 to 65535"},
    };
    for (const Refusal& r : refusals) {
        RenderOptions o;
        std::string message;
        EXPECT_FALSE(parse(r.words, &o, &message)) << r.said;
        EXPECT_NE(message.find(r.said), std::string::npos) << message;
    }
}

TEST(RenderOptions, OnlyFramePackedVideosCarryStereoMetadata) {
    EXPECT_EQ(video_stereo_for(true, STEREO_SIDE_BY_SIDE).x264_frame_packing, 3);
    EXPECT_EQ(video_stereo_for(true, STEREO_SIDE_BY_SIDE_HALF).x264_frame_packing, 3);
    EXPECT_STREQ(video_stereo_for(true, STEREO_SIDE_BY_SIDE).matroska_mode, "left_right");
    EXPECT_EQ(video_stereo_for(true, STEREO_TOP_BOTTOM_HALF).x264_frame_packing, 4);
    EXPECT_STREQ(video_stereo_for(true, STEREO_TOP_BOTTOM).matroska_mode, "top_bottom");
    for (int mode : {STEREO_RED_BLUE, STEREO_RED_CYAN}) {
        EXPECT_EQ(video_stereo_for(true, mode).x264_frame_packing, -1);
        EXPECT_EQ(video_stereo_for(true, mode).matroska_mode, nullptr);
    }
    EXPECT_EQ(video_stereo_for(false, STEREO_SIDE_BY_SIDE).x264_frame_packing, -1);
}

TEST(PngFile, RowsFromTheBottomComeOutTheRightWayUpWithoutAlpha) {
    std::string dir = make_temp_dir();
    std::string path = dir + "/frame.png";
    // Two rows of three RGBA pixels, bottom row first as GL reads them.
    const unsigned char pixels[] = {1, 2, 3, 0,    4, 5, 6, 0,    7, 8, 9, 0,
                                    10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0};
    char error[256] = "";
    ASSERT_TRUE(write_png_file(path.c_str(), pixels, 3, 2, 4, true, error, sizeof error)) << error;
    int width = 0, height = 0;
    std::vector<unsigned char> rgb = read_png(path, &width, &height);
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    EXPECT_EQ(rgb, (std::vector<unsigned char>{10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"frame.png"});  // no temporary file left
}

TEST(PngFile, AFileThatCannotBeWrittenLeavesNothingAndKeepsTheOldOne) {
    const unsigned char pixel[3] = {200, 100, 50};
    char error[256] = "";
    EXPECT_FALSE(write_png_file("/nonexistent/shot.png", pixel, 1, 1, 3, false, error, sizeof error));
    EXPECT_NE(std::string(error).find("/nonexistent/shot.png"), std::string::npos) << error;

    // A folder where the file should go is refused, and stays a folder.
    std::string dir = make_temp_dir();
    ASSERT_EQ(mkdir((dir + "/taken.png").c_str(), 0755), 0);
    EXPECT_FALSE(write_png_file((dir + "/taken.png").c_str(), pixel, 1, 1, 3, false, error, sizeof error));
    EXPECT_NE(std::string(error).find("folder"), std::string::npos) << error;
    EXPECT_EQ(files_in(dir), std::vector<std::string>{"taken.png"});

    // An earlier file is replaced whole.
    std::string path = dir + "/old.png";
    FILE* f = fopen(path.c_str(), "w");
    fputs("not a picture", f);
    fclose(f);
    ASSERT_TRUE(write_png_file(path.c_str(), pixel, 1, 1, 3, false, error, sizeof error)) << error;
    int width = 0, height = 0;
    EXPECT_EQ(read_png(path, &width, &height), (std::vector<unsigned char>{200, 100, 50}));
}

TEST(VideoFrames, ColoursBecomeLimitedRangeBt709AndRowsTurnTopDown) {
    // 2 x 2 RGBA, bottom row first: white and black below, red and blue above.
    const unsigned char rgba[] = {255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0};
    unsigned char yuv[6];
    convert_rgba_to_yuv420(rgba, 2, 2, yuv);
    // Y top down: red, blue, white, black.
    EXPECT_EQ(yuv[0], 63);
    EXPECT_EQ(yuv[1], 32);
    EXPECT_EQ(yuv[2], 235);
    EXPECT_EQ(yuv[3], 16);
    // One U and V for the block, the mean of the four colours': red (102.3, 240),
    // blue (240, 117.7), white and black (128, 128) give (149.6, 153.4).
    EXPECT_EQ(yuv[4], 150);
    EXPECT_EQ(yuv[5], 153);

    // A 4 x 2 picture of one grey keeps it in every sample.
    std::vector<unsigned char> grey(4 * 2 * 4, 128);
    unsigned char out[12];
    convert_rgba_to_yuv420(grey.data(), 4, 2, out);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], 126) << i;  // 16 + 219 * 128 / 255
    for (int i = 8; i < 12; ++i) EXPECT_EQ(out[i], 128) << i;
}
