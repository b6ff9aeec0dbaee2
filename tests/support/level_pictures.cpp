// The measure of a picture drawn from levels of detail against exact drawing.
#include "tests/support/level_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

LevelPictureDifference measure_level_picture(const std::vector<unsigned char>& exact,
                                             const std::vector<unsigned char>& levels) {
    LevelPictureDifference d;
    if (exact.size() != levels.size() || exact.empty()) {
        d.mean = NAN;
        return d;
    }
    long sum = 0;
    for (size_t i = 0; i + 2 < exact.size(); i += 3) {
        bool ground = false, background = true;
        for (int k = 0; k < 3; ++k) {
            sum += std::abs(exact[i + k] - levels[i + k]);
            ground = ground || exact[i + k] != LEVEL_PICTURE_BACKGROUND[k];
            background = background && levels[i + k] == LEVEL_PICTURE_BACKGROUND[k];
        }
        d.cracks += ground && background;
    }
    d.mean = (double)sum / exact.size();
    return d;
}

bool level_picture_within_limits(const LevelPictureDifference& d, long pixels) {
    return d.mean <= LEVEL_PICTURE_MEAN_LIMIT && d.cracks <= pixels / LEVEL_PICTURE_PIXELS_PER_CRACK;
}

double measure_shading_step(const std::vector<unsigned char>& exact, const std::vector<unsigned char>& levels,
                            int width, int height) {
    constexpr int RUN = 128, SIDE = 2;  // pixels along the line; rows or columns either side
    if (width <= 0 || height <= 0 || exact.size() != levels.size() || exact.size() != (size_t)width * height * 3)
        return 0.0;
    // The signed difference of each pixel of ground in both pictures; NaN elsewhere.
    std::vector<float> d((size_t)width * height);
    for (size_t p = 0; p < d.size(); ++p) {
        bool ground = false;
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k) {
            ground = ground || (exact[3 * p + k] != LEVEL_PICTURE_BACKGROUND[k] &&
                                levels[3 * p + k] != LEVEL_PICTURE_BACKGROUND[k]);
            sum += (float)levels[3 * p + k] - exact[3 * p + k];
        }
        d[p] = ground ? sum / 3.0f : NAN;
    }
    double largest = 0.0;
    // A run of RUN pixels along one axis, SIDE deep either side of the boundary
    // before `cross` on the other; false when it leaves the ground or the picture.
    auto side_means = [&](bool rows, int along, int cross, double* before, double* after) {
        double sums[2] = {0.0, 0.0};
        int limit = rows ? height : width;
        if (cross - SIDE < 0 || cross + SIDE > limit) return false;
        for (int s = 0; s < 2 * SIDE; ++s)
            for (int i = 0; i < RUN; ++i) {
                int a = along + i, c = cross - SIDE + s;
                float v = rows ? d[(size_t)c * width + a] : d[(size_t)a * width + c];
                if (std::isnan(v)) return false;
                sums[s >= SIDE] += v;
            }
        *before = sums[0] / (RUN * SIDE);
        *after = sums[1] / (RUN * SIDE);
        return true;
    };
    for (int rows = 0; rows < 2; ++rows) {
        int along_end = rows ? width : height, cross_end = rows ? height : width;
        for (int along = 0; along + RUN <= along_end; along += RUN / 2)
            for (int cross = SIDE; cross + SIDE <= cross_end; ++cross) {
                double before, after;
                if (side_means(rows != 0, along, cross, &before, &after))
                    largest = std::max(largest, std::fabs(after - before));
            }
    }
    return largest;
}
