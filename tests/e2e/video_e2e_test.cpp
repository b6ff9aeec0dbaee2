// End to end: a flythrough rendered to an MP4 or a still with no display, the
// frames against interactive playback, F12 screenshots, and the refusals.
#include <gtest/gtest.h>
#include <png.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <filesystem>

#include "tests/e2e/viewer.h"
#include "tests/support/temp_files.h"

namespace {

constexpr int FILE_ENTRY = 0, FLYTHROUGH_ENTRY = 3;  // main menu > File > Flythrough

// A fresh scratch folder holding a copy of `from` (a folder's contents, or
// one file), removed by remove_scratch.
std::string make_scratch(const std::string& from) {
    char pattern[] = "/tmp/kestrolane-video-XXXXXX";
    if (!mkdtemp(pattern)) return "";
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path source(from), target(pattern);
    if (fs::is_directory(source)) fs::copy(source, target, fs::copy_options::recursive, error);
    else fs::copy_file(source, target / source.filename(), error);
    return error ? "" : std::string(pattern);
}

void remove_scratch(const std::string& dir) {
    std::error_code error;
    if (dir.rfind("/tmp/kestrolane-video-", 0) == 0) std::filesystem::remove_all(dir, error);
}

struct RunResult {
    int status = -1;     // exit status, or -1 if it did not end normally
    std::string output;  // standard output and error together
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the program in dir with no display, after the shell words in env
// (such as "PATH=/x"), and collects what it printed and its exit status.
RunResult run_kestrolane(const std::string& dir, const std::string& args, const std::string& env = "") {
    std::string log = dir + "/run.log";
    std::string command = "cd " + quote(dir) + " && env -u DISPLAY " + env + " " + quote(KESTROLANE_EXE) + " " +
                          args + " </dev/null >" + quote(log) + " 2>&1";
    int raw = std::system(command.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (FILE* f = fopen(log.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) r.output.append(buffer, n);
        fclose(f);
    }
    unlink(log.c_str());
    return r;
}

// Runs a shell command and returns its standard output.
std::string output_of(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        pclose(p);
    }
    return out;
}

// A flight of `count` samples from a point above the default world, looking
// slightly down; sample(i, line) fills speed, yaw, height and pitch.
void write_flight(const std::string& path, int count, const std::function<void(int, float*)>& sample) {
    FILE* f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "%d\n0 40 0 0 39.8 -1\n", count);
    for (int i = 0; i < count; ++i) {
        float s[4];
        sample(i, s);
        fprintf(f, "%f %f %f %f\n", s[0], s[1], s[2], s[3]);
    }
    fclose(f);
}

// Forward, turning and climbing: every frame differs from the one before.
void moving_sample(int i, float* s) {
    s[0] = 60.0f;
    s[1] = 0.05f * i;
    s[2] = 40.0f + i;
    s[3] = -0.2f;
}

Screenshot read_png(const std::string& path) {
    Screenshot s;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return s;
    image.format = PNG_FORMAT_RGB;
    s.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, s.rgb.data(), 0, nullptr)) return Screenshot();
    s.width = (int)image.width;
    s.height = (int)image.height;
    return s;
}

// Frame n of a video, decoded by ffmpeg.
Screenshot decode_frame(const std::string& video, int n, int width, int height) {
    std::string raw = video + ".frame.rgb";
    std::string command = "ffmpeg -v error -y -i " + quote(video) + " -vf 'select=eq(n\\," + std::to_string(n) +
                          ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 " + quote(raw);
    Screenshot s;
    if (std::system(command.c_str()) != 0) return s;
    FILE* f = fopen(raw.c_str(), "rb");
    if (!f) return s;
    s.rgb.resize((size_t)width * height * 3);
    size_t got = fread(s.rgb.data(), 1, s.rgb.size(), f);
    fclose(f);
    unlink(raw.c_str());
    if (got != s.rgb.size()) return Screenshot();
    s.width = width;
    s.height = height;
    return s;
}

// ffprobe's key=value lines for the first video stream.
std::map<std::string, std::string> probe(const std::string& video) {
    std::string text = output_of("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                 "stream=codec_name,width,height,r_frame_rate,nb_read_frames,pix_fmt "
                                 "-of default=nw=1 " + quote(video));
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
    }
    return fields;
}

// Mean difference of the channels of two images of one size, 0..255; 255 if the sizes differ.
double mean_difference(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 255.0;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs((int)a.rgb[i] - (int)b.rgb[i]);
    return sum / a.rgb.size();
}

}  // namespace

TEST(RenderFlight, AShortFlightBecomesAnMp4WithNoDisplayWhoseFramesMatchTheStills) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    write_flight(world + "/Flythrough/Short.flt", 36, moving_sample);
    std::string out = make_scratch(world + "/Flythrough/Short.flt");  // a folder holding a copy of the flight

    RunResult video = run_kestrolane(world, "--render-flight Flythrough/Short.flt " + quote(out + "/short.mp4") +
                                          " --size 320x240 --fps 25");
    ASSERT_EQ(video.status, 0) << video.output;
    // It says where it drew, and sums up.
    size_t xvfb = video.output.find("private X server (Xvfb :");
    ASSERT_NE(xvfb, std::string::npos) << video.output;
    EXPECT_NE(video.output.find("36/36 frames"), std::string::npos) << video.output;
    EXPECT_NE(video.output.find("short.mp4: 36 frames, 0:01.44 at 25 fps, 320 x 240"), std::string::npos)
        << video.output;
    // Its private server is gone again.
    std::string display = video.output.substr(xvfb + 24, video.output.find(')', xvfb) - xvfb - 24);
    struct stat st;
    EXPECT_NE(stat(("/tmp/.X" + display.substr(1) + "-lock").c_str(), &st), 0) << display << " still runs";
    // The result, and nothing half-written beside it.
    EXPECT_EQ(files_in(out), (std::vector<std::string>{"Short.flt", "short.mp4"}));

    std::map<std::string, std::string> stream = probe(out + "/short.mp4");
    EXPECT_EQ(stream["codec_name"], "h264");
    EXPECT_EQ(stream["pix_fmt"], "yuv420p");
    EXPECT_EQ(stream["width"], "320");
    EXPECT_EQ(stream["height"], "240");
    EXPECT_EQ(stream["r_frame_rate"], "25/1");
    EXPECT_EQ(stream["nb_read_frames"], "36");

    // A decoded frame is the still of the same frame, up to the encoding.
    RunResult still = run_kestrolane(world, "--render-flight Flythrough/Short.flt " + quote(out + "/f20.png") +
                                          " --size 320x240 --still 20");
    ASSERT_EQ(still.status, 0) << still.output;
    Screenshot expected = read_png(out + "/f20.png");
    ASSERT_EQ(expected.width, 320);
    Screenshot decoded = decode_frame(out + "/short.mp4", 20, 320, 240);
    ASSERT_EQ(decoded.width, 320);
    keep_shot(expected, "render-still-20");
    keep_shot(decoded, "render-decoded-20");
    EXPECT_GT(colour_variance(expected, 0, 120, 320, 240), 50.0);  // land, not an empty frame
    double same = mean_difference(decoded, expected);
    double before = mean_difference(decode_frame(out + "/short.mp4", 19, 320, 240), expected);
    double after = mean_difference(decode_frame(out + "/short.mp4", 21, 320, 240), expected);
    EXPECT_LT(same, 2.5);
    EXPECT_LT(fraction_differing(decoded, expected, 24), 0.02);
    // ...and not the frame before or after it.
    EXPECT_GT(before, 2 * same) << same;
    EXPECT_GT(after, 2 * same) << same;
    remove_scratch(out);
    remove_scratch(world);
}

TEST(RenderFlight, AChosenTerrainIsTheOnlyOneWhoseLevelsAreBuilt) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    write_flight(world + "/Flythrough/Short.flt", 4, moving_sample);
    RunResult still = run_kestrolane(world, "--render-flight Flythrough/Short.flt canyon.png --still 0 --size 64x48 "
                                            "--terrain Canyon.dem --lod-error 1");
    ASSERT_EQ(still.status, 0) << still.output;
    // The start-up terrain is loaded and replaced; only the canyon's levels are built.
    size_t first = still.output.find("Building detail levels...");
    ASSERT_NE(first, std::string::npos) << still.output;
    EXPECT_EQ(still.output.find("Building detail levels", first + 1), std::string::npos) << still.output;
    EXPECT_LT(still.output.find("Polygons:32768"), first) << still.output;
    remove_scratch(world);
}

// The red of a red/cyan anaglyph pixel from the two eyes' colours, with
// Dubois's least-squares row for red.
double anaglyph_red(const unsigned char* left, const unsigned char* right) {
    const double from_left[3] = {0.437, 0.449, 0.164}, from_right[3] = {-0.011, -0.032, -0.007};
    double sum = 0;
    for (int c = 0; c < 3; ++c)
        sum += from_left[c] * left[c] + from_right[c] * right[c];
    return std::clamp(sum, 0.0, 255.0);
}

TEST(RenderFlight, StereoVideosCarryTheirPackingAndRedCyanRedIsTheLeftEye) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    write_flight(world + "/Flythrough/Short.flt", 8, moving_sample);
    RunResult video = run_kestrolane(world, "--render-flight Flythrough/Short.flt sbs.mp4 --size 160x120 "
                                            "--stereo side-by-side --sky");
    ASSERT_EQ(video.status, 0) << video.output;
    EXPECT_NE(video.output.find("sbs.mp4: 8 frames, 0:00.27 at 30 fps, 320 x 120"), std::string::npos)
        << video.output;
    // Players read the packing from the stream: the left eye's picture on the left.
    std::string tags = output_of("ffprobe -v error -select_streams v:0 -read_intervals %+#1 -show_entries "
                                 "frame_tags=stereo_mode:frame_side_data=side_data_type -of default=nw=1 " +
                                 quote(world + "/sbs.mp4"));
    EXPECT_NE(tags.find("TAG:stereo_mode=left_right"), std::string::npos) << tags;
    EXPECT_NE(tags.find("side_data_type=Stereo 3D"), std::string::npos) << tags;

    // The same frame as side-by-side, red/cyan and row stills: the anaglyph's
    // red is made from the left half, its cyan from the right; the even rows
    // (from the top) are the left half's.
    for (const char* mode : {"side-by-side", "red-cyan", "rows"}) {
        RunResult still = run_kestrolane(world, std::string("--render-flight Flythrough/Short.flt ") + mode +
                                                    ".png --size 240x160 --still 5 --sky --stereo " + mode);
        ASSERT_EQ(still.status, 0) << still.output;
    }
    Screenshot pair = read_png(world + "/side-by-side.png"), anaglyph = read_png(world + "/red-cyan.png");
    ASSERT_EQ(pair.width, 480);
    ASSERT_EQ(anaglyph.width, 240);
    keep_shot(pair, "stereo-side-by-side");
    keep_shot(anaglyph, "stereo-red-cyan");
    double as_left = 0, as_right = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x) {
            const unsigned char* left = &pair.rgb[(y * 480 + x) * 3];
            const unsigned char* right = &pair.rgb[(y * 480 + 240 + x) * 3];
            double red = anaglyph.rgb[(y * 240 + x) * 3];
            as_left += std::fabs(red - anaglyph_red(left, right));
            as_right += std::fabs(red - anaglyph_red(right, left));
        }
    as_left /= 240 * 160;
    as_right /= 240 * 160;
    EXPECT_LT(as_left, 1.5);
    EXPECT_GT(as_right, 2 * as_left + 0.5) << as_left;

    Screenshot rows = read_png(world + "/rows.png");
    ASSERT_EQ(rows.width, 240);
    // Rasterising at another viewport may round a few values differently.
    long as_pair = 0, as_exchanged = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240 * 3; ++x) {
            int value = rows.rgb[y * 240 * 3 + x];
            as_pair += std::abs(value - pair.rgb[y * 480 * 3 + (y % 2 ? 240 * 3 : 0) + x]) > 8;
            as_exchanged += std::abs(value - pair.rgb[y * 480 * 3 + (y % 2 ? 0 : 240 * 3) + x]) > 8;
        }
    EXPECT_LT(as_pair, 100);
    EXPECT_GT(as_exchanged, 10 * as_pair + 500) << as_pair;
    remove_scratch(world);
}

TEST(RenderFlight, BadInputIsRefusedWithAReasonAndLeavesNoFile) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    write_flight(world + "/Flythrough/Short.flt", 12, moving_sample);
    FILE* f = fopen((world + "/Flythrough/Broken.flt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("5\n0 40 0 0 39.8 -1\n60 0 40 -0.2\n60 zero 40 -0.2\n", f);
    fclose(f);
    // A stand-in ffmpeg that fails as a real one does when it cannot encode.
    ASSERT_EQ(mkdir((world + "/bin").c_str(), 0755), 0);
    f = fopen((world + "/bin/ffmpeg").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("#!/bin/sh\necho 'Unknown encoder libx264 (stand-in)' >&2\nexit 1\n", f);
    fclose(f);
    chmod((world + "/bin/ffmpeg").c_str(), 0755);
    std::string empty = make_scratch(world + "/Flythrough/Short.flt");
    unlink((empty + "/Short.flt").c_str());
    // What a renderer ended by kill -9 left: an output never finished, the key
    // of its private X server and ffmpeg's messages; the next run sweeps them.
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string tag = "-" + std::to_string(gone) + "-Abc123";
    const std::string stale[] = {world + "/.kestrolane" + tag + ".tmp", "/tmp/kestrolane-xauth" + tag,
                                 "/tmp/kestrolane-ffmpeg" + tag};
    for (const std::string& path : stale) {
        f = fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr) << path;
        fclose(f);
    }

    struct Case {
        const char* what;
        std::string dir, args, env;
        int status;
        const char* said;
    } cases[] = {
        {"missing flight", world, "--render-flight Flythrough/None.flt out.mp4", "", 1, "not found Flythrough/None.flt"},
        {"malformed flight", world, "--render-flight Flythrough/Broken.flt out.mp4", "", 1, "sample 2 of 5"},
        {"missing terrain", world, "--render-flight Flythrough/Short.flt out.mp4 --terrain Nowhere.dem", "", 1,
         "No terrain DEM/Nowhere.dem"},
        {"no world here", empty, "--render-flight " + world + "/Flythrough/Short.flt out.mp4", "", 1,
         "No terrain Default.obj"},
        {"unwritable output", world, "--render-flight Flythrough/Short.flt no/such/folder/out.mp4", "", 1,
         "Cannot create no/such/folder/out.mp4: No such file or directory"},
        {"output is a folder", world, "--render-flight Flythrough/Short.flt DEM", "", 1, "it is a folder"},
        {"no ffmpeg", world, "--render-flight Flythrough/Short.flt out.mp4", "PATH=/nonexistent", 1,
         "ffmpeg is not installed"},
        {"ffmpeg fails", world, "--render-flight Flythrough/Short.flt out.mp4 --size 64x48", "PATH=bin:$PATH", 1,
         "Unknown encoder libx264 (stand-in)"},
        {"too large for GL", world, "--render-flight Flythrough/Short.flt out.png --still 0 --size 65000x500", "",
         1, "cannot render 65000 x 500"},
        {"frame past the end", world, "--render-flight Flythrough/Short.flt out.png --still 12", "", 1,
         "no frame 12: the flight has 12 frames"},
        {"wrong option", world, "--render-flight Flythrough/Short.flt out.mp4 --fps 0", "", 2, "--fps wants"},
    };
    for (const Case& c : cases) {
        RunResult r = run_kestrolane(c.dir, c.args, c.env);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.output;
        EXPECT_NE(r.output.find(c.said), std::string::npos) << c.what << "\n" << r.output;
        for (const std::string& name : files_in(c.dir))
            EXPECT_TRUE(name.rfind("out.", 0) != 0 && name.rfind(".kestrolane-", 0) != 0) << c.what << " left " << name;
    }
    for (const std::string& path : stale) EXPECT_NE(access(path.c_str(), F_OK), 0) << path;
    RunResult help = run_kestrolane(world, "--render-flight --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--still N"), std::string::npos) << help.output;
    remove_scratch(empty);
    remove_scratch(world);
}

// Writing over the flight, the terrain or a picture the run reads would
// destroy it (the viewer then refused to start); it is refused and kept.
TEST(RenderFlight, AnOutputThatTheRunReadsIsRefusedAndTheFileKept) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    write_flight(world + "/Flythrough/Short.flt", 12, moving_sample);
    ASSERT_EQ(symlink("Flythrough/Short.flt", (world + "/link.mp4").c_str()), 0);

    struct Case {
        const char* what;
        std::string args;
        std::string input;  // the file the output would have replaced
    } cases[] = {
        {"the flight", "--render-flight Flythrough/Short.flt Flythrough/Short.flt", "Flythrough/Short.flt"},
        {"the start-up terrain", "--render-flight Flythrough/Short.flt Default.obj --still 3", "Default.obj"},
        {"a link to the flight", "--render-flight Flythrough/Short.flt link.mp4", "Flythrough/Short.flt"},
        {"the drape's info file",
         "--render-flight Flythrough/Short.flt Drape/Relief.info --drape Relief.raw --still 0 --size 64x48",
         "./Drape/Relief.info"},
        {"a sky picture by another path", "--render-flight Flythrough/Short.flt Flythrough/../sky_2.raw --still 0",
         "sky_2.raw"},
    };
    for (const Case& c : cases) {
        const std::string before = read_file(world + "/" + c.input);
        ASSERT_FALSE(before.empty()) << c.input;
        RunResult r = run_kestrolane(world, c.args);
        EXPECT_EQ(r.status, 1) << c.what << "\n" << r.output;
        EXPECT_NE(r.output.find("it is " + c.input + ", which this run reads"), std::string::npos)
            << c.what << "\n" << r.output;
        EXPECT_TRUE(read_file(world + "/" + c.input) == before) << c.what << ": " << c.input << " changed";
    }
    EXPECT_EQ(files_in(world + "/Flythrough").size(), files_in(std::string(WORLD_DIR) + "/Flythrough").size() + 1);
    remove_scratch(world);
}

TEST(RenderFlight, AFrameIsWhatInteractivePlaybackShowsAtThatSample) {
    Viewer v;
    ASSERT_FALSE(v.dir.empty());
    // Forty moving samples, then the camera holds still for thousands of
    // frames, so the window shows the pose after sample 40 long enough to
    // be caught. The name sorts first in the menu.
    write_flight(v.dir + "/Flythrough/A_Hold.flt", 4000, [](int i, float* s) {
        moving_sample(std::min(i, 39), s);
        if (i >= 40) s[0] = 0.0f;
    });
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    int width = 0, height = 0;
    ASSERT_TRUE(v.window_size(&width, &height));
    std::string size = " --overlay --size " + std::to_string(width) + "x" + std::to_string(height);
    RunResult held = run_kestrolane(v.dir, "--render-flight Flythrough/A_Hold.flt held.png --still 300" + size);
    ASSERT_EQ(held.status, 0) << held.output;
    RunResult first = run_kestrolane(v.dir, "--render-flight Flythrough/A_Hold.flt first.png --still 0" + size);
    ASSERT_EQ(first.status, 0) << first.output;
    Screenshot expected = read_png(v.dir + "/held.png"), start_pose = read_png(v.dir + "/first.png");
    ASSERT_EQ(expected.width, width);

    int index = menu_position(v.dir + "/Flythrough", ".flt", "A_Hold.flt");
    ASSERT_TRUE(v.choose_menu_entry({FILE_ENTRY, FLYTHROUGH_ENTRY, index}));
    ASSERT_TRUE(v.wait_for_console("No. of Frames: 4000"));
    // Forty samples later the pose holds; only the frame-rate figures may differ.
    Screenshot shown;
    bool matched = false;
    for (int tries = 0; tries < 200 && !matched; ++tries) {
        if (!v.wait_frames(5)) break;
        shown = v.shot();
        matched = fraction_differing(shown, expected, 24) < 0.01;
    }
    keep_shot(expected, "render-held-still");
    keep_shot(shown, "render-held-playback");
    EXPECT_TRUE(matched) << fraction_differing(shown, expected, 24);
    EXPECT_GT(fraction_differing(shown, start_pose, 24), 0.1);  // the comparison tells poses apart
}

TEST(Screenshots, F12SavesWhatTheWindowShowsAndAFailureLetsTheViewerGoOn) {
    Viewer v;
    ASSERT_FALSE(v.dir.empty());
    // A file where the folder should go: the first screenshot cannot be saved.
    FILE* f = fopen((v.dir + "/Screenshots").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    ASSERT_TRUE(v.start("\n"));
    ASSERT_TRUE(v.open_window());
    ASSERT_TRUE(v.press_key("F12"));
    ASSERT_TRUE(v.wait_for_console("Screenshot not saved: cannot make the folder Screenshots"));
    EXPECT_TRUE(v.running());

    ASSERT_EQ(unlink((v.dir + "/Screenshots").c_str()), 0);
    Screenshot before = v.shot();
    ASSERT_TRUE(v.press_key("F12"));
    ASSERT_TRUE(v.wait_for_console("Screenshot saved: Screenshots/kestrolane-"));
    std::string console = v.console();
    size_t at = console.find("Screenshot saved: ") + 18;
    std::string path = console.substr(at, console.find(".png", at) + 4 - at);
    EXPECT_EQ(path.size(), std::string("Screenshots/kestrolane-20250101-120000.png").size()) << path;
    Screenshot saved = read_png(v.dir + "/" + path);
    ASSERT_EQ(saved.width, before.width) << path;
    ASSERT_EQ(saved.height, before.height);
    keep_shot(saved, "f12-saved");
    // The standing view, up to the frame-rate figures.
    EXPECT_LT(fraction_differing(saved, before, 24), 0.01);
    EXPECT_GT(colour_variance(saved, 0, saved.height / 2, saved.width, saved.height), 50.0);
}

// The three commands of the README: a raster imported, a GPS track laid on
// it, and the printed command renders the fly-over at the track's pace, with
// the route, the rider, a waypoint's name, read-outs and the profile, each of
// which can be left out.
TEST(RenderFlight, ATrackLaidOnAnImportedRasterBecomesAFlyOverWithItsStory) {
    std::string world = make_scratch(WORLD_DIR);
    ASSERT_FALSE(world.empty());
    // A valley running north in longitude and latitude: 120 x 100 cells of 0.0005 degrees at 46 N.
    FILE* f = fopen((world + "/valley.asc").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "ncols 120\nnrows 100\nxllcorner 8.0\nyllcorner 46.0\ncellsize 0.0005\n");
    for (int row = 0; row < 100; ++row) {
        for (int column = 0; column < 120; ++column)
            fprintf(f, "%.1f ", 800.0 + 300.0 * std::pow((column - 60) / 60.0, 2) + 40.0 * std::sin(row / 9.0));
        fputc('\n', f);
    }
    fclose(f);
    f = fopen((world + "/valley.prj").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137,298.257223563]],"
          "PRIMEM[\"Greenwich\",0],UNIT[\"Degree\",0.017453292519943295]]\n", f);
    fclose(f);
    // A walk up the valley floor, bending from side to side, a fix every 10 s
    // from 09:00 UTC with a lunch of an hour halfway, and a hut beside it.
    f = fopen((world + "/walk.gpx").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
          "\n<wpt lat=\"46.025\" lon=\"8.031\"><name>Hut</name></wpt>\n<trk><trkseg>\n", f);
    for (int i = 0, clock = 9 * 3600; i <= 200; ++i, clock += i == 100 ? 3600 : 10)
        fprintf(f, "<trkpt lat=\"%.7f\" lon=\"%.7f\"><time>2026-06-01T%02d:%02d:%02dZ</time></trkpt>\n",
                46.005 + 0.0002 * i, 8.03 + 0.004 * std::sin(i / 30.0), clock / 3600, clock / 60 % 60, clock % 60);
    fputs("</trkseg></trk>\n</gpx>\n", f);
    fclose(f);

    const std::string import_tool = quote(KESTROLANE_IMPORT_EXE) + " --world " + quote(world);
    const std::string raster = quote(world + "/valley.asc");
    ASSERT_EQ(std::system((import_tool + " --name Valley " + raster + " >/dev/null 2>&1").c_str()), 0);
    const std::string laid = output_of(import_tool + " --track " + quote(world + "/walk.gpx") +
                                       " --onto Valley --duration 10 --timing track 2>&1");
    EXPECT_NE(laid.find("The fly-over (Flythrough/walk.ride): 10 s of video, the camera following the rider"),
              std::string::npos)
        << laid;
    EXPECT_NE(laid.find("at the track's own pace (stops shortened)"), std::string::npos) << laid;
    const std::string prompt = "Render the fly-over with:\n  ";
    const size_t command_at = laid.find(prompt);
    ASSERT_NE(command_at, std::string::npos) << laid;
    const std::string command = laid.substr(command_at + prompt.size(), laid.find('\n', command_at + prompt.size()) -
                                                                            command_at - prompt.size());
    EXPECT_NE(command.find("--render-flight Flythrough/walk.ride walk.mp4 --terrain Valley.dem --drape "
                           "Valley+walk.raw --vector walk.vec --sky"),
              std::string::npos)
        << command;
    // The viewer's flight is still written beside it.
    EXPECT_GT(std::atoi(read_file(world + "/Flythrough/walk.flt").c_str()), 100);

    // As printed, made small, with no display.
    const std::string log = world + "/render.log";
    const int status = std::system(("unset DISPLAY; " + command + " --size 480x270 >" + quote(log) + " 2>&1").c_str());
    ASSERT_EQ(status, 0) << read_file(log);
    std::map<std::string, std::string> stream = probe(world + "/walk.mp4");
    EXPECT_EQ(stream["width"], "480");
    EXPECT_EQ(stream["nb_read_frames"], "300");
    // Mid-flight: the route ahead in white and ridden in orange, the rider,
    // the read-outs' panel top left and the profile bottom right.
    const Screenshot middle = decode_frame(world + "/walk.mp4", 150, 480, 270);
    ASSERT_EQ(middle.width, 480);
    keep_shot(middle, "track-fly-over-middle");
    auto count = [](const Screenshot& shot, int left, int top, int right, int bottom,
                    const std::function<bool(int, int, int)>& is) {
        long n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const unsigned char* p = &shot.rgb[3 * ((size_t)y * shot.width + x)];
                n += is(p[0], p[1], p[2]) ? 1 : 0;
            }
        return n;
    };
    auto orange = [](int r, int g, int b) { return r > 200 && g > 70 && g < 170 && b < 90; };
    auto white = [](int r, int g, int b) { return r > 225 && g > 225 && b > 225; };
    // orange over the dark panel too, not the drape's magenta line
    auto warm = [](int r, int g, int b) { return r > 120 && r > g + 40 && r > b + 70 && g + 10 >= b; };
    const long ridden = count(middle, 0, 0, 480, 270, orange);
    EXPECT_GT(ridden, 40);
    EXPECT_GT(count(middle, 0, 0, 480, 270, white), 40);
    EXPECT_GT(count(middle, 12, 12, 110, 50, white), 20);     // text on the read-outs' panel
    EXPECT_GT(count(middle, 330, 230, 468, 258, warm), 100);  // the profile's ridden part
    // Left out, as a still of the same frame.
    ASSERT_EQ(run_kestrolane(world, "--render-flight Flythrough/walk.ride bare.png --terrain Valley.dem --drape "
                                    "Valley+walk.raw --vector walk.vec --sky --size 480x270 --still 150 --no-route "
                                    "--no-marker --no-labels --no-readouts --no-profile")
                  .status,
              0);
    const Screenshot bare = read_png(world + "/bare.png");
    ASSERT_EQ(bare.width, 480);
    EXPECT_LT(count(bare, 0, 0, 480, 270, orange), ridden / 10);
    EXPECT_LT(count(bare, 330, 230, 468, 258, warm), 25);  // brown ground, at most
    long changed = 0;  // pixels of the read-outs' panel that the bare still shows otherwise
    for (int y = 12; y < 50; ++y)
        for (int x = 12; x < 110; ++x)
            for (int c = 0; c < 3; ++c)
                changed += std::abs(middle.rgb[3 * ((size_t)y * 480 + x) + c] - bare.rgb[3 * ((size_t)y * 480 + x) + c]) > 60;
    EXPECT_GT(changed, 200);
    // Side by side for a television: the profile and read-outs in each eye's
    // half at the same place (screen depth), the route in both.
    ASSERT_EQ(run_kestrolane(world, "--render-flight Flythrough/walk.ride pair.png --terrain Valley.dem --drape "
                                    "Valley+walk.raw --vector walk.vec --sky --size 480x270 --still 150 "
                                    "--stereo side-by-side")
                  .status,
              0);
    const Screenshot pair = read_png(world + "/pair.png");
    ASSERT_EQ(pair.width, 960);
    for (int half : {0, 480}) {
        EXPECT_GT(count(pair, half + 330, 230, half + 468, 258, warm), 100) << half;
        EXPECT_GT(count(pair, half + 12, 12, half + 110, 50, white), 20) << half;
        EXPECT_GT(count(pair, half, 0, half + 480, 270, orange), 40) << half;
    }
    remove_scratch(world);
}
