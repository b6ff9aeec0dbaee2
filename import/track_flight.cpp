// A flight along a track, computed by running the viewer's own playback steps and steering back onto the track.
#include "import/track_flight.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "camera/camera.h"
#include "flythrough/frame_modes.h"
#include "state/camera_state.h"
#include "state/flythrough_state.h"

namespace {

constexpr double LOOK_AHEAD_CELLS = 1.5;   // steering aims this many grid cells ahead on the path...
constexpr double LOOK_AHEAD_FRAMES = 4.0;  // ...or this many frames ahead, whichever is further
constexpr double SMOOTHING_CELLS = 2.0;    // GPS scatter and bends tighter than the grid are smoothed over this
constexpr double TURN_LIMIT = 2.5;         // most turn a frame, in frame lengths over the aim distance
constexpr double VIEW_DISTANCE = 3.0;      // the eye looks at the ground this many clearances ahead
constexpr double LOWEST_PITCH = -1.5;      // steepest look down (dir_y for a level heading of length 1)
constexpr double HIGHEST_PITCH = 0.3;
constexpr double STEERING_ROOM = 1.03;            // a flight is a little longer than its path at the least speed
constexpr int LAST_SAMPLES = 1;                   // the sample whose frame ends playback, never shown
constexpr int START_FRAMES = 30;  // a second at 30 frames a second in which the speed eases up from rest
constexpr int END_FRAMES = 90;    // three seconds at the end in which the eye stops and turns slowly
constexpr double END_TURN = 1.0;  // radians it turns over them (about 57 degrees, at most 1 degree a frame)
constexpr double MOST_STEERING_POINTS = 20000.0;  // the steering line is resampled into at most about this many points

// The value a sample takes once written with "%f" and read back: the flight
// is computed from what the file will hold.
float as_written(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", (float)value);
    return std::strtof(text, nullptr);
}

void append_point(FlightPath* path, double x, double z, bool on_track, double t = NAN) {
    if (!path->x.empty()) {
        const double step = std::hypot(x - path->x.back(), z - path->z.back());
        if (!(step > 0.0)) return;
        path->on_track.push_back(on_track ? 1 : 0);
        path->s.push_back(path->s.back() + step);
    } else {
        path->s.push_back(0.0);
    }
    path->x.push_back(x);
    path->z.push_back(z);
    path->t.push_back(t);
}

// The clock at parameter u of a segment between clocks a and b: an end's own
// where it is, even when the other end has none.
double blend_clock(double a, double b, double u) {
    if (u <= 0.0) return a;
    if (u >= 1.0) return b;
    return a + u * (b - a);
}

// A window of path segments [first, last] that moves forward along the path.
struct PathWindow {
    size_t first, last;
};

// Moves the window to cover the segments between distances `from` and `to` along the path.
void move_window(const FlightPath& p, double from, double to, PathWindow* w) {
    const size_t segments = p.x.size() - 1;
    while (w->first + 1 < segments && p.s[w->first + 1] < from) ++w->first;
    if (w->last < w->first) w->last = w->first;
    while (w->last + 1 < segments && p.s[w->last + 1] <= to) ++w->last;
}

// The nearest point to (x, z) on the window's segments: its distance, and how far along the path it lies.
// 0 at 0, 1 at 1, with no jump in speed at either end.
double ease(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// The speed of moving frame `frame`: easing up from rest over the first second.
int start_speed(int frame, int steps) {
    if (frame >= START_FRAMES) return steps;
    return std::max(1, (int)std::lround(steps * ease((frame + 1.0) / START_FRAMES)));
}

void find_nearest(const FlightPath& p, const PathWindow& w, double x, double z, double* distance, double* along,
                  bool* on_track = nullptr) {
    *distance = INFINITY;
    for (size_t k = w.first; k <= w.last; ++k) {
        const double dx = p.x[k + 1] - p.x[k], dz = p.z[k + 1] - p.z[k];
        const double length2 = dx * dx + dz * dz;
        const double t = std::clamp(((x - p.x[k]) * dx + (z - p.z[k]) * dz) / length2, 0.0, 1.0);
        const double d = std::hypot(x - (p.x[k] + t * dx), z - (p.z[k] + t * dz));
        if (d < *distance) {
            *distance = d;
            *along = p.s[k] + t * (p.s[k + 1] - p.s[k]);
            if (on_track) *on_track = p.on_track[k];
        }
    }
}

// The point at distance `along` on the path; *k is a segment at or before it and moves forward.
void locate_along(const FlightPath& p, double along, size_t* k, double* x, double* z) {
    const size_t segments = p.x.size() - 1;
    along = std::clamp(along, 0.0, p.s.back());
    while (*k + 1 < segments && p.s[*k + 1] < along) ++*k;
    const double t = (along - p.s[*k]) / (p.s[*k + 1] - p.s[*k]);
    *x = p.x[*k] + t * (p.x[*k + 1] - p.x[*k]);
    *z = p.z[*k] + t * (p.z[*k + 1] - p.z[*k]);
}

// The largest value within `radius` entries of each entry.
std::vector<double> widen_to_maximum(const std::vector<double>& values, int radius) {
    const int n = (int)values.size();
    std::vector<double> out(values.size());
    std::deque<int> window;  // indices whose values fall along it
    for (int i = 0, next = 0; i < n; ++i) {
        for (; next < n && next <= i + radius; ++next) {
            while (!window.empty() && values[window.back()] <= values[next]) window.pop_back();
            window.push_back(next);
        }
        while (window.front() < i - radius) window.pop_front();
        out[i] = values[window.front()];
    }
    return out;
}

// The mean of the entries within `radius` of each entry: fewer at the ends,
// or, with `keep_ends`, as many on either side, so that the ends stay put.
std::vector<double> smooth_by_mean(const std::vector<double>& values, int radius, bool keep_ends = false) {
    const int n = (int)values.size();
    std::vector<double> sums(values.size() + 1, 0.0);
    for (int i = 0; i < n; ++i) sums[i + 1] = sums[i] + values[i];
    std::vector<double> out(values.size());
    for (int i = 0; i < n; ++i) {
        const int r = keep_ends ? std::min({radius, i, n - 1 - i}) : radius;
        const int a = std::max(0, i - r), b = std::min(n, i + r + 1);
        out[i] = (sums[b] - sums[a]) / (b - a);
    }
    return out;
}

// The line to steer along: the path at even `spacing`, averaged twice over
// `radius` on either side, which takes out the scatter of GPS fixes and
// rounds corners; its ends stay where the path's are. A mean of points on
// the terrain, which is convex, stays on it.
FlightPath smooth_path(const FlightPath& path, double spacing, double radius) {
    std::vector<double> x, z;
    size_t k = 0;
    const int count = std::max(2, (int)std::ceil(path.s.back() / spacing) + 1);
    for (int i = 0; i < count; ++i) {
        double px = 0.0, pz = 0.0;
        locate_along(path, path.s.back() * i / (count - 1), &k, &px, &pz);
        x.push_back(px);
        z.push_back(pz);
    }
    const int reach = std::max(1, (int)std::lround(radius / 2.0 / (path.s.back() / (count - 1))));
    x = smooth_by_mean(smooth_by_mean(x, reach, true), reach, true);
    z = smooth_by_mean(smooth_by_mean(z, reach, true), reach, true);
    FlightPath smooth{};
    for (size_t i = 0; i < x.size(); ++i) append_point(&smooth, x[i], z[i], true);
    if (smooth.x.size() < 2) return path;
    return smooth;
}

double wrap_angle(double a) { return std::remainder(a, 2.0 * M_PI); }

}  // namespace

bool clip_segment(double ax, double az, double bx, double bz, double half_width, double half_depth, double* t0,
                  double* t1) {
    double low = 0.0, high = 1.0;
    const double p[4] = {-(bx - ax), bx - ax, -(bz - az), bz - az};
    const double q[4] = {ax + half_width, half_width - ax, az + half_depth, half_depth - az};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            low = std::max(low, t);
        else
            high = std::min(high, t);
    }
    if (low > high) return false;
    *t0 = low;
    *t1 = high;
    return true;
}

bool build_flight_path(const TrackLine& track, double width, double depth, FlightPath* path) {
    *path = FlightPath{};
    bool inside = false;     // the path's last point is where the track is, on the terrain
    bool connected = false;  // ...and the track's next segment starts there
    for (const std::vector<TrackPoint>& part : track.parts) {
        connected = false;
        for (size_t k = 0; k + 1 < part.size(); ++k) {
            const TrackPoint a = part[k], b = part[k + 1];
            double t0 = 0.0, t1 = 0.0;
            const bool known = std::isfinite(a.x) && std::isfinite(b.x);
            const bool visible = known && clip_segment(a.x, a.z, b.x, b.z, width / 2, depth / 2, &t0, &t1);
            const double length = known ? std::hypot(b.x - a.x, b.z - a.z) : 0.0;
            if (!visible) {
                path->outside_length += length;
                if (inside) ++path->exits;
                inside = connected = false;
                continue;
            }
            path->outside_length += length * (1.0 - (t1 - t0));
            const double ax = a.x + t0 * (b.x - a.x), az = a.z + t0 * (b.z - a.z);
            if (!(connected && t0 == 0.0)) append_point(path, ax, az, false, blend_clock(a.t, b.t, t0));
            append_point(path, a.x + t1 * (b.x - a.x), a.z + t1 * (b.z - a.z), true, blend_clock(a.t, b.t, t1));
            if (t1 < 1.0) ++path->exits;
            inside = connected = t1 == 1.0;
        }
    }
    return path->x.size() >= 2;
}

double measure_on_track(const FlightPath& path, bool on_track, int* stretches) {
    double length = 0.0;
    int count = 0;
    for (size_t k = 0; k < path.on_track.size(); ++k) {
        if ((path.on_track[k] != 0) != on_track) continue;
        length += path.s[k + 1] - path.s[k];
        if (k == 0 || (path.on_track[k - 1] != 0) != on_track) ++count;
    }
    if (stretches) *stretches = count;
    return length;
}

int least_speed_steps(double length) {
    // The gentle start covers about half the ground full speed would.
    const double frames = FLYTHROUGH_CAPACITY - 1 - LAST_SAMPLES - END_FRAMES - START_FRAMES / 2;
    return std::max(1, (int)std::ceil(length * STEERING_ROOM / (frames * ADVANCE_SCALE)));
}

namespace {

// A flight being planned: its measures and the eye of every shown frame.
struct FlightPlan {
    double frame_length;           // terrain units a frame at full speed
    double aim;                    // how far ahead on the steering line the eye steers
    double turn_limit;             // radians a frame
    FlightPath steer;              // the smoothed line it steers along
    float start_eye[3], start_target[3];
    std::vector<double> eye_x, eye_z, eye_yaw;  // the start pose and each moving sample's frame
    std::vector<int> speeds;       // each sample's speed, in steps
    int samples;                   // with the last one, which ends playback
};

// The heading of every frame, played one frame at a time from the start
// pose, steering back towards the line ahead, then the end's slow turn.
// Heights and pitch do not move the eye: they follow once the ground under
// every eye is known. False when the path's end is not reached in time.
bool steer_flight(const FlightSettings& settings, FlightPlan* plan) {
    const FlightPath& steer = plan->steer;
    const double total = steer.s.back(), frame_length = plan->frame_length, aim = plan->aim;
    // The start pose: on the path's first point, heading for the aim point.
    size_t aim_segment = 0;
    double aim_x = 0.0, aim_z = 0.0;
    locate_along(steer, aim, &aim_segment, &aim_x, &aim_z);
    double yaw = as_written(std::atan2(aim_x - steer.x[0], -(aim_z - steer.z[0])));
    const float start_x = as_written(steer.x[0]), start_z = as_written(steer.z[0]);
    const float start_eye[3] = {start_x, 0.0f, start_z};
    const float start_target[3] = {as_written(start_x + std::sin(yaw)), 0.0f, as_written(start_z - std::cos(yaw))};
    std::copy(start_eye, start_eye + 3, plan->start_eye);
    std::copy(start_target, start_target + 3, plan->start_target);
    set_flythrough_start(plan->start_eye, plan->start_target);
    begin_playback(FLYTHROUGH_CAPACITY);
    step_frame_camera();
    plan->eye_x = {camera_eye_x};
    plan->eye_z = {camera_eye_z};
    plan->eye_yaw = {yaw};
    auto played = [plan](int sample, int speed, double heading) {
        plan->speeds.push_back(speed);
        set_flythrough_sample(sample, (float)speed, (float)heading, 0.0f, 0.0f);
        step_frame_camera();
        plan->eye_x.push_back(camera_eye_x);
        plan->eye_z.push_back(camera_eye_z);
        plan->eye_yaw.push_back(heading);
    };
    PathWindow window{0, 0};
    double progress = 0.0;
    bool arrived = false;
    int moving = 0;  // samples that move the eye
    while (!arrived && moving < FLYTHROUGH_CAPACITY - LAST_SAMPLES - END_FRAMES) {
        // Where this frame's move will take the eye, to steer from there.
        const int speed = start_speed(moving, settings.speed_steps);
        const double next_x = camera_eye_x + speed * camera_dir_x * ADVANCE_SCALE;
        const double next_z = camera_eye_z + speed * camera_dir_z * ADVANCE_SCALE;
        move_window(steer, progress - frame_length, progress + aim + 2.0 * frame_length, &window);
        double distance = 0.0, along = progress;
        find_nearest(steer, window, next_x, next_z, &distance, &along);
        progress = std::max(progress, along);
        locate_along(steer, progress + aim, &aim_segment, &aim_x, &aim_z);
        if (std::hypot(aim_x - next_x, aim_z - next_z) > 1e-9) {
            const double wanted = std::atan2(aim_x - next_x, -(aim_z - next_z));
            yaw = as_written(yaw + std::clamp(wrap_angle(wanted - yaw), -plan->turn_limit, plan->turn_limit));
        }
        played(moving++, speed, yaw);
        // At the end only once the whole path is behind: a track that returns
        // to its start, or passes its end earlier, comes near its end point
        // long before it is flown.
        arrived = progress >= total - 0.5 * frame_length ||
                  (progress >= total - aim - 2.0 * frame_length &&
                   std::hypot(camera_eye_x - steer.x.back(), camera_eye_z - steer.z.back()) <= frame_length);
    }
    if (!arrived) return false;
    // The end: the eye stops over it and turns slowly, instead of a last frame
    // of empty ground ahead.
    for (int h = 0; h < END_FRAMES; ++h) {
        yaw = as_written(yaw + END_TURN * (ease((h + 1.0) / END_FRAMES) - ease((double)h / END_FRAMES)));
        played(moving++, 0, yaw);
    }
    plan->samples = moving + LAST_SAMPLES;
    return true;
}

// Heights: `above` over the highest ground within that distance of the
// flight, smoothed over half of it, so that the eye clears the ground under
// it and rises before a slope rather than into it; the pitch looks at the
// ground ahead. Writes every sample and the start pose.
void lift_flight(const TerrainGround& ground, const FlightSettings& settings, FlightPlan* plan) {
    const size_t shown = plan->eye_x.size();  // the start pose and every moving sample
    std::vector<double> ground_under(shown), heights(shown), pitch(shown);
    for (size_t j = 0; j < shown; ++j) ground_under[j] = measure_ground(ground, plan->eye_x[j], plan->eye_z[j]);
    const int reach = std::max(1, (int)std::lround(settings.above / plan->frame_length));
    heights = smooth_by_mean(widen_to_maximum(ground_under, reach), reach / 2);
    const double view = VIEW_DISTANCE * settings.above;
    for (size_t j = 0; j < shown; ++j) {
        heights[j] += settings.above;
        const double ahead = measure_ground(ground, plan->eye_x[j] + view * std::sin(plan->eye_yaw[j]),
                                            plan->eye_z[j] - view * std::cos(plan->eye_yaw[j]));
        pitch[j] = std::clamp((ahead - heights[j]) / view, LOWEST_PITCH, HIGHEST_PITCH);
    }
    pitch = smooth_by_mean(pitch, reach);
    plan->start_eye[1] = as_written(heights[0]);
    plan->start_target[1] = as_written(plan->start_eye[1] + pitch[0]);
    set_flythrough_start(plan->start_eye, plan->start_target);
    for (int i = 0; i < plan->samples; ++i) {
        const size_t j = std::min<size_t>(i + 1, shown - 1);  // the frame this sample shows
        // The last sample ends playback where the eye is: its frame is never shown.
        const bool last = i == plan->samples - 1;
        set_flythrough_sample(i, last ? 0.0f : (float)plan->speeds[i], (float)plan->eye_yaw[j],
                              as_written(heights[j]), as_written(pitch[j]));
    }
}

// The flight as playback shows it: every frame but the last, which ends
// playback, measured against the path.
void measure_played_flight(const FlightPath& path, const TerrainGround& ground, const FlightPlan& plan,
                           FlightReport* report) {
    begin_playback(plan.samples);
    step_frame_camera();
    PathWindow window{0, 0};
    double progress = 0.0;
    report->max_distance = 0.0;
    report->lowest_clearance = INFINITY;
    double last_x = camera_eye_x, last_z = camera_eye_z;
    for (int frame = 0; frame < plan.samples; ++frame) {
        if (frame > 0) step_frame_camera();
        const double x = camera_eye_x, z = camera_eye_z;
        move_window(path, progress - 2.0 * plan.aim, progress + 2.0 * plan.aim + 4.0 * plan.frame_length, &window);
        double distance = 0.0, along = progress;
        bool on_track = true;
        find_nearest(path, window, x, z, &distance, &along, &on_track);
        progress = std::max(progress, along);
        // A crossing is flown straight: its distance from the track, which
        // lies beyond the terrain or is missing, is not measured.
        if (on_track) report->max_distance = std::max(report->max_distance, distance);
        report->lowest_clearance = std::min(report->lowest_clearance, camera_eye_y - measure_ground(ground, x, z));
        report->flown_length += std::hypot(x - last_x, z - last_z);
        last_x = x;
        last_z = z;
    }
    report->samples = plan.samples;
}

}  // namespace

bool plan_flight(const FlightPath& path, const TerrainGround& ground, const FlightSettings& settings,
                 FlightReport* report) {
    *report = FlightReport{};
    FlightPlan plan{};
    plan.frame_length = settings.speed_steps * (double)ADVANCE_SCALE;
    plan.aim = std::max(LOOK_AHEAD_CELLS * settings.cell, LOOK_AHEAD_FRAMES * plan.frame_length);
    plan.turn_limit = std::min(TURN_LIMIT * plan.frame_length / plan.aim, 0.5);
    const double smoothing = std::max(SMOOTHING_CELLS * settings.cell, plan.aim);
    plan.steer = smooth_path(
        path, std::max(path.s.back() / MOST_STEERING_POINTS, std::min(plan.frame_length, settings.cell / 4.0)),
        smoothing);
    if (!steer_flight(settings, &plan)) return false;
    lift_flight(ground, settings, &plan);
    measure_played_flight(path, ground, plan, report);
    set_flythrough_length(plan.samples);  // what the writer saves
    set_camera_mode(CAMERA_NORMAL);
    return true;
}
