// Fly-overs for video: the rider covers the whole route in order, the camera turns steadily and keeps the route
// ahead and the rider in the picture, the track's own pace is kept with its stops shortened.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "import/import_run.h"
#include "import/ride_plan.h"
#include "import/terrain_ground.h"
#include "import/track_flight.h"

namespace {

constexpr double WIDE = 16.0 / 9.0;  // the video's shape

// A valley 8 x 6 km of 20 m cells whose sides rise 300 m, with a ripple.
TerrainGround valley() {
    TerrainGround g{401, 301, 8000.0, 6000.0, {}};
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c) {
            const double x = c * 20.0 - 4000.0, z = r * 20.0 - 3000.0;
            g.heights.push_back((float)(300.0 * (z / 3000.0) * (z / 3000.0) + 20.0 * std::sin(x / 170.0)));
        }
    return g;
}

TerrainLocation location_of(const TerrainGround& g) {
    TerrainLocation l{};
    l.columns = g.columns;
    l.rows = g.rows;
    l.width = g.width;
    l.depth = g.depth;
    l.height_offset = 0.0;
    l.height_factor = 1.0;
    return l;
}

// A hike up the valley's side in eight hairpins: nine legs of 500 m east
// and west, 100 m apart, joined by half circles, a fix every 5 m with a
// few metres of scatter.
TrackLine hairpin_hike() {
    TrackLine track;
    std::vector<TrackPoint> part;
    unsigned seed = 12345;
    auto scatter = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return ((seed >> 16) % 1000) / 1000.0 * 6.0 - 3.0;
    };
    double x = -250.0, z = 1200.0;
    for (int leg = 0; leg < 9; ++leg) {
        const double way = leg % 2 == 0 ? 1.0 : -1.0;
        for (double d = 0.0; d < 500.0; d += 5.0) part.push_back({x + way * d + scatter(), z + scatter()});
        x += way * 500.0;
        if (leg == 8) break;
        for (double a = 0.0; a < M_PI; a += 5.0 / 50.0)
            part.push_back({x + way * 50.0 * std::sin(a) + scatter(), z - 50.0 + 50.0 * std::cos(a) + scatter()});
        z -= 100.0;
    }
    part.push_back({x, z});
    track.parts.push_back(part);
    return track;
}

FlightPath path_of(const TrackLine& track, const TerrainGround& g) {
    FlightPath path;
    EXPECT_TRUE(build_flight_path(track, g.width, g.depth, &path));
    return path;
}

RideSettings chase(double duration) { return RideSettings{duration, true, 0.0, DEFAULT_CHASE_PITCH, 150.0, false}; }

// The rider only moves forward and ends at the route's end.
void expect_whole_route(const Ride& ride) {
    for (size_t k = 1; k < ride.frames.size(); ++k) ASSERT_GE(ride.frames[k].along, ride.frames[k - 1].along) << k;
    EXPECT_NEAR(ride.frames.back().along, ride.s.back(), 1e-6);
    EXPECT_EQ(ride.frames.front().along, 0.0);
}

}  // namespace

TEST(RidePlan, HairpinHikeTurnsSteadilyAndShowsTheRouteAhead) {
    const TerrainGround g = valley();
    const FlightPath path = path_of(hairpin_hike(), g);
    const double duration = choose_ride_duration(path.s.back());
    bool timed = true;
    const Ride ride = plan_ride(path, {}, g, location_of(g), chase(duration), &timed);
    EXPECT_FALSE(timed);
    ASSERT_EQ(ride.frames.size(), (size_t)std::lround(duration * RIDE_FPS));
    expect_whole_route(ride);
    const RideMeasures m = measure_ride(ride, WIDE);
    std::printf("hairpin hike %.0f m in %.0f s: turn <= %.2f deg/frame, tilt <= %.2f, turn change <= %.3f, "
                "route 5 s ahead in %.1f %% of frames, rider in %.1f %%\n",
                path.s.back(), duration, m.most_turn, m.most_tilt, m.most_turn_change, 100.0 * m.ahead_in_picture,
                100.0 * m.rider_in_picture);
    EXPECT_LE(m.most_turn, 1.0);
    EXPECT_LE(m.most_tilt, 1.0);
    EXPECT_LE(m.most_turn_change, 0.2);  // no sudden reversal
    EXPECT_GE(m.ahead_in_picture, 0.95);
    EXPECT_EQ(m.rider_in_picture, 1.0);
    // The eye view turns as steadily.
    RideSettings eye = chase(duration);
    eye.chase = false;
    const RideMeasures e = measure_ride(plan_ride(path, {}, g, location_of(g), eye, &timed), WIDE);
    std::printf("eye view: turn <= %.2f, tilt <= %.2f, route 5 s ahead in %.1f %%\n", e.most_turn, e.most_tilt,
                100.0 * e.ahead_in_picture);
    EXPECT_LE(e.most_turn, 1.0);
    EXPECT_LE(e.most_tilt, 1.0);
}

TEST(RidePlan, LoopsAndOutAndBackAreRiddenWhole) {
    const TerrainGround g = valley();
    std::vector<TrackPoint> loop, out_and_back, lollipop;
    for (double a = 0.0; a <= 2.0 * M_PI + 1e-9; a += 0.01) loop.push_back({1500.0 * std::sin(a), 1500.0 * -std::cos(a) + 1500.0});
    for (double d = 0.0; d <= 3000.0; d += 10.0) out_and_back.push_back({d - 1500.0, 0.0});
    for (double d = 3000.0; d >= 0.0; d -= 10.0) out_and_back.push_back({d - 1500.0, 30.0});
    for (double d = 0.0; d < 1000.0; d += 10.0) lollipop.push_back({0.0, -d});
    for (double a = 0.0; a <= 2.0 * M_PI; a += 0.01) lollipop.push_back({500.0 * std::sin(a), -1500.0 + 500.0 * std::cos(a)});
    for (double d = 1000.0; d >= 0.0; d -= 10.0) lollipop.push_back({5.0, -d});
    for (const auto& points : {loop, out_and_back, lollipop}) {
        TrackLine track;
        track.parts.push_back(points);
        const FlightPath path = path_of(track, g);
        bool timed = false;
        const Ride ride = plan_ride(path, {}, g, location_of(g), chase(60.0), &timed);
        expect_whole_route(ride);
        EXPECT_NEAR(ride.s.back(), path.s.back(), 1e-6);
        const RideMeasures m = measure_ride(ride, WIDE);
        EXPECT_LE(m.most_turn, 1.0);
        EXPECT_EQ(m.rider_in_picture, 1.0);
    }
}

TEST(RidePlan, TrackPaceIsKeptAndLongStopsShortened) {
    const TerrainGround g = valley();
    // 4 km east at 2 m/s, with an hour's stop halfway.
    std::vector<TrackPoint> points;
    double clock = 1.7e9;
    for (double d = 0.0; d <= 4000.0; d += 10.0) {
        points.push_back({d - 2000.0, 0.0, clock});
        clock += d == 2000.0 ? 3600.0 : 5.0;
    }
    TrackLine track;
    track.parts.push_back(points);
    const FlightPath path = path_of(track, g);
    RideSettings settings = chase(60.0);
    settings.track_timing = true;
    bool timed = false;
    const Ride ride = plan_ride(path, {}, g, location_of(g), settings, &timed);
    ASSERT_TRUE(timed);
    expect_whole_route(ride);
    EXPECT_EQ(ride.clock_zone, 0);
    // The stop keeps a short pause: the rider passes the middle at about
    // half the moving time, not after most of the video.
    size_t middle = 0;
    while (ride.frames[middle].along < 2000.0) ++middle;
    EXPECT_NEAR(middle / (double)ride.frames.size(), 0.47, 0.05);
    // A track without a clock is ridden at an even pace instead.
    for (TrackPoint& p : track.parts[0]) p.t = NAN;
    plan_ride(path_of(track, g), {}, g, location_of(g), settings, &timed);
    EXPECT_FALSE(timed);
}

TEST(RidePlan, AVeryLongRecordingKeepsARouteTheFileHolds) {
    // 300,000 fixes 2 cm apart, leaving the terrain and coming back now and then.
    const TerrainGround g = valley();
    TrackLine track;
    std::vector<TrackPoint> part;
    for (int i = 0; i < 300000; ++i) {
        const double x = -3900.0 + i * 0.026;
        part.push_back({x, 2950.0 + 100.0 * std::sin(x / 300.0)});  // crosses the edge at z = 3000
    }
    track.parts.push_back(part);
    const FlightPath path = path_of(track, g);
    ASSERT_GT(path.x.size(), (size_t)RIDE_MOST_ROUTE_POINTS);
    bool timed = false;
    const Ride ride = plan_ride(path, {}, g, location_of(g), chase(60.0), &timed);
    EXPECT_LE(ride.x.size(), (size_t)RIDE_MOST_ROUTE_POINTS);
    EXPECT_NEAR(ride.s.back(), path.s.back(), 1e-6);
    expect_whole_route(ride);
    // The crossings stay where they were: no drawn stretch runs off the terrain.
    for (size_t i = 0; i + 1 < ride.x.size(); ++i)
        if (ride.on_track[i]) ASSERT_LE(std::max(ride.z[i], ride.z[i + 1]), 3000.0 + 1e-6) << i;
}
