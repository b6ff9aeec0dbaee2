// Hard-edged shape tests and an antialiasing RGBA painter for the generator's small pictures.
#include "datagen/picture_kit.h"

#include <cmath>

#include "datagen/noise.h"

namespace {

// std::hypot guards against overflow the pictures never meet, at several times the cost.
double measure_length(double x, double y) { return std::sqrt(x * x + y * y); }

double measure_segment_distance(double x, double y, const point2& a, const point2& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0.0 ? clamp_to(((x - a.x) * dx + (y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
    return measure_length(x - (a.x + dx * t), y - (a.y + dy * t));
}

double cross_sign(double x, double y, const point2& a, const point2& b) {
    return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
}

uint8_t quantize_unit(double value) {
    return static_cast<uint8_t>(std::lround(clamp_to(value, 0.0, 1.0) * 255.0));
}

// Gives every fully transparent texel the mean colour of its painted (or
// already filled) neighbours, growing outwards one texel a pass.
void bleed_colors(std::vector<uint8_t>& pixels, int width, int height) {
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<char> colored(count);
    for (size_t i = 0; i < count; ++i) {
        colored[i] = pixels[i * 4 + 3] > 0;
    }
    for (bool grew = true; grew;) {
        grew = false;
        std::vector<char> next = colored;
        for (int row = 0; row < height; ++row) {
            for (int col = 0; col < width; ++col) {
                const size_t at =
                    static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col);
                if (colored[at]) {
                    continue;
                }
                int sum[3] = {0, 0, 0};
                int found = 0;
                const int neighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
                for (const auto& n : neighbours) {
                    const int c = col + n[0];
                    const int r = row + n[1];
                    if (c < 0 || c >= width || r < 0 || r >= height) {
                        continue;
                    }
                    const size_t there =
                        static_cast<size_t>(r) * static_cast<size_t>(width) + static_cast<size_t>(c);
                    if (colored[there]) {
                        for (int k = 0; k < 3; ++k) {
                            sum[k] += pixels[there * 4 + static_cast<size_t>(k)];
                        }
                        ++found;
                    }
                }
                if (found > 0) {
                    for (int k = 0; k < 3; ++k) {
                        pixels[at * 4 + static_cast<size_t>(k)] =
                            static_cast<uint8_t>((sum[k] + found / 2) / found);
                    }
                    next[at] = 1;
                    grew = true;
                }
            }
        }
        colored.swap(next);
    }
}

}  // namespace

rgba make_color(int r, int g, int b, double a) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

rgba mix_rgba(const rgba& a, const rgba& b, double t) {
    return {mix_values(a.r, b.r, t), mix_values(a.g, b.g, t), mix_values(a.b, b.b, t),
            mix_values(a.a, b.a, t)};
}

rgba blend_over(const rgba& top, const rgba& bottom) {
    const double a = top.a + bottom.a * (1.0 - top.a);
    if (a <= 0.0) {
        return clear_color;
    }
    const double below = bottom.a * (1.0 - top.a);
    return {(top.r * top.a + bottom.r * below) / a, (top.g * top.a + bottom.g * below) / a,
            (top.b * top.a + bottom.b * below) / a, a};
}

bool inside_circle(double x, double y, double cx, double cy, double radius) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool inside_ring(double x, double y, double cx, double cy, double radius, double width) {
    return std::fabs(measure_length(x - cx, y - cy) - radius) <= 0.5 * width;
}

double measure_box_distance(double x, double y, double hw, double hh, double corner) {
    const double qx = std::fabs(x) - (hw - corner);
    const double qy = std::fabs(y) - (hh - corner);
    const double outside = measure_length(std::fmax(qx, 0.0), std::fmax(qy, 0.0));
    return outside + std::fmin(std::fmax(qx, qy), 0.0) - corner;
}

bool inside_box(double x, double y, double cx, double cy, double hw, double hh, double corner) {
    return measure_box_distance(x - cx, y - cy, hw, hh, corner) <= 0.0;
}

bool inside_stroke(double x, double y, const point2& a, const point2& b, double width) {
    return measure_segment_distance(x, y, a, b) <= 0.5 * width;
}

bool inside_polyline(double x, double y, const point2* points, size_t count, double width, bool closed) {
    const size_t segments = closed ? count : (count > 0 ? count - 1 : 0);
    for (size_t i = 0; i < segments; ++i) {
        if (inside_stroke(x, y, points[i], points[(i + 1) % count], width)) {
            return true;
        }
    }
    return false;
}

bool inside_polyline(double x, double y, const std::vector<point2>& points, double width, bool closed) {
    return inside_polyline(x, y, points.data(), points.size(), width, closed);
}

bool inside_polyline(double x, double y, std::initializer_list<point2> points, double width, bool closed) {
    return inside_polyline(x, y, points.begin(), points.size(), width, closed);
}

bool inside_triangle(double x, double y, const point2& a, const point2& b, const point2& c) {
    const double d1 = cross_sign(x, y, a, b);
    const double d2 = cross_sign(x, y, b, c);
    const double d3 = cross_sign(x, y, c, a);
    const bool negative = d1 < 0.0 || d2 < 0.0 || d3 < 0.0;
    const bool positive = d1 > 0.0 || d2 > 0.0 || d3 > 0.0;
    return !(negative && positive);
}

bool inside_polygon(double x, double y, const point2* points, size_t count) {
    bool inside = false;
    for (size_t i = 0, j = count - 1; i < count; j = i++) {
        const point2& a = points[i];
        const point2& b = points[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside;
}

bool inside_polygon(double x, double y, const std::vector<point2>& points) {
    return inside_polygon(x, y, points.data(), points.size());
}

bool inside_polygon(double x, double y, std::initializer_list<point2> points) {
    return inside_polygon(x, y, points.begin(), points.size());
}

std::vector<uint8_t> paint_rgba_picture(int width, int height, int samples,
                                        const std::function<rgba(double s, double t)>& paint) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const double weight = 1.0 / (samples * samples);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            double sum[4] = {0.0, 0.0, 0.0, 0.0};  // premultiplied
            for (int j = 0; j < samples; ++j) {
                for (int i = 0; i < samples; ++i) {
                    const double s = (col + (i + 0.5) / samples) / width;
                    const double t = (row + (j + 0.5) / samples) / height;
                    const rgba c = paint(s, t);
                    sum[0] += c.r * c.a;
                    sum[1] += c.g * c.a;
                    sum[2] += c.b * c.a;
                    sum[3] += c.a;
                }
            }
            const size_t at =
                (static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col)) * 4;
            const double alpha = sum[3] * weight;
            const uint8_t a = quantize_unit(alpha);
            if (a > 0) {
                for (int k = 0; k < 3; ++k) {
                    pixels[at + static_cast<size_t>(k)] = quantize_unit(sum[k] / sum[3]);
                }
            }
            pixels[at + 3] = a;
        }
    }
    bleed_colors(pixels, width, height);
    return pixels;
}
