// Height grids: area-weighted averages that leave out missing cells, filling those cells, bilinear enlargement.
#include "import/area_resample.h"

#include <algorithm>
#include <cmath>

namespace {

// Overlaps smaller than this are rounding left over from the bounds.
constexpr double NEGLIGIBLE_OVERLAP = 1e-9;
// Smoothing passes over the filled cells of each level of the fill pyramid.
constexpr int RELAXATION_PASSES = 8;

// One level of the fill pyramid.
struct FillLevel {
    int width, height;
    std::vector<float> cells;
};

bool compute_axis_weights(int input_size, const std::vector<double>& bounds, AxisWeights* w) {
    const int output_size = (int)bounds.size() - 1;
    if (input_size < 1 || output_size < 1 || bounds.front() != 0.0 || bounds.back() != (double)input_size) return false;
    for (int k = 0; k < output_size; ++k)
        if (!(bounds[k + 1] > bounds[k])) return false;
    w->first.assign(input_size, 0);
    w->weight_first.assign(input_size, 0.0f);
    w->weight_next.assign(input_size, 0.0f);
    int k = 0;
    for (int i = 0; i < input_size; ++i) {
        const double low = i, high = i + 1.0;
        while (k < output_size - 1 && bounds[k + 1] <= low + NEGLIGIBLE_OVERLAP) ++k;
        w->first[i] = k;
        w->weight_first[i] = (float)(std::min(high, bounds[k + 1]) - std::max(low, bounds[k]));
        if (k + 1 < output_size && bounds[k + 1] < high - NEGLIGIBLE_OVERLAP) {
            if (k + 2 < output_size && bounds[k + 2] < high - NEGLIGIBLE_OVERLAP) return false;
            w->weight_next[i] = (float)(std::min(high, bounds[k + 2]) - bounds[k + 1]);
        }
    }
    return true;
}

// Writes output row open_row from the first gathering slot and moves the second one up.
void finish_open_row(AreaResampler* r) {
    float* out = r->output + (size_t)r->open_row * r->output_width;
    for (int k = 0; k < r->output_width; ++k)
        out[k] = r->weight[0][k] > 0.0 ? (float)(r->sum[0][k] / r->weight[0][k]) : NAN;
    r->sum[0].swap(r->sum[1]);
    r->weight[0].swap(r->weight[1]);
    std::fill(r->sum[1].begin(), r->sum[1].end(), 0.0);
    std::fill(r->weight[1].begin(), r->weight[1].end(), 0.0);
    ++r->open_row;
}

void gather_row(std::vector<double>& sum, std::vector<double>& weight, const std::vector<double>& row_sum,
                const std::vector<double>& row_weight, double share) {
    for (size_t k = 0; k < sum.size(); ++k) {
        sum[k] += share * row_sum[k];
        weight[k] += share * row_weight[k];
    }
}

// Averages the finite cells of each 2 x 2 block; NaN where none is finite.
FillLevel halve_level(const FillLevel& fine) {
    FillLevel coarse;
    coarse.width = (fine.width + 1) / 2;
    coarse.height = (fine.height + 1) / 2;
    coarse.cells.assign((size_t)coarse.width * coarse.height, NAN);
    for (int y = 0; y < coarse.height; ++y)
        for (int x = 0; x < coarse.width; ++x) {
            double sum = 0.0;
            int count = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const int fx = 2 * x + dx, fy = 2 * y + dy;
                    if (fx >= fine.width || fy >= fine.height) continue;
                    const float v = fine.cells[(size_t)fy * fine.width + fx];
                    if (std::isfinite(v)) sum += v, ++count;
                }
            if (count > 0) coarse.cells[(size_t)y * coarse.width + x] = (float)(sum / count);
        }
    return coarse;
}

bool has_missing(const std::vector<float>& cells) {
    for (float v : cells)
        if (std::isnan(v)) return true;
    return false;
}

// Sets each hole cell to the mean of its neighbours inside the grid, in place.
void relax_holes(FillLevel* level, const std::vector<size_t>& holes) {
    const int w = level->width, h = level->height;
    float* cells = level->cells.data();
    for (size_t i : holes) {
        const int x = (int)(i % w), y = (int)(i / w);
        float sum = 0.0f;
        int count = 0;
        if (x > 0) sum += cells[i - 1], ++count;
        if (x + 1 < w) sum += cells[i + 1], ++count;
        if (y > 0) sum += cells[i - w], ++count;
        if (y + 1 < h) sum += cells[i + w], ++count;
        if (count > 0) cells[i] = sum / count;
    }
}

// The complete coarser level's value at the centre of fine cell (x, y), interpolated.
float sample_coarser(const FillLevel& coarse, int x, int y) {
    const double cx = std::clamp((x + 0.5) / 2.0 - 0.5, 0.0, (double)(coarse.width - 1));
    const double cy = std::clamp((y + 0.5) / 2.0 - 0.5, 0.0, (double)(coarse.height - 1));
    const int x0 = (int)cx, y0 = (int)cy;
    const int x1 = std::min(x0 + 1, coarse.width - 1), y1 = std::min(y0 + 1, coarse.height - 1);
    const double fx = cx - x0, fy = cy - y0;
    auto at = [&](int i, int j) { return (double)coarse.cells[(size_t)j * coarse.width + i]; };
    const double top = at(x0, y0) + fx * (at(x1, y0) - at(x0, y0));
    const double bottom = at(x0, y1) + fx * (at(x1, y1) - at(x0, y1));
    return (float)(top + fy * (bottom - top));
}

}  // namespace

std::vector<double> divide_evenly(int input_size, int output_size) {
    std::vector<double> bounds(output_size + 1);
    for (int k = 0; k <= output_size; ++k) bounds[k] = (double)k * input_size / output_size;
    bounds[output_size] = input_size;
    return bounds;
}

std::vector<double> divide_around_vertices(int input_size, int vertex_count) {
    std::vector<double> bounds(vertex_count + 1);
    const double spacing = (double)input_size / (vertex_count - 1);
    bounds[0] = 0.0;
    for (int k = 1; k < vertex_count; ++k) bounds[k] = (k - 0.5) * spacing;
    bounds[vertex_count] = input_size;
    return bounds;
}

bool start_area_resampler(AreaResampler* r, int input_width, int input_height, const std::vector<double>& x_bounds,
                          const std::vector<double>& y_bounds, float* output) {
    if (!compute_axis_weights(input_width, x_bounds, &r->columns) ||
        !compute_axis_weights(input_height, y_bounds, &r->rows))
        return false;
    r->input_width = input_width;
    r->input_height = input_height;
    r->output_width = (int)x_bounds.size() - 1;
    r->output_height = (int)y_bounds.size() - 1;
    for (int slot = 0; slot < 2; ++slot) {
        r->sum[slot].assign(r->output_width, 0.0);
        r->weight[slot].assign(r->output_width, 0.0);
    }
    r->row_sum.assign(r->output_width, 0.0);
    r->row_weight.assign(r->output_width, 0.0);
    r->open_row = 0;
    r->next_input_row = 0;
    r->output = output;
    return true;
}

void feed_area_resampler(AreaResampler* r, const float* row) {
    if (r->next_input_row >= r->input_height) return;
    std::fill(r->row_sum.begin(), r->row_sum.end(), 0.0);
    std::fill(r->row_weight.begin(), r->row_weight.end(), 0.0);
    const int* first = r->columns.first.data();
    const float* share_first = r->columns.weight_first.data();
    const float* share_next = r->columns.weight_next.data();
    double* row_sum = r->row_sum.data();
    double* row_weight = r->row_weight.data();
    for (int x = 0; x < r->input_width; ++x) {
        const float v = row[x];
        if (std::isnan(v)) continue;
        const int k = first[x];
        row_sum[k] += (double)share_first[x] * v;
        row_weight[k] += share_first[x];
        if (share_next[x] != 0.0f) {
            row_sum[k + 1] += (double)share_next[x] * v;
            row_weight[k + 1] += share_next[x];
        }
    }
    const int y = r->next_input_row;
    while (r->open_row < r->rows.first[y]) finish_open_row(r);
    gather_row(r->sum[0], r->weight[0], r->row_sum, r->row_weight, r->rows.weight_first[y]);
    if (r->rows.weight_next[y] != 0.0f)
        gather_row(r->sum[1], r->weight[1], r->row_sum, r->row_weight, r->rows.weight_next[y]);
    ++r->next_input_row;
    if (r->next_input_row == r->input_height)
        while (r->open_row < r->output_height) finish_open_row(r);
}

bool resample_by_area(const float* input, int input_width, int input_height, const std::vector<double>& x_bounds,
                      const std::vector<double>& y_bounds, float* output, ProgressFn progress, void* context) {
    AreaResampler r;
    if (!start_area_resampler(&r, input_width, input_height, x_bounds, y_bounds, output)) return false;
    for (int y = 0; y < input_height; ++y) {
        feed_area_resampler(&r, input + (size_t)y * input_width);
        if (progress && (y & 63) == 0) progress((double)y / input_height, context);
    }
    return true;
}

bool fill_missing_cells(float* grid, int width, int height) {
    const size_t count = (size_t)width * height;
    bool any_known = false, any_missing = false;
    for (size_t i = 0; i < count; ++i) (std::isnan(grid[i]) ? any_missing : any_known) = true;
    if (!any_known) return false;
    if (!any_missing) return true;
    std::vector<FillLevel> levels(1);
    levels[0] = {width, height, std::vector<float>(grid, grid + count)};
    // Each level halves the one below, so there are at most about log2 of the
    // longer side of them; a single cell still missing means nothing to fill from.
    while (has_missing(levels.back().cells)) {
        if (levels.back().width == 1 && levels.back().height == 1) return false;
        levels.push_back(halve_level(levels.back()));
    }
    // From the first complete level back down, each level's holes take the
    // values of the one above, then are relaxed towards the mean of their
    // neighbours so that the fill meets the known ground without a seam.
    std::vector<size_t> holes;
    for (size_t k = levels.size() - 1; k-- > 0;) {
        FillLevel& level = levels[k];
        holes.clear();
        for (int y = 0; y < level.height; ++y)
            for (int x = 0; x < level.width; ++x) {
                float& v = level.cells[(size_t)y * level.width + x];
                if (std::isnan(v)) {
                    v = sample_coarser(levels[k + 1], x, y);
                    holes.push_back((size_t)y * level.width + x);
                }
            }
        for (int pass = 0; pass < RELAXATION_PASSES; ++pass) relax_holes(&level, holes);
    }
    std::copy(levels[0].cells.begin(), levels[0].cells.end(), grid);
    return true;
}

void enlarge_bilinear(const float* input, int input_width, int input_height, float* output, int output_width,
                      int output_height, ProgressFn progress, void* context) {
    // Column positions are the same for every row: work them out once.
    std::vector<int> left(output_width);
    std::vector<float> right_share(output_width);
    for (int i = 0; i < output_width; ++i) {
        double x = (i + 0.5) * input_width / output_width - 0.5;
        x = std::clamp(x, 0.0, (double)(input_width - 1));
        left[i] = std::min((int)x, std::max(input_width - 2, 0));
        right_share[i] = input_width > 1 ? (float)(x - left[i]) : 0.0f;
    }
    const int right_step = input_width > 1 ? 1 : 0;
    for (int j = 0; j < output_height; ++j) {
        double y = (j + 0.5) * input_height / output_height - 0.5;
        y = std::clamp(y, 0.0, (double)(input_height - 1));
        const int top = std::min((int)y, std::max(input_height - 2, 0));
        const float low_share = input_height > 1 ? (float)(y - top) : 0.0f;
        const float* upper = input + (size_t)top * input_width;
        const float* lower = input_height > 1 ? upper + input_width : upper;
        float* out = output + (size_t)j * output_width;
        for (int i = 0; i < output_width; ++i) {
            const int l = left[i];
            const float a = upper[l] + right_share[i] * (upper[l + right_step] - upper[l]);
            const float b = lower[l] + right_share[i] * (lower[l + right_step] - lower[l]);
            out[i] = a + low_share * (b - a);
        }
        if (progress && (j & 63) == 0) progress((double)j / output_height, context);
    }
}
