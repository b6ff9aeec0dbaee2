// A fly-over of a track for video: the rider's pace along the route and a camera that follows steadily.
#include "import/ride_plan.h"

#include <algorithm>
#include <cmath>

#include "camera/view_field.h"

namespace {

constexpr double START_SECONDS = 1.5;      // the rider eases up from rest over this...
constexpr double STOP_SECONDS = 1.5;       // ...and comes to rest at the end over this
constexpr double HOLD_SECONDS = 3.0;       // then the camera turns about the rider for this long
constexpr double HOLD_TURN = 1.0;          // radians it turns in that time (about 57 degrees)
constexpr double LOOK_SECONDS = 6.0;       // the heading looks at the route this far ahead in time...
constexpr int LOOK_SAMPLES = 24;           // ...as the mean of this many points along it
constexpr double CHASE_SECONDS = 5.0;      // the chase camera stays this much travel behind the rider...
constexpr double NEAREST_CHASE = 250.0;    // ...but no nearer than this, metres
constexpr double FARTHEST_CHASE = 4000.0;  // ...and no farther
constexpr double LOOK_BEYOND = 0.5;        // the camera looks at the ground this share of its distance past the rider
constexpr double CLEARANCE_SHARE = 0.15;   // the camera keeps this share of its height over the ground under it...
constexpr double LEAST_CLEARANCE = 20.0;   // ...and at least this many metres
constexpr double HEADING_SMOOTHING = 1.0;  // seconds over which the heading is smoothed (about one standard deviation)
constexpr double HEIGHT_SMOOTHING = 1.0;   // seconds over which heights are smoothed
constexpr double MOST_TURN = 0.9;          // degrees a frame at 30 frames a second, heading and pitch
constexpr double EYE_VIEW_DISTANCE = 3.0;  // the eye view looks at the ground this many heights ahead
constexpr double STOP_SPEED_SHARE = 0.25;  // with the track's pace: slower than this share of the usual speed is a stop
constexpr double KEPT_STOP = 20.0;         // seconds of track time a stop keeps
constexpr double MOST_ROUTE_STEP_CELLS = 1.0;  // the route's points lie at most a grid cell apart...
constexpr double MOST_ROUTE_POINTS = 150000.0; // ...unless that would make more than about this many
static_assert(MOST_ROUTE_POINTS <= RIDE_MOST_ROUTE_POINTS, "a planned route fits the file");
constexpr double AHEAD_SECONDS = 5.0;          // the route point a viewer looks for, in measure_ride

double ease(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double wrap_angle(double a) { return std::remainder(a, 2.0 * M_PI); }

// The share of the way covered at time share u of a trip that speeds up
// evenly over the first share `up`, slows down evenly over the last share
// `down` and keeps its speed between.
double trip_share(double u, double up, double down) {
    u = std::clamp(u, 0.0, 1.0);
    const double top = 1.0 / (1.0 - 0.5 * up - 0.5 * down);  // the speed between, in ways per trip
    if (u < up) return 0.5 * top * u * u / up;
    if (u > 1.0 - down) return 1.0 - 0.5 * top * (1.0 - u) * (1.0 - u) / down;
    return top * (u - 0.5 * up);
}

// The mean of the entries within `radius` of each, the ends repeated beyond
// the array, three times over: close to a Gaussian of deviation radius / 1.7.
// It never makes a change between neighbours larger than the largest there was.
std::vector<double> smooth(std::vector<double> values, int radius) {
    const int n = (int)values.size();
    if (radius < 1 || n < 2) return values;
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<double> sums(n + 1, 0.0);
        for (int i = 0; i < n; ++i) sums[i + 1] = sums[i] + values[i];
        std::vector<double> out(n);
        for (int i = 0; i < n; ++i) {
            const int a = i - radius, b = i + radius;
            const int ca = std::max(0, a), cb = std::min(n - 1, b);
            const double inside = sums[cb + 1] - sums[ca];
            const double before = (ca - a) * values[0], after = (b - cb) * values[n - 1];
            out[i] = (inside + before + after) / (2 * radius + 1);
        }
        values = std::move(out);
    }
    return values;
}

// Holds the change between neighbours to at most `most`, disturbing the
// values as little as a pass each way can.
void limit_change(std::vector<double>* values, double most) {
    std::vector<double>& v = *values;
    for (size_t i = 1; i < v.size(); ++i) v[i] = std::clamp(v[i], v[i - 1] - most, v[i - 1] + most);
    for (size_t i = v.size() - 1; i-- > 0;) v[i] = std::clamp(v[i], v[i + 1] - most, v[i + 1] + most);
}

// The largest value within `radius` of each.
std::vector<double> widen(const std::vector<double>& values, int radius) {
    const int n = (int)values.size();
    std::vector<double> out(values.size());
    for (int i = 0; i < n; ++i) {
        double most = values[i];
        for (int j = std::max(0, i - radius); j <= std::min(n - 1, i + radius); ++j) most = std::max(most, values[j]);
        out[i] = most;
    }
    return out;
}

// The route's point at `along`, continued straight beyond its end in the
// direction of its last segment (so that a look ahead near the end still
// has somewhere to look).
void locate_beyond(const Ride& ride, double along, size_t* segment, double point[3]) {
    const double length = ride.s.back();
    locate_on_ride_route(ride, std::min(along, length), segment, point);
    if (along <= length) return;
    const size_t n = ride.x.size();
    double dx = ride.x[n - 1] - ride.x[n - 2], dz = ride.z[n - 1] - ride.z[n - 2];
    const double d = std::hypot(dx, dz);
    if (!(d > 0.0)) return;
    point[0] += (along - length) * dx / d;
    point[2] += (along - length) * dz / d;
}

// The route over the ground: the path's points (every few of them when it
// has more than half the points a route holds, always keeping where it
// joins or leaves the track) with points added so that none lies more than
// `step` from the next; y is the ground there. At most MOST_ROUTE_POINTS.
void lay_route(const FlightPath& path, const TerrainGround& ground, double step, Ride* ride) {
    const size_t n = path.x.size(), most = (size_t)(MOST_ROUTE_POINTS / 2);
    std::vector<size_t> kept;
    for (bool with_changes : {true, false}) {
        const size_t stride = with_changes ? (n + most - 1) / most : (n + most / 2 - 1) / (most / 2);
        kept.clear();
        for (size_t i = 0; i < n; ++i)
            if (i == 0 || i + 1 == n || i % stride == 0 ||
                (with_changes && path.on_track[i - 1] != path.on_track[i]))
                kept.push_back(i);
        if (kept.size() <= most) break;  // else a track that leaves and rejoins at every fix: by stride alone
    }
    for (size_t k = 0; k < kept.size(); ++k) {
        const size_t i = kept[k], j = k + 1 < kept.size() ? kept[k + 1] : i;
        const int pieces = j > i ? std::max(1, (int)std::ceil((path.s[j] - path.s[i]) / step)) : 1;
        for (int piece = 0; piece < pieces; ++piece) {
            const double u = (double)piece / pieces;
            const double x = path.x[i] + u * (path.x[j] - path.x[i]), z = path.z[i] + u * (path.z[j] - path.z[i]);
            ride->x.push_back(x);
            ride->z.push_back(z);
            ride->y.push_back(measure_ground(ground, x, z));
            ride->s.push_back(path.s[i] + u * (path.s[j] - path.s[i]));
            ride->t.push_back(piece == 0 ? path.t[i] : path.t[i] + u * (path.t[j] - path.t[i]));
            if (j > i) ride->on_track.push_back(path.on_track[i]);
        }
    }
}

// The track's clock turned into a pace: for each route point, the seconds
// of the trip to it, with stops shortened to KEPT_STOP and points without a
// clock taking the usual speed. False when fewer than two points have a clock.
bool measure_track_pace(const Ride& ride, std::vector<double>* trip) {
    const size_t n = ride.s.size();
    std::vector<double> speeds;
    size_t timed = 0;
    for (size_t i = 0; i < n; ++i) timed += std::isfinite(ride.t[i]) ? 1 : 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        const double dt = ride.t[i + 1] - ride.t[i], ds = ride.s[i + 1] - ride.s[i];
        if (dt > 0.0 && ds > 0.0) speeds.push_back(ds / dt);
    }
    if (timed < 2 || speeds.empty()) return false;
    std::nth_element(speeds.begin(), speeds.begin() + speeds.size() / 2, speeds.end());
    const double usual = speeds[speeds.size() / 2];
    if (!(usual > 0.0)) return false;
    trip->assign(n, 0.0);
    for (size_t i = 0; i + 1 < n; ++i) {
        const double ds = ride.s[i + 1] - ride.s[i];
        double dt = ride.t[i + 1] - ride.t[i];
        if (!(dt >= 0.0)) dt = ds / usual;  // no clock, or one that runs back
        dt = std::min(dt, ds / (STOP_SPEED_SHARE * usual) + KEPT_STOP);
        (*trip)[i + 1] = (*trip)[i] + dt;
    }
    return trip->back() > 0.0;
}

// Where the rider is in each frame: `moving` frames easing up, along and to
// rest at the end, then the rest of `frames` at the end.
std::vector<double> plan_rider(const Ride& ride, int frames, int moving, const std::vector<double>* trip) {
    const double length = ride.s.back();
    const double up = std::min(0.25, START_SECONDS * RIDE_FPS / moving);
    const double down = std::min(0.25, STOP_SECONDS * RIDE_FPS / moving);
    std::vector<double> along(frames, length);
    size_t i = 0;
    for (int k = 0; k < moving; ++k) {
        const double share = trip_share((double)k / (moving - 1), up, down);
        if (!trip) {
            along[k] = length * share;
            continue;
        }
        const double when = share * trip->back();
        while (i + 2 < trip->size() && (*trip)[i + 1] < when) ++i;
        const double span = (*trip)[i + 1] - (*trip)[i];
        const double u = span > 0.0 ? std::clamp((when - (*trip)[i]) / span, 0.0, 1.0) : 1.0;
        along[k] = ride.s[i] + u * (ride.s[i + 1] - ride.s[i]);
    }
    if (trip) {
        // GPS fixes come at uneven times: even out the pace between them.
        std::vector<double> moved(along.begin(), along.begin() + moving);
        moved = smooth(moved, RIDE_FPS / 4);
        for (int k = 1; k + 1 < moving; ++k) along[k] = std::clamp(moved[k], along[k - 1], length);
    }
    return along;
}

// The heading of each frame: from the rider towards the middle of the route
// over the next LOOK_SECONDS of the mean pace, unwrapped; over the held end
// it turns by HOLD_TURN.
std::vector<double> plan_heading(const Ride& ride, const std::vector<double>& along, int moving, double reach) {
    const int frames = (int)along.size();
    std::vector<double> heading(frames, 0.0);
    size_t at = 0, ahead = 0;
    for (int k = 0; k < moving; ++k) {
        double rider[3], point[3], mx = 0.0, mz = 0.0;
        locate_on_ride_route(ride, along[k], &at, rider);
        ahead = at;
        for (int j = 1; j <= LOOK_SAMPLES; ++j) {
            locate_beyond(ride, along[k] + reach * j / LOOK_SAMPLES, &ahead, point);
            mx += point[0] / LOOK_SAMPLES;
            mz += point[2] / LOOK_SAMPLES;
        }
        const double wanted = std::atan2(mx - rider[0], -(mz - rider[2]));
        heading[k] = k == 0 ? wanted : heading[k - 1] + wrap_angle(wanted - heading[k - 1]);
    }
    for (int k = moving; k < frames; ++k)
        heading[k] = heading[moving - 1] + HOLD_TURN * ease((k - moving + 1.0) / (frames - moving));
    return heading;
}

// Smooths the angles and holds their change between frames to MOST_TURN.
void steady(std::vector<double>* angles) {
    const double most = MOST_TURN * M_PI / 180.0;
    *angles = smooth(*angles, (int)std::lround(HEADING_SMOOTHING * RIDE_FPS * 1.7));
    limit_change(angles, most);
    *angles = smooth(*angles, RIDE_FPS / 10);
}

}  // namespace

double choose_ride_duration(double length) {
    return std::clamp(30.0 + 10.0 * length / 1000.0, 45.0, 180.0);
}

double choose_chase_distance(double length, double duration) {
    return std::clamp(CHASE_SECONDS * length / duration, NEAREST_CHASE, FARTHEST_CHASE);
}

Ride plan_ride(const FlightPath& path, const std::vector<TrackWaypoint>& waypoints, const TerrainGround& ground,
               const TerrainLocation& location, const RideSettings& settings, bool* timed) {
    Ride ride{};
    ride.fps = RIDE_FPS;
    ride.chase = settings.chase;
    ride.height_offset = location.height_offset;
    ride.height_factor = location.height_factor;
    ride.clock_zone = RIDE_NO_CLOCK;
    const double length = path.s.back();
    lay_route(path, ground, std::max(MOST_ROUTE_STEP_CELLS * ground_cell_size(ground), 2.0 * length / MOST_ROUTE_POINTS),
              &ride);
    for (double t : ride.t)
        if (std::isfinite(t)) ride.clock_zone = 0;  // track clocks are kept in UTC
    for (const TrackWaypoint& w : waypoints) {
        if (std::fabs(w.at.x) > ground.width / 2 || std::fabs(w.at.z) > ground.depth / 2) continue;
        if ((int)ride.waypoints.size() >= RIDE_MOST_WAYPOINTS) break;
        std::string name;
        for (unsigned char c : w.name)
            if (name.size() < (size_t)RIDE_LONGEST_NAME) name += c < 32 || c == 127 ? ' ' : (char)c;
        ride.waypoints.push_back({w.at.x, measure_ground(ground, w.at.x, w.at.z), w.at.z, name});
    }

    const int frames = std::clamp((int)std::lround(settings.duration * RIDE_FPS), 2, RIDE_MOST_FRAMES);
    const int hold = std::min((int)std::lround(HOLD_SECONDS * RIDE_FPS), frames / 4);
    const int moving = std::max(2, frames - hold);
    std::vector<double> trip;
    *timed = settings.track_timing && measure_track_pace(ride, &trip);
    const std::vector<double> along = plan_rider(ride, frames, moving, *timed ? &trip : nullptr);
    const double pace = length / (moving / (double)RIDE_FPS);  // metres a second on average
    const double distance =
        settings.chase_distance > 0.0 ? settings.chase_distance : choose_chase_distance(length, moving / (double)RIDE_FPS);
    const double reach = settings.chase ? std::max(distance, LOOK_SECONDS * pace) : LOOK_SECONDS * pace;
    std::vector<double> heading = plan_heading(ride, along, moving, std::max(reach, 1e-3));
    steady(&heading);

    // The ground under the rider, smoothed, carries the camera, so that it
    // does not bob over every gully the rider crosses.
    std::vector<double> rider_x(frames), rider_y(frames), rider_z(frames);
    size_t at = 0;
    for (int k = 0; k < frames; ++k) {
        double p[3];
        locate_on_ride_route(ride, along[k], &at, p);
        rider_x[k] = p[0];
        rider_y[k] = p[1];
        rider_z[k] = p[2];
    }
    const int height_radius = (int)std::lround(HEIGHT_SMOOTHING * RIDE_FPS);
    const double pitch = std::clamp(settings.chase_pitch, 5.0, 85.0) * M_PI / 180.0;
    const double back = settings.chase ? distance * std::cos(pitch) : 0.0;
    const double rise = settings.chase ? distance * std::sin(pitch) : settings.above;
    std::vector<double> base = smooth(widen(rider_y, height_radius), height_radius);
    std::vector<double> eye_x(frames), eye_z(frames), lift(frames);
    const double clearance = std::max(LEAST_CLEARANCE, CLEARANCE_SHARE * rise);
    for (int k = 0; k < frames; ++k) {
        eye_x[k] = rider_x[k] - back * std::sin(heading[k]);
        eye_z[k] = rider_z[k] + back * std::cos(heading[k]);
        lift[k] = std::max(0.0, measure_ground(ground, eye_x[k], eye_z[k]) + clearance - (base[k] + rise));
    }
    lift = smooth(widen(lift, 2 * height_radius), height_radius);

    // Pitch: towards the ground a little past the rider (the eye view: some
    // heights ahead of the eye), smoothed and held as the heading is.
    std::vector<double> tilt(frames), eye_y(frames);
    const double beyond = settings.chase ? LOOK_BEYOND * distance : EYE_VIEW_DISTANCE * settings.above;
    for (int k = 0; k < frames; ++k) {
        eye_y[k] = base[k] + rise + lift[k];
        const double tx = rider_x[k] + beyond * std::sin(heading[k]), tz = rider_z[k] - beyond * std::cos(heading[k]);
        const double ty = settings.chase ? base[k] : measure_ground(ground, tx, tz);
        tilt[k] = std::atan2(eye_y[k] - ty, std::hypot(tx - eye_x[k], tz - eye_z[k]));
    }
    steady(&tilt);

    ride.frames.resize(frames);
    for (int k = 0; k < frames; ++k) {
        RideFrame& f = ride.frames[k];
        const double ahead = std::max(1.0, distance);
        f.eye[0] = eye_x[k];
        f.eye[1] = eye_y[k];
        f.eye[2] = eye_z[k];
        f.look[0] = eye_x[k] + ahead * std::cos(tilt[k]) * std::sin(heading[k]);
        f.look[1] = eye_y[k] - ahead * std::sin(tilt[k]);
        f.look[2] = eye_z[k] - ahead * std::cos(tilt[k]) * std::cos(heading[k]);
        f.along = along[k];
    }
    return ride;
}

RideMeasures measure_ride(const Ride& ride, double aspect) {
    RideMeasures m{};
    const double tan_y = std::tan(VIEW_FIELD_OF_VIEW * M_PI / 360.0), tan_x = tan_y * aspect;
    const int frames = (int)ride.frames.size();
    const int ahead_frames = (int)std::lround(AHEAD_SECONDS * ride.fps);
    auto in_picture = [&](const RideFrame& f, const double p[3]) {
        double forward[3] = {f.look[0] - f.eye[0], f.look[1] - f.eye[1], f.look[2] - f.eye[2]};
        const double fl = std::sqrt(forward[0] * forward[0] + forward[1] * forward[1] + forward[2] * forward[2]);
        for (double& c : forward) c /= fl;
        // right = forward x up (up is +y), then up' = right x forward
        double right[3] = {-forward[2], 0.0, forward[0]};
        const double rl = std::hypot(right[0], right[2]);
        if (!(rl > 0.0)) return false;
        right[0] /= rl;
        right[2] /= rl;
        const double up[3] = {right[1] * forward[2] - right[2] * forward[1], right[2] * forward[0] - right[0] * forward[2],
                              right[0] * forward[1] - right[1] * forward[0]};
        const double d[3] = {p[0] - f.eye[0], p[1] - f.eye[1], p[2] - f.eye[2]};
        const double z = d[0] * forward[0] + d[1] * forward[1] + d[2] * forward[2];
        const double x = d[0] * right[0] + d[2] * right[2];
        const double y = d[0] * up[0] + d[1] * up[1] + d[2] * up[2];
        return z > VIEW_NEAR && std::fabs(x) <= tan_x * z && std::fabs(y) <= tan_y * z;
    };
    std::vector<double> heading(frames), tilt(frames);
    int ahead_seen = 0, rider_seen = 0;
    size_t at = 0, ahead_at = 0;
    for (int k = 0; k < frames; ++k) {
        const RideFrame& f = ride.frames[k];
        const double dx = f.look[0] - f.eye[0], dy = f.look[1] - f.eye[1], dz = f.look[2] - f.eye[2];
        heading[k] = std::atan2(dx, -dz);
        tilt[k] = std::atan2(-dy, std::hypot(dx, dz));
        double p[3];
        locate_on_ride_route(ride, f.along, &at, p);
        rider_seen += in_picture(f, p) ? 1 : 0;
        locate_on_ride_route(ride, ride.frames[std::min(frames - 1, k + ahead_frames)].along, &ahead_at, p);
        ahead_seen += in_picture(f, p) ? 1 : 0;
    }
    double last_turn = 0.0;
    for (int k = 1; k < frames; ++k) {
        const double turn = wrap_angle(heading[k] - heading[k - 1]) * 180.0 / M_PI;
        m.most_turn = std::max(m.most_turn, std::fabs(turn));
        m.most_tilt = std::max(m.most_tilt, std::fabs(tilt[k] - tilt[k - 1]) * 180.0 / M_PI);
        if (k > 1) m.most_turn_change = std::max(m.most_turn_change, std::fabs(turn - last_turn));
        last_turn = turn;
    }
    m.ahead_in_picture = frames ? (double)ahead_seen / frames : 0.0;
    m.rider_in_picture = frames ? (double)rider_seen / frames : 0.0;
    return m;
}
