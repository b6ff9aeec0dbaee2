// The flight renderer: its private X server and the file it writes.
//
// Owns: render_xvfb_pid, render_auth_path, render_output, render_output_begun.
// Lifetime: the session: a run of --render-flight starts at most one server
// and writes one output; the stop handlers read all four.
// Writers: video/render_display.cpp (the server and its cookie file),
// video/render_flight_gl.cpp (the output).
#pragma once

#include <sys/types.h>

#include "files/whole_file.h"

extern volatile pid_t render_xvfb_pid;  // the private Xvfb; -1 when none runs
extern char render_auth_path[128];      // the private server's cookie file; "" when none
extern WholeFile render_output;         // the video or still being written, under its temporary name
extern bool render_output_begun;        // render_output holds a save begun and not yet finished or discarded

// Puts every value back to its start; no server may run and no output be
// begun (the renderer's stop leaves neither).
void reset_render_state();
