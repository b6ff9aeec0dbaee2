// Height of the default world: northern mountains, a lake ahead of the start point, rivers feeding it.
#include "datagen/terrains.h"

#include <algorithm>
#include <cmath>

#include "datagen/noise.h"

namespace {

const double pi = 3.14159265358979323846;

// The lake sits a few hundred units north of the start point, well below eye level.
const double lake_center_u = -60.0;
const double lake_center_v = 620.0;
const double lake_radius_u = 340.0;
const double lake_radius_v = 215.0;
const double lake_max_depth = 46.0;
const double shore_rise = 34.0;

const double lowland_level = -72.0;
const double lowland_relief = 10.0;
const double rolling_relief = 13.0;
const double mountain_relief = 520.0;

const int river_points = 110;
const size_t stretch_points = 8;
// Valley sides meet the untouched land through a rounded edge this wide.
const double valley_edge_blend = 30.0;
// Width over which a valley floor curves up into its sides.
const double floor_edge_bend = 30.0;
// How much the steepness of valley sides varies from place to place.
const double side_variation = 0.3;

// A river is described from its mouth (downstream) to its source.
struct river_plan {
    int parent;            // river it flows into, or -1
    double join_fraction;  // where along the parent it joins
    double mouth_u;
    double mouth_v;
    double mouth_floor;
    double source_u;
    double source_v;
    double source_floor;
    double mouth_floor_width;
    double source_floor_width;
    double mouth_side_slope;
    double source_side_slope;
    double meander;
    double mouth_water;
    double source_water;
    double dry_from;  // fraction beyond which the stream is too small to draw
    unsigned seed;
};

// Main valley from the lake to the northern range, its tributaries, two
// streams feeding the lake from the side hills, and the outflow south past
// the start point. Columns follow river_plan; a tributary's mouth is taken
// from its parent.
const river_plan river_plans[] = {
    {-1, 0.0, -40.0, 640.0, -100.0, 160.0, 2960.0, 175.0, 40.0, 6.0, 0.35, 0.95, 170.0, 9.0, 1.5, 0.85, 11},
    {0, 0.42, 0.0, 0.0, 0.0, -1650.0, 2480.0, 190.0, 35.0, 6.0, 0.50, 0.95, 150.0, 6.0, 1.5, 0.85, 12},
    {0, 0.26, 0.0, 0.0, 0.0, 1650.0, 1900.0, 150.0, 35.0, 6.0, 0.50, 0.95, 160.0, 6.0, 1.5, 0.85, 13},
    {1, 0.45, 0.0, 0.0, 0.0, -700.0, 2960.0, 210.0, 15.0, 4.0, 0.65, 1.00, 110.0, 4.0, 1.5, 0.85, 14},
    {2, 0.50, 0.0, 0.0, 0.0, 1150.0, 2960.0, 205.0, 15.0, 4.0, 0.65, 1.00, 110.0, 4.0, 1.5, 0.85, 15},
    {-1, 0.0, 140.0, 620.0, -100.0, 1650.0, 560.0, 40.0, 30.0, 6.0, 0.35, 0.70, 120.0, 4.5, 1.5, 0.85, 16},
    {-1, 0.0, -260.0, 650.0, -100.0, -1650.0, 1250.0, 70.0, 30.0, 6.0, 0.35, 0.70, 130.0, 4.5, 1.5, 0.85, 17},
    {-1, 0.0, 360.0, -260.0, -120.0, -10.0, 560.0, -100.0, 40.0, 40.0, 0.25, 0.25, 120.0, 7.0, 6.0, 1.0, 18},
};

// Polynomial smooth minimum: equals the lower value once the two differ by
// more than the blend width, and rounds the crease where they cross.
double blend_minimum(double a, double b, double blend) {
    const double k = clamp_to(0.5 + 0.5 * (b - a) / blend, 0.0, 1.0);
    return mix_values(b, a, k) - blend * k * (1.0 - k);
}

// Zero below zero and rising one for one above, with the corner rounded over
// the given width so the foot of a valley side shows no crease.
double bend_ramp(double x, double width) {
    if (x <= 0.0) {
        return 0.0;
    }
    return x < width ? x * x / (2.0 * width) : x - 0.5 * width;
}

double measure_lake_radius(double u, double v) {
    const double du = (u - lake_center_u) / lake_radius_u;
    const double dv = (v - lake_center_v) / lake_radius_v;
    // Noise on the radius makes bays and headlands instead of an ellipse.
    return std::sqrt(du * du + dv * dv) + 0.24 * sum_fbm(u / 230.0, v / 230.0, 3, 701);
}

double compute_land_height(double u, double v) {
    const double warp_u = 210.0 * sum_fbm(u / 1400.0, v / 1400.0, 3, 101);
    const double warp_v = 210.0 * sum_fbm(u / 1400.0 + 5.2, v / 1400.0 + 1.3, 3, 102);
    const double wu = u + warp_u;
    const double wv = v + warp_v;

    const double lowland = lowland_level + lowland_relief * sum_fbm(wu / 480.0, wv / 480.0, 4, 103) +
                           rolling_relief * sum_eroded_fbm(wu / 340.0, wv / 340.0, 5, 107);

    const double hill_mask = smooth_step(200.0, 1250.0, wv + 0.55 * std::fabs(wu));
    const double hills = hill_mask * (75.0 + 110.0 * sum_eroded_fbm(wu / 650.0, wv / 650.0, 6, 104));

    const double mountain_mask = smooth_step(
        750.0, 2150.0, wv + 0.2 * std::fabs(wu) + 260.0 * sum_fbm(wu / 900.0, wv / 900.0, 3, 105));
    const double ridges = sum_ridged(wu / 1150.0, wv / 1150.0, 8, 0.42, 106);
    const double mountains = mountain_mask * (mountain_relief * ridges - 50.0);

    return lowland + hills + mountains;
}

river_path trace_river(const river_plan& plan, double mouth_u, double mouth_v, double mouth_floor) {
    river_path path;
    const double du = plan.source_u - mouth_u;
    const double dv = plan.source_v - mouth_v;
    const double length = std::sqrt(du * du + dv * dv);
    const double perp_u = -dv / length;
    const double perp_v = du / length;
    const double phase1 = 2.0 * pi * hash_to_unit(1, 0, plan.seed);
    const double phase2 = 2.0 * pi * hash_to_unit(2, 0, plan.seed);
    const double waves1 = 0.9 + 0.8 * hash_to_unit(3, 0, plan.seed);
    const double waves2 = 2.6 + 1.4 * hash_to_unit(4, 0, plan.seed);

    for (int i = 0; i < river_points; ++i) {
        const double f = static_cast<double>(i) / (river_points - 1);
        // The mouth stays pinned so the river meets its parent exactly.
        const double envelope = smooth_step(0.0, 0.18, f);
        const double wander = 0.62 * std::sin(2.0 * pi * waves1 * f + phase1) +
                              0.38 * std::sin(2.0 * pi * waves2 * f + phase2) +
                              0.45 * sum_fbm(f * 9.0, 0.5, 3, plan.seed + 50) +
                              0.12 * sum_fbm(f * 40.0, 0.5, 3, plan.seed + 60);
        const double offset = plan.meander * envelope * wander;
        river_point p;
        p.u = mouth_u + du * f + perp_u * offset;
        p.v = mouth_v + dv * f + perp_v * offset;
        // Rivers steepen towards their source, as real long profiles do.
        p.floor = mouth_floor + (plan.source_floor - mouth_floor) * std::pow(f, 1.6);
        // Floors widen where the river has swung about and narrow through harder rock.
        const double widening = 0.45 + 0.9 * smooth_step(-0.5, 0.5, sum_fbm(f * 7.0, 2.5, 3, plan.seed + 70));
        p.floor_half_width = mix_values(plan.mouth_floor_width, plan.source_floor_width, f) * widening;
        p.side_slope = mix_values(plan.mouth_side_slope, plan.source_side_slope, f);
        p.water_half_width =
            f <= plan.dry_from ? mix_values(plan.mouth_water, plan.source_water, f / plan.dry_from) : -1.0;
        path.points.push_back(p);
    }

    // The floor tilts up from the stream a little more steeply than the stream
    // falls, so the segment beside a point, not a lower one downstream,
    // shapes the valley there.
    const size_t count = path.points.size();
    for (size_t i = 0; i < count; ++i) {
        double steepest = 0.0;
        for (size_t j = (i > 1 ? i - 2 : 0); j + 1 < count && j <= i + 1; ++j) {
            const river_point& a = path.points[j];
            const river_point& b = path.points[j + 1];
            const double run = std::hypot(b.u - a.u, b.v - a.v);
            if (run > 0.0) {
                steepest = std::fmax(steepest, std::fabs(b.floor - a.floor) / run);
            }
        }
        path.points[i].floor_tilt = 1.3 * steepest + 0.01;
    }

    for (size_t first = 0; first + 1 < path.points.size(); first += stretch_points) {
        river_stretch stretch;
        stretch.first = first;
        stretch.last = std::min(first + stretch_points, path.points.size() - 1);
        const river_point& start = path.points[first];
        stretch.min_u = stretch.max_u = start.u;
        stretch.min_v = stretch.max_v = start.v;
        stretch.lowest_floor = start.floor;
        stretch.widest_floor = start.floor_half_width;
        stretch.gentlest_side = start.side_slope;
        for (size_t i = first; i <= stretch.last; ++i) {
            const river_point& p = path.points[i];
            stretch.min_u = std::fmin(stretch.min_u, p.u);
            stretch.max_u = std::fmax(stretch.max_u, p.u);
            stretch.min_v = std::fmin(stretch.min_v, p.v);
            stretch.max_v = std::fmax(stretch.max_v, p.v);
            stretch.lowest_floor = std::fmin(stretch.lowest_floor, p.floor);
            stretch.widest_floor = std::fmax(stretch.widest_floor, p.floor_half_width);
            stretch.gentlest_side = std::fmin(stretch.gentlest_side, p.side_slope);
        }
        path.stretches.push_back(stretch);
    }
    return path;
}

// Cuts the river's valley into the land: a flat floor beside the stream and
// sides that rise at a steady slope until they meet the land. The valley is
// the lowest of the shapes every river segment would cut, which keeps it
// continuous where segments meet. Also notes how far the point is from the
// water's edge.
double carve_valley(double height, const river_path& path, double u, double v, double& river_edge) {
    // Rock of varying hardness: the sides are steeper in some places than others.
    const double hardness = clamp_to(1.0 + side_variation * sum_fbm(u / 160.0, v / 160.0, 3, 702),
                                     1.0 - side_variation, 1.0 + side_variation);
    double valley = 1e30;
    double water_distance = 1e30;
    for (const river_stretch& stretch : path.stretches) {
        // Farther than this, even the lowest, widest, gentlest valley of the
        // stretch stays above the land and leaves it untouched.
        const double rise = height + valley_edge_blend - stretch.lowest_floor;
        if (rise <= 0.0) {
            continue;
        }
        const double reach = stretch.widest_floor + rise / (stretch.gentlest_side * (1.0 - side_variation));
        if (u < stretch.min_u - reach || u > stretch.max_u + reach || v < stretch.min_v - reach ||
            v > stretch.max_v + reach) {
            continue;
        }
        for (size_t i = stretch.first; i < stretch.last; ++i) {
            const river_point& a = path.points[i];
            const river_point& b = path.points[i + 1];
            const double su = b.u - a.u;
            const double sv = b.v - a.v;
            const double len2 = su * su + sv * sv;
            double t = len2 > 0.0 ? ((u - a.u) * su + (v - a.v) * sv) / len2 : 0.0;
            t = clamp_to(t, 0.0, 1.0);
            const double pu = a.u + su * t - u;
            const double pv = a.v + sv * t - v;
            const double distance = std::sqrt(pu * pu + pv * pv);
            const double floor_half_width = mix_values(a.floor_half_width, b.floor_half_width, t);
            const double side_slope = mix_values(a.side_slope, b.side_slope, t) * hardness;
            const double cut = mix_values(a.floor, b.floor, t) +
                               mix_values(a.floor_tilt, b.floor_tilt, t) * distance +
                               side_slope * bend_ramp(distance - floor_half_width, floor_edge_bend);
            valley = std::fmin(valley, cut);
            const double water_half_width = mix_values(a.water_half_width, b.water_half_width, t);
            if (water_half_width > 0.0) {
                water_distance = std::fmin(water_distance, distance - water_half_width);
            }
        }
    }
    if (valley >= height + valley_edge_blend) {
        return height;
    }
    if (valley < height) {
        river_edge = std::fmin(river_edge, water_distance);
    }
    return blend_minimum(height, valley, valley_edge_blend);
}

}  // namespace

river_network build_default_rivers() {
    river_network network;
    for (const river_plan& plan : river_plans) {
        double mouth_u = plan.mouth_u;
        double mouth_v = plan.mouth_v;
        double mouth_floor = plan.mouth_floor;
        if (plan.parent >= 0 && static_cast<size_t>(plan.parent) < network.rivers.size()) {
            const river_path& parent = network.rivers[static_cast<size_t>(plan.parent)];
            const double last = static_cast<double>(parent.points.size() - 1);
            const size_t index = static_cast<size_t>(clamp_to(plan.join_fraction, 0.0, 1.0) * last);
            mouth_u = parent.points[index].u;
            mouth_v = parent.points[index].v;
            mouth_floor = parent.points[index].floor;
        }
        network.rivers.push_back(trace_river(plan, mouth_u, mouth_v, mouth_floor));
    }
    return network;
}

ground_sample sample_default_ground(const river_network& rivers, double x, double z) {
    const double u = x;
    const double v = -z;
    ground_sample sample;
    sample.water_depth = 0.0;
    sample.river_edge = 1e30;

    double height = compute_land_height(u, v);
    for (const river_path& path : rivers.rivers) {
        height = carve_valley(height, path, u, v, sample.river_edge);
    }

    const double r = measure_lake_radius(u, v);
    if (r < 2.2) {
        const double basin = r < 1.0 ? default_lake_level - lake_max_depth * smooth_step(1.0, 0.1, r)
                                     : default_lake_level + shore_rise * (r - 1.0);
        height = mix_values(basin, height, smooth_step(1.0, 2.2, r));
        // Only the basin holds still water; outside it a low valley floor is a river bed.
        if (r < 1.0 && height < default_lake_level) {
            sample.water_depth = default_lake_level - height;
            height = default_lake_level;
        }
    }
    if (sample.water_depth > 0.0) {
        sample.river_edge = 1e30;
    }
    sample.height = height;
    return sample;
}
