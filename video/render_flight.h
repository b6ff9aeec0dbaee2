// The flight-rendering mode: a recorded flythrough rendered frame by frame,
// as playback shows it, into an MP4 video or a PNG still, with no dialogue.
#pragma once

// True when the command line asks for this mode (or for --help) rather than
// the interactive viewer.
bool is_render_flight_command(int argc, char** argv);

// Runs the mode for argv[1] == "--render-flight" (or prints the help) and
// returns the exit status: 0 done, 1 a failure (said on stderr, no output file
// left behind), 2 a wrong command line.
int run_render_flight(int argc, char** argv);
