// The stereo camera without GL: the modes and their frame layouts, the two
// eyes' views with off-axis frusta, on-screen parallax, and the comfortable
// depth (baseline and convergence) chosen from what the eye sees.
#pragma once

#include <cstddef>

// How a stereo frame reaches the eyes. The left eye's picture is on the
// left, on top, in red, or on the even rows (counted from the top, from 0).
enum StereoMode {
    STEREO_RED_BLUE = 0,          // the classic terrain-only red/blue pair
    STEREO_RED_CYAN = 1,          // anaglyph with colour kept (least-squares matrices)
    STEREO_SIDE_BY_SIDE = 2,      // each eye at full width, left eye on the left
    STEREO_SIDE_BY_SIDE_HALF = 3, // each eye squeezed to half the width
    STEREO_TOP_BOTTOM = 4,        // each eye at full height, left eye on top
    STEREO_TOP_BOTTOM_HALF = 5,   // each eye squeezed to half the height
    STEREO_ROWS = 6,              // row-interlaced, left eye on the even rows
};
constexpr int STEREO_MODE_COUNT = 7;

// Parallax budget, as shares of the picture's width: at most this far behind
// the screen (far ground and the sky at infinity) and in front of it (the
// nearest ground), at a depth factor of 1.
constexpr double STEREO_BEHIND_BUDGET = 0.02;
constexpr double STEREO_FRONT_BUDGET = 0.01;
constexpr double STEREO_DEPTH_STEP = 0.25;  // the depth factor changes by this much
constexpr double STEREO_DEPTH_MAX = 4.0;    // largest depth factor; the smallest is 0 (flat)

// The command-line name of a mode ("red-blue", "red-cyan", "side-by-side",
// "side-by-side-half", "top-bottom", "top-bottom-half", "rows"); "" for none.
const char* stereo_mode_name(int mode);

// The mode named `name` exactly, or -1.
int find_stereo_mode(const char* name);

// Whether each eye has a viewport of its own (side by side, top and bottom).
bool stereo_mode_splits(int mode);

// Where one frame's eyes go in a drawable of output_width x output_height.
struct StereoLayout {
    int picture_width, picture_height;  // one eye's picture as the overlay and picking see it, pixels
    int eye_viewport[2][4];             // left (0) and right (1) eye: x, y (up from the bottom), width, height
    bool split;                         // the eyes have viewports of their own
};

// The layout of `mode` (any mode when `on` is false gives the mono layout:
// the picture is the drawable). Full formats give each eye half the drawable
// unsqueezed; half formats squeeze a picture of the drawable's size into
// each half. Sizes below 1 are taken as 1.
void layout_stereo_frame(int mode, bool on, int output_width, int output_height, StereoLayout* out);

// The drawable's size for eye pictures of eye_width x eye_height: twice the
// width (side by side) or the height (top and bottom) for full formats, the
// eye's size for every other mode.
void stereo_output_size(int mode, int eye_width, int eye_height, int* width, int* height);

// The point of the eye's picture (origin top left, as GLUT gives window
// points) that the drawable's point (x, y) shows: a point in either eye's
// part maps into the picture, squeezed formats stretched back.
void stereo_picture_point(const StereoLayout& layout, int x, int y, int* picture_x, int* picture_y);

// One eye's view: where it stands and its asymmetric frustum.
struct StereoEyeView {
    double look_at[9];  // gluLookAt arguments: eye, centre, up
    double frustum[6];  // glFrustum arguments: left, right, bottom, top, near, far
    double offset;      // where the eye stands along the camera's right vector, world units; 0: the camera's own view
};

// The view of eye `eye` (0 left, 1 right) for the camera's gluLookAt
// arguments `camera` and a perspective of vertical field `fovy_degrees`,
// `aspect`, `near`, `far`: the eye stands baseline / 2 along the camera's own
// right vector (the view direction crossed with up) to its side, looks in
// the camera's direction, and its frustum is shifted so that both meet at
// `convergence`. A camera with no right vector (no direction, or looking
// straight up or down) or a baseline or convergence not above 0 gives the
// camera's own view.
void make_stereo_eye_view(const double camera[9], int eye, double baseline, double convergence, double fovy_degrees,
                          double aspect, double near, double far, StereoEyeView* out);

// The parallax of a point `distance` ahead along the view, as a share of the
// picture's width: positive behind the screen, negative in front; the sky's
// (infinite distance) for a distance that is not finite.
double stereo_parallax_share(double baseline, double convergence, double distance, double fovy_degrees,
                             double aspect);

// The comfortable baseline and convergence for ground `centre` away under the
// picture's centre (0 or less: none, the sky) and nearest visible ground
// `nearest`: the screen sits at the centre ground, or nearer, at 1.5 times the
// nearest ground, where that ground would come more than the front budget
// out; the baseline is the largest that keeps the sky within the behind budget
// and the nearest ground within the front budget, times `factor`. Returns
// false, changing nothing, when there is no ground (nearest 0 or less or not finite).
bool choose_stereo_depth(double centre, double nearest, double fovy_degrees, double aspect, double factor,
                         double* baseline, double* convergence);

// Smoothed depth: eases the current baseline and convergence towards the
// chosen ones by a share each frame, the baseline dropping faster than it
// grows, so that depth never jumps yet the nearest ground never stays long
// beyond its budget. `settled` false takes the target at once.
void ease_stereo_depth(double target_baseline, double target_convergence, bool settled, double* baseline,
                       double* convergence);
