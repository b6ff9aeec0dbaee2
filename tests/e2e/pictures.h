// Screenshots of the viewer's window and measures of what they show.
#pragma once

#include <string>
#include <vector>

// Rows top to bottom, 3 bytes (R, G, B) a pixel; empty when a capture failed.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Saves the picture as name.png in the build's e2e-shots folder for a person to look at; false if it cannot.
bool keep_shot(const Screenshot& s, const std::string& name);

// The measures below look at [x0,x1) x [y0,y1) clipped to the picture and give NaN, which fails every comparison,
// when nothing is left (an empty picture from a failed capture, say).

// Mean of (R + G + B) / 3, 0..255.
double mean_brightness(const Screenshot& s, int x0, int y0, int x1, int y1);

// Variance of the colour averaged over R, G and B: 0 for a flat area, hundreds for a drawn scene.
double colour_variance(const Screenshot& s, int x0, int y0, int x1, int y1);

// Share (0..1) of pixels whose every channel is within tolerance of (r, g, b).
double fraction_near_colour(const Screenshot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance);

// Share (0..1) of pixels whose largest channel difference exceeds threshold; 1 if the sizes differ, NaN if either
// picture is empty.
double fraction_differing(const Screenshot& a, const Screenshot& b, int threshold);

// Share of the upper half that is (near) black: the sky when no sky box is drawn.
double sky_share(const Screenshot& s);

// Share of lit pixels whose red, green and blue agree: 1 for an untextured or greyscale land; NaN if none is lit.
double grey_share(const Screenshot& s);
