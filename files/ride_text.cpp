// The .ride file: a fly-over of a track for the video renderer, written and read as text.
#include "files/ride_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long MOST_RIDE_BYTES = 256L << 20;  // a file of the most frames and points stays far below this
constexpr double LARGEST_VALUE = 1e12;        // |coordinates|, distances and clocks beyond this are refused
constexpr double ALONG_ROOM = 0.01;           // the rider may lie this far past the route's end (rounding)
constexpr int MOST_CLOCK_ZONE = 18 * 60;      // minutes east or west of UTC

// Walks the text line by line.
struct RideLines {
    const char* at;
    const char* end;
    long number;  // of the line last taken, from 1
    std::string line;
};

bool take_line(RideLines* r) {
    if (r->at >= r->end) {
        ++r->number;  // the line that is missing, for the message
        r->line.clear();
        return false;
    }
    const char* stop = static_cast<const char*>(std::memchr(r->at, '\n', (size_t)(r->end - r->at)));
    if (!stop) stop = r->end;
    r->line.assign(r->at, (size_t)(stop - r->at));
    if (!r->line.empty() && r->line.back() == '\r') r->line.pop_back();
    r->at = stop < r->end ? stop + 1 : stop;
    ++r->number;
    return true;
}

// Reads `count` numbers from the start of `text` ("-" reads as NaN where
// `dash_ok`); *rest points past them. False when one does not scan or is
// not finite and within LARGEST_VALUE.
bool scan_numbers(const char* text, double* values, int count, const char** rest, bool dash_ok = false) {
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        while (*p == ' ' || *p == '\t') ++p;
        if (dash_ok && p[0] == '-' && (p[1] == ' ' || p[1] == '\t' || p[1] == '\0')) {
            values[i] = NAN;
            ++p;
            continue;
        }
        char* end = nullptr;
        errno = 0;
        values[i] = std::strtod(p, &end);
        if (end == p || errno == ERANGE || !std::isfinite(values[i]) || std::fabs(values[i]) > LARGEST_VALUE)
            return false;
        if (*end != '\0' && *end != ' ' && *end != '\t') return false;
        p = end;
    }
    *rest = p;
    return true;
}

bool only_blanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return *p == '\0';
}

// "NAME line N: WHAT".
bool refuse(const char* name, const RideLines& r, const std::string& what, Ride* ride, std::string* error) {
    *ride = Ride{};
    *error = std::string(name) + " line " + std::to_string(r.number) + ": " + what;
    return false;
}

// Reads "WORD N" with 0 <= N <= most (1 <= N when `one_or_more`).
bool take_count(RideLines* r, const char* word, long most, bool one_or_more, long* count) {
    if (!take_line(r)) return false;
    const size_t n = std::strlen(word);
    if (r->line.compare(0, n, word) != 0 || r->line.size() <= n || r->line[n] != ' ') return false;
    double value = 0.0;
    const char* rest = nullptr;
    if (!scan_numbers(r->line.c_str() + n, &value, 1, &rest) || !only_blanks(rest)) return false;
    if (value != std::floor(value) || value < (one_or_more ? 1 : 0) || value > most) return false;
    *count = (long)value;
    return true;
}

bool printable(const std::string& name) {
    for (unsigned char c : name)
        if (c < 32 || c == 127) return false;
    return true;
}

}  // namespace

void print_ride_text(WholeFile* out, const Ride& ride) {
    print_whole_file(out, "kestrolane ride %d\n", RIDE_VERSION);
    print_whole_file(out, "fps %d view %s\n", ride.fps, ride.chase ? "chase" : "eye");
    print_whole_file(out, "heights %.17g %.17g\n", ride.height_offset, ride.height_factor);
    if (ride.clock_zone == RIDE_NO_CLOCK) print_whole_file(out, "clock none\n");
    else print_whole_file(out, "clock %d\n", ride.clock_zone);
    print_whole_file(out, "route %zu\n", ride.x.size());
    for (size_t i = 0; i < ride.x.size(); ++i) {
        char clock[40] = "-";
        if (std::isfinite(ride.t[i])) std::snprintf(clock, sizeof clock, "%.3f", ride.t[i]);
        print_whole_file(out, "%.3f %.3f %.3f %.3f %s %d\n", ride.x[i], ride.y[i], ride.z[i], ride.s[i], clock,
                         i + 1 < ride.x.size() ? (int)ride.on_track[i] : 1);
    }
    print_whole_file(out, "waypoints %zu\n", ride.waypoints.size());
    for (const RideWaypoint& w : ride.waypoints)
        print_whole_file(out, "%.3f %.3f %.3f %s\n", w.x, w.y, w.z, w.name.c_str());
    print_whole_file(out, "frames %zu\n", ride.frames.size());
    for (const RideFrame& f : ride.frames)
        print_whole_file(out, "%.3f %.3f %.3f %.3f %.3f %.3f %.3f\n", f.eye[0], f.eye[1], f.eye[2], f.look[0],
                         f.look[1], f.look[2], f.along);
}

bool parse_ride_text(const char* text, size_t size, const char* name, Ride* ride, std::string* error) {
    *ride = Ride{};
    RideLines r{text, text + size, 0, {}};
    char version_line[64];
    std::snprintf(version_line, sizeof version_line, "kestrolane ride %d", RIDE_VERSION);
    if (!take_line(&r) || r.line.compare(0, 16, "kestrolane ride ") != 0)
        return refuse(name, r, "not a fly-over file (it should start with \"kestrolane ride\")", ride, error);
    if (r.line != version_line)
        return refuse(name, r, "a fly-over file of another version; lay the track again", ride, error);

    int fps = 0;
    char view[16] = "";
    if (!take_line(&r) || std::sscanf(r.line.c_str(), "fps %d view %15s", &fps, view) != 2 || fps < 1 ||
        fps > 240 || (std::strcmp(view, "chase") && std::strcmp(view, "eye")))
        return refuse(name, r, "expected \"fps N view chase|eye\" with N from 1 to 240", ride, error);
    double heights[2];
    const char* rest = nullptr;
    if (!take_line(&r) || r.line.compare(0, 8, "heights ") != 0 ||
        !scan_numbers(r.line.c_str() + 8, heights, 2, &rest) || !only_blanks(rest) || !(heights[1] > 0.0))
        return refuse(name, r, "expected \"heights OFFSET FACTOR\" with a factor above 0", ride, error);
    int zone = RIDE_NO_CLOCK;
    if (!take_line(&r) || (r.line != "clock none" && (std::sscanf(r.line.c_str(), "clock %d", &zone) != 1 ||
                                                      zone < -MOST_CLOCK_ZONE || zone > MOST_CLOCK_ZONE)))
        return refuse(name, r, "expected \"clock none\" or \"clock MINUTES\" east of UTC", ride, error);

    Ride in{};
    in.fps = fps;
    in.chase = std::strcmp(view, "chase") == 0;
    in.height_offset = heights[0];
    in.height_factor = heights[1];
    in.clock_zone = zone;
    long count = 0;
    if (!take_count(&r, "route", RIDE_MOST_ROUTE_POINTS, true, &count) || count < 2)
        return refuse(name, r, "expected \"route N\" with N from 2 to " + std::to_string(RIDE_MOST_ROUTE_POINTS),
                      ride, error);
    for (long i = 0; i < count; ++i) {
        double v[6];
        if (!take_line(&r) || !scan_numbers(r.line.c_str(), v, 4, &rest) ||
            !scan_numbers(rest, v + 4, 1, &rest, true) || !scan_numbers(rest, v + 5, 1, &rest) ||
            !only_blanks(rest) || (v[5] != 0.0 && v[5] != 1.0))
            return refuse(name, r, "expected a route point \"X Y Z DISTANCE CLOCK|- 0|1\"", ride, error);
        if ((i == 0 && v[3] != 0.0) || (i > 0 && !(v[3] >= in.s.back())))
            return refuse(name, r, "the distances along the route must start at 0 and never fall", ride, error);
        in.x.push_back(v[0]);
        in.y.push_back(v[1]);
        in.z.push_back(v[2]);
        in.s.push_back(v[3]);
        in.t.push_back(v[4]);
        if (i + 1 < count) in.on_track.push_back((char)v[5]);
    }
    if (!take_count(&r, "waypoints", RIDE_MOST_WAYPOINTS, false, &count))
        return refuse(name, r, "expected \"waypoints N\" with N up to " + std::to_string(RIDE_MOST_WAYPOINTS), ride,
                      error);
    for (long i = 0; i < count; ++i) {
        double v[3];
        if (!take_line(&r) || !scan_numbers(r.line.c_str(), v, 3, &rest))
            return refuse(name, r, "expected a waypoint \"X Y Z NAME\"", ride, error);
        while (*rest == ' ' || *rest == '\t') ++rest;
        std::string label = rest;
        if (label.size() > (size_t)RIDE_LONGEST_NAME || !printable(label))
            return refuse(name, r, "a waypoint's name must be printable and at most " +
                                       std::to_string(RIDE_LONGEST_NAME) + " bytes",
                          ride, error);
        in.waypoints.push_back({v[0], v[1], v[2], label});
    }
    if (!take_count(&r, "frames", RIDE_MOST_FRAMES, true, &count))
        return refuse(name, r, "expected \"frames N\" with N from 1 to " + std::to_string(RIDE_MOST_FRAMES), ride,
                      error);
    in.frames.reserve((size_t)count);
    for (long i = 0; i < count; ++i) {
        double v[7];
        if (!take_line(&r) || !scan_numbers(r.line.c_str(), v, 7, &rest) || !only_blanks(rest))
            return refuse(name, r, "expected a frame \"EYE_X EYE_Y EYE_Z LOOK_X LOOK_Y LOOK_Z ALONG\"", ride, error);
        if (v[6] < 0.0 || v[6] > in.s.back() + ALONG_ROOM)
            return refuse(name, r, "the rider lies beyond the route", ride, error);
        if (v[0] == v[3] && v[1] == v[4] && v[2] == v[5])
            return refuse(name, r, "the camera looks at its own place", ride, error);
        in.frames.push_back({{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, std::fmin(v[6], in.s.back())});
    }
    *ride = std::move(in);
    return true;
}

namespace {

// The segment holding `along` and the share of the way along it.
double find_ride_segment(const Ride& ride, double along, size_t* segment) {
    const size_t last = ride.s.size() - 1;
    along = std::fmax(0.0, std::fmin(along, ride.s[last]));
    if (*segment >= last || ride.s[*segment] > along) *segment = 0;
    while (*segment + 1 < last && ride.s[*segment + 1] <= along) ++*segment;
    const double length = ride.s[*segment + 1] - ride.s[*segment];
    return length > 0.0 ? std::fmin(1.0, (along - ride.s[*segment]) / length) : 0.0;
}

}  // namespace

void locate_on_ride_route(const Ride& ride, double along, size_t* segment, double point[3]) {
    const double u = find_ride_segment(ride, along, segment);
    const size_t i = *segment;
    point[0] = ride.x[i] + u * (ride.x[i + 1] - ride.x[i]);
    point[1] = ride.y[i] + u * (ride.y[i + 1] - ride.y[i]);
    point[2] = ride.z[i] + u * (ride.z[i + 1] - ride.z[i]);
}

double measure_ride_clock(const Ride& ride, double along, size_t* segment) {
    const double u = find_ride_segment(ride, along, segment);
    const size_t i = *segment;
    if (u <= 0.0) return ride.t[i];
    if (u >= 1.0) return ride.t[i + 1];
    return ride.t[i] + u * (ride.t[i + 1] - ride.t[i]);
}

bool read_ride_text(const char* path, Ride* ride, std::string* error) {
    *ride = Ride{};
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        *error = std::string(path) + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char block[1 << 16];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0) {
        text.append(block, got);
        if ((long)text.size() > MOST_RIDE_BYTES) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *error = std::string(path) + ": cannot be read";
        return false;
    }
    if ((long)text.size() > MOST_RIDE_BYTES) {
        *error = std::string(path) + ": larger than any fly-over file";
        return false;
    }
    return parse_ride_text(text.data(), text.size(), path, ride, error);
}
