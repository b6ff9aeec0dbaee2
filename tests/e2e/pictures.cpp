// Screenshots: saving them as PNG files and measuring what they show.
#include "tests/e2e/pictures.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const double NOT_A_NUMBER = std::nan("");

// Clips the area to the picture; false if nothing is left.
bool clip(const Screenshot& s, int* x0, int* y0, int* x1, int* y1) {
    if (s.rgb.size() != (size_t)s.width * s.height * 3) return false;
    *x0 = std::max(*x0, 0);
    *y0 = std::max(*y0, 0);
    *x1 = std::min(*x1, s.width);
    *y1 = std::min(*y1, s.height);
    return *x1 > *x0 && *y1 > *y0;
}

const unsigned char* pixel(const Screenshot& s, int x, int y) { return &s.rgb[((size_t)y * s.width + x) * 3]; }

}  // namespace

bool keep_shot(const Screenshot& s, const std::string& name) {
    mkdir(E2E_SHOTS_DIR, 0755);
    std::string path = std::string(E2E_SHOTS_DIR) + "/" + name + ".png";
    if (s.rgb.empty()) return false;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = s.width;
    image.height = s.height;
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, s.rgb.data(), 0, nullptr)) return true;
    fprintf(stderr, "e2e: cannot write %s: %s\n", path.c_str(), image.message);
    return false;
}

double mean_brightness(const Screenshot& s, int x0, int y0, int x1, int y1) {
    if (!clip(s, &x0, &y0, &x1, &y1)) return NOT_A_NUMBER;
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = pixel(s, x, y);
            sum += p[0] + p[1] + p[2];
        }
    return sum / 3.0 / ((double)(x1 - x0) * (y1 - y0));
}

double colour_variance(const Screenshot& s, int x0, int y0, int x1, int y1) {
    if (!clip(s, &x0, &y0, &x1, &y1)) return NOT_A_NUMBER;
    double sum[3] = {0, 0, 0}, squares[3] = {0, 0, 0};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = pixel(s, x, y);
            for (int c = 0; c < 3; ++c) {
                sum[c] += p[c];
                squares[c] += (double)p[c] * p[c];
            }
        }
    double n = (double)(x1 - x0) * (y1 - y0), variance = 0;
    for (int c = 0; c < 3; ++c) variance += squares[c] / n - (sum[c] / n) * (sum[c] / n);
    return variance / 3.0;
}

double fraction_near_colour(const Screenshot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) {
    if (!clip(s, &x0, &y0, &x1, &y1)) return NOT_A_NUMBER;
    long near = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = pixel(s, x, y);
            near += std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance &&
                    std::abs(p[2] - b) <= tolerance;
        }
    return (double)near / ((double)(x1 - x0) * (y1 - y0));
}

double fraction_differing(const Screenshot& a, const Screenshot& b, int threshold) {
    if (a.rgb.empty() || b.rgb.empty()) return NOT_A_NUMBER;
    if (a.width != b.width || a.height != b.height) return 1.0;
    long differing = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a.rgb[i + c] - b.rgb[i + c]));
        differing += worst > threshold;
    }
    return (double)differing / (a.rgb.size() / 3);
}

double sky_share(const Screenshot& s) { return fraction_near_colour(s, 0, 0, s.width, s.height / 2, 0, 0, 0, 4); }

double grey_share(const Screenshot& s) {
    long lit = 0, grey = 0;
    for (size_t i = 0; i + 2 < s.rgb.size(); i += 3) {
        int r = s.rgb[i], g = s.rgb[i + 1], b = s.rgb[i + 2];
        if (r + g + b < 30) continue;
        ++lit;
        grey += std::abs(r - g) <= 6 && std::abs(g - b) <= 6;
    }
    return lit ? (double)grey / lit : NOT_A_NUMBER;
}
