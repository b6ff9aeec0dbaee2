// Marking a track: cones and billboards for the geometry layer, and its line painted on a drape.
#include "import/track_marks.h"

#include <algorithm>
#include <cmath>

#include "geometry/geometry_layer.h"
#include "state/geometry_state.h"

namespace {

// A cone is always 10 units tall: its radius grows with the grid's cells,
// within what still looks like a cone.
constexpr double CONE_PER_CELL = 0.25;
constexpr double SMALLEST_CONE = 2.0, LARGEST_CONE = 10.0;
constexpr double CONES_ALONG = 100.0;    // about this many cones along a track
constexpr double CONE_GAP = 6.0;         // and at least this many radii between them
constexpr double BILLBOARD_SCALE = 3.0;  // a billboard's size over a cone's
constexpr double BILLBOARD_LIFT = 0.8;   // a billboard's picture spans +-0.8 size about its position
constexpr float UPRIGHT = -90.0f;        // degrees about x: a cone's axis (local +z) points up
constexpr int FLAG_PICTURE = 1;          // bill_1, a survey flag on a cairn
constexpr int SIGNPOST_PICTURE = 2;      // bill_2, a signpost

constexpr double LINE_HALF_WIDTH = 1.5;         // pixels; the line is three pixels wide...
constexpr double LINE_PIECE = 32.0;             // ...painted in pieces of at most this many pixels
const uint8_t LINE_COLOUR[3] = {236, 28, 140};  // magenta: apart from every tint of the drape and the red cones

// The smallest of 1, 2 and 5 times a power of ten that is at least `value`.
double round_up_nicely(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= value * (1.0 - 1e-12)) return step * power;
    return 10.0 * power;
}

bool on_terrain(const TerrainGround& g, double x, double z) {
    return std::fabs(x) <= g.width / 2 && std::fabs(z) <= g.depth / 2;
}

bool place_billboard(const TerrainGround& g, double x, double z, double size, int picture, TrackMarks* marks) {
    const double y = measure_ground(g, x, z) + BILLBOARD_LIFT * size;
    if (append_geometry_item(GEOMETRY_BILLBOARD, (float)x, (float)y, (float)z, 0.0f, 0.0f, 0.0f, (float)size, picture) <
        0) {
        ++marks->left_out;
        return false;
    }
    ++marks->billboards;
    return true;
}

double distance_to_segment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0.0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Raises the coverage of the pixels near segment a-b (pixel units) to how much of each the line covers.
void cover_segment(std::vector<uint8_t>* coverage, int width, int height, double ax, double ay, double bx, double by) {
    const double reach = LINE_HALF_WIDTH + 1.0;
    const int pieces = std::max(1, (int)std::ceil(std::hypot(bx - ax, by - ay) / LINE_PIECE));
    for (int piece = 0; piece < pieces; ++piece) {
        const double x0 = ax + (bx - ax) * piece / pieces, y0 = ay + (by - ay) * piece / pieces;
        const double x1 = ax + (bx - ax) * (piece + 1) / pieces, y1 = ay + (by - ay) * (piece + 1) / pieces;
        const int left = std::max(0, (int)std::floor(std::min(x0, x1) - reach));
        const int right = std::min(width - 1, (int)std::ceil(std::max(x0, x1) + reach));
        const int top = std::max(0, (int)std::floor(std::min(y0, y1) - reach));
        const int bottom = std::min(height - 1, (int)std::ceil(std::max(y0, y1) + reach));
        for (int row = top; row <= bottom; ++row) {
            uint8_t* out = coverage->data() + (size_t)row * width;
            for (int column = left; column <= right; ++column) {
                const double d = distance_to_segment(column + 0.5, row + 0.5, ax, ay, bx, by);
                const double share = std::clamp(LINE_HALF_WIDTH + 0.5 - d, 0.0, 1.0);
                out[column] = std::max(out[column], (uint8_t)std::lround(share * 255.0));
            }
        }
    }
}

}  // namespace

TrackMarks place_track_marks(const FlightPath& path, const std::vector<TrackWaypoint>& waypoints,
                             const TerrainGround& ground) {
    TrackMarks marks{};
    marks.cone_size = std::clamp(CONE_PER_CELL * ground_cell_size(ground), SMALLEST_CONE, LARGEST_CONE);
    marks.billboard_size = BILLBOARD_SCALE * marks.cone_size;
    double on_track = 0.0;
    for (size_t k = 0; k + 1 < path.x.size(); ++k)
        if (path.on_track[k]) on_track += path.s[k + 1] - path.s[k];
    marks.spacing = round_up_nicely(std::max(on_track / CONES_ALONG, CONE_GAP * marks.cone_size));

    // Billboards first: the viewer frames its first item in a wire cube.
    for (const TrackWaypoint& w : waypoints)
        if (on_terrain(ground, w.at.x, w.at.z))
            place_billboard(ground, w.at.x, w.at.z, marks.billboard_size, SIGNPOST_PICTURE, &marks);
    if (marks.billboards == 0 && marks.left_out == 0) {
        marks.at_ends = true;
        place_billboard(ground, path.x.front(), path.z.front(), marks.billboard_size, FLAG_PICTURE, &marks);
        place_billboard(ground, path.x.back(), path.z.back(), marks.billboard_size, FLAG_PICTURE, &marks);
    }

    // A cone wherever the distance along the track passes a whole number of spacings.
    double before = 0.0;  // distance along the track at the current segment's start
    for (size_t k = 0; k + 1 < path.x.size(); ++k) {
        if (!path.on_track[k]) continue;
        const double length = path.s[k + 1] - path.s[k];
        for (double at = (std::floor(before / marks.spacing) + 1.0) * marks.spacing; at <= before + length;
             at += marks.spacing) {
            const double t = (at - before) / length;
            const double x = path.x[k] + t * (path.x[k + 1] - path.x[k]);
            const double z = path.z[k] + t * (path.z[k + 1] - path.z[k]);
            if (append_geometry_item(GEOMETRY_CONE, (float)x, (float)measure_ground(ground, x, z), (float)z, UPRIGHT,
                                     0.0f, 0.0f, (float)marks.cone_size, 0) < 0)
                ++marks.left_out;
            else
                ++marks.cones;
        }
        before += length;
    }
    return marks;
}

void paint_track_line(std::vector<uint8_t>* rgb, int width, int height, const TrackLine& track, double terrain_width,
                      double terrain_depth) {
    std::vector<uint8_t> coverage((size_t)width * height, 0);
    const double scale_x = width / terrain_width, scale_y = height / terrain_depth;
    for (const std::vector<TrackPoint>& part : track.parts) {
        for (size_t k = 0; k + 1 < part.size(); ++k) {
            const TrackPoint a = part[k], b = part[k + 1];
            if (!std::isfinite(a.x) || !std::isfinite(b.x)) continue;
            const double ax = (a.x + terrain_width / 2) * scale_x, ay = (a.z + terrain_depth / 2) * scale_y;
            const double bx = (b.x + terrain_width / 2) * scale_x, by = (b.z + terrain_depth / 2) * scale_y;
            // Only what may touch the image is walked piece by piece.
            const double margin = LINE_HALF_WIDTH + 2.0, half_x = width / 2.0, half_y = height / 2.0;
            double t0 = 0.0, t1 = 0.0;
            if (!clip_segment(ax - half_x, ay - half_y, bx - half_x, by - half_y, half_x + margin, half_y + margin, &t0,
                              &t1))
                continue;
            cover_segment(&coverage, width, height, ax + t0 * (bx - ax), ay + t0 * (by - ay), ax + t1 * (bx - ax),
                          ay + t1 * (by - ay));
        }
    }
    for (size_t i = 0; i < coverage.size(); ++i) {
        if (coverage[i] == 0) continue;
        const int share = coverage[i];
        uint8_t* pixel = rgb->data() + 3 * i;
        for (int c = 0; c < 3; ++c)
            pixel[c] = (uint8_t)((pixel[c] * (255 - share) + LINE_COLOUR[c] * share + 127) / 255);
    }
}
