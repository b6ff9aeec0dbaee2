// Paints the three billboard pictures that geometry layers stand in the scene.
//
// The viewer's billboard quad puts texture s = 0 on the left and t = 0 at
// the top, so the pictures are painted upright in (x, h): x across from the
// middle, h up from the bottom edge, both in texels.
#include "datagen/billboards.h"

#include <cmath>

#include "datagen/noise.h"
#include "datagen/picture_kit.h"
#include "datagen/world_files.h"

namespace {

const int samples_per_texel = 4;

const rgba bark = make_color(104, 70, 44);
const rgba bark_shadow = make_color(70, 46, 30);
const rgba needles_lit = make_color(70, 138, 76);
const rgba needles = make_color(36, 96, 54);
const rgba needles_shadow = make_color(20, 62, 38);
const rgba pole_red = make_color(214, 44, 36);
const rgba pole_white = make_color(244, 244, 240);
const rgba flag_orange = make_color(255, 96, 28);
const rgba flag_yellow = make_color(255, 214, 60);
const rgba stone_light = make_color(168, 164, 156);
const rgba stone_dark = make_color(96, 94, 90);
const rgba finial = make_color(250, 206, 84);
const rgba wood_light = make_color(222, 178, 114);
const rgba wood_edge = make_color(86, 56, 32);
const rgba post_wood = make_color(132, 92, 56);
const rgba ink = make_color(74, 48, 28);

// Five tiers of branches, bottom to top: base height, top height, half-width.
const double conifer_tiers[][3] = {{14, 60, 46}, {36, 82, 37}, {57, 100, 28}, {76, 116, 20}, {93, 127, 12}};

// A stone lit from the upper left.
rgba shade_stone(double x, double h, double cx, double ch, double radius) {
    const double lit = clamp_to(0.5 - 0.5 * ((x - cx) - (h - ch)) / (1.4 * radius), 0.0, 1.0);
    return mix_rgba(stone_dark, stone_light, lit);
}

// Height of a tier's lower edge at x: branch tips droop at the outer edge.
double measure_tier_bottom(int k, double x) {
    const double half = conifer_tiers[k][2];
    return conifer_tiers[k][0] - 5.0 * (x / half) * (x / half);
}

rgba paint_conifer(double x, double h) {
    for (int k = 4; k >= 0; --k) {
        const double top = conifer_tiers[k][1];
        const double width_here = conifer_tiers[k][2] * (top - h) / (top - conifer_tiers[k][0]);
        if (h <= top && h >= measure_tier_bottom(k, x) && std::fabs(x) <= width_here) {
            // The tier above shades a band under its skirt.
            if (k < 4 && std::fabs(x) <= conifer_tiers[k + 1][2] && h > measure_tier_bottom(k + 1, x) - 6.0) {
                return needles_shadow;
            }
            const double side = x / std::fmax(width_here, 1.0);
            if (side < -0.55) {
                return needles_lit;
            }
            return side > 0.45 ? needles_shadow : needles;
        }
    }
    if (std::fabs(x) <= 5.0 && h <= 24.0) {
        return x > 1.5 ? bark_shadow : bark;
    }
    return clear_color;
}

rgba paint_survey_flag(double x, double h) {
    // A cairn of stones round the foot of the pole.
    const double stones[][3] = {{-13, 6, 8}, {12, 6, 8}, {0, 7, 9}, {-6, 16, 6.5}, {6, 16, 6.5}, {0, 24, 5}};
    for (int i = 5; i >= 0; --i) {
        if (inside_circle(x, h, stones[i][0], stones[i][1], stones[i][2])) {
            return shade_stone(x, h, stones[i][0], stones[i][1], stones[i][2]);
        }
    }
    if (inside_circle(x, h, 0, 123, 3.5)) {
        return finial;
    }
    if (std::fabs(x) <= 2.5 && h <= 121.0) {
        return static_cast<int>(std::floor(h / 12.0)) % 2 == 0 ? pole_red : pole_white;
    }
    // The flag flies to the right, rippling, split corner to corner.
    const double ripple = 3.5 * std::sin((x - 2.5) * 0.13);
    const double top = 119.0 + ripple;
    const double bottom = 85.0 + ripple + 0.08 * (x - 2.5);
    if (x > 2.5 && x <= 52.0 && h <= top && h >= bottom) {
        const double across = (h - bottom) / (top - bottom);
        const double along = (x - 2.5) / 49.5;
        const rgba c = across > along ? flag_orange : flag_yellow;
        // Folds: darker where the cloth turns away from the light.
        const double fold = 0.82 + 0.18 * std::cos((x - 2.5) * 0.13);
        return {c.r * fold, c.g * fold, c.b * fold, 1.0};
    }
    return clear_color;
}

// A board with a pointed end; `left` points it to the left.
rgba paint_board(double x, double h, double center_h, bool left) {
    const double along = left ? -x : x;
    const double half_height = 10.0;
    const double back = -32.0;
    const double shoulder = 46.0;
    const double tip = 58.0;
    const double dy = std::fabs(h - center_h);
    const double reach =
        along <= shoulder ? shoulder : shoulder + (tip - shoulder) * (1.0 - dy / half_height);
    if (along < back || dy > half_height || along > reach) {
        return clear_color;
    }
    const double rim = 2.2;
    const double inner_reach =
        along <= shoulder - rim ? shoulder
                                : shoulder + (tip - shoulder - 2.0 * rim) * (1.0 - dy / (half_height - rim));
    if (along < back + rim || dy > half_height - rim || along > inner_reach) {
        return wood_edge;
    }
    // Lettering: three short strokes.
    for (double start = -24.0; start < 36.0; start += 20.0) {
        if (along >= start && along <= start + 14.0 && dy <= 1.6) {
            return ink;
        }
    }
    return mix_rgba(wood_light, post_wood, 0.25 * (h - center_h + half_height) / (2.0 * half_height));
}

rgba paint_signpost(double x, double h) {
    const rgba upper = paint_board(x, h, 98.0, true);
    if (upper.a > 0.0) {
        return upper;
    }
    const rgba lower = paint_board(x, h, 72.0, false);
    if (lower.a > 0.0) {
        return lower;
    }
    if (inside_box(x, h, 0, 114, 7, 3, 1.5)) {
        return wood_edge;
    }
    if (std::fabs(x) <= 4.5 && h <= 112.0) {
        const bool grain = std::fabs(std::fmod(x + 4.5 + 0.3 * std::sin(h * 0.2), 3.0) - 1.5) < 0.35;
        return x > 2.0 || grain ? wood_edge : post_wood;
    }
    // Stones at its foot.
    if (inside_circle(x, h, -8, 4, 6) || inside_circle(x, h, 8, 4, 6) || inside_circle(x, h, 0, 3, 5)) {
        return shade_stone(x, h, 0, 4, 12);
    }
    return clear_color;
}

}  // namespace

std::vector<uint8_t> paint_billboard(int number) {
    if (number < 0 || number >= billboard_count) {
        return {};
    }
    return paint_rgba_picture(
        billboard_size, billboard_size, samples_per_texel, [number](double s, double t) {
            const double x = (s - 0.5) * billboard_size;
            const double h = (1.0 - t) * billboard_size;
            if (number == billboard_conifer) {
                return paint_conifer(x, h);
            }
            return number == billboard_survey_flag ? paint_survey_flag(x, h) : paint_signpost(x, h);
        });
}

bool write_billboards(const std::string& folder, std::string& error) {
    for (int i = 0; i < billboard_count; ++i) {
        if (!write_raw_image(folder + "/bill_" + std::to_string(i) + ".raw", paint_billboard(i), error)) {
            return false;
        }
    }
    return true;
}
