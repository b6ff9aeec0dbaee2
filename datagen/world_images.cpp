// Paints the default world's texture, relief drape, topographic map and slope map from sampled ground.
#include "datagen/world_images.h"

#include <cmath>

#include "datagen/noise.h"

namespace {

const double pi = 3.14159265358979323846;

struct rgb {
    double r;
    double g;
    double b;
};

struct ramp_stop {
    double height;
    rgb color;
};

struct slope_sample {
    double dx;  // rise per unit east
    double dz;  // rise per unit south
};

// Texture palette: what the land looks like from the air.
const rgb sand_color = {0.83, 0.77, 0.58};
const rgb shallow_water = {0.27, 0.55, 0.60};
const rgb deep_water = {0.09, 0.27, 0.44};
const rgb river_color = {0.16, 0.38, 0.50};
const rgb forest_dark = {0.15, 0.28, 0.13};
const rgb forest_light = {0.24, 0.37, 0.17};
const rgb rock_dark = {0.47, 0.42, 0.37};
const rgb rock_light = {0.64, 0.60, 0.55};
const rgb snow_color = {0.96, 0.97, 1.0};
const ramp_stop land_ramp[] = {
    {-110.0, {0.45, 0.58, 0.28}}, {-90.0, {0.54, 0.64, 0.31}}, {-40.0, {0.48, 0.60, 0.27}},
    {40.0, {0.47, 0.54, 0.29}},   {140.0, {0.52, 0.53, 0.34}}, {230.0, {0.57, 0.55, 0.43}},
};

// Relief drape palette: muted earth tones that let the shading carry the shape.
const rgb relief_water = {0.56, 0.63, 0.68};
const rgb relief_river = {0.38, 0.47, 0.55};
const ramp_stop relief_ramp[] = {
    {-120.0, {0.56, 0.56, 0.47}}, {-60.0, {0.66, 0.64, 0.52}}, {40.0, {0.73, 0.67, 0.54}},
    {150.0, {0.70, 0.61, 0.50}},  {250.0, {0.76, 0.71, 0.65}}, {340.0, {0.93, 0.92, 0.90}},
};

// Map palette: pale paper tints, blue water, brown contours.
const rgb map_water = {0.72, 0.84, 0.93};
const rgb map_shoreline = {0.22, 0.46, 0.74};
const rgb map_contour = {0.70, 0.50, 0.33};
const rgb map_index_contour = {0.50, 0.31, 0.17};
const rgb map_grid = {0.45, 0.55, 0.70};
const ramp_stop map_ramp[] = {
    {-120.0, {0.86, 0.92, 0.81}}, {-40.0, {0.90, 0.93, 0.81}}, {40.0, {0.95, 0.93, 0.80}},
    {140.0, {0.95, 0.89, 0.77}},  {240.0, {0.92, 0.85, 0.76}}, {330.0, {0.97, 0.96, 0.95}},
};
const double contour_interval = 25.0;
const double index_interval = 100.0;
const double grid_spacing = 500.0;

// Grey level rises linearly with the slope angle, white at this angle and above.
const double slope_map_full_degrees = 75.0;

rgb mix_colors(const rgb& a, const rgb& b, double t) {
    return {mix_values(a.r, b.r, t), mix_values(a.g, b.g, t), mix_values(a.b, b.b, t)};
}

rgb scale_color(const rgb& c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}

uint8_t quantize_channel(double value) {
    return static_cast<uint8_t>(std::lround(clamp_to(value, 0.0, 1.0) * 255.0));
}

void put_pixel(std::vector<uint8_t>& pixels, int width, int col, int row, const rgb& c) {
    const size_t at = (static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col)) * 3;
    if (at + 2 < pixels.size()) {
        pixels[at] = quantize_channel(c.r);
        pixels[at + 1] = quantize_channel(c.g);
        pixels[at + 2] = quantize_channel(c.b);
    }
}

template <size_t count>
rgb sample_ramp(const ramp_stop (&stops)[count], double height) {
    if (height <= stops[0].height) {
        return stops[0].color;
    }
    for (size_t i = 1; i < count; ++i) {
        if (height < stops[i].height) {
            const double t = (height - stops[i - 1].height) / (stops[i].height - stops[i - 1].height);
            return mix_colors(stops[i - 1].color, stops[i].color, t);
        }
    }
    return stops[count - 1].color;
}

// Columns and rows may reach one pixel past the image; anything further is
// clamped so a caller's mistake can never read outside the samples.
const ground_sample& fetch_ground(const ground_raster& ground, int col, int row) {
    static const ground_sample nothing = {0.0, 0.0, 1e30};
    const int c = col < -1 ? -1 : (col > ground.width ? ground.width : col);
    const int r = row < -1 ? -1 : (row > ground.height ? ground.height : row);
    const size_t at =
        static_cast<size_t>(r + 1) * static_cast<size_t>(ground.width + 2) + static_cast<size_t>(c + 1);
    return at < ground.samples.size() ? ground.samples[at] : nothing;
}

slope_sample measure_slope(const ground_raster& ground, int col, int row) {
    slope_sample s;
    s.dx = (fetch_ground(ground, col + 1, row).height - fetch_ground(ground, col - 1, row).height) /
           (2.0 * ground.pixel_x);
    s.dz = (fetch_ground(ground, col, row + 1).height - fetch_ground(ground, col, row - 1).height) /
           (2.0 * ground.pixel_z);
    return s;
}

// Lambert term for light arriving from the given compass direction (0 = north,
// clockwise) and elevation, with the relief exaggerated vertically.
double light_surface(const slope_sample& s, double azimuth_degrees, double elevation_degrees,
                     double exaggeration) {
    const double az = azimuth_degrees * pi / 180.0;
    const double el = elevation_degrees * pi / 180.0;
    // North is -z and east is +x.
    const double lx = std::sin(az) * std::cos(el);
    const double ly = std::sin(el);
    const double lz = -std::cos(az) * std::cos(el);
    const double nx = -s.dx * exaggeration;
    const double nz = -s.dz * exaggeration;
    const double length = std::sqrt(nx * nx + 1.0 + nz * nz);
    return std::fmax(0.0, (nx * lx + ly + nz * lz) / length);
}

double locate_x(const ground_raster& ground, int col) {
    return ground.x_min + (col + 0.5) * ground.pixel_x;
}

double locate_z(const ground_raster& ground, int row) {
    return ground.z_min + (row + 0.5) * ground.pixel_z;
}

// Fraction of a pixel covered by water of the river nearest to it.
double cover_river(const ground_sample& s, double pixel) {
    return clamp_to(0.5 - s.river_edge / pixel, 0.0, 1.0);
}

// Distance in pixels to the nearest lake pixel (or the nearest dry pixel),
// searched over a small window.
double measure_distance_to(const ground_raster& ground, int col, int row, int radius, bool wet) {
    double best = radius + 1.0;
    for (int dr = -radius; dr <= radius; ++dr) {
        for (int dc = -radius; dc <= radius; ++dc) {
            const int c = col + dc;
            const int r = row + dr;
            if (c < -1 || c > ground.width || r < -1 || r > ground.height) {
                continue;
            }
            if ((fetch_ground(ground, c, r).water_depth > 0.0) == wet) {
                best = std::fmin(best, std::sqrt(static_cast<double>(dc * dc + dr * dr)));
            }
        }
    }
    return best;
}

rgb color_land(double height, double slope, double x, double z, double shore) {
    const double fine = sum_fbm(x / 70.0, z / 70.0, 4, 801);
    const double broad = sum_fbm(x / 330.0, z / 330.0, 4, 802);
    const double patches =
        sum_fbm(x / 120.0, z / 120.0, 5, 803) + 0.3 * sum_fbm(x / 400.0, z / 400.0, 2, 804);

    rgb c = sample_ramp(land_ramp, height + 25.0 * broad);

    // Forest clothes the moderate slopes below the tree line, and grows in
    // patches on the lowland, but not on the beach.
    const double tree_line = 175.0 + 45.0 * broad;
    const double on_slopes = smooth_step(0.16, 0.40, slope + 0.15 * fine);
    const double woods = smooth_step(0.15, 0.40, patches) * smooth_step(-98.0, -85.0, height);
    double forest =
        std::fmax(on_slopes, woods) * (1.0 - smooth_step(tree_line - 30.0, tree_line + 20.0, height));
    forest *= smooth_step(1.5, 3.5, shore);
    c = mix_colors(c, mix_colors(forest_dark, forest_light, 0.5 + 0.5 * fine), forest * 0.9);

    // Bare rock on cliffs and above the tree line on anything not flat.
    const double cliffs = smooth_step(0.70, 1.05, slope + 0.15 * fine);
    const double high = smooth_step(tree_line, tree_line + 60.0, height) * smooth_step(0.18, 0.45, slope);
    const double rock = std::fmax(cliffs, high);
    c = mix_colors(c, mix_colors(rock_dark, rock_light, 0.5 + 0.5 * broad), rock);

    // Snow lies on the highest peaks but slides off the steepest faces.
    const double snow_line = 258.0 + 30.0 * fine - 60.0 * std::fmax(0.0, slope - 0.6);
    c = mix_colors(c, snow_color, smooth_step(snow_line, snow_line + 35.0, height));

    // A beach rims the lake.
    c = mix_colors(sand_color, c, smooth_step(0.6, 2.2, shore + 0.8 * fine));
    return c;
}

rgb color_water(double depth, double x, double z) {
    const double ripple = sum_fbm(x / 120.0, z / 120.0, 3, 811);
    rgb c = mix_colors(shallow_water, deep_water, smooth_step(0.0, 34.0, depth + 4.0 * ripple));
    return scale_color(c, 1.0 + 0.03 * ripple);
}

}  // namespace

ground_raster sample_ground_raster(const river_network& rivers, const terrain_extent& extent, int width,
                                   int height) {
    ground_raster ground;
    ground.width = width;
    ground.height = height;
    ground.x_min = extent.x_min;
    ground.z_min = extent.z_min;
    ground.pixel_x = (extent.x_max - extent.x_min) / width;
    ground.pixel_z = (extent.z_max - extent.z_min) / height;
    ground.samples.reserve(static_cast<size_t>(width + 2) * static_cast<size_t>(height + 2));
    for (int row = -1; row <= height; ++row) {
        for (int col = -1; col <= width; ++col) {
            ground.samples.push_back(
                sample_default_ground(rivers, locate_x(ground, col), locate_z(ground, row)));
        }
    }
    return ground;
}

std::vector<uint8_t> paint_default_texture(const ground_raster& ground) {
    std::vector<uint8_t> pixels(static_cast<size_t>(ground.width) * static_cast<size_t>(ground.height) * 3);
    for (int row = 0; row < ground.height; ++row) {
        for (int col = 0; col < ground.width; ++col) {
            const ground_sample& s = fetch_ground(ground, col, row);
            const double x = locate_x(ground, col);
            const double z = locate_z(ground, row);
            const slope_sample slope = measure_slope(ground, col, row);
            const double steepness = std::sqrt(slope.dx * slope.dx + slope.dz * slope.dz);

            rgb c;
            if (s.water_depth > 0.0) {
                c = color_water(s.water_depth, x, z);
            } else {
                const double shore = measure_distance_to(ground, col, row, 3, true);
                c = color_land(s.height, steepness, x, z, shore);
                // Light from the north-west, high in the sky; flat ground keeps its colour.
                const double lit = light_surface(slope, 315.0, 50.0, 1.3) / std::sin(50.0 * pi / 180.0);
                c = scale_color(c, 0.30 + 0.70 * lit);
            }
            c = mix_colors(c, river_color, cover_river(s, ground.pixel_x));
            const double grain = hash_to_unit(col, row, 821) - 0.5;
            c = scale_color(c, 1.0 + 0.05 * grain + 0.04 * sum_fbm(x / 40.0, z / 40.0, 2, 822));
            put_pixel(pixels, ground.width, col, row, c);
        }
    }
    return pixels;
}

std::vector<uint8_t> paint_relief_drape(const ground_raster& ground) {
    std::vector<uint8_t> pixels(static_cast<size_t>(ground.width) * static_cast<size_t>(ground.height) * 3);
    for (int row = 0; row < ground.height; ++row) {
        for (int col = 0; col < ground.width; ++col) {
            const ground_sample& s = fetch_ground(ground, col, row);
            const slope_sample slope = measure_slope(ground, col, row);
            rgb c = s.water_depth > 0.0 ? relief_water : sample_ramp(relief_ramp, s.height);
            // Several light directions keep shadowed slopes readable while the
            // north-west light still dominates.
            const double lit = 0.60 * light_surface(slope, 315.0, 42.0, 1.7) +
                               0.20 * light_surface(slope, 270.0, 55.0, 1.7) +
                               0.20 * light_surface(slope, 0.0, 55.0, 1.7);
            const double flat = 0.60 * std::sin(42.0 * pi / 180.0) + 0.40 * std::sin(55.0 * pi / 180.0);
            c = scale_color(c, 0.22 + 0.78 * lit / flat);
            c = mix_colors(c, relief_river, cover_river(s, ground.pixel_x) * 0.8);
            put_pixel(pixels, ground.width, col, row, c);
        }
    }
    return pixels;
}

std::vector<uint8_t> paint_topo_map(const ground_raster& ground) {
    std::vector<uint8_t> pixels(static_cast<size_t>(ground.width) * static_cast<size_t>(ground.height) * 3);
    for (int row = 0; row < ground.height; ++row) {
        for (int col = 0; col < ground.width; ++col) {
            const ground_sample& s = fetch_ground(ground, col, row);
            const slope_sample slope = measure_slope(ground, col, row);
            const double x = locate_x(ground, col);
            const double z = locate_z(ground, row);
            rgb c;
            if (s.water_depth > 0.0) {
                c = map_water;
            } else {
                c = sample_ramp(map_ramp, s.height);
                // A whisper of hill shading helps the eye read the contours.
                const double lit = light_surface(slope, 315.0, 45.0, 1.0) / std::sin(45.0 * pi / 180.0);
                c = scale_color(c, 0.90 + 0.10 * lit);

                // Contour lines a constant width in pixels, whatever the slope:
                // the distance to the nearest level, divided by the rise per pixel.
                const double rise = std::sqrt(slope.dx * slope.dx + slope.dz * slope.dz) * ground.pixel_x;
                // The shoreline stands in for the contour at the lake's level.
                const bool by_lake = measure_distance_to(ground, col, row, 3, true) <= 3.0;
                if (rise > 1e-6 && !(by_lake && s.height < default_lake_level + contour_interval * 0.5)) {
                    const double level = std::round(s.height / contour_interval) * contour_interval;
                    const double distance = std::fabs(s.height - level) / rise;
                    const bool is_index = std::fmod(std::fabs(level), index_interval) < 0.5;
                    const double half_width = is_index ? 0.85 : 0.45;
                    double ink = clamp_to(half_width + 0.5 - distance, 0.0, 1.0);
                    if (!is_index) {
                        // Where contours crowd on cliffs, only index lines remain.
                        ink *= smooth_step(1.6, 3.2, contour_interval / rise);
                    }
                    c = mix_colors(c, is_index ? map_index_contour : map_contour, ink * 0.9);
                }
            }

            // Shoreline: a line where lake and land pixels meet.
            const double shore_ink =
                s.water_depth > 0.0
                    ? clamp_to(1.5 - measure_distance_to(ground, col, row, 2, false), 0.0, 1.0)
                    : 0.0;
            c = mix_colors(c, map_shoreline, shore_ink * 0.8);
            c = mix_colors(c, map_shoreline, cover_river(s, ground.pixel_x) * 0.9);

            const double gx = std::fabs(x - std::round(x / grid_spacing) * grid_spacing) / ground.pixel_x;
            const double gz = std::fabs(z - std::round(z / grid_spacing) * grid_spacing) / ground.pixel_z;
            const double grid_ink = clamp_to(1.0 - std::fmin(gx, gz), 0.0, 1.0);
            c = mix_colors(c, map_grid, grid_ink * 0.30);
            put_pixel(pixels, ground.width, col, row, c);
        }
    }
    return pixels;
}

std::vector<uint8_t> paint_slope_map(const ground_raster& ground) {
    std::vector<uint8_t> pixels(static_cast<size_t>(ground.width) * static_cast<size_t>(ground.height));
    for (int row = 0; row < ground.height; ++row) {
        for (int col = 0; col < ground.width; ++col) {
            const slope_sample slope = measure_slope(ground, col, row);
            const double degrees =
                std::atan(std::sqrt(slope.dx * slope.dx + slope.dz * slope.dz)) * 180.0 / pi;
            // Brighter is steeper; flat ground and water are black.
            const double level =
                fetch_ground(ground, col, row).water_depth > 0.0 ? 0.0 : degrees / slope_map_full_degrees;
            pixels[static_cast<size_t>(row) * static_cast<size_t>(ground.width) + static_cast<size_t>(col)] =
                quantize_channel(level);
        }
    }
    return pixels;
}
