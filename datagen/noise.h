// Deterministic hashed noise and small math helpers shared by every terrain shape.
#pragma once

#include <cstdint>

struct noise_sample {
    double value;
    double dx;
    double dy;
};

uint32_t hash_cell(int32_t x, int32_t y, uint32_t seed);
double hash_to_unit(int32_t x, int32_t y, uint32_t seed);

noise_sample sample_gradient_noise(double x, double y, uint32_t seed);
double sum_fbm(double x, double y, int octaves, uint32_t seed);
// roughness: amplitude kept from one octave to the next (0.5 keeps slopes
// equally rough at every scale; less gives smoother, older-looking ridges).
double sum_ridged(double x, double y, int octaves, double roughness, uint32_t seed);
double sum_eroded_fbm(double x, double y, int octaves, uint32_t seed);

double clamp_to(double value, double low, double high);
double mix_values(double a, double b, double t);
double smooth_step(double edge0, double edge1, double x);
