// Plans the sample flythroughs over the default world and writes them as .flt files.
#include "datagen/flythroughs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "datagen/noise.h"
#include "datagen/world_files.h"
#include "files/flythrough_text.h"
#include "files/whole_file.h"

namespace {

const double pi = 3.14159265358979323846;

// The viewer moves the eye this far per unit of speed and frame, and holds
// at most this many samples.
const float advance_scale = 0.1f;
const int most_samples = FLYTHROUGH_CAPACITY;

const double point_spacing = 2.0;      // between points of the planned curve
const int curve_smoothing = 30;        // points averaged on either side, in two passes
const int curvature_reach = 5;         // points on either side that measure the bend
const double fastest_turn = 0.008;     // radians per frame, so a turn never jerks the view round
const double speed_change = 0.03;      // speed units gained or lost per world unit flown
const double slowest_speed = 1.0;      // a flight never stalls short of its end
const int height_easing = 24;          // frames averaged on either side, in two passes
const double steepest_climb = 0.6;     // height change per unit flown, up or down
const double footprint_radius = 25.0;  // about two terrain cells
const int footprint_points = 6;
const double extent_margin = 100.0;    // the view stays on land even at the end of a flight

const double lake_center_x = -60.0;
const double lake_center_z = -620.0;

struct waypoint {
    double x;
    double z;
    double clearance;  // over the highest ground around the eye
    double speed;      // in the viewer's units of 0.1 world units per frame
    double pitch;      // the look direction's y for a horizontal length of one
};

// North from the start over the lake and up the main valley, a wide right
// turn climbing over the snowy peaks, down the eastern valley and west
// along the lake's eastern river to its shore.
const waypoint grand_tour[] = {
    {0.0, 0.0, 60.0, 12.0, -0.15},        {-10.0, -250.0, 60.0, 28.0, -0.17},
    {-50.0, -520.0, 50.0, 30.0, -0.19},   {-20.0, -800.0, 60.0, 30.0, -0.2},
    {40.0, -1050.0, 65.0, 32.0, -0.2},    {120.0, -1320.0, 65.0, 32.0, -0.2},
    {160.0, -1560.0, 65.0, 34.0, -0.22},  {100.0, -1800.0, 70.0, 34.0, -0.22},
    {70.0, -2030.0, 80.0, 36.0, -0.25},   {150.0, -2280.0, 150.0, 36.0, -0.3},
    {350.0, -2460.0, 200.0, 38.0, -0.35}, {620.0, -2520.0, 200.0, 38.0, -0.35},
    {870.0, -2380.0, 150.0, 36.0, -0.32}, {990.0, -2120.0, 90.0, 34.0, -0.3},
    {990.0, -1820.0, 80.0, 34.0, -0.28},  {910.0, -1550.0, 80.0, 32.0, -0.28},
    {880.0, -1250.0, 80.0, 32.0, -0.28},  {850.0, -950.0, 75.0, 30.0, -0.28},
    {760.0, -650.0, 65.0, 30.0, -0.27},   {550.0, -420.0, 65.0, 28.0, -0.25},
    {300.0, -330.0, 60.0, 22.0, -0.2},    {150.0, -430.0, 55.0, 10.0, -0.17},
};

// The lake circle: an oval hugging the shore, once round and a little more,
// turning right so the lake and the mountains behind it fill the right of
// the view.
const double circle_radius_x = 320.0;  // the lake is wider east to west
const double circle_radius_z = 250.0;
const double circle_start = 0.8 * pi;  // bearing from the lake's centre, 0 north, pi/2 east
const double circle_sweep = 2.0 * pi + 0.6;
const int circle_points = 22;
const double circle_clearance = 50.0;
const double circle_speed = 20.0;
const double circle_pitch = -0.24;

struct curve_point {
    double x;
    double z;
    double knot;  // waypoint number plus the fraction of the way to the next
};

struct planned_curve {
    std::vector<curve_point> points;
    std::vector<double> length;   // from the start, along the curve
    std::vector<double> heading;  // yaw of travel, unwrapped so it never jumps by a turn
    std::vector<double> speed;
};

struct flight_frame {
    int steps;
    double yaw;
    double knot;
    float x;
    float z;
};

struct flight {
    std::vector<flight_frame> frames;
    std::vector<double> heights;
    std::vector<double> pitches;
    double start_x;
    double start_z;
    double start_yaw;
};

double measure_yaw(double dx, double dz) { return std::atan2(dx, -dz); }

// A waypoint value at a point of the curve, eased between waypoints.
double mix_waypoints(const std::vector<waypoint>& route, double knot, double waypoint::*value) {
    if (route.empty()) {
        return 0.0;
    }
    const double last = static_cast<double>(route.size() - 1);
    const double clamped = clamp_to(knot, 0.0, last);
    const size_t at = std::min(static_cast<size_t>(clamped), route.size() - 1);
    const size_t next = std::min(at + 1, route.size() - 1);
    return mix_values(route[at].*value, route[next].*value,
                      smooth_step(0.0, 1.0, clamped - static_cast<double>(at)));
}

// Uniform Catmull-Rom through the waypoints, with mirrored end points so
// the curve starts and ends heading at its neighbours.
std::vector<curve_point> trace_route(const std::vector<waypoint>& route) {
    std::vector<curve_point> points;
    const size_t count = route.size();
    for (size_t k = 0; k + 1 < count; ++k) {
        const waypoint& p1 = route[k];
        const waypoint& p2 = route[k + 1];
        const double p0x = k > 0 ? route[k - 1].x : 2.0 * p1.x - p2.x;
        const double p0z = k > 0 ? route[k - 1].z : 2.0 * p1.z - p2.z;
        const double p3x = k + 2 < count ? route[k + 2].x : 2.0 * p2.x - p1.x;
        const double p3z = k + 2 < count ? route[k + 2].z : 2.0 * p2.z - p1.z;
        const int pieces =
            std::max(1, static_cast<int>(std::ceil(std::hypot(p2.x - p1.x, p2.z - p1.z) / point_spacing)));
        for (int i = 0; i < pieces || (k + 2 == count && i == pieces); ++i) {
            const double t = static_cast<double>(i) / pieces;
            const double t2 = t * t;
            const double t3 = t2 * t;
            const auto blend = [&](double a, double b, double c, double d) {
                return 0.5 * (2.0 * b + (c - a) * t + (2.0 * a - 5.0 * b + 4.0 * c - d) * t2 +
                              (3.0 * b - a - 3.0 * c + d) * t3);
            };
            points.push_back(
                {blend(p0x, p1.x, p2.x, p3x), blend(p0z, p1.z, p2.z, p3z), static_cast<double>(k) + t});
        }
    }
    return points;
}

// Averages each point with its neighbours so the bend changes gradually.
// Beyond the ends the curve is mirrored through its end points, which
// therefore stay in place while the bend still eases out towards them.
void smooth_route(std::vector<curve_point>& points) {
    const long count = static_cast<long>(points.size());
    const long reach = curve_smoothing;
    const auto mirrored = [&points, count](long i, double curve_point::*axis) {
        if (i < 0) {
            return 2.0 * points.front().*axis - points[static_cast<size_t>(std::min(-i, count - 1))].*axis;
        }
        if (i >= count) {
            const long back = std::max(2 * (count - 1) - i, 0L);
            return 2.0 * points.back().*axis - points[static_cast<size_t>(back)].*axis;
        }
        return points[static_cast<size_t>(i)].*axis;
    };
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<curve_point> smoothed = points;
        for (long j = 0; j < count; ++j) {
            double x = 0.0;
            double z = 0.0;
            for (long i = j - reach; i <= j + reach; ++i) {
                x += mirrored(i, &curve_point::x);
                z += mirrored(i, &curve_point::z);
            }
            smoothed[static_cast<size_t>(j)].x = x / static_cast<double>(2 * reach + 1);
            smoothed[static_cast<size_t>(j)].z = z / static_cast<double>(2 * reach + 1);
        }
        points = smoothed;
    }
}

// Lengths and headings along the curve, and speeds that slow for bends so
// no frame turns by more than the fastest turn, changing gradually.
planned_curve measure_route(const std::vector<waypoint>& route) {
    planned_curve curve;
    curve.points = trace_route(route);
    smooth_route(curve.points);
    const size_t count = curve.points.size();
    curve.length.assign(count, 0.0);
    curve.heading.assign(count, 0.0);
    for (size_t j = 1; j < count; ++j) {
        const double dx = curve.points[j].x - curve.points[j - 1].x;
        const double dz = curve.points[j].z - curve.points[j - 1].z;
        curve.length[j] = curve.length[j - 1] + std::hypot(dx, dz);
        double yaw = measure_yaw(dx, dz);
        if (j > 1) {
            yaw += 2.0 * pi * std::round((curve.heading[j - 1] - yaw) / (2.0 * pi));
        }
        curve.heading[j] = yaw;
    }
    if (count > 1) {
        curve.heading[0] = curve.heading[1];
    }

    curve.speed.assign(count, slowest_speed);
    for (size_t j = 0; j < count; ++j) {
        const size_t before = j > static_cast<size_t>(curvature_reach) ? j - curvature_reach : 0;
        const size_t after = std::min(j + curvature_reach, count - 1);
        const double run = curve.length[after] - curve.length[before];
        const double bend = run > 0.0 ? std::fabs(curve.heading[after] - curve.heading[before]) / run : 0.0;
        double speed = mix_waypoints(route, curve.points[j].knot, &waypoint::speed);
        if (bend > 0.0) {
            speed = std::min(speed, fastest_turn / (bend * advance_scale));
        }
        curve.speed[j] = std::max(speed, slowest_speed);
    }
    for (size_t j = 1; j < count; ++j) {
        const double run = curve.length[j] - curve.length[j - 1];
        curve.speed[j] = std::min(curve.speed[j], curve.speed[j - 1] + speed_change * run);
    }
    for (size_t j = count - 1; j-- > 0;) {
        const double run = curve.length[j + 1] - curve.length[j];
        curve.speed[j] = std::min(curve.speed[j], curve.speed[j + 1] + speed_change * run);
    }
    return curve;
}

// The curve point at or before the given length, and the fraction of the
// way to the next one.
size_t find_on_curve(const planned_curve& curve, double length, double& fraction) {
    const size_t count = curve.length.size();
    const size_t next = static_cast<size_t>(
        std::upper_bound(curve.length.begin(), curve.length.end(), length) - curve.length.begin());
    if (next == 0) {
        fraction = 0.0;
        return 0;
    }
    if (next >= count) {
        fraction = 0.0;
        return count - 1;
    }
    const double run = curve.length[next] - curve.length[next - 1];
    fraction = run > 0.0 ? (length - curve.length[next - 1]) / run : 0.0;
    return next - 1;
}

double read_curve(const planned_curve& curve, const std::vector<double>& values, double length) {
    double fraction = 0.0;
    const size_t at = find_on_curve(curve, length, fraction);
    const size_t next = std::min(at + 1, values.size() - 1);
    return mix_values(values[at], values[next], fraction);
}

double read_knot(const planned_curve& curve, double length) {
    double fraction = 0.0;
    const size_t at = find_on_curve(curve, length, fraction);
    const size_t next = std::min(at + 1, curve.points.size() - 1);
    return mix_values(curve.points[at].knot, curve.points[next].knot, fraction);
}

int choose_steps(const planned_curve& curve, double length) {
    return static_cast<int>(std::lround(read_curve(curve, curve.speed, length)));
}

// Plays the curve as the viewer will: each frame moves the eye by the
// frame's speed along the previous frame's direction, then turns. Each yaw
// is the curve's heading halfway through the move it steers, taken as the
// file will hold it, so the played path keeps to the curve.
flight fly_route(const planned_curve& curve) {
    flight plan = {{}, {}, {}, 0.0, 0.0, 0.0};
    if (curve.points.size() < 2) {
        return plan;
    }
    const double end = curve.length.back();
    double flown = 0.0;
    int steps = choose_steps(curve, flown);
    plan.start_x = curve.points.front().x;
    plan.start_z = curve.points.front().z;
    plan.start_yaw = read_curve(curve, curve.heading, 0.5 * steps * advance_scale);
    float eye_x = read_back(plan.start_x);
    float eye_z = read_back(plan.start_z);
    float dir_x = read_back(plan.start_x + std::sin(plan.start_yaw)) - eye_x;
    float dir_z = read_back(plan.start_z - std::cos(plan.start_yaw)) - eye_z;
    while (flown < end && plan.frames.size() <= static_cast<size_t>(most_samples)) {
        eye_x += steps * dir_x * advance_scale;
        eye_z += steps * dir_z * advance_scale;
        flown += steps * static_cast<double>(advance_scale);
        const int next = choose_steps(curve, flown);
        const double yaw = read_curve(curve, curve.heading, flown + 0.5 * next * advance_scale);
        const float yaw_read = read_back(yaw);
        dir_x = static_cast<float>(std::sin(static_cast<double>(yaw_read)));
        dir_z = static_cast<float>(-std::cos(static_cast<double>(yaw_read)));
        plan.frames.push_back({steps, yaw, read_knot(curve, flown), eye_x, eye_z});
        steps = next;
    }
    return plan;
}

// The highest ground under and around the eye.
double measure_footprint(const river_network& rivers, double x, double z) {
    double highest = sample_default_ground(rivers, x, z).height;
    for (int k = 0; k < footprint_points; ++k) {
        const double angle = 2.0 * pi * k / footprint_points;
        highest = std::max(highest, sample_default_ground(rivers, x + footprint_radius * std::sin(angle),
                                                          z - footprint_radius * std::cos(angle))
                                        .height);
    }
    return highest;
}

// Heights that keep the wanted clearance with eased changes. Each average
// spans frames within twice the easing of its own, and every value averaged
// is already at least the highest need within that reach, so averaging
// never brings the eye below what a frame needs.
std::vector<double> plan_heights(const river_network& rivers, const std::vector<waypoint>& route,
                                 const std::vector<flight_frame>& frames) {
    const size_t count = frames.size();
    std::vector<double> needed(count);
    for (size_t i = 0; i < count; ++i) {
        needed[i] = measure_footprint(rivers, frames[i].x, frames[i].z) +
                    mix_waypoints(route, frames[i].knot, &waypoint::clearance);
    }
    const size_t reach = 2 * static_cast<size_t>(height_easing);
    std::vector<double> heights(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t first = i > reach ? i - reach : 0;
        const size_t last = std::min(i + reach, count - 1);
        heights[i] = *std::max_element(needed.begin() + static_cast<long>(first),
                                       needed.begin() + static_cast<long>(last) + 1);
    }
    for (size_t i = 1; i < count; ++i) {
        const double climb = steepest_climb * frames[i].steps * advance_scale;
        heights[i] = std::max(heights[i], heights[i - 1] - climb);
    }
    for (size_t i = count; i-- > 1;) {
        const double climb = steepest_climb * frames[i].steps * advance_scale;
        heights[i - 1] = std::max(heights[i - 1], heights[i] - climb);
    }
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<double> eased(count);
        for (size_t i = 0; i < count; ++i) {
            const size_t first = i > static_cast<size_t>(height_easing) ? i - height_easing : 0;
            const size_t last = std::min(i + height_easing, count - 1);
            double total = 0.0;
            for (size_t j = first; j <= last; ++j) {
                total += heights[j];
            }
            eased[i] = total / static_cast<double>(last - first + 1);
        }
        heights = eased;
    }
    return heights;
}

flight plan_flight(const river_network& rivers, const std::vector<waypoint>& route) {
    flight plan = fly_route(measure_route(route));
    plan.heights = plan_heights(rivers, route, plan.frames);
    for (const flight_frame& frame : plan.frames) {
        plan.pitches.push_back(mix_waypoints(route, frame.knot, &waypoint::pitch));
    }
    return plan;
}

std::vector<waypoint> circle_lake() {
    std::vector<waypoint> route;
    for (int k = 0; k < circle_points; ++k) {
        const double bearing = circle_start + circle_sweep * k / (circle_points - 1);
        // Slow at both ends so the flight starts and stops gently.
        const bool end = k == 0 || k == circle_points - 1;
        route.push_back({lake_center_x + circle_radius_x * std::sin(bearing),
                         lake_center_z - circle_radius_z * std::cos(bearing), circle_clearance,
                         end ? 0.5 * circle_speed : circle_speed, circle_pitch});
    }
    return route;
}

// A flight that strays off the land or runs past what the viewer holds
// would show the void; refuse to write it.
bool check_flight(const std::string& name, const flight& plan, std::string& error) {
    if (plan.frames.empty() || plan.frames.size() > static_cast<size_t>(most_samples)) {
        error = "flythrough " + name + " has " + std::to_string(plan.frames.size()) + " samples, not 1 to " +
                std::to_string(most_samples);
        return false;
    }
    for (const flight_frame& frame : plan.frames) {
        if (frame.x < default_extent.x_min + extent_margin ||
            frame.x > default_extent.x_max - extent_margin ||
            frame.z < default_extent.z_min + extent_margin ||
            frame.z > default_extent.z_max - extent_margin) {
            char line[160];
            std::snprintf(line, sizeof line, "flythrough %s leaves the terrain at x %.0f, z %.0f",
                          name.c_str(), frame.x, frame.z);
            error = line;
            return false;
        }
    }
    return true;
}

bool write_flight(const std::string& folder, const std::string& name, const flight& plan,
                  std::string& summary, std::string& error) {
    if (!check_flight(name, plan, error)) {
        return false;
    }
    // The file holds what the viewer will hold after reading it, so that the
    // flight plays exactly as it was planned.
    static float speed[FLYTHROUGH_CAPACITY], yaw[FLYTHROUGH_CAPACITY], height[FLYTHROUGH_CAPACITY],
        pitch[FLYTHROUGH_CAPACITY];
    const double start_y = plan.heights.empty() ? 0.0 : plan.heights.front();
    const double start_pitch = plan.pitches.empty() ? 0.0 : plan.pitches.front();
    float start_eye[3] = {read_back(plan.start_x), read_back(start_y), read_back(plan.start_z)};
    float start_target[3] = {read_back(plan.start_x + std::sin(plan.start_yaw)), read_back(start_y + start_pitch),
                             read_back(plan.start_z - std::cos(plan.start_yaw))};
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        speed[i] = static_cast<float>(plan.frames[i].steps);
        yaw[i] = read_back(plan.frames[i].yaw);
        height[i] = read_back(plan.heights[i]);
        pitch[i] = read_back(plan.pitches[i]);
    }
    char message[WHOLE_FILE_PATH_SIZE + 256];
    const FlythroughArrays arrays{speed, yaw, height, pitch, start_eye, start_target};
    if (!write_flythrough_text((folder + "/" + name).c_str(), arrays, static_cast<int>(plan.frames.size()), message,
                               sizeof message)) {
        error = message;
        return false;
    }
    summary += (summary.empty() ? " Flythrough/" : ", Flythrough/") + name + " (" +
               std::to_string(plan.frames.size()) + " samples)";
    return true;
}

}  // namespace

bool write_sample_flythroughs(const std::string& folder, const river_network& rivers, std::string& summary,
                              std::string& error) {
    const std::vector<waypoint> tour(std::begin(grand_tour), std::end(grand_tour));
    return write_flight(folder, "Grand_Tour.flt", plan_flight(rivers, tour), summary, error) &&
           write_flight(folder, "Lake_Circle.flt", plan_flight(rivers, circle_lake()), summary, error);
}
