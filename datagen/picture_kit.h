// Hard-edged shape tests and an antialiasing RGBA painter for the generator's small pictures.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

// A colour with straight (not premultiplied) alpha, every channel 0 to 1.
struct rgba {
    double r;
    double g;
    double b;
    double a;
};

struct point2 {
    double x;
    double y;
};

const rgba clear_color = {0.0, 0.0, 0.0, 0.0};

// Colour from 0..255 channels, alpha 0..1.
rgba make_color(int r, int g, int b, double a = 1.0);
rgba mix_rgba(const rgba& a, const rgba& b, double t);
// Porter-Duff "over": top drawn on bottom.
rgba blend_over(const rgba& top, const rgba& bottom);

// Membership tests; every shape includes its boundary.
bool inside_circle(double x, double y, double cx, double cy, double radius);
// A ring of the given width centred on the circle.
bool inside_ring(double x, double y, double cx, double cy, double radius, double width);
// A box of half-sizes hw, hh with corners rounded by the given radius.
bool inside_box(double x, double y, double cx, double cy, double hw, double hh, double corner);
// A stroke of the given width along a segment, with round ends.
bool inside_stroke(double x, double y, const point2& a, const point2& b, double width);
// Strokes along consecutive points (closed adds the last-to-first segment).
bool inside_polyline(double x, double y, const point2* points, size_t count, double width, bool closed);
bool inside_polyline(double x, double y, const std::vector<point2>& points, double width, bool closed);
bool inside_polyline(double x, double y, std::initializer_list<point2> points, double width, bool closed);
// Either winding.
bool inside_triangle(double x, double y, const point2& a, const point2& b, const point2& c);
// Even-odd rule.
bool inside_polygon(double x, double y, const point2* points, size_t count);
bool inside_polygon(double x, double y, const std::vector<point2>& points);
bool inside_polygon(double x, double y, std::initializer_list<point2> points);
// Signed distance to a rounded box (negative inside).
double measure_box_distance(double x, double y, double hw, double hh, double corner);

// Paints a width x height RGBA picture (4 bytes a texel, first stored row
// t = 0). `paint` gets texture coordinates s, t in 0..1 and returns the
// hard-edged colour there; each texel averages samples x samples of them,
// which antialiases every edge. Fully transparent texels take the colour of
// their nearest painted neighbours, so linear filtering shows no dark fringe.
std::vector<uint8_t> paint_rgba_picture(int width, int height, int samples,
                                        const std::function<rgba(double s, double t)>& paint);
