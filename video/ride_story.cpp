// What a fly-over shows over the scene, laid out once for a run: route, rider, labels, read-outs and profile.
#include "video/ride_story.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr double LINE_LIFT = 1.5;             // world units the route's line floats over the ground
constexpr double LINE_PER_HEIGHT = 1.0 / 240.0;    // the line is this share of the picture's height wide...
constexpr double MARKER_PER_HEIGHT = 1.0 / 45.0;   // ...the rider's marker this share across...
constexpr double TEXT_PER_HEIGHT = 1.0 / 36.0;     // ...and read-out capitals this share tall
constexpr double LABEL_LIFT_SHARE = 0.02;     // a label stands this share of the route's length over its signpost...
constexpr double LEAST_LABEL_LIFT = 15.0;     // ...and at least this many world units
constexpr double MARGIN = 0.025;              // share of the picture's width kept clear at its edges
constexpr double PROFILE_WIDTH = 0.30;        // the profile inset's share of the width...
constexpr double PROFILE_HEIGHT = 0.15;       // ...and of the height
constexpr double PROFILE_PAD = 0.12;          // share of the inset's height kept above and below the line
constexpr double READOUT_WIDTH = 0.22;        // the read-outs' panel's share of the width
constexpr int LINE_SMOOTHING = 2;             // the drawn route averages each point with this many on each side...
constexpr double LINE_TOLERANCE = 0.5;        // ...and leaves out points within this many world units of the line

// "1,234" for a whole number.
std::string group_thousands(long long n) {
    // The magnitude unsigned: the most negative number has no positive twin.
    unsigned long long magnitude = n < 0 ? 0ull - (unsigned long long)n : (unsigned long long)n;
    std::string digits = std::to_string(magnitude), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return (n < 0 ? "-" : "") + out;
}

// "850 m", "3.21 km", "12.3 km": in the unit and precision of the whole.
std::string format_distance(double metres, double whole) {
    char text[48];
    if (whole < 1000.0) std::snprintf(text, sizeof text, "%.0f m", metres);
    else if (whole < 10000.0) std::snprintf(text, sizeof text, "%.2f km", metres / 1000.0);
    else std::snprintf(text, sizeof text, "%.1f km", metres / 1000.0);
    return text;
}

double measure_elevation(const Ride& ride, double y) { return y / ride.height_factor + ride.height_offset; }

double measure_off_line(const double p[3], const double a[3], const double b[3]) {
    double d[3], w[3], length2 = 0.0, t = 0.0;
    for (int c = 0; c < 3; ++c) {
        d[c] = b[c] - a[c];
        w[c] = p[c] - a[c];
        length2 += d[c] * d[c];
        t += w[c] * d[c];
    }
    t = length2 > 0.0 ? std::clamp(t / length2, 0.0, 1.0) : 0.0;
    double off = 0.0;
    for (int c = 0; c < 3; ++c) off += (w[c] - t * d[c]) * (w[c] - t * d[c]);
    return std::sqrt(off);
}

// Marks the points of [first, last] that the line needs within `tolerance`
// (Douglas and Peucker's test, with a stack rather than recursion).
void keep_needed(const std::vector<std::array<double, 3>>& p, size_t first, size_t last, double tolerance,
                 std::vector<char>* keep) {
    std::vector<std::pair<size_t, size_t>> spans = {{first, last}};
    (*keep)[first] = (*keep)[last] = 1;
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        double farthest = 0.0;
        size_t at = a;
        for (size_t i = a + 1; i < b; ++i) {
            const double off = measure_off_line(p[i].data(), p[a].data(), p[b].data());
            if (off > farthest) {
                farthest = off;
                at = i;
            }
        }
        if (farthest <= tolerance) continue;
        (*keep)[at] = 1;
        spans.push_back({a, at});
        spans.push_back({at, b});
    }
}

// The drawn route: each run on the track smoothed and thinned.
void lay_out_line(const Ride& ride, RideStory* story) {
    const size_t n = ride.x.size();
    std::vector<std::pair<size_t, size_t>> runs;  // route point indices
    for (size_t i = 0; i + 1 < n; ++i) {
        if (!ride.on_track[i]) continue;
        if (!runs.empty() && runs.back().second == i) runs.back().second = i + 1;
        else runs.push_back({i, i + 1});
    }
    std::vector<std::array<double, 3>> smooth(n);
    std::vector<char> keep(n, 0);
    for (const auto& [first, last] : runs) {
        for (size_t i = first; i <= last; ++i) {
            const size_t reach = std::min<size_t>({LINE_SMOOTHING, i - first, last - i});  // the ends stay put
            double sum[3] = {0.0, 0.0, 0.0};
            for (size_t j = i - reach; j <= i + reach; ++j) {
                sum[0] += ride.x[j];
                sum[1] += ride.y[j];
                sum[2] += ride.z[j];
            }
            for (int c = 0; c < 3; ++c) smooth[i][c] = sum[c] / (2 * reach + 1);
        }
        keep_needed(smooth, first, last, LINE_TOLERANCE, &keep);
        const size_t start = story->line_s.size();
        for (size_t i = first; i <= last; ++i) {
            if (!keep[i]) continue;
            story->line.push_back((float)smooth[i][0]);
            story->line.push_back((float)(smooth[i][1] + LINE_LIFT));
            story->line.push_back((float)smooth[i][2]);
            story->line_s.push_back(ride.s[i]);
        }
        story->runs.push_back({start, story->line_s.size() - 1});
    }
}

}  // namespace

RideStory lay_out_ride_story(const Ride& ride, int width, int height, int hidden) {
    RideStory story{};
    story.hidden = hidden;
    story.width = width;
    story.height = height;
    lay_out_line(ride, &story);
    story.line_width = (float)std::max(2.0, height * LINE_PER_HEIGHT);
    story.marker_size = (float)std::max(8.0, height * MARKER_PER_HEIGHT);
    story.text_height = (float)std::max(9.0, height * TEXT_PER_HEIGHT);
    story.label_lift = (float)std::max(LEAST_LABEL_LIFT, LABEL_LIFT_SHARE * ride.s.back() / 10.0);

    const int margin = (int)std::lround(MARGIN * width);
    const int box_w = std::max(16, (int)std::lround(PROFILE_WIDTH * width));
    const int box_h = std::max(12, (int)std::lround(PROFILE_HEIGHT * height));
    story.profile_box[0] = width - margin - box_w;
    story.profile_box[1] = margin;
    story.profile_box[2] = box_w;
    story.profile_box[3] = box_h;
    const int rows = (int)std::lround(story.text_height * (1.7 * STORY_READOUT_LINES + 0.8));
    story.readout_box[0] = margin;
    story.readout_box[1] = height - margin - rows;
    story.readout_box[2] = std::max(16, (int)std::lround(READOUT_WIDTH * width));
    story.readout_box[3] = rows;

    // The profile: one point a pixel across the inset.
    const int columns = std::max(2, box_w - 2);
    std::vector<double> elevation(columns);
    size_t at = 0;
    for (int c = 0; c < columns; ++c) {
        double p[3];
        const double along = ride.s.back() * c / (columns - 1);
        locate_on_ride_route(ride, along, &at, p);
        elevation[c] = measure_elevation(ride, p[1]);
        story.profile_s.push_back(along);
    }
    story.lowest = *std::min_element(elevation.begin(), elevation.end());
    story.highest = *std::max_element(elevation.begin(), elevation.end());
    const double span = std::max(story.highest - story.lowest, 1.0);
    const double pad = PROFILE_PAD * box_h;
    for (int c = 0; c < columns; ++c) {
        story.profile.push_back((float)(story.profile_box[0] + 1 + c));
        story.profile.push_back((float)(story.profile_box[1] + pad + (elevation[c] - story.lowest) / span * (box_h - 2 * pad)));
        // counter-clockwise as a strip: back faces are culled
        story.profile_fill.insert(story.profile_fill.end(), {story.profile[2 * c], story.profile[2 * c + 1],
                                                             story.profile[2 * c], (float)story.profile_box[1]});
    }
    return story;
}

RideFrame interpolate_ride_frame(const Ride& ride, double seconds) {
    const double at = std::max(0.0, seconds * ride.fps);
    const size_t last = ride.frames.size() - 1;
    const size_t i = std::min((size_t)at, last);
    if (i >= last) return ride.frames[last];
    const double u = at - (double)i;
    const RideFrame &a = ride.frames[i], &b = ride.frames[i + 1];
    RideFrame f{};
    for (int c = 0; c < 3; ++c) {
        f.eye[c] = a.eye[c] + u * (b.eye[c] - a.eye[c]);
        f.look[c] = a.look[c] + u * (b.look[c] - a.look[c]);
    }
    f.along = a.along + u * (b.along - a.along);
    return f;
}

int count_ride_frames(const Ride& ride, int fps) {
    return std::max(1, (int)std::lround((double)ride.frames.size() * fps / ride.fps));
}

void format_ride_readouts(const Ride& ride, double along, std::string lines[STORY_READOUT_LINES]) {
    const double total = ride.s.back();
    lines[0] = format_distance(along, total) + " of " + format_distance(total, total);
    size_t at = 0;
    double p[3];
    locate_on_ride_route(ride, along, &at, p);
    lines[1] = group_thousands(std::llround(measure_elevation(ride, p[1]))) + " m";
    lines[2] = "";
    at = 0;
    const double clock = measure_ride_clock(ride, along, &at);
    if (ride.clock_zone == RIDE_NO_CLOCK || !std::isfinite(clock)) return;
    const double local = clock + ride.clock_zone * 60.0;
    const long long minutes = (long long)std::floor(local / 60.0);
    const int minute_of_day = (int)(((minutes % 1440) + 1440) % 1440);
    char text[48];
    if (ride.clock_zone == 0)
        std::snprintf(text, sizeof text, "%02d:%02d UTC", minute_of_day / 60, minute_of_day % 60);
    else
        std::snprintf(text, sizeof text, "%02d:%02d UTC%+d:%02d", minute_of_day / 60, minute_of_day % 60,
                      ride.clock_zone / 60, std::abs(ride.clock_zone) % 60);
    lines[2] = text;
}

size_t count_profile_travelled(const RideStory& story, double along) {
    return (size_t)(std::upper_bound(story.profile_s.begin(), story.profile_s.end(), along) - story.profile_s.begin());
}

size_t count_route_travelled(const RideStory& story, double along, float rider[3]) {
    const std::vector<double>& s = story.line_s;
    const size_t n = (size_t)(std::upper_bound(s.begin(), s.end(), along) - s.begin());
    if (s.empty()) return 0;
    const size_t a = n == 0 ? 0 : std::min(n - 1, s.size() - 1), b = std::min(a + 1, s.size() - 1);
    const double span = s[b] - s[a];
    const float u = span > 0.0 ? (float)std::clamp((along - s[a]) / span, 0.0, 1.0) : 0.0f;
    for (int c = 0; c < 3; ++c) rider[c] = story.line[3 * a + c] + u * (story.line[3 * b + c] - story.line[3 * a + c]);
    return n;
}
