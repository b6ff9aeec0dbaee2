// Painting a drape from heights: hypsometric tints under hill shading.
#include "import/drape_paint.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <thread>

#include "files/parallel.h"
#include "import/float_cast.h"

namespace {

struct TintStop {
    double level;
    double r, g, b;
};

// Lowland greens through dry grass and rock browns to grey scree and snow.
const TintStop TINTS[] = {
    {0.00, 64, 118, 66},  {0.12, 102, 150, 78},  {0.30, 168, 184, 112}, {0.48, 210, 196, 138},
    {0.64, 178, 140, 96}, {0.80, 146, 120, 104}, {0.92, 196, 190, 186}, {1.00, 250, 250, 252},
};
constexpr int TINT_COUNT = sizeof TINTS / sizeof TINTS[0];

constexpr double LIGHT_AZIMUTH = 315.0 * M_PI / 180.0;   // from the north-west, clockwise from north
constexpr double LIGHT_ALTITUDE = 45.0 * M_PI / 180.0;
constexpr float AMBIENT = 0.32f;  // brightness of a slope turned away from the light
constexpr float DIRECT = 0.9f;    // added by full light; flat ground gets about 0.95

constexpr int TINT_LEVELS = 1024;  // tints are looked up by level rather than searched per pixel

// What every band of rows needs to paint its pixels.
struct DrapeShading {
    const float* heights;
    int width, height;
    float light_east, light_north, light_up;  // towards the light
    float east_scale, north_scale;            // height differences to slopes; finite
    double lowest, level_scale;               // height to tint level; in double, as a range of denormal
                                              // heights makes a factor beyond any float
    uint8_t tints[TINT_LEVELS + 1][3];
    uint8_t* rgb;
};

void paint_rows(const DrapeShading* d, int first_row, int end_row, ProgressFn progress, void* context) {
    const int width = d->width;
    for (int y = first_row; y < end_row; ++y) {
        const float* north = d->heights + (size_t)std::max(y - 1, 0) * width;
        const float* here = d->heights + (size_t)y * width;
        const float* south = d->heights + (size_t)std::min(y + 1, d->height - 1) * width;
        uint8_t* out = d->rgb + (size_t)y * width * 3;
        for (int x = 0; x < width; ++x) {
            const int w = std::max(x - 1, 0), e = std::min(x + 1, width - 1);
            const float rise_east =
                ((north[e] + 2.0f * here[e] + south[e]) - (north[w] + 2.0f * here[w] + south[w])) * d->east_scale;
            const float rise_north =
                ((north[w] + 2.0f * north[x] + north[e]) - (south[w] + 2.0f * south[x] + south[e])) * d->north_scale;
            // The upward normal is (-rise_east, -rise_north, 1), normalised.
            const float lit = (-rise_east * d->light_east - rise_north * d->light_north + d->light_up) /
                              std::sqrt(rise_east * rise_east + rise_north * rise_north + 1.0f);
            const float brightness = AMBIENT + DIRECT * (lit > 0.0f ? lit : 0.0f);  // NaN: unlit
            const int level = clamp_to_integer((here[x] - d->lowest) * d->level_scale + 0.5, 0, TINT_LEVELS);
            for (int c = 0; c < 3; ++c)
                out[3 * x + c] = clamp_to_integer<uint8_t>(d->tints[level][c] * brightness + 0.5f, 0, 255);
        }
        if (progress && (y & 63) == 0) progress((double)(y - first_row) / (end_row - first_row), context);
    }
}

// A slope factor as a float: cells so narrow that it overflows get the largest one.
float finite_factor(double factor) {
    return std::isfinite(factor) ? (float)std::clamp(factor, -(double)FLT_MAX, (double)FLT_MAX) : FLT_MAX;
}

}  // namespace

int choose_texture_side(int cells, int smallest) {
    int side = smallest;
    while (side < cells && side < LARGEST_TEXTURE_SIDE) side *= 2;
    return std::min(side, LARGEST_TEXTURE_SIDE);
}

void tint_height(double level, uint8_t rgb[3]) {
    if (!(level > 0.0)) level = 0.0;
    if (level > 1.0) level = 1.0;
    int i = 0;
    while (i < TINT_COUNT - 2 && level > TINTS[i + 1].level) ++i;
    const TintStop& a = TINTS[i];
    const TintStop& b = TINTS[i + 1];
    const double f = (level - a.level) / (b.level - a.level);
    rgb[0] = (uint8_t)std::lround(a.r + f * (b.r - a.r));
    rgb[1] = (uint8_t)std::lround(a.g + f * (b.g - a.g));
    rgb[2] = (uint8_t)std::lround(a.b + f * (b.b - a.b));
}

void paint_drape(const float* heights, int width, int height, double pixel_east, double pixel_south,
                 double exaggeration, double lowest, double highest, std::vector<uint8_t>* rgb, ProgressFn progress,
                 void* context) {
    rgb->resize((size_t)width * height * 3);
    DrapeShading shading;
    shading.heights = heights;
    shading.width = width;
    shading.height = height;
    shading.light_east = (float)(std::cos(LIGHT_ALTITUDE) * std::sin(LIGHT_AZIMUTH));
    shading.light_north = (float)(std::cos(LIGHT_ALTITUDE) * std::cos(LIGHT_AZIMUTH));
    shading.light_up = (float)std::sin(LIGHT_ALTITUDE);
    // Horn's 3 x 3 gradient: each difference spans two pixels and is weighted 1, 2, 1.
    shading.east_scale = finite_factor(exaggeration / (8.0 * pixel_east));
    shading.north_scale = finite_factor(exaggeration / (8.0 * pixel_south));
    shading.lowest = lowest;
    shading.level_scale = highest > lowest ? TINT_LEVELS / (highest - lowest) : 0.0;
    if (!std::isfinite(shading.level_scale)) shading.level_scale = 0.0;
    for (int i = 0; i <= TINT_LEVELS; ++i) tint_height((double)i / TINT_LEVELS, shading.tints[i]);
    shading.rgb = rgb->data();

    // Rows are independent: bands of them go to helper threads, the first band
    // stays here and reports progress.
    const int bands = count_parallel_parts();
    std::vector<std::thread> helpers;
    for (int band = 1; band < bands; ++band)
        helpers.emplace_back(paint_rows, &shading, height * band / bands, height * (band + 1) / bands, nullptr,
                             nullptr);
    paint_rows(&shading, 0, height / bands, progress, context);
    for (std::thread& t : helpers) t.join();
}
