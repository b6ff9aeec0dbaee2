// A console progress bar for the importer's long steps.
#pragma once

#include <cstdio>

// One bar on one stream. On a terminal it is redrawn in place as it grows;
// elsewhere (a log, a test) it is printed as a line at each tenth of the step
// and once finished, so that a long step shows it is moving.
struct ProgressBar {
    std::FILE* stream;   // where the bar goes (stderr by the tool)
    bool live;           // redraw in place; true only on a terminal
    const char* label;   // step name shown before the bar
    int shown_percent;   // last percentage drawn (a multiple of 10 when not live), -1 before the first
    bool active;         // a step is running and its bar is not finished
};

// Sets up a bar on `stream`; live when the stream is a terminal.
void start_progress_output(ProgressBar* bar, std::FILE* stream);

// Starts a new step under `label` (finishing the previous one if it is still open).
void begin_progress(ProgressBar* bar, const char* label);

// Shows `fraction` (0..1, clamped) of the current step done; cheap when nothing visible changes.
void report_progress(ProgressBar* bar, double fraction);

// Completes the current step at 100% and ends its line; safe to call twice.
void end_progress(ProgressBar* bar);

// Leaves the current step's line without completing it (before an error message).
void abandon_progress(ProgressBar* bar);

// Adapter for work functions: context is a ProgressBar*.
void report_progress_callback(double fraction, void* context);
