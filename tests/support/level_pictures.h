// How far a picture drawn from levels of detail strays from exact drawing:
// the one measure the levels' GL test checks and the draw benchmark reports.
#pragma once

#include <vector>

// The clear colour of the compared pictures: no lit ground takes it, so a
// pixel of it where exact drawing shows ground is a crack.
constexpr unsigned char LEVEL_PICTURE_BACKGROUND[3] = {255, 0, 255};

// What levels may cost a picture: the mean difference, levels of 255 per
// channel, and the crack pixels, a share of all pixels.
constexpr double LEVEL_PICTURE_MEAN_LIMIT = 1.5;
constexpr long LEVEL_PICTURE_PIXELS_PER_CRACK = 10000;
// The shading alone (no drape) from above, lit per pixel: the mean difference.
constexpr double LEVEL_SHADING_MEAN_LIMIT = 1.0;

struct LevelPictureDifference {
    double mean = 0;  // mean absolute difference per channel, levels of 255
    long cracks = 0;  // background pixels where exact drawing shows ground
};

// Compares two RGB pictures of the same size (3 bytes a pixel, any row
// order); pictures of different sizes give a NaN mean and no cracks.
LevelPictureDifference measure_level_picture(const std::vector<unsigned char>& exact,
                                             const std::vector<unsigned char>& levels);

// The largest step in shading that levels add along a straight line of the
// picture (where a level border runs in a view from above), levels of 255:
// the mean difference levels - exact on the two rows (or columns) either
// side of each row (column) boundary, over runs of 128 pixels of ground,
// and the largest change across a boundary. Pictures as above, width x
// height; 0 for pictures of different sizes.
double measure_shading_step(const std::vector<unsigned char>& exact, const std::vector<unsigned char>& levels,
                            int width, int height);

// Whether the difference keeps within the limits for a picture of `pixels`.
bool level_picture_within_limits(const LevelPictureDifference& d, long pixels);
