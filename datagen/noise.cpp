// Deterministic hashed noise and small math helpers shared by every terrain shape.
#include "datagen/noise.h"

#include <cmath>

namespace {

// Sixteen evenly spaced unit gradients: enough directions to hide the lattice.
const double gradient_x[16] = {1.0,  0.92388,  0.70711,  0.38268,  0.0, -0.38268, -0.70711, -0.92388,
                               -1.0, -0.92388, -0.70711, -0.38268, 0.0, 0.38268,  0.70711,  0.92388};
const double gradient_y[16] = {0.0, 0.38268,  0.70711,  0.92388,  1.0,  0.92388,  0.70711,  0.38268,
                               0.0, -0.38268, -0.70711, -0.92388, -1.0, -0.92388, -0.70711, -0.38268};

// Plain gradient noise peaks near +-0.7; this brings it to roughly +-1.
const double noise_scale = 1.42;

// Each octave is rotated as well as scaled so lattice axes never line up.
const double octave_a = 1.6;
const double octave_b = 1.2;

uint32_t mix_bits(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

void advance_octave(double& x, double& y) {
    const double nx = octave_a * x - octave_b * y;
    const double ny = octave_b * x + octave_a * y;
    x = nx + 17.31;
    y = ny - 9.17;
}

}  // namespace

uint32_t hash_cell(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = mix_bits(static_cast<uint32_t>(x) * 0x8da6b343U ^ seed);
    h = mix_bits(h ^ (static_cast<uint32_t>(y) * 0xd8163841U));
    return mix_bits(h + seed * 0x9e3779b9U);
}

double hash_to_unit(int32_t x, int32_t y, uint32_t seed) {
    return (hash_cell(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

noise_sample sample_gradient_noise(double x, double y, uint32_t seed) {
    const double fx0 = std::floor(x);
    const double fy0 = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx0);
    const int32_t iy = static_cast<int32_t>(fy0);
    const double fx = x - fx0;
    const double fy = y - fy0;

    const uint32_t g00 = hash_cell(ix, iy, seed) & 15U;
    const uint32_t g10 = hash_cell(ix + 1, iy, seed) & 15U;
    const uint32_t g01 = hash_cell(ix, iy + 1, seed) & 15U;
    const uint32_t g11 = hash_cell(ix + 1, iy + 1, seed) & 15U;

    const double a = gradient_x[g00] * fx + gradient_y[g00] * fy;
    const double b = gradient_x[g10] * (fx - 1.0) + gradient_y[g10] * fy;
    const double c = gradient_x[g01] * fx + gradient_y[g01] * (fy - 1.0);
    const double d = gradient_x[g11] * (fx - 1.0) + gradient_y[g11] * (fy - 1.0);

    // Quintic fade keeps second derivatives continuous, so shading shows no grid.
    const double u = fx * fx * fx * (fx * (fx * 6.0 - 15.0) + 10.0);
    const double v = fy * fy * fy * (fy * (fy * 6.0 - 15.0) + 10.0);
    const double du = 30.0 * fx * fx * (fx * (fx - 2.0) + 1.0);
    const double dv = 30.0 * fy * fy * (fy * (fy - 2.0) + 1.0);

    const double k = a - b - c + d;
    noise_sample out;
    out.value = (a + (b - a) * u + (c - a) * v + k * u * v) * noise_scale;
    out.dx =
        (gradient_x[g00] + (gradient_x[g10] - gradient_x[g00]) * u + (gradient_x[g01] - gradient_x[g00]) * v +
         (gradient_x[g00] - gradient_x[g10] - gradient_x[g01] + gradient_x[g11]) * u * v +
         du * ((b - a) + k * v)) *
        noise_scale;
    out.dy =
        (gradient_y[g00] + (gradient_y[g10] - gradient_y[g00]) * u + (gradient_y[g01] - gradient_y[g00]) * v +
         (gradient_y[g00] - gradient_y[g10] - gradient_y[g01] + gradient_y[g11]) * u * v +
         dv * ((c - a) + k * u)) *
        noise_scale;
    return out;
}

double sum_fbm(double x, double y, int octaves, uint32_t seed) {
    double total = 0.0;
    double amplitude = 1.0;
    double weight = 0.0;
    for (int i = 0; i < octaves; ++i) {
        total += amplitude * sample_gradient_noise(x, y, seed + static_cast<uint32_t>(i)).value;
        weight += amplitude;
        amplitude *= 0.5;
        advance_octave(x, y);
    }
    return weight > 0.0 ? total / weight : 0.0;
}

double sum_ridged(double x, double y, int octaves, double roughness, uint32_t seed) {
    // Each octave is weighted by the previous one, so fine detail gathers on
    // the crests and valleys stay smooth, as on weathered mountains.
    double total = 0.0;
    double amplitude = 1.0;
    double weight = 1.0;
    double norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        double signal = 1.0 - std::fabs(sample_gradient_noise(x, y, seed + static_cast<uint32_t>(i)).value);
        signal = clamp_to(signal, 0.0, 1.0);
        signal *= signal * weight;
        total += signal * amplitude;
        norm += amplitude;
        weight = clamp_to(signal * 2.0, 0.0, 1.0);
        amplitude *= roughness;
        advance_octave(x, y);
    }
    return norm > 0.0 ? total / norm : 0.0;
}

double sum_eroded_fbm(double x, double y, int octaves, uint32_t seed) {
    // Octaves are damped where the sum is already steep, which leaves smooth
    // slopes and sharp drainage-like creases instead of uniform bumps.
    double total = 0.0;
    double amplitude = 1.0;
    double slope_x = 0.0;
    double slope_y = 0.0;
    double norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        const noise_sample n = sample_gradient_noise(x, y, seed + static_cast<uint32_t>(i));
        slope_x += n.dx;
        slope_y += n.dy;
        total += amplitude * n.value / (1.0 + slope_x * slope_x + slope_y * slope_y);
        norm += amplitude;
        amplitude *= 0.5;
        advance_octave(x, y);
    }
    return norm > 0.0 ? total / norm : 0.0;
}

double clamp_to(double value, double low, double high) {
    return value < low ? low : (value > high ? high : value);
}

double mix_values(double a, double b, double t) {
    return a + (b - a) * t;
}

double smooth_step(double edge0, double edge1, double x) {
    const double t = clamp_to((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}
