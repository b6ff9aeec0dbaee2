// Painting a drape from heights: hypsometric tints under hill shading.
#include "import/drape_paint.h"

#include <algorithm>
#include <cmath>

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
constexpr double AMBIENT = 0.32;                          // brightness of a slope turned away from the light
constexpr double DIRECT = 0.9;                            // added by full light; flat ground gets about 0.95

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
    // The light as (east, north, up).
    const double light_east = std::cos(LIGHT_ALTITUDE) * std::sin(LIGHT_AZIMUTH);
    const double light_north = std::cos(LIGHT_ALTITUDE) * std::cos(LIGHT_AZIMUTH);
    const double light_up = std::sin(LIGHT_ALTITUDE);
    // Horn's 3 x 3 gradient: each difference spans two pixels and is weighted 1, 2, 1.
    const double east_scale = exaggeration / (8.0 * pixel_east);
    const double north_scale = exaggeration / (8.0 * pixel_south);
    const double span = highest > lowest ? highest - lowest : 1.0;

    // Tints by level come from a table: a lookup per pixel instead of a search.
    constexpr int LEVELS = 1024;
    uint8_t tint_table[LEVELS + 1][3];
    for (int i = 0; i <= LEVELS; ++i) tint_height((double)i / LEVELS, tint_table[i]);

    for (int y = 0; y < height; ++y) {
        const float* north = heights + (size_t)std::max(y - 1, 0) * width;
        const float* here = heights + (size_t)y * width;
        const float* south = heights + (size_t)std::min(y + 1, height - 1) * width;
        uint8_t* out = rgb->data() + (size_t)y * width * 3;
        for (int x = 0; x < width; ++x) {
            const int w = std::max(x - 1, 0), e = std::min(x + 1, width - 1);
            const double rise_east = ((north[e] + 2.0 * here[e] + south[e]) - (north[w] + 2.0 * here[w] + south[w])) *
                                     east_scale;
            const double rise_north =
                ((north[w] + 2.0 * north[x] + north[e]) - (south[w] + 2.0 * south[x] + south[e])) * north_scale;
            // The upward normal is (-rise_east, -rise_north, 1), normalised.
            const double lit = (-rise_east * light_east - rise_north * light_north + light_up) /
                               std::sqrt(rise_east * rise_east + rise_north * rise_north + 1.0);
            const double brightness = AMBIENT + DIRECT * std::max(lit, 0.0);
            int level = (int)((here[x] - lowest) / span * LEVELS + 0.5);
            level = std::clamp(level, 0, LEVELS);
            for (int c = 0; c < 3; ++c)
                out[3 * x + c] = (uint8_t)std::min(255.0, tint_table[level][c] * brightness + 0.5);
        }
        if (progress && (y & 63) == 0) progress((double)y / height, context);
    }
}
