// The overlay's hot-spot layout for a window size, and hit-testing.
#include "overlay/tray_layout.h"

#include "state/app_state.h"
#include "state/overlay_state.h"

namespace {

long floor_divide(long numerator, long denominator) {
    long q = numerator / denominator;
    return (numerator % denominator != 0 && numerator < 0) ? q - 1 : q;
}

// x of reference position a, scaled with the height about the window's centre.
float scaled_x(int a, int width, int height) {
    long numerator = (long)width * (OVERLAY_REFERENCE_HEIGHT / 2) + (long)(a - OVERLAY_REFERENCE_WIDTH / 2) * height;
    return (float)floor_divide(numerator, OVERLAY_REFERENCE_HEIGHT);
}

float scaled_y(int b, int height) { return (float)((long)height * b / OVERLAY_REFERENCE_HEIGHT); }

}  // namespace

void layout_overlay_for(int width, int height) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    for (int kind = 0; kind < HOT_KIND_COUNT; ++kind) {
        hot_half_width[kind] = (float)((long)height * reference_half_width(kind) / OVERLAY_REFERENCE_HEIGHT);
        hot_half_height[kind] = (float)((long)height * reference_half_height(kind) / OVERLAY_REFERENCE_HEIGHT);
    }
    for (HotSpot& h : hot_spots) h = HotSpot{0.0f, 0.0f, HOT_NONE};
    for (const TrayElement& e : TRAY_ELEMENTS) {
        if (e.kind == HOT_LOOK_PAD) {
            // The look pad sits at its exact scaled position, not truncated.
            double cx = width / 2.0 + (e.x - OVERLAY_REFERENCE_WIDTH / 2.0) * height / OVERLAY_REFERENCE_HEIGHT;
            hot_spots[e.slot] = HotSpot{(float)cx, (float)(height * (double)e.y / OVERLAY_REFERENCE_HEIGHT), e.kind};
        } else {
            hot_spots[e.slot] = HotSpot{scaled_x(e.x, width, height), scaled_y(e.y, height), e.kind};
        }
    }
}

void layout_overlay() { layout_overlay_for(window_width, window_height); }

int find_hot_spot(int x, int y) {
    float fx = (float)x, fy = (float)y;
    for (int slot = 0; slot < HOT_SPOT_SLOTS; ++slot) {
        const HotSpot& h = hot_spots[slot];
        if (h.kind == HOT_NONE) continue;
        float hw = hot_half_width[h.kind], hh = hot_half_height[h.kind];
        if (h.cx - hw < fx && fx < h.cx + hw && h.cy - hh < fy && fy < h.cy + hh) return slot;
    }
    return -1;
}
