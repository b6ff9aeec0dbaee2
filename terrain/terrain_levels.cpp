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
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "state/terrain_draw_state.h"
#include "state/terrain_levels_state.h"
#include "state/terrain_state.h"

// Each level aims at this share of the faces of the one before: the levels
// together hold a third of the tile's faces, and a frame's choice between
// neighbouring levels is within a factor of two in error.
constexpr double LEVEL_SHRINK = 0.25;
// A level that keeps more than this share of the faces of the one before is
// not worth its list (the locked border is most of what remains).
constexpr double LEVEL_MIN_GAIN = 0.8;
// A level whose error grows by more than this over the one before has lost
// the shape of the ground (the locked border left as a fan, measured: about
// a hundred times the error for a third fewer faces): it is not kept, and
// the tile's group draws that distance instead.
constexpr double LEVEL_MAX_ERROR_GROWTH = 16.0;
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
struct TriangleCells {
    double min_x, min_z, cell;  // corner of cell (0, 0) and the side of a cell; cell > 0
    int columns, rows;          // >= 1
    std::vector<int> start;     // columns x rows + 1 offsets into items
    std::vector<int> items;     // triangle numbers, cell by cell
    std::vector<float> boxes;   // per triangle: x, y, z lowest, then highest
};

// Whether triangle (x[k], z[k]) meets the square [x0, x0 + side] x [z0, z0 + side]
// on the ground: no separating axis among the square's two and the
// triangle's three edge normals.
bool triangle_meets_square(const double x[3], const double z[3], double x0, double z0, double side) {
    const double sx[4] = {x0, x0 + side, x0 + side, x0}, sz[4] = {z0, z0, z0 + side, z0 + side};
    for (int k = 0; k < 3; ++k) {
        double nx = z[(k + 1) % 3] - z[k], nz = x[k] - x[(k + 1) % 3];
        if (nx == 0 && nz == 0) continue;
        double t_lo = INFINITY, t_hi = -INFINITY, s_lo = INFINITY, s_hi = -INFINITY;
        for (int j = 0; j < 3; ++j) {
            double t = nx * x[j] + nz * z[j];
            t_lo = std::min(t_lo, t);
            t_hi = std::max(t_hi, t);
        }
        for (int j = 0; j < 4; ++j) {
            double t = nx * sx[j] + nz * sz[j];
            s_lo = std::min(s_lo, t);
            s_hi = std::max(s_hi, t);
        }
        // A margin for rounding: a triangle touching the square counts.
        double slack = 1e-9 * (std::fabs(t_lo) + std::fabs(t_hi) + std::fabs(s_lo) + std::fabs(s_hi));
        if (t_hi < s_lo - slack || s_hi < t_lo - slack) return false;
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
    std::vector<std::pair<int, int>> entries;  // cell, triangle
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
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                // Cells at the grid's edges reach on beyond it.
                double x0 = c == 0 ? -INFINITY : lo_x + c * side, z0 = r == 0 ? -INFINITY : lo_z + r * side;
                double x1 = c == cells->columns - 1 ? INFINITY : lo_x + (c + 1) * side;
                double z1 = r == cells->rows - 1 ? INFINITY : lo_z + (r + 1) * side;
                bool bounded = std::isfinite(x0) && std::isfinite(z0) && std::isfinite(x1) && std::isfinite(z1);
                if (one_cell || !bounded || triangle_meets_square(x, z, x0, z0, side))
                    entries.push_back({r * cells->columns + c, t});
            }
    }
    cells->boxes.resize((size_t)count * 6);
    for (int t = 0; t < count; ++t) {
        float* box = &cells->boxes[(size_t)t * 6];
        for (int k = 0; k < 3; ++k) {
            box[k] = INFINITY;
            box[k + 3] = -INFINITY;
        }
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) {
                float v = position[3 * triangles[3 * t + j] + k];
                box[k] = std::min(box[k], v);
                box[k + 3] = std::max(box[k + 3], v);
            }
    }
    cells->start.assign((size_t)cells->columns * cells->rows + 1, 0);
    for (const auto& e : entries) ++cells->start[e.first + 1];
    for (size_t i = 1; i < cells->start.size(); ++i) cells->start[i] += cells->start[i - 1];
    cells->items.resize(entries.size());
    std::vector<int> fill(cells->start.begin(), cells->start.end() - 1);
    for (const auto& e : entries) cells->items[fill[e.first]++] = e.second;
}

// The offset of p from the nearest point of the level's triangles: cells
// are searched outwards from p's own, skipping those farther across the
// ground than the best distance so far (a triangle nearer than that covers
// a cell within that distance).
Vec nearest_offset(Vec p, const std::vector<float>& position, const std::vector<unsigned>& triangles,
                   const TriangleCells& cells, std::vector<int>& seen, int stamp) {
    double best = INFINITY;
    Vec offset = {INFINITY, INFINITY, INFINITY};
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
                if (ring > 0 && dx * dx + dz * dz >= best * best) continue;
                int cell = r * cells.columns + c;
                for (int i = cells.start[cell]; i < cells.start[cell + 1]; ++i) {
                    int t = cells.items[i];
                    if (seen[t] == stamp) continue;
                    seen[t] = stamp;
                    // A triangle whose box is no nearer than the best cannot be.
                    const float* box = &cells.boxes[(size_t)t * 6];
                    double bx = std::max({box[0] - p.x, 0.0, p.x - box[3]});
                    double by = std::max({box[1] - p.y, 0.0, p.y - box[4]});
                    double bz = std::max({box[2] - p.z, 0.0, p.z - box[5]});
                    if (bx * bx + by * by + bz * bz >= best * best) continue;
                    Vec q = closest_on_triangle(p, vertex_at(position, triangles[3 * t]),
                                                vertex_at(position, triangles[3 * t + 1]),
                                                vertex_at(position, triangles[3 * t + 2]));
                    Vec d = p - q;
                    double length = std::sqrt(dot(d, d));
                    if (length < best) {
                        best = length;
                        offset = d;
                    }
                }
            }
        }
    }
    return offset;
}

// The level's error against every copied vertex (those it keeps are on it).
void measure_level(const TileMeshCopy& copy, const std::vector<unsigned>& triangles, float height_scale,
                   TerrainLevel* level) {
    size_t vertices = copy.corner.size();
    std::vector<unsigned char> kept(vertices, 0);
    for (unsigned v : triangles) kept[v] = 1;
    TriangleCells cells;
    sort_into_cells(copy.position, triangles, &cells);
    std::vector<int> seen(triangles.size() / 3, -1);
    double across = 0.0, up = 0.0;
    for (size_t v = 0; v < vertices; ++v) {
        if (kept[v]) continue;
        Vec d = nearest_offset(vertex_at(copy.position, (unsigned)v), copy.position, triangles, cells, seen, (int)v);
        across = std::max(across, std::sqrt(d.x * d.x + d.z * d.z));
        up = std::max(up, std::fabs(d.y));
    }
    // Rounded up, so that the float is still a bound.
    level->error_across = std::nextafter((float)across, INFINITY);
    level->error_up = std::nextafter((float)(up / height_scale), INFINITY);
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
    *copy = TileMeshCopy();
    const TerrainTile& t = terrain_tiles[tile];
    size_t faces = 0;
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        faces += piece.face_end - piece.first_face;
    }
    copy->triangles.reserve(3 * faces);
    std::unordered_map<CornerKey, unsigned, CornerKeyHash> local;
    local.reserve(faces);
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        for (int f = piece.first_face; f < piece.face_end; ++f) {
            for (int k = 0; k < 3; ++k) {
                const TerrainCorner& c = terrain_faces[f].corners[k];
                assert(c.vertex >= 1 && c.vertex <= terrain_vertex_count);  // the loader refuses others
                auto found = local.emplace(CornerKey{c.vertex, c.texcoord, c.normal}, (unsigned)copy->corner.size());
                if (found.second) {
                    const TerrainVertex& v = terrain_vertices[c.vertex - 1];
                    copy->corner.push_back(3 * f + k);
                    copy->position.insert(copy->position.end(), {v.x, v.y, v.z});
                    copy->finite = copy->finite && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
                }
                copy->triangles.push_back(found.first->second);
            }
        }
    }
}

void copy_group_mesh(const std::vector<const std::vector<int>*>& levels, TileMeshCopy* copy) {
    *copy = TileMeshCopy();
    size_t corners = 0;
    for (const std::vector<int>* level : levels) corners += level->size();
    copy->triangles.reserve(corners);
    std::unordered_map<CornerKey, unsigned, CornerKeyHash> local;
    local.reserve(corners / 3);
    for (const std::vector<int>* level : levels) {
        for (int id : *level) {
            const TerrainCorner& c = terrain_faces[id / 3].corners[id % 3];
            auto found = local.emplace(CornerKey{c.vertex, c.texcoord, c.normal}, (unsigned)copy->corner.size());
            if (found.second) {
                const TerrainVertex& v = terrain_vertices[c.vertex - 1];
                copy->corner.push_back(id);
                copy->position.insert(copy->position.end(), {v.x, v.y, v.z});
                copy->finite = copy->finite && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
            }
            copy->triangles.push_back(found.first->second);
        }
    }
}

void add_level_error(std::vector<TerrainLevel>* levels, float across, float up) {
    // The offsets add as vectors: each part of the sum is at most the sum of the parts.
    for (TerrainLevel& level : *levels) {
        level.error_across = std::nextafter(level.error_across + across, INFINITY);
        level.error_up = std::nextafter(level.error_up + up, INFINITY);
    }
}

void build_tile_levels(const TileMeshCopy& copy, float height_scale, std::vector<TerrainLevel>* levels) {
    levels->clear();
    if (!copy.finite || copy.triangles.size() < 6 || !(height_scale > 0)) return;
    std::vector<unsigned> finer = copy.triangles, coarser(copy.triangles.size());
    while ((int)levels->size() < TERRAIN_MAX_LEVELS) {
        size_t target = (size_t)(finer.size() / 3 * LEVEL_SHRINK) * 3;
        float relative_error = 0.0f;
        size_t kept = meshopt_simplify(coarser.data(), finer.data(), finer.size(), copy.position.data(),
                                       copy.corner.size(), 3 * sizeof(float), target, FLT_MAX,
                                       meshopt_SimplifyLockBorder, &relative_error);
        if (kept == 0 || (double)kept > LEVEL_MIN_GAIN * (double)finer.size()) break;
        coarser.resize(kept);
        TerrainLevel level;
        measure_level(copy, coarser, height_scale, &level);
        if (!std::isfinite(level.error_across) || !std::isfinite(level.error_up)) break;
        if (!levels->empty() && terrain_level_error(level, height_scale) >
                                    LEVEL_MAX_ERROR_GROWTH * terrain_level_error(levels->back(), height_scale))
            break;
        level.corners.resize(kept);
        for (size_t i = 0; i < kept; ++i) level.corners[i] = copy.corner[coarser[i]];
        levels->push_back(std::move(level));
        finer.swap(coarser);
        coarser.resize(finer.size());
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
        if (errors[level - 1] * pixels_per_unit <= LEVEL_BOUND_SHARE * bound_pixels * distance) return level;
    }
    return 0;
}
