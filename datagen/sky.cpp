// Paints the six pictures of the sky box around the world from one continuous picture of the sky.
#include "datagen/sky.h"

#include <cmath>

#include "datagen/noise.h"
#include "datagen/world_files.h"

namespace {

const double pi = 3.14159265358979323846;

struct rgb {
    double r;
    double g;
    double b;
};

// Where the viewer's box puts each face: the directions shown at texture
// coordinates (0, 0), (1, 0) and (0, 1). The box faces are flat, so every
// other texel lies on the parallelogram these span.
struct face_frame {
    sky_direction origin;
    sky_direction at_s1;
    sky_direction at_t1;
};
const face_frame face_frames[sky_face_count] = {
    {{1, 1, -1}, {-1, 1, -1}, {1, -1, -1}},   // ahead at the start
    {{-1, 1, 1}, {1, 1, 1}, {-1, -1, 1}},     // behind
    {{1, -1, -1}, {-1, -1, -1}, {1, -1, 1}},  // below
    {{-1, 1, -1}, {-1, 1, 1}, {-1, -1, -1}},  // left
    {{1, 1, 1}, {1, 1, -1}, {1, -1, 1}},      // right
    {{1, 1, 1}, {-1, 1, 1}, {1, 1, -1}},      // above
};

// The sun stands ahead of the start view (-z) and a little to the right, so
// it is in the first picture the user sees, above the hills to the north.
const double sun_azimuth_degrees = 30.0;  // from -z, turning towards +x
const double sun_elevation_degrees = 28.0;
const double sun_radius = 1.0 * pi / 180.0;
const double sun_rim = 0.25 * pi / 180.0;  // soft limb rather than a hard disc edge

const rgb zenith_color = {0.12, 0.29, 0.62};
const rgb upper_sky_color = {0.27, 0.49, 0.80};
const rgb horizon_sky_color = {0.70, 0.80, 0.88};
const rgb haze_color = {0.82, 0.85, 0.86};
const rgb sunward_haze_color = {0.96, 0.90, 0.78};
const rgb sun_color = {1.0, 0.97, 0.88};
const rgb glow_color = {1.0, 0.86, 0.62};

const rgb cloud_lit_color = {1.0, 0.98, 0.94};
const rgb cloud_shade_color = {0.58, 0.63, 0.72};
const rgb far_land_color = {0.50, 0.56, 0.55};
const rgb near_land_color = {0.26, 0.30, 0.21};
const rgb nadir_color = {0.14, 0.15, 0.11};

// Clouds are painted on an imagined flat layer overhead, seen in perspective;
// the offset keeps the layer's horizon a finite distance away.
const double cloud_height_offset = 0.16;
const double cloud_scale = 1.6;
const int cloud_octaves = 7;
const double distant_cloud_fade = 0.45;
const double land_height_offset = 0.06;
const double land_scale = 3.0;

const uint32_t cloud_seed = 901;
const uint32_t land_seed = 921;
const uint32_t dither_seed = 941;

// Octave step: doubles the frequency and turns the lattice so no axis lines up.
const double octave_a = 1.7;
const double octave_b = 1.05;

struct field_sample {
    double value;
    double dx;
    double dy;
};

rgb mix_colors(const rgb& a, const rgb& b, double t) {
    return {mix_values(a.r, b.r, t), mix_values(a.g, b.g, t), mix_values(a.b, b.b, t)};
}

rgb add_colors(const rgb& a, const rgb& b, double k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k}; }

sky_direction normalize_direction(const sky_direction& d) {
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (length <= 0.0) {
        return {0.0, 0.0, -1.0};
    }
    return {d.x / length, d.y / length, d.z / length};
}

sky_direction find_sun() {
    const double az = sun_azimuth_degrees * pi / 180.0;
    const double el = sun_elevation_degrees * pi / 180.0;
    return {std::sin(az) * std::cos(el), std::sin(el), -std::cos(az) * std::cos(el)};
}

// Fractal noise with its gradient. Octaves whose detail is finer than the
// footprint of a texel fade out, so the far, foreshortened part of a layer
// turns smooth instead of sparkling.
field_sample sum_filtered_fbm(double x, double y, int octaves, double footprint, uint32_t seed) {
    field_sample total = {0.0, 0.0, 0.0};
    double amplitude = 1.0;
    double norm = 0.0;
    double frequency = 1.0;
    // Jacobian of the octave's coordinates with respect to (x, y).
    double j00 = 1.0;
    double j01 = 0.0;
    double j10 = 0.0;
    double j11 = 1.0;
    for (int i = 0; i < octaves; ++i) {
        const double keep = 1.0 - smooth_step(0.15, 0.45, frequency * footprint);
        if (keep > 0.0) {
            const noise_sample n = sample_gradient_noise(x, y, seed + static_cast<uint32_t>(i));
            total.value += amplitude * keep * n.value;
            total.dx += amplitude * keep * (n.dx * j00 + n.dy * j10);
            total.dy += amplitude * keep * (n.dx * j01 + n.dy * j11);
        }
        norm += amplitude;
        amplitude *= 0.5;
        frequency *= 2.0;
        const double nx = octave_a * x - octave_b * y + 31.7;
        const double ny = octave_b * x + octave_a * y - 12.9;
        x = nx;
        y = ny;
        const double k00 = octave_a * j00 - octave_b * j10;
        const double k01 = octave_a * j01 - octave_b * j11;
        const double k10 = octave_b * j00 + octave_a * j10;
        const double k11 = octave_b * j01 + octave_a * j11;
        j00 = k00;
        j01 = k01;
        j10 = k10;
        j11 = k11;
    }
    if (norm > 0.0) {
        total.value /= norm;
        total.dx /= norm;
        total.dy /= norm;
    }
    return total;
}

// Clear sky: deep blue overhead paling to haze at the horizon, warmer and
// brighter on the sun's side.
rgb shade_clear_sky(double up, double towards_sun) {
    const double above = std::fmax(up, 0.0);
    rgb c = mix_colors(horizon_sky_color, upper_sky_color, 1.0 - std::exp(-above * 6.0));
    c = mix_colors(c, zenith_color, smooth_step(0.25, 1.0, above));
    const double sunward = std::pow(0.5 + 0.5 * towards_sun, 3.0);
    c = add_colors(c, glow_color, 0.10 * sunward * (1.0 - smooth_step(0.0, 0.7, above)));
    return c;
}

// Light scattered around the sun, from a wide warm aureole to a tight glare.
double measure_glow(double towards_sun) {
    const double mu = std::fmax(towards_sun, 0.0);
    return 0.10 * std::pow(mu, 8.0) + 0.22 * std::pow(mu, 60.0) + 0.45 * std::pow(mu, 900.0);
}

double measure_sun_disc(double towards_sun) {
    const double angle = std::acos(clamp_to(towards_sun, -1.0, 1.0));
    return 1.0 - smooth_step(sun_radius - sun_rim, sun_radius + sun_rim, angle);
}

// Clouds over the given direction: returns how much of the sky they hide and
// paints their colour. They gather towards the horizon, thin out overhead and
// are lit on the side that faces the sun.
double shade_clouds(const sky_direction& d, const sky_direction& sun, double texel_angle, rgb& color) {
    const double lift = d.y + cloud_height_offset;
    if (lift <= 0.0) {
        return 0.0;
    }
    const double x = cloud_scale * d.x / lift;
    const double y = cloud_scale * d.z / lift;
    const double stretch = cloud_scale * (1.0 / lift + 1.0 / (lift * lift));
    const field_sample f = sum_filtered_fbm(x, y, cloud_octaves, texel_angle * stretch, cloud_seed);

    const double up = std::fmax(d.y, 0.0);
    const double towards_sun = d.x * sun.x + d.y * sun.y + d.z * sun.z;
    // A clearing around the sun keeps its disc in view from the start.
    const double clearing = 0.45 * std::pow(std::fmax(towards_sun, 0.0), 40.0);
    const double cover = 0.20 - 0.32 * smooth_step(0.0, 0.9, up) - clearing;
    const double density = smooth_step(0.0, 0.38, f.value + cover);
    if (density <= 0.0) {
        return 0.0;
    }

    // Where the layer thickens on the way towards the sun, that side is in
    // the cloud's own shadow.
    const double sun_lift = sun.y + cloud_height_offset;
    const double sx = cloud_scale * sun.x / sun_lift - x;
    const double sy = cloud_scale * sun.z / sun_lift - y;
    const double sl = std::sqrt(sx * sx + sy * sy);
    const double slope = sl > 1e-9 ? (f.dx * sx + f.dy * sy) / sl : 0.0;
    double light = clamp_to(0.62 - 0.55 * slope - 0.35 * density, 0.0, 1.0);
    color = mix_colors(cloud_shade_color, cloud_lit_color, light);

    // Thin cloud near the sun glows with the light passing through it.
    const double rim = (1.0 - density) * std::pow(std::fmax(towards_sun, 0.0), 12.0);
    color = add_colors(color, glow_color, 0.6 * rim);
    return density * smooth_step(0.0, 0.05, d.y);
}

// Distant land below the horizon, darkening towards the ground underfoot.
rgb shade_land(const sky_direction& d, double texel_angle) {
    const double down = std::fmax(-d.y, 0.0);
    const double drop = down + land_height_offset;
    const double x = land_scale * d.x / drop;
    const double y = land_scale * d.z / drop;
    const double stretch = land_scale * (1.0 / drop + 1.0 / (drop * drop));
    const field_sample f = sum_filtered_fbm(x, y, 5, texel_angle * stretch, land_seed);
    rgb c = mix_colors(far_land_color, near_land_color, smooth_step(0.0, 0.35, down));
    c = mix_colors(c, nadir_color, smooth_step(0.3, 1.0, down));
    const double k = 1.0 + 0.12 * f.value;
    return {c.r * k, c.g * k, c.b * k};
}

rgb shade_direction(const sky_direction& raw, double texel_angle) {
    const sky_direction d = normalize_direction(raw);
    const sky_direction sun = find_sun();
    const double towards_sun = d.x * sun.x + d.y * sun.y + d.z * sun.z;

    rgb c = d.y >= 0.0 ? shade_clear_sky(d.y, towards_sun) : shade_land(d, texel_angle);
    if (d.y >= 0.0) {
        c = add_colors(c, sun_color, measure_sun_disc(towards_sun));
    }
    rgb cloud = {0.0, 0.0, 0.0};
    const double cover = shade_clouds(d, sun, texel_angle, cloud);
    if (cover > 0.0) {
        // Far clouds lose contrast in the air between, so they sit back.
        cloud = mix_colors(cloud, c, distant_cloud_fade * (1.0 - smooth_step(0.0, 0.35, d.y)));
        c = mix_colors(c, cloud, cover);
    }
    c = add_colors(c, glow_color, measure_glow(towards_sun));

    // Haze thickens towards the horizon from both sides, which hides the
    // meeting of sky and land; it is warmer where it faces the sun.
    const double sunward = std::pow(0.5 + 0.5 * towards_sun, 4.0);
    const rgb haze = mix_colors(haze_color, sunward_haze_color, sunward);
    const double thickness = d.y >= 0.0 ? 0.035 : 0.05;
    c = mix_colors(c, haze, std::exp(-std::fabs(d.y) / thickness));
    return c;
}

uint8_t quantize_channel(double value, double dither) {
    return static_cast<uint8_t>(std::lround(clamp_to(value * 255.0 + dither, 0.0, 255.0)));
}

}  // namespace

sky_direction aim_sky_texel(int face, double s, double t) {
    if (face < 0 || face >= sky_face_count) {
        return {0.0, 0.0, -1.0};
    }
    const face_frame& f = face_frames[face];
    return {f.origin.x + s * (f.at_s1.x - f.origin.x) + t * (f.at_t1.x - f.origin.x),
            f.origin.y + s * (f.at_s1.y - f.origin.y) + t * (f.at_t1.y - f.origin.y),
            f.origin.z + s * (f.at_s1.z - f.origin.z) + t * (f.at_t1.z - f.origin.z)};
}

std::vector<uint8_t> paint_sky_face(int face) {
    std::vector<uint8_t> pixels;
    if (face < 0 || face >= sky_face_count) {
        return pixels;
    }
    pixels.resize(static_cast<size_t>(sky_size) * static_cast<size_t>(sky_size) * 3);
    for (int row = 0; row < sky_size; ++row) {
        const double t = (row + 0.5) / sky_size;
        for (int col = 0; col < sky_size; ++col) {
            const double s = (col + 0.5) / sky_size;
            const double a = 2.0 * s - 1.0;
            const double b = 2.0 * t - 1.0;
            // Angle one texel spans here: texels shrink towards a face's corners.
            const double texel_angle = (2.0 / sky_size) / std::sqrt(1.0 + a * a + b * b);
            const rgb c = shade_direction(aim_sky_texel(face, s, t), texel_angle);
            // A triangular dither of about one level hides banding in the smooth gradients.
            const int32_t key = face * sky_size + col;
            const double dither =
                hash_to_unit(key, row, dither_seed) + hash_to_unit(key, row, dither_seed + 1) - 1.0;
            const size_t at = (static_cast<size_t>(row) * sky_size + static_cast<size_t>(col)) * 3;
            pixels[at] = quantize_channel(c.r, dither);
            pixels[at + 1] = quantize_channel(c.g, dither);
            pixels[at + 2] = quantize_channel(c.b, dither);
        }
    }
    return pixels;
}

bool write_sky_pictures(const std::string& folder, std::string& error) {
    for (int face = 0; face < sky_face_count; ++face) {
        const std::string path = folder + "/sky_" + std::to_string(face) + ".raw";
        if (!write_raw_image(path, paint_sky_face(face), error)) {
            return false;
        }
    }
    return true;
}
