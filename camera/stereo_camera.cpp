// The stereo camera's maths: modes, layouts, eye views, parallax and depth.
#include "camera/stereo_camera.h"

#include <cmath>
#include <cstring>

constexpr double PI = 3.14159265358979323846;
// The screen moves no nearer than this many nearest-ground distances: there
// a baseline that puts the sky at the behind budget puts the nearest ground
// at the front budget exactly (both budgets spent).
constexpr double CONVERGENCE_NEAREST_SHARE = 1.0 + STEREO_FRONT_BUDGET / STEREO_BEHIND_BUDGET;
constexpr double BASELINE_GROW_SHARE = 0.08;    // of the way to a larger baseline, per frame
constexpr double BASELINE_SHRINK_SHARE = 0.3;   // of the way to a smaller one, per frame
constexpr double CONVERGENCE_SHARE = 0.15;      // of the way (in ratio) to the chosen convergence, per frame

namespace {

const char* const MODE_NAMES[STEREO_MODE_COUNT] = {"red-blue",   "red-cyan",        "side-by-side", "side-by-side-half",
                                                   "top-bottom", "top-bottom-half", "rows"};

void set_viewport(int* v, int x, int y, int width, int height) {
    v[0] = x;
    v[1] = y;
    v[2] = width;
    v[3] = height;
}

}  // namespace

const char* stereo_mode_name(int mode) { return mode >= 0 && mode < STEREO_MODE_COUNT ? MODE_NAMES[mode] : ""; }

int find_stereo_mode(const char* name) {
    for (int m = 0; m < STEREO_MODE_COUNT; ++m)
        if (!strcmp(name, MODE_NAMES[m])) return m;
    return -1;
}

bool stereo_mode_splits(int mode) {
    return mode == STEREO_SIDE_BY_SIDE || mode == STEREO_SIDE_BY_SIDE_HALF || mode == STEREO_TOP_BOTTOM ||
           mode == STEREO_TOP_BOTTOM_HALF;
}

void layout_stereo_frame(int mode, bool on, int output_width, int output_height, StereoLayout* out) {
    int w = output_width > 0 ? output_width : 1, h = output_height > 0 ? output_height : 1;
    out->split = on && stereo_mode_splits(mode);
    out->picture_width = w;
    out->picture_height = h;
    set_viewport(out->eye_viewport[0], 0, 0, w, h);
    set_viewport(out->eye_viewport[1], 0, 0, w, h);
    if (!out->split) return;
    if (mode == STEREO_SIDE_BY_SIDE || mode == STEREO_SIDE_BY_SIDE_HALF) {
        int half = w / 2 > 0 ? w / 2 : 1;
        set_viewport(out->eye_viewport[0], 0, 0, half, h);
        set_viewport(out->eye_viewport[1], w - half, 0, half, h);
        if (mode == STEREO_SIDE_BY_SIDE) out->picture_width = half;
    } else {
        int half = h / 2 > 0 ? h / 2 : 1;
        set_viewport(out->eye_viewport[0], 0, h - half, w, half);  // the left eye on top
        set_viewport(out->eye_viewport[1], 0, 0, w, half);
        if (mode == STEREO_TOP_BOTTOM) out->picture_height = half;
    }
}

void stereo_output_size(int mode, int eye_width, int eye_height, int* width, int* height) {
    *width = eye_width;
    *height = eye_height;
    if (mode == STEREO_SIDE_BY_SIDE) *width = 2 * eye_width;
    if (mode == STEREO_TOP_BOTTOM) *height = 2 * eye_height;
}

void stereo_picture_point(const StereoLayout& layout, int x, int y, int* picture_x, int* picture_y) {
    if (!layout.split) {
        *picture_x = x;
        *picture_y = y;
        return;
    }
    const int* left = layout.eye_viewport[0];
    const int* right = layout.eye_viewport[1];
    int output_height = left[1] + left[3];  // the left eye's viewport reaches the top in both formats
    int y_up = output_height - 1 - y;
    // The eye whose part holds the point; a point beyond both goes to the nearer.
    bool beside = left[1] == right[1];
    const int* v = beside ? (x >= right[0] ? right : left) : (y_up >= left[1] ? left : right);
    int lx = x - v[0], ly = v[1] + v[3] - 1 - y_up;  // down from the part's top row
    lx = lx < 0 ? 0 : lx >= v[2] ? v[2] - 1 : lx;
    ly = ly < 0 ? 0 : ly >= v[3] ? v[3] - 1 : ly;
    *picture_x = (int)((long)lx * layout.picture_width / v[2]);
    *picture_y = (int)((long)ly * layout.picture_height / v[3]);
}

void make_stereo_eye_view(const double camera[9], int eye, double baseline, double convergence, double fovy_degrees,
                          double aspect, double near, double far, StereoEyeView* out) {
    memcpy(out->look_at, camera, sizeof out->look_at);
    double top = near * std::tan(fovy_degrees * PI / 360.0), side = top * aspect;
    double f[6] = {-side, side, -top, top, near, far};
    memcpy(out->frustum, f, sizeof out->frustum);
    out->offset = 0.0;

    double d[3] = {camera[3] - camera[0], camera[4] - camera[1], camera[5] - camera[2]};
    const double* up = camera + 6;
    double r[3] = {d[1] * up[2] - d[2] * up[1], d[2] * up[0] - d[0] * up[2], d[0] * up[1] - d[1] * up[0]};
    double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
    double scale = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) *
                   std::sqrt(up[0] * up[0] + up[1] * up[1] + up[2] * up[2]);
    if (!(length > 1e-9 * scale) || !(baseline > 0.0) || !(convergence > 0.0) || !std::isfinite(baseline) ||
        !std::isfinite(convergence))
        return;
    double offset = (eye == 0 ? -0.5 : 0.5) * baseline;
    out->offset = offset;
    for (int k = 0; k < 3; ++k) {
        out->look_at[k] += offset * r[k] / length;
        out->look_at[3 + k] += offset * r[k] / length;
    }
    // Points at the convergence distance straight ahead of the camera come
    // to the middle of both pictures.
    double shift = -offset * near / convergence;
    out->frustum[0] += shift;
    out->frustum[1] += shift;
}

double stereo_parallax_share(double baseline, double convergence, double distance, double fovy_degrees,
                             double aspect) {
    double width_at_one = 2.0 * std::tan(fovy_degrees * PI / 360.0) * aspect;
    double inverse = std::isfinite(distance) ? 1.0 / distance : 0.0;
    return baseline * (1.0 / convergence - inverse) / width_at_one;
}

bool choose_stereo_depth(double centre, double nearest, double fovy_degrees, double aspect, double factor,
                         double* baseline, double* convergence) {
    if (!(nearest > 0.0) || !std::isfinite(nearest)) return false;
    double width_at_one = 2.0 * std::tan(fovy_degrees * PI / 360.0) * aspect;
    double looked_at = centre > 0.0 && std::isfinite(centre) ? centre : INFINITY;
    if (looked_at < nearest) looked_at = nearest;
    double c = std::fmin(looked_at, CONVERGENCE_NEAREST_SHARE * nearest);
    double b = STEREO_BEHIND_BUDGET * width_at_one * c;
    if (c > nearest) b = std::fmin(b, STEREO_FRONT_BUDGET * width_at_one / (1.0 / nearest - 1.0 / c));
    *baseline = b * (factor > 0.0 ? factor : 0.0);
    *convergence = c;
    return true;
}

void ease_stereo_depth(double target_baseline, double target_convergence, bool settled, double* baseline,
                       double* convergence) {
    if (!settled || !(*baseline >= 0.0) || !(*convergence > 0.0)) {
        *baseline = target_baseline;
        *convergence = target_convergence;
        return;
    }
    double share = target_baseline < *baseline ? BASELINE_SHRINK_SHARE : BASELINE_GROW_SHARE;
    *baseline += (target_baseline - *baseline) * share;
    *convergence *= std::pow(target_convergence / *convergence, CONVERGENCE_SHARE);
}
