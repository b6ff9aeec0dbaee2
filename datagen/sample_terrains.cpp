// Height functions of the extra sample terrains: a layered canyon, a caldera island and parallel ranges.
#include <cmath>
#include <cstdint>

#include "datagen/noise.h"
#include "datagen/terrains.h"

namespace {

const double pi = 3.14159265358979323846;

// Canyon: a tilted, layered plateau whose southern edge has worn back into a
// lowland of mesas and buttes, cut by a winding gorge with side gorges.
const double canyon_strata = 22.0;
const double canyon_top_south = -80.0;
const double canyon_top_rise = 0.165;
const double canyon_floor_south = -140.0;
const double canyon_floor_rise = 0.035;
const double escarpment_v = 640.0;

// Volcano: a caldera island rising from a sea floor that lies below the start point.
const double volcano_center_u = 60.0;
const double volcano_center_v = 1380.0;
const double caldera_radius = 280.0;
const double caldera_floor = 140.0;
const double rim_height = 345.0;
const double sea_floor = -125.0;
const double flank_fall = 340.0;
const int gully_count = 40;

// Ranges: long ridges trending east-north-east, higher to the north, crossed
// by one river through water gaps.
const double range_angle = 0.26;
const double range_spacing = 720.0;
const double range_height = 780.0;

struct gorge {
    double mouth_u;
    double mouth_v;
    double source_u;
    double source_v;
    double half_width;
    double wiggle;
};

const gorge side_gorges[] = {
    {-60.0, 860.0, -760.0, 1000.0, 110.0, 1.0},
    {40.0, 1000.0, 760.0, 1180.0, 100.0, 2.0},
    {-40.0, 1180.0, -620.0, 1300.0, 90.0, 3.0},
    {260.0, 740.0, 760.0, 800.0, 80.0, 4.0},
};

double find_canyon_center(double v) {
    return -60.0 + 190.0 * std::sin(v / 250.0 + 0.9) + 60.0 * std::sin(v / 97.0 + 2.0) +
           40.0 * sum_fbm(v / 300.0, 3.7, 3, 21);
}

// Distance across the gorge, measured square to its winding course.
double measure_canyon_distance(double u, double v) {
    const double center = find_canyon_center(v);
    const double slope = (find_canyon_center(v + 1.0) - find_canyon_center(v - 1.0)) * 0.5;
    return std::fabs(u - center) / std::sqrt(1.0 + slope * slope);
}

double measure_gorge_distance(const gorge& g, double u, double v) {
    const double du = g.source_u - g.mouth_u;
    const double dv = g.source_v - g.mouth_v;
    const double len2 = du * du + dv * dv;
    const double len = std::sqrt(len2);
    const double t = clamp_to(((u - g.mouth_u) * du + (v - g.mouth_v) * dv) / len2, 0.0, 1.0);
    const double wiggle = 55.0 * std::sin(t * 8.0 + g.wiggle) * t;
    const double pu = g.mouth_u + du * t - dv / len * wiggle - u;
    const double pv = g.mouth_v + dv * t + du / len * wiggle - v;
    // Side gorges narrow towards their heads.
    return std::sqrt(pu * pu + pv * pv) / (1.0 - 0.6 * t);
}

// Flat benches with steep risers, like alternating hard and soft rock beds.
double layer_height(double height) {
    const double level = height / canyon_strata;
    const double bed = std::floor(level);
    const double part = level - bed;
    return (bed + smooth_step(0.45, 0.92, part)) * canyon_strata;
}

double shape_cone(double r, double crest, double base, double radius) {
    return base + (crest - base) * std::exp(-std::pow(r / radius, 1.4));
}

// Gullies radiating from the summit: the nearest of a ring of rays, each
// with its own direction, depth and starting radius. Working by ray number
// keeps the pattern seamless all the way round.
double cut_gullies(double r, double angle) {
    const double position = angle * gully_count / (2.0 * pi);
    const double nearest = std::floor(position + 0.5);
    double deepest = 0.0;
    for (int k = -2; k <= 2; ++k) {
        const double index = nearest + k;
        const int32_t ray =
            static_cast<int32_t>((static_cast<int64_t>(index) % gully_count + gully_count) % gully_count);
        // Each gully wanders by less than half the spacing, so the five
        // nearest rays always include every one that can reach this point.
        const double ray_angle =
            index + 0.6 * (hash_to_unit(ray, 1, 48) - 0.5) + 0.35 * sum_fbm(r / 230.0, ray * 1.7, 3, 47);
        const double across = std::fabs(position - ray_angle) * 2.0 * pi / gully_count * r;
        const double start = caldera_radius + 40.0 + 300.0 * hash_to_unit(ray, 2, 48);
        const double depth = (10.0 + 38.0 * hash_to_unit(ray, 3, 48)) * smooth_step(start, start + 140.0, r);
        const double width = (16.0 + r * 0.03) * (0.7 + 0.6 * hash_to_unit(ray, 4, 48));
        const double shape = clamp_to(1.0 - across / width, 0.0, 1.0);
        deepest = std::fmax(deepest, depth * shape * shape);
    }
    return deepest;
}

// One range's height (0..about 1.2) at a point given in the ranges' own
// coordinates. Each range has its own height and width, one steeper face,
// and ends somewhere along its length so the ranges overlap like shingles.
double shape_range(double index, double along, double across) {
    const int32_t range = static_cast<int32_t>(index);
    const double offset = across - index * range_spacing;
    const double strength = 0.5 + 0.5 * hash_to_unit(range, 0, 62);
    const double half_width = 260.0 + 120.0 * hash_to_unit(range, 1, 62);
    const bool steep_north = hash_to_unit(range, 2, 62) < 0.5;
    const double west_end = -4200.0 + 2600.0 * hash_to_unit(range, 3, 62);
    const double east_end = 1800.0 + 2600.0 * hash_to_unit(range, 4, 62);
    const double extent =
        smooth_step(west_end, west_end + 900.0, along) * smooth_step(east_end, east_end - 900.0, along);

    const double face = (offset < 0.0) == steep_north ? 1.3 : 0.75;
    const double reach = clamp_to(1.0 - std::fabs(offset) / (half_width * face), 0.0, 1.0);
    const double crest_line = 0.5 + 0.5 * smooth_step(-0.5, 0.5, sum_fbm(along / 1000.0, index * 3.1, 3, 63));
    // Peaks along the crest, spurs and gullies down the flanks.
    const double peaks = sum_ridged(along / 420.0, index * 5.3, 5, 0.5, 64);
    const double spurs = sum_ridged(along / 240.0, offset / 560.0 + index * 2.7, 5, 0.45, 66);
    const double shape = std::pow(reach, 1.5) * (0.7 + 0.5 * peaks) + 0.3 * reach * spurs;
    return strength * extent * crest_line * shape;
}

}  // namespace

double compute_canyon_height(double x, double z) {
    const double u = x;
    const double v = -z;
    const double top = canyon_top_south + canyon_top_rise * v + 18.0 * sum_fbm(u / 520.0, v / 520.0, 4, 22);
    const double floor =
        canyon_floor_south + canyon_floor_rise * v + 7.0 * sum_fbm(u / 220.0, v / 220.0, 3, 23);
    const double ragged = 70.0 * sum_fbm(u / 120.0, v / 120.0, 4, 26);

    // South of the escarpment the plateau has worn away to the lowland.
    const double edge = escarpment_v + 150.0 * sum_fbm(u / 380.0, 0.7, 3, 27);
    double erosion = smooth_step(edge + 40.0, edge - 120.0, v + ragged);

    // Mesas and buttes: remnants of the plateau left standing on the lowland,
    // none close enough to the start point to block the first view.
    const double remnant = sum_fbm(u / 240.0, v / 240.0, 4, 28) + 0.3 * sum_fbm(u / 70.0, v / 70.0, 2, 29);
    const double clear_of_start = smooth_step(280.0, 450.0, std::hypot(u, v));
    const double standing =
        smooth_step(0.22, 0.30, remnant) * clear_of_start * smooth_step(edge - 60.0, edge - 200.0, v);
    erosion *= 1.0 - standing;

    // The main gorge widens downstream (south), where the river has had longest to work.
    const double across = measure_canyon_distance(u, v);
    const double outer = 150.0 + 80.0 * (1.0 - v / 1350.0) + 40.0 * sum_fbm(v / 260.0, 8.1, 3, 24);
    const double inner = 28.0 + 10.0 * sum_fbm(v / 150.0, 2.2, 2, 25);
    erosion = std::fmax(erosion, smooth_step(outer, inner, across + 0.6 * ragged));

    for (const gorge& g : side_gorges) {
        const double d = measure_gorge_distance(g, u, v);
        const double side_floor = floor + 30.0;
        const double depth = smooth_step(g.half_width, 15.0, d + 0.5 * ragged);
        erosion = std::fmax(erosion, depth * (top - side_floor) / std::fmax(top - floor, 1.0));
    }

    // Remnants near the start point are lower, so the view north passes over them.
    const double remnant_top = std::fmin(top, -48.0 + 0.08 * std::fmax(0.0, v - 450.0));
    const double standing_top = mix_values(top, remnant_top, smooth_step(edge - 60.0, edge - 200.0, v));
    const double raw = mix_values(standing_top, floor, clamp_to(erosion, 0.0, 1.0));
    double height = mix_values(raw, layer_height(raw), 0.85);
    // A dry wash winds along the gorge floor and on across the lowland.
    height -= 9.0 * smooth_step(26.0, 4.0, across);
    return height;
}

double compute_volcano_height(double x, double z) {
    const double u = x;
    const double v = -z;
    const double du = u - volcano_center_u;
    const double dv = v - volcano_center_v;
    const double angle = std::atan2(dv, du);
    const double ca = std::cos(angle);
    const double sa = std::sin(angle);
    // Lava flows of different ages push the coast out in lobes.
    const double lobes = 1.0 + 0.16 * sum_fbm(ca * 1.6 + 3.0, sa * 1.6, 5, 41);
    const double r = std::sqrt(du * du + dv * dv) / lobes;

    const double sea = sea_floor + 16.0 * sum_fbm(u / 600.0, v / 600.0, 4, 42);
    const double rim = rim_height + 28.0 * sum_fbm(ca * 2.5, sa * 2.5 + 7.0, 3, 43);
    double island;
    if (r > caldera_radius) {
        island = sea_floor + (rim - sea_floor) * std::exp(-(r - caldera_radius) / flank_fall);
        island -= cut_gullies(r, angle) * smooth_step(-80.0, 60.0, island);
    } else {
        const double wall = smooth_step(caldera_radius - 70.0, caldera_radius, r);
        island = mix_values(caldera_floor + 6.0 * sum_fbm(u / 90.0, v / 90.0, 3, 44), rim, wall * wall);
        // A young cone grows inside the caldera.
        const double cone_r = std::hypot(du + 60.0, dv - 40.0);
        island = std::fmax(island, shape_cone(cone_r, caldera_floor + 70.0, caldera_floor - 30.0, 55.0));
    }

    // An older, worn-down volcano leans against the north-west side.
    const double old_r = std::hypot(u + 430.0, v - 1780.0);
    const double old_cone =
        shape_cone(old_r, 190.0, sea_floor, 330.0) -
        45.0 * sum_ridged(u / 160.0, v / 160.0, 4, 0.5, 49) * smooth_step(-60.0, 80.0, island);
    island = std::fmax(island, old_cone);

    // A flank collapse opened the caldera towards the east-south-east: a
    // steep-sided valley from the caldera floor down to the sea.
    const double axis_u = std::cos(-0.35);
    const double axis_v = std::sin(-0.35);
    const double along = du * axis_u + dv * axis_v;
    const double aside = std::fabs(-du * axis_v + dv * axis_u);
    if (along > 0.0) {
        const double wall = aside + 40.0 * sum_fbm(u / 150.0, v / 150.0, 3, 50);
        const double scar = caldera_floor + 10.0 - 0.45 * std::fmax(0.0, along - caldera_radius + 60.0) +
                            0.9 * std::fmax(0.0, wall - 70.0 - 0.25 * along);
        // The scar fades out on the lower slopes, where later lava has filled it.
        const double deepest_cut = 220.0 * smooth_step(1000.0, 550.0, along);
        island = std::fmin(island, std::fmax(scar, island - deepest_cut));
    }
    island += 7.0 * sum_fbm(u / 80.0, v / 80.0, 3, 45);

    double height = std::fmax(sea, island);
    // A small satellite islet and a seamount break up the open sea.
    const double islet_r = std::hypot(u + 760.0, v - 620.0);
    height = std::fmax(
        height, shape_cone(islet_r, 38.0, sea_floor, 150.0) + 6.0 * sum_fbm(u / 60.0, v / 60.0, 2, 46));
    const double seamount_r = std::hypot(u - 760.0, v - 700.0);
    height = std::fmax(height, shape_cone(seamount_r, -40.0, sea_floor, 190.0));
    return height;
}

double compute_ranges_height(double x, double z) {
    const double u = x;
    const double v = -z;
    const double along = u * std::cos(range_angle) + v * std::sin(range_angle);
    const double straight_across = -u * std::sin(range_angle) + v * std::cos(range_angle);
    // The ranges bow gently and wander, as folded rock does.
    const double across = straight_across + 0.00004 * along * along +
                          220.0 * sum_fbm(along / 2200.0, straight_across / 2200.0, 3, 61);

    // Neighbouring ranges may overlap at their feet; the higher one wins, so
    // the surface stays continuous between them.
    const double nearest = std::floor(across / range_spacing + 0.5);
    double ranges = 0.0;
    for (int k = -1; k <= 1; ++k) {
        ranges = std::fmax(ranges, shape_range(nearest + k, along, across));
    }

    const double envelope = smooth_step(150.0, 2800.0, v + 0.15 * u);
    const double base = -140.0 + 0.04 * std::fmax(v, 0.0) + 14.0 * sum_fbm(u / 600.0, v / 600.0, 4, 65);
    // Lower hills fill the valleys between the ranges.
    const double hills = 0.1 * (0.5 + sum_eroded_fbm(u / 450.0, v / 450.0, 5, 69));
    double height = base + envelope * range_height * std::fmax(ranges, hills);

    // A river runs south across the ranges through steep water gaps.
    const double river_u =
        -250.0 + 520.0 * std::sin(v / 1400.0 + 0.6) + 180.0 * sum_fbm(v / 600.0, 1.9, 3, 67);
    const double river_slope = 520.0 / 1400.0 * std::cos(v / 1400.0 + 0.6);
    const double river_distance = std::fabs(u - river_u) / std::sqrt(1.0 + river_slope * river_slope);
    const double river_floor = -165.0 + 0.03 * std::fmax(v, 0.0);
    const double hardness = 1.0 + 0.3 * sum_fbm(u / 200.0, v / 200.0, 3, 68);
    const double gap =
        river_floor + 0.02 * river_distance + 0.9 * hardness * std::fmax(0.0, river_distance - 45.0);
    const double blend = 40.0;
    const double k = clamp_to(0.5 + 0.5 * (gap - height) / blend, 0.0, 1.0);
    return mix_values(gap, height, k) - blend * k * (1.0 - k);
}
