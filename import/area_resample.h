// Height grids: area-weighted averages that leave out missing cells, filling those cells, bilinear enlargement.
#pragma once

#include <vector>

// Reports the share of a step done (0..1); context is the caller's.
typedef void (*ProgressFn)(double fraction, void* context);

// How output cells divide the input along one axis: output k averages the
// input span [bounds[k], bounds[k + 1]), in input cells; bounds[0] is 0 and
// the last bound is the input size.

// output_size equal parts: raster cells onto coarser raster cells.
std::vector<double> divide_evenly(int input_size, int output_size);

// Around vertex_count grid vertices laid from edge to edge: vertex k sits at
// k * input_size / (vertex_count - 1) and averages half a spacing either side,
// clipped to the input (so the end vertices average only the inner half).
std::vector<double> divide_around_vertices(int input_size, int vertex_count);

// Per input cell along one axis: the first output it feeds and its share of
// that output and of the next one.
struct AxisWeights {
    std::vector<int> first;
    std::vector<float> weight_first;
    std::vector<float> weight_next;
};

// Resamples a grid that arrives one row at a time, so a raster far larger than
// memory can be averaged down while it is read.
struct AreaResampler {
    int input_width, input_height;
    int output_width, output_height;
    AxisWeights columns, rows;
    std::vector<double> sum[2], weight[2];     // output rows open_row and open_row + 1 being gathered
    std::vector<double> row_sum, row_weight;   // the current input row, averaged across
    int open_row;                              // first output row not yet written
    int next_input_row;                        // input rows fed so far
    float* output;                             // output_width * output_height values, row by row
};

// Prepares `r` to write into `output`. False when the bounds do not fit the
// input or a footprint is so narrow that an input cell would feed more than
// two outputs along an axis (footprints must be at least a cell wide, or half
// a cell at the ends).
bool start_area_resampler(AreaResampler* r, int input_width, int input_height, const std::vector<double>& x_bounds,
                          const std::vector<double>& y_bounds, float* output);

// Feeds the next input row (input_width values, NaN where there is no
// height). Output rows are written as soon as they are complete, NaN where
// the footprint held no height at all; the last input row completes them all.
void feed_area_resampler(AreaResampler* r, const float* row);

// Resamples a whole grid held in memory; false as start_area_resampler.
bool resample_by_area(const float* input, int input_width, int input_height, const std::vector<double>& x_bounds,
                      const std::vector<double>& y_bounds, float* output, ProgressFn progress, void* context);

// Fills every NaN cell from the heights around it: the grid is averaged down
// level by level (2 x 2 cells, leaving NaN out) until no cell is missing, and
// each missing cell takes the interpolated value of the level above it.
// Every filled value is a weighted mean of known finite ones, so a fill never
// rises above or sinks below the ground it replaces. Time and memory grow with
// the grid, whatever the size of the holes or the values around them. False
// (grid untouched) if no cell holds a finite height.
bool fill_missing_cells(float* grid, int width, int height);

// Samples a grid with no missing heights at the centres of a finer (or equal)
// output grid over the same extent, by bilinear interpolation between cell
// centres; values beyond the outer cell centres are held at the edge.
void enlarge_bilinear(const float* input, int input_width, int input_height, float* output, int output_width,
                      int output_height, ProgressFn progress, void* context);
