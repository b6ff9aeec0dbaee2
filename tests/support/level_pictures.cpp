// The measure of a picture drawn from levels of detail against exact drawing.
#include "tests/support/level_pictures.h"

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
