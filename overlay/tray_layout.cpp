// The overlay's hot-spot layout for a window size, and hit-testing.
#include "overlay/tray_layout.h"

#include "state/app_state.h"
#include "state/overlay_state.h"

namespace {

struct SlotPlace {
    int slot;
    int kind;
    int a;  // centre x at 1024 x 768
    int b;  // centre y at 1024 x 768, from the bottom
};

// Slot 0 (the look pad) is placed exactly, not truncated; slot 5 is unused.
const SlotPlace SLOT_PLACES[] = {
    {1, HOT_ARROW, 511, 469},   {2, HOT_ARROW, 510, 294},   {3, HOT_ARROW, 421, 382},   {4, HOT_ARROW, 601, 383},
    {6, HOT_HANDLE, 570, 440},  {7, HOT_HANDLE, 450, 440},  {8, HOT_HANDLE, 569, 325},  {9, HOT_HANDLE, 454, 325},
    {10, HOT_HANDLE, 679, 548}, {11, HOT_HANDLE, 346, 548}, {12, HOT_HANDLE, 678, 216}, {13, HOT_HANDLE, 345, 216},
    {14, HOT_BUTTON, 619, 489}, {15, HOT_BUTTON, 584, 458}, {16, HOT_BUTTON, 655, 526}, {17, HOT_BUTTON, 619, 420},
    {18, HOT_BUTTON, 657, 459}, {19, HOT_BUTTON, 584, 527}, {20, HOT_BUTTON, 549, 493}, {21, HOT_BUTTON, 619, 562},
    {22, HOT_BUTTON, 691, 493}, {23, HOT_BUTTON, 551, 274}, {24, HOT_BUTTON, 584, 311}, {25, HOT_BUTTON, 620, 343},
    {26, HOT_BUTTON, 587, 237}, {27, HOT_BUTTON, 621, 273}, {28, HOT_BUTTON, 654, 308}, {29, HOT_BUTTON, 621, 202},
    {30, HOT_BUTTON, 658, 239}, {31, HOT_BUTTON, 691, 274}, {32, HOT_BUTTON, 403, 344}, {33, HOT_BUTTON, 439, 311},
    {34, HOT_BUTTON, 473, 278}, {35, HOT_BUTTON, 368, 309}, {36, HOT_BUTTON, 404, 276}, {37, HOT_BUTTON, 439, 238},
    {38, HOT_BUTTON, 333, 275}, {39, HOT_BUTTON, 370, 238}, {40, HOT_BUTTON, 404, 202}, {41, HOT_BUTTON, 403, 561},
    {42, HOT_BUTTON, 437, 526}, {43, HOT_BUTTON, 473, 491}, {44, HOT_BUTTON, 368, 525}, {45, HOT_BUTTON, 402, 490},
    {46, HOT_BUTTON, 439, 454}, {47, HOT_BUTTON, 333, 491}, {48, HOT_BUTTON, 369, 456}, {49, HOT_BUTTON, 406, 420},
};

// Half-sizes of each kind's box at 1024 x 768.
const int HALF_SIZES[6][2] = {{0, 0}, {20, 20}, {0, 0}, {10, 10}, {25, 15}, {55, 55}};

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
    for (int kind = 0; kind < 6; ++kind) {
        hot_half_width[kind] = (float)((long)height * HALF_SIZES[kind][0] / OVERLAY_REFERENCE_HEIGHT);
        hot_half_height[kind] = (float)((long)height * HALF_SIZES[kind][1] / OVERLAY_REFERENCE_HEIGHT);
    }
    for (HotSpot& h : hot_spots) h = HotSpot{0.0f, 0.0f, HOT_NONE};
    // The look pad sits at the exact scaled position (511, 383).
    hot_spots[0] = HotSpot{(float)(width / 2.0 + (511.0 - OVERLAY_REFERENCE_WIDTH / 2) * height / OVERLAY_REFERENCE_HEIGHT),
                           (float)(height * 383.0 / OVERLAY_REFERENCE_HEIGHT), HOT_LOOK_PAD};
    for (const SlotPlace& p : SLOT_PLACES) {
        hot_spots[p.slot] = HotSpot{scaled_x(p.a, width, height), scaled_y(p.b, height), p.kind};
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
