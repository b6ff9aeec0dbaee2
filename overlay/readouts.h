// The text of the read-outs, formatted from the current state (no GL).
#pragma once

constexpr int READOUT_LINE_SIZE = 160;  // bytes of one formatted read-out line; any float fits

// Counts this frame and, once more than a second has passed since the last
// update (now_ms from GLUT_ELAPSED_TIME), rewrites fps_text as
// "FPS:%4.2f Height:%4.2f" and drops an item position read-out.
void count_frame_for_readout(int now_ms);

// The text shown on the frame-rate line: a moved item's position until the
// next frame-rate update, else fps_text.
const char* frame_rate_line();

// The four light read-out lines: position, ambient, diffuse, specular.
void format_light_readout(char lines[4][READOUT_LINE_SIZE]);

// The edit read-out of the first edit mode that is set (vertex, line, face,
// geometry transform, material, multi-replicate): writes its lines and
// returns how many (0 when there is nothing to show, e.g. face mode or a
// picked face or item that does not exist). Returns -1 when no such mode is
// set, so that the file-name prompt may show instead.
int format_edit_readout(char lines[3][READOUT_LINE_SIZE]);
