// Paints the navigation disk, the four tray panels and the tray handle of the viewer's overlay.
//
// Every texel is painted where the viewer shows it in a 1024 x 768 window:
// the panel quad maps texture (s, t) to (0.05 - 0.1 s, -0.05 + 0.1 t) at
// depth 0.25 (mirrored left to right), the element is moved by its panel
// offset and the whole overlay turned by -45 degrees, and the 90 degree
// perspective puts eye (X, Y) at depth 0.25 on window pixel
// (512 + 1536 X, 384 + 1536 Y), y up. Icons are drawn upright in window
// pixels, each centred on its hot spot.
#include "datagen/overlay_pictures.h"

#include <cmath>

#include "datagen/noise.h"
#include "datagen/picture_kit.h"
#include "datagen/world_files.h"
#include "overlay/tray_table.h"

namespace {

const double pixels_per_unit = 1536.0;  // window pixels per overlay unit at depth 0.25, 768 high
const double window_center_x = 512.0;
const double window_center_y = 384.0;
const double panel_half = 0.05 * pixels_per_unit;  // 76.8 pixels
const double turn = std::sqrt(0.5);                // cos and -sin of the overlay's -45 degree turn
const int samples_per_texel = 4;                   // along each axis

// Panels: a dark glass plate inset from the quad's edge, with a thin rim.
const double plate_margin = 1.5;
const double plate_corner = 6.0;
const double rim_width = 1.6;
const double chip_radius = 20.0;  // a tray button's round tile
const double chip_rim_width = 1.4;
const double look_pad_radius = 44.0;
const double icon_reach = 24.0;  // farther than this from every hot spot no icon is drawn
// Everything but the icons stays at most this opaque, so an icon is exactly
// the texels of alpha 1 (and its antialiased rim).
const double background_alpha_limit = 0.84;

enum class icon_kind {
    blank,
    look_pad,
    arrow_forward,
    arrow_backward,
    arrow_left,
    arrow_right,
    extrude,
    depress,
    select_faces,
    handle_bigger,
    handle_smaller,
    edit_line,
    edit_vertex,
    edit_face,
    material,
    save_layer,
    place_solid,
    transform,
    open_folder,
    place_billboard,
    seek_item,
    replicate,
    fog,
    open_dem,
    save_dem,
    raise_eye,
    lower_eye,
    drape,
    record,
    play,
    map,
    sun,
    sky,
    seek_face,
    exaggerate_more,
    exaggerate_less,
    textured,
    shaded,
    wire_frame,
    point_cloud,
};

// The accent of each picture's rim, by picture number (navi_0 is the disk).
const rgba accents[overlay_picture_count] = {
    {0.59, 0.82, 0.94, 1.0},  // the navigation disk
    {0.96, 0.65, 0.35, 1.0},  // the geometry tray
    {0.43, 0.71, 0.96, 1.0},  // the view tray
    {0.51, 0.82, 0.47, 1.0},  // the terrain tray
    {0.71, 0.59, 0.94, 1.0},  // the mesh tray
};

const rgba ink = make_color(234, 241, 248);
const rgba dim_ink = make_color(124, 150, 178);
const rgba gold = make_color(255, 204, 77);
const rgba red_light = make_color(255, 128, 108);
const rgba red_dark = make_color(132, 22, 20);
const rgba record_red = make_color(232, 56, 50);
const rgba play_green = make_color(96, 204, 112);
const rgba amber_dark = make_color(194, 132, 36);
const rgba amber = make_color(248, 190, 74);
const rgba steel = make_color(74, 126, 198);
const rgba steel_dark = make_color(44, 80, 134);
const rgba metal = make_color(198, 206, 218);
const rgba paper = make_color(238, 242, 247);
const rgba sky_blue = make_color(78, 146, 228);
const rgba sky_pale = make_color(168, 208, 246);
const rgba grass = make_color(92, 156, 78);
const rgba grass_dark = make_color(70, 128, 62);
const rgba rock = make_color(156, 128, 98);
const rgba snow = make_color(246, 248, 252);
const rgba lit_grey = make_color(206, 212, 222);
const rgba shade_grey = make_color(112, 120, 134);
const rgba cloud_white = make_color(220, 228, 238);
const rgba fog_grey = make_color(158, 172, 192);
const rgba face_blue = make_color(92, 168, 232);
const rgba face_blue_dark = make_color(56, 112, 176);
const rgba map_paper = make_color(228, 218, 172);
const rgba map_fold = make_color(196, 184, 138);
const rgba plate_color = make_color(14, 22, 34, 0.56);
const rgba pad_color = make_color(40, 64, 90, 0.42);
const rgba chip_color = make_color(30, 46, 66, 0.66);

// Two peaks: the picture of the terrain that the render-mode buttons show.
const std::vector<point2> mountain = {{-16, -11}, {-6, 9}, {-1, 3}, {5, 12}, {16, -11}};
// The mountain cut into triangles for the wire-frame picture.
const std::vector<point2> mountain_edges[] = {
    {{-6, 9}, {-6, -11}}, {{-6, -11}, {-1, 3}}, {{-1, 3}, {3, -11}}, {{3, -11}, {5, 12}}};

rgba mix_with(const rgba& a, const rgba& b, double t) { return mix_rgba(a, b, clamp_to(t, 0.0, 1.0)); }

// A lit ball: dark where it turns from the light (up and to the left), with a highlight.
rgba shade_ball(double x, double y, double cx, double cy, double radius, const rgba& dark,
                const rgba& light) {
    const double nx = (x - cx) / radius;
    const double ny = (y - cy) / radius;
    const double nz = std::sqrt(std::fmax(0.0, 1.0 - nx * nx - ny * ny));
    const double lit = std::fmax(0.0, -0.45 * nx + 0.55 * ny + 0.70 * nz);
    const rgba c = mix_with(dark, light, lit);
    return mix_with(c, snow, std::pow(lit, 14.0));
}

bool inside_arrow(double x, double y, double cx, double from_y, double to_y, double shaft, double head,
                  double head_length) {
    const double sign = to_y > from_y ? 1.0 : -1.0;
    const double neck = to_y - sign * head_length;
    return inside_stroke(x, y, {cx, from_y}, {cx, neck + sign * 0.5}, shaft) ||
           inside_triangle(x, y, {cx - head, neck}, {cx + head, neck}, {cx, to_y});
}

// A dart pointing along +y with its tip at `tip`: a notched arrowhead whose
// centroid lies 9.67 pixels behind the tip.
bool inside_dart(double along, double across, double tip) {
    const double length = 18.0;
    const double half_width = 12.0;
    const double notch = 7.0;
    const point2 a = {0.0, tip};
    const point2 b = {-half_width, tip - length};
    const point2 c = {half_width, tip - length};
    const point2 n = {0.0, tip - length + notch};
    return inside_triangle(across, along, a, b, n) || inside_triangle(across, along, a, n, c);
}

rgba paint_folder(double x, double y, bool with_mountain) {
    if (with_mountain && inside_triangle(x, y, {-7, -8}, {7, -8}, {0, 1})) {
        return inside_triangle(x, y, {-2.6, -2}, {2.6, -2}, {0, 1}) ? snow : make_color(150, 96, 34);
    }
    if (inside_polygon(x, y, {{-15, -11}, {13, -11}, {16, 3}, {-12, 3}})) {
        return amber;
    }
    if (inside_box(x, y, 0, -1.5, 15, 9.5, 2) || inside_box(x, y, -9, 8.5, 6, 3, 2)) {
        return amber_dark;
    }
    return clear_color;
}

rgba paint_floppy(double x, double y, bool terrain) {
    if (!inside_polygon(x, y, {{-14, -14}, {14, -14}, {14, 10}, {10, 14}, {-14, 14}})) {
        return clear_color;
    }
    if (inside_box(x, y, 0, -5.5, 10, 7.5, 1.5)) {
        if (terrain) {
            if (inside_triangle(x, y, {-7, -10}, {7, -10}, {-1, -1})) {
                return inside_triangle(x, y, {-3.5, -5.5}, {1.5, -5.5}, {-1, -1}) ? snow
                                                                                  : make_color(150, 96, 34);
            }
            return paper;
        }
        if (inside_stroke(x, y, {-6, -3}, {6, -3}, 2.0) || inside_stroke(x, y, {-6, -8}, {6, -8}, 2.0)) {
            return dim_ink;
        }
        return paper;
    }
    if (inside_box(x, y, 0, 9, 7, 5, 0.5)) {
        return inside_box(x, y, 3, 9.5, 1.8, 3, 0.5) ? steel_dark : metal;
    }
    return steel;
}

rgba paint_mountain_modes(icon_kind kind, double x, double y) {
    if (kind == icon_kind::wire_frame) {
        if (inside_polyline(x, y, mountain, 2.4, true)) {
            return ink;
        }
        for (const auto& edge : mountain_edges) {
            if (inside_polyline(x, y, edge, 2.0, false)) {
                return ink;
            }
        }
        return clear_color;
    }
    if (kind == icon_kind::point_cloud) {
        // Points along the outline and a staggered lattice of them inside.
        const rgba low = mix_with(ink, sky_pale, 0.7);
        for (size_t i = 0; i < mountain.size(); ++i) {
            const point2& a = mountain[i];
            const point2& b = mountain[(i + 1) % mountain.size()];
            const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
            const int steps = static_cast<int>(std::ceil(length / 5.0));
            for (int k = 0; k < steps; ++k) {
                const double px = a.x + (b.x - a.x) * k / steps;
                const double py = a.y + (b.y - a.y) * k / steps;
                if (inside_circle(x, y, px, py, 1.7)) {
                    return mix_with(low, ink, (py + 11.0) / 23.0);
                }
            }
        }
        const double row = std::round((y + 6.0) / 5.0);
        const double py = row * 5.0 - 6.0;
        const double shift = std::fmod(row, 2.0) == 0.0 ? 0.0 : 2.75;
        const double px = std::round((x - shift) / 5.5) * 5.5 + shift;
        if (inside_circle(x, y, px, py, 1.5) && inside_polygon(px, py, mountain) &&
            !inside_polyline(px, py, mountain, 7.0, true)) {
            return mix_with(low, ink, (py + 11.0) / 23.0);
        }
        return clear_color;
    }
    if (!inside_polygon(x, y, mountain)) {
        return clear_color;
    }
    if (kind == icon_kind::shaded) {
        // Faces lit from the left: each peak's western flank bright, eastern dark.
        const double ridge1 = -6.0 + (9.0 - y) * 3.0 / 20.0;
        const double valley = -1.0 + (3.0 - y) * 1.0 / 14.0;
        const double ridge2 = 5.0 + (12.0 - y) * 3.0 / 23.0;
        const bool lit = x < ridge1 || (x > valley && x < ridge2);
        const double fall = (12.0 - y) / 23.0;
        return mix_with(lit ? lit_grey : shade_grey, make_color(80, 86, 98), 0.25 * fall);
    }
    // Textured: fields low down, rock higher, snow on top, in patches.
    const double wave = 1.2 * std::sin(x * 0.9);
    if (y > 6.0 + wave) {
        return snow;
    }
    if (y > -2.0 + wave) {
        return (static_cast<int>(std::floor(x / 2.5) + std::floor(y / 2.5)) & 1) ? rock
                                                                                 : make_color(128, 104, 82);
    }
    return (static_cast<int>(std::floor(x / 3.0) + std::floor(y / 3.0)) & 1) ? grass : grass_dark;
}

// Three triangles of a triangulated patch for the mesh buttons.
rgba paint_mesh_patch(icon_kind kind, double x, double y) {
    const point2 left = {-15, -2};
    const point2 top = {2, 14};
    const point2 right = {15, 2};
    const point2 bottom = {-2, -14};
    if (kind == icon_kind::edit_vertex) {
        if (inside_circle(x, y, 0, 0, 4.6)) {
            return gold;
        }
        // A hexagon of six triangles round the vertex.
        const double r = 14.0;
        const double h = r * 0.8660254037844386;
        const point2 ring[6] = {{h, r / 2}, {0, r}, {-h, r / 2}, {-h, -r / 2}, {0, -r}, {h, -r / 2}};
        for (const point2& corner : ring) {
            if (inside_stroke(x, y, {0, 0}, corner, 2.0)) {
                return dim_ink;
            }
        }
        return inside_polyline(x, y, ring, 6, 2.0, true) ? dim_ink : clear_color;
    }
    if (kind == icon_kind::edit_line) {
        if (inside_stroke(x, y, top, bottom, 3.4) || inside_circle(x, y, top.x, top.y, 3.2) ||
            inside_circle(x, y, bottom.x, bottom.y, 3.2)) {
            return gold;
        }
        return inside_polyline(x, y, {left, top, right, bottom}, 2.0, true) ? dim_ink : clear_color;
    }
    // Face: one triangle filled.
    if (inside_polyline(x, y, {left, top, right, bottom}, 2.0, true) ||
        inside_stroke(x, y, top, bottom, 2.0)) {
        return inside_triangle(x, y, top, right, bottom) ? gold : dim_ink;
    }
    return inside_triangle(x, y, top, right, bottom) ? make_color(238, 176, 52) : clear_color;
}

rgba paint_select_faces(double x, double y) {
    if (std::fabs(x) > 14.5 || std::fabs(y) > 14.5) {
        return clear_color;
    }
    const double lines[][4] = {{-14, -14, 14, -14}, {-14, 0, 14, 0},   {-14, 14, 14, 14}, {-14, -14, -14, 14},
                               {0, -14, 0, 14},     {14, -14, 14, 14}, {-14, 0, 0, 14},   {0, 0, 14, 14},
                               {-14, -14, 0, 0},    {0, -14, 14, 0}};
    for (const auto& l : lines) {
        if (inside_stroke(x, y, {l[0], l[1]}, {l[2], l[3]}, 2.0)) {
            return ink;
        }
    }
    // A run of neighbouring faces across the middle.
    if (inside_triangle(x, y, {-14, 0}, {0, 14}, {0, 0}) ||
        inside_triangle(x, y, {-14, 0}, {0, 0}, {-14, -14}) ||
        inside_triangle(x, y, {0, 0}, {14, 14}, {14, 0}) ||
        inside_triangle(x, y, {0, 0}, {0, -14}, {14, 0})) {
        return face_blue;
    }
    return clear_color;
}

rgba paint_extrusion(double x, double y, bool outwards) {
    // A face seen from above at an angle, and an arrow along its normal.
    const point2 face[] = {{-15, -8}, {-1, -14}, {15, -8}, {1, -2}};
    if (outwards ? inside_arrow(x, y, 0, -8, 14, 4.5, 7.5, 9) : inside_arrow(x, y, 0, 14, -8, 4.5, 7.5, 9)) {
        return ink;
    }
    if (inside_polyline(x, y, face, 4, 2.0, true)) {
        return face_blue_dark;
    }
    return inside_polygon(x, y, face, 4) ? face_blue : clear_color;
}

rgba paint_handle_size(double x, double y, bool bigger) {
    if (inside_stroke(x, y, {4, 9}, {15, 9}, 3.4) ||
        (bigger && inside_stroke(x, y, {9.5, 3.5}, {9.5, 14.5}, 3.4))) {
        return bigger ? play_green : record_red;
    }
    const double radius = bigger ? 10.5 : 7.0;
    if (inside_circle(x, y, -4, -3, radius)) {
        return shade_ball(x, y, -4, -3, radius, make_color(52, 96, 150), make_color(170, 214, 250));
    }
    return clear_color;
}

rgba paint_reticle(double x, double y, bool polygon) {
    if (inside_ring(x, y, 0, 0, 11.5, 2.4)) {
        return ink;
    }
    for (const point2 d : {point2{1, 0}, point2{-1, 0}, point2{0, 1}, point2{0, -1}}) {
        if (inside_stroke(x, y, {d.x * 8.5, d.y * 8.5}, {d.x * 15.5, d.y * 15.5}, 2.4)) {
            return ink;
        }
    }
    if (polygon) {
        return inside_triangle(x, y, {-5.5, -3.5}, {5.5, -3.5}, {0, 5.5}) ? gold : clear_color;
    }
    return inside_circle(x, y, 0, 0, 5.0) ? shade_ball(x, y, 0, 0, 5.0, red_dark, red_light) : clear_color;
}

rgba paint_exaggeration(double x, double y, bool more) {
    const double peak = more ? 11.0 : 1.0;
    if (more ? inside_arrow(x, y, 10.5, -10, 13, 3.6, 6, 7.5)
             : inside_arrow(x, y, 10.5, 13, -10, 3.6, 6, 7.5)) {
        return ink;
    }
    if (inside_triangle(x, y, {-16, -11}, {6, -11}, {-5, peak})) {
        const double snow_line = peak - (more ? 6.0 : 3.0);
        return y > snow_line ? snow : rock;
    }
    return inside_stroke(x, y, {-16, -12}, {16, -12}, 2.0) ? dim_ink : clear_color;
}

rgba paint_icon(icon_kind kind, double x, double y) {
    switch (kind) {
        case icon_kind::blank:
            return clear_color;
        case icon_kind::look_pad:
            if (inside_ring(x, y, 0, 0, look_pad_radius, 2.6)) {
                return make_color(150, 206, 240);
            }
            // An eye, with chevrons above and below: drag up or down to look.
            if (inside_polyline(x, y, {{-8, 21}, {0, 29}, {8, 21}}, 3.2, false) ||
                inside_polyline(x, y, {{-8, -21}, {0, -29}, {8, -21}}, 3.2, false)) {
                return ink;
            }
            if (inside_circle(x, y, 0, 0, 6.5)) {
                return inside_circle(x, y, 0, 0, 3.0) ? make_color(14, 24, 36) : make_color(70, 150, 216);
            }
            if (inside_circle(x, y, 0, -10.06, 18.06) && inside_circle(x, y, 0, 10.06, 18.06)) {
                return ink;
            }
            return clear_color;
        case icon_kind::arrow_forward:
            return inside_dart(y, x, 9.67) ? ink : clear_color;
        case icon_kind::arrow_backward:
            return inside_dart(-y, x, 9.67) ? ink : clear_color;
        case icon_kind::arrow_left:
            return inside_dart(-x, y, 9.67) ? ink : clear_color;
        case icon_kind::arrow_right:
            return inside_dart(x, y, 9.67) ? ink : clear_color;
        case icon_kind::extrude:
            return paint_extrusion(x, y, true);
        case icon_kind::depress:
            return paint_extrusion(x, y, false);
        case icon_kind::select_faces:
            return paint_select_faces(x, y);
        case icon_kind::handle_bigger:
            return paint_handle_size(x, y, true);
        case icon_kind::handle_smaller:
            return paint_handle_size(x, y, false);
        case icon_kind::edit_line:
        case icon_kind::edit_vertex:
        case icon_kind::edit_face:
            return paint_mesh_patch(kind, x, y);
        case icon_kind::material: {
            // Red, green and blue lights adding up to white.
            const double r = inside_circle(x, y, 0, 5.5, 9) ? 1.0 : 0.0;
            const double g = inside_circle(x, y, -5, -3.5, 9) ? 1.0 : 0.0;
            const double b = inside_circle(x, y, 5, -3.5, 9) ? 1.0 : 0.0;
            if (r + g + b == 0.0) {
                return clear_color;
            }
            return {0.12 + 0.86 * r, 0.12 + 0.80 * g, 0.16 + 0.82 * b, 1.0};
        }
        case icon_kind::save_layer:
            return paint_floppy(x, y, false);
        case icon_kind::place_solid:
            if (inside_circle(x, y, 7.5, -5, 7.5)) {
                return shade_ball(x, y, 7.5, -5, 7.5, red_dark, red_light);
            }
            if (inside_triangle(x, y, {-15, -10}, {-1, -10}, {-8, 12}) ||
                inside_box(x, y, -8, -10.5, 7, 2, 2)) {
                return mix_with(red_light, red_dark, (x + 15.0) / 14.0);
            }
            return clear_color;
        case icon_kind::transform:
            if (inside_stroke(x, y, {0, -10}, {0, 10}, 3.2) || inside_stroke(x, y, {-10, 0}, {10, 0}, 3.2)) {
                return ink;
            }
            for (const point2 d : {point2{1, 0}, point2{-1, 0}, point2{0, 1}, point2{0, -1}}) {
                const point2 tip = {d.x * 16, d.y * 16};
                const point2 a = {d.x * 9 - d.y * 6, d.y * 9 + d.x * 6};
                const point2 b = {d.x * 9 + d.y * 6, d.y * 9 - d.x * 6};
                if (inside_triangle(x, y, tip, a, b)) {
                    return ink;
                }
            }
            return clear_color;
        case icon_kind::open_folder:
            return paint_folder(x, y, false);
        case icon_kind::place_billboard:
            if (inside_triangle(x, y, {-6.5, 0}, {6.5, 0}, {0, 11})) {
                return make_color(54, 140, 76);
            }
            if (inside_box(x, y, 0, 5, 12, 9, 2)) {
                return paper;
            }
            return inside_box(x, y, 0, -9, 1.8, 6, 0.5) ? make_color(176, 130, 84) : clear_color;
        case icon_kind::seek_item:
            return paint_reticle(x, y, false);
        case icon_kind::replicate:
            if (inside_box(x, y, -5, -5, 9, 9, 2)) {
                return inside_box(x, y, -5, -5, 7.4, 7.4, 1) ? face_blue : ink;
            }
            if (inside_box(x, y, 1, 1, 9, 9, 2) && !inside_box(x, y, 1, 1, 7.4, 7.4, 1)) {
                return ink;
            }
            if (inside_box(x, y, 7, 7, 9, 9, 2) && !inside_box(x, y, 7, 7, 7.4, 7.4, 1)) {
                return dim_ink;
            }
            return clear_color;
        case icon_kind::fog:
            if (inside_stroke(x, y, {-13, -8}, {9, -8}, 2.8) ||
                inside_stroke(x, y, {-8, -13}, {13, -13}, 2.8)) {
                return fog_grey;
            }
            if (inside_circle(x, y, -7, 2, 6.5) || inside_circle(x, y, 1.5, 6, 8.5) ||
                inside_circle(x, y, 9, 1.5, 6) || inside_box(x, y, 0.5, -0.5, 13.5, 4, 4)) {
                return cloud_white;
            }
            return clear_color;
        case icon_kind::open_dem:
            return paint_folder(x, y, true);
        case icon_kind::save_dem:
            return paint_floppy(x, y, true);
        case icon_kind::raise_eye:
            if (inside_arrow(x, y, 0, -7, 14, 5, 9, 9.5)) {
                return ink;
            }
            return inside_box(x, y, 0, -12.5, 13, 1.8, 0.8) ? sky_pale : clear_color;
        case icon_kind::lower_eye:
            if (inside_arrow(x, y, 0, 14, -7, 5, 9, 9.5)) {
                return ink;
            }
            return inside_box(x, y, 0, -12.5, 13, 1.8, 0.8) ? sky_pale : clear_color;
        case icon_kind::drape:
            if (!inside_box(x, y, 0, 0, 15, 12, 1.5)) {
                return clear_color;
            }
            if (!inside_box(x, y, 0, 0, 12.5, 9.5, 0.5)) {
                return paper;
            }
            if (inside_polygon(x, y, {{-13, -10}, {-4, 5}, {1, -1}, {6, 6}, {13, -3}, {13, -10}})) {
                return y > 3.0 ? snow : (y > -3.0 ? rock : grass);
            }
            return mix_with(sky_blue, sky_pale, (5.0 - y) / 14.0);
        case icon_kind::record:
            if (inside_ring(x, y, 0, 0, 14, 2.6)) {
                return ink;
            }
            return inside_circle(x, y, 0, 0, 9.5) ? record_red : clear_color;
        case icon_kind::play:
            if (inside_ring(x, y, 0, 0, 14, 2.6)) {
                return ink;
            }
            return inside_triangle(x, y, {-5, -8}, {-5, 8}, {9, 0}) ? play_green : clear_color;
        case icon_kind::map:
            if (inside_polyline(x, y, {{-11, -6}, {-5, 4}, {3, -3}, {11, 6}}, 2.2, false)) {
                return record_red;
            }
            if (inside_polygon(x, y, {{-15, -10}, {-5, -13}, {-5, 10}, {-15, 13}}) ||
                inside_polygon(x, y, {{5, -10}, {15, -13}, {15, 10}, {5, 13}})) {
                return map_paper;
            }
            return inside_polygon(x, y, {{-5, -13}, {5, -10}, {5, 13}, {-5, 10}}) ? map_fold : clear_color;
        case icon_kind::sun:
            if (inside_circle(x, y, 0, 0, 7)) {
                return gold;
            }
            for (int k = 0; k < 8; ++k) {
                const double angle = k * 3.14159265358979323846 / 4.0;
                const point2 d = {std::cos(angle), std::sin(angle)};
                if (inside_stroke(x, y, {d.x * 10.5, d.y * 10.5}, {d.x * 15, d.y * 15}, 2.8)) {
                    return gold;
                }
            }
            return clear_color;
        case icon_kind::sky:
            if (inside_box(x, y, 0, -10, 15, 2.5, 1)) {
                return grass;
            }
            if (y >= -7.5 && inside_circle(x, y, 0, -7.5, 15)) {
                if (inside_circle(x, y, -3, 0, 3.8) || inside_circle(x, y, 1.5, 2, 4.5) ||
                    inside_circle(x, y, 5.5, -0.5, 3.2) || inside_box(x, y, 1, -2, 7.5, 2, 1.5)) {
                    return snow;
                }
                return mix_with(sky_pale, sky_blue, (y + 7.5) / 15.0);
            }
            return clear_color;
        case icon_kind::seek_face:
            return paint_reticle(x, y, true);
        case icon_kind::exaggerate_more:
            return paint_exaggeration(x, y, true);
        case icon_kind::exaggerate_less:
            return paint_exaggeration(x, y, false);
        case icon_kind::textured:
        case icon_kind::shaded:
        case icon_kind::wire_frame:
        case icon_kind::point_cloud:
            return paint_mountain_modes(kind, x, y);
    }
    return clear_color;
}

// What an element's icon shows; handles are drawn from side_0, not here.
icon_kind find_icon(TrayOperation operation) {
    switch (operation) {
        case OP_NONE: return icon_kind::blank;
        case OP_DRAG_LOOK: return icon_kind::look_pad;
        case OP_MOVE_FORWARD: return icon_kind::arrow_forward;
        case OP_MOVE_BACKWARD: return icon_kind::arrow_backward;
        case OP_LOOK_LEFT: return icon_kind::arrow_left;
        case OP_LOOK_RIGHT: return icon_kind::arrow_right;
        case OP_UNFOLD_TRAY:
        case OP_FOLD_TRAY: return icon_kind::blank;
        case OP_EXTRUDE_FACE: return icon_kind::extrude;
        case OP_DEPRESS_FACE: return icon_kind::depress;
        case OP_EXTRUDE_FACES: return icon_kind::select_faces;
        case OP_ENLARGE_MARKERS: return icon_kind::handle_bigger;
        case OP_SHRINK_MARKERS: return icon_kind::handle_smaller;
        case OP_EDIT_LINES: return icon_kind::edit_line;
        case OP_EDIT_VERTICES: return icon_kind::edit_vertex;
        case OP_EDIT_FACES: return icon_kind::edit_face;
        case OP_EDIT_MATERIAL: return icon_kind::material;
        case OP_SAVE_GEOMETRY: return icon_kind::save_layer;
        case OP_PLACE_SOLID: return icon_kind::place_solid;
        case OP_TRANSFORM_GEOMETRY: return icon_kind::transform;
        case OP_LIST_GEOMETRY: return icon_kind::open_folder;
        case OP_PLACE_BILLBOARD: return icon_kind::place_billboard;
        case OP_SEEK_ITEM: return icon_kind::seek_item;
        case OP_REPLICATE: return icon_kind::replicate;
        case OP_TOGGLE_FOG: return icon_kind::fog;
        case OP_LIST_DEMS: return icon_kind::open_dem;
        case OP_SAVE_DEM: return icon_kind::save_dem;
        case OP_RAISE_EYE: return icon_kind::raise_eye;
        case OP_LOWER_EYE: return icon_kind::lower_eye;
        case OP_LIST_DRAPES: return icon_kind::drape;
        case OP_RECORD_FLYTHROUGH: return icon_kind::record;
        case OP_LIST_FLYTHROUGHS: return icon_kind::play;
        case OP_LIST_MAPS: return icon_kind::map;
        case OP_EDIT_LIGHT: return icon_kind::sun;
        case OP_TOGGLE_SKY: return icon_kind::sky;
        case OP_SEEK_FACE: return icon_kind::seek_face;
        case OP_RAISE_EXAGGERATION: return icon_kind::exaggerate_more;
        case OP_LOWER_EXAGGERATION: return icon_kind::exaggerate_less;
        case OP_SHOW_TEXTURED: return icon_kind::textured;
        case OP_SHOW_SHADED: return icon_kind::shaded;
        case OP_SHOW_WIRE_FRAME: return icon_kind::wire_frame;
        case OP_SHOW_POINTS: return icon_kind::point_cloud;
    }
    return icon_kind::blank;
}

// Where an icon's opaque area balances, so it can be centred on its hot spot.
point2 find_icon_centroid(icon_kind kind) {
    const double step = 0.5;
    double sx = 0.0;
    double sy = 0.0;
    double count = 0.0;
    for (double y = -icon_reach; y <= icon_reach; y += step) {
        for (double x = -icon_reach; x <= icon_reach; x += step) {
            if (paint_icon(kind, x + 0.25, y + 0.25).a > 0.0) {
                sx += x + 0.25;
                sy += y + 0.25;
                count += 1.0;
            }
        }
    }
    return count > 0.0 ? point2{sx / count, sy / count} : point2{0.0, 0.0};
}

// The window pixel (continuous, y up) where texture coordinates (s, t) of a
// panel quad moved by (offset_x, offset_y) show at 1024 x 768.
point2 locate_on_window(double s, double t, double offset_x, double offset_y) {
    const double x = 0.05 - 0.1 * s + offset_x;
    const double y = -0.05 + 0.1 * t + offset_y;
    return {window_center_x + pixels_per_unit * turn * (x + y),
            window_center_y + pixels_per_unit * turn * (y - x)};
}

struct placed_icon {
    point2 center;  // window pixel where the icon's centroid goes
    point2 centroid;
    icon_kind icon;
};

rgba paint_plate(const rgba& accent, bool disk, double s, double t, const point2& at,
                 const std::vector<placed_icon>& icons) {
    // Position on the plate in pixels from its centre (before the turn).
    const double lx = (0.5 - s) * 2.0 * panel_half;
    const double ly = (t - 0.5) * 2.0 * panel_half;
    const double edge =
        measure_box_distance(lx, ly, panel_half - plate_margin, panel_half - plate_margin, plate_corner);
    if (edge > 0.0) {
        return clear_color;
    }
    // A faint sheen, lighter towards the top of the window.
    const double sheen = clamp_to(0.5 + (at.y - window_center_y) / 400.0, 0.0, 1.0);
    rgba c = mix_rgba(plate_color, make_color(30, 44, 62, 0.56), sheen * 0.6);
    if (edge > -rim_width) {
        c = blend_over({accent.r, accent.g, accent.b, 0.8}, c);
    }
    if (disk && inside_circle(at.x, at.y, icons[0].center.x, icons[0].center.y, look_pad_radius)) {
        c = blend_over(pad_color, c);
    }
    if (!disk) {
        for (const placed_icon& icon : icons) {
            const double dx = at.x - icon.center.x;
            const double dy = at.y - icon.center.y;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d <= chip_radius) {
                c = blend_over(chip_color, c);
                if (d > chip_radius - chip_rim_width) {
                    c = blend_over({accent.r, accent.g, accent.b, 0.55}, c);
                }
            }
        }
    }
    c.a = std::fmin(c.a, background_alpha_limit);
    for (const placed_icon& icon : icons) {
        const double dx = at.x - icon.center.x;
        const double dy = at.y - icon.center.y;
        const double reach = icon.icon == icon_kind::look_pad ? look_pad_radius + 4.0 : icon_reach;
        if (std::fabs(dx) <= reach && std::fabs(dy) <= reach) {
            const rgba top = paint_icon(icon.icon, dx + icon.centroid.x, dy + icon.centroid.y);
            if (top.a > 0.0) {
                return blend_over(top, c);
            }
        }
    }
    return c;
}

}  // namespace

std::vector<uint8_t> paint_overlay_picture(int number) {
    if (number < 0 || number >= overlay_picture_count) {
        return {};
    }
    const TrayPicture layout = find_tray_picture(number);
    std::vector<placed_icon> icons;
    for (int i = 0; i < layout.count; ++i) {
        // A hot spot names a pixel; its centre is half a pixel further on.
        const TrayElement& e = *layout.elements[i];
        const icon_kind icon = find_icon(e.operation);
        icons.push_back({{e.x + 0.5, e.y + 0.5}, find_icon_centroid(icon), icon});
    }
    const bool disk = layout.tray == TRAY_NONE;
    return paint_rgba_picture(
        overlay_picture_size, overlay_picture_size, samples_per_texel, [&](double s, double t) {
            const point2 at = locate_on_window(s, t, layout.offset_x, layout.offset_y);
            return paint_plate(accents[number], disk, s, t, at, icons);
        });
}

std::vector<uint8_t> paint_handle_picture() {
    // A round tab; the disk or panel hides its inner half, so the user sees
    // a half disc with a half ring as its grip.
    const rgba rim = make_color(184, 226, 250, 0.95);
    return paint_rgba_picture(handle_picture_size, handle_picture_size, samples_per_texel,
                              [&](double s, double t) {
                                  const double x = (s - 0.5) * handle_picture_size;
                                  const double y = (t - 0.5) * handle_picture_size;
                                  if (!inside_circle(x, y, 0, 0, 14.5)) {
                                      return clear_color;
                                  }
                                  if (!inside_circle(x, y, 0, 0, 12.8)) {
                                      return rim;
                                  }
                                  if (inside_ring(x, y, 0, 0, 7.5, 1.6)) {
                                      return make_color(184, 226, 250, 0.75);
                                  }
                                  return make_color(52, 88, 124, 0.86);
                              });
}

bool write_overlay_pictures(const std::string& folder, std::string& error) {
    for (int i = 0; i < overlay_picture_count; ++i) {
        if (!write_raw_image(folder + "/navi_" + std::to_string(i) + ".raw", paint_overlay_picture(i),
                             error)) {
            return false;
        }
    }
    return write_raw_image(folder + "/side_0.raw", paint_handle_picture(), error);
}
