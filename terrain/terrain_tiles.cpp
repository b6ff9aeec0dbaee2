// Cutting the terrain into tiles and pieces, their boxes, and the view frustum test.
//
// The frame draws only the pieces of tiles whose box meets the frustum, in
// piece order. Pieces are runs of consecutive faces, so the faces that are
// drawn keep the file's order: faces whose fragments tie in depth (shared
// edges in wire frame, far faces in a coarse depth buffer) resolve exactly as
// they do when the whole terrain is drawn from one list. (A terrain drawn
// with levels whose file scatters its squares is drawn tile by tile instead:
// its levels already differ from exact drawing far more than such ties.)
#include "terrain/terrain_tiles.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/parallel.h"
#include "state/world_state.h"
#include "terrain/terrain_levels.h"

// Float rounding in the GL's matrix product and vertex transform stays far
// below this share of the magnitudes involved.
constexpr double FRUSTUM_ROUNDING = 1e-5;

namespace {

// Pair u: faces 2u and 2u + 1 (the last pair of an odd count has one face).
inline int pair_end(int pair) { return 2 * pair + 2 < terrain_face_count ? 2 * pair + 2 : terrain_face_count; }

// Centre of pair u's corners in x and z.
void pair_centre(int pair, double* x, double* z) {
    double sx = 0.0, sz = 0.0;
    int n = 0;
    for (int f = 2 * pair; f < pair_end(pair); ++f) {
        for (int c = 0; c < 3; ++c) {
            const TerrainVertex& v = terrain_vertices[terrain_faces[f].corners[c].vertex - 1];
            sx += v.x;
            sz += v.z;
            ++n;
        }
    }
    *x = sx / n;
    *z = sz / n;
}

// The ground grid the pairs are sorted into.
struct TileGrid {
    double min_x, min_z;      // corner of cell (0, 0)
    double cell_x, cell_z;    // cell sides, world units; > 0
    int columns, rows;        // cells along x and z; >= 1
};

// The cell of a point; points on or beyond the far edges go to the last
// cells, points that are not finite to the first.
int grid_cell(const TileGrid& grid, double x, double z) {
    int column = 0, row = 0;
    if (std::isfinite(x)) {
        double c = std::floor((x - grid.min_x) / grid.cell_x);
        column = c < 0 ? 0 : c >= grid.columns ? grid.columns - 1 : (int)c;
    }
    if (std::isfinite(z)) {
        double r = std::floor((z - grid.min_z) / grid.cell_z);
        row = r < 0 ? 0 : r >= grid.rows ? grid.rows - 1 : (int)r;
    }
    return row * grid.columns + column;
}

// Square cells that hold about pairs_per_tile pairs each when the pair
// centres spread evenly over their bounds.
TileGrid make_tile_grid(int pairs, int pairs_per_tile) {
    double part_bounds[MOST_PARALLEL_PARTS][4];
    run_parallel_parts([&](int part) {
        double lo_x = INFINITY, hi_x = -INFINITY, lo_z = INFINITY, hi_z = -INFINITY;
        int first, end;
        parallel_share(pairs, part, &first, &end);
        for (int u = first; u < end; ++u) {
            double x, z;
            pair_centre(u, &x, &z);
            if (std::isfinite(x)) {
                if (x < lo_x) lo_x = x;
                if (x > hi_x) hi_x = x;
            }
            if (std::isfinite(z)) {
                if (z < lo_z) lo_z = z;
                if (z > hi_z) hi_z = z;
            }
        }
        double* b = part_bounds[part];
        b[0] = lo_x;
        b[1] = hi_x;
        b[2] = lo_z;
        b[3] = hi_z;
    }, pairs);
    double min_x = INFINITY, max_x = -INFINITY, min_z = INFINITY, max_z = -INFINITY;
    for (int part = 0; part < count_parallel_parts(); ++part) {
        const double* b = part_bounds[part];
        min_x = std::fmin(min_x, b[0]);
        max_x = std::fmax(max_x, b[1]);
        min_z = std::fmin(min_z, b[2]);
        max_z = std::fmax(max_z, b[3]);
    }
    if (!(min_x <= max_x)) min_x = max_x = 0.0;
    if (!(min_z <= max_z)) min_z = max_z = 0.0;
    double width = max_x - min_x, depth = max_z - min_z;
    int tiles = (int)(((long long)pairs + pairs_per_tile - 1) / pairs_per_tile);
    double side;
    if (width > 0.0 && depth > 0.0) side = std::sqrt(width * depth / tiles);
    else side = (width > depth ? width : depth) / tiles;

    TileGrid grid;
    grid.min_x = min_x;
    grid.min_z = min_z;
    grid.columns = grid.rows = 1;
    if (side > 0.0 && std::isfinite(side)) {
        // A long thin terrain gets a row of cells, not a huge empty grid.
        double columns = std::ceil(width / side), rows = std::ceil(depth / side);
        grid.columns = columns < 1 ? 1 : columns > tiles ? tiles : (int)columns;
        grid.rows = rows < 1 ? 1 : rows > tiles ? tiles : (int)rows;
    }
    grid.cell_x = width > 0.0 ? width / grid.columns : 1.0;
    grid.cell_z = depth > 0.0 ? depth / grid.rows : 1.0;
    return grid;
}

// Allocates the state arrays for `tiles` tiles and `pieces` pieces.
bool allocate_tiles(int tiles, int pieces) {
    terrain_tiles = (TerrainTile*)calloc((size_t)tiles, sizeof(TerrainTile));
    terrain_pieces = (TerrainPiece*)calloc((size_t)pieces, sizeof(TerrainPiece));
    terrain_tile_pieces = (int*)calloc((size_t)pieces, sizeof(int));
    terrain_tile_visible = (unsigned char*)calloc((size_t)tiles, 1);
    if (!terrain_tiles || !terrain_pieces || !terrain_tile_pieces || !terrain_tile_visible) {
        free_terrain_tiles();
        return false;
    }
    terrain_tile_count = tiles;
    terrain_piece_count = pieces;
    return true;
}

// Appends pair u to the piece list: a new piece starts where the tile changes.
void add_pair_to_pieces(int pair, int tile, int* pieces) {
    if (*pieces > 0 && terrain_pieces[*pieces - 1].tile == tile) {
        terrain_pieces[*pieces - 1].face_end = pair_end(pair);
        return;
    }
    terrain_pieces[*pieces] = TerrainPiece{2 * pair, pair_end(pair), tile};
    ++*pieces;
}

// Groups the pieces by tile (terrain_tile_pieces) and sets every box.
void finish_tiles() {
    for (int p = 0; p < terrain_piece_count; ++p) ++terrain_tiles[terrain_pieces[p].tile].piece_count;
    int slot = 0;
    for (int t = 0; t < terrain_tile_count; ++t) {
        terrain_tiles[t].first_slot = slot;
        slot += terrain_tiles[t].piece_count;
        terrain_tiles[t].piece_count = 0;
    }
    for (int p = 0; p < terrain_piece_count; ++p) {
        TerrainTile& tile = terrain_tiles[terrain_pieces[p].tile];
        terrain_tile_pieces[tile.first_slot + tile.piece_count++] = p;
    }
    refresh_terrain_tile_boxes();
}

// Tiles as runs of pairs_per_tile consecutive pairs, one piece each.
bool build_run_tiles(int pairs, int pairs_per_tile) {
    int tiles = (int)(((long long)pairs + pairs_per_tile - 1) / pairs_per_tile);
    if (!allocate_tiles(tiles, tiles)) return false;
    for (int t = 0; t < tiles; ++t) {
        int first = (int)((long long)t * pairs_per_tile);
        int last = pairs - first > pairs_per_tile ? first + pairs_per_tile : pairs;
        terrain_pieces[t] = TerrainPiece{2 * first, pair_end(last - 1), t};
        terrain_tiles[t].column = terrain_tiles[t].row = -1;
    }
    terrain_tile_size = 0.0f;
    finish_tiles();
    return true;
}

// Tiles by place for a face order that scatters them: each non-empty cell
// is a tile of one piece, whose pairs terrain_face_order lists in rows across
// the ground (by the centre's z, then x), as a grid stored row by row lists
// them: the rasteriser then meets them in the same order, whatever the file's
// (the lone last face of an odd count ends its tile, so no pair straddles).
bool build_ordered_tiles(const TileGrid& grid, const int* pair_cell, int pairs) {
    int cells = grid.columns * grid.rows;
    int* cell_tile = (int*)malloc((size_t)cells * sizeof(int));
    int* cell_pairs = (int*)calloc((size_t)cells + 1, sizeof(int));
    int* pair_order = (int*)malloc((size_t)pairs * sizeof(int));
    float* centre = (float*)malloc((size_t)pairs * 2 * sizeof(float));
    bool fine = cell_tile && cell_pairs && pair_order && centre;
    int tiles = 0;
    if (fine) {
        for (int u = 0; u < pairs; ++u) ++cell_pairs[pair_cell[u] + 1];
        for (int c = 0; c < cells; ++c) cell_tile[c] = cell_pairs[c + 1] > 0 ? tiles++ : -1;
        fine = allocate_tiles(tiles, tiles);
    }
    if (fine) {
        terrain_face_order = (int*)malloc((size_t)terrain_face_count * sizeof(int));
        terrain_pair_tile = (int*)malloc((size_t)pairs * sizeof(int));
        fine = terrain_face_order && terrain_pair_tile;
        if (!fine) free_terrain_tiles();
    }
    if (fine) {
        // The pairs cell by cell (a counting sort), then each cell's in rows.
        for (int c = 0; c < cells; ++c) cell_pairs[c + 1] += cell_pairs[c];
        std::vector<int> next(cell_pairs, cell_pairs + cells);
        for (int u = 0; u < pairs; ++u) pair_order[next[pair_cell[u]]++] = u;
        run_parallel_parts([&](int part) {
            int first, end;
            parallel_share(pairs, part, &first, &end);
            for (int u = first; u < end; ++u) {
                double x, z;
                pair_centre(u, &x, &z);
                centre[2 * u] = (float)z;
                centre[2 * u + 1] = (float)x;
            }
        }, pairs);
        const int lone = pair_end(pairs - 1) - 2 * (pairs - 1) == 1 ? pairs - 1 : -1;
        auto before = [&](int a, int b) {
            if (a == lone || b == lone) return b == lone && a != lone;
            if (centre[2 * a] != centre[2 * b]) return centre[2 * a] < centre[2 * b];
            if (centre[2 * a + 1] != centre[2 * b + 1]) return centre[2 * a + 1] < centre[2 * b + 1];
            return a < b;  // NaN centres and ties keep the file's order
        };
        run_parallel_parts([&](int part) {
            int first, end;
            parallel_share(cells, part, &first, &end);
            for (int c = first; c < end; ++c) std::sort(pair_order + cell_pairs[c], pair_order + cell_pairs[c + 1], before);
        }, pairs);
        int place = 0;
        for (int c = 0; c < cells; ++c) {
            int t = cell_tile[c];
            if (t < 0) continue;
            terrain_pieces[t].first_face = place;
            for (int i = cell_pairs[c]; i < cell_pairs[c + 1]; ++i) {
                int u = pair_order[i];
                terrain_pair_tile[u] = t;
                for (int f = 2 * u; f < pair_end(u); ++f) terrain_face_order[place++] = f;
            }
            terrain_pieces[t].face_end = place;
            terrain_pieces[t].tile = t;
            terrain_tiles[t].column = c % grid.columns;
            terrain_tiles[t].row = c / grid.columns;
        }
        assert(place == terrain_face_count);
        terrain_tile_size = (float)std::sqrt(grid.cell_x * grid.cell_z);
        finish_tiles();
    }
    free(cell_tile);
    free(cell_pairs);
    free(pair_order);
    free(centre);
    return fine;
}

}  // namespace

bool build_terrain_tiles(int faces_per_tile) {
    free_terrain_tiles();
    if (terrain_face_count <= 0) return true;
    int pairs = (terrain_face_count + 1) / 2;
    int pairs_per_tile = faces_per_tile / 2 < 1 ? 1 : faces_per_tile / 2;
    TileGrid grid = make_tile_grid(pairs, pairs_per_tile);

    // A grid stored row by row gives each tile one piece per row of its
    // cells, about sqrt(pairs_per_tile) pairs long; far shorter pieces mean
    // the face order jumps about, and so many lists would cost more than
    // culling saves.
    int* pair_cell = (int*)malloc((size_t)pairs * sizeof(int));
    if (!pair_cell) return false;
    run_parallel_parts([&](int part) {
        int first, end;
        parallel_share(pairs, part, &first, &end);
        for (int u = first; u < end; ++u) {
            double x, z;
            pair_centre(u, &x, &z);
            pair_cell[u] = grid_cell(grid, x, z);
        }
    }, pairs);
    int pieces = 1;
    for (int u = 1; u < pairs; ++u) pieces += pair_cell[u] != pair_cell[u - 1];
    double shortest = std::sqrt((double)pairs_per_tile) / 2.0;
    if ((double)pairs / pieces < shortest) {
        // Drawn with levels, the ground must be cut by place whatever the
        // order, or every tile would span the terrain and no level would
        // help; drawn exactly, runs keep the file's order.
        bool by_place = terrain_levels_wanted();
        bool built = by_place ? build_ordered_tiles(grid, pair_cell, pairs) : build_run_tiles(pairs, pairs_per_tile);
        free(pair_cell);
        return built;
    }

    // Tiles are numbered in the order their first face comes.
    int cells = grid.columns * grid.rows;
    int* cell_tile = (int*)malloc((size_t)cells * sizeof(int));
    if (!cell_tile) {
        free(pair_cell);
        return false;
    }
    for (int c = 0; c < cells; ++c) cell_tile[c] = -1;
    int tiles = 0;
    for (int u = 0; u < pairs; ++u) {
        if (cell_tile[pair_cell[u]] < 0) cell_tile[pair_cell[u]] = tiles++;
    }
    bool allocated = allocate_tiles(tiles, pieces);
    if (allocated) {
        for (int c = 0; c < cells; ++c) {
            if (cell_tile[c] < 0) continue;
            terrain_tiles[cell_tile[c]].column = c % grid.columns;
            terrain_tiles[cell_tile[c]].row = c / grid.columns;
        }
        int placed = 0;
        for (int u = 0; u < pairs; ++u) add_pair_to_pieces(u, cell_tile[pair_cell[u]], &placed);
        assert(placed == pieces);
    }
    free(cell_tile);
    free(pair_cell);
    if (!allocated) return false;
    terrain_tile_size = (float)std::sqrt(grid.cell_x * grid.cell_z);
    finish_tiles();
    return true;
}

void refresh_terrain_tile_box(int tile) {
    TerrainTile& t = terrain_tiles[tile];
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    bool finite = true;
    for (int s = 0; s < t.piece_count; ++s) {
        const TerrainPiece& piece = terrain_pieces[terrain_tile_pieces[t.first_slot + s]];
        for (int place = piece.first_face; place < piece.face_end; ++place) {
            const TerrainFace& face = terrain_faces[terrain_piece_face(place)];
            for (int c = 0; c < 3; ++c) {
                int number = face.corners[c].vertex;
                assert(number >= 1 && number <= terrain_vertex_count);  // the loader refuses others
                const TerrainVertex& v = terrain_vertices[number - 1];
                const float p[3] = {v.x, v.y, v.z};
                for (int k = 0; k < 3; ++k) {
                    finite = finite && std::isfinite(p[k]);
                    if (p[k] < lo[k]) lo[k] = p[k];
                    if (p[k] > hi[k]) hi[k] = p[k];
                }
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        t.box_min[k] = lo[k];
        t.box_max[k] = hi[k];
    }
    t.unbounded = !finite;
}

void refresh_terrain_tile_boxes() {
    run_parallel_parts([](int part) {
        int first, end;
        parallel_share(terrain_tile_count, part, &first, &end);
        for (int t = first; t < end; ++t) refresh_terrain_tile_box(t);
    });
}

int terrain_face_tile(int face) {
    if (face < 0 || face >= terrain_face_count || terrain_piece_count == 0) return -1;
    if (terrain_pair_tile) return terrain_pair_tile[face / 2];
    int lo = 0, hi = terrain_piece_count - 1;
    while (lo < hi) {  // the last piece starting at or before the face
        int mid = lo + (hi - lo + 1) / 2;
        if (terrain_pieces[mid].first_face <= face) lo = mid;
        else hi = mid - 1;
    }
    return terrain_pieces[lo].tile;
}

int mark_terrain_tiles_for_vertices(const int* vertices, int count, unsigned char* marks) {
    int marked = 0;
    for (int i = 0; i < count; ++i) {
        int v = vertices[i];
        if (v < 0 || v >= terrain_vertex_count) continue;
        const TerrainVertex& vertex = terrain_vertices[v];
        for (int k = 0; k < vertex.face_count; ++k) {
            int tile = terrain_face_tile(vertex.faces[k]);
            if (tile >= 0 && !marks[tile]) {
                marks[tile] = 1;
                ++marked;
            }
        }
    }
    return marked;
}

void make_terrain_frustum(const double projection[16], const double modelview[16], double margin_x,
                          double margin_y, TerrainFrustum* frustum) {
    // Rows of clip = P x MV, and of |P| x |MV| for the rounding bound.
    double m[4][4], a[4][4];
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0, abs_sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                double term = projection[k * 4 + row] * modelview[col * 4 + k];
                sum += term;
                abs_sum += std::fabs(projection[k * 4 + row]) * std::fabs(modelview[col * 4 + k]);
            }
            m[row][col] = sum;
            a[row][col] = abs_sum;
        }
    }
    // Plane i is w * widen[i] + sign[i] * (row axis[i]).
    const int axis[6] = {0, 0, 1, 1, 2, 2};
    const double sign[6] = {1, -1, 1, -1, 1, -1};
    const double widen[6] = {1 + margin_x, 1 + margin_x, 1 + margin_y, 1 + margin_y, 1, 1};
    for (int i = 0; i < 6; ++i) {
        for (int col = 0; col < 4; ++col) {
            frustum->plane[i][col] = widen[i] * m[3][col] + sign[i] * m[axis[i]][col];
            frustum->scale[i][col] = widen[i] * a[3][col] + a[axis[i]][col];
        }
    }
}

bool box_meets_frustum(const TerrainFrustum* frustum, const float lo[3], const float hi[3]) {
    for (int i = 0; i < 6; ++i) {
        const double* p = frustum->plane[i];
        const double* s = frustum->scale[i];
        // The corner farthest inside this plane decides.
        double value = p[3], bound = s[3];
        for (int k = 0; k < 3; ++k) {
            double c = p[k] >= 0.0 ? hi[k] : lo[k];
            value += p[k] * c;
            bound += s[k] * std::fmax(std::fabs((double)lo[k]), std::fabs((double)hi[k]));
        }
        if (value < -FRUSTUM_ROUNDING * bound) return false;
    }
    return true;
}

int mark_visible_terrain_tiles(const TerrainFrustum* frustum) {
    int visible = 0;
    for (int t = 0; t < terrain_tile_count; ++t) {
        const TerrainTile& tile = terrain_tiles[t];
        bool seen = tile.unbounded;
        if (!seen && tile.box_min[0] <= tile.box_max[0]) seen = box_meets_frustum(frustum, tile.box_min, tile.box_max);
        terrain_tile_visible[t] = seen;
        visible += seen;
    }
    return visible;
}
