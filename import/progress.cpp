// A console progress bar for the importer's long steps.
#include "import/progress.h"

#include <unistd.h>

namespace {

constexpr int BAR_WIDTH = 30;  // characters between the brackets

void draw_bar(ProgressBar* bar, int percent) {
    char cells[BAR_WIDTH + 1];
    int filled = percent * BAR_WIDTH / 100;
    for (int i = 0; i < BAR_WIDTH; ++i) cells[i] = i < filled ? '#' : '-';
    cells[BAR_WIDTH] = '\0';
    std::fprintf(bar->stream, "%s%-11s [%s] %3d%%", bar->live ? "\r" : "", bar->label, cells, percent);
    std::fflush(bar->stream);
}

}  // namespace

void start_progress_output(ProgressBar* bar, std::FILE* stream) {
    bar->stream = stream;
    bar->live = isatty(fileno(stream)) == 1;
    bar->label = "";
    bar->shown_percent = -1;
    bar->active = false;
}

void begin_progress(ProgressBar* bar, const char* label) {
    end_progress(bar);
    bar->label = label;
    bar->shown_percent = -1;
    bar->active = true;
    report_progress(bar, 0.0);
}

void report_progress(ProgressBar* bar, double fraction) {
    if (!bar->active) return;
    if (!(fraction > 0.0)) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    int percent = (int)(fraction * 100.0);
    // In a log, a line at each tenth rather than a redraw at each percent.
    if (!bar->live) percent -= percent % 10;
    if (percent == bar->shown_percent) return;
    bar->shown_percent = percent;
    if (bar->live) {
        draw_bar(bar, percent);
    } else if (percent > 0 && percent < 100) {
        draw_bar(bar, percent);
        std::fputc('\n', bar->stream);
    }
}

void end_progress(ProgressBar* bar) {
    if (!bar->active) return;
    draw_bar(bar, 100);
    std::fputc('\n', bar->stream);
    bar->active = false;
}

void abandon_progress(ProgressBar* bar) {
    if (!bar->active) return;
    if (bar->live) std::fputc('\n', bar->stream);
    bar->active = false;
}

void report_progress_callback(double fraction, void* context) {
    if (context) report_progress((ProgressBar*)context, fraction);
}
