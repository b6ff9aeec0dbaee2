// Levels of detail: simplifying a tile's faces, measuring each level's error
// against the real vertices, and choosing a level per frame.
//
// The simplifier collapses edges and never moves a vertex, so every corner
// of a coarse level is a corner of a real face: the levels keep the real
// normals and texture coordinates, follow the real positions through
// exaggeration and need no vertex data of their own.
#include "terrain/terrain_levels.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <utility>

#include "files/parallel.h"
#include "state/session_state.h"
#include "state/world_state.h"
#include "terrain/terrain_tiles.h"

// Each level aims at this share of the faces of the one before: the levels
// together hold a third of the tile's faces, and a frame's choice between
// neighbouring levels is within a factor of two in error.
constexpr double BASE_SHARE = 0.25;  // of the faces, in the base
constexpr double LEVEL_SHRINK = 0.25;
// The first level drawn thins the base's border, keeping about this share
// of the base's faces (a locked border is much of a small base).
constexpr double FIRST_LEVEL_SHARE = 0.75;
// A level that keeps more than this share of the faces of the one before is
// not worth its list (the locked border is most of what remains).
constexpr double LEVEL_MIN_GAIN = 0.8;
// A level whose error grows by more than this over the one before has lost
// the shape of the ground (the locked border left as a fan, measured: about
// a hundred times the error for a third fewer faces): it is not kept, and
// the tile's group draws that distance instead.
constexpr double LEVEL_MAX_ERROR_GROWTH = 16.0;
// A level is drawn raised by this share of the height by which real crests
// stand above it, counted in its error: distant outlines then sink less
// against the sky (measured on an 8 million-face path: half the sky pixels
// where exact drawing shows ground, for 4 % more faces).
constexpr double LEVEL_LIFT = 0.15;
constexpr double TRIANGLES_PER_CELL = 1.0;  // of the cells the error search sorts a level into (measured: fewest instructions)
constexpr int MAX_CELLS_ACROSS = 4096;       // cells a side at most, however thin and long a level is

namespace {

struct Vec {
    double x, y, z;
};

inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec vertex_at(const std::vector<float>& position, unsigned v) {
    return {position[3 * v], position[3 * v + 1], position[3 * v + 2]};
}

// The point of triangle abc nearest to p (Ericson, Real-Time Collision
// Detection, 5.1.5): by the region of the triangle's plane p falls in.
Vec closest_on_triangle(Vec p, Vec a, Vec b, Vec c) {
    Vec ab = b - a, ac = c - a, ap = p - a;
    double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return a;
    Vec bp = p - b;
    double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return b;
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + (d1 / (d1 - d3)) * ab;
    Vec cp = p - c;
    double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return c;
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + (d2 / (d2 - d6)) * ac;
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return b + ((d4 - d3) / ((d4 - d3) + (d5 - d6))) * (c - b);
    double denom = va + vb + vc;
    if (!(denom > 0)) return a;  // a degenerate triangle: its corner is a point of it
    double v = vb / denom, w = vc / denom;
    return a + v * ab + w * ac;
}

// A level's triangles sorted into square cells of the ground (x, z) that
// their ground shapes meet, so that the nearest one to a point is found among few.
// A triangle as the search reads it, whole in one cache line: a cell's
// triangles lie one after another, so that the search walks memory in order.
struct CellTriangle {
    float corner[9];  // x, y, z of its three corners, world units
    float box[6];     // x, y, z lowest, then highest
    int triangle;     // its number in the level, 0..
};

struct TriangleCells {
    double min_x, min_z, cell;         // corner of cell (0, 0) and the side of a cell; cell > 0
    int columns, rows;                 // >= 1
    std::vector<int> start;            // columns x rows + 1 offsets into items
    std::vector<CellTriangle> items;   // the triangles, cell by cell (one in several cells several times)
    std::vector<CellTriangle> packed;  // per triangle, before sorting into cells
    std::vector<std::pair<int, int>> entries;  // cell, triangle: the sort's own
    std::vector<int> fill;                     // per cell: the next place in items, the sort's own
    std::vector<float> heights;                // per cell: lowest and highest y of its triangles; INFINITY, -INFINITY for none
};

// A triangle's ground shape as the test against cells reads it: the
// normals of its three edges across the ground and its span along each,
// worked out once however many cells it is tested against.
struct GroundAxes {
    double nx[3], nz[3];  // an edge's normal across the ground (not of unit length); 0, 0 for an edge of no length
    double lo[3], hi[3];  // the triangle's span along that normal
};

void make_ground_axes(const double x[3], const double z[3], GroundAxes* axes) {
    for (int k = 0; k < 3; ++k) {
        double nx = z[(k + 1) % 3] - z[k], nz = x[k] - x[(k + 1) % 3];
        axes->nx[k] = nx;
        axes->nz[k] = nz;
        axes->lo[k] = INFINITY;
        axes->hi[k] = -INFINITY;
        for (int j = 0; j < 3; ++j) {
            double t = nx * x[j] + nz * z[j];
            axes->lo[k] = std::min(axes->lo[k], t);
            axes->hi[k] = std::max(axes->hi[k], t);
        }
    }
}

// Whether the triangle meets the square [x0, x0 + side] x [z0, z0 + side]
// on the ground: no separating axis among the square's two (the cells
// tested lie within the triangle's box) and the triangle's three edge normals.
bool triangle_meets_square(const GroundAxes& axes, double x0, double z0, double side) {
    double cx = x0 + 0.5 * side, cz = z0 + 0.5 * side;
    for (int k = 0; k < 3; ++k) {
        double nx = axes.nx[k], nz = axes.nz[k];
        if (nx == 0 && nz == 0) continue;
        // The square's span: its centre's place, give or take half its width along the normal.
        double centre = nx * cx + nz * cz, half = 0.5 * side * (std::fabs(nx) + std::fabs(nz));
        // A margin for rounding: a triangle touching the square counts.
        double slack = 1e-9 * (std::fabs(axes.lo[k]) + std::fabs(axes.hi[k]) + std::fabs(nx * cx) + std::fabs(nz * cz) + half);
        if (axes.hi[k] < centre - half - slack || centre + half < axes.lo[k] - slack) return false;
    }
    return true;
}

// The cell `place` (in cells from the first, any double) falls in, 0..last;
// clamped before the cast, since a sliver of a tile a huge distance long
// puts places far beyond what an int holds.
int cell_of(double place, int last) {
    if (!(place >= 1.0)) return 0;  // NaN too
    return place >= (double)last ? last : (int)place;
}

void sort_into_cells(const std::vector<float>& position, const std::vector<unsigned>& triangles, TriangleCells* cells) {
    int count = (int)(triangles.size() / 3);
    double lo_x = INFINITY, hi_x = -INFINITY, lo_z = INFINITY, hi_z = -INFINITY;
    for (unsigned v : triangles) {
        lo_x = std::min(lo_x, (double)position[3 * v]);
        hi_x = std::max(hi_x, (double)position[3 * v]);
        lo_z = std::min(lo_z, (double)position[3 * v + 2]);
        hi_z = std::max(hi_z, (double)position[3 * v + 2]);
    }
    double width = hi_x - lo_x, depth = hi_z - lo_z, wanted = std::max(1.0, count / TRIANGLES_PER_CELL);
    double side = width > 0 && depth > 0 ? std::sqrt(width * depth / wanted) : std::max(width, depth) / wanted;
    // A sliver (long and hair-thin) would get cells by the million from its
    // area alone: no more along its length than a few per triangle.
    side = std::max(side, std::max(width, depth) / (4.0 * wanted + 16.0));
    if (!(side > 0) || !std::isfinite(side)) side = 1.0;
    cells->min_x = lo_x;
    cells->min_z = lo_z;
    cells->cell = side;
    cells->columns = cell_of(width / side, MAX_CELLS_ACROSS - 1) + 1;
    cells->rows = cell_of(depth / side, MAX_CELLS_ACROSS - 1) + 1;
    auto column_of = [&](double x) { return cell_of((x - lo_x) / side, cells->columns - 1); };
    auto row_of = [&](double z) { return cell_of((z - lo_z) / side, cells->rows - 1); };
    // Each triangle goes into the cells its ground shape meets, so that a
    // cell lists few besides those covering it; then a counting sort by cell.
    std::vector<std::pair<int, int>>& entries = cells->entries;  // kept from level to level: fewer allocations
    entries.clear();
    entries.reserve((size_t)count * 4);
    for (int t = 0; t < count; ++t) {
        double x[3], z[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = position[3 * triangles[3 * t + k]];
            z[k] = position[3 * triangles[3 * t + k] + 2];
        }
        int c0 = column_of(std::min({x[0], x[1], x[2]})), c1 = column_of(std::max({x[0], x[1], x[2]}));
        int r0 = row_of(std::min({z[0], z[1], z[2]})), r1 = row_of(std::max({z[0], z[1], z[2]}));
        // Small triangles go into every cell of their rectangle: the box test
        // of the search rejects them as cheaply as the shape test would here.
        bool one_cell = (c1 - c0 + 1) * (r1 - r0 + 1) <= 4;
        GroundAxes axes = {};
        if (!one_cell) make_ground_axes(x, z, &axes);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                // Cells at the grid's edges reach on beyond it.
                double x0 = c == 0 ? -INFINITY : lo_x + c * side, z0 = r == 0 ? -INFINITY : lo_z + r * side;
                double x1 = c == cells->columns - 1 ? INFINITY : lo_x + (c + 1) * side;
                double z1 = r == cells->rows - 1 ? INFINITY : lo_z + (r + 1) * side;
                bool bounded = std::isfinite(x0) && std::isfinite(z0) && std::isfinite(x1) && std::isfinite(z1);
                if (one_cell || !bounded || triangle_meets_square(axes, x0, z0, side))
                    entries.push_back({r * cells->columns + c, t});
            }
    }
    cells->packed.resize((size_t)count);
    for (int t = 0; t < count; ++t) {
        CellTriangle& packed = cells->packed[(size_t)t];
        float* box = packed.box;
        for (int k = 0; k < 3; ++k) {
            box[k] = INFINITY;
            box[k + 3] = -INFINITY;
        }
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) {
                float v = position[3 * triangles[3 * t + j] + k];
                packed.corner[3 * j + k] = v;
                box[k] = std::min(box[k], v);
                box[k + 3] = std::max(box[k + 3], v);
            }
        packed.triangle = t;
    }
    cells->start.assign((size_t)cells->columns * cells->rows + 1, 0);
    for (const auto& e : entries) ++cells->start[e.first + 1];
    for (size_t i = 1; i < cells->start.size(); ++i) cells->start[i] += cells->start[i - 1];
    cells->items.resize(entries.size());
    cells->fill.assign(cells->start.begin(), cells->start.end() - 1);
    for (const auto& e : entries) cells->items[cells->fill[e.first]++] = cells->packed[(size_t)e.second];
    // A cell whose triangles all lie far above or below a point is passed over whole.
    size_t cell_count = (size_t)cells->columns * cells->rows;
    cells->heights.resize(2 * cell_count);
    for (size_t cell = 0; cell < cell_count; ++cell) {
        float lo = INFINITY, hi = -INFINITY;
        for (int i = cells->start[cell]; i < cells->start[cell + 1]; ++i) {
            lo = std::min(lo, cells->items[i].box[1]);
            hi = std::max(hi, cells->items[i].box[4]);
        }
        cells->heights[2 * cell] = lo;
        cells->heights[2 * cell + 1] = hi;
    }
}

// The offset of p from the nearest point of the level's triangles: cells
// are searched outwards from p's own, skipping those farther across the
// ground than the best distance so far (a triangle nearer than that covers
// a cell within that distance).
Vec nearest_offset(Vec p, const TriangleCells& cells, std::vector<int>& seen, int stamp, int* nearest) {
    double best = INFINITY, best_squared = INFINITY;
    Vec offset = {INFINITY, INFINITY, INFINITY};
    *nearest = -1;
    int pc = cell_of((p.x - cells.min_x) / cells.cell, cells.columns - 1);
    int pr = cell_of((p.z - cells.min_z) / cells.cell, cells.rows - 1);
    int reach = std::max(cells.columns, cells.rows);
    for (int ring = 0; ring <= reach; ++ring) {
        if (ring > 1 && (ring - 1) * cells.cell >= best) break;
        for (int r = pr - ring; r <= pr + ring; ++r) {
            if (r < 0 || r >= cells.rows) continue;
            // The ring's first and last rows whole, of the rows between only their two ends.
            const int step = r == pr - ring || r == pr + ring ? 1 : 2 * ring;
            for (int c = pc - ring; c <= pc + ring; c += step) {
                if (c < 0 || c >= cells.columns) continue;
                // Distance across the ground from p to this cell's square.
                double x0 = cells.min_x + c * cells.cell, z0 = cells.min_z + r * cells.cell;
                double dx = std::max({x0 - p.x, 0.0, p.x - (x0 + cells.cell)});
                double dz = std::max({z0 - p.z, 0.0, p.z - (z0 + cells.cell)});
                if (ring > 0 && dx * dx + dz * dz >= best_squared) continue;
                int cell = r * cells.columns + c;
                // Nor a cell whose triangles are all farther off in height.
                double dy = std::max({(double)cells.heights[2 * cell] - p.y, 0.0, p.y - (double)cells.heights[2 * cell + 1]});
                if (dx * dx + dy * dy + dz * dz >= best_squared) continue;
                const CellTriangle* end = cells.items.data() + cells.start[cell + 1];
                for (const CellTriangle* item = cells.items.data() + cells.start[cell]; item < end; ++item) {
                    int t = item->triangle;
                    if (seen[t] == stamp) continue;
                    seen[t] = stamp;
                    // A triangle whose box is no nearer than the best cannot be.
                    const float* box = item->box;
                    double bx = std::max({box[0] - p.x, 0.0, p.x - box[3]});
                    double by = std::max({box[1] - p.y, 0.0, p.y - box[4]});
                    double bz = std::max({box[2] - p.z, 0.0, p.z - box[5]});
                    if (bx * bx + by * by + bz * bz >= best_squared) continue;
                    const float* c = item->corner;
                    Vec q = closest_on_triangle(p, {c[0], c[1], c[2]}, {c[3], c[4], c[5]}, {c[6], c[7], c[8]});
                    Vec d = p - q;
                    double squared = dot(d, d);
                    if (squared < best_squared) {
                        best_squared = squared;
                        best = std::sqrt(squared);
                        offset = d;
                        *nearest = t;
                    }
                }
            }
        }
    }
    return offset;
}

// The weights of the corners of triangle abc at its point q (barycentric;
// a degenerate triangle gives all to a).
void corner_weights(Vec q, Vec a, Vec b, Vec c, double w[3]) {
    Vec ab = b - a, ac = c - a, aq = q - a;
    double d00 = dot(ab, ab), d01 = dot(ab, ac), d11 = dot(ac, ac), d20 = dot(aq, ab), d21 = dot(aq, ac);
    double denom = d00 * d11 - d01 * d01;
    if (!(denom > 0)) {
        w[0] = 1.0, w[1] = w[2] = 0.0;
        return;
    }
    w[1] = std::clamp((d11 * d20 - d01 * d21) / denom, 0.0, 1.0);
    w[2] = std::clamp((d00 * d21 - d01 * d20) / denom, 0.0, 1.0 - w[1]);
    w[0] = 1.0 - w[1] - w[2];
}

// The level's error against every copied vertex (those it keeps are on it).
// With `sums` (and the copy's normals), also each local vertex's normal
// sum: every copied vertex's normal goes to the corners of the level's
// triangle nearest it, in the shares of its place there, except that a
// corner on the copy's border (`on_border`) takes only border vertices'.
// What measuring a level needs besides its results, kept from one level to
// the next so that the later levels allocate nothing.
struct MeasureScratch {
    std::vector<unsigned char> kept;  // per local vertex: 1 when the level keeps it
    TriangleCells cells;              // the level's triangles by place
    std::vector<int> seen;            // per triangle: the vertex whose search saw it last
};

void measure_level(const TileMeshCopy& copy, const std::vector<unsigned>& triangles, float height_scale,
                   double lift_share, TerrainLevel* level, MeasureScratch* scratch,
                   const std::vector<unsigned char>* on_border = nullptr, std::vector<float>* sums = nullptr) {
    size_t vertices = copy.corner.size();
    std::vector<unsigned char>& kept = scratch->kept;
    kept.assign(vertices, 0);
    for (unsigned v : triangles) kept[v] = 1;
    TriangleCells& cells = scratch->cells;
    sort_into_cells(copy.position, triangles, &cells);
    std::vector<int>& seen = scratch->seen;
    seen.assign(triangles.size() / 3, -1);
    double across = 0.0, above = 0.0, below = 0.0;
    const bool share = sums && on_border && copy.normal.size() == 3 * vertices;
    if (share) sums->assign(3 * vertices, 0.0f);
    for (size_t v = 0; v < vertices; ++v) {
        if (kept[v]) {
            if (share)
                for (int k = 0; k < 3; ++k) (*sums)[3 * v + k] += copy.normal[3 * v + k];
            continue;
        }
        Vec p = vertex_at(copy.position, (unsigned)v);
        int t;
        Vec d = nearest_offset(p, cells, seen, (int)v, &t);
        across = std::max(across, std::sqrt(d.x * d.x + d.z * d.z));
        above = std::max(above, d.y);
        below = std::max(below, -d.y);
        if (!share || t < 0) continue;
        const unsigned* c = &triangles[3 * (size_t)t];
        double w[3];
        corner_weights(p - d, vertex_at(copy.position, c[0]), vertex_at(copy.position, c[1]),
                       vertex_at(copy.position, c[2]), w);
        for (int j = 0; j < 3; ++j) {
            if ((*on_border)[c[j]] && !(*on_border)[v]) continue;
            for (int k = 0; k < 3; ++k) (*sums)[3 * c[j] + k] += (float)(w[j] * copy.normal[3 * v + k]);
        }
    }
    // Raised by `lift`, the surface passes lift nearer the vertices above
    // it and lift farther from those below.
    double lift = lift_share * above;
    double up = std::max(above - lift, below + lift);
    // Rounded up, so that the float is still a bound.
    level->error_across = std::nextafter((float)across, INFINITY);
    level->error_up = std::nextafter((float)(up / height_scale), INFINITY);
    level->lift_up = (float)(lift / height_scale);
}

struct CornerKey {
    int vertex, texcoord, normal;
    bool operator==(const CornerKey& o) const { return vertex == o.vertex && texcoord == o.texcoord && normal == o.normal; }
};

struct CornerKeyHash {
    size_t operator()(const CornerKey& k) const {
        return ((size_t)(unsigned)k.vertex * 0x9E3779B97F4A7C15ull) ^ ((size_t)(unsigned)k.texcoord * 0xC2B2AE3D27D4EB4Full) ^
               (size_t)(unsigned)k.normal;
    }
};


// Skirts hang this many times the largest height by which a level's border
// leaves the real one: a neighbour's border may leave it the other way.
constexpr double SKIRT_DEPTH = 2.0;
// Border edges whose ground directions differ by less than this (as the sine
// of the angle) run straight on.
constexpr double STRAIGHT_SINE = 1e-6;

// The copy's border as the simplifier sees it: vertices welded by position,
// the edges only one triangle uses, and which border vertices every level keeps.
struct CopyBorder {
    std::vector<unsigned> same;                 // per local vertex: the first local vertex at its position
    std::vector<int> place;                     // per local vertex: its place on the border; -1 off it
    std::vector<unsigned> vertex;               // per place: the welded vertex
    std::vector<std::vector<unsigned>> linked;  // per place: welded vertices it shares a border edge with
    std::vector<unsigned char> kept;            // per place: a turn, a vertex on the terrain's edge, or a knot
};

struct PositionKey {
    float x, y, z;
    bool operator==(const PositionKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct PositionKeyHash {
    size_t operator()(const PositionKey& k) const {
        unsigned bits[3];
        std::memcpy(bits, &k, sizeof bits);
        return ((size_t)bits[0] * 0x9E3779B97F4A7C15ull) ^ ((size_t)bits[1] * 0xC2B2AE3D27D4EB4Full) ^ bits[2];
    }
};

// The welded edges used by exactly one triangle of `triangles`, as (low << 32 | high),
// ascending. The edges are sorted by their lower end with a count per
// vertex, then each vertex's few by their higher end: faster than sorting
// them all, for every level of every tile.
std::vector<unsigned long long> single_edges(const std::vector<unsigned>& same, const std::vector<unsigned>& triangles) {
    std::vector<unsigned> start(same.size() + 1, 0);  // per welded vertex: its first edge in `higher`
    for (size_t t = 0; t + 2 < triangles.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            unsigned a = same[triangles[t + k]], b = same[triangles[t + (k + 1) % 3]];
            if (a != b) ++start[std::min(a, b) + 1];
        }
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<unsigned> higher(start.back()), fill(start.begin(), start.end() - 1);
    for (size_t t = 0; t + 2 < triangles.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            unsigned a = same[triangles[t + k]], b = same[triangles[t + (k + 1) % 3]];
            if (a != b) higher[fill[std::min(a, b)]++] = std::max(a, b);
        }
    std::vector<unsigned long long> once;
    for (size_t low = 0; low + 1 < start.size(); ++low) {
        auto first = higher.begin() + start[low], end = higher.begin() + start[low + 1];
        std::sort(first, end);
        for (auto i = first; i != end;) {
            auto j = i;
            while (j != end && *j == *i) ++j;
            if (j - i == 1) once.push_back((unsigned long long)low << 32 | *i);
            i = j;
        }
    }
    return once;
}

bool on_ground_edge(const TileMeshCopy& copy, unsigned v) {
    float x = copy.position[3 * v], z = copy.position[3 * v + 2];
    return x == copy.ground_min[0] || x == copy.ground_max[0] || z == copy.ground_min[1] || z == copy.ground_max[1];
}

void find_border(const TileMeshCopy& copy, CopyBorder* border) {
    size_t vertices = copy.corner.size();
    border->same.resize(vertices);
    // Welded through a table open to probing: no allocation a vertex.
    size_t slots = 64;
    while (slots < 2 * vertices) slots *= 2;
    std::vector<unsigned> first(slots, UINT_MAX);  // per slot: the first local vertex at a position; UINT_MAX empty
    for (size_t v = 0; v < vertices; ++v) {
        const float* p = &copy.position[3 * v];
        PositionKey key{p[0], p[1], p[2]};
        unsigned long long h = PositionKeyHash()(key);
        h ^= h >> 31;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
        size_t at = (size_t)h & (slots - 1);
        while (first[at] != UINT_MAX) {
            const float* q = &copy.position[3 * first[at]];
            if (PositionKey{q[0], q[1], q[2]} == key) break;
            at = (at + 1) & (slots - 1);
        }
        if (first[at] == UINT_MAX) first[at] = (unsigned)v;
        border->same[v] = first[at];
    }
    border->place.assign(vertices, -1);
    auto place_of = [&](unsigned v) {
        if (border->place[v] < 0) {
            border->place[v] = (int)border->vertex.size();
            border->vertex.push_back(v);
            border->linked.emplace_back();
        }
        return border->place[v];
    };
    for (unsigned long long edge : single_edges(border->same, copy.triangles)) {
        unsigned a = (unsigned)(edge >> 32), b = (unsigned)edge;
        border->linked[place_of(a)].push_back(b);
        border->linked[place_of(b)].push_back(a);
    }
    // Welded twins stand for their first vertex.
    for (size_t v = 0; v < vertices; ++v) border->place[v] = border->place[border->same[v]];
    border->kept.assign(border->vertex.size(), 1);
    for (size_t place = 0; place < border->vertex.size(); ++place) {
        unsigned v = border->vertex[place];
        const std::vector<unsigned>& linked = border->linked[place];
        if (linked.size() != 2 || on_ground_edge(copy, v)) continue;
        const float* p = &copy.position[3 * v];
        const float* u = &copy.position[3 * linked[0]];
        const float* w = &copy.position[3 * linked[1]];
        double ax = (double)p[0] - u[0], az = (double)p[2] - u[2], bx = (double)w[0] - p[0], bz = (double)w[2] - p[2];
        double along = ax * bx + az * bz, turn = ax * bz - az * bx;
        border->kept[place] = !(along > 0 && std::fabs(turn) <= STRAIGHT_SINE * std::sqrt((ax * ax + az * az) * (bx * bx + bz * bz)));
    }
}

// Drops the triangles that hold pinning copies (local vertices from `real` on).
void remove_pin_triangles(std::vector<unsigned>* triangles, unsigned real) {
    size_t out = 0;
    for (size_t t = 0; t + 2 < triangles->size(); t += 3) {
        const unsigned* c = &(*triangles)[t];
        if (c[0] >= real || c[1] >= real || c[2] >= real) continue;
        for (int k = 0; k < 3; ++k) (*triangles)[out + k] = c[k];
        out += 3;
    }
    triangles->resize(out);
}

// Triangles that face down across the ground (turned over by the simplifier, or by the file).
size_t folded_triangles(const std::vector<float>& position, const std::vector<unsigned>& triangles) {
    size_t folded = 0;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const float *a = &position[3 * triangles[t]], *b = &position[3 * triangles[t + 1]], *c = &position[3 * triangles[t + 2]];
        double turn = ((double)b[0] - a[0]) * ((double)c[2] - a[2]) - ((double)b[2] - a[2]) * ((double)c[0] - a[0]);
        folded += turn > 0;
    }
    return folded;
}

// The skirts of `triangles` (local vertices of `copy`): the border edges
// not on the terrain's edge, and a depth of SKIRT_DEPTH times the largest
// height by which a border vertex the level dropped stands off the edge
// that replaced it. False when a border edge does not follow the copy's
// border (the level cannot be drawn with a thinned border).
bool hang_skirts(const TileMeshCopy& copy, const CopyBorder& border, const std::vector<unsigned>& triangles,
                 float height_scale, TerrainLevel* level) {
    level->skirt.clear();
    level->skirt_up = 0.0f;
    std::vector<unsigned long long> edges = single_edges(border.same, triangles);
    double deepest = 0.0;
    for (size_t t = 0; t + 2 < triangles.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            unsigned a = triangles[t + k], b = triangles[t + (k + 1) % 3];
            unsigned wa = border.same[a], wb = border.same[b];
            if (wa == wb || !std::binary_search(edges.begin(), edges.end(),
                                                (unsigned long long)std::min(wa, wb) << 32 | std::max(wa, wb)))
                continue;
            if (border.place[wa] < 0 || border.place[wb] < 0) return false;
            // Walk the copy's border from a towards b: every vertex on the way was dropped.
            const float *pa = &copy.position[3 * wa], *pb = &copy.position[3 * wb];
            double dx = (double)pb[0] - pa[0], dz = (double)pb[2] - pa[2], length2 = dx * dx + dz * dz;
            bool reached = false;
            for (unsigned first : border.linked[border.place[wa]]) {
                unsigned previous = wa, at = first;
                double deep = 0.0;
                for (size_t steps = 0; at != wb && steps < border.vertex.size(); ++steps) {
                    int place = border.place[at];
                    if (border.kept[place]) break;
                    const float* p = &copy.position[3 * at];
                    double along = length2 > 0 ? (((double)p[0] - pa[0]) * dx + ((double)p[2] - pa[2]) * dz) / length2 : 0.0;
                    if (!(along > 0.0 && along < 1.0)) break;  // not between a and b: the other way round
                    deep = std::max(deep, std::fabs((double)p[1] - (pa[1] + along * ((double)pb[1] - pa[1]))));
                    const std::vector<unsigned>& next = border.linked[place];
                    unsigned following = next[0] == previous ? next[1] : next[0];
                    previous = at;
                    at = following;
                }
                if (at == wb) {
                    reached = true;
                    deepest = std::max(deepest, deep);
                    break;
                }
            }
            if (!reached) return false;
            level->skirt.insert(level->skirt.end(), {copy.corner[a], copy.corner[b], copy.corner[triangles[t + (k + 2) % 3]]});
        }
    level->skirt_up = std::nextafter((float)(SKIRT_DEPTH * deepest / height_scale), INFINITY);
    return std::isfinite(level->skirt_up);
}

// The corners a copy holds so far, each with its local vertex: a table
// open to probing, so that a corner costs no allocation of its own.
struct CopiedCorners {
    std::vector<CornerKey> keys;  // per slot; vertex 0 (vertices count from 1) for an empty one
    std::vector<unsigned> local;  // per slot: the corner's local vertex
    size_t count = 0;             // slots in use, at most half of them
};

// The first slot to try for `key` in a table of mask + 1 slots.
size_t first_slot(const CornerKey& key, size_t mask) {
    unsigned long long h = CornerKeyHash()(key);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return (size_t)h & mask;
}

// Gives the table `slots` slots (a power of two above twice its count), keeping what it holds.
void resize_copied(CopiedCorners* copied, size_t slots) {
    std::vector<CornerKey> keys(slots, CornerKey{0, 0, 0});
    std::vector<unsigned> local(slots, 0);
    for (size_t i = 0; i < copied->keys.size(); ++i) {
        if (copied->keys[i].vertex == 0) continue;
        size_t at = first_slot(copied->keys[i], slots - 1);
        while (keys[at].vertex != 0) at = (at + 1) & (slots - 1);
        keys[at] = copied->keys[i];
        local[at] = copied->local[i];
    }
    copied->keys.swap(keys);
    copied->local.swap(local);
}

// Empties `copy` for about `faces` faces.
void begin_mesh_copy(size_t faces, CopiedCorners* copied, TileMeshCopy* copy) {
    *copy = TileMeshCopy();
    copy->triangles.reserve(3 * faces);
    size_t slots = 64;
    while (slots < 2 * faces) slots *= 2;
    *copied = CopiedCorners();
    resize_copied(copied, slots);
}

// Adds corner `id` (3 x face + corner number) as the next triangle corner,
// one local vertex per distinct corner (vertex, texture coordinate and
// normal), as the copies of a tile and of a group both do.
// `sums_of`: the level whose normal sum for it a new local vertex takes
// (looked up only then: a vertex is the corner of several triangles);
// null, or none there: its own normal.
void copy_corner(int id, CopiedCorners* copied, TileMeshCopy* copy, const TerrainLevel* sums_of = nullptr) {
    const TerrainCorner& c = terrain_faces[id / 3].corners[id % 3];
    assert(c.vertex >= 1 && c.vertex <= terrain_vertex_count);  // the loader refuses others
    const CornerKey key{c.vertex, c.texcoord, c.normal};
    if (2 * (copied->count + 1) > copied->keys.size()) resize_copied(copied, 2 * copied->keys.size());
    const size_t mask = copied->keys.size() - 1;
    size_t at = first_slot(key, mask);
    while (copied->keys[at].vertex != 0 && !(copied->keys[at] == key)) at = (at + 1) & mask;
    if (copied->keys[at].vertex == 0) {
        copied->keys[at] = key;
        copied->local[at] = (unsigned)copy->corner.size();
        ++copied->count;
        const TerrainVertex& v = terrain_vertices[c.vertex - 1];
        copy->corner.push_back(id);
        copy->position.insert(copy->position.end(), {v.x, v.y, v.z});
        copy->finite = copy->finite && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        const TerrainVertex& n = terrain_vertices[c.normal - 1];
        const float* normal = sums_of ? level_corner_normal(*sums_of, id) : nullptr;
        if (normal) copy->normal.insert(copy->normal.end(), normal, normal + 3);
        else copy->normal.insert(copy->normal.end(), {n.nx, n.ny, n.nz});
    }
    copy->triangles.push_back(copied->local[at]);
}

// Groups two by two neighbouring nodes of the ground grid, level after level,
// until one node is left (a node alone in its square goes up as it is).
void make_groups() {
    std::vector<std::pair<int, std::pair<int, int>>> level;  // node, its square at this level
    bool grid = terrain_tile_count > 1;
    for (int t = 0; t < terrain_tile_count; ++t) {
        grid = grid && terrain_tiles[t].column >= 0;
        level.push_back({t, {terrain_tiles[t].column, terrain_tiles[t].row}});
    }
    if (!grid) level.clear();  // runs of faces lie anywhere: no groups
    while (level.size() > 1) {
        std::map<std::pair<int, int>, std::vector<int>> squares;
        for (const auto& entry : level) squares[{entry.second.first / 2, entry.second.second / 2}].push_back(entry.first);
        std::vector<std::pair<int, std::pair<int, int>>> next;
        for (const auto& [square, members] : squares) {
            if (members.size() == 1) {
                next.push_back({members[0], square});
                continue;
            }
            int group = (int)level_nodes.size();
            level_nodes.emplace_back();
            level_nodes[group].members = members;
            for (int m : members) level_nodes[m].parent = group;
            next.push_back({group, square});
        }
        level.swap(next);
    }
    // Each group's tiles, from its members' (members come first in `nodes`).
    for (int n = terrain_tile_count; n < (int)level_nodes.size(); ++n) {
        LevelNode& group = level_nodes[n];
        group.first_tile = (int)level_group_tiles.size();
        for (int m : group.members) {
            if (m < terrain_tile_count) level_group_tiles.push_back(m);
            else
                for (int i = level_nodes[m].first_tile; i < level_nodes[m].tile_end; ++i) level_group_tiles.push_back(level_group_tiles[i]);
        }
        group.tile_end = (int)level_group_tiles.size();
    }
    for (int n = 0; n < (int)level_nodes.size(); ++n)
        if (level_nodes[n].parent < 0) level_roots.push_back(n);
}

}  // namespace

bool terrain_levels_wanted() {
    return terrain_lod_error > 0.0f && terrain_face_count > 0 &&
           (terrain_lod_forced || terrain_face_count > LOD_DEFAULT_MIN_FACES);
}

bool parse_lod_error(const char* text, float* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    double value = strtod(text, &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0.0 || value > 1e6) return false;
    *out = (float)value;
    return true;
}

void copy_tile_mesh(int tile, TileMeshCopy* copy) {
    const TerrainTile& t = terrain_tiles[tile];
    size_t faces = 0;
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        faces += piece.face_end - piece.first_face;
    }
    CopiedCorners copied;
    begin_mesh_copy(faces, &copied, copy);
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        for (int place = piece.first_face; place < piece.face_end; ++place)
            for (int k = 0; k < 3; ++k) copy_corner(3 * terrain_piece_face(place) + k, &copied, copy);
    }
}

void copy_group_mesh(const std::vector<const std::vector<int>*>& levels, TileMeshCopy* copy) {
    size_t corners = 0;
    for (const std::vector<int>* level : levels) corners += level->size();
    CopiedCorners copied;
    begin_mesh_copy(corners / 3, &copied, copy);
    for (const std::vector<int>* level : levels)
        for (int id : *level) copy_corner(id, &copied, copy);
}

void copy_group_bases(const std::vector<const TerrainLevel*>& bases, TileMeshCopy* copy) {
    size_t corners = 0;
    for (const TerrainLevel* base : bases) corners += base->corners.size();
    CopiedCorners copied;
    begin_mesh_copy(corners / 3, &copied, copy);
    for (const TerrainLevel* base : bases)
        for (int id : base->corners) copy_corner(id, &copied, copy, base);
}

const float* level_corner_normal(const TerrainLevel& level, int id) {
    auto at = std::lower_bound(level.normal_corners.begin(), level.normal_corners.end(), id);
    if (at == level.normal_corners.end() || *at != id) return nullptr;
    size_t i = (size_t)(at - level.normal_corners.begin());
    return 3 * i + 2 < level.normals.size() ? &level.normals[3 * i] : nullptr;
}

void add_level_error(std::vector<TerrainLevel>* levels, float across, float up) {
    // The offsets add as vectors: each part of the sum is at most the sum of the parts.
    for (TerrainLevel& level : *levels) {
        level.error_across = std::nextafter(level.error_across + across, INFINITY);
        level.error_up = std::nextafter(level.error_up + up, INFINITY);
    }
}

void build_tile_levels(const TileMeshCopy& copy, float height_scale, std::vector<TerrainLevel>* levels,
                       TerrainLevel* base) {
    levels->clear();
    *base = TerrainLevel();
    if (!copy.finite || copy.triangles.size() < 6 || !(height_scale > 0)) return;
    CopyBorder border;
    find_border(copy, &border);
    // The border vertices every level keeps, each welded to a triangle of
    // three copies of itself: the simplifier never moves a vertex whose
    // position two separate surfaces share.
    std::vector<float> positions = copy.position;
    std::vector<unsigned> pins;
    for (size_t place = 0; place < border.vertex.size(); ++place) {
        if (!border.kept[place]) continue;
        unsigned first = (unsigned)(positions.size() / 3);
        for (int k = 0; k < 3; ++k) {
            positions.insert(positions.end(), &copy.position[3 * border.vertex[place]], &copy.position[3 * border.vertex[place] + 3]);
            pins.push_back(first + (unsigned)k);
        }
    }
    const unsigned real = (unsigned)copy.corner.size();
    const size_t pin_triangles = pins.size() / 3;
    // About `faces` triangles of `from` (pins included), every border vertex kept or only the pinned ones.
    // The simplifier's work grows with the vertices it is handed, not only
    // with those the triangles use: a coarse level is handed only its own,
    // in the same order, and its result is numbered back.
    std::vector<unsigned> compact_of, original_of, compact_from;
    std::vector<float> compact_positions;
    auto simplify = [&](const std::vector<unsigned>& from, size_t faces, bool lock_border) {
        const size_t all = positions.size() / 3;
        compact_of.assign(all, UINT_MAX);
        for (unsigned v : from) compact_of[v] = 0;
        original_of.clear();
        compact_positions.clear();
        for (size_t v = 0; v < all; ++v) {
            if (compact_of[v] == UINT_MAX) continue;
            compact_of[v] = (unsigned)original_of.size();
            original_of.push_back((unsigned)v);
            compact_positions.insert(compact_positions.end(), &positions[3 * v], &positions[3 * v] + 3);
        }
        compact_from.resize(from.size());
        for (size_t i = 0; i < from.size(); ++i) compact_from[i] = compact_of[from[i]];
        std::vector<unsigned> to(from.size());
        float relative_error = 0.0f;
        to.resize(meshopt_simplify(to.data(), compact_from.data(), compact_from.size(), compact_positions.data(),
                                   original_of.size(), 3 * sizeof(float), 3 * faces, FLT_MAX,
                                   lock_border ? meshopt_SimplifyLockBorder : 0, &relative_error));
        for (unsigned& v : to) v = original_of[v];
        return to;
    };
    // The base keeps the copy's border, so that the bases of neighbours meet
    // and a group of them simplifies as one surface.
    std::vector<unsigned> coarser = simplify(copy.triangles, (size_t)(copy.triangles.size() / 3 * BASE_SHARE), true);
    size_t kept = coarser.size();
    if (kept == 0 || (double)kept > LEVEL_MIN_GAIN * (double)copy.triangles.size()) return;
    std::vector<unsigned char> on_border(copy.corner.size(), 0);
    for (size_t v = 0; v < on_border.size(); ++v) on_border[v] = border.place[v] >= 0;
    // Corner id and local vertex, by id, for the skirts' normals: sorted
    // once rather than hashed, a node a vertex, for every tile.
    std::vector<std::pair<int, unsigned>> local_of(copy.corner.size());
    for (size_t v = 0; v < copy.corner.size(); ++v) local_of[v] = {copy.corner[v], (unsigned)v};
    std::sort(local_of.begin(), local_of.end());
    std::vector<float> sums;
    // The level's normals from the sums, for its corners and then its skirts.
    auto set_normals = [&](const std::vector<unsigned>& triangles, TerrainLevel* level) {
        level->normal_corners.clear();
        level->normals.clear();
        if (sums.empty()) return;
        for (unsigned v : triangles) level->normal_corners.push_back(copy.corner[v]);
        level->normal_corners.insert(level->normal_corners.end(), level->skirt.begin(), level->skirt.end());
        std::sort(level->normal_corners.begin(), level->normal_corners.end());
        level->normal_corners.erase(std::unique(level->normal_corners.begin(), level->normal_corners.end()),
                                    level->normal_corners.end());
        level->normals.reserve(3 * level->normal_corners.size());
        // Both ascending by id: one walk along the table.
        auto at = local_of.begin();
        for (int id : level->normal_corners) {
            while (at != local_of.end() && at->first < id) ++at;
            assert(at != local_of.end() && at->first == id);  // every corner is a copied one
            if (at == local_of.end() || at->first != id) {
                level->normals.insert(level->normals.end(), {0.0f, 0.0f, 0.0f});
                continue;
            }
            level->normals.insert(level->normals.end(), &sums[3 * at->second], &sums[3 * at->second] + 3);
        }
    };
    MeasureScratch scratch;
    measure_level(copy, coarser, height_scale, 0.0, base, &scratch, &on_border, &sums);
    if (!std::isfinite(base->error_across) || !std::isfinite(base->error_up)) {
        *base = TerrainLevel();  // a sliver beyond measure: no base, no levels
        return;
    }
    base->corners.resize(kept);
    for (size_t i = 0; i < kept; ++i) base->corners[i] = copy.corner[coarser[i]];
    set_normals(coarser, base);
    std::vector<unsigned> finer = coarser;
    while ((int)levels->size() < TERRAIN_MAX_LEVELS) {
        bool first = levels->empty();
        size_t target = (size_t)(finer.size() / 3 * (first ? FIRST_LEVEL_SHARE : LEVEL_SHRINK));
        TerrainLevel level;
        // Thinning the border; a level that folds a triangle over or loses
        // its border's track keeps the finer level's border instead (the
        // first level is then the base itself).
        std::vector<unsigned> input = finer;
        input.insert(input.end(), pins.begin(), pins.end());
        coarser = simplify(input, target + pin_triangles, false);
        remove_pin_triangles(&coarser, real);
        bool thinned = folded_triangles(copy.position, coarser) <= folded_triangles(copy.position, finer) &&
                       hang_skirts(copy, border, coarser, height_scale, &level) &&
                       (double)coarser.size() <= LEVEL_MIN_GAIN * (double)finer.size();
        if (!thinned && first) {
            coarser = finer;  // the base itself
        } else if (!thinned) {
            coarser = simplify(finer, target, true);
            if (coarser.empty() || (double)coarser.size() > LEVEL_MIN_GAIN * (double)finer.size()) break;
        }
        if (!thinned && !hang_skirts(copy, border, coarser, height_scale, &level)) break;
        if (coarser.empty()) break;
        measure_level(copy, coarser, height_scale, LEVEL_LIFT, &level, &scratch, &on_border, &sums);
        if (level.skirt_up == 0.0f && level.lift_up == 0.0f) level.skirt.clear();  // drawn where it lies
        if (!std::isfinite(level.error_across) || !std::isfinite(level.error_up) || !std::isfinite(level.lift_up)) break;
        if (!first && terrain_level_error(level, height_scale) >
                          LEVEL_MAX_ERROR_GROWTH * terrain_level_error(levels->back(), height_scale))
            break;
        level.corners.resize(coarser.size());
        for (size_t i = 0; i < coarser.size(); ++i) level.corners[i] = copy.corner[coarser[i]];
        set_normals(coarser, &level);
        levels->push_back(std::move(level));
        finer.swap(coarser);
    }
}

void copy_level_corners(const std::vector<int>& corners, std::vector<LevelCorner>* out) {
    out->resize(corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const TerrainCorner& c = terrain_faces[corners[i] / 3].corners[corners[i] % 3];
        const TerrainVertex& n = terrain_vertices[c.normal - 1];
        const TerrainVertex& t = terrain_vertices[c.texcoord - 1];
        const TerrainVertex& v = terrain_vertices[c.vertex - 1];
        (*out)[i] = LevelCorner{{n.nx, n.ny, n.nz}, {t.s, 1.0f - t.t}, {v.x, v.y, v.z}};
    }
}

double terrain_level_error(const TerrainLevel& level, float height_scale) {
    double up = (double)level.error_up * height_scale;
    return std::sqrt((double)level.error_across * level.error_across + up * up);
}

bool make_level_view(const double projection[16], const double modelview[16], int viewport_height, LevelView* view) {
    // A perspective projection has w = -z_eye: its fourth row is (0, 0, -1, 0).
    if (projection[3] != 0.0 || projection[7] != 0.0 || projection[11] >= 0.0 || !(projection[5] > 0.0))
        return false;
    // The eye is -R^T t for modelview = [R t].
    for (int k = 0; k < 3; ++k) {
        view->eye[k] = -(modelview[4 * k] * modelview[12] + modelview[4 * k + 1] * modelview[13] +
                         modelview[4 * k + 2] * modelview[14]);
    }
    // y_window = (height / 2) x P[1][1] x y_eye / -z_eye: a length seen
    // face-on at distance d covers this many pixels divided by d.
    view->pixels_per_unit = projection[5] * -projection[11] * viewport_height / 2.0;
    return view->pixels_per_unit > 0.0;
}

double distance_to_box(const double eye[3], const float lo[3], const float hi[3]) {
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        double d = std::max({(double)lo[k] - eye[k], 0.0, eye[k] - (double)hi[k]});
        sum += d * d;
    }
    return std::sqrt(sum);
}

int choose_terrain_level(const double* errors, int count, double distance, double pixels_per_unit,
                         double bound_pixels) {
    if (!(bound_pixels > 0.0) || !(distance > 0.0)) return 0;
    for (int level = count; level >= 1; --level) {
        if (errors[level - 1] * pixels_per_unit <= bound_pixels * distance) return level;
    }
    return 0;
}

void make_level_nodes() {
    level_nodes.assign((size_t)terrain_tile_count, LevelNode());
    level_group_tiles.clear();
    level_roots.clear();
    level_ground_min[0] = level_ground_min[1] = INFINITY;
    level_ground_max[0] = level_ground_max[1] = -INFINITY;
    for (int t = 0; t < terrain_tile_count; ++t) {
        const TerrainTile& tile = terrain_tiles[t];
        if (tile.unbounded) continue;
        for (int k = 0; k < 2; ++k) {
            level_ground_min[k] = std::min(level_ground_min[k], tile.box_min[2 * k]);
            level_ground_max[k] = std::max(level_ground_max[k], tile.box_max[2 * k]);
        }
    }
    make_groups();
    level_tile_faces.assign((size_t)terrain_tile_count, 0);
    for (int p = 0; p < terrain_piece_count; ++p)
        level_tile_faces[terrain_pieces[p].tile] += terrain_pieces[p].face_end - terrain_pieces[p].first_face;
}

namespace {

// Builds one node as a level thread does: a tile from its faces, a group
// from its members' bases once every member has one.
void build_level_node(int n) {
    LevelNode& node = level_nodes[n];
    TileMeshCopy copy;
    float across = 0.0f, up = 0.0f;
    if (node.members.empty()) {
        copy_tile_mesh(n, &copy);
    } else {
        std::vector<const TerrainLevel*> bases;
        for (int m : node.members) {
            const TerrainLevel& base = level_nodes[m].base;
            if (base.corners.empty()) return;
            bases.push_back(&base);
            across = std::max(across, base.error_across);
            up = std::max(up, base.error_up);
        }
        copy_group_bases(bases, &copy);
    }
    for (int k = 0; k < 2; ++k) {
        copy.ground_min[k] = level_ground_min[k];
        copy.ground_max[k] = level_ground_max[k];
    }
    build_tile_levels(copy, terrain_height_scale, &node.levels, &node.base);
    add_level_error(&node.levels, across, up);
    std::vector<TerrainLevel> base(1, std::move(node.base));
    add_level_error(&base, across, up);
    node.base = std::move(base[0]);
}

}  // namespace

bool build_level_nodes_now() {
    std::vector<char> done(level_nodes.size(), 0);
    std::atomic<bool> room(true);
    // Round by round, every node whose members are done (the tiles first).
    for (;;) {
        std::vector<int> ready;
        for (int n = 0; n < (int)level_nodes.size(); ++n) {
            if (done[n]) continue;
            bool members_done = true;
            for (int m : level_nodes[n].members) members_done = members_done && done[m];
            if (members_done) ready.push_back(n);
        }
        if (ready.empty()) break;
        run_parallel_parts([&](int part) {
            int first, end;
            parallel_share((long long)ready.size(), part, &first, &end);
            for (int i = first; i < end && room; ++i) {
                // Memory running out on a helper thread must not end the program.
                try {
                    build_level_node(ready[i]);
                } catch (const std::bad_alloc&) {
                    room = false;
                }
            }
        }, (long long)ready.size() * PARALLEL_MIN_AMOUNT);
        if (!room) return false;
        for (int n : ready) done[n] = 1;
    }
    return true;
}
