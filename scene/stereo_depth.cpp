// The true stereo camera's depth from the ground in sight, and its factor.
#include "scene/stereo_depth.h"

#include <cmath>

#include "camera/stereo_camera.h"
#include "state/stereo_state.h"
#include "state/overlay_state.h"
#include "terrain/picking.h"

constexpr double PI = 3.14159265358979323846;
constexpr int PROBE_SIDE = 5;          // rays across and up the picture
constexpr double PROBE_REACH = 0.95;   // share of the half-picture the outer rays reach

void update_stereo_depth(const double camera[9], double fovy_degrees, double aspect, double reach) {
    double f[3] = {camera[3] - camera[0], camera[4] - camera[1], camera[5] - camera[2]};
    const double* up = camera + 6;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    if (!(fl > 0.0) || !(sl > 1e-9 * fl)) return;  // no view to measure along
    for (int k = 0; k < 3; ++k) f[k] /= fl, s[k] /= sl;
    double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    double tan_up = std::tan(fovy_degrees * PI / 360.0), tan_side = tan_up * aspect;

    // Distances along the view (not along each ray): parallax depends on those.
    double centre = 0.0, nearest = INFINITY;
    for (int row = 0; row < PROBE_SIDE; ++row) {
        for (int column = 0; column < PROBE_SIDE; ++column) {
            double a = PROBE_REACH * (2.0 * column / (PROBE_SIDE - 1) - 1.0);
            double b = PROBE_REACH * (2.0 * row / (PROBE_SIDE - 1) - 1.0);
            double d[3];
            for (int k = 0; k < 3; ++k) d[k] = f[k] + a * tan_side * s[k] + b * tan_up * u[k];
            double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (double& c : d) c /= length;
            double along = probe_ground_distance(camera, d, reach * length);
            if (!(along < INFINITY)) continue;
            double depth = along / length;
            nearest = std::fmin(nearest, depth);
            if (2 * row == PROBE_SIDE - 1 && 2 * column == PROBE_SIDE - 1) centre = depth;
        }
    }
    double baseline = 0.0, convergence = 0.0;
    if (!choose_stereo_depth(centre, nearest, fovy_degrees, aspect, stereo_depth_factor, &baseline, &convergence))
        return;
    ease_stereo_depth(baseline, convergence, stereo_depth_settled, &stereo_baseline, &stereo_convergence);
    stereo_depth_settled = true;
}

void choose_stereo_mode(int mode) {
    if (mode < 0 || mode >= STEREO_MODE_COUNT) return;
    stereo_mode = mode;
    stereo_on = 1;
    stereo_depth_settled = false;
    show_message("Stereo: %s", stereo_mode_name(mode));
}

void change_stereo_depth(int steps) {
    double factor = stereo_depth_factor + steps * STEREO_DEPTH_STEP;
    factor = std::round(factor / STEREO_DEPTH_STEP) * STEREO_DEPTH_STEP;
    stereo_depth_factor = factor < 0.0 ? 0.0 : factor > STEREO_DEPTH_MAX ? STEREO_DEPTH_MAX : factor;
    show_message("Stereo depth %d %%", (int)std::lround(stereo_depth_factor * 100.0));
}
