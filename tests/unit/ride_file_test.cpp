// The .ride fly-over file: written and read back, refusals of damaged files, and what the renderer makes of it
// (poses between frames, read-outs, the travelled parts of the route and profile).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "files/ride_text.h"
#include "files/whole_file.h"
#include "tests/support/temp_files.h"
#include "video/render_options.h"
#include "video/ride_story.h"

namespace {

// A straight route of 2 km east, rising 100 m, with a clock from 10:00 UTC,
// a waypoint, and three frames at 30 a second.
Ride small_ride() {
    Ride r{};
    r.fps = 30;
    r.chase = true;
    r.height_offset = 500.0;
    r.height_factor = 2.0;  // y 0..200 is 500..600 m
    r.clock_zone = 0;
    for (int i = 0; i <= 4; ++i) {
        r.x.push_back(-1000.0 + 500.0 * i);
        r.y.push_back(50.0 * i);
        r.z.push_back(0.0);
        r.s.push_back(500.0 * i);
        r.t.push_back(i == 2 ? NAN : 36000.0 + 600.0 * i);
        if (i < 4) r.on_track.push_back(i == 1 ? 0 : 1);
    }
    r.waypoints.push_back({0.0, 100.0, 20.0, "Col du Test"});
    for (int k = 0; k < 3; ++k) r.frames.push_back({{-1200.0 + k, 300.0, 0.0}, {-900.0 + k, 100.0, 0.0}, 1000.0 * k});
    return r;
}

std::string ride_text(const Ride& ride) {
    const std::string dir = make_temp_dir();
    WholeFile out;
    char error[256];
    EXPECT_TRUE(begin_whole_file((dir + "/a.ride").c_str(), &out, error, sizeof error));
    print_ride_text(&out, ride);
    EXPECT_TRUE(finish_whole_file(&out, error, sizeof error)) << error;
    return read_file(dir + "/a.ride");
}

bool parses(const std::string& text, std::string* error, Ride* ride = nullptr) {
    Ride scratch;
    return parse_ride_text(text.data(), text.size(), "a.ride", ride ? ride : &scratch, error);
}

// The text with line `number` (from 1) replaced.
std::string with_line(const std::string& text, int number, const std::string& line) {
    size_t start = 0;
    for (int i = 1; i < number; ++i) start = text.find('\n', start) + 1;
    return text.substr(0, start) + line + text.substr(text.find('\n', start));
}

}  // namespace

TEST(RideFile, WhatIsWrittenReadsBack) {
    const std::string text = ride_text(small_ride());
    Ride back;
    std::string error;
    ASSERT_TRUE(parses(text, &error, &back)) << error;
    const Ride r = small_ride();
    EXPECT_EQ(back.fps, 30);
    EXPECT_TRUE(back.chase);
    EXPECT_EQ(back.clock_zone, 0);
    EXPECT_EQ(back.height_factor, 2.0);
    ASSERT_EQ(back.x.size(), 5u);
    EXPECT_EQ(back.s[4], 2000.0);
    EXPECT_TRUE(std::isnan(back.t[2]));
    EXPECT_EQ(back.t[3], r.t[3]);
    EXPECT_EQ(back.on_track, r.on_track);
    ASSERT_EQ(back.waypoints.size(), 1u);
    EXPECT_EQ(back.waypoints[0].name, "Col du Test");
    ASSERT_EQ(back.frames.size(), 3u);
    EXPECT_EQ(back.frames[2].along, 2000.0);
    EXPECT_EQ(back.frames[1].eye[0], -1199.0);
}

TEST(RideFile, DamagedOrForeignFilesAreRefusedWithTheLine) {
    const std::string text = ride_text(small_ride());
    std::string error;
    // route at line 5, its points 6-10, waypoints 11-12, frames 13-16
    const struct {
        std::string text, says;
    } cases[] = {
        {"", "not a fly-over file"},
        {"P3\n", "not a fly-over file"},
        {with_line(text, 1, "kestrolane ride 9"), "another version"},
        {with_line(text, 2, "fps 0 view chase"), "line 2"},
        {with_line(text, 2, "fps 30 view sideways"), "line 2"},
        {with_line(text, 3, "heights 0 0"), "factor above 0"},
        {with_line(text, 4, "clock 99999"), "line 4"},
        {with_line(text, 5, "route 1"), "route N"},
        {with_line(text, 5, "route 99999999999"), "route N"},
        {with_line(text, 5, "route 6"), "line 11"},  // one point more than there are
        {with_line(text, 7, "500 nan 0 500 - 1"), "line 7"},
        {with_line(text, 7, "500 1e300 0 500 - 1"), "line 7"},
        {with_line(text, 8, "0 100 0 100 - 1"), "never fall"},
        {with_line(text, 7, "0 100 0 500 - 2"), "line 7"},
        {with_line(text, 12, "0 100 20 " + std::string(200, 'x')), "printable"},
        {with_line(text, 12, "0 100 20 tab\there"), "printable"},
        {with_line(text, 13, "frames 0"), "frames N"},
        {with_line(text, 16, "0 0 0 1 1 1 2500"), "beyond the route"},
        {with_line(text, 16, "1 2 3 1 2 3 100"), "its own place"},
        {text.substr(0, text.size() - 20), "line 16"},  // cut short
        {text.substr(0, text.find("heights")), "line 3: expected \"heights"},  // ends early
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parses(c.text, &error)) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(error.rfind("a.ride", 0), 0u) << error;
    }
    Ride kept = small_ride();
    EXPECT_FALSE(parse_ride_text("P3", 2, "a.ride", &kept, &error));
    EXPECT_TRUE(kept.frames.empty());  // a refused file leaves nothing half read
    EXPECT_FALSE(read_ride_text("/nonexistent/a.ride", &kept, &error));
}

TEST(RideFile, TheRendererPlacesFramesAndTellsTheStory) {
    const Ride r = small_ride();
    // Between frames in a straight line; past the end, the last.
    const RideFrame half = interpolate_ride_frame(r, 0.5 / 30.0);
    EXPECT_DOUBLE_EQ(half.eye[0], -1199.5);
    EXPECT_DOUBLE_EQ(half.along, 500.0);
    EXPECT_EQ(interpolate_ride_frame(r, 10.0).along, 2000.0);
    EXPECT_EQ(count_ride_frames(r, 60), 6);
    // Read-outs: distance, elevation from the ground's y, the clock where known.
    std::string lines[STORY_READOUT_LINES];
    format_ride_readouts(r, 750.0, lines);
    EXPECT_EQ(lines[0], "0.75 km of 2.00 km");
    EXPECT_EQ(lines[1], "538 m");  // y 75 is 537.5 m
    EXPECT_EQ(lines[2], "");       // between a clock and none
    format_ride_readouts(r, 250.0, lines);
    EXPECT_EQ(lines[2], "10:05 UTC");
    // An elevation beyond every whole number reads as the lowest one, once signed.
    Ride deep = r;
    deep.height_offset = -1e300;
    format_ride_readouts(deep, 750.0, lines);
    EXPECT_EQ(lines[1], "-9,223,372,036,854,775,808 m");
    // The drawn route leaves out the crossing and the straight run's middle
    // point, and its ridden part follows the rider.
    const RideStory story = lay_out_ride_story(r, 640, 360, STORY_LABELS);
    ASSERT_EQ(story.runs.size(), 2u);
    EXPECT_EQ(story.runs[0].first, 0u);
    EXPECT_EQ(story.runs[0].last, 1u);
    EXPECT_EQ(story.runs[1].first, 2u);
    EXPECT_EQ(story.runs[1].last, 3u);
    EXPECT_EQ(story.line_s, (std::vector<double>{0.0, 500.0, 1000.0, 2000.0}));
    float rider[3];
    EXPECT_EQ(count_route_travelled(story, 0.0, rider), 1u);
    EXPECT_EQ(rider[0], -1000.0f);
    EXPECT_EQ(count_route_travelled(story, 1250.0, rider), 3u);
    EXPECT_FLOAT_EQ(rider[0], 250.0f);
    EXPECT_FLOAT_EQ(rider[1], 125.0f + 1.5f);  // a little over the ground
    EXPECT_EQ(count_route_travelled(story, 2000.0, rider), 4u);
    EXPECT_EQ(count_profile_travelled(story, 0.0), 1u);
    EXPECT_EQ(count_profile_travelled(story, 2000.0), story.profile.size() / 2);
    // The profile rises left to right inside its box.
    EXPECT_LT(story.profile[1], story.profile[story.profile.size() - 1]);
    EXPECT_GE(story.profile[0], story.profile_box[0]);
    EXPECT_LE(story.profile[story.profile.size() - 2], story.profile_box[0] + story.profile_box[2]);
    EXPECT_DOUBLE_EQ(story.lowest, 500.0);
    EXPECT_DOUBLE_EQ(story.highest, 600.0);
}
